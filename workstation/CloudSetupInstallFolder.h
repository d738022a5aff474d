#pragma once

#include <memory>
#include <vector>

#include "core/CloudSetupText.h"
#include "platform/IInstallFiles.h"

namespace zelv {

// What one setup run keeps from the library's install to its registration.
struct TInstallRun {
    // The install folder, held from its judgement until the registration is written: nothing
    // another account does in between changes where the library goes or where the client looks.
    std::unique_ptr<platform::IHeldFolder> Folder;
    // Lines for the log beside the library's result: what the install set aside or undid.
    std::vector<UString> Notes;
};

// The install folder: opened itself (never what a link points to), held, and judged through the
// handle that holds it. A folder that no other account can change is used as it is. The user's own
// folder that others can change cannot be made safe in place, as a handle someone opened before
// keeps its rights: it is set aside under a name of the program's own, and a new folder with the
// program's access takes its place. Anything else is refused.
class TInstallFolder {
public:
    TInstallFolder() = delete;

    // The held folder, or empty when it is refused. AAccess is the program's own access for a
    // folder it makes; AOwnFiles the names the program itself puts into the folder. Notes name
    // what a set-aside folder still holds.
    static std::unique_ptr<platform::IHeldFolder> Take(const UString& AFolder, const platform::TFolderAccess& AAccess,
                                                       const std::vector<UString>& AOwnFiles, std::vector<UString>& ANotes);

    // The name an unsafe folder is set aside under, the attempt'th time (from 1).
    static UString SetAsidePath(const UString& AFolder, int AAttempt);
    static constexpr int SetAsideAttempts = 16;
};

}  // namespace zelv
