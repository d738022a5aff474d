#include <gtest/gtest.h>

#include "common/WorkstationFakes.h"
#include "core/CloudSetupError.h"
#include "profiles/CloudSetupPlatform.h"

using namespace zelv;

namespace {

class WorkstationQueries : public testing::Test {
protected:
    test::TFakeWorkstation FWorkstation;
    test::TFakeEnvironment FEnvironment;
    platform::TPlatformScope FScope;
    void SetUp() override
    {
        FScope->Workstation = &FWorkstation;
        FScope->Environment = &FEnvironment;
    }
};

// --- Desktop folder ---

struct TDesktopCase {
    const char* Name;
    std::optional<UString> Shell;    // none: the shell call fails
    std::optional<UString> Profile;  // none: USERPROFILE is not set
    UString Expected;                // empty: the failure in ExpectedError
    UString ExpectedError;
};

class DesktopPath : public WorkstationQueries, public testing::WithParamInterface<TDesktopCase> {};

TEST_P(DesktopPath, ShellFolderOrProfileFallback)
{
    const TDesktopCase& C = GetParam();
    FWorkstation.Desktop = C.Shell;
    if (C.Profile)
        FEnvironment.Variables[u"USERPROFILE"] = *C.Profile;
    if (C.ExpectedError.empty()) {
        EXPECT_EQ(GetDesktopPath(), C.Expected);
        return;
    }
    try {
        UString Path = GetDesktopPath();
        FAIL() << "no failure, got " << DebugUtf8(Path);
    } catch (const ECloudSetupError& E) {
        EXPECT_EQ(E.Message(), C.ExpectedError);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, DesktopPath,
    testing::Values(
        TDesktopCase{"ShellFolderUnchanged", u"C:\\Users\\user1\\Desktop", u"C:\\Other", u"C:\\Users\\user1\\Desktop", u""},
        TDesktopCase{"ShellFolderWithTrailingBackslashKept", u"C:\\Users\\user1\\Desktop\\", std::nullopt,
                     u"C:\\Users\\user1\\Desktop\\", u""},
        TDesktopCase{"ShellEmptyIsAFailure", u"", u"C:\\Users\\user1", u"", u"Could not determine Desktop path"},
        TDesktopCase{"ProfileJoined", std::nullopt, u"C:\\Users\\user1", u"C:\\Users\\user1\\Desktop", u""},
        TDesktopCase{"ProfileTrailingBackslashNotDoubled", std::nullopt, u"C:\\Users\\user1\\",
                     u"C:\\Users\\user1\\Desktop", u""},
        TDesktopCase{"ProfileTrailingSlash", std::nullopt, u"C:/Users/user1/", u"C:/Users/user1/Desktop", u""},
        TDesktopCase{"ProfileBareDrive", std::nullopt, u"D:", u"D:Desktop", u""},
        TDesktopCase{"ProfileUnsetGivesRelativeName", std::nullopt, std::nullopt, u"Desktop", u""},
        TDesktopCase{"ProfileEmptyGivesRelativeName", std::nullopt, u"", u"Desktop", u""},
        TDesktopCase{"ProfileWildcardsAccepted", std::nullopt, u"C:\\U*?", u"C:\\U*?\\Desktop", u""},
        TDesktopCase{"ProfileQuoteRefused", std::nullopt, u"C:\\\"x\"", u"", u"Invalid characters in path"},
        TDesktopCase{"ProfilePipeRefused", std::nullopt, u"C:\\a|b", u"", u"Invalid characters in path"},
        TDesktopCase{"ProfileAngleBracketRefused", std::nullopt, u"C:\\a<b", u"", u"Invalid characters in path"},
        TDesktopCase{"ProfileControlCharacterRefused", std::nullopt, u"C:\\a\tb", u"", u"Invalid characters in path"}),
    [](const testing::TestParamInfo<TDesktopCase>& AInfo) { return std::string(AInfo.param.Name); });

// --- Screen size ---

struct TScreenCase {
    const char* Name;
    std::optional<platform::TScreenCaps> Caps;
    std::optional<platform::TWorkArea> Area;
    int32_t Width;
    int32_t Height;
};

class ScreenResolution : public WorkstationQueries, public testing::WithParamInterface<TScreenCase> {};

TEST_P(ScreenResolution, WorkAreaScaledByTheVerticalFactor)
{
    const TScreenCase& C = GetParam();
    FWorkstation.Caps = C.Caps;
    FWorkstation.Area = C.Area;
    int32_t Width = -1;
    int32_t Height = -1;
    GetScreenResolution(Width, Height);
    EXPECT_EQ(Width, C.Width);
    EXPECT_EQ(Height, C.Height);
}

using TCaps = platform::TScreenCaps;
using TArea = platform::TWorkArea;

INSTANTIATE_TEST_SUITE_P(
    Table, ScreenResolution,
    testing::Values(
        TScreenCase{"Unscaled", TCaps{1920, 1080, 1080}, TArea{0, 0, 1920, 1040}, 1920, 1040},
        TScreenCase{"OneAndAHalfTieGoesToEven", TCaps{2560, 1440, 960}, TArea{0, 0, 1707, 912}, 2560, 1368},
        TScreenCase{"FactorTwo", TCaps{2560, 1440, 720}, TArea{0, 0, 1280, 680}, 2560, 1360},
        TScreenCase{"OffsetWorkArea", TCaps{1920, 1080, 1080}, TArea{100, 40, 1920, 1080}, 1820, 1040},
        TScreenCase{"TiesGoUpToEven", TCaps{100, 150, 100}, TArea{0, 0, 5, 1}, 8, 2},
        TScreenCase{"TiesGoDownToEven", TCaps{100, 150, 100}, TArea{0, 0, 7, 3}, 10, 4},
        TScreenCase{"WorkAreaFailsGivesDesktopUnscaled", TCaps{3840, 2160, 1440}, std::nullopt, 3840, 2160},
        TScreenCase{"NoHorizontalResolution", TCaps{0, 1080, 1080}, TArea{0, 0, 800, 600}, 1920, 1080},
        TScreenCase{"NegativeHorizontalResolution", TCaps{-5, 1080, 1080}, TArea{0, 0, 800, 600}, 1920, 1080},
        TScreenCase{"NoLogicalHeight", TCaps{1920, 1080, 0}, TArea{0, 0, 800, 600}, 1920, 1080},
        TScreenCase{"NoDeviceContext", std::nullopt, TArea{0, 0, 800, 600}, 1920, 1080},
        TScreenCase{"HugeFactorHeldAt32Bits", TCaps{1, 2147483647, 1}, TArea{0, 0, 4, 4}, 2147483647, 2147483647}),
    [](const testing::TestParamInfo<TScreenCase>& AInfo) { return std::string(AInfo.param.Name); });

TEST_F(WorkstationQueries, FallbackSizeAsksNoWorkArea)
{
    FWorkstation.Caps = TCaps{1920, 1080, 0};
    int32_t Width = 0;
    int32_t Height = 0;
    GetScreenResolution(Width, Height);
    EXPECT_EQ(FWorkstation.WorkAreaCalls, 0);
}

// --- Architecture ---

TEST_F(WorkstationQueries, OnlyAmd64IsNative64Bit)
{
    const std::pair<uint16_t, bool> Cases[] = {{9, true}, {0, false}, {5, false}, {6, false}, {12, false}, {0xFFFF, false}};
    for (auto [Architecture, Expected] : Cases) {
        FWorkstation.Architecture = Architecture;
        EXPECT_EQ(IsNative64Bit(), Expected) << "architecture " << Architecture;
    }
}

}  // namespace
