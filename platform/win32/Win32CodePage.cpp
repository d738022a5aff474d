#include "platform/win32/Win32CodePage.h"

#include "core/CloudSetupError.h"
#include "platform/win32/Win32Text.h"

namespace zelv::win32 {

namespace {

[[noreturn]] void RaiseLast()
{
    DWORD Code = GetLastError();
    RaiseOSError(Code, SystemErrorText(Code));
}

}  // namespace

unsigned TWin32CodePage::AnsiCodePage() { return GetACP(); }

std::string TWin32CodePage::FromUnicode(unsigned ACodePage, UStringView AText)
{
    if (AText.empty())
        return std::string();
    const wchar_t* Source = reinterpret_cast<const wchar_t*>(AText.data());
    int Length = static_cast<int>(AText.size());
    int Needed = WideCharToMultiByte(ACodePage, 0, Source, Length, nullptr, 0, nullptr, nullptr);
    if (Needed <= 0)
        RaiseLast();
    std::string Result(static_cast<size_t>(Needed), '\0');
    const int Written = WideCharToMultiByte(ACodePage, 0, Source, Length, Result.data(), Needed, nullptr, nullptr);
    if (Written <= 0)
        RaiseLast();
    Result.resize(static_cast<size_t>(Written));
    return Result;
}

bool TWin32CodePage::RepresentsExactly(unsigned ACodePage, UStringView AText)
{
    if (AText.empty())
        return true;
    const wchar_t* Source = reinterpret_cast<const wchar_t*>(AText.data());
    int Length = static_cast<int>(AText.size());
    if (ACodePage == CP_UTF8) {
        // UTF-8 holds every character; only unpaired surrogates are lost. The default-character
        // arguments must stay null for UTF-8.
        return WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, Source, Length, nullptr, 0, nullptr, nullptr) > 0;
    }
    BOOL UsedDefault = FALSE;
    int Needed = WideCharToMultiByte(ACodePage, WC_NO_BEST_FIT_CHARS, Source, Length, nullptr, 0, nullptr, &UsedDefault);
    if (Needed <= 0 || UsedDefault)
        return false;
    // A round trip catches the few conversions that neither flag reports.
    // A conversion that fails here fails the caller's write with the system's reason; the buffer
    // holds nothing to judge by.
    std::string Bytes(static_cast<size_t>(Needed), '\0');
    const int Written =
        WideCharToMultiByte(ACodePage, WC_NO_BEST_FIT_CHARS, Source, Length, Bytes.data(), Needed, nullptr, &UsedDefault);
    if (Written <= 0)
        RaiseLast();
    Bytes.resize(static_cast<size_t>(Written));
    return !UsedDefault && ToUnicode(ACodePage, Bytes) == AText;
}

UString TWin32CodePage::ToUnicode(unsigned ACodePage, std::string_view ABytes)
{
    if (ABytes.empty())
        return UString();
    int Length = static_cast<int>(ABytes.size());
    int Needed = MultiByteToWideChar(ACodePage, 0, ABytes.data(), Length, nullptr, 0);
    if (Needed <= 0)
        RaiseLast();
    std::wstring Result(static_cast<size_t>(Needed), L'\0');
    if (MultiByteToWideChar(ACodePage, 0, ABytes.data(), Length, Result.data(), Needed) <= 0)
        RaiseLast();
    return U(Result);
}

}  // namespace zelv::win32
