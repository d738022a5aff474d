#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <map>
#include <optional>
#include <string>

#include "common/Fixtures.h"
#include "core/CloudSetupError.h"
#include "platform/win32/UniqueHandle.h"
#include "platform/win32/Win32FileWriter.h"
#include "platform/win32/Win32Text.h"
#include "profiles/CloudSetupPlatform.h"
#include "profiles/CloudSetupRDPWriter.h"
#include "service/CloudSetupConst.h"
#include "win/ConnectionFileSupport.h"
#include "win/FileHolder.h"
#include "win/FolderSecurity.h"

using namespace zelv;
using test::Hex;
using test::PathOf;
using test::ReadBytes;
using test::ReadFixture;

namespace {

const UString InsideDomain = u"rds7." + UString(consts::CloudDomain);

class ConnectionFileOnDisk : public testing::Test {
protected:
    test::TTempFolder FFolder;

    void SetUp() override
    {
        if (UString(consts::CloudDomain) != u"zelvcloud.invalid")
            GTEST_SKIP() << "the fixtures hold the default deployment constants";
        ASSERT_EQ(GetACP(), 1252u) << "the bench's prefix runs with Windows-1252";
    }

    UString FailureOf(const UString& ADesktop, const UString& ACode, const UString& AAddress)
    {
        test::TFixtureScreen Screen;
        try {
            TRDPWriter::WriteRDPFile(ADesktop, ACode, AAddress);
        } catch (const ECloudSetupError& E) {
            return E.Message();
        }
        ADD_FAILURE() << "no failure raised";
        return UString();
    }
};

TEST_F(ConnectionFileOnDisk, EachFormByteForByte)
{
    struct {
        UString Code;
        UString Address;
        UString FileName;
        const char* Fixture;
    } const Cases[] = {
        {u"ab1", u"10.0.0.5", u"AB1 Zelv Cloud.rdp", "ab1-gateway.rdp"},
        {u"ab1", InsideDomain, u"AB1 Zelv Cloud.rdp", "ab1-direct.rdp"},
        {u" hqv ", u"10.0.0.9", u"HQV Zelv Cloud.rdp", "hqv-inhouse.rdp"},
        {u"z\u01421", InsideDomain, u"Z\u01421 Zelv Cloud.rdp", "zl1-direct-utf16.rdp"},
    };
    test::TFixtureScreen Screen;
    for (const auto& C : Cases) {
        UString Path = TRDPWriter::WriteRDPFile(FFolder.Text(), C.Code, C.Address);
        EXPECT_EQ(Path, FFolder.Text() + u"\\" + C.FileName);
        EXPECT_EQ(Hex(ReadBytes(PathOf(Path))), Hex(ReadFixture(std::string("connfiles/") + C.Fixture))) << C.Fixture;
    }
}

TEST_F(ConnectionFileOnDisk, LandsOnTheRealDesktopFolder)
{
    UString Desktop = GetDesktopPath();
    test::TFixtureScreen Screen;
    UString Path = TRDPWriter::WriteRDPFile(Desktop, u"zlvtest", u"10.0.0.5");
    std::string Bytes = ReadBytes(PathOf(Path));
    DeleteFileW(win32::W(Path));
    EXPECT_EQ(Path, Desktop + u"\\ZLVTEST Zelv Cloud.rdp");
    std::string Expected = ReadFixture("connfiles/ab1-gateway.rdp");
    for (size_t At = Expected.find("AB1"); At != std::string::npos; At = Expected.find("AB1", At))
        Expected.replace(At, 3, "ZLVTEST");
    EXPECT_EQ(Hex(Bytes), Hex(Expected));
}

TEST_F(ConnectionFileOnDisk, LongerFileIsReplacedCompletely)
{
    test::fs::path Target = FFolder.Path() / "AB1 Zelv Cloud.rdp";
    test::WriteBytes(Target, std::string(5000, 'x'));
    test::TFixtureScreen Screen;
    TRDPWriter::WriteRDPFile(FFolder.Text(), u"ab1", u"10.0.0.5");
    EXPECT_EQ(Hex(ReadBytes(Target)), Hex(ReadFixture("connfiles/ab1-gateway.rdp")));
    // A second company whose code normalises to the same text replaces the file again.
    TRDPWriter::WriteRDPFile(FFolder.Text(), u" AB1\t", InsideDomain);
    EXPECT_EQ(Hex(ReadBytes(Target)), Hex(ReadFixture("connfiles/ab1-direct.rdp")));
}

TEST_F(ConnectionFileOnDisk, RelativeDesktopResolvesAgainstTheCurrentFolder)
{
    test::fs::create_directory(FFolder.Path() / "Desktop");
    wchar_t Saved[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, Saved);
    ASSERT_TRUE(SetCurrentDirectoryW(FFolder.Path().c_str()));
    test::TFixtureScreen Screen;
    UString Path;
    EXPECT_NO_THROW(Path = TRDPWriter::WriteRDPFile(u"Desktop", u"ab1", u"10.0.0.5"));
    SetCurrentDirectoryW(Saved);
    EXPECT_EQ(Path, u"Desktop\\AB1 Zelv Cloud.rdp");
    EXPECT_TRUE(test::fs::exists(FFolder.Path() / "Desktop" / "AB1 Zelv Cloud.rdp"));
}

TEST_F(ConnectionFileOnDisk, FileHeldOpenByAnotherProgramCannotBeCreated)
{
    test::fs::path Target = FFolder.Path() / "AB1 Zelv Cloud.rdp";
    test::WriteBytes(Target, "old");

    test::THeldFile Holder(Target);
    ASSERT_TRUE(Holder.Held()) << "the holder has the file open";

    UString Message = FailureOf(FFolder.Text(), u"ab1", u"10.0.0.5");
    EXPECT_TRUE(Holder.Release());

    const UString Start = u"Cannot create file \"" + FFolder.Text() + u"\\AB1 Zelv Cloud.rdp\". ";
    EXPECT_EQ(Message.substr(0, Start.size()), Start) << DebugUtf8(Message);
    EXPECT_GT(Message.size(), Start.size()) << "the system's text follows";
    EXPECT_EQ(Message.back() == u'.' || Message.back() == u'\n', false) << "trailing full stop and line break trimmed";
    EXPECT_EQ(ReadBytes(Target), "old");
}

TEST_F(ConnectionFileOnDisk, FileIsSharedWithNobodyWhileOpen)
{
    win32::TWin32FileWriter Files;
    platform::TSystemError Error;
    UString Path = FFolder.Text() + u"\\held.rdp";
    auto File = Files.CreateExclusive(Path, Error);
    ASSERT_TRUE(File);
    win32::UniqueFile Other(CreateFileW(win32::W(Path), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, 0, nullptr));
    EXPECT_FALSE(Other);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
}

TEST_F(ConnectionFileOnDisk, MissingFolderNamesTheFullPath)
{
    UString Message = FailureOf(FFolder.Text() + u"\\missing", u"ab1", u"10.0.0.5");
    const UString Start = u"Cannot create file \"" + FFolder.Text() + u"\\missing\\AB1 Zelv Cloud.rdp\". ";
    EXPECT_EQ(Message.substr(0, Start.size()), Start) << DebugUtf8(Message);
    EXPECT_GT(Message.size(), Start.size());
}

TEST_F(ConnectionFileOnDisk, UnsafeCodeWritesNothing)
{
    test::fs::create_directories(FFolder.Path() / "a" / "b");
    UString Desktop = FFolder.Text() + u"\\a\\b";
    for (UString Code : {u"..\\..\\evil", u"../../evil", u"c:evil", u"evil:stream"}) {
        UString Message = FailureOf(Desktop, Code, u"10.0.0.5");
        EXPECT_NE(Message.find(AsciiUpper(Code)), UString::npos) << DebugUtf8(Message);
    }
    size_t Entries = 0;
    for (const auto& Entry : test::fs::recursive_directory_iterator(FFolder.Path())) {
        EXPECT_TRUE(Entry.is_directory()) << Entry.path().string();
        ++Entries;
    }
    EXPECT_EQ(Entries, 2u) << "only a and a\\b";
}

// Every file in the folder with its bytes.
std::map<std::string, std::string> FolderContents(const test::fs::path& AFolder)
{
    std::map<std::string, std::string> Contents;
    for (const auto& Entry : test::fs::directory_iterator(AFolder))
        Contents[Entry.path().filename().string()] = ReadBytes(Entry.path());
    return Contents;
}

// zelv_write_connection_file, beside this program: writes through the real file writer and stops
// at APoint until it is ended. Ended when the object goes.
class TStoppedWriter {
public:
    TStoppedWriter(const UString& ADesktop, const std::wstring& APoint)
    {
        wchar_t Self[MAX_PATH] = {};
        GetModuleFileNameW(nullptr, Self, MAX_PATH);
        const std::wstring Program =
            (test::fs::path(Self).parent_path() / L"zelv_write_connection_file.exe").wstring();
        static int GCount = 0;
        const std::wstring EventName =
            L"Local\\zelv-writer-stopped-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++GCount);
        win32::UniqueHandleObj Stopped(CreateEventW(nullptr, TRUE, FALSE, EventName.c_str()));
        std::wstring CommandLine = L"\"" + Program + L"\" \"" + win32::ToW(ADesktop) + L"\" ab1 10.0.0.5 " + APoint +
                                   L" " + EventName;
        STARTUPINFOW Startup{};
        Startup.cb = sizeof Startup;
        PROCESS_INFORMATION Info{};
        if (!Stopped || !CreateProcessW(Program.c_str(), CommandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                        nullptr, &Startup, &Info))
            return;
        FProcess.Reset(Info.hProcess);
        win32::UniqueHandleObj Thread(Info.hThread);
        HANDLE Waits[] = {Stopped.Get(), FProcess.Get()};
        FStopped = WaitForMultipleObjects(2, Waits, FALSE, 20000) == WAIT_OBJECT_0;
    }
    ~TStoppedWriter() { End(); }
    TStoppedWriter(const TStoppedWriter&) = delete;
    TStoppedWriter& operator=(const TStoppedWriter&) = delete;

    bool Stopped() const { return FStopped; }

    // Ends the program as the task manager does; true once it has ended.
    bool End()
    {
        if (!FProcess)
            return true;
        TerminateProcess(FProcess.Get(), 1);
        bool Ended = WaitForSingleObject(FProcess.Get(), 10000) == WAIT_OBJECT_0;
        FProcess.Reset();
        return Ended;
    }

private:
    win32::UniqueHandleObj FProcess;
    bool FStopped = false;
};

TEST_F(ConnectionFileOnDisk, ProgramEndedWhileWritingLeavesTheEarlierFileAndNothingElse)
{
    const std::map<std::string, std::string> Before = {
        {"AB1 Zelv Cloud.rdp", ReadFixture("connfiles/ab1-direct.rdp")},
        {"AB1 Zelv Cloud.rdp.bak", "the user's own"},
        {"notes.txt", "notes"},
    };
    for (const wchar_t* Point : {L"write", L"flush"}) {
        SCOPED_TRACE(DebugUtf8(UString(Point, Point + wcslen(Point))));
        for (const auto& [Name, Bytes] : Before)
            test::WriteBytes(FFolder.Path() / Name, Bytes);

        TStoppedWriter Writer(FFolder.Text(), Point);
        ASSERT_TRUE(Writer.Stopped()) << "the writer stands at its stopping point";
        EXPECT_EQ(FolderContents(FFolder.Path()).size(), Before.size() + 1) << "its own file is there while it writes";
        ASSERT_TRUE(Writer.End());

        EXPECT_EQ(FolderContents(FFolder.Path()), Before);
    }
}

// Renaming over a file that another program holds is refused as "access denied"; the user is told
// it is in use, as when it was opened, and the file of its own is gone.
TEST_F(ConnectionFileOnDisk, HeldFileIsReportedInUseAndNothingIsLeftBeside)
{
    test::fs::path Target = FFolder.Path() / "AB1 Zelv Cloud.rdp";
    test::WriteBytes(Target, "old");
    test::THeldFile Holder(Target, true);
    ASSERT_TRUE(Holder.Held());
    UString Message = FailureOf(FFolder.Text(), u"ab1", u"10.0.0.5");
    EXPECT_TRUE(Holder.Release());
    EXPECT_EQ(Message, u"Cannot create file \"" + FFolder.Text() + u"\\AB1 Zelv Cloud.rdp\". " +
                           TrimSystemText(win32::SystemErrorText(ERROR_SHARING_VIOLATION)));
    EXPECT_EQ(FolderContents(FFolder.Path()), (std::map<std::string, std::string>{{"AB1 Zelv Cloud.rdp", "old"}}));
}

// A run ended between taking the deletion mark off its file and renaming it leaves that file
// under the connection file's name and a suffix: the next writing of that file takes it over.
TEST_F(ConnectionFileOnDisk, FileAnEndedRunLeftIsGoneAfterTheNextRun)
{
    test::WriteBytes(FFolder.Path() / "AB1 Zelv Cloud.rdp", "earlier");
    test::WriteBytes(FFolder.Path() / "AB1 Zelv Cloud.rdp.partial", "allow desktop composition:i:0\r\nallow fo");
    test::WriteBytes(FFolder.Path() / "notes.txt", "notes");
    test::TFixtureScreen Screen;
    TRDPWriter::WriteRDPFile(FFolder.Text(), u"ab1", u"10.0.0.5");
    EXPECT_EQ(FolderContents(FFolder.Path()),
              (std::map<std::string, std::string>{{"AB1 Zelv Cloud.rdp", ReadFixture("connfiles/ab1-gateway.rdp")},
                                                  {"notes.txt", "notes"}}));
}

// A hidden, system or read-only connection file is one the user set apart: it stays as it is and
// the company's line says it cannot be created, as it always has.
TEST_F(ConnectionFileOnDisk, EarlierFileSetApartIsNotReplaced)
{
    for (DWORD Attribute : {FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_SYSTEM, FILE_ATTRIBUTE_READONLY}) {
        SCOPED_TRACE(Attribute);
        const test::fs::path Target = FFolder.Path() / "AB1 Zelv Cloud.rdp";
        test::WriteBytes(Target, "earlier");
        ASSERT_TRUE(SetFileAttributesW(Target.c_str(), Attribute));
        ASSERT_TRUE(GetFileAttributesW(Target.c_str()) & Attribute) << "the bench keeps the attribute";
        EXPECT_EQ(FailureOf(FFolder.Text(), u"ab1", u"10.0.0.5"),
                  u"Cannot create file \"" + FFolder.Text() + u"\\AB1 Zelv Cloud.rdp\". " +
                      TrimSystemText(win32::SystemErrorText(ERROR_ACCESS_DENIED)));
        EXPECT_TRUE(GetFileAttributesW(Target.c_str()) & Attribute);
        SetFileAttributesW(Target.c_str(), FILE_ATTRIBUTE_NORMAL);
        EXPECT_EQ(FolderContents(FFolder.Path()), (std::map<std::string, std::string>{{"AB1 Zelv Cloud.rdp", "earlier"}}));
        DeleteFileW(Target.c_str());
    }
}

// Whatever stands under the temporary name and is not a plain file an ended run left is in the
// way: it is never followed, opened or removed, the earlier file stays, and the message names what
// is in the way.
TEST_F(ConnectionFileOnDisk, TemporaryNameInTheWayIsNeverFollowed)
{
    const test::fs::path Target = FFolder.Path() / "AB1 Zelv Cloud.rdp";
    const test::fs::path Partial = FFolder.Path() / "AB1 Zelv Cloud.rdp.partial";
    const test::fs::path Documents = FFolder.Path() / "Documents";
    test::fs::create_directories(Documents);
    test::WriteBytes(Documents / "letter.txt", "the user's");
    struct TCase {
        const char* Name;
        std::function<void()> Arrange;
        std::function<void()> Undo;
    };
    std::optional<test::THeldFile> Holder;
    const TCase Cases[] = {
        {"a folder", [&] { test::fs::create_directories(Partial); }, [&] { test::fs::remove(Partial); }},
        {"a read-only file",
         [&] {
             test::WriteBytes(Partial, "kept");
             SetFileAttributesW(Partial.c_str(), FILE_ATTRIBUTE_READONLY);
         },
         [&] {
             SetFileAttributesW(Partial.c_str(), FILE_ATTRIBUTE_NORMAL);
             EXPECT_EQ(ReadBytes(Partial), "kept");
             test::fs::remove(Partial);
         }},
        {"a file another program holds",
         [&] {
             test::WriteBytes(Partial, "kept");
             Holder.emplace(Partial);
             ASSERT_TRUE(Holder->Held());
         },
         [&] {
             EXPECT_TRUE(Holder->Release());
             EXPECT_EQ(ReadBytes(Partial), "kept");
             test::fs::remove(Partial);
         }},
        {"a link to a folder of the user's",
         [&] { ASSERT_NO_FATAL_FAILURE(test::MakeUnixLink(Partial, Documents)); },
         [&] {
             EXPECT_EQ(ReadBytes(Documents / "letter.txt"), "the user's");
             EXPECT_EQ(test::fs::directory_iterator(Documents)->path().filename(), "letter.txt");
             // Removed as a link: Wine's own removal would take the folder it points to.
             test::RemoveWithUnixTool(Partial);
         }},
    };
    for (const TCase& C : Cases) {
        SCOPED_TRACE(C.Name);
        test::WriteBytes(Target, "earlier");
        ASSERT_NO_FATAL_FAILURE(C.Arrange());
        const UString Message = FailureOf(FFolder.Text(), u"ab1", u"10.0.0.5");
        const UString Named = u"Cannot create file \"" + FFolder.Text() + u"\\AB1 Zelv Cloud.rdp.partial\". ";
        EXPECT_EQ(Message.substr(0, Named.size()), Named) << DebugUtf8(Message);
        EXPECT_EQ(ReadBytes(Target), "earlier");
        C.Undo();
        EXPECT_FALSE(test::fs::exists(Partial));
    }
}

}  // namespace
