// Laid beside a program under the name of a system library: when any process loads it, it leaves
// "<its own path>.ran" holding that program's path, then refuses to load.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE AInstance, DWORD AReason, LPVOID AReserved)
{
    (void)AReserved;
    if (AReason != DLL_PROCESS_ATTACH)
        return TRUE;
    wchar_t Marker[MAX_PATH + 8];
    const DWORD Length = GetModuleFileNameW(AInstance, Marker, MAX_PATH);
    if (Length > 0 && Length < MAX_PATH) {
        lstrcpyW(Marker + Length, L".ran");
        HANDLE File = CreateFileW(Marker, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
        if (File != INVALID_HANDLE_VALUE) {
            wchar_t Program[MAX_PATH];
            const DWORD ProgramLength = GetModuleFileNameW(NULL, Program, MAX_PATH);
            DWORD Written = 0;
            WriteFile(File, Program, ProgramLength * sizeof(wchar_t), &Written, NULL);
            CloseHandle(File);
        }
    }
    return FALSE;
}
