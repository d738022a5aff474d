#include "platform/win32/Win32FileWriter.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <vector>

#include "platform/win32/UniqueHandle.h"
#include "platform/win32/Win32Text.h"

namespace zelv::win32 {

namespace {

platform::TSystemError LastError()
{
    DWORD Code = GetLastError();
    return platform::TSystemError{Code, SystemErrorText(Code)};
}

UString FullPathOf(const UString& APath)
{
    std::wstring Buffer(MAX_PATH, L'\0');
    while (true) {
        DWORD Length = GetFullPathNameW(W(APath), static_cast<DWORD>(Buffer.size()), Buffer.data(), nullptr);
        if (Length == 0)
            return APath;
        if (Length < Buffer.size()) {
            Buffer.resize(Length);
            return U(Buffer);
        }
        Buffer.assign(Length, L'\0');
    }
}

// The disposition flag rather than FILE_FLAG_DELETE_ON_CLOSE: the flag given at opening cannot be
// taken back, this one can, just before the file takes its place.
bool SetDeleteDisposition(HANDLE AFile, bool ADelete)
{
    FILE_DISPOSITION_INFO Disposition{};
    Disposition.DeleteFile = ADelete ? TRUE : FALSE;
    return SetFileInformationByHandle(AFile, FileDispositionInfo, &Disposition, sizeof Disposition) != 0;
}

// A rename through the open handle: the file stays shared with nobody and marked for deletion
// until the very step that makes it the target. MoveFileExW and ReplaceFileW open it again by
// name, which share mode 0 refuses, so the file would have to be closed, and unprotected, first;
// ReplaceFileW also fails when there is no earlier file and carries the earlier file's attributes,
// security and streams (a download mark among them) over to a text that this program made anew.
bool RenameOverTarget(HANDLE AFile, const std::wstring& AFullTarget)
{
    const size_t NameBytes = AFullTarget.size() * sizeof(wchar_t);
    std::vector<std::byte> Buffer(offsetof(FILE_RENAME_INFO, FileName) + NameBytes + sizeof(wchar_t));
    auto* Rename = reinterpret_cast<FILE_RENAME_INFO*>(Buffer.data());
    Rename->ReplaceIfExists = TRUE;
    Rename->RootDirectory = nullptr;
    Rename->FileNameLength = static_cast<DWORD>(NameBytes);
    std::memcpy(Rename->FileName, AFullTarget.c_str(), NameBytes + sizeof(wchar_t));
    return SetFileInformationByHandle(AFile, FileRenameInfo, Rename, static_cast<DWORD>(Buffer.size())) != 0;
}

// The system refuses to rename over a file that another program has open with "access denied";
// the user is better told that the file is in use, as when it is opened.
bool HeldByAnotherProgram(const std::wstring& APath)
{
    UniqueFile Probe(CreateFileW(APath.c_str(), DELETE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return !Probe && GetLastError() == ERROR_SHARING_VIOLATION;
}

platform::TSystemError ErrorOf(DWORD ACode) { return platform::TSystemError{ACode, SystemErrorText(ACode)}; }

// A hidden, system or read-only file is one the user set apart; the file system refuses to
// overwrite such a file by name, and so does this program, though a rename would not.
bool IsSetApart(const std::wstring& APath)
{
    const DWORD Attributes = GetFileAttributesW(APath.c_str());
    return Attributes != INVALID_FILE_ATTRIBUTES &&
           (Attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_READONLY));
}

UniqueFile CreateNew(const std::wstring& APath)
{
    // Share mode 0: no other program can open the file while it is written, so none reads a
    // half-written file. DELETE: the file is renamed and marked for deletion through this handle.
    // CREATE_NEW: never what a name already leads to, a link's target among them.
    return UniqueFile(CreateFileW(APath.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
}

// Removes a plain file left under the name, through a handle on the item itself; anything else
// there stays, and AError says why it is in the way.
bool RemoveLeftover(const std::wstring& APath, platform::TSystemError& AError)
{
    UniqueFile Item(CreateFileW(APath.c_str(), DELETE | FILE_READ_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
                                FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!Item) {
        AError = LastError();
        return false;
    }
    FILE_ATTRIBUTE_TAG_INFO Info{};
    if (!GetFileInformationByHandleEx(Item.Get(), FileAttributeTagInfo, &Info, sizeof Info)) {
        AError = LastError();
        return false;
    }
    // The name is read too: Wine opens what a Unix link to a folder points to even when asked for
    // the link itself, and shows the link only by name.
    const DWORD NameAttributes = GetFileAttributesW(APath.c_str());
    const bool Link = (Info.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
                      (NameAttributes != INVALID_FILE_ATTRIBUTES && (NameAttributes & FILE_ATTRIBUTE_REPARSE_POINT));
    if (Link || (Info.FileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        AError = ErrorOf(ERROR_FILE_EXISTS);
        return false;
    }
    if (Info.FileAttributes & FILE_ATTRIBUTE_READONLY) {
        AError = ErrorOf(ERROR_ACCESS_DENIED);
        return false;
    }
    if (!SetDeleteDisposition(Item.Get(), true)) {
        AError = LastError();
        return false;
    }
    return true;
}

class TWin32WrittenFile : public platform::IWrittenFile {
public:
    TWin32WrittenFile(UString APath, UniqueFile AFile)
        : FPath(std::move(APath)), FFile(std::move(AFile)), FDeletedOnClose(SetDeleteDisposition(FFile.Get(), true))
    {
    }

    ~TWin32WrittenFile() override
    {
        if (FPlaced || FDeletedOnClose)
            return;
        // The file system would not mark the file: it goes by name once it is closed.
        FFile.Reset();
        DeleteFileW(W(FPath));
    }

    TWin32WrittenFile(const TWin32WrittenFile&) = delete;
    TWin32WrittenFile& operator=(const TWin32WrittenFile&) = delete;

    bool Write(std::string_view ABytes, platform::TSystemError& AError) override
    {
        while (!ABytes.empty()) {
            DWORD Chunk = static_cast<DWORD>(std::min<size_t>(ABytes.size(), 1u << 30));
            DWORD Written = 0;
            if (!WriteFile(FFile.Get(), ABytes.data(), Chunk, &Written, nullptr)) {
                AError = LastError();
                return false;
            }
            if (Written == 0) {
                // The system took nothing and named no reason.
                AError = platform::TSystemError{};
                return false;
            }
            ABytes.remove_prefix(Written);
        }
        return true;
    }

    bool Flush(platform::TSystemError& AError) override
    {
        if (FlushFileBuffers(FFile.Get()))
            return true;
        AError = LastError();
        return false;
    }

    bool PutInPlace(UStringView ATarget, platform::TSystemError& AError) override
    {
        const std::wstring Target = ToW(FullPathOf(UString(ATarget)));
        if (IsSetApart(Target)) {
            AError = ErrorOf(ERROR_ACCESS_DENIED);
            return false;
        }
        // The mark comes off only now: a crash between here and the rename leaves the earlier file
        // as it was and this one under its own name, which the caller chose so that its next
        // writing takes it over.
        if (FDeletedOnClose && !SetDeleteDisposition(FFile.Get(), false)) {
            AError = LastError();
            return false;
        }
        if (!RenameOverTarget(FFile.Get(), Target)) {
            AError = LastError();
            if (AError.Code == ERROR_ACCESS_DENIED && HeldByAnotherProgram(Target))
                AError = platform::TSystemError{ERROR_SHARING_VIOLATION, SystemErrorText(ERROR_SHARING_VIOLATION)};
            FDeletedOnClose = FDeletedOnClose && SetDeleteDisposition(FFile.Get(), true);
            return false;
        }
        FPlaced = true;
        return true;
    }

private:
    UString FPath;
    UniqueFile FFile;
    bool FDeletedOnClose;
    bool FPlaced = false;
};

}  // namespace

std::unique_ptr<platform::IWrittenFile> TWin32FileWriter::CreateExclusive(UStringView APath,
                                                                          platform::TSystemError& AError)
{
    UString Path(APath);
    const std::wstring Wide = ToW(Path);
    UniqueFile File = CreateNew(Wide);
    if (!File && (GetLastError() == ERROR_FILE_EXISTS || GetLastError() == ERROR_ALREADY_EXISTS)) {
        // A run that ended in the instant of its last step leaves its file under this name.
        if (!RemoveLeftover(Wide, AError)) {
            AError.NameInTheWay = true;
            return nullptr;
        }
        File = CreateNew(Wide);
    }
    if (!File) {
        AError = LastError();
        return nullptr;
    }
    return std::make_unique<TWin32WrittenFile>(std::move(Path), std::move(File));
}

UString TWin32FileWriter::FullPath(UStringView APath)
{
    return FullPathOf(UString(APath));
}

}  // namespace zelv::win32
