// One more program of the bench's Wine prefix for the whole test run. When the last program on
// Wine's desktop ends, Wine closes the desktop and its desktop process ends about a second later;
// the next program to start brings up a new one, which inherits that test's output pipes (ctest
// then waits for them until the desktop closes again). This program stays on the desktop until
// the bench stops the wineserver, so the desktop and its process live exactly as long as the run.
//   zelv_bench_keeper READY-FILE   creates READY-FILE once it holds the desktop
#include <windows.h>

#include "platform/win32/UniqueHandle.h"

int wmain(int argc, wchar_t** argv)
{
    if (argc != 2) {
        return 2;
    }
    // Asking for the desktop window joins the desktop, and starts its process if it isn't running.
    if (GetDesktopWindow() == nullptr) {
        return 1;
    }
    zelv::win32::UniqueFile ready(
        CreateFileW(argv[1], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!ready) {
        return 1;
    }
    ready.Reset();
    Sleep(INFINITE);
    return 0;
}
