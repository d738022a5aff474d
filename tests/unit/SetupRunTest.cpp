#include <gtest/gtest.h>

#include <new>
#include <set>
#include <stdexcept>

#include "app/CloudSetupRun.h"
#include "core/CloudSetupError.h"

using namespace zelv;

namespace {

class SetupRun : public testing::Test {
protected:
    TCompanyList FCompanies{{u"ab1", u"10.0.0.5", true}, {u"VOD", u"rds.cloud", true}, {u"hqv", u"", true}};
    std::set<UString> FFailingCodes;
    bool FDesktopMissing = false;
    bool FDownloadOk = true;
    UString FDownloadError;
    bool FRegOk = true;
    bool FRegRaises = false;
    bool FUdpOk = true;
    std::vector<UString> FCalls;
    std::vector<UString> FLog;

    TSetupSteps Steps()
    {
        TSetupSteps S;
        S.GetDesktopPath = [this] {
            FCalls.push_back(u"desktop");
            if (FDesktopMissing)
                throw ECloudSetupError(u"Could not determine Desktop path");
            return UString(u"C:\\Users\\u1\\Desktop");
        };
        S.WriteRDPFile = [this](const UString& ADesktop, const UString& ACode, const UString&) {
            FCalls.push_back(u"rdp " + ACode);
            if (FFailingCodes.count(ACode))
                throw ECloudSetupError(u"Cannot create file \"x\". Access is denied");
            return ADesktop + u"\\" + ACode + u".rdp";
        };
        S.DownloadDLL = [this](UString& AError) {
            FCalls.push_back(u"download");
            AError = FDownloadError;
            return FDownloadOk;
        };
        S.GetDLLInstallPath = [] { return UString(u"C:\\ProgramData\\ZelvCloud\\"); };
        S.GetDLLFileName = [] { return UString(u"zelvcloud64.dll"); };
        S.RegisterDLLInRegistry = [this] {
            FCalls.push_back(u"register");
            if (FRegRaises)
                throw ECloudSetupError(u"Failed to set data for 'Name'");
            return FRegOk;
        };
        S.DisableUDP = [this] {
            FCalls.push_back(u"udp");
            return FUdpOk;
        };
        return S;
    }

    bool Run(std::vector<intptr_t> AIndices)
    {
        return RunSetup(Steps(), FCompanies, AIndices, [this](const UString& ALine) { FLog.push_back(ALine); });
    }

    // The lines every run ends with when the add-in, registration and UDP steps all succeed.
    static std::vector<UString> Tail()
    {
        return {u"Downloading zelvcloud DLL...", u"DLL: C:\\ProgramData\\ZelvCloud\\zelvcloud64.dll",
                u"Configuring registry...", u"Registry configured", u"Disabling UDP (may prompt for admin)...",
                u"UDP disabled for RDP"};
    }
    static std::vector<UString> Join(std::vector<UString> AHead, const std::vector<UString>& ATail)
    {
        AHead.insert(AHead.end(), ATail.begin(), ATail.end());
        return AHead;
    }
};

TEST_F(SetupRun, EverythingSucceedsInTheOrderOfTheTickedItems)
{
    EXPECT_FALSE(Run({2, 0}));
    EXPECT_EQ(FLog, Join({u"RDP: C:\\Users\\u1\\Desktop\\hqv.rdp", u"RDP: C:\\Users\\u1\\Desktop\\ab1.rdp"}, Tail()));
}

TEST_F(SetupRun, IndicesOutsideTheListAreSkippedWithoutALine)
{
    EXPECT_FALSE(Run({-1, 1, 3, 99}));
    EXPECT_EQ(FLog, Join({u"RDP: C:\\Users\\u1\\Desktop\\VOD.rdp"}, Tail()));
}

TEST_F(SetupRun, OneCompanyFailingStandsBetweenTheOthersAndTheRunGoesOn)
{
    FFailingCodes = {u"VOD"};
    EXPECT_TRUE(Run({0, 1, 2}));
    EXPECT_EQ(FLog, Join({u"RDP: C:\\Users\\u1\\Desktop\\ab1.rdp",
                          u"ERROR (RDP VOD): Cannot create file \"x\". Access is denied",
                          u"RDP: C:\\Users\\u1\\Desktop\\hqv.rdp"},
                         Tail()));
}

TEST_F(SetupRun, NoDesktopFolderStopsTheRunAtOnce)
{
    FDesktopMissing = true;
    EXPECT_TRUE(Run({0, 1}));
    EXPECT_EQ(FLog, std::vector<UString>{u"ERROR: Could not determine Desktop path"});
    EXPECT_EQ(FCalls, std::vector<UString>{u"desktop"});
}

// Whatever lies at the path then, it was not verified by this run: the remote-desktop client is
// not pointed at it.
TEST_F(SetupRun, AddInNotInstalledIsAnErrorRegistrationIsSkippedAndUdpStillRuns)
{
    FDownloadOk = false;
    FDownloadError = u"DLL not installed \u2014 download timed out";
    EXPECT_TRUE(Run({0}));
    EXPECT_EQ(FLog, (std::vector<UString>{u"RDP: C:\\Users\\u1\\Desktop\\ab1.rdp", u"Downloading zelvcloud DLL...",
                                          u"ERROR: DLL not installed \u2014 download timed out",
                                          u"Configuring registry...",
                                          u"Note: Registry configuration skipped \u2014 no verified add-in library at "
                                          u"C:\\ProgramData\\ZelvCloud\\zelvcloud64.dll",
                                          u"Disabling UDP (may prompt for admin)...", u"UDP disabled for RDP"}));
    EXPECT_EQ(FCalls, (std::vector<UString>{u"desktop", u"rdp ab1", u"download", u"udp"}));
}

// Without an install folder there is no path to name: the note says so instead of showing the
// bare file name as if it were one.
TEST_F(SetupRun, NoInstallFolderSkipsTheRegistrationWithANoteOfItsOwn)
{
    FDownloadOk = false;
    FDownloadError = u"Could not determine install path";
    TSetupSteps S = Steps();
    S.GetDLLInstallPath = [] { return UString(); };
    EXPECT_TRUE(RunSetup(S, FCompanies, {0}, [this](const UString& ALine) { FLog.push_back(ALine); }));
    EXPECT_EQ(FLog, (std::vector<UString>{u"RDP: C:\\Users\\u1\\Desktop\\ab1.rdp", u"Downloading zelvcloud DLL...",
                                          u"ERROR: Could not determine install path", u"Configuring registry...",
                                          u"Note: Registry configuration skipped \u2014 the add-in's install folder "
                                          u"could not be determined",
                                          u"Disabling UDP (may prompt for admin)...", u"UDP disabled for RDP"}));
    EXPECT_EQ(FCalls, (std::vector<UString>{u"desktop", u"rdp ab1", u"download", u"udp"}));
}

TEST_F(SetupRun, AddInInUseIsSuccessWithANoteOnItsOwnLine)
{
    FDownloadError = u"in use";
    EXPECT_FALSE(Run({0}));
    EXPECT_EQ(FLog[2], u"DLL: C:\\ProgramData\\ZelvCloud\\zelvcloud64.dll\r\nNote: in use");
}

TEST_F(SetupRun, RegistryAndUdpFailuresAreOnlyNotes)
{
    FRegOk = false;
    FUdpOk = false;
    EXPECT_FALSE(Run({0}));
    EXPECT_EQ(FLog[4], u"Note: Registry configuration failed");
    EXPECT_EQ(FLog[6], u"Note: UDP disable requires admin \u2014 skipped");
    EXPECT_EQ(FLog.size(), 7u);
}

// Anything a step throws, not only our own failures, takes the run's failure path.
struct TThrowCase {
    const char* Name;
    const char* Step;
    int Kind;  // 0: bad_alloc, 1: not an exception class at all, 2: a library's exception, 3: our own failure
    std::vector<UString> Log;
    std::vector<UString> Calls;
};

class SetupRunThrow : public SetupRun, public testing::WithParamInterface<TThrowCase> {
protected:
    [[noreturn]] static void Throw(int AKind)
    {
        if (AKind == 0)
            throw std::bad_alloc();
        if (AKind == 1)
            throw 42;
        if (AKind == 3)
            throw ECloudSetupError(u"Access is denied");
        throw std::runtime_error("vector::_M_range_check");
    }
};

TEST_P(SetupRunThrow, EndsInTheRunsOwnFailurePath)
{
    const TThrowCase& C = GetParam();
    TSetupSteps S = Steps();
    const std::string Step = C.Step;
    if (Step == "desktop")
        S.GetDesktopPath = [this, Kind = C.Kind]() -> UString { FCalls.push_back(u"desktop"); Throw(Kind); };
    if (Step == "rdp")
        S.WriteRDPFile = [this, Kind = C.Kind](const UString&, const UString& ACode, const UString&) -> UString {
            FCalls.push_back(u"rdp " + ACode);
            Throw(Kind);
        };
    if (Step == "download")
        S.DownloadDLL = [this, Kind = C.Kind](UString&) -> bool { FCalls.push_back(u"download"); Throw(Kind); };
    if (Step == "register")
        S.RegisterDLLInRegistry = [this, Kind = C.Kind]() -> bool { FCalls.push_back(u"register"); Throw(Kind); };
    if (Step == "udp")
        S.DisableUDP = [this, Kind = C.Kind]() -> bool { FCalls.push_back(u"udp"); Throw(Kind); };

    EXPECT_TRUE(RunSetup(S, FCompanies, {0}, [this](const UString& ALine) { FLog.push_back(ALine); }));
    EXPECT_EQ(FLog, C.Log);
    EXPECT_EQ(FCalls, C.Calls);
}

const UString NoMemory = u"Not enough memory to complete the operation";
const UString Unexpected = u"An unexpected failure stopped the operation";
const UString Rdp = u"RDP: C:\\Users\\u1\\Desktop\\ab1.rdp";

INSTANTIATE_TEST_SUITE_P(
    Table, SetupRunThrow,
    testing::Values(
        TThrowCase{"DesktopOutOfMemory", "desktop", 0, {u"ERROR: " + NoMemory}, {u"desktop"}},
        TThrowCase{"DesktopThrowsAnInt", "desktop", 1, {u"ERROR: " + Unexpected}, {u"desktop"}},
        TThrowCase{"RdpOutOfMemory", "rdp", 0,
                   {u"ERROR (RDP ab1): " + NoMemory, u"Downloading zelvcloud DLL...", u"DLL: C:\\ProgramData\\ZelvCloud\\zelvcloud64.dll",
                    u"Configuring registry...", u"Registry configured", u"Disabling UDP (may prompt for admin)...",
                    u"UDP disabled for RDP"},
                   {u"desktop", u"rdp ab1", u"download", u"register", u"udp"}},
        TThrowCase{"RdpThrowsAnInt", "rdp", 1,
                   {u"ERROR (RDP ab1): " + Unexpected, u"Downloading zelvcloud DLL...", u"DLL: C:\\ProgramData\\ZelvCloud\\zelvcloud64.dll",
                    u"Configuring registry...", u"Registry configured", u"Disabling UDP (may prompt for admin)...",
                    u"UDP disabled for RDP"},
                   {u"desktop", u"rdp ab1", u"download", u"register", u"udp"}},
        TThrowCase{"DownloadOutOfMemory", "download", 0,
                   {Rdp, u"Downloading zelvcloud DLL...", u"ERROR: " + NoMemory},
                   {u"desktop", u"rdp ab1", u"download"}},
        TThrowCase{"DownloadThrowsAnInt", "download", 1,
                   {Rdp, u"Downloading zelvcloud DLL...", u"ERROR: " + Unexpected},
                   {u"desktop", u"rdp ab1", u"download"}},
        TThrowCase{"DownloadLibraryException", "download", 2,
                   {Rdp, u"Downloading zelvcloud DLL...", u"ERROR: vector::_M_range_check"},
                   {u"desktop", u"rdp ab1", u"download"}},
        TThrowCase{"DownloadRaisesItsFailure", "download", 3,
                   {Rdp, u"Downloading zelvcloud DLL...", u"ERROR: Access is denied"},
                   {u"desktop", u"rdp ab1", u"download"}},
        TThrowCase{"RegisterOutOfMemory", "register", 0,
                   {Rdp, u"Downloading zelvcloud DLL...", u"DLL: C:\\ProgramData\\ZelvCloud\\zelvcloud64.dll",
                    u"Configuring registry...", u"ERROR: " + NoMemory},
                   {u"desktop", u"rdp ab1", u"download", u"register"}},
        TThrowCase{"RegisterThrowsAnInt", "register", 1,
                   {Rdp, u"Downloading zelvcloud DLL...", u"DLL: C:\\ProgramData\\ZelvCloud\\zelvcloud64.dll",
                    u"Configuring registry...", u"ERROR: " + Unexpected},
                   {u"desktop", u"rdp ab1", u"download", u"register"}},
        TThrowCase{"UdpOutOfMemory", "udp", 0,
                   {Rdp, u"Downloading zelvcloud DLL...", u"DLL: C:\\ProgramData\\ZelvCloud\\zelvcloud64.dll",
                    u"Configuring registry...", u"Registry configured", u"Disabling UDP (may prompt for admin)...",
                    u"ERROR: " + NoMemory},
                   {u"desktop", u"rdp ab1", u"download", u"register", u"udp"}},
        TThrowCase{"UdpThrowsAnInt", "udp", 1,
                   {Rdp, u"Downloading zelvcloud DLL...", u"DLL: C:\\ProgramData\\ZelvCloud\\zelvcloud64.dll",
                    u"Configuring registry...", u"Registry configured", u"Disabling UDP (may prompt for admin)...",
                    u"ERROR: " + Unexpected},
                   {u"desktop", u"rdp ab1", u"download", u"register", u"udp"}}),
    [](const auto& AInfo) { return std::string(AInfo.param.Name); });

TEST_F(SetupRun, AFailureRaisedByALaterStepEndsTheRunWithAnError)
{
    FRegRaises = true;
    EXPECT_TRUE(Run({0}));
    EXPECT_EQ(FLog.back(), u"ERROR: Failed to set data for 'Name'");
    EXPECT_EQ(FLog[FLog.size() - 2], u"Configuring registry...");
    EXPECT_EQ(FCalls.back(), u"register") << "the UDP step is skipped";
}

}  // namespace
