#include "platform/win32/Win32InstallFiles.h"

#include <algorithm>

#include "core/CloudSetupError.h"
#include "platform/win32/UniqueHandle.h"
#include "platform/win32/Win32Text.h"

namespace zelv::win32 {

namespace {

DWORD Attributes(UStringView APath)
{
    std::wstring Path = ToW(APath);
    return GetFileAttributesW(Path.c_str());
}

[[noreturn]] void RaiseFileError(const char16_t* AWhat, UStringView APath, DWORD ACode)
{
    UString Reason = TrimSystemText(SystemErrorText(ACode));
    if (Reason.empty())
        Reason = OSErrorMessage(ACode, u"");
    throw ECloudSetupError(UString(AWhat) + u" \"" + UString(APath) + u"\". " + Reason);
}

}  // namespace

bool TWin32InstallFiles::DirectoryExists(UStringView APath)
{
    DWORD Found = Attributes(APath);
    return Found != INVALID_FILE_ATTRIBUTES && (Found & FILE_ATTRIBUTE_DIRECTORY);
}

void TWin32InstallFiles::CreateDirectories(UStringView APath)
{
    UString Path(APath);
    while (!Path.empty() && (Path.back() == u'\\' || Path.back() == u'/'))
        Path.pop_back();
    if (Path.empty() || DirectoryExists(Path))
        return;
    size_t Separator = Path.find_last_of(u"\\/");
    if (Separator != UString::npos && Separator > 0 && Path[Separator - 1] != u':')
        CreateDirectories(UStringView(Path).substr(0, Separator));
    std::wstring Wide = ToW(Path);
    if (!CreateDirectoryW(Wide.c_str(), nullptr)) {
        DWORD Code = GetLastError();
        if (Code == ERROR_ALREADY_EXISTS && DirectoryExists(Path))
            return;
        RaiseOSError(Code, SystemErrorText(Code));
    }
}

bool TWin32InstallFiles::FileExists(UStringView APath)
{
    DWORD Found = Attributes(APath);
    return Found != INVALID_FILE_ATTRIBUTES && !(Found & FILE_ATTRIBUTE_DIRECTORY);
}

bool TWin32InstallFiles::CanOpenExclusively(UStringView APath)
{
    std::wstring Path = ToW(APath);
    // Share mode 0: fails while any other handle or a loaded image holds the file.
    UniqueFile File(CreateFileW(Path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return static_cast<bool>(File);
}

void TWin32InstallFiles::WriteFlushed(UStringView APath, std::string_view ABytes)
{
    std::wstring Path = ToW(APath);
    UniqueFile File(CreateFileW(Path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!File)
        RaiseFileError(u"Cannot create file", APath, GetLastError());
    size_t Offset = 0;
    while (Offset < ABytes.size()) {
        DWORD Chunk = static_cast<DWORD>(std::min<size_t>(ABytes.size() - Offset, 1u << 30));
        DWORD Written = 0;
        if (!WriteFile(File.Get(), ABytes.data() + Offset, Chunk, &Written, nullptr) || Written == 0)
            RaiseFileError(u"Cannot write file", APath, GetLastError());
        Offset += Written;
    }
    if (!FlushFileBuffers(File.Get()))
        RaiseFileError(u"Cannot write file", APath, GetLastError());
}

void TWin32InstallFiles::Replace(UStringView ASource, UStringView ATarget)
{
    std::wstring Source = ToW(ASource);
    std::wstring Target = ToW(ATarget);
    if (!MoveFileExW(Source.c_str(), Target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        RaiseFileError(u"Cannot replace file", ATarget, GetLastError());
}

bool TWin32InstallFiles::Remove(UStringView APath)
{
    std::wstring Path = ToW(APath);
    return DeleteFileW(Path.c_str()) != 0;
}

}  // namespace zelv::win32
