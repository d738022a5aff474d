#include "platform/win32/Win32InstallFiles.h"

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <algorithm>
#include <cwchar>
#include <optional>

#include "core/CloudSetupError.h"
#include "platform/win32/UniqueHandle.h"
#include "platform/win32/Win32HeldFolder.h"
#include "platform/win32/Win32Text.h"

namespace zelv::win32 {

namespace {

inline void FreeLocal(void* AMemory) { ::LocalFree(AMemory); }
using UniqueLocal = UniqueHandle<void*, FreeLocal>;

DWORD Attributes(UStringView APath)
{
    std::wstring Path = ToW(APath);
    return GetFileAttributesW(Path.c_str());
}

[[noreturn]] void RaiseCreateFolder(DWORD ACode) { RaiseOSError(ACode, SystemErrorText(ACode)); }

void CreateOne(const UString& APath, SECURITY_ATTRIBUTES* ASecurity)
{
    std::wstring Wide = ToW(APath);
    if (CreateDirectoryW(Wide.c_str(), ASecurity))
        return;
    DWORD Code = GetLastError();
    if (Code == ERROR_ALREADY_EXISTS && Attributes(APath) != INVALID_FILE_ATTRIBUTES &&
        (Attributes(APath) & FILE_ATTRIBUTE_DIRECTORY))
        return;
    RaiseCreateFolder(Code);
}

void CreateParents(const UString& APath)
{
    if (APath.empty() || Attributes(APath) != INVALID_FILE_ATTRIBUTES)
        return;
    size_t Separator = APath.find_last_of(u"\\/");
    if (Separator != UString::npos && Separator > 0 && APath[Separator - 1] != u':')
        CreateParents(APath.substr(0, Separator));
    CreateOne(APath, nullptr);
}

class TWin32InstallFile : public platform::IInstallFile {
public:
    TWin32InstallFile(UString APath, UniqueFile AFile) : FPath(std::move(APath)), FFile(std::move(AFile)) {}

    void Write(std::string_view ABytes) override
    {
        size_t Offset = 0;
        while (Offset < ABytes.size()) {
            DWORD Chunk = static_cast<DWORD>(std::min<size_t>(ABytes.size() - Offset, 1u << 30));
            DWORD Written = 0;
            if (!WriteFile(FFile.Get(), ABytes.data() + Offset, Chunk, &Written, nullptr) || Written == 0)
                RaiseFileError(u"Cannot write file", FPath, GetLastError());
            Offset += Written;
        }
    }

    void Flush() override
    {
        if (!FlushFileBuffers(FFile.Get()))
            RaiseFileError(u"Cannot write file", FPath, GetLastError());
    }

private:
    UString FPath;
    UniqueFile FFile;
};

// What the folder's Security tab calls Modify and Read & execute.
constexpr DWORD ModifyRights = FILE_GENERIC_READ | FILE_GENERIC_WRITE | FILE_GENERIC_EXECUTE | DELETE;
constexpr DWORD ReadAndExecuteRights = FILE_GENERIC_READ | FILE_GENERIC_EXECUTE;

std::wstring SddlMask(DWORD AMask)
{
    wchar_t Text[16];
    swprintf(Text, sizeof Text / sizeof *Text, L"0x%lx", static_cast<unsigned long>(AMask));
    return Text;
}

std::wstring RightsSddl(platform::TFolderRights ARights)
{
    switch (ARights) {
    case platform::TFolderRights::FullControl: return L"FA";
    case platform::TFolderRights::Modify: return SddlMask(ModifyRights);
    case platform::TFolderRights::ReadAndExecute: return SddlMask(ReadAndExecuteRights);
    }
    return L"";
}

}  // namespace

UString CurrentUserSid()
{
    HANDLE RawToken = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &RawToken))
        return UString();
    UniqueHandleObj Token(RawToken);
    DWORD Size = 0;
    GetTokenInformation(Token.Get(), TokenUser, nullptr, 0, &Size);
    if (Size == 0)
        return UString();
    std::vector<unsigned char> Buffer(Size);
    if (!GetTokenInformation(Token.Get(), TokenUser, Buffer.data(), Size, &Size))
        return UString();
    wchar_t* Text = nullptr;
    if (!ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(Buffer.data())->User.Sid, &Text))
        return UString();
    UniqueLocal Owned(Text);
    return U(Text);
}

UString FolderAccessSddl(const platform::TFolderAccess& AAccess, UStringView ACurrentUserSid)
{
    // P: protected, nothing inherited from the parent; OICI: the entry reaches files and folders
    // made inside.
    std::wstring Sddl = L"D:P";
    for (const platform::TAccessEntry& Entry : AAccess) {
        std::wstring Trustee;
        switch (Entry.Trustee) {
        case platform::TTrustee::LocalSystem: Trustee = L"SY"; break;
        case platform::TTrustee::Administrators: Trustee = L"BA"; break;
        case platform::TTrustee::Users: Trustee = L"BU"; break;
        case platform::TTrustee::CurrentUser: Trustee = ToW(ACurrentUserSid); break;
        }
        Sddl += L"(A;OICI;" + RightsSddl(Entry.Rights) + L";;;" + Trustee + L")";
    }
    return U(Sddl);
}

bool TWin32InstallFiles::DirectoryExists(UStringView APath)
{
    DWORD Found = Attributes(APath);
    return Found != INVALID_FILE_ATTRIBUTES && (Found & FILE_ATTRIBUTE_DIRECTORY);
}

void TWin32InstallFiles::CreateDirectories(UStringView APath, const platform::TFolderAccess& AAccess)
{
    UString Path(APath);
    while (!Path.empty() && (Path.back() == u'\\' || Path.back() == u'/'))
        Path.pop_back();
    if (Path.empty() || DirectoryExists(Path))
        return;
    size_t Separator = Path.find_last_of(u"\\/");
    if (Separator != UString::npos && Separator > 0 && Path[Separator - 1] != u':')
        CreateParents(Path.substr(0, Separator));

    // A folder someone made in between is judged like any that was there; a file is in the way.
    if (!CreateWithAccess(Path, AAccess) && !DirectoryExists(Path))
        RaiseCreateFolder(ERROR_ALREADY_EXISTS);
}

bool TWin32InstallFiles::CreateFolder(UStringView APath, const platform::TFolderAccess& AAccess)
{
    UString Path(APath);
    while (!Path.empty() && (Path.back() == u'\\' || Path.back() == u'/'))
        Path.pop_back();
    return CreateWithAccess(Path, AAccess);
}

std::unique_ptr<platform::IHeldFolder> TWin32InstallFiles::HoldFolder(UStringView APath)
{
    return HoldFolderAt(APath, false);
}

std::unique_ptr<platform::IHeldFolder> TWin32InstallFiles::HoldFolderToMove(UStringView APath)
{
    return HoldFolderAt(APath, true);
}

bool TWin32InstallFiles::CreateWithAccess(const UString& APath, const platform::TFolderAccess& AAccess)
{
    const UString UserSid = CurrentUserSid();
    if (UserSid.empty())
        RaiseCreateFolder(GetLastError());
    const std::wstring Sddl = ToW(FolderAccessSddl(AAccess, UserSid));
    PSECURITY_DESCRIPTOR RawDescriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(Sddl.c_str(), SDDL_REVISION_1, &RawDescriptor, nullptr))
        RaiseCreateFolder(GetLastError());
    UniqueLocal Descriptor(RawDescriptor);
    SECURITY_ATTRIBUTES Security{};
    Security.nLength = sizeof Security;
    Security.lpSecurityDescriptor = Descriptor.Get();
    Security.bInheritHandle = FALSE;
    std::wstring Wide = ToW(APath);
    if (CreateDirectoryW(Wide.c_str(), &Security))
        return true;
    const DWORD Code = GetLastError();
    if (Code == ERROR_ALREADY_EXISTS)
        return false;
    RaiseCreateFolder(Code);
}

bool TWin32InstallFiles::FileExists(UStringView APath)
{
    DWORD Found = Attributes(APath);
    return Found != INVALID_FILE_ATTRIBUTES && !(Found & FILE_ATTRIBUTE_DIRECTORY);
}

platform::TExclusiveOpen TWin32InstallFiles::OpenExclusively(UStringView APath)
{
    std::wstring Path = ToW(APath);
    // Share mode 0: fails while any other handle or a loaded image holds the file.
    UniqueFile File(CreateFileW(Path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (File)
        return platform::TExclusiveOpen::Opened;
    switch (GetLastError()) {
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_USER_MAPPED_FILE: return platform::TExclusiveOpen::SharingViolation;
    case ERROR_ACCESS_DENIED: return platform::TExclusiveOpen::AccessDenied;
    default: return platform::TExclusiveOpen::OtherFailure;
    }
}

platform::TFolderSecurity TWin32InstallFiles::ReadShared(UStringView APath,
                                                        const std::function<void(std::string_view)>& APiece)
{
    std::wstring Path = ToW(APath);
    UniqueFile File(CreateFileW(Path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!File)
        RaiseFileError(u"Cannot read file", APath, GetLastError());
    std::vector<char> Buffer(65536);
    while (true) {
        DWORD Read = 0;
        if (!ReadFile(File.Get(), Buffer.data(), static_cast<DWORD>(Buffer.size()), &Read, nullptr))
            RaiseFileError(u"Cannot read file", APath, GetLastError());
        if (Read == 0)
            break;
        APiece(std::string_view(Buffer.data(), Read));
    }
    platform::TFolderSecurity Security = SecurityThrough(File.Get(), APath);
    Security.IsLink = Security.IsLink || NameShowsLink(APath);
    return Security;
}

std::unique_ptr<platform::IInstallFile> TWin32InstallFiles::CreateNew(UStringView APath)
{
    std::wstring Path = ToW(APath);
    // CREATE_NEW: never a file that is there already, whose owner and access it would keep. No
    // security given: the file takes what its folder hands down.
    UniqueFile File(CreateFileW(Path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!File)
        RaiseFileError(u"Cannot create file", APath, GetLastError());
    return std::make_unique<TWin32InstallFile>(UString(APath), std::move(File));
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
    UniqueFile Item = OpenItself(APath, DELETE | FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE);
    if (!Item)
        return false;
    // A name that shows a link while the handle does not has led the handle elsewhere (Wine does
    // that for Unix links): what it has open is not the item named.
    FILE_ATTRIBUTE_TAG_INFO Info{};
    if (!GetFileInformationByHandleEx(Item.Get(), FileAttributeTagInfo, &Info, sizeof Info) ||
        (NameShowsLink(APath) && !(Info.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)))
        return false;
    return RemoveThrough(Item.Get());
}

UString TWin32InstallFiles::UserSid() { return CurrentUserSid(); }

}  // namespace zelv::win32
