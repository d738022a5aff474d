#include "platform/IHttpClient.h"

namespace zelv::platform {

UString THttpResponse::Header(UStringView AName) const
{
    const UString Wanted = AsciiLower(AName);
    for (const auto& [Name, Value] : Headers)
        if (AsciiLower(Name) == Wanted)
            return Value;
    return UString();
}

}  // namespace zelv::platform
