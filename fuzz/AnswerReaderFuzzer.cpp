// Any answer of the sign-in service (status, content type, body): the client returns a result or
// raises its failure; it never crashes, leaks or reports success without the service saying so.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>

#include "common/FakeHttp.h"
#include "core/CloudSetupError.h"
#include "platform/posix/IconvCodePage.h"
#include "service/CloudSetupAPIClient.h"

using namespace zelv;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* AData, size_t ASize)
{
    static posix::TIconvCodePage CodePage;
    static const UString ContentTypes[] = {u"application/json", u"", u"application/json; charset=UTF-8",
                                           u"text/html; charset=iso-8859-1", u"application/json; charset=windows-1252",
                                           u"application/json; charset=utf-16"};
    FuzzedDataProvider Data(AData, ASize);
    const bool Verify = Data.ConsumeBool();
    const int Status = Data.PickValueInArray({200, 400, 401, 404, 429, 500, 302});
    const UString ContentType = Data.PickValueInArray(ContentTypes);
    const std::string Body = Data.ConsumeRemainingBytesAsString();

    test::TFakeHttp Http;
    platform::TPlatformScope Scope;
    Scope->CodePage = &CodePage;
    Scope->Http = &Http;
    Http.Answer(Status, Body, ContentType);
    try {
        TCloudAPIClient Client;
        TAPIResult Result = Verify ? Client.VerifyCode(u"a@b.c", u"123456") : Client.RequestCode(u"a@b.c");
        if (Result.Success && Body.find("true") == std::string::npos && Body.find('1') == std::string::npos &&
            Body.find("TRUE") == std::string::npos)
            std::abort();  // success must come from the answer
        if (Result.Companies && (!Verify || !Result.Success))
            std::abort();
        if (!Result.Success && Result.Message.empty())
            std::abort();
    } catch (const ECloudSetupError& E) {
        if (E.Message().empty())
            std::abort();
    }
    return 0;
}
