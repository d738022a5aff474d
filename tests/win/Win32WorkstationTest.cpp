#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include "platform/win32/Win32Text.h"
#include "platform/win32/Win32Workstation.h"
#include "profiles/CloudSetupPlatform.h"

using namespace zelv;

namespace {

TEST(Win32Workstation, DesktopPathIsTheShellsFolder)
{
    wchar_t Expected[MAX_PATH] = {};
    ASSERT_EQ(SHGetFolderPathW(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, SHGFP_TYPE_CURRENT, Expected), S_OK);
    UString Path = GetDesktopPath();
    EXPECT_EQ(Path, win32::U(Expected));
    EXPECT_NE(GetFileAttributesW(win32::W(Path)), INVALID_FILE_ATTRIBUTES) << "the prefix has a desktop folder";
}

TEST(Win32Workstation, ScreenSizeIsTheWorkAreaOfTheUnscaledScreen)
{
    // The bench's screen is unscaled, so the result is the work area itself.
    RECT Area = {};
    ASSERT_TRUE(SystemParametersInfoW(SPI_GETWORKAREA, 0, &Area, 0));
    int32_t Width = 0;
    int32_t Height = 0;
    GetScreenResolution(Width, Height);
    EXPECT_EQ(Width, Area.right - Area.left);
    EXPECT_EQ(Height, Area.bottom - Area.top);
    EXPECT_GT(Width, 0);
    EXPECT_GT(Height, 0);
}

TEST(Win32Workstation, ScreenCapsAreReadAndTheContextReleased)
{
    win32::TWin32Workstation Workstation;
    DWORD Before = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    for (int I = 0; I < 50; ++I) {
        std::optional<platform::TScreenCaps> Caps = Workstation.ScreenCaps();
        ASSERT_TRUE(Caps);
        EXPECT_GT(Caps->DesktopHorzRes, 0);
        EXPECT_EQ(Caps->DesktopVertRes, Caps->VertRes) << "unscaled screen";
    }
    EXPECT_LE(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), Before + 1);
}

TEST(Win32Workstation, SixtyFourBitWinePrefixIsNative64Bit)
{
    EXPECT_TRUE(IsNative64Bit());
}

}  // namespace
