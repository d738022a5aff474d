// The real WinHTTP client and TCloudAPIClient against the stand-in sign-in service over HTTPS,
// which the "signin" test fixture runs (test CA trusted in the bench's prefix only).
#include <gtest/gtest.h>

#include <chrono>

#include "core/CloudSetupError.h"
#include "platform/Platform.h"
#include "platform/win32/Win32HttpClient.h"
#include "service/CloudSetupAPIClient.h"
#include "service/CloudSetupConst.h"
#include "service/CloudSetupJson.h"

using namespace zelv;

namespace {

// https://localhost:<port> of the compiled-in service base URL.
UString ServiceOrigin()
{
    UString Base = consts::ServiceBaseUrl;
    return Base.substr(0, Base.size() - UString(u"/cloudsetup").size());
}

UString Origin(int APort) { return u"https://localhost:" + IntToUStr(APort); }

class SignInService : public testing::Test {
protected:
    void SetUp() override { Control(u"/control/reset", "{}"); }
    void TearDown() override { Control(u"/control/reset", "{}"); }

    platform::THttpResponse Control(const UString& APath, std::string ABody)
    {
        platform::THttpRequest Request;
        Request.Method = u"POST";
        Request.Url = ServiceOrigin() + APath;
        Request.Headers = {{u"Content-Type", u"application/json"}};
        Request.Body = std::move(ABody);
        platform::THttpResponse Response = Http.Send(Request);
        EXPECT_EQ(Response.StatusCode, 200) << Response.Body;
        return Response;
    }

    void Fault(const std::string& AJson) { Control(u"/control/fault", AJson); }

    // The code the service "e-mailed" last, read from its outbox.
    UString OutboxCode(const UString& AEmail)
    {
        platform::THttpRequest Request;
        Request.Url = ServiceOrigin() + u"/control/outbox?email=" + AEmail;
        platform::THttpResponse Response = Http.Send(Request);
        EXPECT_EQ(Response.StatusCode, 200) << Response.Body;
        auto Answer = json::Parse(AsciiToU(Response.Body));
        return Answer ? json::ReadText(*Answer, u"code", u"") : UString();
    }

    static std::string Raised(const std::function<void()>& AAction)
    {
        try {
            AAction();
        } catch (const ECloudSetupError& E) {
            return E.what();
        }
        return "(no failure)";
    }

    win32::TWin32HttpClient Http;
    TCloudAPIClient Client;
};

TEST_F(SignInService, CodeFromTheOutboxSignsInOnceAndBringsTheCompanies)
{
    const UString Email = u"demo@example.test";
    TAPIResult Sent = Client.RequestCode(Email);
    ASSERT_TRUE(Sent.Success) << DebugUtf8(Sent.Message);
    EXPECT_EQ(Sent.ExpiresInSeconds, 600);
    EXPECT_EQ(Sent.Message, u"A verification code has been sent to demo@example.test.");

    const UString Code = OutboxCode(Email);
    ASSERT_EQ(Code.size(), 6u);
    TAPIResult Verified = Client.VerifyCode(Email, Code);
    ASSERT_TRUE(Verified.Success) << DebugUtf8(Verified.Message);
    EXPECT_EQ(Verified.Message, u"Verification successful");
    ASSERT_NE(Verified.Companies, nullptr);
    ASSERT_EQ(Verified.Companies->size(), 3u);
    EXPECT_EQ((*Verified.Companies)[0].CompanyCode, u"ACME");
    EXPECT_EQ((*Verified.Companies)[0].ServerAddress, u"rds01.acme.zelvcloud.invalid");
    EXPECT_TRUE((*Verified.Companies)[0].Selected);
    EXPECT_EQ((*Verified.Companies)[2].CompanyCode, u"ZELV");

    TAPIResult Again = Client.VerifyCode(Email, Code);
    EXPECT_FALSE(Again.Success);
    EXPECT_EQ(Again.ErrorCode, u"INVALID_CODE");
    EXPECT_EQ(Again.Message, u"Invalid verification code. Please try again.");
}

TEST_F(SignInService, CodeIsGoodForItsLifetimeAndRefusedAfter)
{
    const UString Early = u"demo@example.test", Late = u"test@example.test";
    for (const UString& Email : {Early, Late}) {
        TAPIResult Sent = Client.RequestCode(Email);
        ASSERT_TRUE(Sent.Success) << DebugUtf8(Sent.Message);
        EXPECT_EQ(Sent.ExpiresInSeconds, 600);
    }
    // The service's clock, not this test, moves on: to ten seconds before the codes expire, then to
    // their lifetime's end.
    Control(u"/control/clock", "{\"advanceMs\":590000}");
    TAPIResult InTime = Client.VerifyCode(Early, OutboxCode(Early));
    EXPECT_TRUE(InTime.Success) << DebugUtf8(InTime.ErrorCode);
    Control(u"/control/clock", "{\"advanceMs\":10000}");
    TAPIResult R = Client.VerifyCode(Late, OutboxCode(Late));
    EXPECT_FALSE(R.Success);
    EXPECT_EQ(R.ErrorCode, u"CODE_EXPIRED");
    EXPECT_EQ(R.Message, u"Invalid verification code. Please try again.");
}

TEST_F(SignInService, ServiceRefusalsBecomeTheirMessages)
{
    TAPIResult Unknown = Client.RequestCode(u"nobody@example.test");
    EXPECT_EQ(Unknown.ErrorCode, u"EMAIL_NOT_FOUND");
    EXPECT_EQ(Unknown.Message, u"Email address not found. Please check and try again.");

    const UString Email = u"test@example.test";
    ASSERT_TRUE(Client.RequestCode(Email).Success);
    const UString Code = OutboxCode(Email);
    const UString Wrong = Code == u"000000" ? u"000001" : u"000000";
    for (int Attempt = 1; Attempt < 5; ++Attempt) {
        TAPIResult R = Client.VerifyCode(Email, Wrong);
        EXPECT_EQ(R.ErrorCode, u"INVALID_CODE") << Attempt;
        EXPECT_EQ(R.Message, u"Invalid verification code. Please try again.") << Attempt;
    }
    // The fifth wrong code voids the code: even the right one is refused now.
    for (const UString& Tried : {Wrong, Code}) {
        TAPIResult R = Client.VerifyCode(Email, Tried);
        EXPECT_FALSE(R.Success);
        EXPECT_EQ(R.ErrorCode, u"TOO_MANY_ATTEMPTS");
        EXPECT_EQ(R.Message, u"Too many attempts. Please request a new code.");
    }

    ASSERT_TRUE(Client.RequestCode(Email).Success);  // second of three codes
    ASSERT_TRUE(Client.RequestCode(Email).Success);
    TAPIResult TooOften = Client.RequestCode(Email);
    EXPECT_EQ(TooOften.ErrorCode, u"TOO_MANY_REQUESTS");
    EXPECT_EQ(TooOften.Message, u"Please wait before requesting another code.");
}

TEST_F(SignInService, UnreadableAnswersAreParseErrorsWhateverTheirStatus)
{
    for (const char* Mode : {"{\"mode\":\"html\"}", "{\"mode\":\"html\",\"status\":404}", "{\"mode\":\"truncated\"}",
                             "{\"mode\":\"malformed\"}", "{\"mode\":\"status\",\"status\":500,\"body\":\"\"}"}) {
        Fault(Mode);
        TAPIResult R = Client.VerifyCode(u"demo@example.test", u"123456");
        EXPECT_FALSE(R.Success) << Mode;
        EXPECT_EQ(R.ErrorCode, u"PARSE_ERROR") << Mode;
        EXPECT_EQ(R.Message, u"Invalid response from server") << Mode;
    }
    for (const char* Mode : {"{\"mode\":\"array\"}", "{\"mode\":\"null\"}"}) {
        Fault(Mode);
        EXPECT_EQ(Raised([&] { Client.RequestCode(u"demo@example.test"); }), "Invalid class typecast") << Mode;
    }
    Fault("{\"mode\":\"status\",\"status\":429,\"body\":\"{\\\"success\\\":false}\"}");
    EXPECT_EQ(Client.VerifyCode(u"demo@example.test", u"1").Message, u"Too many attempts. Please request a new code.");
}

TEST_F(SignInService, AnswerInAnotherCharsetIsDecoded)
{
    Fault("{\"mode\":\"status\",\"status\":200,\"contentType\":\"application/json; charset=ISO-8859-1\","
          "\"body\":\"{\\\"success\\\":true,\\\"message\\\":\\\"Code envoy\\u00e9\\\"}\"}");
    // The stand-in sends the body's UTF-8 as it is; only the charset label changes the reading.
    EXPECT_EQ(Client.RequestCode(u"demo@example.test").Message, u"Code envoy\u00c3\u00a9");
}

TEST_F(SignInService, ServerThatNeverAnswersTimesOut)
{
    Fault("{\"mode\":\"delay\",\"delayMs\":20000}");
    platform::THttpRequest Request;
    Request.Method = u"POST";
    Request.Url = UString(consts::ServiceBaseUrl) + u"/auth/request-code";
    Request.Body = "{\"email\":\"demo@example.test\"}";
    Request.ConnectTimeoutMs = 2000;
    Request.ReceiveTimeoutMs = 1000;
    Request.ReceiveResponseTimeoutMs = 1000;
    const auto Start = std::chrono::steady_clock::now();
    std::string Message = Raised([&] { Http.Send(Request); });
    const auto Elapsed = std::chrono::steady_clock::now() - Start;
    EXPECT_NE(AsciiLower(AsciiToU(Message)).find(u"timed out"), UString::npos) << Message;
    EXPECT_LT(Elapsed, std::chrono::seconds(10));
}

TEST_F(SignInService, BodyThatStallsTimesOut)
{
    Fault("{\"mode\":\"stall\",\"delayMs\":20000}");
    platform::THttpRequest Request;
    Request.Url = UString(consts::ServiceBaseUrl) + u"/download";
    Request.ReceiveTimeoutMs = 1000;
    Request.ReceiveResponseTimeoutMs = 5000;
    const auto Start = std::chrono::steady_clock::now();
    std::string Message = Raised([&] { Http.Send(Request); });
    EXPECT_NE(AsciiLower(AsciiToU(Message)).find(u"timed out"), UString::npos) << Message;
    EXPECT_LT(std::chrono::steady_clock::now() - Start, std::chrono::seconds(10));
}

// The service, or anyone who can answer in its place, sends without end or more than the limit:
// the call fails by itself with a text that says so, without the program growing.
TEST_F(SignInService, EndlessOrOversizedAnswerFailsAtTheSizeLimit)
{
    for (const char* Mode : {"{\"mode\":\"endless\"}", "{\"mode\":\"oversize\",\"size\":1048577}"}) {
        SCOPED_TRACE(Mode);
        Fault(Mode);
        const auto Start = std::chrono::steady_clock::now();
        EXPECT_EQ(Raised([&] { Client.RequestCode(u"demo@example.test"); }),
                  "The server's answer is larger than the limit of 1 MiB");
        EXPECT_LT(std::chrono::steady_clock::now() - Start, std::chrono::seconds(30));
    }
    // A request's own larger limit lets the same answer through.
    Fault("{\"mode\":\"oversize\",\"size\":1048577}");
    platform::THttpRequest Request;
    Request.Method = u"POST";
    Request.Url = UString(consts::ServiceBaseUrl) + u"/auth/request-code";
    Request.MaxBodyBytes = 2 * platform::OneMiB;
    EXPECT_EQ(Http.Send(Request).Body.size(), 1048577u);
}

TEST_F(SignInService, StallPastTheDeadlineFailsWithItsText)
{
    Fault("{\"mode\":\"stall\",\"delayMs\":20000}");
    platform::THttpRequest Request;
    Request.Url = UString(consts::ServiceBaseUrl) + u"/download";
    Request.ReceiveTimeoutMs = 15000;
    Request.ReceiveResponseTimeoutMs = 15000;
    Request.DeadlineMs = 1500;
    const auto Start = std::chrono::steady_clock::now();
    EXPECT_EQ(Raised([&] { Http.Send(Request); }),
              "The request timed out: the server's answer did not arrive in full within 1500 milliseconds");
    EXPECT_LT(std::chrono::steady_clock::now() - Start, std::chrono::seconds(10));
}

TEST_F(SignInService, UntrustedCertificateIsRefused)
{
    platform::THttpRequest Request;
    Request.Method = u"POST";
    Request.Url = Origin(ZELV_SIGNIN_UNTRUSTED_PORT) + u"/cloudsetup/auth/request-code";
    Request.Body = "{\"email\":\"demo@example.test\"}";
    std::string Message = Raised([&] { Http.Send(Request); });
    EXPECT_TRUE(Message.find("(error 12157)") != std::string::npos || Message.find("(error 12175)") != std::string::npos ||
                Message.find("(error 12045)") != std::string::npos)
        << Message;
}

TEST_F(SignInService, RefusedConnectionIsRaised)
{
    // Nothing listens on port 1.
    platform::THttpRequest Request;
    Request.Url = u"https://localhost:1/cloudsetup/auth/request-code";
    EXPECT_NE(Raised([&] { Http.Send(Request); }).find("(error 12029)"), std::string::npos);
}

TEST_F(SignInService, EveryFieldOfTheAnswerComesBack)
{
    Fault("{\"mode\":\"status\",\"status\":418,\"contentType\":\"text/plain\",\"body\":\"short and stout\"}");
    platform::THttpRequest Request;
    Request.Method = u"POST";
    Request.Url = UString(consts::ServiceBaseUrl) + u"/auth/request-code";
    platform::THttpResponse Response = Http.Send(Request);
    EXPECT_EQ(Response.StatusCode, 418);
    EXPECT_EQ(Response.Body, "short and stout");
    EXPECT_EQ(Response.Header(u"content-type"), u"text/plain");
    EXPECT_EQ(Response.Header(u"Content-Length"), u"15");
}

}  // namespace

namespace {

TEST_F(SignInService, RedirectsFollowTheRequestsLimit)
{
    platform::THttpRequest Request;
    Request.Url = UString(consts::ServiceBaseUrl) + u"/loop";

    // Every request under /cloudsetup/ is sent back to the same place.
    Fault("{\"mode\":\"status\",\"status\":302,\"location\":\"/cloudsetup/loop\",\"body\":\"\"}");
    Request.MaxRedirects = 0;
    EXPECT_EQ(Http.Send(Request).StatusCode, 302);
    Request.MaxRedirects = 2;
    EXPECT_NE(Raised([&] { Http.Send(Request); }).find("(error 12156)"), std::string::npos);

    // Two hops, then the answer: within a limit of two.
    Fault("{\"mode\":\"status\",\"status\":302,\"location\":\"/cloudsetup/loop\",\"body\":\"\",\"times\":2}");
    platform::THttpResponse Response = Http.Send(Request);
    EXPECT_EQ(Response.StatusCode, 404);
}

}  // namespace
