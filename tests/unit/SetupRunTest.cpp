#include <gtest/gtest.h>

#include <set>

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

TEST_F(SetupRun, AddInNotInstalledIsAnErrorButRegistryAndUdpStillRun)
{
    FDownloadOk = false;
    FDownloadError = u"DLL not installed \u2014 download timed out";
    EXPECT_TRUE(Run({0}));
    std::vector<UString> Expected = Join({u"RDP: C:\\Users\\u1\\Desktop\\ab1.rdp"}, Tail());
    Expected[2] = u"ERROR: DLL not installed \u2014 download timed out";
    EXPECT_EQ(FLog, Expected);
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

TEST_F(SetupRun, AFailureRaisedByALaterStepEndsTheRunWithAnError)
{
    FRegRaises = true;
    EXPECT_TRUE(Run({0}));
    EXPECT_EQ(FLog.back(), u"ERROR: Failed to set data for 'Name'");
    EXPECT_EQ(FLog[FLog.size() - 2], u"Configuring registry...");
    EXPECT_EQ(FCalls.back(), u"register") << "the UDP step is skipped";
}

}  // namespace
