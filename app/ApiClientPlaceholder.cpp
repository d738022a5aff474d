// Temporary: lets the window build and run until the service client's implementation is merged.
// Delete this file (and its line in app/CMakeLists.txt) when service/CloudSetupAPIClient.cpp exists.
#include "core/CloudSetupError.h"
#include "service/CloudSetupAPIClient.h"

namespace zelv {

TCloudAPIClient::TCloudAPIClient() = default;
TCloudAPIClient::~TCloudAPIClient() = default;

TAPIResult TCloudAPIClient::RequestCode(const UString&)
{
    throw ECloudSetupError(u"The sign-in service client is not built in yet.");
}

TAPIResult TCloudAPIClient::VerifyCode(const UString&, const UString&)
{
    throw ECloudSetupError(u"The sign-in service client is not built in yet.");
}

}  // namespace zelv
