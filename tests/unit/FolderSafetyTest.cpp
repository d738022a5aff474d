// The rule that decides whether the add-in may go into an existing install folder, over the owner
// and the access list as the system reports them.
#include <gtest/gtest.h>

#include "workstation/CloudSetupFolderSafety.h"

using namespace zelv;
using platform::TEntryKind;
using platform::TSecurityEntry;
namespace right = platform::fileright;

namespace {

const UString User = u"S-1-5-21-1004336348-1177238915-682003330-1001";
const UString OtherUser = u"S-1-5-21-1004336348-1177238915-682003330-1002";
const UString System = u"S-1-5-18";
const UString Admins = u"S-1-5-32-544";
const UString Installer = u"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";
const UString Users = u"S-1-5-32-545";
const UString Everyone = u"S-1-1-0";
const UString CreatorOwner = u"S-1-3-0";

// Inheritance as the Security tab's "Applies to" says it.
enum TReach { ThisFolderOnly, FolderSubfoldersFiles, FolderSubfolders, FilesOnly, SubfoldersOnly, SubfoldersFiles };

TSecurityEntry Entry(TEntryKind AKind, const UString& ASid, std::uint32_t ARights, TReach AReach)
{
    TSecurityEntry E;
    E.Kind = AKind;
    E.Sid = ASid;
    E.Rights = ARights;
    E.ObjectInherit = AReach == FolderSubfoldersFiles || AReach == FilesOnly || AReach == SubfoldersFiles;
    E.ContainerInherit = AReach == FolderSubfoldersFiles || AReach == FolderSubfolders || AReach == SubfoldersOnly ||
                         AReach == SubfoldersFiles;
    E.InheritOnly = AReach == FilesOnly || AReach == SubfoldersOnly || AReach == SubfoldersFiles;
    return E;
}
TSecurityEntry Allow(const UString& ASid, std::uint32_t ARights, TReach AReach = FolderSubfoldersFiles)
{
    return Entry(TEntryKind::Allow, ASid, ARights, AReach);
}
TSecurityEntry Deny(const UString& ASid, std::uint32_t ARights, TReach AReach = FolderSubfoldersFiles)
{
    return Entry(TEntryKind::Deny, ASid, ARights, AReach);
}

// The access the program gives a folder it makes.
std::vector<TSecurityEntry> OwnAccess(const UString& AUser = User)
{
    return {Allow(System, right::FullControl), Allow(Admins, right::FullControl), Allow(AUser, right::Modify),
            Allow(Users, right::ReadAndExecute)};
}
std::vector<TSecurityEntry> With(std::vector<TSecurityEntry> AEntries, std::initializer_list<TSecurityEntry> AMore)
{
    AEntries.insert(AEntries.end(), AMore);
    return AEntries;
}

// What a folder made in ProgramData inherits: Users may add files and folders to it (the
// entry reaches the folder and its subfolders), and every maker gets full control of what they make.
const std::vector<TSecurityEntry> ProgramDataDefault = {
    Allow(System, right::FullControl),
    Allow(Admins, right::FullControl),
    Allow(CreatorOwner, right::GenericAll, SubfoldersFiles),
    Allow(Users, right::ReadAndExecute),
    Allow(Users, right::AddFile | right::AddSubfolder | 0x0010 /* write extended attributes */ | 0x0100 /* write attributes */,
          FolderSubfolders),
};

constexpr std::uint32_t FileWrite = 0x00120116;  // FILE_GENERIC_WRITE

struct TFolderCase {
    const char* Name;
    UString Owner;
    std::optional<std::vector<TSecurityEntry>> Entries;
    TFolderVerdict Expected;
    bool IsLink = false;
};

class FolderRule : public testing::TestWithParam<TFolderCase> {};

TEST_P(FolderRule, Verdict)
{
    const TFolderCase& C = GetParam();
    platform::TFolderSecurity Folder;
    Folder.IsLink = C.IsLink;
    Folder.OwnerSid = C.Owner;
    Folder.Entries = C.Entries;
    EXPECT_EQ(JudgeFolder(Folder, User), C.Expected);
}

using enum TFolderVerdict;

INSTANTIATE_TEST_SUITE_P(
    Table, FolderRule,
    testing::Values(
        TFolderCase{"ProgramOwnAccess", User, OwnAccess(), Safe},
        TFolderCase{"EmptyListLetsOnlyTheOwnerIn", User, std::vector<TSecurityEntry>{}, Safe},
        TFolderCase{"ProgramDataDefaultMadeByTheUser", User, ProgramDataDefault, UnsafeOwnedByUser},
        TFolderCase{"ProgramDataDefaultMadeByAnotherUser", OtherUser, ProgramDataDefault, Unsafe},
        TFolderCase{"EveryoneWrite", User, With(OwnAccess(), {Allow(Everyone, FileWrite)}), UnsafeOwnedByUser},
        // How Wine reports a folder Unix lets everyone write.
        TFolderCase{"EveryoneWriteAndDeleteChild", User,
                    std::vector<TSecurityEntry>{Allow(System, right::FullControl), Allow(User, right::FullControl),
                                                Allow(Everyone, 0x001301FF)},
                    UnsafeOwnedByUser},
        TFolderCase{"NullListOwnedByTheUser", User, std::nullopt, UnsafeOwnedByUser},
        TFolderCase{"NullListOwnedByAdministrators", Admins, std::nullopt, Unsafe},
        TFolderCase{"InheritOnlyCreatorOwner", User, With(OwnAccess(), {Allow(CreatorOwner, right::GenericAll, SubfoldersFiles)}),
                    Safe},
        TFolderCase{"InheritOnlyUsersWriteTheFilesInside", User, With(OwnAccess(), {Allow(Users, FileWrite, FilesOnly)}),
                    UnsafeOwnedByUser},
        TFolderCase{"InheritOnlyUsersWriteSubfoldersOnly", User, With(OwnAccess(), {Allow(Users, FileWrite, SubfoldersOnly)}),
                    Safe},
        TFolderCase{"UsersWriteThisFolderOnly", User, With(OwnAccess(), {Allow(Users, FileWrite, ThisFolderOnly)}),
                    UnsafeOwnedByUser},
        TFolderCase{"DenyEntryAllowsNothing", User, With(OwnAccess(), {Deny(Everyone, right::FullControl)}), Safe},
        TFolderCase{"DenyBeforeAnAllowDoesNotCount", User,
                    With(OwnAccess(), {Deny(Users, FileWrite), Allow(Users, FileWrite)}), UnsafeOwnedByUser},
        // A folder another user's run of this program made.
        TFolderCase{"AnotherUsersRun", OtherUser, OwnAccess(OtherUser), Unsafe},
        TFolderCase{"AnotherUsersModifyEntryInTheUsersFolder", User, With(OwnAccess(), {Allow(OtherUser, right::Modify)}),
                    UnsafeOwnedByUser},
        TFolderCase{"OwnerAnotherUser", OtherUser,
                    std::vector<TSecurityEntry>{Allow(System, right::FullControl), Allow(Admins, right::FullControl),
                                                Allow(Users, right::ReadAndExecute)},
                    Unsafe},
        TFolderCase{"AdministratorsOwnUsersReadOnly", Admins,
                    std::vector<TSecurityEntry>{Allow(System, right::FullControl), Allow(Admins, right::FullControl),
                                                Allow(Users, right::ReadAndExecute)},
                    Safe},
        TFolderCase{"AdministratorsOwnUsersWrite", Admins, With(OwnAccess(), {Allow(Users, FileWrite)}), Unsafe},
        TFolderCase{"SystemOwns", System, OwnAccess(), Safe},
        TFolderCase{"TrustedInstallerOwns", Installer, OwnAccess(), Safe},
        TFolderCase{"NoOwnerSaid", u"", OwnAccess(), Unsafe},
        TFolderCase{"EntryOfAnUnknownAccount", User, With(OwnAccess(), {Allow(u"", right::Modify)}), UnsafeOwnedByUser},
        TFolderCase{"LinkOwnedByTheUser", User, OwnAccess(), Unsafe, true}),
    [](const auto& AInfo) { return std::string(AInfo.param.Name); });

// Each right that changes what the folder holds, alone, to Users; reading and running, and the
// attributes, don't.
TEST(FolderRights, EachChangingRightAloneMakesTheFolderUnsafe)
{
    struct TRight {
        const char* Name;
        std::uint32_t Rights;
        TFolderVerdict Expected;
    };
    for (const TRight& R : {TRight{"add file, write data", right::AddFile, UnsafeOwnedByUser},
                            TRight{"add subfolder, append data", right::AddSubfolder, UnsafeOwnedByUser},
                            TRight{"delete child", right::DeleteChild, UnsafeOwnedByUser},
                            TRight{"delete", right::Delete, UnsafeOwnedByUser},
                            TRight{"change the access", right::WriteAccess, UnsafeOwnedByUser},
                            TRight{"take ownership", right::WriteOwner, UnsafeOwnedByUser},
                            TRight{"generic write", right::GenericWrite, UnsafeOwnedByUser},
                            TRight{"generic all", right::GenericAll, UnsafeOwnedByUser},
                            TRight{"read and execute", right::ReadAndExecute, Safe},
                            TRight{"generic read and execute", 0x80000000 | 0x20000000, Safe},
                            TRight{"write attributes and extended attributes", 0x0100 | 0x0010, Safe}}) {
        platform::TFolderSecurity Folder{false, User, With(OwnAccess(), {Allow(Users, R.Rights)})};
        EXPECT_EQ(JudgeFolder(Folder, User), R.Expected) << R.Name;
    }
}

TEST(FolderRights, TrustedAccountsAreTheUserAndTheSystemsOwn)
{
    for (const UString& Sid : {User, System, Admins, Installer})
        EXPECT_TRUE(IsTrustedAccount(Sid, User)) << DebugUtf8(Sid);
    for (const UString& Sid : {OtherUser, Users, Everyone, CreatorOwner, UString()})
        EXPECT_FALSE(IsTrustedAccount(Sid, User)) << DebugUtf8(Sid);
    EXPECT_FALSE(IsTrustedAccount(u"", u"")) << "a user the system could not name is nobody";
}

// The rule applied to a library already in place: the file's own owner and entries, where an
// entry that a file only hands down (it cannot) does not apply.
struct TFileCase {
    const char* Name;
    UString Owner;
    std::optional<std::vector<TSecurityEntry>> Entries;
    bool Safe;
    bool IsLink = false;
};

class FileRule : public testing::TestWithParam<TFileCase> {};

TEST_P(FileRule, Verdict)
{
    const TFileCase& C = GetParam();
    platform::TFolderSecurity File;
    File.IsLink = C.IsLink;
    File.OwnerSid = C.Owner;
    File.Entries = C.Entries;
    EXPECT_EQ(IsFileSafe(File, User), C.Safe);
}

// What a file inherits from the program's folder: the same entries, no longer inheritable.
std::vector<TSecurityEntry> InheritedOwnAccess()
{
    std::vector<TSecurityEntry> Entries = OwnAccess();
    for (TSecurityEntry& E : Entries)
        E.ObjectInherit = E.ContainerInherit = E.InheritOnly = false;
    return Entries;
}

INSTANTIATE_TEST_SUITE_P(
    Table, FileRule,
    testing::Values(TFileCase{"UsersFileWithTheFoldersAccess", User, InheritedOwnAccess(), true},
                    TFileCase{"AdministratorsFile", Admins, InheritedOwnAccess(), true},
                    TFileCase{"AnotherUsersFile", OtherUser, InheritedOwnAccess(), false},
                    // The user's own folder may hold a file whose list lets another account rewrite it.
                    TFileCase{"UsersFileEveryoneMayWrite", User, With(InheritedOwnAccess(), {Allow(Everyone, FileWrite, ThisFolderOnly)}), false},
                    TFileCase{"UsersFileAnotherUserMayChangeItsAccess", User,
                              With(InheritedOwnAccess(), {Allow(OtherUser, right::WriteAccess, ThisFolderOnly)}), false},
                    TFileCase{"UsersFileEveryoneMayDelete", User, With(InheritedOwnAccess(), {Allow(Everyone, right::Delete, ThisFolderOnly)}), false},
                    TFileCase{"InheritOnlyEntryDoesNotApplyToAFile", User,
                              With(InheritedOwnAccess(), {Allow(Everyone, right::FullControl, FilesOnly)}), true},
                    TFileCase{"NullList", User, std::nullopt, false},
                    TFileCase{"Link", User, InheritedOwnAccess(), false, true}),
    [](const auto& AInfo) { return std::string(AInfo.param.Name); });

}  // namespace
