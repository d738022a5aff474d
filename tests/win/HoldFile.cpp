// Holds a file open with no sharing, as another program would, until the test lets it go:
//   zelv_hold_file <path> <ready event> <release event>
#include <windows.h>

#include "platform/win32/UniqueHandle.h"

int wmain(int argc, wchar_t** argv)
{
    using namespace zelv::win32;
    if (argc != 4)
        return 2;
    UniqueFile File(CreateFileW(argv[1], GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!File)
        return 3;
    UniqueHandleObj Ready(OpenEventW(EVENT_MODIFY_STATE, FALSE, argv[2]));
    UniqueHandleObj Release(OpenEventW(SYNCHRONIZE, FALSE, argv[3]));
    if (!Ready || !Release)
        return 4;
    SetEvent(Ready.Get());
    return WaitForSingleObject(Release.Get(), 30000) == WAIT_OBJECT_0 ? 0 : 5;
}
