// Measures how long a program takes from launch until its top-level window is visible, closes it,
// and reports the median of several runs together with the peak working set of each run.
//   StartupProbe <runs> <window title> <exe> [<window title> <exe> ...]
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct TRun {
    double Millis = 0;
    double PeakMiB = 0;
};

HWND FindVisible(DWORD AProcessId, const std::wstring& ATitle)
{
    HWND Window = nullptr;
    while ((Window = FindWindowExW(nullptr, Window, nullptr, ATitle.c_str())) != nullptr) {
        DWORD Owner = 0;
        GetWindowThreadProcessId(Window, &Owner);
        if (Owner == AProcessId && IsWindowVisible(Window))
            return Window;
    }
    return nullptr;
}

bool RunOnce(const std::wstring& AExe, const std::wstring& ATitle, TRun& ARun)
{
    LARGE_INTEGER Frequency, Start, Now;
    QueryPerformanceFrequency(&Frequency);
    STARTUPINFOW Startup{};
    Startup.cb = sizeof Startup;
    PROCESS_INFORMATION Process{};
    std::wstring CommandLine = L"\"" + AExe + L"\"";
    QueryPerformanceCounter(&Start);
    if (!CreateProcessW(AExe.c_str(), CommandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &Startup,
                        &Process))
        return false;
    HWND Window = nullptr;
    for (int I = 0; I < 20000 && !Window; ++I) {
        Window = FindVisible(Process.dwProcessId, ATitle);
        if (!Window)
            Sleep(1);
    }
    QueryPerformanceCounter(&Now);
    ARun.Millis = 1000.0 * static_cast<double>(Now.QuadPart - Start.QuadPart) / static_cast<double>(Frequency.QuadPart);
    PROCESS_MEMORY_COUNTERS Counters{};
    Counters.cb = sizeof Counters;
    if (GetProcessMemoryInfo(Process.hProcess, &Counters, sizeof Counters))
        ARun.PeakMiB = static_cast<double>(Counters.PeakWorkingSetSize) / (1024.0 * 1024.0);
    if (Window)
        PostMessageW(Window, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(Process.hProcess, 10000) != WAIT_OBJECT_0)
        TerminateProcess(Process.hProcess, 1);
    CloseHandle(Process.hThread);
    CloseHandle(Process.hProcess);
    return Window != nullptr;
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
    int Runs = _wtoi(argv[1]);
    std::printf("%-28s %12s %12s %14s\n", "program", "median ms", "min ms", "peak WS MiB");
    double Baseline = 0;
    for (int A = 2; A + 1 < argc; A += 2) {
        std::vector<double> Millis, Peaks;
        for (int R = 0; R < Runs; ++R) {
            TRun Run;
            if (!RunOnce(argv[A + 1], argv[A], Run)) {
                std::fprintf(stderr, "no window titled \"%ls\" from %ls\n", argv[A], argv[A + 1]);
                return 1;
            }
            Millis.push_back(Run.Millis);
            Peaks.push_back(Run.PeakMiB);
        }
        double M = Median(Millis);
        if (A == 2)
            Baseline = M;
        std::wstring Name = argv[A + 1];
        Name = Name.substr(Name.find_last_of(L"\\/") + 1);
        std::printf("%-28ls %12.1f %12.1f %14.1f   x%.2f\n", Name.c_str(), M,
                    *std::min_element(Millis.begin(), Millis.end()), Median(Peaks), M / Baseline);
    }
    return 0;
}
