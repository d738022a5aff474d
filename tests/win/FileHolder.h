#pragma once

#include <windows.h>

#include <filesystem>
#include <string>

#include "platform/win32/UniqueHandle.h"

namespace zelv::test {

// Another process (zelv_hold_file, beside the test program) that holds a file open until it is
// let go, so a test sees the sharing failure a real second program causes. AShareRead: others may
// still read it, as with a library the remote-desktop client has loaded.
class THeldFile {
public:
    explicit THeldFile(const std::filesystem::path& APath, bool AShareRead = false)
        : THeldFile(APath, AShareRead ? L"read" : L"")
    {
    }
    // AMode "delete": held with the right to rename or delete it (a folder too), sharing everything.
    THeldFile(const std::filesystem::path& APath, const wchar_t* AMode)
    {
        wchar_t Self[MAX_PATH] = {};
        GetModuleFileNameW(nullptr, Self, MAX_PATH);
        const std::wstring Holder = (std::filesystem::path(Self).parent_path() / L"zelv_hold_file.exe").wstring();
        // Names of this holder's own, so two holders never share an event.
        const std::wstring Suffix = std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++Count());
        const std::wstring ReadyName = L"Local\\zelv-hold-ready-" + Suffix;
        const std::wstring ReleaseName = L"Local\\zelv-hold-release-" + Suffix;
        win32::UniqueHandleObj Ready(CreateEventW(nullptr, TRUE, FALSE, ReadyName.c_str()));
        FRelease.Reset(CreateEventW(nullptr, TRUE, FALSE, ReleaseName.c_str()));
        if (!Ready || !FRelease)
            return;
        std::wstring CommandLine = L"\"" + Holder + L"\" \"" + APath.wstring() + L"\" " + ReadyName + L" " + ReleaseName;
        if (*AMode)
            CommandLine += L" " + std::wstring(AMode);
        STARTUPINFOW Startup{};
        Startup.cb = sizeof Startup;
        PROCESS_INFORMATION Info{};
        if (!CreateProcessW(Holder.c_str(), CommandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &Startup,
                            &Info))
            return;
        FProcess.Reset(Info.hProcess);
        win32::UniqueHandleObj Thread(Info.hThread);
        HANDLE Waits[] = {Ready.Get(), FProcess.Get()};
        FHeld = WaitForMultipleObjects(2, Waits, FALSE, 10000) == WAIT_OBJECT_0;
    }
    ~THeldFile() { Release(); }
    THeldFile(const THeldFile&) = delete;
    THeldFile& operator=(const THeldFile&) = delete;

    // Whether the holder has the file open.
    bool Held() const { return FHeld; }

    // Lets the file go; true when the holder has ended.
    bool Release()
    {
        if (!FProcess)
            return true;
        SetEvent(FRelease.Get());
        bool Ended = WaitForSingleObject(FProcess.Get(), 10000) == WAIT_OBJECT_0;
        FProcess.Reset();
        return Ended;
    }

private:
    static int& Count()
    {
        static int N = 0;
        return N;
    }
    win32::UniqueHandleObj FRelease;
    win32::UniqueHandleObj FProcess;
    bool FHeld = false;
};

}  // namespace zelv::test
