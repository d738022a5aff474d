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
#include <tlhelp32.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "service/CloudSetupConst.h"
#include "service/CloudSetupJson.h"
#include "win/EndToEndFixture.h"
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

constexpr DWORD ProbeTimeoutMs = 20000;

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

// Every library a program has mapped, by full path, as a second process sees them.
std::vector<std::wstring> ModulesOf(DWORD AProcessId)
{
    std::vector<std::wstring> Paths;
    win32::UniqueFile Snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, AProcessId));
    if (!Snapshot) {
        ADD_FAILURE() << "no module list of process " << AProcessId << ": error " << GetLastError();
        return Paths;
    }
    MODULEENTRY32W Module = {};
    Module.dwSize = sizeof Module;
    for (BOOL More = Module32FirstW(Snapshot.Get(), &Module); More; More = Module32NextW(Snapshot.Get(), &Module))
        Paths.push_back(Module.szExePath);
    return Paths;
}

std::wstring Lower(std::wstring AText)
{
    CharLowerW(AText.data());
    return AText;
}

std::vector<std::wstring> Split(const std::wstring& AList)
{
    std::vector<std::wstring> Names;
    for (size_t Start = 0; Start < AList.size();) {
        const size_t End = std::min(AList.find(L',', Start), AList.size());
        Names.push_back(Lower(AList.substr(Start, End - Start)));
        Start = End + 1;
    }
    return Names;
}

// What is wrong with one library mapped into the program, or nothing: it must come from the system
// directory or the side-by-side store, and, unless it is one of Windows' known libraries (which
// the loader never looks for beside the exe) or one they import, it must be one of the planted
// names, so that a copy beside the exe would have shown whether it ran.
std::string Misplaced(const fs::path& AModule)
{
    wchar_t System[MAX_PATH] = {}, Windows[MAX_PATH] = {};
    GetSystemDirectoryW(System, MAX_PATH);
    GetSystemWindowsDirectoryW(Windows, MAX_PATH);
    const std::wstring Folder = Lower(AModule.parent_path().wstring());
    const std::wstring SideBySide = Lower((fs::path(Windows) / L"WinSxS").wstring()) + L"\\";
    if (Folder != Lower(System) && Folder.rfind(SideBySide, 0) != 0)
        return "not from the system directory or the side-by-side store";
    const std::wstring Name = Lower(AModule.stem().wstring());
    for (const std::vector<std::wstring>& Allowed : {Split(ZELV_KNOWN_NAMES), Split(ZELV_PLANTED_NAMES), Split(ZELV_IMPORTED_BY_SYSTEM_NAMES)})
        if (std::find(Allowed.begin(), Allowed.end(), Name) != Allowed.end())
            return {};
    if (Lower(AModule.extension().wstring()) != L".dll")
        return {};  // Wine's drivers (.drv) are loaded by the system by full path, never by name
    return "neither a known system library nor a planted name: plant it (tests/win/planting/CMakeLists.txt)";
}

// A whole run of the shipped exe from the planted folder, as the end-to-end tests run it.
class PlantedRun : public EndToEnd {};

TEST_F(PlantedRun, ShippedExeRunsASetupWithoutLoadingAnyLibraryBesideIt)
{
    TPlantedFolder Folder;
    const fs::path Placed = Folder.Place(ZELV_SHIPPED_EXE);
    {
        TStartedFromFolder Started(Folder);
        TProgram Program(TBuild::Shipped, Placed.c_str());
        ASSERT_NE(Program.Window(), nullptr);
        TUser User(Program);
        ASSERT_NO_FATAL_FAILURE(SignIn(Program, User));
        User.Click(TCtl::btnSetup);
        std::vector<std::wstring> Expected = {L"Starting setup..."};
        for (const TCompany& C : Companies)
            Expected.push_back(L"RDP: " + FileOf(C).wstring());
        Expected.insert(Expected.end(), {L"Downloading zelvcloud DLL...", L"DLL: " + AddinPath().wstring(), L"Configuring registry...",
                                         L"Registry configured", L"Disabling UDP (may prompt for admin)...", L"UDP disabled for RDP"});
        EXPECT_EQ(FinishedLog(Program), Expected) << Utf8(Program.Text(TCtl::memoStatus));

        // Everything the whole run has mapped, looked at before the program closes.
        const std::vector<std::wstring> Modules = ModulesOf(Program.ProcessId());
        EXPECT_GT(Modules.size(), 1u);
        for (const std::wstring& Module : Modules) {
            if (Lower(Module) == Lower(Placed.wstring()))
                continue;
            const std::string Fault = Misplaced(Module);
            EXPECT_EQ(Fault, "") << Utf8(Module);
        }
        User.Click(TCtl::btnSetup);
        ExpectClosedCleanly(Program);
    }
    EXPECT_EQ(Folder.Ran(), std::vector<std::wstring>{}) << "planted libraries that ran: " << Describe(Folder.Ran());
}

}  // namespace
