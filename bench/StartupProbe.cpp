// Measures what a user waits for at start-up: from launch until the program's top-level window is
// visible, every visible window of it has painted, and its message loop answers. The programs are
// run in turn, run by run (A B, B A, A B...), so drift of the machine hits all of them alike.
//   StartupProbe <runs> <window title> <exe> [<window title> <exe> ...]
// Prints, per program, the median and minimum time and the median peak working set at that moment;
// the first program is the baseline of the ratios.
//   StartupProbe --marks <runs> <window title> <exe> [<window title> <exe> ...]
// The same for programs built with the start-up marks (bench/StartupMarks.h): each run's marks are
// read back once the program has ended, and a table puts the programs' breakdowns side by side,
// each mark with the median time since the launch and the median of its step (the time its thread
// took since its previous mark), both over the runs. Marks taken after the probe saw the window
// ready are left out.
//   StartupProbe --marks-memory ...
// The same with the working set read at each mark too (median MiB beside each mark; the readings
// lengthen the steps), and the peak at the window's readiness.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

// Over the runs, per mark: the time since the launch and the step, in ms.
struct TMarkTimes {
    std::vector<double> At;
    std::vector<double> Step;
    std::vector<double> WorkingSetMiB;
};

struct TProgram {
    std::wstring Title;
    std::wstring Exe;
    std::vector<double> Millis;
    std::vector<double> PeakMiB;
    std::map<std::string, TMarkTimes> Marks;
};

// Where a marked program writes its marks when it ends; empty: the programs are not asked to.
std::wstring MarksFile;
// The mark the probe adds to every run's: when it saw the window ready.
// Its working set is the process's peak until then.
const char ReadyMark[] = "ready: visible, painted, answering (peak)";

struct TFind {
    DWORD ProcessId;
    const std::wstring* Title;
    HWND Found;
};

BOOL CALLBACK MatchTopLevel(HWND AWindow, LPARAM AFind)
{
    auto& Find = *reinterpret_cast<TFind*>(AFind);
    DWORD Owner = 0;
    GetWindowThreadProcessId(AWindow, &Owner);
    if (Owner != Find.ProcessId || !IsWindowVisible(AWindow))
        return TRUE;
    wchar_t Text[128] = {};
    GetWindowTextW(AWindow, Text, 128);
    if (*Find.Title != Text)
        return TRUE;
    Find.Found = AWindow;
    return FALSE;
}

HWND FindVisible(DWORD AProcessId, const std::wstring& ATitle)
{
    TFind Find{AProcessId, &ATitle, nullptr};
    EnumWindows(MatchTopLevel, reinterpret_cast<LPARAM>(&Find));
    return Find.Found;
}

BOOL CALLBACK FindUnpainted(HWND AChild, LPARAM AUnpainted)
{
    if (IsWindowVisible(AChild) && GetUpdateRect(AChild, nullptr, FALSE)) {
        *reinterpret_cast<bool*>(AUnpainted) = true;
        return FALSE;
    }
    return TRUE;
}

// Nothing left to paint in the window or any visible child.
bool Painted(HWND AWindow)
{
    if (GetUpdateRect(AWindow, nullptr, FALSE))
        return false;
    bool Unpainted = false;
    EnumChildWindows(AWindow, FindUnpainted, reinterpret_cast<LPARAM>(&Unpainted));
    return !Unpainted;
}

double Frequency()
{
    LARGE_INTEGER F;
    QueryPerformanceFrequency(&F);
    return static_cast<double>(F.QuadPart);
}

// Reads one run's marks back: each mark's time since the launch and its step. The first mark of
// the program's first thread counts from the launch; a first mark of another thread has no step.
void ReadMarks(TProgram& AProgram, const LARGE_INTEGER& AStart, double AReadyMillis, double APeakBytes)
{
    struct TRead {
        long long Ticks;
        unsigned long Thread;
        double WorkingSet;
        std::string Name;
    };
    std::vector<TRead> Read;
    if (FILE* In = _wfopen(MarksFile.c_str(), L"r")) {
        char Line[256];
        while (std::fgets(Line, sizeof Line, In)) {
            std::istringstream Fields(Line);
            TRead Mark;
            if (!(Fields >> Mark.Ticks >> Mark.Thread >> Mark.WorkingSet))
                continue;
            std::getline(Fields >> std::ws, Mark.Name);
            Read.push_back(Mark);
        }
        std::fclose(In);
    }
    if (Read.empty())
        return;
    std::sort(Read.begin(), Read.end(), [](const TRead& A, const TRead& B) { return A.Ticks < B.Ticks; });
    const unsigned long MainThread = Read.front().Thread;
    const double PerMs = Frequency() / 1000.0;
    // What the program did once its window was ready is not part of the start-up.
    const long long Ready = AStart.QuadPart + static_cast<long long>(AReadyMillis * PerMs);
    Read.erase(std::find_if(Read.begin(), Read.end(), [&](const TRead& A) { return A.Ticks > Ready; }), Read.end());
    Read.push_back({Ready, MainThread, APeakBytes, ReadyMark});
    std::map<unsigned long, long long> Previous = {{MainThread, AStart.QuadPart}};
    for (const TRead& Mark : Read) {
        TMarkTimes& Times = AProgram.Marks[Mark.Name];
        Times.At.push_back(static_cast<double>(Mark.Ticks - AStart.QuadPart) / PerMs);
        if (Mark.WorkingSet > 0)
            Times.WorkingSetMiB.push_back(Mark.WorkingSet / (1024.0 * 1024.0));
        auto Before = Previous.find(Mark.Thread);
        if (Before != Previous.end())
            Times.Step.push_back(static_cast<double>(Mark.Ticks - Before->second) / PerMs);
        Previous[Mark.Thread] = Mark.Ticks;
    }
}

double Elapsed(const LARGE_INTEGER& AStart)
{
    LARGE_INTEGER Frequency, Now;
    QueryPerformanceFrequency(&Frequency);
    QueryPerformanceCounter(&Now);
    return 1000.0 * static_cast<double>(Now.QuadPart - AStart.QuadPart) / static_cast<double>(Frequency.QuadPart);
}

bool RunOnce(TProgram& AProgram)
{
    STARTUPINFOW Startup{};
    Startup.cb = sizeof Startup;
    PROCESS_INFORMATION Process{};
    std::wstring CommandLine = L"\"" + AProgram.Exe + L"\"";
    if (!MarksFile.empty())
        DeleteFileW(MarksFile.c_str());
    LARGE_INTEGER Start;
    QueryPerformanceCounter(&Start);
    if (!CreateProcessW(AProgram.Exe.c_str(), CommandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &Startup, &Process))
        return false;
    HWND Window = nullptr;
    bool Ready = false;
    while (!Ready && Elapsed(Start) < 20000) {
        if (!Window)
            Window = FindVisible(Process.dwProcessId, AProgram.Title);
        // The round trip returns once the program's thread takes sent messages again, that is from
        // its message loop; paints come from that loop too, so ask until none is pending.
        DWORD_PTR Answer = 0;
        Ready = Window && SendMessageTimeoutW(Window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &Answer) && Painted(Window);
        if (!Ready)
            Sleep(1);
    }
    const double Millis = Elapsed(Start);
    PROCESS_MEMORY_COUNTERS Counters{};
    Counters.cb = sizeof Counters;
    double PeakMiB = 0;
    if (GetProcessMemoryInfo(Process.hProcess, &Counters, sizeof Counters))
        PeakMiB = static_cast<double>(Counters.PeakWorkingSetSize) / (1024.0 * 1024.0);

    if (Window)
        PostMessageW(Window, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(Process.hProcess, 10000) != WAIT_OBJECT_0)
        TerminateProcess(Process.hProcess, 1);
    CloseHandle(Process.hThread);
    CloseHandle(Process.hProcess);
    if (!Ready)
        return false;
    AProgram.Millis.push_back(Millis);
    AProgram.PeakMiB.push_back(PeakMiB);
    if (!MarksFile.empty())
        ReadMarks(AProgram, Start, Millis, PeakMiB * 1024 * 1024);
    return true;
}

double Median(std::vector<double> AValues)
{
    std::sort(AValues.begin(), AValues.end());
    size_t N = AValues.size();
    if (N == 0)
        return NAN;
    return N % 2 ? AValues[N / 2] : (AValues[N / 2 - 1] + AValues[N / 2]) / 2;
}

// The marks of a program in the order of their median times.
std::vector<std::string> MarkOrder(const TProgram& AProgram)
{
    std::vector<std::pair<double, std::string>> Timed;
    for (const auto& [Name, Times] : AProgram.Marks)
        Timed.emplace_back(Median(Times.At), Name);
    std::sort(Timed.begin(), Timed.end());
    std::vector<std::string> Order;
    for (const auto& T : Timed)
        Order.push_back(T.second);
    return Order;
}

// The programs' breakdowns side by side: the marks of all, each program's in its own order, the
// marks they share on one line.
void PrintBreakdown(const std::vector<TProgram>& APrograms)
{
    std::vector<std::string> Rows;
    for (const TProgram& P : APrograms) {
        std::vector<std::string> Merged;
        size_t Next = 0;
        for (const std::string& Name : MarkOrder(P)) {
            auto Found = std::find(Rows.begin() + static_cast<std::ptrdiff_t>(Next), Rows.end(), Name);
            if (Found == Rows.end()) {
                if (std::find(Rows.begin(), Rows.end(), Name) == Rows.end())
                    Merged.push_back(Name);
                continue;
            }
            // The rows before a shared mark come first, then the mark.
            for (; Rows.begin() + static_cast<std::ptrdiff_t>(Next) <= Found; ++Next)
                Merged.push_back(Rows[Next]);
        }
        for (; Next < Rows.size(); ++Next)
            Merged.push_back(Rows[Next]);
        Rows = Merged;
    }
    std::printf("%-44s", "mark (the step ends there)");
    for (const TProgram& P : APrograms) {
        std::wstring Name = P.Exe.substr(P.Exe.find_last_of(L"\\/") + 1);
        std::printf(" %28ls", Name.c_str());
    }
    std::printf("\n%-44s", "");
    for (size_t I = 0; I < APrograms.size(); ++I)
        std::printf(" %8s %8s %10s", "at ms", "step ms", "WS MiB");
    std::printf("\n");
    for (const std::string& Row : Rows) {
        std::printf("%-44s", Row.c_str());
        for (const TProgram& P : APrograms) {
            auto Found = P.Marks.find(Row);
            if (Found == P.Marks.end()) {
                std::printf(" %8s %8s %10s", "", "", "");
                continue;
            }
            std::printf(" %8.1f", Median(Found->second.At));
            if (Found->second.Step.empty())
                std::printf(" %8s", "-");
            else
                std::printf(" %8.1f", Median(Found->second.Step));
            if (Found->second.WorkingSetMiB.empty())
                std::printf(" %10s", "");
            else
                std::printf(" %10.2f", Median(Found->second.WorkingSetMiB));
        }
        std::printf("\n");
    }
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    int First = 1;
    const std::wstring Mode = argc > 1 ? argv[1] : L"";
    if (Mode == L"--marks" || Mode == L"--marks-memory") {
        if (Mode == L"--marks-memory")
            SetEnvironmentVariableW(L"ZELV_STARTUP_MARKS_MEMORY", L"1");
        wchar_t Folder[MAX_PATH];
        GetTempPathW(MAX_PATH, Folder);
        MarksFile = std::wstring(Folder) + L"zelv-startup-marks.txt";
        SetEnvironmentVariableW(L"ZELV_STARTUP_MARKS", MarksFile.c_str());
        First = 2;
    }
    if (argc - First < 3 || (argc - First - 1) % 2 != 0) {
        std::fprintf(stderr, "usage: StartupProbe [--marks|--marks-memory] RUNS TITLE EXE [TITLE EXE ...]\n");
        return 2;
    }
    const int Runs = _wtoi(argv[First]);
    std::vector<TProgram> Programs;
    for (int A = First + 1; A + 1 < argc; A += 2)
        Programs.push_back({argv[A], argv[A + 1], {}, {}, {}});

    // One unmeasured start of each: the first start after a while reads the files from disk.
    for (TProgram& P : Programs) {
        TProgram Warm = {P.Title, P.Exe, {}, {}, {}};
        RunOnce(Warm);
    }
    for (int R = 0; R < Runs; ++R) {
        for (size_t I = 0; I < Programs.size(); ++I) {
            TProgram& P = Programs[R % 2 ? Programs.size() - 1 - I : I];
            if (!RunOnce(P)) {
                std::fprintf(stderr, "no painted, answering window titled \"%ls\" from %ls\n", P.Title.c_str(),
                             P.Exe.c_str());
                return 1;
            }
        }
    }

    if (!MarksFile.empty()) {
        PrintBreakdown(Programs);
        std::printf("\n");
    }
    std::printf("%-24s %10s %10s %14s %12s %12s\n", "program", "median ms", "min ms", "peak WS MiB", "x median",
                "x peak WS");
    const double BaseMillis = Median(Programs[0].Millis), BasePeak = Median(Programs[0].PeakMiB);
    for (const TProgram& P : Programs) {
        std::wstring Name = P.Exe.substr(P.Exe.find_last_of(L"\\/") + 1);
        std::printf("%-24ls %10.1f %10.1f %14.1f %12.2f %12.2f\n", Name.c_str(), Median(P.Millis),
                    *std::min_element(P.Millis.begin(), P.Millis.end()), Median(P.PeakMiB),
                    Median(P.Millis) / BaseMillis, Median(P.PeakMiB) / BasePeak);
    }
    // Every run, in the order taken, for whoever wants to see the spread.
    for (const TProgram& P : Programs) {
        std::string Line;
        char Number[32];
        for (double M : P.Millis) {
            std::snprintf(Number, sizeof Number, " %.0f", M);
            Line += Number;
        }
        std::wstring Name = P.Exe.substr(P.Exe.find_last_of(L"\\/") + 1);
        std::fprintf(stderr, "runs %ls:%s\n", Name.c_str(), Line.c_str());
    }
    return 0;
}
