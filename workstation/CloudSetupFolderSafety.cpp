#include "workstation/CloudSetupFolderSafety.h"

namespace zelv {

namespace {

// Rights that add, replace or remove what the folder holds, or that hand those rights out.
constexpr std::uint32_t ChangingRights = platform::fileright::AddFile | platform::fileright::AddSubfolder |
                                         platform::fileright::DeleteChild | platform::fileright::Delete |
                                         platform::fileright::WriteAccess | platform::fileright::WriteOwner |
                                         platform::fileright::GenericAll | platform::fileright::GenericWrite;

bool ReachesFolderOrItsFiles(const platform::TSecurityEntry& AEntry)
{
    return !AEntry.InheritOnly || AEntry.ObjectInherit;
}

bool ReachesTheFile(const platform::TSecurityEntry& AEntry) { return !AEntry.InheritOnly; }

bool LetsOthersChange(const std::vector<platform::TSecurityEntry>& AEntries, UStringView AUserSid,
                      bool (*AReaches)(const platform::TSecurityEntry&))
{
    for (const platform::TSecurityEntry& Entry : AEntries) {
        // A deny entry takes nothing from the rule: only what is allowed is counted, whatever
        // stands before it.
        if (Entry.Kind != platform::TEntryKind::Allow || !AReaches(Entry))
            continue;
        if (IsTrustedAccount(Entry.Sid, AUserSid) || Entry.Sid == wellknownsid::CreatorOwner)
            continue;
        if (Entry.Rights & ChangingRights)
            return true;
    }
    return false;
}

}  // namespace

bool IsTrustedAccount(UStringView ASid, UStringView AUserSid)
{
    if (ASid.empty())
        return false;
    return ASid == AUserSid || ASid == wellknownsid::LocalSystem || ASid == wellknownsid::Administrators ||
           ASid == wellknownsid::TrustedInstaller;
}

TFolderVerdict JudgeFolder(const platform::TFolderSecurity& AFolder, UStringView AUserSid)
{
    // A link's own access says nothing about the folder it leads to, which anyone may have chosen.
    if (AFolder.IsLink || !IsTrustedAccount(AFolder.OwnerSid, AUserSid))
        return TFolderVerdict::Unsafe;
    if (AFolder.Entries && !LetsOthersChange(*AFolder.Entries, AUserSid, ReachesFolderOrItsFiles))
        return TFolderVerdict::Safe;
    return AFolder.OwnerSid == AUserSid ? TFolderVerdict::UnsafeOwnedByUser : TFolderVerdict::Unsafe;
}

bool IsFileSafe(const platform::TFolderSecurity& AFile, UStringView AUserSid)
{
    return !AFile.IsLink && IsTrustedAccount(AFile.OwnerSid, AUserSid) && AFile.Entries &&
           !LetsOthersChange(*AFile.Entries, AUserSid, ReachesTheFile);
}

}  // namespace zelv
