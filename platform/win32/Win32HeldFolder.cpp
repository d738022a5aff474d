#include "platform/win32/Win32HeldFolder.h"

#include <aclapi.h>
#include <sddl.h>

#include <optional>
#include <vector>

#include "core/CloudSetupError.h"
#include "platform/win32/Win32Text.h"

namespace zelv::win32 {

namespace {

inline void FreeLocal(void* AMemory) { ::LocalFree(AMemory); }
using UniqueLocal = UniqueHandle<void*, FreeLocal>;

// A held folder shares reading and writing, never deleting: no one else can open it with the
// right to rename or delete it while we hold it, and no one who already has it open that way lets
// us hold it.
constexpr DWORD HoldShare = FILE_SHARE_READ | FILE_SHARE_WRITE;
constexpr DWORD HoldAccess = READ_CONTROL | FILE_READ_ATTRIBUTES | FILE_LIST_DIRECTORY | SYNCHRONIZE;
constexpr DWORD ShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

UString WithoutBackslash(UStringView APath)
{
    UString Path(APath);
    while (Path.size() > 3 && (Path.back() == u'\\' || Path.back() == u'/'))
        Path.pop_back();
    return Path;
}

UString WithBackslash(UStringView APath)
{
    UString Path = WithoutBackslash(APath);
    if (!Path.empty() && Path.back() != u'\\')
        Path += u'\\';
    return Path;
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

// What the system calls the item the handle has open: its volume and its number in it.
struct TIdentity {
    DWORD Volume = 0;
    std::uint64_t Index = 0;
    bool operator==(const TIdentity&) const = default;
};

std::optional<TIdentity> IdentityOf(HANDLE AItem)
{
    BY_HANDLE_FILE_INFORMATION Info{};
    if (!GetFileInformationByHandle(AItem, &Info))
        return std::nullopt;
    return TIdentity{Info.dwVolumeSerialNumber, (std::uint64_t(Info.nFileIndexHigh) << 32) | Info.nFileIndexLow};
}

std::optional<DWORD> AttributesOf(HANDLE AItem)
{
    FILE_ATTRIBUTE_TAG_INFO Info{};
    if (!GetFileInformationByHandleEx(AItem, FileAttributeTagInfo, &Info, sizeof Info))
        return std::nullopt;
    return Info.FileAttributes;
}

// Whether the handle has open the very item that the listing showed under that name: the same
// number, and a link exactly when the listing showed one.
bool IsItemListed(HANDLE AItem, const platform::TFolderItem& AListed)
{
    const std::optional<TIdentity> Identity = IdentityOf(AItem);
    const std::optional<DWORD> Attributes = AttributesOf(AItem);
    if (!Identity || !Attributes || Identity->Index != AListed.Id)
        return false;
    const bool HandleShowsLink = *Attributes & FILE_ATTRIBUTE_REPARSE_POINT;
    return HandleShowsLink == AListed.IsLink && bool(*Attributes & FILE_ATTRIBUTE_DIRECTORY) == AListed.IsFolder;
}

class TWin32HeldFolder : public platform::IHeldFolder {
public:
    TWin32HeldFolder(UString APath, UniqueFile AFolder, bool AMayDelete)
        : FPath(WithBackslash(APath)), FFolder(std::move(AFolder)), FMayDelete(AMayDelete)
    {
    }

    const UString& Path() const override { return FPath; }

    platform::TFolderSecurity Security() override
    {
        platform::TFolderSecurity Security = SecurityThrough(FFolder.Get(), FPath);
        if (!Security.IsLink && !NameLeadsHere())
            Security.IsLink = true;
        return Security;
    }

    std::vector<platform::TFolderItem> List() override
    {
        std::vector<platform::TFolderItem> Items;
        std::vector<unsigned char> Buffer(64 * 1024);
        for (FILE_INFO_BY_HANDLE_CLASS Class = FileIdBothDirectoryRestartInfo;; Class = FileIdBothDirectoryInfo) {
            if (!GetFileInformationByHandleEx(FFolder.Get(), Class, Buffer.data(), static_cast<DWORD>(Buffer.size()))) {
                const DWORD Code = GetLastError();
                if (Code == ERROR_NO_MORE_FILES)
                    return Items;
                RaiseFileError(u"Cannot list folder", FPath, Code);
            }
            for (size_t Offset = 0;;) {
                const auto* Entry = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(Buffer.data() + Offset);
                const UString Name(reinterpret_cast<const char16_t*>(Entry->FileName), Entry->FileNameLength / sizeof(wchar_t));
                if (Name != u"." && Name != u"..") {
                    platform::TFolderItem Item;
                    Item.Name = Name;
                    Item.IsFolder = Entry->FileAttributes & FILE_ATTRIBUTE_DIRECTORY;
                    Item.IsLink = Entry->FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT;
                    Item.Id = static_cast<std::uint64_t>(Entry->FileId.QuadPart);
                    // Read only: the owner of whatever the name leads to. Removal checks again
                    // that the name still means this item.
                    if (UniqueFile Opened = OpenItself(FPath + Name, READ_CONTROL, ShareAll))
                        Item.OwnerSid = OwnerOf(Opened.Get());
                    Items.push_back(std::move(Item));
                }
                if (Entry->NextEntryOffset == 0)
                    break;
                Offset += Entry->NextEntryOffset;
            }
        }
    }

    std::unique_ptr<platform::IHeldFolder> HoldItem(const platform::TFolderItem& AItem) override
    {
        if (!AItem.IsFolder || AItem.IsLink)
            return nullptr;
        // By path: the held folder keeps the path to it meaning this folder; the checks below
        // keep the name meaning the item listed. Held to be removed, once emptied.
        UniqueFile Inside = OpenItself(FPath + AItem.Name, HoldAccess | DELETE, HoldShare);
        if (!Inside || !IsItemListed(Inside.Get(), AItem))
            return nullptr;
        return std::make_unique<TWin32HeldFolder>(FPath + AItem.Name, std::move(Inside), true);
    }

    bool RemoveItem(const platform::TFolderItem& AItem) override
    {
        UniqueFile Item = OpenItself(FPath + AItem.Name, DELETE | FILE_READ_ATTRIBUTES, HoldShare);
        return Item && IsItemListed(Item.Get(), AItem) && RemoveThrough(Item.Get());
    }

    bool MoveTo(UStringView APath) override
    {
        if (!FMayDelete)
            return false;
        // The full path (the rename by handle relative to a root folder is not in every version
        // of the system): the parent is where the folder is already.
        const std::wstring Target = ToW(WithoutBackslash(APath));
        std::vector<unsigned char> Buffer(sizeof(FILE_RENAME_INFO) + (Target.size() + 1) * sizeof(wchar_t));
        auto* Rename = reinterpret_cast<FILE_RENAME_INFO*>(Buffer.data());
        Rename->ReplaceIfExists = FALSE;
        Rename->RootDirectory = nullptr;
        Rename->FileNameLength = static_cast<DWORD>(Target.size() * sizeof(wchar_t));
        std::copy(Target.begin(), Target.end(), Rename->FileName);
        if (!SetFileInformationByHandle(FFolder.Get(), FileRenameInfo, Rename, static_cast<DWORD>(Buffer.size())))
            return false;
        FPath = WithBackslash(APath);
        return true;
    }

    bool Remove() override { return FMayDelete && RemoveThrough(FFolder.Get()); }

private:
    // Whether the path still leads to the folder held, and not through a link.
    bool NameLeadsHere()
    {
        if (NameShowsLink(FPath))
            return false;
        UniqueFile Again = OpenItself(WithoutBackslash(FPath), FILE_READ_ATTRIBUTES, ShareAll);
        if (!Again)
            return false;
        const std::optional<TIdentity> Held = IdentityOf(FFolder.Get());
        const std::optional<TIdentity> Named = IdentityOf(Again.Get());
        return Held && Named && *Held == *Named;
    }

    UString FPath;
    UniqueFile FFolder;
    bool FMayDelete;
};

}  // namespace

[[noreturn]] void RaiseFileError(const char16_t* AWhat, UStringView APath, DWORD ACode)
{
    UString Reason = TrimSystemText(SystemErrorText(ACode));
    if (Reason.empty())
        Reason = OSErrorMessage(ACode, u"");
    throw ECloudSetupError(UString(AWhat) + u" \"" + UString(APath) + u"\". " + Reason);
}

UniqueFile OpenItself(UStringView APath, DWORD AAccess, DWORD AShare)
{
    std::wstring Path = ToW(WithoutBackslash(APath));
    return UniqueFile(CreateFileW(Path.c_str(), AAccess, AShare, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

bool NameShowsLink(UStringView APath)
{
    // Without a closing backslash, which would lead through a link to what it points to.
    std::wstring Path = ToW(WithoutBackslash(APath));
    const DWORD Attributes = GetFileAttributesW(Path.c_str());
    return Attributes != INVALID_FILE_ATTRIBUTES && (Attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

platform::TFolderSecurity SecurityThrough(HANDLE AItem, UStringView APath)
{
    platform::TFolderSecurity Security;
    const std::optional<DWORD> Attributes = AttributesOf(AItem);
    if (!Attributes)
        RaiseFileError(u"Cannot read the access of", APath, GetLastError());
    Security.IsLink = *Attributes & FILE_ATTRIBUTE_REPARSE_POINT;

    PSID Owner = nullptr;
    PACL Dacl = nullptr;
    PSECURITY_DESCRIPTOR RawDescriptor = nullptr;
    const DWORD Code = GetSecurityInfo(AItem, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                       &Owner, nullptr, &Dacl, nullptr, &RawDescriptor);
    if (Code != ERROR_SUCCESS)
        RaiseFileError(u"Cannot read the access of", APath, Code);
    UniqueLocal Descriptor(RawDescriptor);
    Security.OwnerSid = SidText(Owner);
    if (Dacl) {
        Security.Entries.emplace();
        for (DWORD Index = 0; Index < Dacl->AceCount; ++Index) {
            void* Header = nullptr;
            if (!GetAce(Dacl, Index, &Header))
                RaiseFileError(u"Cannot read the access of", APath, GetLastError());
            if (std::optional<platform::TSecurityEntry> Entry = EntryOf(static_cast<ACE_HEADER*>(Header)))
                Security.Entries->push_back(std::move(*Entry));
        }
    }
    return Security;
}

std::unique_ptr<platform::IHeldFolder> HoldFolderAt(UStringView APath, bool AToMove)
{
    // The right to delete only when the folder is to be moved: a rename inside a folder opens the
    // folder sharing reading and writing only, which a handle with that right would refuse.
    UniqueFile Folder = OpenItself(APath, HoldAccess | (AToMove ? DELETE : 0), HoldShare);
    if (!Folder)
        return nullptr;
    const std::optional<DWORD> Attributes = AttributesOf(Folder.Get());
    if (!Attributes || !(*Attributes & FILE_ATTRIBUTE_DIRECTORY))
        return nullptr;
    return std::make_unique<TWin32HeldFolder>(UString(APath), std::move(Folder), AToMove);
}

bool RemoveThrough(HANDLE AItem)
{
    FILE_DISPOSITION_INFO Disposition{};
    Disposition.DeleteFile = TRUE;
    return SetFileInformationByHandle(AItem, FileDispositionInfo, &Disposition, sizeof Disposition) != 0;
}

}  // namespace zelv::win32
