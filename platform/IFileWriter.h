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
};

// A file open for writing; closed when the object goes.
class IWrittenFile {
public:
    virtual ~IWrittenFile() = default;
    // Writes every byte at the current position; false, with the reason in AError, when the system
    // refuses or stops short.
    virtual bool Write(std::string_view ABytes, TSystemError& AError) = 0;
};

class IFileWriter {
public:
    virtual ~IFileWriter() = default;
    // A new file, or the existing one of that name emptied, open for reading and writing and
    // shared with nobody until it is closed. Null, with the reason in AError, when the system
    // refuses.
    virtual std::unique_ptr<IWrittenFile> CreateExclusive(UStringView APath, TSystemError& AError) = 0;
    // APath made absolute against the current folder as the system resolves names; APath itself
    // when the system cannot.
    virtual UString FullPath(UStringView APath) = 0;
};

}  // namespace zelv::platform
