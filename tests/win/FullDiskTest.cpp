// The connection file on a disk that really fills up while it is written: a small ext2 file
// system with 1 KiB blocks that the small-disk fixture mounts (cmake/small-disk). The file is
// longer than one block, so with one block free the write stops partway.
#include <gtest/gtest.h>

#include <windows.h>

#include <map>
#include <string>

#include "common/Fixtures.h"
#include "common/WinActionsFakes.h"
#include "common/WorkstationFakes.h"
#include "core/CloudSetupError.h"
#include "platform/win32/UniqueHandle.h"
#include "profiles/CloudSetupRDPWriter.h"
#include "service/CloudSetupConst.h"
#include "win/ConnectionFileSupport.h"
#include "workstation/CloudSetupWinActions.h"

using namespace zelv;
using test::fs::path;

namespace {

constexpr size_t Block = 1024;
const std::string EarlierText = "full address:s:10.0.0.1\r\nusername:s:zelvcloud\\zelv\r\n";

// Writes pieces of a block until the disk refuses one; the bytes that went in.
size_t WriteUntilFull(const path& AFile, size_t AMaxBytes = SIZE_MAX)
{
    win32::UniqueFile File(CreateFileW(AFile.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!File)
        return 0;
    const std::string Piece(Block, 'f');
    size_t Total = 0;
    while (Total < AMaxBytes) {
        DWORD Written = 0;
        if (!WriteFile(File.Get(), Piece.data(), static_cast<DWORD>(Block), &Written, nullptr) || Written < Block) {
            Total += Written;
            break;
        }
        Total += Written;
    }
    return Total;
}

// The room left, found by filling it: the system's free-space figure counts in larger units than
// these blocks.
size_t RoomLeft(const path& AFolder)
{
    const path Probe = AFolder / "probe";
    const size_t Room = WriteUntilFull(Probe);
    test::fs::remove(Probe);
    return Room;
}

// Every file on the disk with its bytes; the fillers by their size, which is all that matters of
// them and keeps a failure's report short.
std::map<std::string, std::string> FolderContents(const path& AFolder)
{
    std::map<std::string, std::string> Contents;
    for (const auto& Entry : test::fs::directory_iterator(AFolder)) {
        if (Entry.path().filename() == "lost+found")
            continue;
        std::string Bytes = test::ReadBytes(Entry.path());
        if (Bytes.size() > 4 * Block)
            Bytes = std::to_string(Bytes.size()) + " bytes";
        Contents[Entry.path().filename().string()] = Bytes;
    }
    return Contents;
}

struct TFullDiskCase {
    const char* Name;
    bool Earlier;       // an earlier connection file of the company is on the disk
    size_t FreeBlocks;  // blocks left free when the writing starts
};

class SmallDisk : public testing::Test {
protected:
    const path FDisk = path(ZELV_SMALL_DISK).make_preferred();

    void SetUp() override
    {
        if (UString(consts::CloudDomain) != u"zelvcloud.invalid")
            GTEST_SKIP() << "the fixtures hold the default deployment constants";
        ASSERT_TRUE(test::fs::is_directory(FDisk / "lost+found")) << "the small disk is mounted";
        for (const auto& Entry : test::fs::directory_iterator(FDisk))
            if (Entry.path().filename() != "lost+found")
                test::fs::remove_all(Entry.path());
    }

    void TearDown() override
    {
        std::error_code Ignored;
        for (const auto& Entry : test::fs::directory_iterator(FDisk, Ignored))
            if (Entry.path().filename() != "lost+found")
                test::fs::remove_all(Entry.path(), Ignored);
    }

    // Fills the disk and then frees exactly ABlocks blocks: one-block spacers made first (with
    // names longer than the writer's own, so freeing them also frees room in the folder) are
    // removed last.
    void LeaveFree(size_t ABlocks)
    {
        for (size_t I = 0; I < ABlocks; ++I)
            ASSERT_EQ(WriteUntilFull(FDisk / ("spacer-with-a-long-name-to-free-its-entry-" + std::to_string(I)), Block),
                      Block);
        WriteUntilFull(FDisk / "filler");
        // The filler may stop short of the last blocks when it needed another index block.
        for (int I = 0;; ++I) {
            const path TopUp = FDisk / ("top-up-" + std::to_string(I));
            if (WriteUntilFull(TopUp, Block) == 0) {
                test::fs::remove(TopUp);
                break;
            }
        }
        for (size_t I = 0; I < ABlocks; ++I)
            test::fs::remove(FDisk / ("spacer-with-a-long-name-to-free-its-entry-" + std::to_string(I)));
        ASSERT_EQ(RoomLeft(FDisk), ABlocks * Block);
    }
};

class ConnectionFileOnAFullDisk : public SmallDisk, public testing::WithParamInterface<TFullDiskCase> {};

TEST_P(ConnectionFileOnAFullDisk, LeavesTheEarlierFileByteForByteAndNothingElse)
{
    const TFullDiskCase& C = GetParam();
    ASSERT_GT(test::ReadFixture("connfiles/ab1-gateway.rdp").size(), C.FreeBlocks * Block)
        << "the new text is longer than the room left";
    if (C.Earlier)
        test::WriteBytes(FDisk / "AB1 Zelv Cloud.rdp", EarlierText);
    ASSERT_NO_FATAL_FAILURE(LeaveFree(C.FreeBlocks));
    const std::map<std::string, std::string> Before = FolderContents(FDisk);

    test::TFixtureScreen Screen;
    UString Message;
    try {
        TRDPWriter::WriteRDPFile(test::TextOf(FDisk), u"ab1", u"10.0.0.5");
        ADD_FAILURE() << "the full disk took the whole file";
    } catch (const ECloudSetupError& E) {
        Message = E.Message();
    }
    const UString Start = u"Stream write error: ";
    EXPECT_EQ(Message.substr(0, Start.size()), Start) << DebugUtf8(Message);
    EXPECT_GT(Message.size(), Start.size()) << "the system's text follows";
    EXPECT_EQ(FolderContents(FDisk), Before);
    EXPECT_EQ(RoomLeft(FDisk), C.FreeBlocks * Block) << "the file of its own gave its room back";
}

INSTANTIATE_TEST_SUITE_P(
    SmallDisk, ConnectionFileOnAFullDisk,
    testing::Values(TFullDiskCase{"NoRoomBesideTheEarlierFile", true, 0},
                    TFullDiskCase{"OneBlockBesideTheEarlierFile", true, 1},
                    TFullDiskCase{"OneBlockAndNoEarlierFile", false, 1}),
    [](const testing::TestParamInfo<TFullDiskCase>& AInfo) { return std::string(AInfo.param.Name); });

// The add-in library on the same disk: received into its temporary file beside the library and
// put in place only once whole and verified.
struct TAddinFullDiskCase {
    const char* Name;
    bool Working;       // a working library is installed
    bool Leftover;      // the temporary file of an ended run lies beside it
    size_t FreeBlocks;  // fewer than the library needs
};

class AddinOnAFullDisk : public SmallDisk, public testing::WithParamInterface<TAddinFullDiskCase> {};

TEST_P(AddinOnAFullDisk, LeavesTheWorkingLibraryAndNoTemporaryFile)
{
    const TAddinFullDiskCase& C = GetParam();
    const path Folder = FDisk / "ZelvCloud";
    test::fs::create_directory(Folder);
    if (C.Working)
        test::WriteBytes(Folder / "zelvcloud64.dll", "working build");
    if (C.Leftover)
        test::WriteBytes(Folder / "zelvcloud64.dll.download", "what an ended run left");
    ASSERT_NO_FATAL_FAILURE(LeaveFree(C.FreeBlocks));
    std::map<std::string, std::string> Expected = FolderContents(Folder);
    Expected.erase("zelvcloud64.dll.download");

    test::TFakeWorkstation Workstation;
    test::TFakeEnvironment Environment;
    Environment.Variables[u"AllUsersProfile"] = test::TextOf(FDisk);
    test::TFakeDownloadHttp Http;
    Http.Response.Body = test::ReadBytes(path(ZELV_TEST_ADDIN_DIR) / "zelvcloud64.dll");
    ASSERT_GT(Http.Response.Body.size(), (C.FreeBlocks + 1) * Block) << "the library is larger than the room left";
    platform::TPlatformScope Scope;
    Scope->Workstation = &Workstation;
    Scope->Environment = &Environment;
    Scope->Http = &Http;

    UString Error;
    EXPECT_FALSE(TWinActions::DownloadDLL(nullptr, Error));
    const UString Start = u"DLL not installed — could not write file: Cannot write file \"" +
                          test::TextOf(Folder / "zelvcloud64.dll.download") + u"\". ";
    EXPECT_EQ(Error.substr(0, Start.size()), Start) << DebugUtf8(Error);
    EXPECT_GT(Error.size(), Start.size()) << "the system's text follows";
    EXPECT_EQ(FolderContents(Folder), Expected);
    EXPECT_EQ(RoomLeft(FDisk), (C.FreeBlocks + (C.Leftover ? 1 : 0)) * Block) << "the temporary file gave its room back";
}

INSTANTIATE_TEST_SUITE_P(
    SmallDisk, AddinOnAFullDisk,
    testing::Values(TAddinFullDiskCase{"NoRoomBesideTheWorkingLibrary", true, false, 0},
                    TAddinFullDiskCase{"SomeRoomBesideTheWorkingLibrary", true, false, 4},
                    TAddinFullDiskCase{"SomeRoomAndNoLibrary", false, false, 4},
                    TAddinFullDiskCase{"LeftoverOfAnEndedRun", true, true, 4}),
    [](const testing::TestParamInfo<TAddinFullDiskCase>& AInfo) { return std::string(AInfo.param.Name); });

}  // namespace
