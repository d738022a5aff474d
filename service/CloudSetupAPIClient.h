#pragma once

#include "core/CloudSetupText.h"
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
};

}  // namespace zelv
