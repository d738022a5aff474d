#include "platform/win32/Win32Text.h"

namespace zelv::win32 {

UString SystemErrorText(DWORD ACode, HMODULE AModule)
{
    wchar_t* Buffer = nullptr;
    DWORD Flags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS |
                  (AModule ? FORMAT_MESSAGE_FROM_HMODULE : FORMAT_MESSAGE_FROM_SYSTEM);
    DWORD Length = FormatMessageW(Flags, AModule, ACode, 0, reinterpret_cast<wchar_t*>(&Buffer), 0, nullptr);
    UString Result = Length ? U(Buffer, Length) : UString();
    if (Buffer)
        LocalFree(Buffer);
    return Result;
}

UString WindowText(HWND AWindow)
{
    const int Length = GetWindowTextLengthW(AWindow);
    std::wstring Text(static_cast<size_t>(Length) + 1, L'\0');
    Text.resize(static_cast<size_t>(GetWindowTextW(AWindow, Text.data(), Length + 1)));
    return U(Text);
}

}  // namespace zelv::win32
