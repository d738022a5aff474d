#include <gtest/gtest.h>

#include "common/FakeHttp.h"
#include "service/CloudSetupAPIClient.h"
#include "service/CloudSetupConst.h"

using namespace zelv;

namespace {

class SignInClient : public testing::Test {
protected:
    SignInClient() { FScope->Http = &Http; }

    // The result's fields as one line, or the raised failure's text.
    std::string RequestCode(int AStatus, std::string ABody, UString AContentType = u"application/json")
    {
        Http.Answer(AStatus, std::move(ABody), std::move(AContentType));
        return Outcome([&] { return Client.RequestCode(u"user@example.test"); });
    }
    std::string VerifyCode(int AStatus, std::string ABody)
    {
        Http.Answer(AStatus, std::move(ABody));
        return Outcome([&] { return Client.VerifyCode(u"user@example.test", u"123456"); });
    }

    static std::string Outcome(const std::function<TAPIResult()>& ACall)
    {
        try {
            TAPIResult R = ACall();
            std::string Line = (R.Success ? "ok" : "failed") + std::string(" error=") + DebugUtf8(R.ErrorCode) +
                               " message=" + DebugUtf8(R.Message) + " expires=" + std::to_string(R.ExpiresInSeconds);
            if (R.Companies) {
                Line += " companies=[";
                for (const TCompanyInfo& C : *R.Companies)
                    Line += DebugUtf8(C.CompanyCode) + "@" + DebugUtf8(C.ServerAddress) + (C.Selected ? "" : "(unselected)") + ";";
                Line += "]";
            }
            return Line;
        } catch (const ECloudSetupError& E) {
            return "raised " + std::string(E.what());
        }
    }

    platform::TPlatformScope FScope;
    test::TFakeHttp Http;
    TCloudAPIClient Client;
};

TEST_F(SignInClient, RequestsArePostsOfCompactJsonWithTheClientsSettings)
{
    Http.Answer(200, "{\"success\":true}");
    Http.Answer(200, "{\"success\":true}");
    Client.RequestCode(u"user@example.test");
    Client.VerifyCode(u"\u00e9l\u00e8ve@example.test", u"012345");

    ASSERT_EQ(Http.Requests.size(), 2u);
    const platform::THttpRequest& Request = Http.Requests[0];
    const platform::THttpRequest& Verify = Http.Requests[1];
    EXPECT_EQ(Request.Method, u"POST");
    EXPECT_EQ(Request.Url, UString(consts::ServiceBaseUrl) + u"/auth/request-code");
    EXPECT_EQ(Request.Body, "{\"email\":\"user@example.test\"}");
    EXPECT_EQ(Verify.Url, UString(consts::ServiceBaseUrl) + u"/auth/verify-code");
    EXPECT_EQ(Verify.Body, "{\"email\":\"\xC3\xA9l\xC3\xA8ve@example.test\",\"code\":\"012345\"}");
    for (const platform::THttpRequest& R : Http.Requests) {
        EXPECT_EQ(R.Headers, (platform::THttpHeaders{{u"Content-Type", u"application/json"}, {u"Accept", u"application/json"}}));
        EXPECT_EQ(R.ConnectTimeoutMs, 15000);
        EXPECT_EQ(R.ResolveTimeoutMs, 15000);
        EXPECT_EQ(R.ReceiveTimeoutMs, 30000);
        EXPECT_EQ(R.ReceiveResponseTimeoutMs, 30000);
    }
}

struct TCase {
    int Status;
    const char* Body;
    const char* Expected;
};

class RequestCodeAnswers : public SignInClient, public testing::WithParamInterface<TCase> {};

TEST_P(RequestCodeAnswers, BecomeTheResult)
{
    EXPECT_EQ(RequestCode(GetParam().Status, GetParam().Body), GetParam().Expected) << GetParam().Body;
}

INSTANTIATE_TEST_SUITE_P(Table, RequestCodeAnswers, testing::Values(
    TCase{200, "{\"success\":true,\"message\":\"Code sent\",\"expiresInSeconds\":900}", "ok error= message=Code sent expires=900"},
    TCase{200, "{\"success\":true}", "ok error= message= expires=600"},
    TCase{500, "{\"success\":true,\"message\":null,\"expiresInSeconds\":null}", "ok error= message= expires=600"},
    TCase{200, "{\"success\":\"TRUE\",\"expiresInSeconds\":\"900\"}", "ok error= message= expires=900"},
    TCase{200, "{\"success\":1,\"message\":42}", "ok error= message=42 expires=600"},
    TCase{200, "{\"success\":true,\"message\":true}", "ok error= message=true expires=600"},
    TCase{200, "{\"success\":true,\"expiresInSeconds\":900.0}", "raised '900.0' is not a valid integer value"},
    TCase{200, "{\"success\":true,\"message\":{}}", "raised Conversion from object to text is not supported"},
    TCase{200, "{\"success\":\"yes\"}", "raised 'yes' is not a valid boolean value"},
    TCase{200, "{\"success\":[]}", "raised Conversion from array to Boolean is not supported"},
    TCase{200, "{\"success\":true,\"success\":false}", "ok error= message= expires=600"},
    TCase{200, "{\"success\":false,\"success\":true}", "failed error=UNKNOWN message=An error occurred. Please try again. expires=0"},
    TCase{200, "{\"Success\":true}", "failed error=UNKNOWN message=An error occurred. Please try again. expires=0"},
    TCase{404, "{\"success\":false,\"error\":\"EMAIL_NOT_FOUND\",\"message\":\"no\"}",
          "failed error=EMAIL_NOT_FOUND message=Email address not found. Please check and try again. expires=0"},
    TCase{429, "{\"success\":0}", "failed error=UNKNOWN message=Please wait before requesting another code. expires=0"},
    TCase{401, "{\"success\":\"false\",\"error\":null}", "failed error=UNKNOWN message=An error occurred. Please try again. expires=0"},
    TCase{500, "{}", "failed error=UNKNOWN message=An error occurred. Please try again. expires=0"},
    TCase{400, "{\"error\":7}", "failed error=7 message=An error occurred. Please try again. expires=0"},
    TCase{404, "<html><body>Not Found</body></html>", "failed error=PARSE_ERROR message=Invalid response from server expires=0"},
    TCase{200, "", "failed error=PARSE_ERROR message=Invalid response from server expires=0"},
    TCase{200, "{\"success\":true", "failed error=PARSE_ERROR message=Invalid response from server expires=0"},
    TCase{200, "{\"success\":true}\r\n", "ok error= message= expires=600"},
    TCase{200, "{\"success\":true} trailing", "failed error=PARSE_ERROR message=Invalid response from server expires=0"},
    TCase{200, "[]", "raised Invalid class typecast"},
    TCase{200, "null", "raised Invalid class typecast"},
    TCase{200, "\"success\"", "raised Invalid class typecast"},
    TCase{200, "42", "raised Invalid class typecast"},
    TCase{200, "null\n", "failed error=PARSE_ERROR message=Invalid response from server expires=0"}));

class VerifyCodeAnswers : public SignInClient, public testing::WithParamInterface<TCase> {};

TEST_P(VerifyCodeAnswers, BecomeTheResult)
{
    EXPECT_EQ(VerifyCode(GetParam().Status, GetParam().Body), GetParam().Expected) << GetParam().Body;
}

INSTANTIATE_TEST_SUITE_P(Table, VerifyCodeAnswers, testing::Values(
    TCase{200, "{\"success\":true,\"message\":\"ignored\",\"expiresInSeconds\":5,\"companies\":["
               "{\"companyCode\":\"ZED\",\"serverAddress\":\"rds.zed.test\"},"
               "{\"companyCode\":\" abc \",\"serverAddress\":null},"
               "{\"serverAddress\":\"x\",\"companyCode\":42,\"companyCode\":\"later\"},"
               "{\"companyCode\":4.20},{},"
               "{\"companyCode\":\"ZED\",\"serverAddress\":\"rds.zed.test\"}]}",
          "ok error= message=Verification successful expires=0 companies=[ZED@rds.zed.test; abc @;42@x;4.20@;@;ZED@rds.zed.test;]"},
    TCase{200, "{\"success\":true}", "ok error= message=Verification successful expires=0 companies=[]"},
    TCase{500, "{\"success\":true,\"companies\":null}", "ok error= message=Verification successful expires=0 companies=[]"},
    TCase{200, "{\"success\":true,\"companies\":[]}", "ok error= message=Verification successful expires=0 companies=[]"},
    TCase{200, "{\"success\":true,\"companies\":{}}", "raised Invalid class typecast"},
    TCase{200, "{\"success\":true,\"companies\":\"ZED\"}", "raised Invalid class typecast"},
    TCase{200, "{\"success\":true,\"companies\":[{\"companyCode\":\"A\"},null]}", "raised Invalid class typecast"},
    TCase{200, "{\"success\":true,\"companies\":[{\"companyCode\":\"A\"},[]]}", "raised Invalid class typecast"},
    TCase{200, "{\"success\":true,\"companies\":[{\"companyCode\":{\"x\":1}}]}", "raised Conversion from object to text is not supported"},
    TCase{200, "{\"success\":false,\"companies\":{}}", "failed error=UNKNOWN message=An error occurred. Please try again. expires=0"},
    TCase{401, "{\"success\":false,\"error\":\"INVALID_CODE\"}",
          "failed error=INVALID_CODE message=Invalid verification code. Please try again. expires=0"},
    TCase{429, "{\"success\":false}", "failed error=UNKNOWN message=Too many attempts. Please request a new code. expires=0"},
    TCase{404, "{\"success\":false,\"error\":\"EMAIL_NOT_FOUND\"}",
          "failed error=EMAIL_NOT_FOUND message=An error occurred. Please try again. expires=0"},
    TCase{401, "<html>Unauthorized</html>", "failed error=PARSE_ERROR message=Invalid response from server expires=0"},
    TCase{200, "[{\"success\":true}]", "raised Invalid class typecast"}));

TEST_F(SignInClient, BodyIsReadByItsCharset)
{
    EXPECT_EQ(RequestCode(200, "{\"success\":true,\"message\":\"Code envoy\xE9\"}", u"application/json; charset=windows-1252"),
              "ok error= message=Code envoy\\u00E9 expires=600");
    EXPECT_EQ(RequestCode(200, "{\"success\":true,\"message\":\"Code envoy\xC3\xA9\"}", u"application/json; charset=Utf-8"),
              "ok error= message=Code envoy\\u00E9 expires=600");
    EXPECT_EQ(RequestCode(200, "{\"success\":true,\"message\":\"Code envoy\xC3\xA9\"}", u""),
              "ok error= message=Code envoy\\u00E9 expires=600");
}

TEST_F(SignInClient, TransportFailurePropagatesWithItsText)
{
    Http.Fail(u"The operation timed out (error 12002)");
    EXPECT_EQ(Outcome([&] { return Client.VerifyCode(u"user@example.test", u"123456"); }),
              "raised The operation timed out (error 12002)");
    // The client is usable again after a failure.
    EXPECT_EQ(RequestCode(200, "{\"success\":true}"), "ok error= message= expires=600");
}

}  // namespace
