// The add-in installer, its registration and the UDP policy against the real system of the Wine
// prefix: WinHTTP to the running stand-in download server, files, the registry, and the prefix's
// own cmd.exe and reg.exe started through ShellExecuteExW.
#include <gtest/gtest.h>

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <memory>
#include <fstream>
#include <iterator>

#include "core/CloudSetupError.h"
#include "platform/Platform.h"
#include "platform/win32/UniqueHandle.h"
#include "platform/win32/Win32InstallFiles.h"
#include "platform/win32/Win32Text.h"
#include "workstation/CloudSetupWinActions.h"
#include "workstation/CloudSetupWinActionsConst.h"
#include "win/FileHolder.h"
#include "win/FolderSecurity.h"

using namespace zelv;

namespace {

const UString InUseText =
    u"DLL already installed but in use. Close all ZELV Cloud RDP sessions, then re-run setup.";
const UString MismatchText =
    u"DLL integrity check failed — hash mismatch. The downloaded file does not match the expected version.";
const std::string DownloadLine = "GET /downloads/zelvcloud/zelvcloud64.dll\n";

void UnloadModule(HMODULE AModule) { FreeLibrary(AModule); }
using UniqueModule = win32::UniqueHandle<HMODULE, UnloadModule>;

std::string ReadBytes(const std::filesystem::path& APath)
{
    std::ifstream File(APath, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(File)), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::filesystem::path& APath, const std::string& ABytes)
{
    std::ofstream File(APath, std::ios::binary | std::ios::trunc);
    File << ABytes;
}

// The stand-in server's control endpoint.
std::string Control(const UString& AMethod, const UString& APath)
{
    platform::THttpRequest Request;
    Request.Method = AMethod;
    Request.Url = UString(consts::AddinDownloadBase) + APath;
    Request.ConnectTimeoutMs = 5000;
    Request.ReceiveResponseTimeoutMs = 5000;
    platform::THttpResponse Response = platform::Http().Send(Request);
    EXPECT_EQ(Response.StatusCode, 200) << DebugUtf8(APath);
    return Response.Body;
}
void SetFault(const UString& AQuery) { Control(u"POST", u"/control/fault?" + AQuery); }
std::string RequestLog() { return Control(u"GET", u"/control/log"); }
void DeleteTree(HKEY AHive, const wchar_t* APath) { RegDeleteTreeW(AHive, APath); }

std::optional<UString> SavedVariable(const wchar_t* AName)
{
    return platform::Environment().Variable(win32::U(AName));
}
void RestoreVariable(const wchar_t* AName, const std::optional<UString>& AValue)
{
    SetEnvironmentVariableW(AName, AValue ? win32::W(*AValue) : nullptr);
}

// A fresh machine-wide folder for each test: AllUsersProfile points into a temporary folder that
// does not exist yet, so the installer creates it with its parents.
class AddinInstall : public testing::Test {
protected:
    std::filesystem::path FRoot;
    std::filesystem::path FLibrary;
    std::string FServed;
    std::optional<UString> FSavedAllUsers = SavedVariable(L"AllUsersProfile");

    void SetUp() override
    {
        wchar_t Temp[MAX_PATH + 1];
        ASSERT_GT(GetTempPathW(MAX_PATH + 1, Temp), 0u);
        FRoot = std::filesystem::path(Temp) / (L"zelv-installer-" + std::to_wstring(GetCurrentProcessId()));
        std::filesystem::remove_all(FRoot);
        const std::filesystem::path Base = FRoot / L"Program Data";
        SetEnvironmentVariableW(L"AllUsersProfile", Base.c_str());
        FLibrary = Base / L"ZelvCloud" / L"zelvcloud64.dll";
        FServed = ReadBytes(std::filesystem::path(ZELV_TEST_ADDIN_DIR) / "zelvcloud64.dll");
        ASSERT_FALSE(FServed.empty());
        Control(u"POST", u"/control/reset");
    }
    void TearDown() override
    {
        RestoreVariable(L"AllUsersProfile", FSavedAllUsers);
        std::error_code Ignored;
        std::filesystem::remove_all(FRoot, Ignored);
    }

    bool Download(UString& AError, const TDownloadLimits& ALimits = TDownloadLimits())
    {
        return TWinActions::DownloadDLL(nullptr, AError, ALimits);
    }
    bool Download(UString& AError, TInstallRun& ARun) { return TWinActions::DownloadDLL(nullptr, AError, TDownloadLimits(), ARun); }
    void InstallOld(const std::string& ABytes)
    {
        std::filesystem::create_directories(FLibrary.parent_path());
        WriteBytes(FLibrary, ABytes);
    }
    bool TemporaryLeft() const
    {
        return std::filesystem::exists(win32::ToW(TWinActions::TemporaryPath(win32::U(FLibrary.wstring()))));
    }
};

TEST_F(AddinInstall, FreshInstallWritesTheServedLibrary)
{
    ASSERT_TRUE(TWinActions::GetDLLFileName() == u"zelvcloud64.dll") << "the prefix is a 64-bit Windows";
    EXPECT_EQ(TWinActions::GetDLLInstallPath(), win32::U(FLibrary.parent_path().wstring()) + u"\\");

    UString Error = u"left over";
    EXPECT_TRUE(Download(Error)) << DebugUtf8(Error);
    EXPECT_EQ(Error, u"");
    EXPECT_EQ(ReadBytes(FLibrary), FServed);
    EXPECT_FALSE(TemporaryLeft());
    EXPECT_EQ(RequestLog(), DownloadLine);
}

TEST_F(AddinInstall, OutdatedLibraryNotInUseIsReplaced)
{
    InstallOld("an outdated build");
    UString Error;
    EXPECT_TRUE(Download(Error)) << DebugUtf8(Error);
    EXPECT_EQ(ReadBytes(FLibrary), FServed);
}

TEST_F(AddinInstall, LoadedLibraryStaysAndNothingIsRequested)
{
    UString Error;
    ASSERT_TRUE(Download(Error)) << DebugUtf8(Error);
    // The library is a real client add-in: it loads and offers the virtual-channel entry point.
    UniqueModule Loaded(LoadLibraryW(FLibrary.c_str()));
    ASSERT_TRUE(Loaded);
    EXPECT_NE(GetProcAddress(Loaded.Get(), "VirtualChannelEntry"), nullptr);
    Control(u"POST", u"/control/reset");
    SetFault(u"mode=corrupt");

    EXPECT_TRUE(Download(Error));
    EXPECT_EQ(Error, InUseText);
    EXPECT_EQ(RequestLog(), "");
    Loaded.Reset();
    EXPECT_EQ(ReadBytes(FLibrary), FServed);
}

// Another program holds the library open (zelv_hold_file, beside this test program): it stays, and
// counts as installed only when it is the expected library, whether the holder lets others read it
// or not.
TEST_F(AddinInstall, LibraryHeldByAnotherProcessStaysAndCountsOnlyWhenVerified)
{
    const UString HeldNotOurs = u"DLL not installed — the file \"" + win32::U(FLibrary.wstring()) +
                                u"\" is in use and is not a verified copy of the add-in. Close all ZELV Cloud RDP sessions, then re-run setup.";
    struct TCase {
        const char* Name;
        bool Verified;
        bool ShareRead;
    };
    for (const TCase& C : {TCase{"planted, no sharing", false, false}, TCase{"planted, read sharing", false, true},
                           TCase{"verified, read sharing", true, true}}) {
        SCOPED_TRACE(C.Name);
        Control(u"POST", u"/control/reset");
        const std::string Bytes = C.Verified ? FServed : "another user's build";
        InstallOld(Bytes);
        test::THeldFile Holder(FLibrary, C.ShareRead);
        ASSERT_TRUE(Holder.Held()) << "the holder has the library open";

        UString Error;
        const bool Result = Download(Error);
        EXPECT_TRUE(Holder.Release());

        EXPECT_EQ(Result, C.Verified);
        EXPECT_EQ(Error, C.Verified ? InUseText : HeldNotOurs);
        EXPECT_EQ(RequestLog(), "");
        EXPECT_EQ(ReadBytes(FLibrary), Bytes);
    }
}

std::wstring DaclSddl(PSECURITY_DESCRIPTOR ADescriptor)
{
    wchar_t* Sddl = nullptr;
    if (!ConvertSecurityDescriptorToStringSecurityDescriptorW(ADescriptor, SDDL_REVISION_1, DACL_SECURITY_INFORMATION,
                                                              &Sddl, nullptr))
        return L"(unreadable)";
    std::unique_ptr<void, decltype(&LocalFree)> Owned(Sddl, &LocalFree);
    return Sddl;
}

// The folder the installer makes has exactly its own entries, nothing inherited. The request is
// checked through the system's own parser; the folder itself only where the system keeps the
// descriptor it was given (Wine answers every folder with a default of its own).
TEST_F(AddinInstall, CreatedFolderGetsItsOwnProtectedAccess)
{
    const std::wstring Expected =
        win32::ToW(win32::FolderAccessSddl(TWinActions::InstallFolderAccess(), win32::CurrentUserSid()));
    EXPECT_EQ(Expected.rfind(L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1301bf;;;S-1-5-", 0), 0u) << DebugUtf8(win32::U(Expected));
    PSECURITY_DESCRIPTOR RawRequest = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(Expected.c_str(), SDDL_REVISION_1, &RawRequest, nullptr));
    std::unique_ptr<void, decltype(&LocalFree)> Request(RawRequest, &LocalFree);
    SECURITY_DESCRIPTOR_CONTROL Control = 0;
    DWORD Revision = 0;
    ASSERT_TRUE(GetSecurityDescriptorControl(RawRequest, &Control, &Revision));
    EXPECT_TRUE(Control & SE_DACL_PROTECTED) << "nothing inherited";
    EXPECT_EQ(DaclSddl(RawRequest), Expected);

    UString Error;
    ASSERT_TRUE(Download(Error)) << DebugUtf8(Error);
    PSECURITY_DESCRIPTOR RawDescriptor = nullptr;
    PACL Dacl = nullptr;
    ASSERT_EQ(GetNamedSecurityInfoW(FLibrary.parent_path().c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                                    nullptr, &Dacl, nullptr, &RawDescriptor),
              static_cast<DWORD>(ERROR_SUCCESS));
    std::unique_ptr<void, decltype(&LocalFree)> Descriptor(RawDescriptor, &LocalFree);
    const std::wstring Kept = DaclSddl(RawDescriptor);
    if (Kept != Expected && GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version"))
        GTEST_SKIP() << "Wine does not keep a folder's security descriptor; it reports "
                     << DebugUtf8(win32::U(Kept)) << " for the requested " << DebugUtf8(win32::U(Expected));
    EXPECT_EQ(Kept, Expected);
}

// --- An install folder that is already there ---

using test::AnotherOwner;
using test::EveryoneWrites;
using test::RunUnixTool;
using test::SecurityOf;
using test::WaitForSecurity;

class ExistingInstallFolder : public AddinInstall {
protected:
    std::filesystem::path Folder() const { return FLibrary.parent_path(); }
    UString RefusedText() const
    {
        return u"DLL not installed — the folder \"" + TWinActions::GetDLLInstallPath() +
               u"\" can be changed by another account. An administrator must remove the folder or restrict who may change it, then re-run setup."
               u" If the folder is your own, close all ZELV Cloud RDP sessions, then re-run setup.";
    }
    void TearDown() override
    {
        DeleteTree(HKEY_CURRENT_USER, win32::W(UString(TWinActions::AddinKeyPath)));
        // Links inside: the library's removal would go through them.
        test::RemoveWithUnixTool(FRoot);
        AddinInstall::TearDown();
    }
    void MakeLink(const std::filesystem::path& ALink, const std::filesystem::path& ATarget)
    {
        std::filesystem::create_directories(ALink.parent_path());
        ASSERT_NO_FATAL_FAILURE(test::MakeUnixLink(ALink, ATarget));
    }
    // The library the user's remote-desktop client is pointed at; empty when none.
    static std::wstring RegisteredLibrary()
    {
        wchar_t Value[MAX_PATH];
        DWORD Size = sizeof Value;
        if (RegGetValueW(HKEY_CURRENT_USER, win32::W(UString(TWinActions::AddinKeyPath)), L"Name", RRF_RT_REG_SZ, nullptr,
                         Value, &Size) != ERROR_SUCCESS)
            return std::wstring();
        return Value;
    }
    // Another Unix owner for the item and everything inside.
    void GiveToAnotherOwner(const std::filesystem::path& APath)
    {
        ASSERT_NO_FATAL_FAILURE(RunUnixTool(L"chown", L"-R 65534", APath));
        ASSERT_TRUE(WaitForSecurity(APath, [](const std::wstring& ASddl) { return ASddl.rfind(AnotherOwner, 0) == 0; }))
            << DebugUtf8(win32::U(SecurityOf(APath)));
    }
};

// The user made the folder and left it open to everyone (chmod 0777), and another account put a
// file of its own there. Tightening it in place would prove nothing against a handle opened before:
// the folder goes aside, a new one with the program's access takes its place and the add-in goes
// in. Another account's file goes, the old library goes, the user's own file stays where it was
// set aside, and the run says where.
TEST_F(ExistingInstallFolder, UsersWorldWritableFolderIsReplaced)
{
    InstallOld("an outdated build");
    WriteBytes(Folder() / L"notes.txt", "the user's");
    WriteBytes(Folder() / L"planted.dll", "MZ another account's library");
    ASSERT_NO_FATAL_FAILURE(GiveToAnotherOwner(Folder() / L"planted.dll"));
    ASSERT_NO_FATAL_FAILURE(RunUnixTool(L"chmod", L"0777", Folder()));
    ASSERT_TRUE(WaitForSecurity(Folder(), [](const std::wstring& ASddl) { return ASddl.find(EveryoneWrites) != std::wstring::npos; }))
        << DebugUtf8(win32::U(SecurityOf(Folder())));
    const std::wstring Before = SecurityOf(Folder());
    const std::wstring OwnerBefore = Before.substr(0, Before.find(L"D:"));

    UString Error;
    TInstallRun Run;
    EXPECT_TRUE(Download(Error, Run)) << DebugUtf8(Error);
    EXPECT_EQ(Error, u"");
    EXPECT_EQ(ReadBytes(FLibrary), FServed);
    EXPECT_EQ(RequestLog(), DownloadLine);
    const std::filesystem::path Aside = Folder().parent_path() / L"ZelvCloud.set-aside-1";
    EXPECT_EQ(ReadBytes(Aside / L"notes.txt"), "the user's");
    EXPECT_FALSE(std::filesystem::exists(Aside / L"planted.dll")) << "another account's file removed";
    EXPECT_FALSE(std::filesystem::exists(Aside / L"zelvcloud64.dll")) << "the old library removed";
    EXPECT_EQ(Run.Notes, std::vector<UString>{u"The earlier install folder could be changed by other accounts, so setup made a new one and set the earlier one aside as \"" +
                                              win32::U(Aside.wstring()) + u"\\\"; it still holds \"notes.txt\""});
    const std::wstring After = SecurityOf(Folder());
    EXPECT_EQ(After.find(EveryoneWrites), std::wstring::npos) << "Everyone may no longer write: " << DebugUtf8(win32::U(After));
    EXPECT_EQ(After.rfind(OwnerBefore, 0), 0u) << "the user's";
    EXPECT_NE(SecurityOf(Aside).find(EveryoneWrites), std::wstring::npos) << "the old folder is left as it was";
}

// The install folder is a link to a folder of the user's own, with the add-in in it: refused, and
// nothing is requested or written through it.
TEST_F(ExistingInstallFolder, FolderThatIsALinkIsRefused)
{
    const std::filesystem::path Target = FRoot / L"Elsewhere";
    std::filesystem::create_directories(Target);
    WriteBytes(Target / L"zelvcloud64.dll", FServed);
    ASSERT_NO_FATAL_FAILURE(MakeLink(Folder(), Target));
    UString Error;
    EXPECT_FALSE(Download(Error));
    EXPECT_EQ(Error, RefusedText());
    EXPECT_EQ(RequestLog(), "");
    EXPECT_EQ(ReadBytes(Target / L"zelvcloud64.dll"), FServed);
    EXPECT_EQ(std::filesystem::directory_iterator(Target)->path().filename(), L"zelvcloud64.dll");
}

// Another account left links to the user's documents in the user's open folder, at the top and
// inside a folder of its own. Nothing outside the install folder is touched, and the add-in goes
// into a new folder.
TEST_F(ExistingInstallFolder, LinksInTheUsersOpenFolderAreNeverFollowed)
{
    const std::filesystem::path Documents = FRoot / L"Documents";
    std::filesystem::create_directories(Documents / L"Empty");
    WriteBytes(Documents / L"letter.txt", "the user's");
    InstallOld("an outdated build");
    std::filesystem::create_directories(Folder() / L"theirs");
    ASSERT_NO_FATAL_FAILURE(MakeLink(Folder() / L"docs", Documents));
    ASSERT_NO_FATAL_FAILURE(MakeLink(Folder() / L"theirs" / L"docs", Documents));
    ASSERT_NO_FATAL_FAILURE(MakeLink(Folder() / L"empty", Documents / L"Empty"));
    for (const wchar_t* Name : {L"docs", L"empty"})
        ASSERT_NO_FATAL_FAILURE(RunUnixTool(L"chown", L"-h 65534", Folder() / Name));
    ASSERT_NO_FATAL_FAILURE(GiveToAnotherOwner(Folder() / L"theirs"));
    ASSERT_NO_FATAL_FAILURE(RunUnixTool(L"chmod", L"0777", Folder()));
    ASSERT_TRUE(WaitForSecurity(Folder(), [](const std::wstring& ASddl) { return ASddl.find(EveryoneWrites) != std::wstring::npos; }));

    UString Error;
    TInstallRun Run;
    EXPECT_TRUE(Download(Error, Run)) << DebugUtf8(Error);
    EXPECT_EQ(ReadBytes(FLibrary), FServed);
    EXPECT_EQ(ReadBytes(Documents / L"letter.txt"), "the user's");
    EXPECT_TRUE(std::filesystem::is_directory(Documents / L"Empty"));
    const std::filesystem::path Aside = Folder().parent_path() / L"ZelvCloud.set-aside-1";
    EXPECT_TRUE(test::ShowsLink(Aside / L"docs")) << "a link stays a link";
    ASSERT_EQ(Run.Notes.size(), 1u);
    for (const char16_t* Name : {u"\"docs\"", u"\"empty\"", u"\"theirs\""})
        EXPECT_NE(Run.Notes[0].find(Name), UString::npos) << DebugUtf8(Run.Notes[0]);
}

// Another program tries to rename the install folder away, to put its own in its place, between
// the judgement and the registration: once while the add-in is on its way, once before the
// registration is written. Neither rename happens, and the library lands in, and is registered
// in, the folder judged.
TEST_F(ExistingInstallFolder, FolderCannotBeSwappedBetweenTheJudgementAndTheRegistration)
{
    std::filesystem::create_directories(Folder());
    const std::filesystem::path Away = FRoot / L"Stolen";
    auto TrySwap = [&] {
        return test::RunWindowsCommand(L"move \"" + Folder().wstring() + L"\" \"" + Away.wstring() + L"\"") != 0 &&
               std::filesystem::is_directory(Folder()) && !std::filesystem::exists(Away);
    };
    bool RefusedDuringDownload = false;
    UString Error;
    TInstallRun Run;
    EXPECT_TRUE(TWinActions::DownloadDLL([&](const UString&, int APercent) {
        if (APercent == 10)
            RefusedDuringDownload = TrySwap();
    }, Error, TDownloadLimits(), Run)) << DebugUtf8(Error);
    EXPECT_TRUE(RefusedDuringDownload);
    EXPECT_TRUE(TrySwap()) << "held until the registration";
    EXPECT_TRUE(TWinActions::RegisterDLLInRegistry(Run));
    Run.Folder.reset();
    EXPECT_EQ(ReadBytes(FLibrary), FServed);
    EXPECT_EQ(RegisteredLibrary(), FLibrary.wstring());
    EXPECT_EQ(test::RunWindowsCommand(L"move \"" + Folder().wstring() + L"\" \"" + Away.wstring() + L"\""), 0u) << "the control: let go, it moves";
}

// What another account left in the user's safe folder: a temporary file and a library of its own.
// The library placed is the user's, with what the folder hands down, not the leftovers' owner.
TEST_F(ExistingInstallFolder, LeftoversOfAnotherOwnerDoNotBecomeTheLibrarys)
{
    InstallOld("an outdated build");
    const std::filesystem::path Temporary = win32::ToW(TWinActions::TemporaryPath(win32::U(FLibrary.wstring())));
    WriteBytes(Temporary, "left by another account");
    ASSERT_NO_FATAL_FAILURE(GiveToAnotherOwner(FLibrary));
    ASSERT_NO_FATAL_FAILURE(GiveToAnotherOwner(Temporary));
    UString Error;
    EXPECT_TRUE(Download(Error)) << DebugUtf8(Error);
    EXPECT_EQ(ReadBytes(FLibrary), FServed);
    EXPECT_FALSE(TemporaryLeft());
    const std::wstring Library = SecurityOf(FLibrary);
    EXPECT_EQ(Library.rfind(L"O:S-1-5-21-", 0), 0u) << "the user's: " << DebugUtf8(win32::U(Library));
    EXPECT_EQ(Library.find(EveryoneWrites), std::wstring::npos);
}

// An earlier run registered the library in a folder that another account now owns: the folder is
// refused and the registration goes with it, while every other value of the key stays.
TEST_F(ExistingInstallFolder, RefusedFolderTakesItsRegistrationAlong)
{
    InstallOld(FServed);
    ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, win32::W(UString(TWinActions::AddinKeyPath)), L"Other", REG_SZ, L"kept", 10),
              ERROR_SUCCESS);
    ASSERT_TRUE(TWinActions::RegisterDLLInRegistry());
    ASSERT_EQ(RegisteredLibrary(), FLibrary.wstring());
    ASSERT_NO_FATAL_FAILURE(GiveToAnotherOwner(Folder()));
    UString Error;
    TInstallRun Run;
    EXPECT_FALSE(Download(Error, Run));
    EXPECT_EQ(Error, RefusedText());
    EXPECT_EQ(RegisteredLibrary(), L"");
    EXPECT_EQ(Run.Notes, std::vector<UString>{u"The add-in registration for \"" + win32::U(FLibrary.wstring()) +
                                              u"\" was removed, so the remote-desktop client no longer loads a library from that folder"});
    wchar_t Value[16];
    DWORD Size = sizeof Value;
    EXPECT_EQ(RegGetValueW(HKEY_CURRENT_USER, win32::W(UString(TWinActions::AddinKeyPath)), L"Other", RRF_RT_REG_SZ, nullptr,
                           Value, &Size),
              ERROR_SUCCESS);
}

// A folder another account owns, with a verified library in it, free or held open as a loaded
// library is: nothing is requested, written or taken as installed.
TEST_F(ExistingInstallFolder, FolderOfAnotherOwnerIsRefused)
{
    for (bool Held : {false, true}) {
        SCOPED_TRACE(Held ? "library held open" : "library free");
        Control(u"POST", u"/control/reset");
        InstallOld(FServed);
        ASSERT_NO_FATAL_FAILURE(GiveToAnotherOwner(Folder()));
        const std::wstring Before = SecurityOf(Folder());
        std::optional<test::THeldFile> Holder;
        if (Held) {
            Holder.emplace(FLibrary, true);
            ASSERT_TRUE(Holder->Held());
        }

        UString Error;
        EXPECT_FALSE(Download(Error));
        EXPECT_EQ(Error, RefusedText());
        if (Holder)
            EXPECT_TRUE(Holder->Release());
        EXPECT_EQ(RequestLog(), "");
        EXPECT_EQ(ReadBytes(FLibrary), FServed);
        EXPECT_FALSE(TemporaryLeft());
        EXPECT_EQ(SecurityOf(Folder()), Before) << "left as it was";
        std::error_code Ignored;
        std::filesystem::remove_all(Folder(), Ignored);
    }
}

// The control: the user's own folder, made before and left as Unix makes folders, takes the
// add-in as it always has, and its access stays as it was.
TEST_F(ExistingInstallFolder, UsersOwnFolderWorksAsAlways)
{
    InstallOld("an outdated build");
    const std::wstring Before = SecurityOf(Folder());
    ASSERT_EQ(Before.find(EveryoneWrites), std::wstring::npos) << DebugUtf8(win32::U(Before));
    ASSERT_EQ(Before.rfind(L"O:S-1-5-21-", 0), 0u) << "the user's: " << DebugUtf8(win32::U(Before));
    UString Error;
    EXPECT_TRUE(Download(Error)) << DebugUtf8(Error);
    EXPECT_EQ(Error, u"");
    EXPECT_EQ(ReadBytes(FLibrary), FServed);
    EXPECT_EQ(SecurityOf(Folder()), Before);
}

struct TServedFault {
    const char* Name;
    const char16_t* Fault;
    UString Expected;  // empty: installed
    int Requests;
};

class DownloadFault : public AddinInstall, public testing::WithParamInterface<TServedFault> {};

// A failed download never touches the working library.
TEST_P(DownloadFault, ResultAndOldLibrary)
{
    const TServedFault& C = GetParam();
    InstallOld("working build");
    SetFault(C.Fault);
    UString Error;
    const bool Installed = Download(Error);
    if (C.Expected.empty()) {
        EXPECT_TRUE(Installed) << DebugUtf8(Error);
        EXPECT_EQ(ReadBytes(FLibrary), FServed);
    } else {
        EXPECT_FALSE(Installed);
        EXPECT_EQ(Error.substr(0, C.Expected.size()), C.Expected) << DebugUtf8(Error);
        EXPECT_EQ(ReadBytes(FLibrary), "working build");
    }
    EXPECT_FALSE(TemporaryLeft());
    std::string Log = RequestLog();
    EXPECT_EQ(std::count(Log.begin(), Log.end(), '\n'), C.Requests) << Log;
}

INSTANTIATE_TEST_SUITE_P(
    StandIn, DownloadFault,
    testing::Values(
        TServedFault{"NotFound", u"mode=status&value=404", u"DLL not installed — server returned 404", 1},
        TServedFault{"NoContent", u"mode=status&value=204", u"DLL not installed — server returned 204", 1},
        TServedFault{"EmptyBody", u"mode=empty", MismatchText, 1},
        TServedFault{"CorruptedBody", u"mode=corrupt", MismatchText, 1},
        TServedFault{"OneRedirectFollowed", u"mode=redirect&value=1", u"", 2},
        TServedFault{"FiveRedirectsFollowed", u"mode=redirect&value=5", u"", 6},
        TServedFault{"SixRedirectsFail", u"mode=redirect&value=6", u"DLL not installed — ", 6},
        // The build's own limit, 64 MiB: a body that never ends stops there, one announced over it
        // is refused before it is read.
        TServedFault{"EndlessBody", u"mode=endless",
                     u"DLL not installed — The server's answer is larger than the limit of 64 MiB", 1},
        TServedFault{"BodyOverTheLimit", u"mode=oversize&value=67108865",
                     u"DLL not installed — The server's answer is larger than the limit of 64 MiB", 1}),
    [](const auto& AInfo) { return std::string(AInfo.param.Name); });

TEST_F(AddinInstall, TooManyRedirectsIsNoTimeOut)
{
    SetFault(u"mode=redirect&value=6");
    UString Error;
    EXPECT_FALSE(Download(Error));
    EXPECT_NE(Error, u"DLL not installed — download timed out");
    EXPECT_GT(Error.size(), UString(u"DLL not installed — ").size());
}

TEST_F(AddinInstall, StallGivesTheTimeOutText)
{
    InstallOld("working build");
    TDownloadLimits Short;
    Short.ReceiveTimeoutMs = 400;
    Short.ReceiveResponseTimeoutMs = 400;
    // Before the answer's headers, and in the middle of the body.
    for (const char16_t* Stall : {u"mode=stall&value=3000", u"mode=stallbody&value=3000"}) {
        SetFault(Stall);
        UString Error;
        EXPECT_FALSE(Download(Error, Short)) << DebugUtf8(Stall);
        EXPECT_EQ(Error, u"DLL not installed — download timed out") << DebugUtf8(Stall);
        EXPECT_EQ(ReadBytes(FLibrary), "working build");
        EXPECT_FALSE(TemporaryLeft());
    }
}

// A server that keeps every single wait short, a byte at a time, still meets the whole request's
// deadline.
TEST_F(AddinInstall, DripFeedEndsAtTheDeadline)
{
    InstallOld("working build");
    SetFault(u"mode=drip&value=100");
    TDownloadLimits Short;
    Short.DeadlineMs = 1500;
    UString Error;
    const DWORD Start = GetTickCount();
    EXPECT_FALSE(Download(Error, Short));
    EXPECT_LT(GetTickCount() - Start, 10000u) << "ends by itself";
    EXPECT_EQ(Error, u"DLL not installed — download timed out");
    EXPECT_EQ(ReadBytes(FLibrary), "working build");
    EXPECT_FALSE(TemporaryLeft());
}

// --- Registration and UDP policy ---


class RegistryInPrefix : public testing::Test {
protected:
    std::optional<UString> FSavedAllUsers = SavedVariable(L"AllUsersProfile");
    std::optional<UString> FSavedComSpec = SavedVariable(L"ComSpec");
    void SetUp() override { Clean(); }
    void TearDown() override
    {
        Clean();
        RestoreVariable(L"AllUsersProfile", FSavedAllUsers);
        RestoreVariable(L"ComSpec", FSavedComSpec);
    }
    static void Clean()
    {
        DeleteTree(HKEY_CURRENT_USER, win32::W(UString(TWinActions::AddinKeyPath)));
        RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, win32::W(UString(TWinActions::PolicyKeyPath)),
                           win32::W(UString(TWinActions::PolicyValueName)));
    }
    static void SetPolicy(DWORD AType, const void* AData, DWORD ASize)
    {
        ASSERT_EQ(RegSetKeyValueW(HKEY_LOCAL_MACHINE, win32::W(UString(TWinActions::PolicyKeyPath)),
                                  win32::W(UString(TWinActions::PolicyValueName)), AType, AData, ASize),
                  ERROR_SUCCESS);
    }
    static std::optional<DWORD> PolicyDword()
    {
        DWORD Value = 0;
        DWORD Size = sizeof Value;
        if (RegGetValueW(HKEY_LOCAL_MACHINE, win32::W(UString(TWinActions::PolicyKeyPath)),
                         win32::W(UString(TWinActions::PolicyValueName)), RRF_RT_REG_DWORD, nullptr, &Value,
                         &Size) != ERROR_SUCCESS)
            return std::nullopt;
        return Value;
    }
};

TEST_F(RegistryInPrefix, AddinNameIsTheInstalledLibrarysPath)
{
    SetEnvironmentVariableW(L"AllUsersProfile", L"C:\\ProgramData");
    ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, win32::W(UString(TWinActions::AddinKeyPath)), L"Other", REG_SZ,
                              L"kept", 10),
              ERROR_SUCCESS);
    EXPECT_TRUE(TWinActions::RegisterDLLInRegistry());

    wchar_t Value[MAX_PATH];
    DWORD Type = 0;
    DWORD Size = sizeof Value;
    ASSERT_EQ(RegGetValueW(HKEY_CURRENT_USER, win32::W(UString(TWinActions::AddinKeyPath)), L"Name", RRF_RT_ANY,
                           &Type, Value, &Size),
              ERROR_SUCCESS);
    EXPECT_EQ(Type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(std::wstring(Value), L"C:\\ProgramData\\ZelvCloud\\zelvcloud64.dll");
    EXPECT_EQ(Size, sizeof(L"C:\\ProgramData\\ZelvCloud\\zelvcloud64.dll")) << "stored with its terminating NUL";
    Size = sizeof Value;
    EXPECT_EQ(RegGetValueW(HKEY_CURRENT_USER, win32::W(UString(TWinActions::AddinKeyPath)), L"Other", RRF_RT_REG_SZ,
                           nullptr, Value, &Size),
              ERROR_SUCCESS);
    EXPECT_EQ(std::wstring(Value), L"kept");
}

// The prefix's own cmd.exe and reg.exe set the policy; Wine shows no elevation prompt (its user is
// already an administrator), so the launch starts the command at once.
TEST_F(RegistryInPrefix, PolicySetThroughTheElevatedCommand)
{
    EXPECT_FALSE(TWinActions::IsUDPDisabled());
    EXPECT_TRUE(TWinActions::DisableUDP());
    EXPECT_EQ(PolicyDword(), 1u);
    EXPECT_TRUE(TWinActions::IsUDPDisabled());
}

TEST_F(RegistryInPrefix, PolicyZeroReplacedWithoutComSpec)
{
    const DWORD Zero = 0;
    SetPolicy(REG_DWORD, &Zero, sizeof Zero);
    EXPECT_FALSE(TWinActions::IsUDPDisabled());
    SetEnvironmentVariableW(L"ComSpec", nullptr);
    EXPECT_TRUE(TWinActions::DisableUDP()) << "cmd.exe of the system folder";
    EXPECT_EQ(PolicyDword(), 1u);
}

TEST_F(RegistryInPrefix, PolicyOfAnotherTypeRaises)
{
    struct TCase {
        DWORD Type;
        std::string Data;
        UString Expected;
    };
    const TCase Cases[] = {
        {REG_SZ, std::string("1\0\0\0", 4), u"Invalid data type for 'fClientDisableUDP'"},
        {REG_QWORD, std::string("\1\0\0\0\0\0\0\0", 8), u"Failed to get data for 'fClientDisableUDP'"},
        {REG_SZ, std::string("1\0" "2\0" "3\0" "4\0" "5\0\0\0", 12), u"Failed to get data for 'fClientDisableUDP'"},
    };
    for (const TCase& C : Cases) {
        SetPolicy(C.Type, C.Data.data(), static_cast<DWORD>(C.Data.size()));
        for (bool Disable : {false, true}) {
            try {
                Disable ? TWinActions::DisableUDP() : TWinActions::IsUDPDisabled();
                ADD_FAILURE() << "no error for type " << C.Type;
            } catch (const ECloudSetupError& E) {
                EXPECT_EQ(E.Message(), C.Expected) << C.Type;
            }
        }
    }
}

}  // namespace
