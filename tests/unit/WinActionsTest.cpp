#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <fstream>
#include <iterator>

#include "common/Fakes.h"
#include "common/WinActionsFakes.h"
#include "common/WorkstationFakes.h"
#include "app/CloudSetupRun.h"
#include "workstation/CloudSetupWinActions.h"
#include "workstation/CloudSetupWinActionsConst.h"

using namespace zelv;
using platform::TRegistryHive;

namespace {

constexpr uint16_t Amd64 = 9;
constexpr uint16_t Arm64 = 12;
const UString Folder = u"C:\\ProgramData\\ZelvCloud\\";
const UString Library64 = Folder + u"zelvcloud64.dll";
const UString InUseText =
    u"DLL already installed but in use. Close all ZELV Cloud RDP sessions, then re-run setup.";
const UString MismatchText =
    u"DLL integrity check failed — hash mismatch. The downloaded file does not match the expected version.";

std::string StandinAddin(const char* AName)
{
    std::ifstream File(std::string(ZELV_TEST_ADDIN_DIR) + "/" + AName, std::ios::binary);
    std::string Bytes((std::istreambuf_iterator<char>(File)), std::istreambuf_iterator<char>());
    if (Bytes.empty())
        ADD_FAILURE() << "stand-in add-in " << AName << " not found";
    return Bytes;
}

class WinActions : public testing::Test {
protected:
    test::TFakeWorkstation FWorkstation;
    test::TFakeEnvironment FEnvironment;
    test::TFakeDownloadHttp FHttp;
    test::TFakeInstallFiles FFiles;
    test::TFakeRegistry FRegistry;
    test::TFakeLauncher FLauncher;
    test::TFakeLocale FLocale;
    platform::TPlatformScope FScope;
    std::vector<std::pair<UString, int>> FProgress;

    void SetUp() override
    {
        FScope->Workstation = &FWorkstation;
        FScope->Environment = &FEnvironment;
        FScope->Http = &FHttp;
        FScope->InstallFiles = &FFiles;
        FScope->Registry = &FRegistry;
        FScope->Launcher = &FLauncher;
        FScope->Locale = &FLocale;
        FWorkstation.Architecture = Amd64;
        FEnvironment.Variables[u"AllUsersProfile"] = u"C:\\ProgramData";
        FHttp.Response.Body = StandinAddin("zelvcloud64.dll");
    }

    bool Download(UString& AError)
    {
        return TWinActions::DownloadDLL([this](const UString& AText, int APercent) { FProgress.emplace_back(AText, APercent); },
                                        AError);
    }
};

// --- Install folder and file name ---

struct TPathCase {
    const char* Name;
    std::optional<UString> AllUsersProfile, Public, SystemDrive;
    UString Expected;
};

class InstallPath : public WinActions, public testing::WithParamInterface<TPathCase> {};

TEST_P(InstallPath, FirstUsableBaseWithBackslashAndFolder)
{
    const TPathCase& C = GetParam();
    FEnvironment.Variables.clear();
    if (C.AllUsersProfile)
        FEnvironment.Variables[u"AllUsersProfile"] = *C.AllUsersProfile;
    if (C.Public)
        FEnvironment.Variables[u"Public"] = *C.Public;
    if (C.SystemDrive)
        FEnvironment.Variables[u"SystemDrive"] = *C.SystemDrive;
    EXPECT_EQ(TWinActions::GetDLLInstallPath(), C.Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, InstallPath,
    testing::Values(
        TPathCase{"AllUsersProfile", u"C:\\ProgramData", u"C:\\Users\\Public", u"C:", u"C:\\ProgramData\\ZelvCloud\\"},
        TPathCase{"OnlySystemDrive", std::nullopt, std::nullopt, u"C:", u"C:\\ZelvCloud\\"},
        TPathCase{"BlankAllUsersProfileFallsToPublic", u"  \t", u"C:\\Users\\Public", u"C:", u"C:\\Users\\Public\\ZelvCloud\\"},
        TPathCase{"EmptyValuesCountAsUnset", u"", u"", u"D:", u"D:\\ZelvCloud\\"},
        TPathCase{"TrailingBackslashNotDoubled", u"C:\\", std::nullopt, std::nullopt, u"C:\\ZelvCloud\\"},
        TPathCase{"ForwardSlashIsNoSeparator", u"D:/data/", std::nullopt, std::nullopt, u"D:/data/\\ZelvCloud\\"},
        TPathCase{"BlanksOfAUsableValueStay", u" C:\\ProgramData ", std::nullopt, std::nullopt, u" C:\\ProgramData \\ZelvCloud\\"},
        TPathCase{"NothingUsable", u" ", u"\r\n", std::nullopt, u""}),
    [](const auto& AInfo) { return std::string(AInfo.param.Name); });

TEST_F(WinActions, FlavourFollowsTheNativeArchitecture)
{
    for (auto [Architecture, Expected] : {std::pair<uint16_t, UString>{Amd64, u"zelvcloud64.dll"},
                                          {0, u"zelvcloud32.dll"}, {6, u"zelvcloud32.dll"}, {Arm64, u"zelvcloud32.dll"}}) {
        FWorkstation.Architecture = Architecture;
        EXPECT_EQ(TWinActions::GetDLLFileName(), Expected) << Architecture;
    }
}

// --- Download ---

TEST_F(WinActions, FreshInstallDownloadsVerifiesAndWrites)
{
    UString Error = u"left over";
    EXPECT_TRUE(Download(Error));
    EXPECT_EQ(Error, u"");

    ASSERT_EQ(FHttp.Requests.size(), 1u);
    const platform::THttpRequest& Request = FHttp.Requests[0];
    EXPECT_EQ(Request.Method, u"GET");
    EXPECT_EQ(Request.Url, UString(consts::AddinDownloadBase) + u"/downloads/zelvcloud/zelvcloud64.dll");
    EXPECT_TRUE(Request.Headers.empty());
    EXPECT_TRUE(Request.Body.empty());
    EXPECT_EQ(Request.ResolveTimeoutMs, 15000);
    EXPECT_EQ(Request.ConnectTimeoutMs, 15000);
    EXPECT_EQ(Request.ReceiveTimeoutMs, 60000);
    EXPECT_EQ(Request.ReceiveResponseTimeoutMs, 60000);
    EXPECT_EQ(Request.SendTimeoutMs, -1);
    EXPECT_EQ(Request.MaxRedirects, 5);
    EXPECT_EQ(Request.MaxBodyBytes, 64u * 1024 * 1024);
    EXPECT_EQ(Request.DeadlineMs, 600000);

    EXPECT_EQ(FFiles.Created, std::vector<UString>{Folder});
    EXPECT_EQ(FFiles.Files.at(Library64), FHttp.Response.Body);
    EXPECT_EQ(FFiles.Files.size(), 1u) << "no temporary file left";
    EXPECT_EQ(FProgress, (std::vector<std::pair<UString, int>>{{u"Downloading zelvcloud64.dll...", 10},
                                                               {u"Download complete", 100}}));
}

TEST_F(WinActions, NativeArm64GetsThe32BitLibrary)
{
    FWorkstation.Architecture = Arm64;
    FHttp.Response.Body = StandinAddin("zelvcloud32.dll");
    UString Error;
    EXPECT_TRUE(Download(Error)) << DebugUtf8(Error);
    EXPECT_EQ(FHttp.Requests.at(0).Url, UString(consts::AddinDownloadBase) + u"/downloads/zelvcloud/zelvcloud32.dll");
    EXPECT_EQ(FFiles.Files.at(Folder + u"zelvcloud32.dll"), FHttp.Response.Body);
}

TEST_F(WinActions, OutdatedLibraryNotInUseIsReplaced)
{
    FFiles.Directories.insert(Folder);
    FFiles.Files[Library64] = "old build";
    UString Error;
    EXPECT_TRUE(Download(Error));
    EXPECT_TRUE(FFiles.Created.empty()) << "an existing folder is not created again";
    EXPECT_EQ(FFiles.Files.at(Library64), FHttp.Response.Body);
}

const UString OtherUser = u"S-1-5-21-1004336348-1177238915-682003330-1002";
const UString FolderRefused = u"DLL not installed — the folder \"" + Folder +
                              u"\" can be changed by another account. An administrator must remove the folder or restrict who may change it, then re-run setup."
                              u" If the folder is your own, close all ZELV Cloud RDP sessions, then re-run setup.";

platform::TFolderSecurity EveryoneMayWrite(const UString& AOwner)
{
    return {false, AOwner,
            std::vector<platform::TSecurityEntry>{
                {platform::TEntryKind::Allow, platform::fileright::FullControl, u"S-1-5-18", true, true, false},
                {platform::TEntryKind::Allow, platform::fileright::FullControl, AOwner, true, true, false},
                {platform::TEntryKind::Allow, 0x001301FF, u"S-1-1-0", true, true, false}}};
}

// A library that cannot be replaced stays; it counts as installed (and is registered) only when
// its bytes are the expected library's. Another user may have put a file of their own there.
struct TExistingCase {
    const char* Name;
    const char* Bytes;         // "<served>": the expected library
    const char* Held;          // "sharing": another process has it open; "denied": not writable; "": free
    bool Unreadable;
    bool Installed;
    UString Error;
    bool Registered;
    bool Requested;
    UString Owner = u"";     // another account's file
    bool OpenToOthers = false;
};

class ExistingLibrary : public WinActions, public testing::WithParamInterface<TExistingCase> {};

TEST_P(ExistingLibrary, OnlyAVerifiedLibraryCountsAndIsRegistered)
{
    const TExistingCase& C = GetParam();
    FFiles.Directories.insert(Folder);
    const std::string Bytes = C.Bytes == std::string("<served>") ? FHttp.Response.Body : std::string(C.Bytes);
    FFiles.Files[Library64] = Bytes;
    if (C.Held == std::string("sharing"))
        FFiles.InUse.insert(Library64);
    if (C.Held == std::string("denied"))
        FFiles.NotWritable.insert(Library64);
    if (C.Unreadable)
        FFiles.Unreadable.insert(Library64);
    if (!C.Owner.empty())
        FFiles.Owners[Library64] = C.Owner;
    if (C.OpenToOthers)
        FFiles.Security[Library64] = EveryoneMayWrite(FFiles.User);

    TSetupSteps Steps = DefaultSetupSteps();
    Steps.GetDesktopPath = [] { return UString(u"C:\\Users\\u1\\Desktop"); };
    Steps.DisableUDP = [] { return true; };
    std::vector<UString> Log;
    RunSetup(Steps, {}, {}, [&](const UString& ALine) { Log.push_back(ALine); });

    ASSERT_GE(Log.size(), 2u);
    if (C.Installed)
        EXPECT_EQ(Log[1], u"DLL: " + Library64 + (C.Error.empty() ? UString() : u"\r\nNote: " + C.Error));
    else
        EXPECT_EQ(Log[1], u"ERROR: " + C.Error);
    const auto Key = FRegistry.Keys.find({TRegistryHive::CurrentUser, TWinActions::AddinKeyPath});
    EXPECT_EQ(Key != FRegistry.Keys.end() && Key->second.count(u"Name"), C.Registered);
    EXPECT_EQ(FHttp.Requests.size(), C.Requested ? 1u : 0u);
    EXPECT_EQ(FFiles.Files.at(Library64), C.Requested ? FHttp.Response.Body : Bytes);
    EXPECT_EQ(FFiles.Files.size(), 1u) << "no temporary file left";
}

const UString HeldNotOurs = u"DLL not installed — the file \"" + Library64 +
                            u"\" is in use and is not a verified copy of the add-in. Close all ZELV Cloud RDP sessions, then re-run setup.";
const UString DeniedNotOurs = u"DLL not installed — the file \"" + Library64 +
                              u"\" was not installed by this setup and this user cannot replace it. An administrator must remove it, then re-run setup.";

const UString InUseNotSafe = u"DLL not installed — the file \"" + Library64 +
                             u"\" is in use and can be changed by another account. Close all ZELV Cloud RDP sessions, then re-run setup.";

INSTANTIATE_TEST_SUITE_P(
    Table, ExistingLibrary,
    testing::Values(
        TExistingCase{"VerifiedInUse", "<served>", "sharing", false, true, InUseText, true, false},
        TExistingCase{"VerifiedNotWritable", "<served>", "denied", false, true, InUseText, true, false},
        TExistingCase{"UnverifiedInUse", "old build", "sharing", false, false, HeldNotOurs, false, false},
        TExistingCase{"UnverifiedNotWritable", "planted", "denied", false, false, DeniedNotOurs, false, false},
        TExistingCase{"UnreadableInUse", "<served>", "sharing", true, false, HeldNotOurs, false, false},
        TExistingCase{"UnreadableNotWritable", "<served>", "denied", true, false, DeniedNotOurs, false, false},
        TExistingCase{"VerifiedInUseButAnotherAccountsFile", "<served>", "sharing", false, false, InUseNotSafe, false, false, OtherUser},
        TExistingCase{"VerifiedInUseButOpenToOthers", "<served>", "sharing", false, false, InUseNotSafe, false, false, u"", true},
        TExistingCase{"UnverifiedFreeIsReplaced", "planted", "", false, true, u"", true, true},
        TExistingCase{"VerifiedFreeIsReplacedToo", "<served>", "", false, true, u"", true, true}),
    [](const auto& AInfo) { return std::string(AInfo.param.Name); });

TEST_F(WinActions, InUseLibraryIsReadWithTheSharingALoadedLibraryAllows)
{
    FFiles.Directories.insert(Folder);
    FFiles.Files[Library64] = FHttp.Response.Body;
    FFiles.InUse.insert(Library64);
    UString Error;
    EXPECT_TRUE(Download(Error));
    EXPECT_EQ(Error, InUseText);
    EXPECT_EQ(FFiles.Reads, std::vector<UString>{Library64});
    EXPECT_TRUE(FHttp.Requests.empty());
    EXPECT_TRUE(FProgress.empty());
}

// ProgramData's inherited rights let any user add files: the folder the program makes gets exactly
// these entries and nothing from its parent.
TEST_F(WinActions, CreatedInstallFolderGetsItsOwnProtectedAccess)
{
    UString Error;
    EXPECT_TRUE(Download(Error));
    using platform::TFolderRights;
    using platform::TTrustee;
    EXPECT_EQ(FFiles.FolderAccess.at(Folder), (platform::TFolderAccess{{TTrustee::LocalSystem, TFolderRights::FullControl},
                                                                       {TTrustee::Administrators, TFolderRights::FullControl},
                                                                       {TTrustee::CurrentUser, TFolderRights::Modify},
                                                                       {TTrustee::Users, TFolderRights::ReadAndExecute}}));
}

TEST_F(WinActions, NoInstallPathCreatesAndRequestsNothing)
{
    FEnvironment.Variables.clear();
    UString Error = u"left over";
    EXPECT_FALSE(Download(Error));
    EXPECT_EQ(Error, u"Could not determine install path");
    EXPECT_TRUE(FFiles.Created.empty());
    EXPECT_TRUE(FHttp.Requests.empty());
}

TEST_F(WinActions, FolderThatCannotBeCreatedIsRaised)
{
    FFiles.FailCreateDirectories = u"System Error.  Code: 5.\r\nAccess is denied";
    UString Error = u"left over";
    try {
        Download(Error);
        FAIL() << "no error raised";
    } catch (const ECloudSetupError& E) {
        EXPECT_EQ(E.Message(), *FFiles.FailCreateDirectories);
    }
    EXPECT_EQ(Error, u"");
    EXPECT_TRUE(FHttp.Requests.empty());
}

// --- An install folder that is already there ---


// A whole run with the real installer; the log, line by line.
std::vector<UString> RunWithRealSteps(bool* AUdpCalled = nullptr)
{
    TSetupSteps Steps = DefaultSetupSteps();
    Steps.GetDesktopPath = [] { return UString(u"C:\\Users\\u1\\Desktop"); };
    Steps.DisableUDP = [AUdpCalled] {
        if (AUdpCalled)
            *AUdpCalled = true;
        return true;
    };
    std::vector<UString> Log;
    RunSetup(Steps, {}, {}, [&](const UString& ALine) { Log.push_back(ALine); });
    return Log;
}

const UString SetAside = u"C:\\ProgramData\\ZelvCloud.set-aside-1\\";

UString SetAsideNote(const UString& AStillHolds)
{
    return u"Note: The earlier install folder could be changed by other accounts, so setup made a new one and set the "
           u"earlier one aside as \"" +
           SetAside + u"\"; it still holds " + AStillHolds;
}

// The folder, a verified library in it (in use or not) and a file of the user's own; whose folder
// it is decides. The user's own folder that others can change is set aside and replaced by a new
// one, unless the loaded library keeps it from moving; a refused folder gets nothing written,
// nothing removed, no request.
struct TExistingFolderCase {
    const char* Name;
    bool OwnedByUser;
    bool OpenToOthers;
    bool LibraryInUse;
    bool Installed;
    UString Error;
    bool Replaced;
    bool Requested;
};

class ExistingFolder : public WinActions, public testing::WithParamInterface<TExistingFolderCase> {};

TEST_P(ExistingFolder, UsedOnlyWhenNoOtherAccountCanChangeIt)
{
    const TExistingFolderCase& C = GetParam();
    const UString Owner = C.OwnedByUser ? FFiles.User : OtherUser;
    FFiles.Directories.insert(Folder);
    FFiles.Files[Library64] = FHttp.Response.Body;
    FFiles.Files[Folder + u"notes.txt"] = "the user's";
    if (C.LibraryInUse) {
        FFiles.InUse.insert(Library64);
        // A folder that holds a loaded library cannot be renamed.
        FFiles.NotMovable.insert(Folder);
    }
    FFiles.Security[Folder] = C.OpenToOthers ? EveryoneMayWrite(Owner) : FFiles.OwnAccess(Owner);
    FHttp.Response.Body = StandinAddin("zelvcloud64.dll");

    bool UdpCalled = false;
    const std::vector<UString> Log = RunWithRealSteps(&UdpCalled);

    std::vector<UString> Expected = {u"Downloading zelvcloud DLL..."};
    if (C.Installed)
        Expected.push_back(u"DLL: " + Library64 + (C.Error.empty() ? UString() : u"\r\nNote: " + C.Error));
    else
        Expected.push_back(u"ERROR: " + C.Error);
    if (C.Replaced)
        Expected.push_back(SetAsideNote(u"\"notes.txt\""));
    Expected.push_back(u"Configuring registry...");
    Expected.push_back(C.Installed ? u"Registry configured"
                                   : u"Note: Registry configuration skipped — no verified add-in library at " + Library64);
    Expected.insert(Expected.end(), {u"Disabling UDP (may prompt for admin)...", u"UDP disabled for RDP"});
    EXPECT_EQ(Log, Expected);
    EXPECT_TRUE(UdpCalled);
    const auto Key = FRegistry.Keys.find({TRegistryHive::CurrentUser, TWinActions::AddinKeyPath});
    EXPECT_EQ(Key != FRegistry.Keys.end() && Key->second.count(u"Name"), C.Installed);
    EXPECT_EQ(FHttp.Requests.size(), C.Requested ? 1u : 0u);
    EXPECT_EQ(FFiles.Held, 0) << "the folder is let go once the run is past it";
    if (C.Replaced) {
        EXPECT_EQ(FFiles.Created, std::vector<UString>{Folder});
        EXPECT_EQ(FFiles.FolderAccess.at(Folder), TWinActions::InstallFolderAccess());
        EXPECT_EQ(FFiles.Files.at(Library64), FHttp.Response.Body);
        EXPECT_EQ(FFiles.Files.at(SetAside + u"notes.txt"), "the user's");
        EXPECT_EQ(FFiles.Files.size(), 2u) << "the old library went with the old folder; no temporary file";
    } else {
        EXPECT_TRUE(FFiles.Created.empty());
        EXPECT_EQ(FFiles.Security.at(Folder).Entries, (C.OpenToOthers ? EveryoneMayWrite(Owner) : FFiles.OwnAccess(Owner)).Entries)
            << "left as it was";
        EXPECT_EQ(FFiles.Files.size(), 2u) << "the library and the user's file, no temporary file";
        EXPECT_EQ(FFiles.Files.at(Folder + u"notes.txt"), "the user's");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, ExistingFolder,
    testing::Values(
        TExistingFolderCase{"UsersOwnSafeFolderAsAlways", true, false, false, true, u"", false, true},
        TExistingFolderCase{"UsersOwnOpenFolderReplaced", true, true, false, true, u"", true, true},
        TExistingFolderCase{"AnotherUsersFolderRefused", false, false, false, false, FolderRefused, false, false},
        TExistingFolderCase{"AnotherUsersOpenFolderRefused", false, true, false, false, FolderRefused, false, false},
        // The in-use path: a verified library counts only in a folder no other account can change.
        TExistingFolderCase{"VerifiedInUseInUsersSafeFolder", true, false, true, true, InUseText, false, false},
        TExistingFolderCase{"VerifiedInUseKeepsUsersOpenFolderFromMovingRefused", true, true, true, false, FolderRefused, false, false},
        TExistingFolderCase{"VerifiedInUseInAnotherUsersFolderRefused", false, false, true, false, FolderRefused, false, false}),
    [](const auto& AInfo) { return std::string(AInfo.param.Name); });

// Administrators own it but let everyone write: not the user's to set aside.
TEST_F(WinActions, OpenFolderOwnedByAdministratorsIsRefused)
{
    FFiles.Directories.insert(Folder);
    FFiles.Security[Folder] = EveryoneMayWrite(u"S-1-5-32-544");
    UString Error;
    EXPECT_FALSE(Download(Error));
    EXPECT_EQ(Error, FolderRefused);
    EXPECT_TRUE(FFiles.Calls.empty()) << "nothing moved, made or removed";
    EXPECT_TRUE(FHttp.Requests.empty());
    EXPECT_TRUE(FFiles.Files.empty());
}

// The user's open folder goes aside first, the new folder is made next, and only then is the old
// one emptied: of what other accounts own (their folders with everything in them that is not the
// user's, their links as links) and of the program's own files. The user's other things stay,
// named in the note, and their folders are not searched.
TEST_F(WinActions, SetAsideFolderLosesOthersItemsAndTheProgramsFiles)
{
    FFiles.Directories = {Folder, Folder + u"theirs\\", Folder + u"theirs\\deeper\\", Folder + u"mine\\",
                          Folder + u"their link\\"};
    FFiles.Files = {{Library64, "old build"},
                    {Folder + u"zelvcloud64.dll.download", "the user's leftover"},
                    {Folder + u"planted.dll", "planted"},
                    {Folder + u"theirs\\deeper\\x.dll", "planted"},
                    {Folder + u"theirs\\deeper\\yours.txt", "the user's, in their folder"},
                    {Folder + u"mine\\their.dll", "planted"},
                    {Folder + u"notes.txt", "the user's"}};
    for (const UString& Path : {Folder + u"planted.dll", Folder + u"theirs", Folder + u"theirs\\deeper",
                                Folder + u"theirs\\deeper\\x.dll", Folder + u"mine\\their.dll", Folder + u"their link"})
        FFiles.Owners[Path] = OtherUser;
    FFiles.Links.insert(Folder + u"their link");
    FFiles.Security[Folder] = EveryoneMayWrite(FFiles.User);

    UString Error;
    EXPECT_TRUE(Download(Error)) << DebugUtf8(Error);
    ASSERT_GE(FFiles.Calls.size(), 2u);
    EXPECT_EQ(FFiles.Calls[0], "move " + DebugUtf8(Folder) + " " + DebugUtf8(SetAside));
    EXPECT_EQ(FFiles.Calls[1], "create " + DebugUtf8(Folder));
    std::vector<std::string> Removals(FFiles.Calls.begin() + 2, FFiles.Calls.end());
    std::sort(Removals.begin(), Removals.end());
    std::vector<std::string> Expected;
    for (const UString& Path : {SetAside + u"zelvcloud64.dll", SetAside + u"zelvcloud64.dll.download",
                                SetAside + u"planted.dll", SetAside + u"theirs\\deeper\\x.dll", SetAside + u"their link"})
        Expected.push_back("remove " + DebugUtf8(Path));
    std::sort(Expected.begin(), Expected.end());
    EXPECT_EQ(Removals, Expected) << "their folders keep what reads as the user's, so they stay";
    EXPECT_EQ(FFiles.Files.at(SetAside + u"mine\\their.dll"), "planted") << "the user's folder is not searched";
    EXPECT_EQ(FFiles.Files.at(SetAside + u"theirs\\deeper\\yours.txt"), "the user's, in their folder");
    EXPECT_EQ(FFiles.Files.at(Library64), FHttp.Response.Body);
    EXPECT_TRUE(FFiles.Directories.count(SetAside));
    EXPECT_EQ(FFiles.Held, 0);
}

TEST_F(WinActions, NoteNamesTenOfWhatStaysAndCountsTheRest)
{
    FFiles.Directories.insert(Folder);
    FFiles.Security[Folder] = EveryoneMayWrite(FFiles.User);
    for (int Index = 0; Index < 1000; ++Index)
        FFiles.Files[Folder + u"file" + IntToUStr(1000 + Index) + u".txt"] = "the user's";
    const std::vector<UString> Log = RunWithRealSteps();
    ASSERT_GE(Log.size(), 3u);
    UString Names;
    for (int Index = 0; Index < 10; ++Index)
        Names += (Index ? u", \"file" : u"\"file") + IntToUStr(1000 + Index) + u".txt\"";
    EXPECT_EQ(Log[2], SetAsideNote(Names + u" and 990 more"));
}

// An emptied set-aside folder goes too, and the run says nothing about it.
TEST_F(WinActions, EmptiedSetAsideFolderIsRemoved)
{
    FFiles.Directories.insert(Folder);
    FFiles.Files[Library64] = "old build";
    FFiles.Security[Folder] = EveryoneMayWrite(FFiles.User);
    const std::vector<UString> Log = RunWithRealSteps();
    EXPECT_EQ(Log[1], u"DLL: " + Library64);
    EXPECT_EQ(Log[2], u"Configuring registry...");
    EXPECT_FALSE(FFiles.Directories.count(SetAside));
    EXPECT_EQ(FFiles.Files.at(Library64), FHttp.Response.Body);
}

// What keeps the folder from being replaced: it is refused, nothing is requested, and no library
// goes into a folder this run did not make or judge.
TEST_F(WinActions, FolderThatCannotBeReplacedIsRefused)
{
    struct TCase {
        const char* Name;
        std::function<void(test::TFakeInstallFiles&)> Arrange;
        bool Moved;
    };
    const TCase Cases[] = {
        {"someone else holds it open with the right to rename it",
         [](test::TFakeInstallFiles& AFiles) { AFiles.NotHoldable.insert(Folder); }, false},
        {"it cannot be moved aside", [](test::TFakeInstallFiles& AFiles) { AFiles.NotMovable.insert(Folder); }, false},
        {"another account takes the name between the move and the creation",
         [](test::TFakeInstallFiles& AFiles) {
             AFiles.OnMoved = [&AFiles] {
                 AFiles.Directories.insert(Folder);
                 AFiles.Owners[test::TFakeInstallFiles::AsFile(Folder)] = OtherUser;
             };
         },
         true},
        {"the new folder is not safe",
         [](test::TFakeInstallFiles& AFiles) {
             AFiles.OnMoved = [&AFiles] { AFiles.Security[Folder] = EveryoneMayWrite(AFiles.User); };
         },
         true},
        {"the access cannot be read",
         [](test::TFakeInstallFiles& AFiles) { AFiles.FailReadSecurity = u"Cannot read the access of"; }, false},
    };
    for (const TCase& C : Cases) {
        SCOPED_TRACE(C.Name);
        test::TFakeInstallFiles Files;
        test::TFakeDownloadHttp Http;
        FScope->InstallFiles = &Files;
        FScope->Http = &Http;
        Files.Directories.insert(Folder);
        Files.Security[Folder] = EveryoneMayWrite(Files.User);
        C.Arrange(Files);
        UString Error;
        EXPECT_FALSE(Download(Error));
        EXPECT_EQ(Error, FolderRefused);
        EXPECT_TRUE(Http.Requests.empty());
        EXPECT_FALSE(Files.FileExists(Library64));
        EXPECT_FALSE(Files.FileExists(TWinActions::TemporaryPath(Library64)));
        EXPECT_EQ(std::any_of(Files.Calls.begin(), Files.Calls.end(), [](const std::string& ACall) { return ACall.rfind("move ", 0) == 0; }),
                  C.Moved);
        EXPECT_EQ(Files.Held, 0);
    }
}

// A folder another user made between the check and the creation is judged as any other.
TEST_F(WinActions, FolderMadeByAnotherUserJustBeforeIsRefused)
{
    FFiles.Security[Folder] = FFiles.OwnAccess(OtherUser);
    UString Error;
    EXPECT_FALSE(Download(Error));
    EXPECT_EQ(Error, FolderRefused);
    EXPECT_TRUE(FHttp.Requests.empty());
}

// The client would go on loading whatever lies at the path an earlier run registered: a refused
// folder takes the program's registration of a library in it along, and says so. A registration
// of another folder, and every other value, stay.
TEST_F(WinActions, RefusedFolderTakesItsRegistrationAlong)
{
    struct TCase {
        const char* Name;
        UString Registered;
        bool Removed;
    };
    const TCase Cases[] = {
        {"the library in that folder", Library64, true},
        {"written in other letter case", u"c:\\programdata\\zelvcloud\\ZELVCLOUD32.DLL", true},
        {"a library in another folder", u"C:\\Other\\zelvcloud64.dll", false},
        {"a library in a folder inside it", Folder + u"sub\\zelvcloud64.dll", false},
    };
    for (const TCase& C : Cases) {
        SCOPED_TRACE(C.Name);
        test::TFakeRegistry Registry;
        FScope->Registry = &Registry;
        auto& Values = Registry.Keys[{TRegistryHive::CurrentUser, TWinActions::AddinKeyPath}];
        Values[u"Name"] = test::TFakeRegistry::String(C.Registered);
        Values[u"Other"] = test::TFakeRegistry::String(u"kept");
        FFiles.Directories.insert(Folder);
        FFiles.Security[Folder] = FFiles.OwnAccess(OtherUser);

        const std::vector<UString> Log = RunWithRealSteps();

        std::vector<UString> Expected = {u"Downloading zelvcloud DLL...", u"ERROR: " + FolderRefused};
        if (C.Removed)
            Expected.push_back(u"Note: The add-in registration for \"" + C.Registered +
                               u"\" was removed, so the remote-desktop client no longer loads a library from that folder");
        Expected.push_back(u"Configuring registry...");
        ASSERT_GE(Log.size(), Expected.size());
        EXPECT_EQ(std::vector<UString>(Log.begin(), Log.begin() + Expected.size()), Expected);
        EXPECT_EQ(Values.count(u"Name") == 0, C.Removed);
        EXPECT_EQ(Values.count(u"Other"), 1u);
    }
}

// What another account left in a safe folder never becomes the library's owner or access: the
// temporary file is always one of this run's own, made anew.
TEST_F(WinActions, LeftoversOfAnotherOwnerDoNotCarryOver)
{
    const UString Temporary = TWinActions::TemporaryPath(Library64);
    FFiles.Directories.insert(Folder);
    FFiles.Files[Temporary] = "left by another account";
    FFiles.Owners[Temporary] = OtherUser;
    FFiles.Security[Temporary] = EveryoneMayWrite(OtherUser);
    FFiles.Files[Library64] = "old build";
    FFiles.Owners[Library64] = OtherUser;
    UString Error;
    EXPECT_TRUE(Download(Error)) << DebugUtf8(Error);
    EXPECT_EQ(FFiles.Files.at(Library64), FHttp.Response.Body);
    EXPECT_EQ(FFiles.ReadSecurity(Library64).OwnerSid, FFiles.User);
    EXPECT_FALSE(FFiles.Security.count(Library64)) << "the access the folder hands down";
    EXPECT_FALSE(FFiles.FileExists(Temporary));

    // One that cannot be removed is not written into.
    FFiles.Files[Temporary] = "left by another account";
    FFiles.NotRemovable.insert(Temporary);
    FFiles.Files[Library64] = "old build";
    EXPECT_FALSE(Download(Error));
    EXPECT_EQ(Error, u"DLL not installed — could not write file: Cannot create file \"" + Temporary + u"\". The file exists");
    EXPECT_EQ(FFiles.Files.at(Temporary), "left by another account");
    EXPECT_EQ(FFiles.Files.at(Library64), "old build");
}

// The library step inside a whole run, with the real installer: a failure it raises ends the run
// there, while an install that merely did not happen leaves the later steps to run.
struct TRunCase {
    const char* Name;
    bool NoInstallPath;
    std::optional<UString> FailCreateDirectories;
    std::vector<UString> Log;
    bool UdpCalled;
};

class LibraryStepInARun : public WinActions, public testing::WithParamInterface<TRunCase> {};

TEST_P(LibraryStepInARun, LogsThePartsLinesOnly)
{
    const TRunCase& C = GetParam();
    if (C.NoInstallPath)
        FEnvironment.Variables.clear();
    FFiles.FailCreateDirectories = C.FailCreateDirectories;
    bool UdpCalled = false;
    TSetupSteps Steps = DefaultSetupSteps();
    Steps.GetDesktopPath = [] { return UString(u"C:\\Users\\u1\\Desktop"); };
    Steps.DisableUDP = [&] { return UdpCalled = true; };
    std::vector<UString> Log;
    EXPECT_TRUE(RunSetup(Steps, {}, {}, [&](const UString& ALine) { Log.push_back(ALine); }));
    EXPECT_EQ(Log, C.Log);
    EXPECT_EQ(UdpCalled, C.UdpCalled);
    EXPECT_TRUE(FRegistry.Keys.empty()) << "nothing registered";
    EXPECT_TRUE(FHttp.Requests.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Table, LibraryStepInARun,
    testing::Values(
        TRunCase{"FolderThatCannotBeCreatedEndsTheRun", false, u"System Error.  Code: 5.\r\nAccess is denied",
                 {u"Downloading zelvcloud DLL...", u"ERROR: System Error.  Code: 5.\r\nAccess is denied"}, false},
        TRunCase{"NoInstallPathSkipsRegistrationAndRunsUdp", true, std::nullopt,
                 {u"Downloading zelvcloud DLL...", u"ERROR: Could not determine install path", u"Configuring registry...",
                  u"Note: Registry configuration skipped \u2014 the add-in's install folder could not be determined",
                  u"Disabling UDP (may prompt for admin)...", u"UDP disabled for RDP"},
                 true}),
    [](const auto& AInfo) { return std::string(AInfo.param.Name); });

struct TFailureCase {
    const char* Name;
    std::optional<UString> Raised;  // the HTTP layer's failure text
    int Status;
    std::string Body;               // "<served>": the stand-in add-in's bytes
    UString Expected;
};

class DownloadFailure : public WinActions, public testing::WithParamInterface<TFailureCase> {};

// Whatever goes wrong, the working library stays as it was and no temporary file is left.
TEST_P(DownloadFailure, ReasonGivenAndOldLibraryUntouched)
{
    const TFailureCase& C = GetParam();
    FFiles.Directories.insert(Folder);
    FFiles.Files[Library64] = "working build";
    FHttp.FailWith = C.Raised;
    FHttp.Response.StatusCode = C.Status;
    if (C.Body != "<served>")
        FHttp.Response.Body = C.Body;

    UString Error;
    EXPECT_FALSE(Download(Error));
    EXPECT_EQ(Error, C.Expected);
    EXPECT_EQ(FFiles.Files, (std::map<UString, std::string>{{Library64, "working build"}}));
    EXPECT_EQ(FProgress.size(), 1u) << "only the start is reported";
}

INSTANTIATE_TEST_SUITE_P(
    Table, DownloadFailure,
    testing::Values(
        TFailureCase{"TimedOut", u"The operation timed out", 0, "", u"DLL not installed — download timed out"},
        TFailureCase{"TimeOutInAnyCase", u"WinHTTP: TimeOut waiting for the server", 0, "",
                     u"DLL not installed — download timed out"},
        TFailureCase{"OtherFailureKeepsItsCase", u"Cannot connect: Connection REFUSED", 0, "",
                     u"DLL not installed — Cannot connect: Connection REFUSED"},
        TFailureCase{"NotFound", std::nullopt, 404, "<served>", u"DLL not installed — server returned 404"},
        TFailureCase{"NoContent", std::nullopt, 204, "", u"DLL not installed — server returned 204"},
        TFailureCase{"PartialContent", std::nullopt, 206, "<served>", u"DLL not installed — server returned 206"},
        TFailureCase{"EmptyBody", std::nullopt, 200, "", MismatchText},
        TFailureCase{"CorruptedBody", std::nullopt, 200, "MZ not the add-in", MismatchText}),
    [](const auto& AInfo) { return std::string(AInfo.param.Name); });

// Past the size limit or the deadline the layer stops the download; what was received is gone and
// the working library stays.
TEST_F(WinActions, SizeLimitAndDeadlineEndTheDownload)
{
    FFiles.Directories.insert(Folder);
    FFiles.Files[Library64] = "working build";
    TDownloadLimits Small;
    Small.MaxBytes = FHttp.Response.Body.size() - 1;
    UString Error;
    EXPECT_FALSE(TWinActions::DownloadDLL(nullptr, Error, Small));
    EXPECT_EQ(Error, u"DLL not installed — " + platform::BodyTooLargeText(Small.MaxBytes));
    EXPECT_EQ(FHttp.Requests.at(0).MaxBodyBytes, Small.MaxBytes);
    EXPECT_EQ(FFiles.Files, (std::map<UString, std::string>{{Library64, "working build"}}));

    FHttp.FailMidBody = platform::DeadlinePassedText(600000);
    EXPECT_FALSE(Download(Error));
    EXPECT_EQ(Error, u"DLL not installed — download timed out") << "a deadline reads as a time-out";
    EXPECT_EQ(FFiles.Files, (std::map<UString, std::string>{{Library64, "working build"}}));
}

TEST_F(WinActions, LimitTextsSayWhichLimit)
{
    EXPECT_EQ(platform::BodyTooLargeText(64u * 1024 * 1024), u"The server's answer is larger than the limit of 64 MiB");
    EXPECT_EQ(platform::BodyTooLargeText(1000), u"The server's answer is larger than the limit of 1000 bytes");
    EXPECT_EQ(platform::DeadlinePassedText(1500),
              u"The request timed out: the server's answer did not arrive in full within 1500 milliseconds");
    EXPECT_EQ(platform::DeadlinePassedText(600000),
              u"The request timed out: the server's answer did not arrive in full within 600 seconds");
}

TEST_F(WinActions, TimeOutRuleLowerCasesUnderTheLocale)
{
    // Under a Turkish locale the capital I lower-cases to the dotless i: "TIMED OUT" is no match.
    FLocale.Turkish = true;
    FHttp.FailWith = u"TIMED OUT";
    UString Error;
    EXPECT_FALSE(Download(Error));
    EXPECT_EQ(Error, u"DLL not installed — TIMED OUT");
}

TEST_F(WinActions, TimeOutRuleSurvivesAFailedLowerCasing)
{
    FLocale.Failed = true;
    FLocale.FailWith = 87;
    FHttp.FailWith = u"Timed Out";
    UString Error;
    EXPECT_FALSE(Download(Error));
    EXPECT_EQ(Error, u"DLL not installed — download timed out");
}

TEST_F(WinActions, FailedWriteLeavesTheWorkingLibrary)
{
    FFiles.Directories.insert(Folder);
    FFiles.Files[Library64] = "working build";
    FFiles.FailWrite = u"Cannot write file \"" + TWinActions::TemporaryPath(Library64) + u"\". There is not enough space on the disk";
    UString Error;
    EXPECT_FALSE(Download(Error));
    EXPECT_EQ(Error, u"DLL not installed — could not write file: " + *FFiles.FailWrite);
    EXPECT_EQ(FFiles.Files, (std::map<UString, std::string>{{Library64, "working build"}}));
}

TEST_F(WinActions, FailedReplaceRemovesTheTemporaryFile)
{
    FFiles.Directories.insert(Folder);
    FFiles.Files[Library64] = "working build";
    FFiles.FailReplace = u"Cannot replace file \"" + Library64 + u"\". Access is denied";
    UString Error;
    EXPECT_FALSE(Download(Error));
    EXPECT_EQ(Error, u"DLL not installed — could not write file: " + *FFiles.FailReplace);
    EXPECT_EQ(FFiles.Files, (std::map<UString, std::string>{{Library64, "working build"}}));
    EXPECT_TRUE(FProgress.size() == 1u);
}

// The library takes the place of the working one whole or not at all, whichever step of the
// writing fails; a temporary file an ended run left beside it is gone as well.
struct TAddinDiskFailure {
    const char* Name;
    std::function<void(test::TFakeInstallFiles&, size_t ALibrarySize)> Arrange;
    UString Failure;
};

class AddinDiskFailure : public WinActions, public testing::WithParamInterface<TAddinDiskFailure> {};

TEST_P(AddinDiskFailure, LeavesTheWorkingLibraryAndNoTemporaryFile)
{
    const TAddinDiskFailure& C = GetParam();
    const UString Temporary = TWinActions::TemporaryPath(Library64);
    for (const bool Working : {true, false}) {
        SCOPED_TRACE(Working ? "with a working library" : "without a library");
        FFiles = test::TFakeInstallFiles();
        FFiles.Directories.insert(Folder);
        std::map<UString, std::string> Expected;
        if (Working)
            Expected[Library64] = "working build";
        FFiles.Files = Expected;
        FFiles.Files[Temporary] = "what an ended run left";
        C.Arrange(FFiles, FHttp.Response.Body.size());
        UString Error;
        EXPECT_FALSE(Download(Error));
        EXPECT_EQ(Error, u"DLL not installed — could not write file: " + C.Failure);
        EXPECT_EQ(FFiles.Files, Expected);
    }
}

const UString DiskFull = u"Cannot write file \"C:\\ProgramData\\ZelvCloud\\zelvcloud64.dll.download\". There is not "
                         u"enough space on the disk";

INSTANTIATE_TEST_SUITE_P(
    EveryStep, AddinDiskFailure,
    testing::Values(
        TAddinDiskFailure{"FirstPiece", [](test::TFakeInstallFiles& F, size_t) { F.RoomLeft = 0; }, DiskFull},
        TAddinDiskFailure{"MiddleOfTheLibrary", [](test::TFakeInstallFiles& F, size_t ASize) { F.RoomLeft = ASize / 2; },
                          DiskFull},
        TAddinDiskFailure{"LastByte", [](test::TFakeInstallFiles& F, size_t ASize) { F.RoomLeft = ASize - 1; }, DiskFull},
        TAddinDiskFailure{"Flush",
                          [](test::TFakeInstallFiles& F, size_t) {
                              F.FailFlush = u"Cannot write file \"x\". The request could not be performed";
                          },
                          u"Cannot write file \"x\". The request could not be performed"},
        TAddinDiskFailure{"Replace",
                          [](test::TFakeInstallFiles& F, size_t) {
                              F.FailReplace = u"Cannot replace file \"x\". Access is denied";
                          },
                          u"Cannot replace file \"x\". Access is denied"}),
    [](const auto& AInfo) { return std::string(AInfo.param.Name); });

TEST_F(WinActions, DigestComparedWithoutRegardToCase)
{
    const std::string Served = StandinAddin("zelvcloud64.dll");
    const UString Expected = TWinActions::ExpectedDigest(true);
    ASSERT_EQ(Expected.size(), 64u);
    EXPECT_TRUE(TWinActions::MatchesDigest(Served, Expected));
    EXPECT_TRUE(TWinActions::MatchesDigest(Served, AsciiUpper(Expected)));
    EXPECT_FALSE(TWinActions::MatchesDigest(Served + '\0', Expected));
    // FIPS 180-4's digest of no bytes.
    EXPECT_TRUE(TWinActions::MatchesDigest("", u"E3B0C44298FC1C149AFBF4C8996FB92427AE41E4649B934CA495991B7852B855"));
}

TEST_F(WinActions, ProgressIsOptional)
{
    UString Error;
    EXPECT_TRUE(TWinActions::DownloadDLL(nullptr, Error));
    EXPECT_EQ(FFiles.Files.at(Library64), FHttp.Response.Body);
}

// --- Registration ---

TEST_F(WinActions, RegistrationWritesTheLibraryPath)
{
    FRegistry.Keys[{TRegistryHive::CurrentUser, TWinActions::AddinKeyPath}][u"Other"] = test::TFakeRegistry::DWord(7);
    EXPECT_TRUE(TWinActions::RegisterDLLInRegistry());
    ASSERT_EQ(FRegistry.Opens.size(), 1u);
    EXPECT_EQ(std::get<2>(FRegistry.Opens[0]), 0x20006u);
    const auto& Values = FRegistry.Keys.at({TRegistryHive::CurrentUser, TWinActions::AddinKeyPath});
    EXPECT_EQ(Values.at(u"Name").Type, platform::regtype::String);
    EXPECT_EQ(Values.at(u"Name").Data, test::TFakeRegistry::String(Library64).Data);
    EXPECT_EQ(Values.at(u"Other").Data, test::TFakeRegistry::DWord(7).Data) << "other values stay";
}

TEST_F(WinActions, RegistrationWithoutInstallFolderWritesTheBareName)
{
    FEnvironment.Variables.clear();
    EXPECT_TRUE(TWinActions::RegisterDLLInRegistry());
    EXPECT_EQ(FRegistry.Keys.at({TRegistryHive::CurrentUser, TWinActions::AddinKeyPath}).at(u"Name").Data,
              test::TFakeRegistry::String(u"zelvcloud64.dll").Data);
}

TEST_F(WinActions, RegistrationFailures)
{
    FRegistry.FailCreate = true;
    EXPECT_FALSE(TWinActions::RegisterDLLInRegistry());

    FRegistry.FailCreate = false;
    FRegistry.FailSet = true;
    try {
        TWinActions::RegisterDLLInRegistry();
        FAIL() << "no error raised";
    } catch (const ECloudSetupError& E) {
        EXPECT_EQ(E.Message(), u"Failed to set data for 'Name'");
    }
}

// --- UDP policy ---

const UString PolicyCommand =
    u"/c reg add \"HKEY_LOCAL_MACHINE\\SOFTWARE\\Policies\\Microsoft\\Windows NT\\Terminal Services\\Client\""
    u" /v fClientDisableUDP /t REG_DWORD /d 1 /f";

class UdpPolicy : public WinActions {
protected:
    std::map<UString, test::TFakeRegistry::TValue>& PolicyKey()
    {
        return FRegistry.Keys[{TRegistryHive::LocalMachine, TWinActions::PolicyKeyPath}];
    }
    void SetPolicy(test::TFakeRegistry::TValue AValue) { PolicyKey()[u"fClientDisableUDP"] = std::move(AValue); }
    size_t PolicyOpens() const
    {
        size_t Count = 0;
        for (const auto& Open : FRegistry.Opens)
            Count += std::get<0>(Open) == TRegistryHive::LocalMachine;
        return Count;
    }
    void SetUp() override
    {
        WinActions::SetUp();
        FEnvironment.Variables[u"ComSpec"] = u"C:\\Windows\\system32\\cmd.exe";
        // The elevated command as the registry tool would carry it out.
        FLauncher.Command = [this] { SetPolicy(test::TFakeRegistry::DWord(1)); };
    }
};

struct TValueCase {
    const char* Name;
    std::optional<test::TFakeRegistry::TValue> Value;  // none: value absent
    bool Expected;
    UString Error;                                     // non-empty: raised instead
};

class UdpPolicyValue : public UdpPolicy, public testing::WithParamInterface<TValueCase> {};

TEST_P(UdpPolicyValue, TypeAndSizeDecide)
{
    const TValueCase& C = GetParam();
    PolicyKey()[u"Other"] = test::TFakeRegistry::DWord(1);
    if (C.Value)
        SetPolicy(*C.Value);
    if (C.Error.empty()) {
        EXPECT_EQ(TWinActions::IsUDPDisabled(), C.Expected);
        return;
    }
    try {
        TWinActions::IsUDPDisabled();
        FAIL() << "no error raised";
    } catch (const ECloudSetupError& E) {
        EXPECT_EQ(E.Message(), C.Error);
    }
}

using TV = test::TFakeRegistry::TValue;
const UString InvalidType = u"Invalid data type for 'fClientDisableUDP'";
const UString FailedGet = u"Failed to get data for 'fClientDisableUDP'";

INSTANTIATE_TEST_SUITE_P(
    Table, UdpPolicyValue,
    testing::Values(
        TValueCase{"Absent", std::nullopt, false, u""},
        TValueCase{"One", test::TFakeRegistry::DWord(1), true, u""},
        TValueCase{"Zero", test::TFakeRegistry::DWord(0), false, u""},
        TValueCase{"Two", test::TFakeRegistry::DWord(2), false, u""},
        TValueCase{"HighBytesCount", test::TFakeRegistry::DWord(0x01000001), false, u""},
        TValueCase{"BigEndianReadLittleEndian", TV{5, {1, 0, 0, 0}}, true, u""},
        TValueCase{"BigEndianOneIsNotOne", TV{5, {0, 0, 0, 1}}, false, u""},
        TValueCase{"StringOne", test::TFakeRegistry::String(u"1"), false, InvalidType},
        TValueCase{"EmptyString", test::TFakeRegistry::String(u""), false, InvalidType},
        TValueCase{"FourRawBytes", TV{3, {1, 0, 0, 0}}, false, InvalidType},
        TValueCase{"NoType", TV{0, {}}, false, InvalidType},
        TValueCase{"LongString", test::TFakeRegistry::String(u"12345"), false, FailedGet},
        TValueCase{"QWordOne", TV{11, {1, 0, 0, 0, 0, 0, 0, 0}}, false, FailedGet},
        TValueCase{"FiveRawBytes", TV{3, {1, 0, 0, 0, 0}}, false, FailedGet}),
    [](const auto& AInfo) { return std::string(AInfo.param.Name); });

TEST_F(UdpPolicy, KeyOpenedReadOnlyWithLessAccessWhenRefused)
{
    SetPolicy(test::TFakeRegistry::DWord(1));
    FRegistry.DeniedAccess = {0x20019, 0x20009};
    EXPECT_TRUE(TWinActions::IsUDPDisabled());
    std::vector<std::uint32_t> Masks;
    for (const auto& Open : FRegistry.Opens)
        Masks.push_back(std::get<2>(Open));
    EXPECT_EQ(Masks, (std::vector<std::uint32_t>{0x20019, 0x20009, 1}));

    FRegistry.DeniedAccess = {0x20019, 0x20009, 1};
    EXPECT_FALSE(TWinActions::IsUDPDisabled());
}

TEST_F(UdpPolicy, AbsentKeyIsNotDisabled)
{
    EXPECT_FALSE(TWinActions::IsUDPDisabled());
    EXPECT_EQ(PolicyOpens(), 1u) << "a missing key is not asked for again with less access";
}

TEST_F(UdpPolicy, AlreadySetStartsNothing)
{
    SetPolicy(test::TFakeRegistry::DWord(1));
    EXPECT_TRUE(TWinActions::DisableUDP());
    EXPECT_TRUE(FLauncher.Requests.empty());
}

TEST_F(UdpPolicy, ElevatedCommandSetsThePolicy)
{
    SetPolicy(test::TFakeRegistry::DWord(0));
    EXPECT_TRUE(TWinActions::DisableUDP());

    ASSERT_EQ(FLauncher.Requests.size(), 1u);
    const platform::TShellExecuteRequest& Request = FLauncher.Requests[0];
    EXPECT_EQ(Request.Mask, 0x40u);
    EXPECT_EQ(Request.Verb, u"runas");
    EXPECT_EQ(Request.File, u"C:\\Windows\\system32\\cmd.exe");
    EXPECT_EQ(Request.Parameters, PolicyCommand);
    EXPECT_EQ(Request.Parameters.size(), 137u);
    EXPECT_EQ(Request.Show, 0);
    EXPECT_EQ(FLauncher.Process.Waits, std::vector<unsigned long>{30000});
    EXPECT_EQ(FLauncher.Process.Closed, 1);
}

// Any program of the user can set ComSpec; what runs elevated is the system's own interpreter.
TEST_F(UdpPolicy, ComSpecNeverChoosesWhatRunsElevated)
{
    FEnvironment.Variables[u"ComSpec"] = u"C:\\Users\\u1\\AppData\\Local\\Temp\\evil.exe";
    EXPECT_TRUE(TWinActions::DisableUDP());
    ASSERT_EQ(FLauncher.Requests.size(), 1u);
    const platform::TShellExecuteRequest& Request = FLauncher.Requests[0];
    EXPECT_EQ(Request.File, u"C:\\Windows\\system32\\cmd.exe");
    EXPECT_EQ(Request.Mask, 0x40u);
    EXPECT_EQ(Request.Verb, u"runas");
    EXPECT_EQ(Request.Parameters, PolicyCommand);
    EXPECT_EQ(Request.Show, 0);
}

// A bare "cmd.exe" would be searched for in the current folder first, where a planted program
// would run elevated.
TEST_F(UdpPolicy, InterpreterOfTheSystemFolderWithOrWithoutComSpec)
{
    for (std::optional<UString> ComSpec : {std::optional<UString>(), std::optional<UString>(u"")}) {
        FLauncher.Requests.clear();
        PolicyKey().clear();
        FEnvironment.Variables.erase(u"ComSpec");
        if (ComSpec)
            FEnvironment.Variables[u"ComSpec"] = *ComSpec;
        EXPECT_TRUE(TWinActions::DisableUDP());
        EXPECT_EQ(FLauncher.Requests.at(0).File, u"C:\\Windows\\system32\\cmd.exe");
    }
    FLauncher.SystemFolder = u"C:\\WINDOWS\\System32\\";
    FEnvironment.Variables.erase(u"ComSpec");
    PolicyKey().clear();
    FLauncher.Requests.clear();
    TWinActions::DisableUDP();
    EXPECT_EQ(FLauncher.Requests.at(0).File, u"C:\\WINDOWS\\System32\\cmd.exe");

    FLauncher.SystemFolder.clear();
    PolicyKey().clear();
    FLauncher.Requests.clear();
    EXPECT_FALSE(TWinActions::DisableUDP()) << "no system folder: nothing is started";
    EXPECT_TRUE(FLauncher.Requests.empty());
}

TEST_F(UdpPolicy, DeclinedPromptIsFalseAndNotReadAgain)
{
    SetPolicy(test::TFakeRegistry::DWord(0));
    FLauncher.Start = false;
    FLauncher.Error = 1223;
    const size_t OpensBefore = PolicyOpens();
    EXPECT_FALSE(TWinActions::DisableUDP());
    EXPECT_EQ(PolicyOpens() - OpensBefore, 1u) << "read once before the launch, not after";
    EXPECT_TRUE(FLauncher.Process.Waits.empty());
    EXPECT_EQ(PolicyKey().at(u"fClientDisableUDP").Data, test::TFakeRegistry::DWord(0).Data);
}

TEST_F(UdpPolicy, NoProcessHandleSkipsTheWaitAndReadsAgain)
{
    FLauncher.HandBackProcess = false;
    EXPECT_TRUE(TWinActions::DisableUDP());
    EXPECT_TRUE(FLauncher.Process.Waits.empty());
    EXPECT_EQ(FLauncher.Process.Closed, 0);
    EXPECT_EQ(PolicyOpens(), 2u);
}

TEST_F(UdpPolicy, CommandThatDidNotSetTheValueIsFalse)
{
    FLauncher.Command = nullptr;
    EXPECT_FALSE(TWinActions::DisableUDP());
    EXPECT_EQ(FLauncher.Process.Closed, 1);
}

TEST_F(UdpPolicy, ValueOfAnotherTypeRaisesAndStartsNothing)
{
    SetPolicy(test::TFakeRegistry::String(u"1"));
    EXPECT_THROW(TWinActions::DisableUDP(), ECloudSetupError);
    EXPECT_TRUE(FLauncher.Requests.empty());
}

}  // namespace
