#pragma once

#include "core/CloudSetupText.h"
#include "platform/IInstallFiles.h"

namespace zelv {

// Accounts known by the same SID on every Windows machine.
namespace wellknownsid {
inline constexpr char16_t LocalSystem[] = u"S-1-5-18";
inline constexpr char16_t Administrators[] = u"S-1-5-32-544";
inline constexpr char16_t TrustedInstaller[] = u"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";
// Stands for whoever makes a file inside; never an account of its own.
inline constexpr char16_t CreatorOwner[] = u"S-1-3-0";
}  // namespace wellknownsid

// What the user's remote-desktop client may load from a folder: only what no account but the
// user and the system's own can put there or change.
enum class TFolderVerdict {
    Safe,
    // The user owns it, so the user may take away what others may do in it.
    UnsafeOwnedByUser,
    Unsafe,
};

// The user, the system and its administrators: whoever else may change what a folder holds may
// swap the library the client loads.
bool IsTrustedAccount(UStringView ASid, UStringView AUserSid);

// Judges a folder for the add-in by its owner and its access list. Entries that only folders made
// inside inherit don't reach the library; those that files inherit do, inherit-only or not.
TFolderVerdict JudgeFolder(const platform::TFolderSecurity& AFolder, UStringView AUserSid);

// The same rule for a file the client may load: a link, an owner outside the trusted accounts, or
// an entry that lets another account change it makes it unsafe. Entries a file only hands down do
// not apply to it.
bool IsFileSafe(const platform::TFolderSecurity& AFile, UStringView AUserSid);

}  // namespace zelv
