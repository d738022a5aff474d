#pragma once

#include "platform/IInstallFiles.h"

namespace zelv::win32 {

class TWin32InstallFiles : public platform::IInstallFiles {
public:
    bool DirectoryExists(UStringView APath) override;
    void CreateDirectories(UStringView APath) override;
    bool FileExists(UStringView APath) override;
    bool CanOpenExclusively(UStringView APath) override;
    void WriteFlushed(UStringView APath, std::string_view ABytes) override;
    void Replace(UStringView ASource, UStringView ATarget) override;
    bool Remove(UStringView APath) override;
};

}  // namespace zelv::win32
