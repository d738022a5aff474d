#include "platform/win32/Win32Workstation.h"

#include <shlobj.h>

#include "platform/win32/UniqueHandle.h"
#include "platform/win32/Win32Text.h"

namespace zelv::win32 {

namespace {

void ReleaseScreenDC(HDC AContext) { ::ReleaseDC(nullptr, AContext); }
using UniqueScreenDC = UniqueHandle<HDC, ReleaseScreenDC>;

}  // namespace

std::optional<UString> TWin32Workstation::ShellDesktopFolder()
{
    wchar_t Buffer[MAX_PATH + 1] = {};
    // The file-system folder, not the virtual desktop root; never created here.
    if (!SHGetSpecialFolderPathW(nullptr, Buffer, CSIDL_DESKTOPDIRECTORY, FALSE))
        return std::nullopt;
    Buffer[MAX_PATH] = L'\0';
    return U(Buffer);
}

std::optional<platform::TScreenCaps> TWin32Workstation::ScreenCaps()
{
    UniqueScreenDC Screen(GetDC(nullptr));
    if (!Screen)
        return std::nullopt;
    platform::TScreenCaps Caps;
    Caps.DesktopHorzRes = GetDeviceCaps(Screen.Get(), DESKTOPHORZRES);
    Caps.DesktopVertRes = GetDeviceCaps(Screen.Get(), DESKTOPVERTRES);
    Caps.VertRes = GetDeviceCaps(Screen.Get(), VERTRES);
    return Caps;
}

std::optional<platform::TWorkArea> TWin32Workstation::WorkArea()
{
    RECT Area = {};
    if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &Area, 0))
        return std::nullopt;
    return platform::TWorkArea{Area.left, Area.top, Area.right, Area.bottom};
}

uint16_t TWin32Workstation::NativeProcessorArchitecture()
{
    SYSTEM_INFO Info = {};
    GetNativeSystemInfo(&Info);
    return Info.wProcessorArchitecture;
}

}  // namespace zelv::win32
