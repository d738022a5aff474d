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

UString BodyTooLargeText(size_t AMaxBodyBytes)
{
    const UString Size = AMaxBodyBytes % OneMiB == 0 ? IntToUStr(static_cast<long long>(AMaxBodyBytes / OneMiB)) + u" MiB"
                                                     : IntToUStr(static_cast<long long>(AMaxBodyBytes)) + u" bytes";
    return u"The server's answer is larger than the limit of " + Size;
}

UString DeadlinePassedText(int ADeadlineMs)
{
    const UString Time = ADeadlineMs % 1000 == 0 ? IntToUStr(ADeadlineMs / 1000) + u" seconds"
                                                 : IntToUStr(ADeadlineMs) + u" milliseconds";
    // Says "timed out", so that it reads as every other time-out wherever a rule looks for one.
    return u"The request timed out: the server's answer did not arrive in full within " + Time;
}

}  // namespace zelv::platform
