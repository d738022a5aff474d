// Times the program's own code paths under Wine.
//   PipelineBench hash <file> <runs>   SHA-256 of the file through the program's hashing path
//   PipelineBench setup <runs>         the whole setup run for three companies, as the window runs it
// Prints one line: the median and the minimum over the runs.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/CloudSetupRun.h"
#include "platform/Platform.h"
#include "platform/win32/Win32Platform.h"

using namespace zelv;

namespace {

double Median(std::vector<double> AValues)
{
    std::sort(AValues.begin(), AValues.end());
    size_t N = AValues.size();
    return N % 2 ? AValues[N / 2] : (AValues[N / 2 - 1] + AValues[N / 2]) / 2;
}

template <class Work>
std::vector<double> Time(int ARuns, Work AWork)
{
    std::vector<double> Millis;
    for (int I = 0; I < ARuns; ++I) {
        auto Start = std::chrono::steady_clock::now();
        AWork();
        Millis.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - Start).count());
    }
    return Millis;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    win32::InstallWin32Platform();
    const std::wstring Mode = argc > 1 ? argv[1] : L"";
    if (Mode == L"hash" && argc == 4) {
        std::ifstream File(argv[2], std::ios::binary);
        std::string Bytes((std::istreambuf_iterator<char>(File)), std::istreambuf_iterator<char>());
        auto Millis = Time(_wtoi(argv[3]), [&] { platform::Current().Digest->Sha256(Bytes); });
        double MiB = static_cast<double>(Bytes.size()) / (1024.0 * 1024.0);
        std::printf("%.2f %.2f %.1f\n", Median(Millis), *std::min_element(Millis.begin(), Millis.end()),
                    MiB / (Median(Millis) / 1000.0));
        return 0;
    }
    if (Mode == L"setup" && argc == 3) {
        const TCompanyList Companies{{u"ACME", u"rds01.acme.zelvcloud.invalid", true},
                                     {u"ZELV", u"zelvhq01", true},
                                     {u"HQV", u"", true}};
        std::vector<UString> Log;
        const TSetupSteps Steps = DefaultSetupSteps();
        auto Millis = Time(_wtoi(argv[2]), [&] {
            Log.clear();
            RunSetup(Steps, Companies, {0, 1, 2}, [&](const UString& ALine) { Log.push_back(ALine); });
        });
        PROCESS_MEMORY_COUNTERS Counters{};
        Counters.cb = sizeof Counters;
        GetProcessMemoryInfo(GetCurrentProcess(), &Counters, sizeof Counters);
        std::printf("%.2f %.2f %.1f\n", Median(Millis), *std::min_element(Millis.begin(), Millis.end()),
                    static_cast<double>(Counters.PeakWorkingSetSize) / (1024.0 * 1024.0));
        for (const UString& Line : Log)
            std::fprintf(stderr, "  log: %s\n", DebugUtf8(Line).c_str());
        return 0;
    }
    std::fprintf(stderr, "usage: PipelineBench hash FILE RUNS | setup RUNS\n");
    return 2;
}
