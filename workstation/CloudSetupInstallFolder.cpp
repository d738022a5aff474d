#include "workstation/CloudSetupInstallFolder.h"

#include "core/CloudSetupError.h"
#include "platform/Platform.h"
#include "workstation/CloudSetupFolderSafety.h"

namespace zelv {

namespace {

// How many names of what a set-aside folder still holds a note lists.
constexpr size_t NamesInANote = 10;

bool IsOwnFile(const platform::TFolderItem& AItem, const std::vector<UString>& AOwnFiles)
{
    if (AItem.IsFolder || AItem.IsLink)
        return false;
    const UString Name = AsciiLower(AItem.Name);
    for (const UString& Own : AOwnFiles) {
        if (Name == AsciiLower(Own))
            return true;
    }
    return false;
}

// Removes an item another account owns, and inside it whatever the user does not own. Every step
// goes through a handle on the item itself and only while its name still means what the listing
// showed, so a link put in its place is neither followed nor entered. What reads as the user's
// stays where it is. True when the item is gone.
bool RemoveOthersItem(platform::IHeldFolder& AParent, const platform::TFolderItem& AItem, UStringView AUserSid)
{
    if (!AItem.IsFolder || AItem.IsLink)
        return AParent.RemoveItem(AItem);
    std::unique_ptr<platform::IHeldFolder> Inside = AParent.HoldItem(AItem);
    if (!Inside)
        return false;
    bool Emptied = true;
    for (const platform::TFolderItem& Item : Inside->List()) {
        if (IsTrustedAccount(Item.OwnerSid, AUserSid) || !RemoveOthersItem(*Inside, Item, AUserSid))
            Emptied = false;
    }
    return Emptied && Inside->Remove();
}

UString SetAsideNote(const UString& AAside, const std::vector<UString>& AStayed, bool AListed)
{
    UString Note = u"The earlier install folder could be changed by other accounts, so setup made a new one and set "
                   u"the earlier one aside as \"" +
                   AAside + u"\"";
    if (!AListed)
        return Note + u"; what it holds could not be removed";
    Note += u"; it still holds ";
    for (size_t Index = 0; Index < AStayed.size() && Index < NamesInANote; ++Index) {
        if (Index > 0)
            Note += u", ";
        Note += u"\"" + AStayed[Index] + u"\"";
    }
    if (AStayed.size() > NamesInANote)
        Note += u" and " + IntToUStr(static_cast<long long>(AStayed.size() - NamesInANote)) + u" more";
    return Note;
}

// Empties a set-aside folder of what other accounts own and of the program's own files, then
// removes it when nothing is left. The user's other things stay where they are, and a note says
// where.
void ClearSetAside(platform::IHeldFolder& AAside, UStringView AUserSid, const std::vector<UString>& AOwnFiles,
                   std::vector<UString>& ANotes)
{
    std::vector<UString> Stayed;
    try {
        for (const platform::TFolderItem& Item : AAside.List()) {
            bool Removed = false;
            try {
                if (!IsTrustedAccount(Item.OwnerSid, AUserSid))
                    Removed = RemoveOthersItem(AAside, Item, AUserSid);
                else if (IsOwnFile(Item, AOwnFiles))
                    Removed = AAside.RemoveItem(Item);
            } catch (const ECloudSetupError&) {
                // A folder inside that cannot be listed stays, whole.
            }
            if (!Removed)
                Stayed.push_back(Item.Name);
        }
    } catch (const ECloudSetupError&) {
        ANotes.push_back(SetAsideNote(AAside.Path(), Stayed, false));
        return;
    }
    if (Stayed.empty() && AAside.Remove())
        return;
    ANotes.push_back(SetAsideNote(AAside.Path(), Stayed, true));
}

}  // namespace

UString TInstallFolder::SetAsidePath(const UString& AFolder, int AAttempt)
{
    UString Path = AFolder;
    while (!Path.empty() && Path.back() == u'\\')
        Path.pop_back();
    return Path + u".set-aside-" + IntToUStr(AAttempt) + u"\\";
}

std::unique_ptr<platform::IHeldFolder> TInstallFolder::Take(const UString& AFolder, const platform::TFolderAccess& AAccess,
                                                            const std::vector<UString>& AOwnFiles,
                                                            std::vector<UString>& ANotes)
{
    platform::IInstallFiles& Files = platform::InstallFiles();
    const UString UserSid = Files.UserSid();
    // Someone who holds the folder open with the right to rename or delete it keeps that right
    // whatever its access says: then it cannot be held, and is not used.
    std::unique_ptr<platform::IHeldFolder> Held = Files.HoldFolder(AFolder);
    if (!Held)
        return nullptr;
    const TFolderVerdict Verdict = JudgeFolder(Held->Security(), UserSid);
    if (Verdict == TFolderVerdict::Safe)
        return Held;
    if (Verdict == TFolderVerdict::Unsafe)
        return nullptr;

    // The user's own folder that others could change. A handle another account opened on it
    // before keeps the rights it was opened with, to rename the folder away or to open it up again
    // later: tightening it in place proves nothing. It goes aside, through a handle held to move
    // it and judged again, which fails while the client has the library in it loaded or someone
    // else holds it.
    Held.reset();
    Held = Files.HoldFolderToMove(AFolder);
    if (!Held || JudgeFolder(Held->Security(), UserSid) != TFolderVerdict::UnsafeOwnedByUser)
        return nullptr;
    bool Moved = false;
    for (int Attempt = 1; Attempt <= SetAsideAttempts && !Moved; ++Attempt)
        Moved = Held->MoveTo(SetAsidePath(AFolder, Attempt));
    if (!Moved)
        return nullptr;

    // A folder made a moment ago with the program's access, which no one else can have opened.
    // When the name is taken again in between, that folder is not this run's and is not used.
    std::unique_ptr<platform::IHeldFolder> Fresh;
    try {
        if (Files.CreateFolder(AFolder, AAccess)) {
            Fresh = Files.HoldFolder(AFolder);
            if (Fresh && JudgeFolder(Fresh->Security(), UserSid) != TFolderVerdict::Safe)
                Fresh.reset();
        }
    } catch (const ECloudSetupError&) {
        Fresh.reset();
    }
    ClearSetAside(*Held, UserSid, AOwnFiles, ANotes);
    return Fresh;
}

}  // namespace zelv
