// Times the program's own code paths under Wine.
//   PipelineBench hash <file> <runs>   SHA-256 of the file through the program's hashing path
//   PipelineBench setup <runs> [<url>] the whole setup run for three companies, as the window runs it;
//                                      with a URL, first a request there as the sign-in would have made
// hash prints one line: median ms, minimum ms, MiB/s.
// setup prints the time of each step (median over the runs) and ends with the line
// "total <median ms> <min ms> <peak working set MiB> <working set before the first run MiB>", and
// exits with 1 when a run reported a failure (an add-in not installed, say).
// The steps are timed at the platform's boundary (HTTP, digest, install files) and around the
// run's own steps, so the figures add up to the total with what lies between them as "rest". The
// add-in streams to disk as it arrives: "download" is the request's time outside the hashing and
// writing of the pieces, which count as "digest" and "write".
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <functional>
#include <map>
#include <memory>
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

double Since(TClock::time_point AStart)
{
    return std::chrono::duration<double, std::milli>(TClock::now() - AStart).count();
}

// The body streams through a sink (hashing and writing it) while it arrives: the time spent in
// the sink is the digest's and the file's, the rest of the request the network's.
class TTimedSink : public platform::IHttpBodySink {
public:
    explicit TTimedSink(platform::IHttpBodySink& AReal) : FReal(AReal) {}
    bool Begin(const platform::THttpResponse& AHead) override
    {
        const auto Start = TClock::now();
        const bool Wanted = FReal.Begin(AHead);
        FInside += Since(Start);
        return Wanted;
    }
    void Write(std::string_view APiece) override
    {
        const auto Start = TClock::now();
        FReal.Write(APiece);
        FInside += Since(Start);
    }
    double Inside() const { return FInside; }

private:
    platform::IHttpBodySink& FReal;
    double FInside = 0;
};

class TTimedHttp : public platform::IHttpClient {
public:
    explicit TTimedHttp(platform::IHttpClient& AReal) : FReal(AReal) {}
    platform::THttpResponse Send(const platform::THttpRequest& ARequest, platform::IHttpBodySink* ASink) override
    {
        const auto Start = TClock::now();
        if (!ASink) {
            platform::THttpResponse Response = FReal.Send(ARequest);
            GSpent["download"] += Since(Start);
            return Response;
        }
        TTimedSink Sink(*ASink);
        platform::THttpResponse Response = FReal.Send(ARequest, &Sink);
        GSpent["download"] += Since(Start) - Sink.Inside();
        return Response;
    }

private:
    platform::IHttpClient& FReal;
};

class TTimedHash : public platform::ISha256Hash {
public:
    explicit TTimedHash(std::unique_ptr<platform::ISha256Hash> AReal) : FReal(std::move(AReal)) {}
    void Add(std::string_view ABytes) override
    {
        TStopwatch W("digest");
        FReal->Add(ABytes);
    }
    platform::TSha256 Finish() override
    {
        TStopwatch W("digest");
        return FReal->Finish();
    }

private:
    std::unique_ptr<platform::ISha256Hash> FReal;
};

class TTimedDigest : public platform::IDigest {
public:
    explicit TTimedDigest(platform::IDigest& AReal) : FReal(AReal) {}
    std::unique_ptr<platform::ISha256Hash> NewSha256() override
    {
        TStopwatch W("digest");
        return std::make_unique<TTimedHash>(FReal.NewSha256());
    }

private:
    platform::IDigest& FReal;
};

class TTimedFile : public platform::IInstallFile {
public:
    explicit TTimedFile(std::unique_ptr<platform::IInstallFile> AReal) : FReal(std::move(AReal)) {}
    ~TTimedFile() override
    {
        TStopwatch W("write");
        FReal.reset();
    }
    void Write(std::string_view ABytes) override
    {
        TStopwatch W("write");
        FReal->Write(ABytes);
    }
    void Flush() override
    {
        TStopwatch W("write");
        FReal->Flush();
    }

private:
    std::unique_ptr<platform::IInstallFile> FReal;
};

// The install folder's and file's operations; reading an in-use library back to verify it is
// left to "rest" (it hashes too, and the normal run never does it).
class TTimedInstallFiles : public platform::IInstallFiles {
public:
    explicit TTimedInstallFiles(platform::IInstallFiles& AReal) : FReal(AReal) {}
    bool DirectoryExists(UStringView APath) override { TStopwatch W("write"); return FReal.DirectoryExists(APath); }
    void CreateDirectories(UStringView APath, const platform::TFolderAccess& AAccess) override
    {
        TStopwatch W("write");
        FReal.CreateDirectories(APath, AAccess);
    }
    bool FileExists(UStringView APath) override { TStopwatch W("write"); return FReal.FileExists(APath); }
    platform::TExclusiveOpen OpenExclusively(UStringView APath) override
    {
        TStopwatch W("write");
        return FReal.OpenExclusively(APath);
    }
    platform::TFolderSecurity ReadShared(UStringView APath, const std::function<void(std::string_view)>& APiece) override
    {
        return FReal.ReadShared(APath, APiece);
    }
    bool CreateFolder(UStringView APath, const platform::TFolderAccess& AAccess) override
    {
        TStopwatch W("write");
        return FReal.CreateFolder(APath, AAccess);
    }
    std::unique_ptr<platform::IHeldFolder> HoldFolder(UStringView APath) override
    {
        TStopwatch W("write");
        return FReal.HoldFolder(APath);
    }
    std::unique_ptr<platform::IHeldFolder> HoldFolderToMove(UStringView APath) override
    {
        TStopwatch W("write");
        return FReal.HoldFolderToMove(APath);
    }
    std::unique_ptr<platform::IInstallFile> CreateNew(UStringView APath) override
    {
        TStopwatch W("write");
        return std::make_unique<TTimedFile>(FReal.CreateNew(APath));
    }
    void Replace(UStringView ASource, UStringView ATarget) override
    {
        TStopwatch W("write");
        FReal.Replace(ASource, ATarget);
    }
    bool Remove(UStringView APath) override { TStopwatch W("write"); return FReal.Remove(APath); }
    UString UserSid() override { TStopwatch W("write"); return FReal.UserSid(); }

private:
    platform::IInstallFiles& FReal;
};

int Setup(int ARuns, const std::wstring& AWarmUpUrl)
{
    // What the program has done before a user's run: the HTTP client, the hashing provider and the
    // shell are loaded and the sign-in's requests went to another server; the add-in comes over a
    // new connection.
    if (!AWarmUpUrl.empty()) {
        platform::THttpRequest Ping;
        Ping.Url = UString(AWarmUpUrl.begin(), AWarmUpUrl.end());
        platform::Http().Send(Ping);
        platform::Digest().Sha256("");
        // The window maps the shell's library after its first paint, it has the display's driver
        // loaded, and the sign-in over HTTPS has had the service's certificate checked.
        LoadLibraryExW(L"shell32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
        LoadLibraryExW(L"crypt32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
        ReleaseDC(nullptr, GetDC(nullptr));
    }
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
    if (Mode == L"setup" && (argc == 3 || argc == 4))
        return Setup(_wtoi(argv[2]), argc == 4 ? argv[3] : L"");
    std::fprintf(stderr, "usage: PipelineBench hash FILE RUNS | setup RUNS [WARM-UP-URL]\n");
    return 2;
}
