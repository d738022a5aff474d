#include "service/CloudSetupAPIClient.h"

#include "core/CloudSetupError.h"
#include "platform/Platform.h"
#include "service/CloudSetupCharset.h"
#include "service/CloudSetupConst.h"

namespace zelv {

// The client's HTTP settings, made once by Create; every request goes out through the platform's
// HTTP layer with them.
class TCloudAPIClient::THttpClient {
public:
    THttpClient()
    {
        FDefaults.Headers = {{u"Content-Type", u"application/json"}, {u"Accept", u"application/json"}};
        // Name resolution is part of making the connection: without a limit of its own a stalled
        // resolver would hold the request for ever.
        FDefaults.ResolveTimeoutMs = 15000;
        FDefaults.ConnectTimeoutMs = 15000;
        FDefaults.ReceiveTimeoutMs = 30000;
        // Without it a server that accepts the connection and never answers holds the call for ever.
        FDefaults.ReceiveResponseTimeoutMs = 30000;
        // An answer of the service is a few hundred bytes; nothing the network sends may grow
        // the program or hold the call past the time a user waits.
        FDefaults.MaxBodyBytes = platform::OneMiB;
        FDefaults.DeadlineMs = 60000;
    }

    platform::THttpResponse Post(UString AUrl, std::string ABody)
    {
        platform::THttpRequest Request = FDefaults;
        Request.Method = u"POST";
        Request.Url = std::move(AUrl);
        Request.Body = std::move(ABody);
        return platform::Http().Send(Request);
    }

private:
    platform::THttpRequest FDefaults;
};

namespace {

// Reads an answer into a value; the answer must be JSON and its top-level value an object.
// Returns null when the body is not one JSON value.
std::unique_ptr<json::TValue> ParseAnswer(const platform::THttpResponse& AResponse)
{
    std::unique_ptr<json::TValue> Answer = json::Parse(DecodeBody(AResponse.Body, AResponse.Header(u"Content-Type")));
    if (Answer && Answer->Kind != json::TKind::Object)
        json::RaiseInvalidTypecast();
    return Answer;
}

void SetUnreadable(TAPIResult& AResult)
{
    AResult.ErrorCode = u"PARSE_ERROR";
    AResult.Message = u"Invalid response from server";
}

constexpr char16_t RequestCodePath[] = u"/auth/request-code";
constexpr char16_t VerifyCodePath[] = u"/auth/verify-code";

// What the user reads when the service refuses a request, by request and status.
struct TRefusal {
    const char16_t* Path;
    int Status;
    const char16_t* Message;
};
constexpr TRefusal Refusals[] = {
    {RequestCodePath, 404, u"Email address not found. Please check and try again."},
    {RequestCodePath, 429, u"Please wait before requesting another code."},
    {VerifyCodePath, 401, u"Invalid verification code. Please try again."},
    {VerifyCodePath, 429, u"Too many attempts. Please request a new code."},
};

void SetRefused(TAPIResult& AResult, const json::TValue& AAnswer, UStringView APath, int AStatus)
{
    AResult.ErrorCode = json::ReadText(AAnswer, u"error", u"UNKNOWN");
    AResult.Message = u"An error occurred. Please try again.";
    for (const TRefusal& Refusal : Refusals)
        if (APath == Refusal.Path && AStatus == Refusal.Status)
            AResult.Message = Refusal.Message;
}

}  // namespace

TCloudAPIClient::TCloudAPIClient() : FHttpClient(std::make_unique<THttpClient>()) {}

TCloudAPIClient::~TCloudAPIClient() = default;

platform::THttpResponse TCloudAPIClient::PostJSON(const UString& APath, const json::TStringMembers& AObject)
{
    return FHttpClient->Post(UString(consts::ServiceBaseUrl) + APath, json::WriteObject(AObject));
}

TAPIResult TCloudAPIClient::RequestCode(const UString& AEmail)
{
    TAPIResult Result;
    const platform::THttpResponse Response = PostJSON(RequestCodePath, {{u"email", AEmail}});
    const std::unique_ptr<json::TValue> Answer = ParseAnswer(Response);
    if (!Answer) {
        SetUnreadable(Result);
        return Result;
    }
    Result.Success = json::ReadBoolean(*Answer, u"success", false);
    if (Result.Success) {
        Result.Message = json::ReadText(*Answer, u"message", u"");
        Result.ExpiresInSeconds = json::ReadInteger(*Answer, u"expiresInSeconds", 600);
        return Result;
    }
    SetRefused(Result, *Answer, RequestCodePath, Response.StatusCode);
    return Result;
}

TAPIResult TCloudAPIClient::VerifyCode(const UString& AEmail, const UString& ACode)
{
    TAPIResult Result;
    const platform::THttpResponse Response = PostJSON(VerifyCodePath, {{u"email", AEmail}, {u"code", ACode}});
    const std::unique_ptr<json::TValue> Answer = ParseAnswer(Response);
    if (!Answer) {
        SetUnreadable(Result);
        return Result;
    }
    Result.Success = json::ReadBoolean(*Answer, u"success", false);
    if (Result.Success) {
        Result.Companies = ParseCompanies(json::ReadArray(*Answer, u"companies"));
        Result.Message = u"Verification successful";
        return Result;
    }
    SetRefused(Result, *Answer, VerifyCodePath, Response.StatusCode);
    return Result;
}

std::unique_ptr<TCompanyList> TCloudAPIClient::ParseCompanies(const json::TValue* AArray)
{
    auto Companies = std::make_unique<TCompanyList>();
    if (!AArray)
        return Companies;
    for (const json::TValue& Element : AArray->Items) {
        if (Element.Kind != json::TKind::Object)
            json::RaiseInvalidTypecast();
        TCompanyInfo Company;
        Company.CompanyCode = json::ReadText(Element, u"companyCode", u"");
        Company.ServerAddress = json::ReadText(Element, u"serverAddress", u"");
        Company.Selected = true;
        Companies->push_back(std::move(Company));
    }
    return Companies;
}

}  // namespace zelv
