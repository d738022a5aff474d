// The program as a user meets it: started from outside, signed in against the running stand-in
// sign-in service, set up against the stand-in download server, with its connection files on the
// prefix's real desktop, the add-in in the machine-wide folder and the values in the registry.
// Everything is typed, pressed and clicked from this second process; the test hook only makes the
// window paint before a screenshot and ends a leftover window when a test fails. The release build
// runs the happy path and the corrupted add-in against the shipped exe, which has no hook at all.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <filesystem>
#include <functional>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "profiles/CloudSetupRDPWriter.h"
#include "service/CloudSetupConst.h"
#include "service/CloudSetupJson.h"
#include "win/StandinControl.h"
#include "win/EndToEndFixture.h"
#include "win/WindowDriver.h"
#include "workstation/CloudSetupWinActions.h"
#include "workstation/CloudSetupWinActionsConst.h"
#include "win/FileHolder.h"
#include "win/FolderSecurity.h"

using namespace zelv;
using namespace zelv::test;
namespace fs = std::filesystem;

namespace {

const std::wstring IntegrityText =
    L"DLL integrity check failed — hash mismatch. The downloaded file does not match the expected version.";

// The bytes the connection-file writer makes for a company, on this workstation.
class TExpectedFile : TRDPWriter {
public:
    static std::string Bytes(UStringView ACode, UStringView AAddress) { return RDPFileBytes(BuildRDPLines(ACode, AAddress)); }
};

TEST_F(EndToEnd, HappyPathSetsUpTheTickedCompanies)
{
    // The library is held back a moment so the running page can be seen.
    DownloadFault(u"mode=stall&value=1500");
    TProgram Program;
    ASSERT_NE(Program.Window(), nullptr);
    TUser User(Program);
    ASSERT_NO_FATAL_FAILURE(SignIn(Program, User, L"e2e-happy-"));

    User.ClickListItem(0);  // ACME unticked: HQV and ZELV remain
    EXPECT_TRUE(WaitFor([&] { return Program.Ticks() == std::vector<bool>{false, true, true}; }));
    Program.Screenshot(L"e2e-happy-06-one-unticked");
    User.Click(TCtl::btnSetup);
    EXPECT_TRUE(WaitFor([&] { return Program.Showing(TCtl::memoStatus) && !Program.Showing(TCtl::lstCompanies); }));
    EXPECT_TRUE(WaitFor([&] { return Program.Text(TCtl::memoStatus).find(L"Downloading zelvcloud DLL...") != std::wstring::npos; }));
    Program.Screenshot(L"e2e-happy-07-running");

    const std::vector<std::wstring> Log = FinishedLog(Program);
    const std::wstring Desktop = DesktopFolder().wstring();
    const std::vector<std::wstring> Expected = {
        L"Starting setup...",
        L"RDP: " + FileOf(Companies[1]).wstring(),
        L"RDP: " + FileOf(Companies[2]).wstring(),
        L"Downloading zelvcloud DLL...",
        L"DLL: " + AddinPath().wstring(),
        L"Configuring registry...",
        L"Registry configured",
        L"Disabling UDP (may prompt for admin)...",
        L"UDP disabled for RDP",
    };
    EXPECT_EQ(Log, Expected) << Utf8(Program.Text(TCtl::memoStatus));
    EXPECT_EQ(Program.Text(TCtl::FLblSetupResult), L"Setup Complete!");
    EXPECT_TRUE(Program.Showing(TCtl::FLblSetupResult));
    EXPECT_FALSE(Program.Showing(TCtl::memoStatus));
    EXPECT_EQ(Program.Text(TCtl::FLblShowLog), L"Show install log");
    Program.Screenshot(L"e2e-happy-08-complete");

    User.ClickLink();
    EXPECT_TRUE(WaitFor([&] { return Program.Text(TCtl::FLblShowLog) == L"Hide install log"; }));
    EXPECT_TRUE(Program.Showing(TCtl::memoStatus));
    Program.Screenshot(L"e2e-happy-09-log-opened");
    User.ClickLink();
    EXPECT_TRUE(WaitFor([&] { return Program.Text(TCtl::FLblShowLog) == L"Show install log"; }));
    EXPECT_FALSE(Program.Showing(TCtl::memoStatus));
    Program.Screenshot(L"e2e-happy-10-log-hidden");

    User.Click(TCtl::btnSetup);
    ExpectClosedCleanly(Program);

    EXPECT_FALSE(fs::exists(FileOf(Companies[0]))) << "unticked";
    for (const TCompany& C : {Companies[1], Companies[2]}) {
        SCOPED_TRACE(Utf8(C.Code));
        EXPECT_EQ(ReadBytes(FileOf(C)), TExpectedFile::Bytes(win32::U(C.Code), C.Address));
    }
    const std::string Served = ReadBytes(fs::path(ZELV_TEST_ADDIN_DIR) / "zelvcloud64.dll");
    ASSERT_FALSE(Served.empty());
    EXPECT_EQ(ReadBytes(AddinPath()), Served);
    wchar_t Name[MAX_PATH] = {};
    DWORD Size = sizeof Name;
    EXPECT_EQ(RegGetValueW(HKEY_CURRENT_USER, W(TWinActions::AddinKeyPath).c_str(), L"Name", RRF_RT_REG_SZ, nullptr, Name, &Size),
              ERROR_SUCCESS);
    EXPECT_EQ(std::wstring(Name), AddinPath().wstring());
    DWORD Policy = 0;
    Size = sizeof Policy;
    EXPECT_EQ(RegGetValueW(HKEY_LOCAL_MACHINE, W(TWinActions::PolicyKeyPath).c_str(), W(TWinActions::PolicyValueName).c_str(),
                           RRF_RT_REG_DWORD, nullptr, &Policy, &Size),
              ERROR_SUCCESS);
    EXPECT_EQ(Policy, 1u);
}

// Each refusal leaves its text on the page of the request and the window idle, ready for the next
// try; one window goes through them all, as a user who keeps trying would.
TEST_F(EndToEnd, SignInFailuresLeaveTheWindowIdle)
{
    TProgram Program;
    ASSERT_NE(Program.Window(), nullptr);
    TUser User(Program);

    struct TEmailCase {
        const wchar_t* Screenshot;
        const char* Fault;  // switched on at the service before the request
        std::wstring Typed;
        std::wstring Status;
        bool Prefix;  // the status starts with the text, the rest is the system's message
    };
    const TEmailCase EmailCases[] = {
        {L"empty", nullptr, L"   ", L"Please enter your email address.", false},
        {L"unknown-address", nullptr, L"Nobody@Example.test", L"Email address not found. Please check and try again.", false},
        {L"html-answer", R"({"mode":"html"})", Demo, L"Invalid response from server", false},
        // Sent on to a port where nothing listens: the connection is refused at once, where a
        // silent server would take the client's full time-out.
        {L"service-unreachable", R"({"mode":"status","status":307,"location":"https://localhost:1/cloudsetup/auth/request-code","body":""})",
         Demo, L"Connection error: ", true},
    };
    for (const TEmailCase& C : EmailCases) {
        SCOPED_TRACE(Utf8(C.Screenshot));
        if (C.Fault)
            SignInFault(C.Fault);
        // A different text first, so each answer is seen to arrive.
        SendMessageW(Program.Child(TCtl::lblEmailStatus), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
        User.TypeInto(TCtl::edtEmail, C.Typed);
        User.PressEnter(TCtl::edtEmail);
        EXPECT_TRUE(WaitFor([&] {
            const std::wstring Status = Program.Text(TCtl::lblEmailStatus);
            return C.Prefix ? Status.rfind(C.Status, 0) == 0 && Status.size() > C.Status.size() : Status == C.Status;
        }, SignInTimeoutMs)) << Utf8(Program.Text(TCtl::lblEmailStatus));
        EXPECT_TRUE(User.Idle());
        EXPECT_TRUE(Program.Showing(TCtl::edtEmail));
        EXPECT_FALSE(Program.Showing(TCtl::edtCode));
        Program.Screenshot(std::wstring(L"e2e-signin-") + C.Screenshot);
        Send(u"POST", SignInOrigin() + u"/control/fault", R"({"mode":"none"})");
    }

    ASSERT_NO_FATAL_FAILURE(RequestCode(Program, User, {}));
    const std::wstring Wrong = FCode == L"000000" ? L"000001" : L"000000";
    struct TCodeCase {
        const wchar_t* Screenshot;
        std::wstring Typed;
        std::wstring Status;
    };
    const std::wstring Invalid = L"Invalid verification code. Please try again.";
    // The fifth wrong code voids the code.
    const TCodeCase CodeCases[] = {
        {L"five-characters", L"12345", L"Please enter the 6-digit code."},
        {L"wrong-code", Wrong, Invalid},
        {L"wrong-code-2", Wrong, Invalid},
        {L"wrong-code-3", Wrong, Invalid},
        {L"wrong-code-4", Wrong, Invalid},
        {L"too-many-attempts", Wrong, L"Too many attempts. Please request a new code."},
    };
    for (const TCodeCase& C : CodeCases) {
        SCOPED_TRACE(Utf8(C.Screenshot));
        // A different text first, so each answer is seen to arrive.
        SendMessageW(Program.Child(TCtl::lblCodeStatus), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
        User.TypeInto(TCtl::edtCode, C.Typed);
        User.PressEnter(TCtl::edtCode);
        EXPECT_TRUE(WaitFor([&] { return Program.Text(TCtl::lblCodeStatus) == C.Status; }, SignInTimeoutMs))
            << Utf8(Program.Text(TCtl::lblCodeStatus));
        EXPECT_TRUE(User.Idle());
        EXPECT_TRUE(Program.Showing(TCtl::edtCode));
        EXPECT_FALSE(Program.Showing(TCtl::lstCompanies));
        if (C.Screenshot != std::wstring(L"wrong-code-2") && C.Screenshot != std::wstring(L"wrong-code-3") &&
            C.Screenshot != std::wstring(L"wrong-code-4"))
            Program.Screenshot(std::wstring(L"e2e-signin-") + C.Screenshot);
    }
}

// Another program holds the second company's file open: its error stands between the other two,
// and the library, registry and UDP steps still run.
TEST_F(EndToEnd, FileHeldOpenIsAnErrorOfItsCompanyOnly)
{
    const fs::path Held = FileOf(Companies[1]);
    std::ofstream(Held, std::ios::binary) << "old";
    test::THeldFile Holder(Held);
    ASSERT_TRUE(Holder.Held()) << "the holder has the file open";

    {
        TProgram Program;
        ASSERT_NE(Program.Window(), nullptr);
        TUser User(Program);
        ASSERT_NO_FATAL_FAILURE(SignIn(Program, User));
        User.Click(TCtl::btnSetup);
        const std::vector<std::wstring> Log = FinishedLog(Program);
        ASSERT_EQ(Log.size(), 10u) << Utf8(Program.Text(TCtl::memoStatus));
        EXPECT_EQ(Log[1], L"RDP: " + FileOf(Companies[0]).wstring());
        EXPECT_EQ(Log[2].rfind(L"ERROR (RDP HQV): ", 0), 0u) << Utf8(Log[2]);
        EXPECT_GT(Log[2].size(), std::wstring(L"ERROR (RDP HQV): ").size()) << "with the reason";
        EXPECT_EQ(Log[3], L"RDP: " + FileOf(Companies[2]).wstring());
        EXPECT_EQ(std::vector<std::wstring>(Log.begin() + 4, Log.end()),
                  (std::vector<std::wstring>{L"Downloading zelvcloud DLL...", L"DLL: " + AddinPath().wstring(),
                                             L"Configuring registry...", L"Registry configured",
                                             L"Disabling UDP (may prompt for admin)...", L"UDP disabled for RDP"}));
        EXPECT_EQ(Program.Text(TCtl::FLblSetupResult), L"Completed with errors — see details below");
        EXPECT_TRUE(Program.Showing(TCtl::memoStatus));
        EXPECT_FALSE(Program.Showing(TCtl::FLblShowLog));
        EXPECT_EQ(Program.Rect(TCtl::memoStatus).top, 120 + 62);
        const RECT Setup = Program.Rect(TCtl::btnSetup);
        EXPECT_EQ(Program.PixelAt(Setup.left + 12, Setup.top + 6), RGB(0x88, 0x88, 0x88)) << "grey button";
        Program.Screenshot(L"e2e-run-file-held-open");
        User.Click(TCtl::btnSetup);
        ExpectClosedCleanly(Program);
    }
    Holder.Release();
    EXPECT_EQ(ReadBytes(Held), "old") << "the held file is left as it was";
    EXPECT_EQ(ReadBytes(FileOf(Companies[2])), TExpectedFile::Bytes(u"ZELV", Companies[2].Address));
}

TEST_F(EndToEnd, CorruptedAddinIsAnErrorRegistrationSkippedAndUdpStillRuns)
{
    DownloadFault(u"mode=corrupt");
    TProgram Program;
    ASSERT_NE(Program.Window(), nullptr);
    TUser User(Program);
    ASSERT_NO_FATAL_FAILURE(SignIn(Program, User));
    User.Click(TCtl::btnSetup);
    const std::vector<std::wstring> Log = FinishedLog(Program);
    ASSERT_EQ(Log.size(), 10u) << Utf8(Program.Text(TCtl::memoStatus));
    EXPECT_EQ(std::vector<std::wstring>(Log.begin() + 4, Log.end()),
              (std::vector<std::wstring>{L"Downloading zelvcloud DLL...", L"ERROR: " + IntegrityText,
                                         L"Configuring registry...",
                                         L"Note: Registry configuration skipped — no verified add-in library at " +
                                             AddinPath().wstring(),
                                         L"Disabling UDP (may prompt for admin)...", L"UDP disabled for RDP"}));
    EXPECT_EQ(Program.Text(TCtl::FLblSetupResult), L"Completed with errors — see details below");
    EXPECT_FALSE(fs::exists(AddinPath())) << "nothing of the corrupted download is left in place";
    Program.Screenshot(L"e2e-run-corrupted-addin");
    User.Click(TCtl::btnSetup);
    ExpectClosedCleanly(Program);
}

// An accountant with a thousand client companies: every one is listed, ticked and read out by a
// screen reader, and one run writes every file and logs every line, far past the 32,767
// characters an edit box takes by default.
TEST_F(EndToEnd, AThousandCompaniesAreListedReadAndSetUp)
{
    constexpr int Count = 1000;
    const std::wstring Email = L"many@example.test";
    Send(u"POST", SignInOrigin() + u"/control/user", R"({"email": "many@example.test", "companyCount": 1000})");
    const auto CodeOf = [](int AIndex) {
        wchar_t Code[16];
        swprintf(Code, 16, L"C%05d", AIndex + 1);
        return std::wstring(Code);
    };
    const auto FileOfCompany = [&](int AIndex) { return DesktopFolder() / (CodeOf(AIndex) + L" Zelv Cloud.rdp"); };
    struct TCleanDesktop {
        std::function<fs::path(int)> File;
        ~TCleanDesktop()
        {
            for (int I = 0; I < Count; ++I)
                DeleteFileW(File(I).c_str());
        }
    } Clean{FileOfCompany};

    TProgram Program;
    ASSERT_NE(Program.Window(), nullptr);
    TUser User(Program);
    User.TypeInto(TCtl::edtEmail, Email);
    User.PressEnter(TCtl::edtEmail);
    ASSERT_TRUE(WaitFor([&] { return Program.Showing(TCtl::edtCode); }, SignInTimeoutMs));
    ASSERT_TRUE(User.Idle());
    User.TypeInto(TCtl::edtCode, OutboxCode(Email));
    User.Click(TCtl::btnVerify);
    ASSERT_TRUE(WaitFor([&] { return Program.Showing(TCtl::lstCompanies); }, SignInTimeoutMs))
        << Utf8(Program.Text(TCtl::lblCodeStatus));
    ASSERT_TRUE(User.Idle());

    // The list is whole and takes input as soon as it shows, whatever its length.
    HWND List = Program.Child(TCtl::lstCompanies);
    ASSERT_TRUE(WaitFor([&] { return IsWindowEnabled(List) != FALSE; }, SignInTimeoutMs));
    ASSERT_EQ(SendMessageW(List, LB_GETCOUNT, 0, 0), Count);
    const std::vector<TAccessibleRead> Items = AccessibleItems(List);
    ASSERT_EQ(Items.size(), static_cast<size_t>(Count));
    for (int I = 0; I < Count; ++I) {
        const std::wstring Name =
            CodeOf(I) + L"  (rds" + std::to_wstring(I + 1) + L".many.zelvcloud.invalid)";
        ASSERT_EQ(Items[I].Name, Name) << "item " << I;
        ASSERT_TRUE(Items[I].Checked()) << "item " << I;
    }
    User.ClickListItem(0);
    EXPECT_TRUE(WaitFor([&] { return !ReadAccessible(*AccessibleOf(List).Get(), 1).Checked(); }));
    EXPECT_TRUE(ReadAccessible(*AccessibleOf(List).Get(), 2).Checked());

    User.Click(TCtl::btnSetup);
    EXPECT_TRUE(WaitFor([&] { return Program.Text(TCtl::btnSetup) == L"Close"; }, 10 * RunTimeoutMs))
        << Utf8(Program.Text(TCtl::memoStatus).substr(0, 2000));
    const std::vector<std::wstring> Log = Lines(Program.Text(TCtl::memoStatus));
    ASSERT_EQ(Log.size(), static_cast<size_t>(1 + (Count - 1) + 6));
    EXPECT_EQ(Log.front(), L"Starting setup...");
    for (int I = 1; I < Count; ++I)
        ASSERT_EQ(Log[I], L"RDP: " + FileOfCompany(I).wstring()) << "line " << I;
    EXPECT_EQ(Log.back(), L"UDP disabled for RDP");
    EXPECT_EQ(Program.Text(TCtl::FLblSetupResult), L"Setup Complete!");
    EXPECT_FALSE(fs::exists(FileOfCompany(0))) << "unticked";
    for (int I : {1, Count / 2, Count - 1})
        EXPECT_EQ(ReadBytes(FileOfCompany(I)),
                  TExpectedFile::Bytes(win32::U(CodeOf(I)),
                                       u"rds" + win32::U(std::to_wstring(I + 1)) + u".many.zelvcloud.invalid"));
    for (int I = 1; I < Count; ++I)
        ASSERT_TRUE(fs::exists(FileOfCompany(I))) << Utf8(CodeOf(I));

    // The opened log lies where it does after a run of three: 200 units high, 8 above the button.
    User.ClickLink();
    ASSERT_TRUE(WaitFor([&] { return Program.Showing(TCtl::memoStatus); }));
    const RECT LogBox = Program.Rect(TCtl::memoStatus), Button = Program.Rect(TCtl::btnSetup);
    EXPECT_EQ(LogBox.bottom - LogBox.top, 200);
    EXPECT_EQ(Button.top - LogBox.bottom, 8);
    User.Click(TCtl::btnSetup);
    ExpectClosedCleanly(Program);
}

// Another user put a library of their own at the install path, and a program of theirs holds it
// open as a loaded library is held (others may read it): it is neither taken as installed nor
// registered, and the UDP step still runs.
TEST_F(EndToEnd, PlantedLibraryHeldOpenIsNeitherUsedNorRegistered)
{
    fs::create_directories(AddinPath().parent_path());
    std::ofstream(AddinPath(), std::ios::binary) << "MZ another user's library";
    test::THeldFile Holder(AddinPath(), true);
    ASSERT_TRUE(Holder.Held()) << "the holder has the library open";
    {
        TProgram Program;
        ASSERT_NE(Program.Window(), nullptr);
        TUser User(Program);
        ASSERT_NO_FATAL_FAILURE(SignIn(Program, User));
        User.Click(TCtl::btnSetup);
        const std::vector<std::wstring> Log = FinishedLog(Program);
        ASSERT_EQ(Log.size(), 10u) << Utf8(Program.Text(TCtl::memoStatus));
        EXPECT_EQ(std::vector<std::wstring>(Log.begin() + 4, Log.end()),
                  (std::vector<std::wstring>{
                      L"Downloading zelvcloud DLL...",
                      L"ERROR: DLL not installed — the file \"" + AddinPath().wstring() +
                          L"\" is in use and is not a verified copy of the add-in. Close all ZELV Cloud RDP sessions, then re-run setup.",
                      L"Configuring registry...",
                      L"Note: Registry configuration skipped — no verified add-in library at " + AddinPath().wstring(),
                      L"Disabling UDP (may prompt for admin)...", L"UDP disabled for RDP"}))
            << Utf8(Program.Text(TCtl::memoStatus));
        EXPECT_EQ(Program.Text(TCtl::FLblSetupResult), L"Completed with errors — see details below");
        Program.Screenshot(L"e2e-run-planted-library");
        User.Click(TCtl::btnSetup);
        ExpectClosedCleanly(Program);
    }
    Holder.Release();
    EXPECT_EQ(ReadBytes(AddinPath()), "MZ another user's library") << "left as it was";
    HKEY Key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, W(TWinActions::AddinKeyPath).c_str(), 0, KEY_READ, &Key) == ERROR_SUCCESS) {
        EXPECT_NE(RegQueryValueExW(Key, L"Name", nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS) << "not registered";
        RegCloseKey(Key);
    }
}

// Another account owns the install folder (another Unix owner on the bench) and may change what
// it holds, a verified library among it: nothing is requested or written there, nothing is
// registered, and the UDP step still runs.
TEST_F(EndToEnd, InstallFolderOfAnotherAccountIsRefusedAndNothingRegistered)
{
    const fs::path Folder = AddinPath().parent_path();
    fs::create_directories(Folder);
    const std::string Served = ReadBytes(fs::path(ZELV_TEST_ADDIN_DIR) / "zelvcloud64.dll");
    ASSERT_FALSE(Served.empty());
    std::ofstream(AddinPath(), std::ios::binary) << Served;
    ASSERT_NO_FATAL_FAILURE(RunUnixTool(L"chown", L"-R 65534", Folder));
    ASSERT_TRUE(WaitForSecurity(Folder, [](const std::wstring& ASddl) { return ASddl.rfind(AnotherOwner, 0) == 0; }))
        << Utf8(SecurityOf(Folder));
    {
        TProgram Program;
        ASSERT_NE(Program.Window(), nullptr);
        TUser User(Program);
        ASSERT_NO_FATAL_FAILURE(SignIn(Program, User));
        User.Click(TCtl::btnSetup);
        const std::vector<std::wstring> Log = FinishedLog(Program);
        ASSERT_EQ(Log.size(), 10u) << Utf8(Program.Text(TCtl::memoStatus));
        EXPECT_EQ(std::vector<std::wstring>(Log.begin() + 4, Log.end()),
                  (std::vector<std::wstring>{
                      L"Downloading zelvcloud DLL...",
                      L"ERROR: DLL not installed — the folder \"" + Folder.wstring() +
                          L"\\\" can be changed by another account. An administrator must remove the folder or restrict who may change it, then re-run setup."
                          L" If the folder is your own, close all ZELV Cloud RDP sessions, then re-run setup.",
                      L"Configuring registry...",
                      L"Note: Registry configuration skipped — no verified add-in library at " + AddinPath().wstring(),
                      L"Disabling UDP (may prompt for admin)...", L"UDP disabled for RDP"}))
            << Utf8(Program.Text(TCtl::memoStatus));
        EXPECT_EQ(Program.Text(TCtl::FLblSetupResult), L"Completed with errors — see details below");
        Program.Screenshot(L"e2e-run-install-folder-of-another-account");
        User.Click(TCtl::btnSetup);
        ExpectClosedCleanly(Program);
    }
    EXPECT_EQ(Send(u"GET", UString(consts::AddinDownloadBase) + u"/control/log").Body, "") << "nothing requested";
    EXPECT_EQ(ReadBytes(AddinPath()), Served) << "left as it was";
    EXPECT_FALSE(fs::exists(AddinPath().wstring() + L".download"));
    HKEY Key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, W(TWinActions::AddinKeyPath).c_str(), 0, KEY_READ, &Key) == ERROR_SUCCESS) {
        EXPECT_NE(RegQueryValueExW(Key, L"Name", nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS) << "not registered";
        RegCloseKey(Key);
    }
}

// The download server, or anyone on the way to it, sends without end or more than the limit: the
// run ends by itself, with the add-in's error, and the UDP step still runs.
TEST_F(EndToEnd, EndlessOrOversizedDownloadEndsTheRunWithAnError)
{
    for (const char16_t* Fault : {u"mode=endless", u"mode=oversize&value=67108865"}) {
        SCOPED_TRACE(DebugUtf8(Fault));
        CleanMachine();
        DownloadFault(Fault);
        TProgram Program;
        ASSERT_NE(Program.Window(), nullptr);
        TUser User(Program);
        ASSERT_NO_FATAL_FAILURE(SignIn(Program, User));
        User.Click(TCtl::btnSetup);
        const std::vector<std::wstring> Log = FinishedLog(Program);
        ASSERT_EQ(Log.size(), 10u) << Utf8(Program.Text(TCtl::memoStatus));
        EXPECT_EQ(std::vector<std::wstring>(Log.begin() + 4, Log.end()),
                  (std::vector<std::wstring>{L"Downloading zelvcloud DLL...",
                                             L"ERROR: DLL not installed — The server's answer is larger than the limit of 64 MiB",
                                             L"Configuring registry...",
                                             L"Note: Registry configuration skipped — no verified add-in library at " +
                                                 AddinPath().wstring(),
                                             L"Disabling UDP (may prompt for admin)...", L"UDP disabled for RDP"}))
            << Utf8(Program.Text(TCtl::memoStatus));
        EXPECT_FALSE(fs::exists(AddinPath()));
        EXPECT_FALSE(fs::exists(AddinPath().wstring() + L".download")) << "the partial download is removed";
        User.Click(TCtl::btnSetup);
        ExpectClosedCleanly(Program);
    }
}

TEST_F(EndToEnd, ClosingDuringARunIsRefusedAndTheRunGoesOn)
{
    DownloadFault(u"mode=stall&value=2500");
    TProgram Program;
    ASSERT_NE(Program.Window(), nullptr);
    TUser User(Program);
    ASSERT_NO_FATAL_FAILURE(SignIn(Program, User));
    User.Click(TCtl::btnSetup);
    ASSERT_TRUE(WaitFor([&] { return Program.Text(TCtl::memoStatus).find(L"Downloading zelvcloud DLL...") != std::wstring::npos; }));
    PostMessageW(Program.Window(), WM_CLOSE, 0, 0);

    HWND Box = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (Box = TopWindowOf(Program.ProcessId(), L"#32770")) != nullptr; }));
    EXPECT_EQ(TextOf(Box), Title);
    EXPECT_EQ(TextOf(GetDlgItem(Box, 0xFFFF)), L"Please wait for setup to complete before closing.");
    SendMessageW(GetDlgItem(Box, IDOK), BM_CLICK, 0, 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(Box); }));

    const std::vector<std::wstring> Log = FinishedLog(Program);
    ASSERT_FALSE(Log.empty());
    EXPECT_EQ(Log.back(), L"UDP disabled for RDP");
    EXPECT_EQ(Program.Text(TCtl::FLblSetupResult), L"Setup Complete!");
    User.Click(TCtl::btnSetup);
    ExpectClosedCleanly(Program);
}

// The window may close while the service has not answered yet: the service holds its answer
// until the program has ended, and the program ends normally.
TEST_F(EndToEnd, ClosingDuringAVerificationEndsTheProgramCleanly)
{
    const UString HeldAnswers = SignInOrigin() + u"/control/held";
    TProgram Program;
    ASSERT_NE(Program.Window(), nullptr);
    TUser User(Program);
    ASSERT_NO_FATAL_FAILURE(RequestCode(Program, User, {}));
    SignInFault(R"({"mode":"hold"})");
    User.TypeInto(TCtl::edtCode, FCode);
    User.Click(TCtl::btnVerify);
    ASSERT_TRUE(WaitFor([&] { return Send(u"GET", HeldAnswers).Body == R"({"held":["/cloudsetup/auth/verify-code"]})"; },
                        SignInTimeoutMs))
        << "the verification has reached the service, which holds its answer";
    EXPECT_EQ(Program.Text(TCtl::lblCodeStatus), L"Verifying...");
    PostMessageW(Program.Window(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(Program.Window()); })) << "closing is allowed";
    EXPECT_EQ(TopWindowOf(Program.ProcessId(), L"#32770"), nullptr) << "no message box";
    ExpectClosedCleanly(Program, SignInTimeoutMs);
    EXPECT_EQ(Send(u"GET", HeldAnswers).Body, R"({"held":["/cloudsetup/auth/verify-code"]})")
        << "the program ended before the answer was sent";
}

}  // namespace
