#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "core/CloudSetupText.h"

namespace zelv::platform {

// Who may do what in a folder the program makes its own. Each entry also reaches the files and
// folders made inside it.
enum class TTrustee { LocalSystem, Administrators, CurrentUser, Users };
enum class TFolderRights { FullControl, Modify, ReadAndExecute };
struct TAccessEntry {
    TTrustee Trustee;
    TFolderRights Rights;
    bool operator==(const TAccessEntry&) const = default;
};
// Exactly these entries and nothing inherited from the parent folder.
using TFolderAccess = std::vector<TAccessEntry>;

// Access rights as an entry of a file's or folder's access list carries them.
namespace fileright {
constexpr std::uint32_t AddFile = 0x0002;       // on a file: writing its data
constexpr std::uint32_t AddSubfolder = 0x0004;  // on a file: appending to it
constexpr std::uint32_t DeleteChild = 0x0040;
constexpr std::uint32_t Delete = 0x00010000;
constexpr std::uint32_t WriteAccess = 0x00040000;
constexpr std::uint32_t WriteOwner = 0x00080000;
constexpr std::uint32_t GenericAll = 0x10000000;
constexpr std::uint32_t GenericWrite = 0x40000000;
// What the Security tab of a folder calls Read & execute, Modify and Full control.
constexpr std::uint32_t ReadAndExecute = 0x001200A9;
constexpr std::uint32_t Modify = 0x001301BF;
constexpr std::uint32_t FullControl = 0x001F01FF;
}  // namespace fileright

// One entry of an access list, as the system keeps it, with the account as its SID text.
enum class TEntryKind { Allow, Deny };
struct TSecurityEntry {
    TEntryKind Kind = TEntryKind::Allow;
    std::uint32_t Rights = 0;
    UString Sid;  // empty when the entry names no account the system could say
    bool ObjectInherit = false;     // files made inside inherit it
    bool ContainerInherit = false;  // folders made inside inherit it
    bool InheritOnly = false;       // it does not apply to the folder itself
    bool operator==(const TSecurityEntry&) const = default;
};

// Who owns a folder or a file and who may do what with it, read from the item itself, never from
// what a link points to.
struct TFolderSecurity {
    bool IsLink = false;  // a reparse point: a link, a junction or a mount point
    UString OwnerSid;
    // None: the item has no access list at all, which lets everyone do everything.
    std::optional<std::vector<TSecurityEntry>> Entries;
};

// One thing inside a folder, as the folder's listing showed it.
struct TFolderItem {
    UString Name;
    bool IsFolder = false;
    bool IsLink = false;
    UString OwnerSid;      // empty when the system would not say
    std::uint64_t Id = 0;  // the system's number for the item in its volume: what the name meant
};

// Why an existing file could not be opened for exclusive writing.
enum class TExclusiveOpen { Opened, SharingViolation, AccessDenied, OtherFailure };

// A file being written; closed when the object goes. Both operations raise ECloudSetupError with
// a text that names the file and gives the system's reason.
class IInstallFile {
public:
    virtual ~IInstallFile() = default;
    virtual void Write(std::string_view ABytes) = 0;
    // Flushes everything written to the disk.
    virtual void Flush() = 0;
};

// A folder the program holds open: while the object lives, no one can rename or delete it, so its
// path goes on naming this very folder and work inside it may go by path. Closed when it goes.
class IHeldFolder {
public:
    virtual ~IHeldFolder() = default;
    // The folder's path, ending in a backslash.
    virtual const UString& Path() const = 0;
    // Owner and access, read through the held handle. IsLink when the folder is a link, or the
    // name no longer leads to the folder held.
    virtual TFolderSecurity Security() = 0;
    // What it holds, listed through the held handle, with each item's owner; links are reported,
    // never followed. Raises when it cannot be listed.
    virtual std::vector<TFolderItem> List() = 0;
    // Holds a folder inside as its listing showed it: never a link, and only while the name still
    // means the item listed. Empty otherwise.
    virtual std::unique_ptr<IHeldFolder> HoldItem(const TFolderItem& AItem) = 0;
    // Removes an item inside as its listing showed it, through a handle on the item itself: a file,
    // an empty folder, or a link (never what it points to). Only while the name still means the
    // item listed; false when it could not be removed that way.
    virtual bool RemoveItem(const TFolderItem& AItem) = 0;
    // Gives the folder another name in the same parent, through the held handle. False when the
    // name is taken, the system refuses, or the folder was not held to be moved.
    virtual bool MoveTo(UStringView APath) = 0;
    // Removes the folder itself, once it is empty, through the held handle.
    virtual bool Remove() = 0;
};

// The file operations of installing a library into a machine-wide folder. The raising operations
// raise ECloudSetupError with a text that names the file and gives the system's reason.
class IInstallFiles {
public:
    virtual ~IInstallFiles() = default;
    virtual bool DirectoryExists(UStringView APath) = 0;
    // Creates the folder and every missing parent. The folder itself (its parents keep the
    // system's defaults) is made with exactly the access of AAccess.
    virtual void CreateDirectories(UStringView APath, const TFolderAccess& AAccess) = 0;
    // Makes a new folder in an existing parent with exactly the access of AAccess. False when the
    // name is taken; raises on any other failure.
    virtual bool CreateFolder(UStringView APath, const TFolderAccess& AAccess) = 0;
    // Opens the folder itself, never what a link points to, and holds it so that no one else can
    // rename or delete it. Empty when that cannot be done: it is not there, or someone else holds
    // it open with the right to rename or delete it. The hold itself has no such right, so files
    // inside can still be renamed over one another.
    virtual std::unique_ptr<IHeldFolder> HoldFolder(UStringView APath) = 0;
    // The same, with the right to move the folder aside or remove it (IHeldFolder::MoveTo, Remove);
    // nothing can then be renamed inside it.
    virtual std::unique_ptr<IHeldFolder> HoldFolderToMove(UStringView APath) = 0;
    virtual bool FileExists(UStringView APath) = 0;
    // Opens an existing file for writing with no sharing and closes it at once: what stood in the
    // way when another process has it open or loaded, or the user may not write it.
    virtual TExclusiveOpen OpenExclusively(UStringView APath) = 0;
    // Reads the whole file in pieces, handing each to APiece, sharing it with readers, writers and
    // deleters as a loaded library allows. The file is opened itself, never what a link points to,
    // and its owner and access are read through the same handle: they belong to the bytes read.
    virtual TFolderSecurity ReadShared(UStringView APath, const std::function<void(std::string_view)>& APiece) = 0;
    // Creates a new file, shared with nobody while it is open; an existing name fails. The file
    // takes the access its folder hands down, and its owner is the user.
    virtual std::unique_ptr<IInstallFile> CreateNew(UStringView APath) = 0;
    // Puts ASource in the place of ATarget in one step, replacing it, written through to the disk.
    virtual void Replace(UStringView ASource, UStringView ATarget) = 0;
    // Removes a file, a link (never what it points to) or an empty folder, through a handle on the
    // item itself. Best effort; false when it could not be removed that way.
    virtual bool Remove(UStringView APath) = 0;

    // The SID text of the account the program runs as; empty when the system cannot tell.
    virtual UString UserSid() = 0;
};

}  // namespace zelv::platform
