// Times the program's own code paths under Wine.
//   PipelineBench hash <file> <runs>   SHA-256 of the file through the program's hashing path
//   PipelineBench setup <runs>         the whole setup run for three companies, as the window runs it
// hash prints one line: median ms, minimum ms, MiB/s.
// setup prints the time of each step (median over the runs) and ends with the line
// "total <median ms> <min ms> <peak working set MiB> <working set before the first run MiB>", and
// exits with 1 when a run reported a failure (an add-in not installed, say).
// The steps are timed at the platform's boundary (HTTP, digest, install files) and around the
// run's own steps, so the figures add up to the total with what lies between them as "rest".
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "app/CloudSetupRun.h"
#include "platform/Platform.h"
#include "platform/win32/Win32Platform.h"

using namespace zelv;

namespace {

using TClock = std::chrono::steady_clock;

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
        auto Start = TClock::now();
        AWork();
        Millis.push_back(std::chrono::duration<double, std::milli>(TClock::now() - Start).count());
    }
    return Millis;
}

double WorkingSetMiB(bool APeak)
{
    PROCESS_MEMORY_COUNTERS Counters{};
    Counters.cb = sizeof Counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &Counters, sizeof Counters);
    return static_cast<double>(APeak ? Counters.PeakWorkingSetSize : Counters.WorkingSetSize) / (1024.0 * 1024.0);
}

// Milliseconds spent in each step during the current run.
std::map<std::string, double> GSpent;

class TStopwatch {
public:
    explicit TStopwatch(const char* AStep) : FStep(AStep), FStart(TClock::now()) {}
    ~TStopwatch() { GSpent[FStep] += std::chrono::duration<double, std::milli>(TClock::now() - FStart).count(); }
    TStopwatch(const TStopwatch&) = delete;
    TStopwatch& operator=(const TStopwatch&) = delete;

private:
    const char* FStep;
    TClock::time_point FStart;
};

class TTimedHttp : public platform::IHttpClient {
public:
    explicit TTimedHttp(platform::IHttpClient& AReal) : FReal(AReal) {}
    platform::THttpResponse Send(const platform::THttpRequest& ARequest) override
    {
        TStopwatch Watch("download");
        return FReal.Send(ARequest);
    }

private:
    platform::IHttpClient& FReal;
};

class TTimedDigest : public platform::IDigest {
public:
    explicit TTimedDigest(platform::IDigest& AReal) : FReal(AReal) {}
    platform::TSha256 Sha256(std::string_view ABytes) override
    {
        TStopwatch Watch("digest");
        return FReal.Sha256(ABytes);
    }

private:
    platform::IDigest& FReal;
};

class TTimedInstallFiles : public platform::IInstallFiles {
public:
    explicit TTimedInstallFiles(platform::IInstallFiles& AReal) : FReal(AReal) {}
    bool DirectoryExists(UStringView APath) override { TStopwatch W("write"); return FReal.DirectoryExists(APath); }
    void CreateDirectories(UStringView APath) override { TStopwatch W("write"); FReal.CreateDirectories(APath); }
    bool FileExists(UStringView APath) override { TStopwatch W("write"); return FReal.FileExists(APath); }
    bool CanOpenExclusively(UStringView APath) override
    {
        TStopwatch W("write");
        return FReal.CanOpenExclusively(APath);
    }
    void WriteFlushed(UStringView APath, std::string_view ABytes) override
    {
        TStopwatch W("write");
        FReal.WriteFlushed(APath, ABytes);
    }
    void Replace(UStringView ASource, UStringView ATarget) override
    {
        TStopwatch W("write");
        FReal.Replace(ASource, ATarget);
    }
    bool Remove(UStringView APath) override { TStopwatch W("write"); return FReal.Remove(APath); }

private:
    platform::IInstallFiles& FReal;
};

int Setup(int ARuns)
{
    const TCompanyList Companies{{u"ACME", u"rds01.acme.zelvcloud.invalid", true},
                                 {u"ZELV", u"zelvhq01", true},
                                 {u"HQV", u"", true}};
    TTimedHttp Http(platform::Http());
    TTimedDigest Digest(platform::Digest());
    TTimedInstallFiles Files(platform::InstallFiles());
    platform::TPlatformScope Scope;
    Scope->Http = &Http;
    Scope->Digest = &Digest;
    Scope->InstallFiles = &Files;

    TSetupSteps Steps = DefaultSetupSteps();
    const TSetupSteps Real = Steps;
    Steps.GetDesktopPath = [&] { TStopwatch W("files"); return Real.GetDesktopPath(); };
    Steps.WriteRDPFile = [&](const UString& ADesktop, const UString& ACode, const UString& AServer) {
        TStopwatch W("files");
        return Real.WriteRDPFile(ADesktop, ACode, AServer);
    };
    Steps.RegisterDLLInRegistry = [&] { TStopwatch W("registry"); return Real.RegisterDLLInRegistry(); };
    Steps.DisableUDP = [&] { TStopwatch W("policy read"); return Real.DisableUDP(); };

    const char* const Order[] = {"files", "download", "digest", "write", "registry", "policy read"};
    std::map<std::string, std::vector<double>> PerStep;
    std::vector<UString> Log;
    const double Before = WorkingSetMiB(false);
    bool Failed = false;
    auto Millis = Time(ARuns, [&] {
        Log.clear();
        GSpent.clear();
        auto Start = TClock::now();
        if (RunSetup(Steps, Companies, {0, 1, 2}, [&](const UString& ALine) { Log.push_back(ALine); }))
            Failed = true;
        const double Total = std::chrono::duration<double, std::milli>(TClock::now() - Start).count();
        double Accounted = 0;
        for (const char* Step : Order) {
            PerStep[Step].push_back(GSpent[Step]);
            Accounted += GSpent[Step];
        }
        PerStep["rest"].push_back(Total - Accounted);
    });
    const double Peak = WorkingSetMiB(true);

    const double Total = Median(Millis);
    for (const char* Step : Order)
        std::printf("  %-22s %10.2f %9.0f%%\n", Step, Median(PerStep[Step]), 100 * Median(PerStep[Step]) / Total);
    std::printf("  %-22s %10.2f %9.0f%%\n", "rest", Median(PerStep["rest"]), 100 * Median(PerStep["rest"]) / Total);
    for (const UString& Line : Log)
        std::fprintf(stderr, "  log: %s\n", DebugUtf8(Line).c_str());
    std::printf("total %.2f %.2f %.1f %.1f\n", Total, *std::min_element(Millis.begin(), Millis.end()), Peak, Before);
    return Failed ? 1 : 0;
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
    if (Mode == L"setup" && argc == 3)
        return Setup(_wtoi(argv[2]));
    std::fprintf(stderr, "usage: PipelineBench hash FILE RUNS | setup RUNS\n");
    return 2;
}
