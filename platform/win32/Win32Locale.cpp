#include "platform/win32/Win32Locale.h"

#include "core/CloudSetupError.h"
#include "platform/win32/Win32Text.h"

namespace zelv::win32 {

TWin32Locale::TWin32Locale()
{
    FLocale = GetThreadLocale();
    if (FLocale == 0)
        FLocale = 1033;
}

UString TWin32Locale::LowerCaseLinguistic(UStringView AText)
{
    if (AText.empty())
        return UString();
    const DWORD Flags = LCMAP_LOWERCASE | LCMAP_LINGUISTIC_CASING;
    std::wstring Source = ToW(AText);
    int Needed = LCMapStringW(FLocale, Flags, Source.c_str(), static_cast<int>(Source.size()), nullptr, 0);
    if (Needed <= 0) {
        DWORD Code = GetLastError();
        RaiseOSError(Code, SystemErrorText(Code));
    }
    std::wstring Result(static_cast<size_t>(Needed), L'\0');
    Needed = LCMapStringW(FLocale, Flags, Source.c_str(), static_cast<int>(Source.size()), Result.data(), Needed);
    if (Needed <= 0) {
        DWORD Code = GetLastError();
        RaiseOSError(Code, SystemErrorText(Code));
    }
    Result.resize(static_cast<size_t>(Needed));
    return U(Result);
}

}  // namespace zelv::win32
