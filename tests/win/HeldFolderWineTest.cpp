// The held install folder against Wine's real files and real links.
//
// What Wine 8 shows of links, measured on this bench:
// - It has no junctions: FSCTL_SET_REPARSE_POINT fails with ERROR_NOT_SUPPORTED, and
//   CreateSymbolicLinkW reports success and makes nothing. The links here are Unix symbolic links,
//   made with ln -s.
// - A Unix link to a folder is a reparse point (0x410) in its folder's listing and in the
//   attributes read by name. A handle opened on it with FILE_FLAG_OPEN_REPARSE_POINT has the folder
//   it points to open (attributes 0x10, tag 0, that folder's number), and deleting through that
//   handle deletes what it points to. So a check through the handle alone misses a link here;
//   the held folder also checks the listing, the name and the item's number.
// - A Unix link to a file shows as a plain file everywhere; the listing gives the number of the
//   file it points to. Only a swap after the listing is seen, by the number.
// On Windows the handle opened on a link has the link itself open and says so.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <string>

#include "core/CloudSetupError.h"
#include "platform/win32/UniqueHandle.h"
#include "platform/win32/Win32InstallFiles.h"
#include "platform/win32/Win32Text.h"
#include "win/ConnectionFileSupport.h"
#include "win/FileHolder.h"
#include "win/FolderSecurity.h"

using namespace zelv;

namespace {

using test::ReadBytes;
using test::WriteBytes;

UString U(const std::filesystem::path& APath) { return win32::U(APath.wstring()); }

using test::RunWindowsCommand;

std::wstring Quoted(const std::filesystem::path& APath) { return L"\"" + APath.wstring() + L"\""; }

class HeldFolder : public testing::Test {
protected:
    std::filesystem::path FRoot;
    std::filesystem::path FFolder;     // the folder held
    std::filesystem::path FDocuments;  // the user's own files, outside it
    win32::TWin32InstallFiles FFiles;

    void SetUp() override
    {
        wchar_t Temp[MAX_PATH + 1];
        ASSERT_GT(GetTempPathW(MAX_PATH + 1, Temp), 0u);
        FRoot = std::filesystem::path(Temp) / (L"zelv-held-" + std::to_wstring(GetCurrentProcessId()));
        FFolder = FRoot / L"ZelvCloud";
        FDocuments = FRoot / L"Documents";
        std::filesystem::create_directories(FFolder);
        std::filesystem::create_directories(FDocuments / L"Empty");
        WriteBytes(FDocuments / L"letter.txt", "the user's");
    }
    // Links inside: the library's removal would go through them.
    void TearDown() override { test::RemoveWithUnixTool(FRoot); }

    void MakeLink(const std::filesystem::path& ALink, const std::filesystem::path& ATarget)
    {
        ASSERT_NO_FATAL_FAILURE(test::MakeUnixLink(ALink, ATarget));
    }
    // The listed item of that name.
    static platform::TFolderItem Listed(platform::IHeldFolder& AFolder, const UString& AName)
    {
        for (const platform::TFolderItem& Item : AFolder.List()) {
            if (Item.Name == AName)
                return Item;
        }
        ADD_FAILURE() << "not listed: " << DebugUtf8(AName);
        return {};
    }
    void ExpectDocumentsUntouched()
    {
        EXPECT_EQ(ReadBytes(FDocuments / L"letter.txt"), "the user's");
        EXPECT_TRUE(std::filesystem::is_directory(FDocuments / L"Empty"));
    }
};

// No other program can rename or remove the folder while it is held, and none that holds it open
// with that right lets it be held. Let go, it moves as any folder does.
TEST_F(HeldFolder, NoOneElseRenamesOrRemovesItWhileItIsHeld)
{
    const std::filesystem::path Away = FRoot / L"Stolen";
    {
        std::unique_ptr<platform::IHeldFolder> Held = FFiles.HoldFolder(U(FFolder));
        ASSERT_TRUE(Held);
        EXPECT_EQ(Held->Path(), U(FFolder) + u"\\");
        EXPECT_NE(RunWindowsCommand(L"move " + Quoted(FFolder) + L" " + Quoted(Away)), 0u);
        RunWindowsCommand(L"rmdir " + Quoted(FFolder));  // Wine's cmd says 0 whatever happened: the folder tells
        EXPECT_TRUE(std::filesystem::is_directory(FFolder));
        EXPECT_FALSE(std::filesystem::exists(Away));
    }
    EXPECT_EQ(RunWindowsCommand(L"move " + Quoted(FFolder) + L" " + Quoted(Away)), 0u) << "the control: let go, it moves";
    EXPECT_TRUE(std::filesystem::is_directory(Away));
}

TEST_F(HeldFolder, FolderAnotherProgramHoldsWithTheRightToRenameItCannotBeHeld)
{
    test::THeldFile Other(FFolder, L"delete");
    ASSERT_TRUE(Other.Held());
    EXPECT_FALSE(FFiles.HoldFolder(U(FFolder)));
    ASSERT_TRUE(Other.Release());
    EXPECT_TRUE(FFiles.HoldFolder(U(FFolder))) << "the control: once it is let go";
}

TEST_F(HeldFolder, LinkInPlaceOfTheFolderIsALink)
{
    const std::filesystem::path Link = FRoot / L"Linked";
    ASSERT_NO_FATAL_FAILURE(MakeLink(Link, FDocuments));
    std::unique_ptr<platform::IHeldFolder> Held = FFiles.HoldFolder(U(Link));
    ASSERT_TRUE(Held) << "Wine opens what the link points to";
    EXPECT_TRUE(Held->Security().IsLink);
    EXPECT_FALSE(FFiles.HoldFolder(U(FFolder))->Security().IsLink) << "the control: a real folder";
}

// A link inside is listed as one, never entered and never removed through (Wine would remove
// what it points to). A plain file and an empty folder go.
TEST_F(HeldFolder, LinkInsideIsNeitherEnteredNorRemovedThrough)
{
    ASSERT_NO_FATAL_FAILURE(MakeLink(FFolder / L"docs", FDocuments / L"Empty"));
    std::filesystem::create_directories(FFolder / L"sub");
    WriteBytes(FFolder / L"file.txt", "x");
    std::unique_ptr<platform::IHeldFolder> Held = FFiles.HoldFolder(U(FFolder));
    ASSERT_TRUE(Held);
    const platform::TFolderItem Link = Listed(*Held, u"docs");
    EXPECT_TRUE(Link.IsLink);
    EXPECT_FALSE(Held->HoldItem(Link));
    EXPECT_FALSE(Held->RemoveItem(Link));
    EXPECT_FALSE(FFiles.Remove(U(FFolder / L"docs")));
    ExpectDocumentsUntouched();

    EXPECT_TRUE(Held->RemoveItem(Listed(*Held, u"file.txt")));
    EXPECT_TRUE(Held->RemoveItem(Listed(*Held, u"sub")));
    EXPECT_FALSE(std::filesystem::exists(FFolder / L"file.txt"));
    EXPECT_FALSE(std::filesystem::exists(FFolder / L"sub"));
}

// Another account turns a listed folder and a listed file into links to the user's files after
// the listing: the name no longer means the item listed, so neither is entered or removed.
TEST_F(HeldFolder, NameTurnedIntoALinkAfterTheListingIsLeftAlone)
{
    std::filesystem::create_directories(FFolder / L"sub");
    WriteBytes(FFolder / L"file.txt", "x");
    std::unique_ptr<platform::IHeldFolder> Held = FFiles.HoldFolder(U(FFolder));
    ASSERT_TRUE(Held);
    const platform::TFolderItem Sub = Listed(*Held, u"sub");
    const platform::TFolderItem File = Listed(*Held, u"file.txt");
    EXPECT_FALSE(Sub.IsLink);

    std::filesystem::rename(FFolder / L"sub", FFolder / L"sub-listed");
    std::filesystem::rename(FFolder / L"file.txt", FFolder / L"file-listed.txt");
    ASSERT_NO_FATAL_FAILURE(MakeLink(FFolder / L"sub", FDocuments));
    ASSERT_NO_FATAL_FAILURE(MakeLink(FFolder / L"file.txt", FDocuments / L"letter.txt"));

    EXPECT_FALSE(Held->HoldItem(Sub));
    EXPECT_FALSE(Held->RemoveItem(Sub));
    EXPECT_FALSE(Held->RemoveItem(File));
    ExpectDocumentsUntouched();
}

TEST_F(HeldFolder, MovedAndRemovedThroughTheHandle)
{
    EXPECT_FALSE(FFiles.HoldFolder(U(FFolder))->MoveTo(U(FRoot / L"Elsewhere"))) << "not held to be moved";
    std::unique_ptr<platform::IHeldFolder> Held = FFiles.HoldFolderToMove(U(FFolder));
    ASSERT_TRUE(Held);
    std::filesystem::create_directories(FRoot / L"Taken");
    EXPECT_FALSE(Held->MoveTo(U(FRoot / L"Taken"))) << "never onto a name that is taken";
    const std::filesystem::path Aside = FRoot / L"ZelvCloud.set-aside-1";
    ASSERT_TRUE(Held->MoveTo(U(Aside) + u"\\"));
    EXPECT_EQ(Held->Path(), U(Aside) + u"\\");
    EXPECT_FALSE(std::filesystem::exists(FFolder));
    EXPECT_TRUE(std::filesystem::is_directory(Aside));
    EXPECT_EQ(RunWindowsCommand(L"mkdir " + Quoted(FFolder)), 0u) << "the name is free again for anyone";
    EXPECT_TRUE(Held->Remove());
    Held.reset();
    EXPECT_FALSE(std::filesystem::exists(Aside));
}

// A file the program writes is always new: a name that is taken fails, and the file there stays.
TEST_F(HeldFolder, NewFileNeverOpensOneThatIsThere)
{
    WriteBytes(FFolder / L"zelvcloud64.dll.download", "left by another account");
    try {
        FFiles.CreateNew(U(FFolder / L"zelvcloud64.dll.download"));
        ADD_FAILURE() << "an existing file was opened";
    } catch (const ECloudSetupError& E) {
        EXPECT_NE(E.Message().find(U(FFolder / L"zelvcloud64.dll.download")), UString::npos) << DebugUtf8(E.Message());
    }
    EXPECT_EQ(ReadBytes(FFolder / L"zelvcloud64.dll.download"), "left by another account");
}

}  // namespace
