#pragma once
// What the tests that drive the whole program ask of the running stand-ins, over their loopback
// control interfaces, and the small readings of what the program left behind.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "platform/win32/Win32Text.h"
#include "service/CloudSetupConst.h"
#include "service/CloudSetupJson.h"
#include "workstation/CloudSetupWinActionsConst.h"

namespace zelv::test {

inline std::string ReadBytes(const std::filesystem::path& APath)
{
    std::ifstream File(APath, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(File)), std::istreambuf_iterator<char>());
}

inline platform::THttpResponse Send(const UString& AMethod, const UString& AUrl, std::string ABody = {})
{
    platform::THttpRequest Request;
    Request.Method = AMethod;
    Request.Url = AUrl;
    Request.Headers = {{u"Content-Type", u"application/json"}};
    Request.Body = std::move(ABody);
    Request.ConnectTimeoutMs = 5000;
    Request.ReceiveResponseTimeoutMs = 5000;
    platform::THttpResponse Response = platform::Http().Send(Request);
    EXPECT_EQ(Response.StatusCode, 200) << DebugUtf8(AUrl) << " " << Response.Body;
    return Response;
}

// https://localhost:<port> of the compiled-in service base URL.
inline UString SignInOrigin()
{
    UString Base = consts::ServiceBaseUrl;
    return Base.substr(0, Base.size() - UString(u"/cloudsetup").size());
}
inline void SignInFault(const std::string& AJson) { Send(u"POST", SignInOrigin() + u"/control/fault", AJson); }
inline void DownloadFault(const UString& AQuery)
{
    Send(u"POST", UString(consts::AddinDownloadBase) + u"/control/fault?" + AQuery);
}

inline void ResetStandins()
{
    Send(u"POST", SignInOrigin() + u"/control/reset", "{}");
    Send(u"POST", UString(consts::AddinDownloadBase) + u"/control/reset");
}

// The code the service "e-mailed" last to the address.
inline std::wstring OutboxCode(const std::wstring& AEmail)
{
    platform::THttpResponse Response = Send(u"GET", SignInOrigin() + u"/control/outbox?email=" + win32::U(AEmail));
    auto Answer = json::Parse(AsciiToU(Response.Body));
    return Answer ? win32::ToW(json::ReadText(*Answer, u"code", u"")) : std::wstring();
}

// The lines of a log box's text, without the empty ones at its end.
inline std::vector<std::wstring> Lines(const std::wstring& AText)
{
    std::vector<std::wstring> Result;
    size_t Start = 0;
    while (Start <= AText.size()) {
        const size_t End = AText.find(L"\r\n", Start);
        Result.push_back(AText.substr(Start, End == std::wstring::npos ? std::wstring::npos : End - Start));
        if (End == std::wstring::npos)
            break;
        Start = End + 2;
    }
    while (!Result.empty() && Result.back().empty())
        Result.pop_back();
    return Result;
}

}  // namespace zelv::test
