#pragma once

#include "platform/IInstallFiles.h"

namespace zelv::win32 {

class TWin32InstallFiles : public platform::IInstallFiles {
public:
    bool DirectoryExists(UStringView APath) override;
    void CreateDirectories(UStringView APath, const platform::TFolderAccess& AAccess) override;
    bool CreateFolder(UStringView APath, const platform::TFolderAccess& AAccess) override;
    std::unique_ptr<platform::IHeldFolder> HoldFolder(UStringView APath) override;
    std::unique_ptr<platform::IHeldFolder> HoldFolderToMove(UStringView APath) override;
    bool FileExists(UStringView APath) override;
    platform::TExclusiveOpen OpenExclusively(UStringView APath) override;
    platform::TFolderSecurity ReadShared(UStringView APath, const std::function<void(std::string_view)>& APiece) override;
    std::unique_ptr<platform::IInstallFile> CreateNew(UStringView APath) override;
    void Replace(UStringView ASource, UStringView ATarget) override;
    bool Remove(UStringView APath) override;
    UString UserSid() override;

private:
    // Makes the folder with exactly that access; false when the name is taken.
    static bool CreateWithAccess(const UString& APath, const platform::TFolderAccess& AAccess);
};

// The folder access as the system's security descriptor language writes it ("D:P(A;OICI;FA;;;SY)...").
UString FolderAccessSddl(const platform::TFolderAccess& AAccess, UStringView ACurrentUserSid);
// The string form of the SID of the user the process runs as; empty when the system cannot tell.
UString CurrentUserSid();

}  // namespace zelv::win32
