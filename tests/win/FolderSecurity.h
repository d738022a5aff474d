#pragma once
// What the Wine bench reports as a folder's owner and access, and the Unix tools that change it.

#include <gtest/gtest.h>

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "platform/win32/UniqueHandle.h"

namespace zelv::test {

// Wine answers a folder's security from its Unix owner and mode bits: another Unix owner is
// another owner SID, and a folder everyone may write lets Everyone write and delete children. The
// bench runs as root, so these folders are made with the system's own chown and chmod, which Wine
// starts as it starts any program.
inline std::string UnixPath(const std::filesystem::path& APath)
{
    using TUnixName = char*(CDECL*)(const wchar_t*);
    auto ToUnix = reinterpret_cast<TUnixName>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name"));
    if (!ToUnix)
        return std::string();
    char* Name = ToUnix(APath.c_str());
    if (!Name)
        return std::string();
    std::string Text = Name;
    HeapFree(GetProcessHeap(), 0, Name);
    return Text;
}

// Starts a Unix tool on a path. Wine hands back no handle that waits for it: the caller waits for
// what the tool changes.
inline void RunUnixTool(const std::wstring& ATool, const std::wstring& AArguments, const std::filesystem::path& APath)
{
    const std::string Unix = UnixPath(APath);
    ASSERT_FALSE(Unix.empty()) << "only Wine can make these folders";
    std::wstring Line = L"Z:\\bin\\" + ATool + L" " + AArguments + L" \"" + std::wstring(Unix.begin(), Unix.end()) + L"\"";
    STARTUPINFOW Startup{};
    Startup.cb = sizeof Startup;
    PROCESS_INFORMATION Started{};
    ASSERT_TRUE(CreateProcessW(nullptr, Line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &Startup, &Started))
        << GetLastError();
    win32::UniqueHandleObj Process(Started.hProcess);
    win32::UniqueHandleObj Thread(Started.hThread);
}

// A Unix link at ALink to ATarget, made with ln -s. Wine hands back no handle that waits for the
// tool: this waits for the link to show.
inline void MakeUnixLink(const std::filesystem::path& ALink, const std::filesystem::path& ATarget)
{
    const std::string Target = UnixPath(ATarget);
    ASSERT_NO_FATAL_FAILURE(RunUnixTool(L"ln", L"-s \"" + std::wstring(Target.begin(), Target.end()) + L"\"", ALink));
    for (DWORD Start = GetTickCount(); GetFileAttributesW(ALink.c_str()) == INVALID_FILE_ATTRIBUTES;) {
        ASSERT_LT(GetTickCount() - Start, 10000u) << "no link made";
        Sleep(10);
    }
}

// Removes a tree with the system's own rm, which removes a Unix link itself: Wine's own calls would
// remove what a link points to. Waits until it is gone.
inline void RemoveWithUnixTool(const std::filesystem::path& APath)
{
    if (GetFileAttributesW(APath.c_str()) == INVALID_FILE_ATTRIBUTES)
        return;
    ASSERT_NO_FATAL_FAILURE(RunUnixTool(L"rm", L"-rf", APath));
    for (DWORD Start = GetTickCount(); GetFileAttributesW(APath.c_str()) != INVALID_FILE_ATTRIBUTES;) {
        ASSERT_LT(GetTickCount() - Start, 10000u) << "not removed";
        Sleep(10);
    }
}

// Whether the name shows a link, as Wine shows a Unix link to a folder.
inline bool ShowsLink(const std::filesystem::path& APath)
{
    const DWORD Attributes = GetFileAttributesW(APath.c_str());
    return Attributes != INVALID_FILE_ATTRIBUTES && (Attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// Runs a command line in another Windows program of the prefix (its cmd.exe): share modes hold
// only between Wine's own processes. Its exit code.
inline DWORD RunWindowsCommand(const std::wstring& ACommand)
{
    wchar_t System[MAX_PATH];
    GetSystemDirectoryW(System, MAX_PATH);
    std::wstring Line = L"\"" + std::wstring(System) + L"\\cmd.exe\" /c " + ACommand;
    STARTUPINFOW Startup{};
    Startup.cb = sizeof Startup;
    PROCESS_INFORMATION Started{};
    if (!CreateProcessW(nullptr, Line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &Startup,
                        &Started))
        return 9999;
    win32::UniqueHandleObj Process(Started.hProcess);
    win32::UniqueHandleObj Thread(Started.hThread);
    if (WaitForSingleObject(Process.Get(), 30000) != WAIT_OBJECT_0)
        return 9998;
    DWORD Code = 0;
    GetExitCodeProcess(Process.Get(), &Code);
    return Code;
}

// The owner and access list the system reports for the item itself, as the system writes them.
inline std::wstring SecurityOf(const std::filesystem::path& APath)
{
    win32::UniqueFile Item(CreateFileW(APath.c_str(), READ_CONTROL, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS,
                                       nullptr));
    if (!Item)
        return L"(cannot open)";
    PSECURITY_DESCRIPTOR RawDescriptor = nullptr;
    if (GetSecurityInfo(Item.Get(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, nullptr,
                        nullptr, nullptr, nullptr, &RawDescriptor) != ERROR_SUCCESS)
        return L"(unreadable)";
    std::unique_ptr<void, decltype(&LocalFree)> Descriptor(RawDescriptor, &LocalFree);
    wchar_t* Sddl = nullptr;
    if (!ConvertSecurityDescriptorToStringSecurityDescriptorW(RawDescriptor, SDDL_REVISION_1,
                                                              OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &Sddl, nullptr))
        return L"(unreadable)";
    std::unique_ptr<void, decltype(&LocalFree)> Owned(Sddl, &LocalFree);
    return Sddl;
}

// Waits until the system reports what a Unix tool changed.
inline bool WaitForSecurity(const std::filesystem::path& APath, const std::function<bool(const std::wstring&)>& AReached)
{
    for (DWORD Start = GetTickCount(); GetTickCount() - Start < 10000;) {
        if (AReached(SecurityOf(APath)))
            return true;
        Sleep(20);
    }
    return false;
}

inline const std::wstring EveryoneWrites = L"(A;OICI;0x1301ff;;;WD)";
// Wine's SID for an owner other than the user the bench runs as.
inline const std::wstring AnotherOwner = L"O:AN";

}  // namespace zelv::test
