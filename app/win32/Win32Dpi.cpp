#include "app/win32/Win32Dpi.h"

#include "app/win32/Win32Gdi.h"

namespace zelv::win32 {

UINT SystemDpi()
{
    const TWindowDC Screen(nullptr);
    const int Dpi = GetDeviceCaps(Screen.Get(), LOGPIXELSY);
    return Dpi > 0 ? Dpi : 96;
}

// Resolved at run time: the per-monitor DPI functions exist from Windows 10 on, and the program
// still starts on older systems, where the system DPI applies.
UINT DpiOfWindow(HWND AWindow)
{
    using TGetDpiForWindow = UINT(WINAPI*)(HWND);
    static const auto GetDpi = reinterpret_cast<TGetDpiForWindow>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (GetDpi)
        if (UINT Dpi = GetDpi(AWindow))
            return Dpi;
    return SystemDpi();
}

void AdjustForDpi(RECT& ARect, DWORD AStyle, DWORD AExStyle, UINT ADpi)
{
    using TAdjust = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
    static const auto Adjust = reinterpret_cast<TAdjust>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "AdjustWindowRectExForDpi")));
    if (Adjust)
        Adjust(&ARect, AStyle, FALSE, AExStyle, ADpi);
    else
        AdjustWindowRectEx(&ARect, AStyle, FALSE, AExStyle);
}

}  // namespace zelv::win32
