#pragma once

#include <functional>
#include <memory>
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

// The file operations of installing a library into a machine-wide folder. The raising operations
// raise ECloudSetupError with a text that names the file and gives the system's reason.
class IInstallFiles {
public:
    virtual ~IInstallFiles() = default;
    virtual bool DirectoryExists(UStringView APath) = 0;
    // Creates the folder and every missing parent. The folder itself (its parents keep the
    // system's defaults) is made with exactly the access of AAccess.
    virtual void CreateDirectories(UStringView APath, const TFolderAccess& AAccess) = 0;
    virtual bool FileExists(UStringView APath) = 0;
    // Opens an existing file for writing with no sharing and closes it at once: what stood in the
    // way when another process has it open or loaded, or the user may not write it.
    virtual TExclusiveOpen OpenExclusively(UStringView APath) = 0;
    // Reads the whole file in pieces, handing each to APiece, sharing it with readers, writers and
    // deleters as a loaded library allows.
    virtual void ReadShared(UStringView APath, const std::function<void(std::string_view)>& APiece) = 0;
    // Creates or truncates the file, shared with nobody while it is open.
    virtual std::unique_ptr<IInstallFile> Create(UStringView APath) = 0;
    // Puts ASource in the place of ATarget in one step, replacing it, written through to the disk.
    virtual void Replace(UStringView ASource, UStringView ATarget) = 0;
    // Best effort; false when the file could not be removed.
    virtual bool Remove(UStringView APath) = 0;
};

}  // namespace zelv::platform
