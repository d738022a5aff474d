#pragma once

#include <memory>
#include <string_view>

#include "core/CloudSetupText.h"

namespace zelv::platform {

// A failed system call: its error code (0 when the system gave none) and the system's own text
// for it, as the system words it.
struct TSystemError {
    unsigned long Code = 0;
    UString Text;
    // What failed is whatever stands under the very name asked for, which is in the way.
    bool NameInTheWay = false;
};

// A file of its own that is written whole before it takes the place of another. Until it has
// been put in place it is deleted when the object goes, and by the system when the program ends
// first (where the file system can mark a file for deletion; elsewhere, and for a crash in the
// instant of the last step, it stays under the name it was created with).
class IWrittenFile {
public:
    virtual ~IWrittenFile() = default;
    // Writes every byte at the current position; false, with the reason in AError, when the system
    // refuses or stops short.
    virtual bool Write(std::string_view ABytes, TSystemError& AError) = 0;
    // Flushes everything written to the disk; false, with the reason in AError, when it could not.
    virtual bool Flush(TSystemError& AError) = 0;
    // Puts the file in the place of ATarget, a name in the same folder, in one step: ATarget, if
    // it exists, is replaced whole, and nothing else of this file is left. False, with the reason
    // in AError, when the system refuses (ATarget is then as it was); a sharing violation when
    // another program holds ATarget open; access denied for a hidden, system or read-only ATarget,
    // which the user set apart.
    virtual bool PutInPlace(UStringView ATarget, TSystemError& AError) = 0;
};

class IFileWriter {
public:
    virtual ~IFileWriter() = default;
    // A new file, open for reading and writing and shared with nobody until it is closed. A plain
    // file left under that name (by a run that ended early) is removed first; anything else there
    // (a folder, a link, a read-only file, a file another program holds open) is in the way and
    // never followed. Null, with the reason in AError, when the system refuses.
    virtual std::unique_ptr<IWrittenFile> CreateExclusive(UStringView APath, TSystemError& AError) = 0;
    // APath made absolute against the current folder as the system resolves names; APath itself
    // when the system cannot.
    virtual UString FullPath(UStringView APath) = 0;
};

}  // namespace zelv::platform
