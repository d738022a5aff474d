#pragma once
#include <windows.h>
#include <cstdio>
inline void ZMark(const wchar_t* AWhat)
{
    FILETIME Creation, Exit, Kernel, User, Now;
    GetProcessTimes(GetCurrentProcess(), &Creation, &Exit, &Kernel, &User);
    GetSystemTimePreciseAsFileTime(&Now);
    ULARGE_INTEGER C{{Creation.dwLowDateTime, Creation.dwHighDateTime}}, N{{Now.dwLowDateTime, Now.dwHighDateTime}};
    char Text[160];
    int Len = snprintf(Text, 160, "%lu %ls %.2f\n", GetCurrentProcessId(), AWhat, (N.QuadPart - C.QuadPart) / 10000.0);
    HANDLE F = CreateFileW(L"Z:\\tmp\\zmarks.txt", FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS, 0, nullptr);
    DWORD W;
    WriteFile(F, Text, Len, &W, nullptr);
    CloseHandle(F);
}
