#include "profiles/CloudSetupPlatform.h"

#include <cmath>
#include <limits>

#include "core/CloudSetupError.h"
#include "platform/Platform.h"

namespace zelv {

namespace {

constexpr char16_t DesktopFolderName[] = u"Desktop";
constexpr int32_t FallbackWidth = 1920;
constexpr int32_t FallbackHeight = 1080;
constexpr uint16_t ProcessorArchitectureAmd64 = 9;

bool IsInvalidPathChar(char16_t AChar)
{
    return AChar < 0x20 || AChar == u'"' || AChar == u'<' || AChar == u'>' || AChar == u'|';
}

// The profile folder joined with "Desktop". Wildcards pass: they are not invalid in a path as such.
UString JoinProfileDesktop(const UString& AProfile)
{
    if (AProfile.empty())
        return DesktopFolderName;
    for (char16_t C : AProfile)
        if (IsInvalidPathChar(C))
            throw ECloudSetupError(u"Invalid characters in path");
    char16_t Last = AProfile.back();
    if (Last == u'\\' || Last == u'/' || Last == u':')
        return AProfile + DesktopFolderName;
    return AProfile + u'\\' + DesktopFolderName;
}

// Rounds to the nearest integer, a tie to the even neighbour, whatever the floating-point
// environment; values beyond 32 bits are held at the limit.
int32_t RoundHalfEven(double AValue)
{
    constexpr double Lowest = std::numeric_limits<int32_t>::min();
    constexpr double Highest = std::numeric_limits<int32_t>::max();
    if (std::isnan(AValue))
        return 0;
    double Floor = std::floor(AValue);
    double Fraction = AValue - Floor;
    double Rounded = Floor;
    if (Fraction > 0.5 || (Fraction == 0.5 && std::fmod(Floor, 2.0) != 0.0))
        Rounded = Floor + 1.0;
    if (Rounded <= Lowest)
        return std::numeric_limits<int32_t>::min();
    if (Rounded >= Highest)
        return std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(Rounded);
}

}  // namespace

UString GetDesktopPath()
{
    UString Path;
    if (std::optional<UString> Shell = platform::Workstation().ShellDesktopFolder())
        Path = *Shell;
    else
        Path = JoinProfileDesktop(platform::Environment().Variable(u"USERPROFILE").value_or(UString()));
    // Only a shell that reports success with an empty folder gets here.
    if (Path.empty())
        throw ECloudSetupError(u"Could not determine Desktop path");
    return Path;
}

void GetScreenResolution(int32_t& AWidth, int32_t& AHeight)
{
    std::optional<platform::TScreenCaps> Caps = platform::Workstation().ScreenCaps();
    if (!Caps || Caps->DesktopHorzRes <= 0 || Caps->VertRes <= 0) {
        AWidth = FallbackWidth;
        AHeight = FallbackHeight;
        return;
    }
    // The work area comes in the logical units this process is shown under display scaling; the
    // vertical ratio of physical to logical height undoes that scaling for both axes alike.
    double Scale = static_cast<double>(Caps->DesktopVertRes) / static_cast<double>(Caps->VertRes);
    std::optional<platform::TWorkArea> Area = platform::Workstation().WorkArea();
    if (!Area) {
        AWidth = Caps->DesktopHorzRes;
        AHeight = Caps->DesktopVertRes;
        return;
    }
    AWidth = RoundHalfEven((static_cast<double>(Area->Right) - Area->Left) * Scale);
    AHeight = RoundHalfEven((static_cast<double>(Area->Bottom) - Area->Top) * Scale);
}

bool IsNative64Bit()
{
    return platform::Workstation().NativeProcessorArchitecture() == ProcessorArchitectureAmd64;
}

}  // namespace zelv
