// Measures the program with a user of many companies, as that user meets it: signs in against the
// running stand-in sign-in service as a user of N companies (all ticked), sets every one up, and
// from the moment Enter is pressed on the code until the run ends, a thread of this probe sends the
// window WM_NULL every 5 ms and keeps the longest round trip: how long the window did not answer.
//   ScaleProbe <exe> <companies>
// Prints one line: companies, ms from Enter on the code to the filled list shown, ms of the run
// (click to "Close"), peak working set in MiB, longest unanswered ms, lines in the log.
#include <windows.h>
#include <psapi.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>

#include "app/frmMainLayout.h"
#include "platform/Platform.h"
#include "platform/win32/Win32Platform.h"
#include "platform/win32/Win32Text.h"
#include "service/CloudSetupConst.h"
#include "service/CloudSetupJson.h"

using namespace zelv;

namespace {

double Now()
{
    LARGE_INTEGER Frequency, Counter;
    QueryPerformanceFrequency(&Frequency);
    QueryPerformanceCounter(&Counter);
    return 1000.0 * static_cast<double>(Counter.QuadPart) / static_cast<double>(Frequency.QuadPart);
}

bool Fail(const char* AWhat)
{
    std::fprintf(stderr, "ScaleProbe: %s\n", AWhat);
    return false;
}

std::string Control(const UString& AMethod, const UString& APath, std::string ABody = {})
{
    UString Base = consts::ServiceBaseUrl;
    platform::THttpRequest Request;
    Request.Method = AMethod;
    Request.Url = Base.substr(0, Base.size() - UString(u"/cloudsetup").size()) + APath;
    Request.Headers = {{u"Content-Type", u"application/json"}};
    Request.Body = std::move(ABody);
    Request.ConnectTimeoutMs = 5000;
    Request.ReceiveResponseTimeoutMs = 5000;
    return platform::Http().Send(Request).Body;
}

HWND Child(HWND AWindow, TCtl AId) { return GetDlgItem(AWindow, static_cast<int>(AId)); }

std::wstring Text(HWND AWindow)
{
    std::wstring Result(static_cast<size_t>(SendMessageW(AWindow, WM_GETTEXTLENGTH, 0, 0)) + 1, L'\0');
    Result.resize(static_cast<size_t>(SendMessageW(AWindow, WM_GETTEXT, Result.size(), reinterpret_cast<LPARAM>(Result.data()))));
    return Result;
}

// Each look at the window is a message its thread must answer, so a look every millisecond would
// take a share of the window's time from the program being measured; from Enter on the code on,
// the probe looks every 10 ms (AIntervalMs), which the times it reports may be late by.
template <class TCondition>
bool WaitFor(TCondition ACondition, double ATimeoutMs, DWORD AIntervalMs = 1)
{
    const double Until = Now() + ATimeoutMs;
    while (!ACondition()) {
        if (Now() > Until)
            return false;
        Sleep(AIntervalMs);
    }
    return true;
}

constexpr DWORD LookIntervalMs = 10;

// Pings the window every 5 ms; the longest round trip is the longest time it did not answer.
class TPinger {
public:
    explicit TPinger(HWND AWindow) : FWindow(AWindow), FThread([this] { Run(); }) {}
    ~TPinger() { Stop(); }
    double Stop()
    {
        FStop = true;
        if (FThread.joinable())
            FThread.join();
        return FLongest;
    }

private:
    void Run()
    {
        while (!FStop) {
            const double Start = Now();
            DWORD_PTR Answer = 0;
            SendMessageTimeoutW(FWindow, WM_NULL, 0, 0, SMTO_NORMAL, 60000, &Answer);
            const double Took = Now() - Start;
            if (Took > FLongest)
                FLongest = Took;
            Sleep(5);
        }
    }
    HWND FWindow;
    std::atomic<bool> FStop{false};
    double FLongest = 0;
    std::thread FThread;
};

bool Probe(const std::wstring& AExe, int ACount)
{
    const std::string Email = "scale" + std::to_string(ACount) + "@example.test";
    Control(u"POST", u"/control/reset", "{}");
    Control(u"POST", u"/control/user", R"({"email": ")" + Email + R"(", "companyCount": )" + std::to_string(ACount) + "}");

    STARTUPINFOW Startup{};
    Startup.cb = sizeof Startup;
    PROCESS_INFORMATION Process{};
    std::wstring CommandLine = L"\"" + AExe + L"\"";
    if (!CreateProcessW(AExe.c_str(), CommandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &Startup, &Process))
        return Fail("cannot start the program");
    HWND Window = nullptr;
    WaitFor([&] {
        Window = FindWindowW(L"TZelvCloudSetupForm", nullptr);
        return Window && IsWindowVisible(Window);
    }, 20000);
    bool Ok = Window != nullptr;
    double ToList = 0, RunMs = 0, Longest = 0;
    size_t LogLines = 0;
    if (Ok) {
        const std::wstring Address(Email.begin(), Email.end());
        SendMessageW(Child(Window, TCtl::edtEmail), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Address.c_str()));
        PostMessageW(Child(Window, TCtl::edtEmail), WM_KEYDOWN, VK_RETURN, 0);
        Ok = WaitFor([&] { return IsWindowVisible(Child(Window, TCtl::edtCode)) != FALSE; }, 20000) ||
             Fail("the code page did not show");
    }
    if (Ok) {
        auto Answer = json::Parse(AsciiToU(Control(u"GET", u"/control/outbox?email=" + AsciiToU(Email))));
        const UString Code = Answer ? json::ReadText(*Answer, u"code", u"") : UString();
        SendMessageW(Child(Window, TCtl::edtCode), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(win32::W(Code)));
        TPinger Pinger(Window);
        const double Enter = Now();
        PostMessageW(Child(Window, TCtl::edtCode), WM_KEYDOWN, VK_RETURN, 0);
        HWND List = Child(Window, TCtl::lstCompanies);
        Ok = WaitFor([&] {
            return IsWindowVisible(List) && SendMessageW(List, LB_GETCOUNT, 0, 0) == ACount && !GetUpdateRect(List, nullptr, FALSE);
        }, 600000, LookIntervalMs) || Fail("the list did not fill");
        ToList = Now() - Enter;
        if (Ok) {
            const double Click = Now();
            PostMessageW(Child(Window, TCtl::btnSetup), BM_CLICK, 0, 0);
            Ok = WaitFor([&] { return Text(Child(Window, TCtl::btnSetup)) == L"Close"; }, 3600000, LookIntervalMs) || Fail("the run did not end");
            RunMs = Now() - Click;
        }
        Longest = Pinger.Stop();
        const std::wstring Log = Text(Child(Window, TCtl::memoStatus));
        for (size_t At = Log.find(L"\r\n"); At != std::wstring::npos; At = Log.find(L"\r\n", At + 2))
            ++LogLines;
    }
    PROCESS_MEMORY_COUNTERS Counters{};
    Counters.cb = sizeof Counters;
    GetProcessMemoryInfo(Process.hProcess, &Counters, sizeof Counters);
    if (Window)
        PostMessageW(Window, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(Process.hProcess, 20000) != WAIT_OBJECT_0)
        TerminateProcess(Process.hProcess, 1);
    CloseHandle(Process.hThread);
    CloseHandle(Process.hProcess);
    if (Ok)
        std::printf("%d %.1f %.1f %.1f %.1f %zu\n", ACount, ToList, RunMs,
                    static_cast<double>(Counters.PeakWorkingSetSize) / (1024.0 * 1024.0), Longest, LogLines);
    return Ok;
}

}  // namespace

int wmain(int AArgc, wchar_t** AArgv)
{
    if (AArgc != 3) {
        std::fprintf(stderr, "usage: ScaleProbe <exe> <companies>\n");
        return 2;
    }
    win32::InstallWin32Platform();
    return Probe(AArgv[1], _wtoi(AArgv[2])) ? 0 : 1;
}
