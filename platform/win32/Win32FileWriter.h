#pragma once

#include "platform/IFileWriter.h"

namespace zelv::win32 {

class TWin32FileWriter : public platform::IFileWriter {
public:
    std::unique_ptr<platform::IWrittenFile> CreateExclusive(UStringView APath, platform::TSystemError& AError) override;
    UString FullPath(UStringView APath) override;
};

}  // namespace zelv::win32
