#pragma once

#include <string_view>

#include "core/CloudSetupText.h"

namespace zelv::platform {

// The file operations of installing a library into a machine-wide folder. The raising operations
// raise ECloudSetupError with a text that names the file and gives the system's reason.
class IInstallFiles {
public:
    virtual ~IInstallFiles() = default;
    virtual bool DirectoryExists(UStringView APath) = 0;
    // Creates the folder and every missing parent.
    virtual void CreateDirectories(UStringView APath) = 0;
    virtual bool FileExists(UStringView APath) = 0;
    // Opens an existing file for writing with no sharing and closes it at once: false when another
    // process has it open or loaded, or access is refused.
    virtual bool CanOpenExclusively(UStringView APath) = 0;
    // Creates or truncates the file (no sharing), writes all bytes and flushes them to the disk.
    virtual void WriteFlushed(UStringView APath, std::string_view ABytes) = 0;
    // Puts ASource in the place of ATarget in one step, replacing it, written through to the disk.
    virtual void Replace(UStringView ASource, UStringView ATarget) = 0;
    // Best effort; false when the file could not be removed.
    virtual bool Remove(UStringView APath) = 0;
};

}  // namespace zelv::platform
