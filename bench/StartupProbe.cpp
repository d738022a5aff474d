// Measures what a user waits for at start-up: from launch until the program's top-level window is
// visible, every visible window of it has painted, and its message loop answers. The programs are
// run in turn, run by run (A B, B A, A B...), so drift of the machine hits all of them alike.
//   StartupProbe <runs> <window title> <exe> [<window title> <exe> ...]
// Prints, per program, the median and minimum time and the median peak working set at that moment;
// the first program is the baseline of the ratios.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct TProgram {
    std::wstring Title;
    std::wstring Exe;
    std::vector<double> Millis;
    std::vector<double> PeakMiB;
};

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
    return true;
}

double Median(std::vector<double> AValues)
{
    std::sort(AValues.begin(), AValues.end());
    size_t N = AValues.size();
    return N % 2 ? AValues[N / 2] : (AValues[N / 2 - 1] + AValues[N / 2]) / 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 4 || (argc - 2) % 2 != 0) {
        std::fprintf(stderr, "usage: StartupProbe RUNS TITLE EXE [TITLE EXE ...]\n");
        return 2;
    }
    const int Runs = _wtoi(argv[1]);
    std::vector<TProgram> Programs;
    for (int A = 2; A + 1 < argc; A += 2)
        Programs.push_back({argv[A], argv[A + 1], {}, {}});

    // One unmeasured start of each: the first start after a while reads the files from disk.
    for (TProgram& P : Programs) {
        TProgram Warm = {P.Title, P.Exe, {}, {}};
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
