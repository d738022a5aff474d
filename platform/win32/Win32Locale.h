#pragma once

#include <windows.h>

#include "platform/ILocale.h"

namespace zelv::win32 {

class TWin32Locale : public platform::ILocale {
public:
    // Records the locale of the calling (main) thread, or 1033 when the system reports none.
    TWin32Locale();
    explicit TWin32Locale(LCID ALocale) : FLocale(ALocale) {}
    UString LowerCaseLinguistic(UStringView AText) override;
    LCID Locale() const { return FLocale; }

private:
    LCID FLocale;
};

}  // namespace zelv::win32
