#pragma once

#include <memory>

#include "core/CloudSetupText.h"
#include "platform/IHttpClient.h"
#include "service/CloudSetupJson.h"
#include "service/CloudSetupTypes.h"

namespace zelv {

// The program's one link to the sign-in service. Calls block their thread until the answer is
// read or the request fails; a failure to obtain any answer is raised as ECloudSetupError.
class TCloudAPIClient {
public:
    TCloudAPIClient();   // Create
    ~TCloudAPIClient();  // Destroy
    TCloudAPIClient(const TCloudAPIClient&) = delete;
    TCloudAPIClient& operator=(const TCloudAPIClient&) = delete;

    TAPIResult RequestCode(const UString& AEmail);
    TAPIResult VerifyCode(const UString& AEmail, const UString& ACode);

private:
    class THttpClient;

    platform::THttpResponse PostJSON(const UString& APath, const json::TStringMembers& AObject);
    static std::unique_ptr<TCompanyList> ParseCompanies(const json::TValue* AArray);

    std::unique_ptr<THttpClient> FHttpClient;
};

}  // namespace zelv
