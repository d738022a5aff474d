#include "platform/win32/Win32HttpClient.h"

#include <windows.h>
#include <winhttp.h>

#include <algorithm>
#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "core/CloudSetupError.h"
#include "platform/win32/Win32Text.h"

namespace zelv::win32 {

namespace {

constexpr wchar_t UserAgent[] = L"ZelvCloudSetup/1.0";

// Used where neither winhttp.dll nor the system has a text for the code (Wine has none for any
// of them). The wording follows Windows' own.
struct TErrorText {
    DWORD Code;
    const char16_t* Text;
};
constexpr TErrorText OwnTexts[] = {
    {12002, u"The operation timed out"},
    {12004, u"An internal error occurred in the HTTP layer"},
    {12005, u"The URL is invalid"},
    {12006, u"The URL does not use a recognized protocol"},
    {12007, u"The server name or address could not be resolved"},
    {12017, u"The operation was canceled"},
    {12029, u"A connection with the server could not be established"},
    {12030, u"The connection with the server was terminated abnormally"},
    {12037, u"The server's security certificate has expired or is not yet valid"},
    {12038, u"The server's security certificate does not match the server's name"},
    {12044, u"The server requires a client certificate"},
    {12045, u"The server's security certificate was issued by an authority that is not trusted"},
    {12152, u"The server returned an invalid or unrecognized response"},
    {12156, u"The server redirected the request too often or to a place that may not be followed"},
    {12157, u"An error occurred in the secure channel support"},
    {12166, u"An error occurred executing the proxy auto-configuration script"},
    {12167, u"The proxy auto-configuration script could not be downloaded"},
    {12169, u"The server's security certificate is invalid"},
    {12170, u"The server's security certificate has been revoked"},
    {12175, u"A security error occurred: the server's certificate could not be verified"},
    {12178, u"The proxy auto-configuration service failed"},
    {12180, u"Automatic proxy detection failed"},
    {10054, u"The connection was reset by the server"},
    {10060, u"The connection timed out: the server did not answer in time"},
    {10061, u"The server refused the connection"},
};

[[noreturn]] void RaiseHttp(DWORD ACode)
{
    throw ECloudSetupError(HttpErrorText(ACode) + u" (error " + IntToUStr(ACode) + u")");
}

[[noreturn]] void RaiseLast()
{
    RaiseHttp(GetLastError());
}

void SetDword(HINTERNET AHandle, DWORD AOption, DWORD AValue)
{
    if (!WinHttpSetOption(AHandle, AOption, &AValue, sizeof AValue))
        RaiseLast();
}

void SetTimeout(HINTERNET AHandle, DWORD AOption, int AMilliseconds)
{
    if (AMilliseconds >= 0)
        SetDword(AHandle, AOption, static_cast<DWORD>(AMilliseconds));
}

UniqueInternet OpenSession()
{
    // Automatic proxy follows the workstation's own proxy settings (script, WPAD, per-user
    // settings) where Windows offers it (8.1 and later); older systems reject the access type.
    UniqueInternet Session(WinHttpOpen(UserAgent, WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY,
                                       WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
    if (!Session)
        Session = UniqueInternet(WinHttpOpen(UserAgent, WINHTTP_ACCESS_TYPE_DEFAULT_PROXY,
                                             WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
    if (!Session)
        RaiseLast();
    return Session;
}

struct TUrlParts {
    bool Secure = false;
    std::wstring Host;
    INTERNET_PORT Port = 0;
    std::wstring PathAndQuery;
};

TUrlParts CrackUrl(const UString& AUrl)
{
    std::wstring Url = ToW(AUrl);
    URL_COMPONENTS Parts{};
    Parts.dwStructSize = sizeof Parts;
    Parts.dwHostNameLength = static_cast<DWORD>(-1);
    Parts.dwUrlPathLength = static_cast<DWORD>(-1);
    Parts.dwExtraInfoLength = static_cast<DWORD>(-1);
    Parts.dwSchemeLength = static_cast<DWORD>(-1);
    if (!WinHttpCrackUrl(Url.c_str(), static_cast<DWORD>(Url.size()), 0, &Parts))
        RaiseLast();
    if (Parts.nScheme != INTERNET_SCHEME_HTTP && Parts.nScheme != INTERNET_SCHEME_HTTPS)
        RaiseHttp(ERROR_WINHTTP_UNRECOGNIZED_SCHEME);
    TUrlParts Result;
    Result.Secure = Parts.nScheme == INTERNET_SCHEME_HTTPS;
    Result.Host.assign(Parts.lpszHostName, Parts.dwHostNameLength);
    Result.Port = Parts.nPort;
    Result.PathAndQuery.assign(Parts.lpszUrlPath, Parts.dwUrlPathLength);
    if (Parts.lpszExtraInfo)
        Result.PathAndQuery.append(Parts.lpszExtraInfo, Parts.dwExtraInfoLength);
    if (Result.PathAndQuery.empty())
        Result.PathAndQuery = L"/";
    return Result;
}

// One header's text as the server sent it; nullopt when it sent none.
std::optional<std::wstring> HeaderText(HINTERNET ARequest, DWORD AHeader)
{
    DWORD Size = 0;
    WinHttpQueryHeaders(ARequest, AHeader, WINHTTP_HEADER_NAME_BY_INDEX, WINHTTP_NO_OUTPUT_BUFFER, &Size,
                        WINHTTP_NO_HEADER_INDEX);
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || Size == 0)
        return std::nullopt;
    std::wstring Value(Size / sizeof(wchar_t) + 1, L'\0');
    if (!WinHttpQueryHeaders(ARequest, AHeader, WINHTTP_HEADER_NAME_BY_INDEX, Value.data(), &Size,
                             WINHTTP_NO_HEADER_INDEX))
        return std::nullopt;
    Value.resize(Size / sizeof(wchar_t));
    return Value;
}

// The length the server announced; nullopt when it announced none or one that is not a number.
std::optional<unsigned long long> ContentLength(HINTERNET ARequest)
{
    ULONGLONG Length = 0;
    DWORD Size = sizeof Length;
    if (WinHttpQueryHeaders(ARequest, WINHTTP_QUERY_CONTENT_LENGTH | WINHTTP_QUERY_FLAG_NUMBER64,
                            WINHTTP_HEADER_NAME_BY_INDEX, &Length, &Size, WINHTTP_NO_HEADER_INDEX))
        return Length;
    if (GetLastError() == ERROR_WINHTTP_HEADER_NOT_FOUND)
        return std::nullopt;
    // Systems whose WinHTTP predates 64-bit numbers refuse the flag: read the digits ourselves.
    const std::optional<std::wstring> Text = HeaderText(ARequest, WINHTTP_QUERY_CONTENT_LENGTH);
    if (!Text || Text->empty())
        return std::nullopt;
    unsigned long long Value = 0;
    for (wchar_t C : *Text) {
        if (C < L'0' || C > L'9')
            return std::nullopt;
        const unsigned Digit = static_cast<unsigned>(C - L'0');
        Value = Value > (~0ull - Digit) / 10 ? ~0ull : Value * 10 + Digit;
    }
    return Value;
}

}  // namespace

UString HttpErrorText(unsigned long ACode)
{
    UString Text;
    if (ACode >= WINHTTP_ERROR_BASE && ACode <= WINHTTP_ERROR_LAST)
        Text = SystemErrorText(ACode, GetModuleHandleW(L"winhttp.dll"));
    // Ours come before the system's general table: its text for a socket time-out (10060) never
    // says that the time ran out.
    if (Text.empty()) {
        for (const TErrorText& Entry : OwnTexts)
            if (Entry.Code == ACode)
                Text = Entry.Text;
    }
    if (Text.empty())
        Text = SystemErrorText(ACode);
    if (Text.empty())
        Text = u"The network request failed";
    return TrimSystemText(Text);
}

namespace {

// The whole request's time: every wait is cut to what is left of it, and once it is spent the
// request fails with the deadline's own text, whatever the wait that ran out.
class TDeadline {
public:
    explicit TDeadline(int AMilliseconds)
        : FMilliseconds(AMilliseconds), FEnd(std::chrono::steady_clock::now() + std::chrono::milliseconds(AMilliseconds))
    {
    }
    long long LeftMs() const
    {
        return std::chrono::duration_cast<std::chrono::milliseconds>(FEnd - std::chrono::steady_clock::now()).count();
    }
    void Check() const
    {
        if (LeftMs() <= 0)
            throw ECloudSetupError(platform::DeadlinePassedText(FMilliseconds));
    }
    // A wait of at most AConfiguredMs (negative: no limit of its own), never past the deadline.
    int Cut(int AConfiguredMs) const
    {
        long long Left = std::max<long long>(LeftMs(), 1);
        return static_cast<int>(AConfiguredMs < 0 ? Left : std::min<long long>(AConfiguredMs, Left));
    }
    [[noreturn]] void RaiseLast() const
    {
        DWORD Code = GetLastError();
        Check();
        RaiseHttp(Code);
    }

private:
    int FMilliseconds;
    std::chrono::steady_clock::time_point FEnd;
};

}  // namespace

HINTERNET TWin32HttpClient::Session()
{
    std::lock_guard<std::mutex> Guard(FSessionLock);
    if (!FSession)
        FSession = OpenSession();
    return FSession.Get();
}

platform::THttpResponse TWin32HttpClient::Send(const platform::THttpRequest& ARequest, platform::IHttpBodySink* ASink)
{
    const TDeadline Deadline(ARequest.DeadlineMs);
    const TUrlParts Url = CrackUrl(ARequest.Url);
    UniqueInternet Connection(WinHttpConnect(Session(), Url.Host.c_str(), Url.Port, 0));
    if (!Connection)
        RaiseLast();
    const std::wstring Method = ToW(ARequest.Method);
    UniqueInternet Request(WinHttpOpenRequest(Connection.Get(), Method.c_str(), Url.PathAndQuery.c_str(), nullptr,
                                              WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                              Url.Secure ? WINHTTP_FLAG_SECURE : 0));
    if (!Request)
        RaiseLast();

    SetTimeout(Request.Get(), WINHTTP_OPTION_RESOLVE_TIMEOUT, Deadline.Cut(ARequest.ResolveTimeoutMs));
    SetTimeout(Request.Get(), WINHTTP_OPTION_CONNECT_TIMEOUT, Deadline.Cut(ARequest.ConnectTimeoutMs));
    if (ARequest.SendTimeoutMs >= 0)
        SetTimeout(Request.Get(), WINHTTP_OPTION_SEND_TIMEOUT, Deadline.Cut(ARequest.SendTimeoutMs));
    if (ARequest.ReceiveTimeoutMs >= 0)
        SetTimeout(Request.Get(), WINHTTP_OPTION_RECEIVE_TIMEOUT, Deadline.Cut(ARequest.ReceiveTimeoutMs));
    SetTimeout(Request.Get(), WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, Deadline.Cut(ARequest.ReceiveResponseTimeoutMs));
    if (ARequest.MaxRedirects == 0)
        SetDword(Request.Get(), WINHTTP_OPTION_REDIRECT_POLICY, WINHTTP_OPTION_REDIRECT_POLICY_NEVER);
    else if (ARequest.MaxRedirects > 0)
        SetDword(Request.Get(), WINHTTP_OPTION_MAX_HTTP_AUTOMATIC_REDIRECTS, static_cast<DWORD>(ARequest.MaxRedirects));

    for (const auto& [Name, Value] : ARequest.Headers) {
        std::wstring Line = ToW(Name) + L": " + ToW(Value);
        if (!WinHttpAddRequestHeaders(Request.Get(), Line.c_str(), static_cast<DWORD>(Line.size()), WINHTTP_ADDREQ_FLAG_ADD))
            RaiseLast();
    }

    const DWORD BodySize = static_cast<DWORD>(ARequest.Body.size());
    void* Body = BodySize ? const_cast<char*>(ARequest.Body.data()) : WINHTTP_NO_REQUEST_DATA;
    if (!WinHttpSendRequest(Request.Get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, Body, BodySize, BodySize, 0))
        Deadline.RaiseLast();
    if (!WinHttpReceiveResponse(Request.Get(), nullptr))
        Deadline.RaiseLast();

    platform::THttpResponse Response;
    DWORD Status = 0;
    DWORD Size = sizeof Status;
    if (!WinHttpQueryHeaders(Request.Get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                             WINHTTP_HEADER_NAME_BY_INDEX, &Status, &Size, WINHTTP_NO_HEADER_INDEX))
        RaiseLast();
    Response.StatusCode = static_cast<int>(Status);

    // The program reads no other header of an answer.
    if (const std::optional<std::wstring> Type = HeaderText(Request.Get(), WINHTTP_QUERY_CONTENT_TYPE))
        Response.Headers.emplace_back(u"Content-Type", U(*Type));
    const std::optional<unsigned long long> Length = ContentLength(Request.Get());
    if (Length)
        Response.Headers.emplace_back(u"Content-Length", AsciiToU(std::to_string(*Length)));

    if (ASink && !ASink->Begin(Response))
        return Response;
    // A length announced over the limit fails before a byte is read.
    if (Length && *Length > ARequest.MaxBodyBytes)
        throw ECloudSetupError(platform::BodyTooLargeText(ARequest.MaxBodyBytes));

    std::vector<char> Buffer(65536);
    size_t Received = 0;
    while (true) {
        Deadline.Check();
        SetTimeout(Request.Get(), WINHTTP_OPTION_RECEIVE_TIMEOUT, Deadline.Cut(ARequest.ReceiveTimeoutMs));
        // Asks only for what has arrived: a read for more would wait, byte by byte, as long as the
        // server keeps sending slowly enough, past any deadline.
        DWORD Available = 0;
        if (!WinHttpQueryDataAvailable(Request.Get(), &Available))
            Deadline.RaiseLast();
        if (Available == 0)
            break;
        DWORD Read = 0;
        if (!WinHttpReadData(Request.Get(), Buffer.data(), std::min<DWORD>(Available, static_cast<DWORD>(Buffer.size())), &Read))
            Deadline.RaiseLast();
        if (Read == 0)
            break;
        if (Read > ARequest.MaxBodyBytes - Received)
            throw ECloudSetupError(platform::BodyTooLargeText(ARequest.MaxBodyBytes));
        Received += Read;
        if (ASink)
            ASink->Write(std::string_view(Buffer.data(), Read));
        else
            Response.Body.append(Buffer.data(), Read);
    }
    return Response;
}

}  // namespace zelv::win32
