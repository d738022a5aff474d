#include "platform/Platform.h"

#include "core/CloudSetupError.h"

namespace zelv::platform {

TPlatform& Current()
{
    static TPlatform GPlatform;
    return GPlatform;
}

void RaiseMissing(const char* AName)
{
    throw ECloudSetupError(u"Platform service not installed: " + AsciiToU(AName));
}

}  // namespace zelv::platform
