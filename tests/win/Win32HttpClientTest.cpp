#include <gtest/gtest.h>

#include "core/CloudSetupError.h"
#include "platform/win32/Win32HttpClient.h"

using namespace zelv;

namespace {

UString FailureOf(const platform::THttpRequest& ARequest)
{
    try {
        win32::TWin32HttpClient().Send(ARequest);
    } catch (const ECloudSetupError& E) {
        return E.Message();
    }
    return u"(no failure)";
}

TEST(Win32HttpClient, EveryTransportErrorHasReadableText)
{
    for (unsigned long Code : {12002ul, 12007ul, 12029ul, 12030ul, 12156ul, 12157ul, 12175ul, 10060ul, 10061ul}) {
        UString Text = win32::HttpErrorText(Code);
        EXPECT_FALSE(Text.empty()) << Code;
        EXPECT_EQ(Text.find(IntToUStr(static_cast<long long>(Code))), UString::npos) << DebugUtf8(Text);
    }
    EXPECT_NE(AsciiLower(win32::HttpErrorText(12002)).find(u"timed out"), UString::npos);
    EXPECT_NE(AsciiLower(win32::HttpErrorText(10060)).find(u"timed out"), UString::npos);
}

TEST(Win32HttpClient, RefusedConnectionIsRaisedWithText)
{
    platform::THttpRequest Request;
    Request.Url = u"http://localhost:1/";
    Request.ConnectTimeoutMs = 5000;
    UString Message = FailureOf(Request);
    EXPECT_NE(Message.find(u"(error 12029)"), UString::npos) << DebugUtf8(Message);
}

TEST(Win32HttpClient, UrlWithoutHttpSchemeIsRefused)
{
    platform::THttpRequest Request;
    Request.Url = u"ftp://localhost/file";
    EXPECT_EQ(FailureOf(Request), win32::HttpErrorText(12006) + u" (error 12006)");
}

}  // namespace
