// Starts programs from inside Wine as fast as it can and counts the starts that never reached the
// program: a child that is this same program, which returns 0 at once. For scripts/stress-starts.
//   zelv_start_children STARTS   prints one line per failed start, then "STARTS starts, F failed"
//   zelv_start_children child    the child
#include <windows.h>

#include <cstdio>
#include <string>

#include "platform/win32/UniqueHandle.h"

int wmain(int argc, wchar_t** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: zelv_start_children STARTS\n");
        return 2;
    }
    if (std::wstring(argv[1]) == L"child") {
        return 0;
    }
    const int Starts = _wtoi(argv[1]);
    wchar_t Self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, Self, MAX_PATH);
    int Failed = 0;
    for (int I = 0; I < Starts; ++I) {
        std::wstring CommandLine = L"\"" + std::wstring(Self) + L"\" child";
        STARTUPINFOW Startup{};
        Startup.cb = sizeof Startup;
        PROCESS_INFORMATION Info{};
        if (!CreateProcessW(Self, CommandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &Startup, &Info)) {
            ++Failed;
            std::printf("start %d: CreateProcess failed with error %lu\n", I, GetLastError());
            std::fflush(stdout);
            continue;
        }
        zelv::win32::UniqueHandleObj Process(Info.hProcess), Thread(Info.hThread);
        DWORD Code = 1;
        if (WaitForSingleObject(Info.hProcess, 20000) != WAIT_OBJECT_0 || !GetExitCodeProcess(Info.hProcess, &Code) ||
            Code != 0) {
            ++Failed;
            std::printf("start %d: the child ended with %lu\n", I, Code);
            std::fflush(stdout);
        }
    }
    std::printf("%d starts, %d failed\n", Starts, Failed);
    return Failed == 0 ? 0 : 1;
}
