// Holds a file open, as another program would, until the test lets it go:
//   zelv_hold_file <path> <ready event> <release event> [read|delete]
// With no sharing, or with "read" sharing others' reading as a program that has it loaded does.
// With "delete", a file or a folder is held with the right to rename or delete it, sharing
// everything, as another account that opened it while it could would.
#include <windows.h>

#include <string>

#include "platform/win32/UniqueHandle.h"

int wmain(int argc, wchar_t** argv)
{
    using namespace zelv::win32;
    if (argc != 4 && argc != 5)
        return 2;
    const std::wstring Mode = argc == 5 ? argv[4] : L"";
    const bool WithDelete = Mode == L"delete";
    const DWORD Share = WithDelete ? FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE : Mode == L"read" ? FILE_SHARE_READ : 0;
    UniqueFile File(CreateFileW(argv[1], WithDelete ? READ_CONTROL | DELETE : GENERIC_READ, Share, nullptr, OPEN_EXISTING,
                                WithDelete ? FILE_FLAG_BACKUP_SEMANTICS : FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!File)
        return 3;
    UniqueHandleObj Ready(OpenEventW(EVENT_MODIFY_STATE, FALSE, argv[2]));
    UniqueHandleObj Release(OpenEventW(SYNCHRONIZE, FALSE, argv[3]));
    if (!Ready || !Release)
        return 4;
    SetEvent(Ready.Get());
    return WaitForSingleObject(Release.Get(), 30000) == WAIT_OBJECT_0 ? 0 : 5;
}
