#include "platform/win32/Win32InstallFiles.h"

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <algorithm>
#include <cwchar>
#include <optional>

#include "core/CloudSetupError.h"
#include "platform/win32/UniqueHandle.h"
#include "platform/win32/Win32Text.h"

namespace zelv::win32 {

namespace {

inline void FreeLocal(void* AMemory) { ::LocalFree(AMemory); }
using UniqueLocal = UniqueHandle<void*, FreeLocal>;
inline void CloseFind(HANDLE AFind) { ::FindClose(AFind); }
using UniqueFind = UniqueHandle<HANDLE, CloseFind, -1>;

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

// The item itself, never what a link points to; READ_CONTROL | WRITE_DAC at most, which the owner
// always has. The backup flag is what opens a folder at all, not a privilege asked for.
UniqueFile OpenItself(UStringView APath, DWORD AAccess)
{
    std::wstring Path = ToW(APath);
    return UniqueFile(CreateFileW(Path.c_str(), AAccess, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

UString SidText(PSID ASid)
{
    wchar_t* Text = nullptr;
    if (!ASid || !ConvertSidToStringSidW(ASid, &Text))
        return UString();
    UniqueLocal Owned(Text);
    return U(Text);
}

// Only entries that decide access are kept; entries of types this program does not know that
// allow something are kept as allowing it to an unknown account.
std::optional<platform::TSecurityEntry> EntryOf(const ACE_HEADER* AHeader)
{
    platform::TSecurityEntry Entry;
    Entry.ObjectInherit = AHeader->AceFlags & OBJECT_INHERIT_ACE;
    Entry.ContainerInherit = AHeader->AceFlags & CONTAINER_INHERIT_ACE;
    Entry.InheritOnly = AHeader->AceFlags & INHERIT_ONLY_ACE;
    switch (AHeader->AceType) {
    case ACCESS_ALLOWED_ACE_TYPE:
    case ACCESS_ALLOWED_CALLBACK_ACE_TYPE: {
        // Both begin with the mask and the SID.
        auto* Allowed = reinterpret_cast<const ACCESS_ALLOWED_ACE*>(AHeader);
        Entry.Rights = Allowed->Mask;
        Entry.Sid = SidText(const_cast<DWORD*>(&Allowed->SidStart));
        return Entry;
    }
    case ACCESS_DENIED_ACE_TYPE:
    case ACCESS_DENIED_CALLBACK_ACE_TYPE: {
        auto* Denied = reinterpret_cast<const ACCESS_DENIED_ACE*>(AHeader);
        Entry.Kind = platform::TEntryKind::Deny;
        Entry.Rights = Denied->Mask;
        Entry.Sid = SidText(const_cast<DWORD*>(&Denied->SidStart));
        return Entry;
    }
    case ACCESS_ALLOWED_OBJECT_ACE_TYPE:
    case ACCESS_ALLOWED_CALLBACK_OBJECT_ACE_TYPE:
    case ACCESS_ALLOWED_COMPOUND_ACE_TYPE:
        Entry.Rights = reinterpret_cast<const ACCESS_ALLOWED_OBJECT_ACE*>(AHeader)->Mask;
        return Entry;
    default: return std::nullopt;
    }
}

UString OwnerOf(HANDLE AItem)
{
    PSID Owner = nullptr;
    PSECURITY_DESCRIPTOR RawDescriptor = nullptr;
    if (GetSecurityInfo(AItem, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &Owner, nullptr, nullptr, nullptr,
                        &RawDescriptor) != ERROR_SUCCESS)
        return UString();
    UniqueLocal Descriptor(RawDescriptor);
    return SidText(Owner);
}

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
    CreateOne(Path, &Security);
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

void TWin32InstallFiles::ReadShared(UStringView APath, const std::function<void(std::string_view)>& APiece)
{
    std::wstring Path = ToW(APath);
    UniqueFile File(CreateFileW(Path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!File)
        RaiseFileError(u"Cannot read file", APath, GetLastError());
    std::vector<char> Buffer(65536);
    while (true) {
        DWORD Read = 0;
        if (!ReadFile(File.Get(), Buffer.data(), static_cast<DWORD>(Buffer.size()), &Read, nullptr))
            RaiseFileError(u"Cannot read file", APath, GetLastError());
        if (Read == 0)
            return;
        APiece(std::string_view(Buffer.data(), Read));
    }
}

std::unique_ptr<platform::IInstallFile> TWin32InstallFiles::Create(UStringView APath)
{
    std::wstring Path = ToW(APath);
    UniqueFile File(CreateFileW(Path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
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
    std::wstring Path = ToW(APath);
    // A link to a folder carries the folder attribute and goes as a folder does, alone.
    DWORD Found = GetFileAttributesW(Path.c_str());
    if (Found != INVALID_FILE_ATTRIBUTES && (Found & FILE_ATTRIBUTE_DIRECTORY))
        return RemoveDirectoryW(Path.c_str()) != 0;
    return DeleteFileW(Path.c_str()) != 0;
}

UString TWin32InstallFiles::UserSid() { return CurrentUserSid(); }

platform::TFolderSecurity TWin32InstallFiles::ReadFolderSecurity(UStringView APath)
{
    UniqueFile Folder = OpenItself(APath, READ_CONTROL);
    if (!Folder)
        RaiseFileError(u"Cannot read the access of folder", APath, GetLastError());
    platform::TFolderSecurity Security;
    FILE_BASIC_INFO Basic{};
    if (!GetFileInformationByHandleEx(Folder.Get(), FileBasicInfo, &Basic, sizeof Basic))
        RaiseFileError(u"Cannot read the access of folder", APath, GetLastError());
    Security.IsLink = Basic.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT;

    PSID Owner = nullptr;
    PACL Dacl = nullptr;
    PSECURITY_DESCRIPTOR RawDescriptor = nullptr;
    const DWORD Code = GetSecurityInfo(Folder.Get(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                       &Owner, nullptr, &Dacl, nullptr, &RawDescriptor);
    if (Code != ERROR_SUCCESS)
        RaiseFileError(u"Cannot read the access of folder", APath, Code);
    UniqueLocal Descriptor(RawDescriptor);
    Security.OwnerSid = SidText(Owner);
    if (Dacl) {
        Security.Entries.emplace();
        for (DWORD Index = 0; Index < Dacl->AceCount; ++Index) {
            void* Header = nullptr;
            if (!GetAce(Dacl, Index, &Header))
                RaiseFileError(u"Cannot read the access of folder", APath, GetLastError());
            if (std::optional<platform::TSecurityEntry> Entry = EntryOf(static_cast<ACE_HEADER*>(Header)))
                Security.Entries->push_back(std::move(*Entry));
        }
    }
    return Security;
}

std::vector<platform::TFolderItem> TWin32InstallFiles::ListFolder(UStringView APath)
{
    UString Folder(APath);
    if (!Folder.empty() && Folder.back() != u'\\')
        Folder += u'\\';
    const std::wstring Pattern = ToW(Folder + u"*");
    WIN32_FIND_DATAW Found{};
    UniqueFind Find(FindFirstFileExW(Pattern.c_str(), FindExInfoBasic, &Found, FindExSearchNameMatch, nullptr, 0));
    if (!Find)
        RaiseFileError(u"Cannot list folder", APath, GetLastError());
    std::vector<platform::TFolderItem> Items;
    do {
        const std::wstring Name = Found.cFileName;
        if (Name == L"." || Name == L"..")
            continue;
        platform::TFolderItem Item;
        Item.Name = U(Name);
        Item.IsFolder = Found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
        Item.IsLink = Found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT;
        if (UniqueFile Opened = OpenItself(Folder + Item.Name, READ_CONTROL))
            Item.OwnerSid = OwnerOf(Opened.Get());
        Items.push_back(std::move(Item));
    } while (FindNextFileW(Find.Get(), &Found));
    const DWORD Code = GetLastError();
    if (Code != ERROR_NO_MORE_FILES)
        RaiseFileError(u"Cannot list folder", APath, Code);
    return Items;
}

void TWin32InstallFiles::SetFolderAccess(UStringView APath, const platform::TFolderAccess& AAccess)
{
    const UString UserSid = CurrentUserSid();
    if (UserSid.empty())
        RaiseFileError(u"Cannot change the access of folder", APath, GetLastError());
    const std::wstring Sddl = ToW(FolderAccessSddl(AAccess, UserSid));
    PSECURITY_DESCRIPTOR RawDescriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(Sddl.c_str(), SDDL_REVISION_1, &RawDescriptor, nullptr))
        RaiseFileError(u"Cannot change the access of folder", APath, GetLastError());
    UniqueLocal Descriptor(RawDescriptor);
    BOOL Present = FALSE;
    BOOL Defaulted = FALSE;
    PACL Dacl = nullptr;
    if (!GetSecurityDescriptorDacl(Descriptor.Get(), &Present, &Dacl, &Defaulted))
        RaiseFileError(u"Cannot change the access of folder", APath, GetLastError());

    UniqueFile Folder = OpenItself(APath, READ_CONTROL | WRITE_DAC);
    if (!Folder)
        RaiseFileError(u"Cannot change the access of folder", APath, GetLastError());
    const DWORD Code = SetSecurityInfo(Folder.Get(), SE_FILE_OBJECT,
                                       DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                       Dacl, nullptr);
    if (Code != ERROR_SUCCESS)
        RaiseFileError(u"Cannot change the access of folder", APath, Code);
}

}  // namespace zelv::win32
