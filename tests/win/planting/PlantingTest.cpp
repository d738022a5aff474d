// The exe handed to users, started from the user's Downloads folder as people do, with libraries
// beside it named like the system libraries that it, or Windows' own libraries inside it, load by
// name. Each planted library leaves a marker when its code runs (PlantedLibrary.c). Windows looks
// in the program's folder first for any library outside its known ones; Wine prefers its own
// copies unless told otherwise, so this test runs with those names "native first" in
// WINEDLLOVERRIDES (ZELV_WINEDLLOVERRIDES of the bench, see CMakeLists.txt), which the programs it
// starts inherit: then Wine takes them from the folder as Windows would.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "service/CloudSetupConst.h"
#include "service/CloudSetupJson.h"
#include "win/StandinControl.h"
#include "win/WindowDriver.h"
#include "workstation/CloudSetupWinActions.h"

using namespace zelv;
using namespace zelv::test;
namespace fs = std::filesystem;

namespace {

// The names planted, as the build lists them.
std::vector<std::wstring> PlantedNames()
{
    std::vector<std::wstring> Names;
    const std::wstring All = ZELV_PLANTED_NAMES;
    for (size_t Start = 0; Start < All.size();) {
        const size_t End = std::min(All.find(L',', Start), All.size());
        Names.push_back(All.substr(Start, End - Start));
        Start = End + 1;
    }
    return Names;
}

constexpr DWORD SignInTimeoutMs = 15000;
constexpr DWORD RunTimeoutMs = 30000;  // the UDP step starts the prefix's cmd.exe and reg.exe
constexpr DWORD ProbeTimeoutMs = 20000;

std::string Utf8(const std::wstring& AText) { return DebugUtf8(win32::U(AText)); }
std::wstring W(const UString& AText) { return win32::W(AText); }

fs::path KnownFolder(REFKNOWNFOLDERID AFolder)
{
    PWSTR Path = nullptr;
    fs::path Result;
    if (SUCCEEDED(SHGetKnownFolderPath(AFolder, 0, nullptr, &Path)))
        Result = Path;
    CoTaskMemFree(Path);
    return Result;
}

// A folder of its own in the user's Downloads, holding one planted library under each name and
// whatever program a test lays beside them.
class TPlantedFolder {
public:
    TPlantedFolder()
    {
        const fs::path Downloads = KnownFolder(FOLDERID_Downloads);
        EXPECT_FALSE(Downloads.empty());
        FPath = Downloads / (L"zelv-planting-" + std::to_wstring(GetCurrentProcessId()));
        std::error_code Ignored;
        fs::remove_all(FPath, Ignored);
        fs::create_directories(FPath);
        for (const std::wstring& Name : PlantedNames())
            fs::copy_file(ZELV_PLANTED_LIBRARY, FPath / (Name + L".dll"));
    }
    ~TPlantedFolder()
    {
        std::error_code Ignored;
        fs::remove_all(FPath, Ignored);
    }
    TPlantedFolder(const TPlantedFolder&) = delete;
    TPlantedFolder& operator=(const TPlantedFolder&) = delete;

    const fs::path& Path() const { return FPath; }

    // Copies a program into the folder, where it is then started from.
    fs::path Place(const fs::path& AProgram) const
    {
        const fs::path Placed = FPath / AProgram.filename();
        fs::copy_file(AProgram, Placed, fs::copy_options::overwrite_existing);
        return Placed;
    }

    // The planted libraries whose code ran, by name.
    std::vector<std::wstring> Ran() const
    {
        std::vector<std::wstring> Names;
        for (const auto& Entry : fs::directory_iterator(FPath)) {
            std::wstring Name = Entry.path().filename().wstring();
            CharLowerW(Name.data());
            if (Name.size() > 8 && Name.ends_with(L".dll.ran"))
                Names.push_back(Name.substr(0, Name.size() - 8));
        }
        std::sort(Names.begin(), Names.end());
        return Names;
    }

    void ForgetRuns() const
    {
        for (const auto& Entry : fs::directory_iterator(FPath))
            if (Entry.path().extension() == L".ran")
                fs::remove(Entry.path());
    }

private:
    fs::path FPath;
};

std::string Describe(const std::vector<std::wstring>& ANames)
{
    std::string Text;
    for (const std::wstring& Name : ANames)
        Text += (Text.empty() ? "" : ", ") + Utf8(Name);
    return Text.empty() ? "none" : Text;
}

// Whether the planted names are "native first" for the programs this test starts. Without it, Wine
// would take its own copies whatever lies in the folder, and the test could not fail.
bool PlantedNamesPreferred()
{
    std::wstring Overrides(32767, L'\0');
    Overrides.resize(GetEnvironmentVariableW(L"WINEDLLOVERRIDES", Overrides.data(), 32767));
    return Overrides.find(std::wstring(ZELV_PLANTED_NAMES) + L"=n,b") != std::wstring::npos;
}

// For the programs started while it lives, the folder is the current one, as when a program is
// opened from it.
class TStartedFromFolder {
public:
    explicit TStartedFromFolder(const TPlantedFolder& AFolder) : FSavedDirectory(fs::current_path())
    {
        EXPECT_TRUE(PlantedNamesPreferred()) << "WINEDLLOVERRIDES lacks the planted names; run the test through ctest";
        fs::current_path(AFolder.Path());
    }
    ~TStartedFromFolder() { fs::current_path(FSavedDirectory); }
    TStartedFromFolder(const TStartedFromFolder&) = delete;
    TStartedFromFolder& operator=(const TStartedFromFolder&) = delete;

private:
    fs::path FSavedDirectory;
};

// Runs a program to its end; its exit code.
DWORD RunToEnd(const fs::path& AProgram, const std::wstring& AArguments)
{
    std::wstring CommandLine = L"\"" + AProgram.wstring() + L"\"" + (AArguments.empty() ? L"" : L" " + AArguments);
    STARTUPINFOW Startup = {};
    Startup.cb = sizeof Startup;
    PROCESS_INFORMATION Info = {};
    if (!CreateProcessW(AProgram.c_str(), CommandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &Startup, &Info)) {
        ADD_FAILURE() << "cannot start " << Utf8(AProgram.wstring()) << ": error " << GetLastError();
        return 0;
    }
    win32::UniqueHandleObj Process(Info.hProcess), Thread(Info.hThread);
    if (WaitForSingleObject(Process.Get(), ProbeTimeoutMs) != WAIT_OBJECT_0) {
        TerminateProcess(Process.Get(), 1);
        ADD_FAILURE() << Utf8(AProgram.wstring()) << " did not end";
    }
    DWORD ExitCode = 0;
    GetExitCodeProcess(Process.Get(), &ExitCode);
    return ExitCode;
}

// The planting sees a library taken from beside a program, both ways Windows would take one: a
// plain program's static import and its load by bare name. The same program no longer takes the
// library once it has confined the search to the system directory.
TEST(Planting, CatchesAPlainProgramsStaticImportAndItsLoadByName)
{
    TPlantedFolder Folder;
    const fs::path Static = Folder.Place(ZELV_PROBE_STATIC), ByName = Folder.Place(ZELV_PROBE_BYNAME);
    TStartedFromFolder Started(Folder);
    struct TCase {
        const char* What;
        fs::path Program;
        std::wstring Arguments;
        std::vector<std::wstring> Ran;
        bool Loads;  // the program started and its library loaded
    };
    const TCase Cases[] = {
        {"static import of msimg32", Static, L"", {L"msimg32"}, false},
        {"dwmapi.dll by bare name", ByName, L"", {L"dwmapi"}, false},
        {"dwmapi.dll by bare name, search confined first", ByName, L"confined", {}, true},
    };
    for (const TCase& C : Cases) {
        SCOPED_TRACE(C.What);
        Folder.ForgetRuns();
        const DWORD ExitCode = RunToEnd(C.Program, C.Arguments);
        EXPECT_EQ(Folder.Ran(), C.Ran) << "planted libraries that ran: " << Describe(Folder.Ran());
        EXPECT_EQ(ExitCode == 0, C.Loads) << "exit code " << ExitCode;
    }
}

// The demo user's companies, in the order of the list.
const wchar_t* const Companies[] = {L"ACME", L"HQV", L"ZELV"};

fs::path FileOf(const wchar_t* ACompany)
{
    return KnownFolder(FOLDERID_Desktop) / (std::wstring(ACompany) + L" Zelv Cloud.rdp");
}

// A whole run of the shipped exe from the planted folder: the machine-wide folder is one of the
// test's own (the program inherits it), and the desktop files and registry values of a run are
// cleared before and after.
class PlantedRun : public testing::Test {
protected:
    void SetUp() override
    {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        ResetStandins();
        CleanMachine();
        wchar_t Temp[MAX_PATH + 1] = {};
        GetTempPathW(MAX_PATH + 1, Temp);
        FAllUsers = fs::path(Temp) / (L"zelv-planting-" + std::to_wstring(GetCurrentProcessId()));
        fs::create_directories(FAllUsers);
        GetEnvironmentVariableW(L"AllUsersProfile", FSavedAllUsers, MAX_PATH);
        SetEnvironmentVariableW(L"AllUsersProfile", FAllUsers.c_str());
    }

    void TearDown() override
    {
        SetEnvironmentVariableW(L"AllUsersProfile", FSavedAllUsers[0] ? FSavedAllUsers : nullptr);
        std::error_code Ignored;
        fs::remove_all(FAllUsers, Ignored);
        CleanMachine();
        ResetStandins();
        CoUninitialize();
    }

    static void CleanMachine()
    {
        RegDeleteTreeW(HKEY_CURRENT_USER, W(TWinActions::AddinKeyPath).c_str());
        RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, W(TWinActions::PolicyKeyPath).c_str(), W(TWinActions::PolicyValueName).c_str());
        for (const wchar_t* Company : Companies)
            DeleteFileW(FileOf(Company).c_str());
    }

    // Signs in, sets up every company and closes the window, typing and clicking as a user does.
    void SignInAndSetUp(const TProgram& AProgram)
    {
        const auto TypeInto = [&](TCtl ABox, const std::wstring& AText) {
            SendMessageW(AProgram.Child(ABox), EM_SETSEL, 0, -1);
            for (wchar_t Typed : AText)
                PostMessageW(AProgram.Child(ABox), WM_CHAR, Typed, 0);
            ASSERT_TRUE(AProgram.Wait([&] { return AProgram.Text(ABox) == AText; }));
        };
        const auto Idle = [&] {
            return AProgram.Wait([&] { return !AProgram.Showing(TCtl::AniIndicator) && AProgram.Enabled(TCtl::edtEmail); },
                                 SignInTimeoutMs);
        };
        ASSERT_NE(AProgram.Window(), nullptr);
        ASSERT_NO_FATAL_FAILURE(TypeInto(TCtl::edtEmail, L"demo@example.test"));
        PostMessageW(AProgram.Child(TCtl::edtEmail), WM_KEYDOWN, VK_RETURN, 0);
        ASSERT_TRUE(AProgram.Wait([&] { return AProgram.Showing(TCtl::edtCode); }, SignInTimeoutMs))
            << Utf8(AProgram.Text(TCtl::lblEmailStatus));
        ASSERT_TRUE(Idle());
        const std::wstring Code = OutboxCode(L"demo@example.test");
        ASSERT_EQ(Code.size(), 6u);
        ASSERT_NO_FATAL_FAILURE(TypeInto(TCtl::edtCode, Code));
        PostMessageW(AProgram.Child(TCtl::btnVerify), BM_CLICK, 0, 0);
        ASSERT_TRUE(AProgram.Wait([&] { return AProgram.Showing(TCtl::lstCompanies); }, SignInTimeoutMs))
            << Utf8(AProgram.Text(TCtl::lblCodeStatus));
        ASSERT_TRUE(Idle());
        // Read as a screen reader reads it, so the program's accessibility library is loaded too.
        EXPECT_EQ(AProgram.Ticks(), (std::vector<bool>{true, true, true}));

        PostMessageW(AProgram.Child(TCtl::btnSetup), BM_CLICK, 0, 0);
        ASSERT_TRUE(AProgram.Wait([&] { return AProgram.Text(TCtl::btnSetup) == L"Close"; }, RunTimeoutMs))
            << Utf8(AProgram.Text(TCtl::memoStatus));
        std::vector<std::wstring> Expected = {L"Starting setup..."};
        for (const wchar_t* Company : Companies)
            Expected.push_back(L"RDP: " + FileOf(Company).wstring());
        const fs::path Addin = FAllUsers / L"ZelvCloud" / L"zelvcloud64.dll";
        Expected.insert(Expected.end(), {L"Downloading zelvcloud DLL...", L"DLL: " + Addin.wstring(), L"Configuring registry...",
                                         L"Registry configured", L"Disabling UDP (may prompt for admin)...", L"UDP disabled for RDP"});
        EXPECT_EQ(Lines(AProgram.Text(TCtl::memoStatus)), Expected) << Utf8(AProgram.Text(TCtl::memoStatus));
        EXPECT_EQ(AProgram.Text(TCtl::FLblSetupResult), L"Setup Complete!");

        PostMessageW(AProgram.Child(TCtl::btnSetup), BM_CLICK, 0, 0);
        ASSERT_EQ(WaitForSingleObject(AProgram.Process(), StepTimeoutMs), static_cast<DWORD>(WAIT_OBJECT_0));
        DWORD ExitCode = 1;
        GetExitCodeProcess(AProgram.Process(), &ExitCode);
        EXPECT_EQ(ExitCode, 0u);
        for (const wchar_t* Company : Companies)
            EXPECT_TRUE(fs::exists(FileOf(Company))) << Utf8(Company);
        EXPECT_EQ(ReadBytes(Addin), ReadBytes(fs::path(ZELV_TEST_ADDIN_DIR) / "zelvcloud64.dll"));
    }

    fs::path FAllUsers;
    wchar_t FSavedAllUsers[MAX_PATH] = {};
};

TEST_F(PlantedRun, ShippedExeRunsASetupWithoutLoadingAnyLibraryBesideIt)
{
    TPlantedFolder Folder;
    const fs::path Program = Folder.Place(ZELV_SHIPPED_EXE);
    {
        TStartedFromFolder Started(Folder);
        TProgram Run(TBuild::Shipped, Program.c_str());
        SignInAndSetUp(Run);
    }
    EXPECT_EQ(Folder.Ran(), std::vector<std::wstring>{}) << "planted libraries that ran: " << Describe(Folder.Ran());
}

}  // namespace
