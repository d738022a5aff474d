#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "common/Fakes.h"
#include "common/Fixtures.h"
#include "common/WorkstationFakes.h"
#include "profiles/CloudSetupRDPWriter.h"
#include "service/CloudSetupConst.h"

using namespace zelv;
using test::Hex;
using test::ReadFixture;

namespace {

const UString Desktop = u"C:\\Users\\user1\\Desktop";
const UString InsideDomain = u"rds7." + UString(consts::CloudDomain);

// The workstation's ANSI code page as a test sets it; the conversions are the platform's own.
class TAnsiCodePage : public platform::ICodePage {
public:
    TAnsiCodePage(platform::ICodePage& AInner, unsigned AAnsi) : FInner(AInner), FAnsi(AAnsi) {}
    unsigned AnsiCodePage() override { return FAnsi; }
    std::string FromUnicode(unsigned ACodePage, UStringView AText) override { return FInner.FromUnicode(ACodePage, AText); }
    bool RepresentsExactly(unsigned ACodePage, UStringView AText) override { return FInner.RepresentsExactly(ACodePage, AText); }
    UString ToUnicode(unsigned ACodePage, std::string_view ABytes) override { return FInner.ToUnicode(ACodePage, ABytes); }

private:
    platform::ICodePage& FInner;
    unsigned FAnsi;
};

class ConnectionFile : public testing::Test {
protected:
    test::TFakeLocale FLocale;
    test::TFakeWorkstation FWorkstation;  // a 1920 x 1040 work area on an unscaled screen
    test::TFakeFileWriter FFiles;
    TAnsiCodePage FCodePage{platform::CodePage(), 1252};
    platform::TPlatformScope FScope;

    void SetUp() override
    {
        if (UString(consts::CloudDomain) != u"zelvcloud.invalid")
            GTEST_SKIP() << "the fixtures hold the default deployment constants";
        FScope->Locale = &FLocale;
        FScope->Workstation = &FWorkstation;
        FScope->FileWriter = &FFiles;
        FScope->CodePage = &FCodePage;
    }

    std::string Write(UStringView ACode, UStringView AAddress)
    {
        UString Path = TRDPWriter::WriteRDPFile(Desktop, ACode, AAddress);
        EXPECT_EQ(FFiles.OpenFiles, 0) << "the file is closed";
        return FFiles.Files.at(Path);
    }

    UString WriteFailure(UStringView ADesktop, UStringView ACode, UStringView AAddress)
    {
        try {
            TRDPWriter::WriteRDPFile(ADesktop, ACode, AAddress);
        } catch (const ECloudSetupError& E) {
            EXPECT_EQ(FFiles.OpenFiles, 0) << "the file is closed on failure too";
            return E.Message();
        }
        ADD_FAILURE() << "no failure raised";
        return UString();
    }
};

// --- The two forms, byte for byte ---

struct TFixtureCase {
    const char* Name;
    UString Code;
    UString Address;
    UString FileName;
    const char* Fixture;
};

class ConnectionFileBytes : public ConnectionFile, public testing::WithParamInterface<TFixtureCase> {};

TEST_P(ConnectionFileBytes, MatchTheCheckedInFile)
{
    const TFixtureCase& C = GetParam();
    UString Path = TRDPWriter::WriteRDPFile(Desktop, C.Code, C.Address);
    EXPECT_EQ(Path, Desktop + u"\\" + C.FileName);
    ASSERT_EQ(FFiles.Files.size(), 1u);
    std::string Expected = ReadFixture(std::string("connfiles/") + C.Fixture);
    EXPECT_EQ(Hex(FFiles.Files[Path]), Hex(Expected));
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, ConnectionFileBytes,
    testing::Values(
        TFixtureCase{"GatewayForm", u"ab1", u"10.0.0.5", u"AB1 Zelv Cloud.rdp", "ab1-gateway.rdp"},
        TFixtureCase{"DirectForm", u"ab1", InsideDomain, u"AB1 Zelv Cloud.rdp", "ab1-direct.rdp"},
        TFixtureCase{"InHouseOnItsOwnServer", u" hqv ", u"10.0.0.9", u"HQV Zelv Cloud.rdp", "hqv-inhouse.rdp"},
        TFixtureCase{"InHouseWhateverAddress", u"HQV", InsideDomain, u"HQV Zelv Cloud.rdp", "hqv-inhouse.rdp"},
        TFixtureCase{"OutsideTheAnsiCodePageInUtf16", u"z\u01421", InsideDomain, u"Z\u01421 Zelv Cloud.rdp",
                     "zl1-direct-utf16.rdp"}),
    [](const testing::TestParamInfo<TFixtureCase>& AInfo) { return std::string(AInfo.param.Name); });

TEST_F(ConnectionFile, FileStartsWithLineOneAndEndsWithALineBreak)
{
    std::string Bytes = Write(u"ab1", u"10.0.0.5");
    EXPECT_EQ(static_cast<unsigned char>(Bytes.front()), 0x61);
    EXPECT_EQ(Bytes.substr(Bytes.size() - 17), "kdcproxyname:s:\r\n");
}

TEST_F(ConnectionFile, ScreenSizeOfTheWorkstationInBothScreenLines)
{
    FWorkstation.Caps = platform::TScreenCaps{2560, 1440, 960};
    FWorkstation.Area = platform::TWorkArea{0, 0, 1707, 912};
    std::string Bytes = Write(u"ab1", u"10.0.0.5");
    EXPECT_NE(Bytes.find("\r\ndesktopheight:i:1368\r\ndesktopwidth:i:2560\r\n"), std::string::npos);
    EXPECT_NE(Bytes.find("\r\nwinposstr:s:0,3,0,0,2560,1368\r\n"), std::string::npos);
}

// --- Code pages ---

TEST_F(ConnectionFile, TextThatFitsTheAnsiCodePageIsWrittenInIt)
{
    std::string Accented = Write(u"\u00E91", InsideDomain);
    EXPECT_NE(Accented.find("username:s:\xE9" "1\\zelv-23349\r\n"), std::string::npos) << "Windows-1252, no mark";

    TAnsiCodePage CentralEuropean(FCodePage, 1250);
    FScope->CodePage = &CentralEuropean;
    std::string Polish = Write(u"z\u01421", InsideDomain);
    EXPECT_NE(Polish.find("username:s:Z\xB3" "1\\zelv-9032249\r\n"), std::string::npos) << "Windows-1250, no mark";
    EXPECT_EQ(Polish.substr(0, 5), "allow");
}

TEST_F(ConnectionFile, Utf8CodePageGetsTheByteOrderMark)
{
    TAnsiCodePage Utf8(FCodePage, platform::CodePageUtf8);
    FScope->CodePage = &Utf8;
    EXPECT_EQ(Hex(Write(u"ab1", u"10.0.0.5")), Hex("\xEF\xBB\xBF" + ReadFixture("connfiles/ab1-gateway.rdp")));
    std::string Polish = Write(u"z\u01421", InsideDomain);
    EXPECT_EQ(Polish.substr(0, 8), "\xEF\xBB\xBF" "allow");
    EXPECT_NE(Polish.find("username:s:Z\xC5\x82" "1\\zelv-9032249\r\n"), std::string::npos);
}

TEST_F(ConnectionFile, TextOutsideTheAnsiCodePageIsWrittenAsUtf16)
{
    // A best-fit letter (A for U+0100) and a character with no fit at all: either would change the
    // address that the client dials.
    for (UString Address : {u"rds-\u0100.example", u"\u4E2D.example"}) {
        std::string Bytes = Write(u"ab1", Address);
        ASSERT_EQ(Bytes.substr(0, 2), "\xFF\xFE");
        UString Text = test::FromUtf16LE(Bytes.substr(2));
        EXPECT_NE(Text.find(u"\r\nfull address:s:" + Address + u"\r\n"), UString::npos);
        EXPECT_EQ(Text.substr(Text.size() - 17), u"kdcproxyname:s:\r\n");
    }
}

// --- File names ---

TEST_F(ConnectionFile, FileNameFromFolderAndNormalisedCode)
{
    const std::pair<UString, UString> Cases[] = {
        {u"C:\\Users\\user1\\Desktop", u"C:\\Users\\user1\\Desktop\\AB1 Zelv Cloud.rdp"},
        {u"C:\\Users\\user1\\Desktop\\", u"C:\\Users\\user1\\Desktop\\AB1 Zelv Cloud.rdp"},
        {u"C:/Users/user1/Desktop/", u"C:/Users/user1/Desktop/\\AB1 Zelv Cloud.rdp"},
        {u"Desktop", u"Desktop\\AB1 Zelv Cloud.rdp"},  // relative, and returned relative
    };
    for (const auto& [Folder, Expected] : Cases) {
        EXPECT_EQ(TRDPWriter::WriteRDPFile(Folder, u" ab1\t", u"10.0.0.5"), Expected);
        EXPECT_EQ(FFiles.Files.count(Expected), 1u);
    }
}

// --- Codes and addresses that would make an unsafe file ---

TEST_F(ConnectionFile, CodeThatCannotNameAFileIsRefusedAndNothingWritten)
{
    const UString Codes[] = {u"..\\..\\evil", u"a/b", u"c:x", u"ab:stream", u"a*", u"a?", u"a\"b",
                             u"a<b", u"a>b", u"a|b", u"a\x01" u"b", u"a\tb"};
    for (const UString& Code : Codes) {
        UString Message = WriteFailure(Desktop, Code, u"10.0.0.5");
        EXPECT_EQ(Message.rfind(u"The company code \"", 0), 0u) << DebugUtf8(Message);
        EXPECT_NE(Message.find(u"cannot name a connection file"), UString::npos) << DebugUtf8(Message);
    }
    EXPECT_EQ(WriteFailure(Desktop, u" ..\\x ", u""),
              u"The company code \"..\\X\" cannot name a connection file: it holds a character that file names "
              u"may not hold (\\ / : * ? \" < > | or a control character)");
    EXPECT_NE(WriteFailure(Desktop, u"a\nb", u"").find(u"\"A[U+000A]B\""), UString::npos);
    EXPECT_EQ(FFiles.Creates, 0);
}

TEST_F(ConnectionFile, AddressThatWouldBreakTheLinesIsRefused)
{
    EXPECT_EQ(WriteFailure(Desktop, u"ab1", u"10.0.0.5\r\nalternate shell:s:cmd.exe"),
              u"The server address of company \"AB1\" holds a control character ([U+000D]) that would break "
              u"the connection file");
    EXPECT_NE(WriteFailure(Desktop, u"ab1", UString(u"10.0.0.5\0x", 10)).find(u"([U+0000])"), UString::npos);
    EXPECT_EQ(FFiles.Creates, 0);
    // The in-house company never uses the address it is sent; a tab breaks no line.
    EXPECT_EQ(Write(u"hqv", u"x\r\ny"), ReadFixture("connfiles/hqv-inhouse.rdp"));
    EXPECT_NE(Write(u"ab1", u" \t").find("\r\nfull address:s: \t\r\n"), std::string::npos);
}

// --- Failures ---

TEST_F(ConnectionFile, CreateFailureNamesTheFullPathAndTheSystemsReason)
{
    FFiles.CreateFails = platform::TSystemError{5, u"Access is denied. \r\n"};
    EXPECT_EQ(WriteFailure(Desktop, u"ab1", u"10.0.0.5"),
              u"Cannot create file \"C:\\Users\\user1\\Desktop\\AB1 Zelv Cloud.rdp\". Access is denied");
    EXPECT_EQ(WriteFailure(u"Desktop", u"ab1", u"10.0.0.5"),
              u"Cannot create file \"C:\\Users\\user1\\Desktop\\AB1 Zelv Cloud.rdp\". Access is denied")
        << "a relative name is made absolute for the message";
    FFiles.CreateFails = platform::TSystemError{1234, u""};
    EXPECT_EQ(WriteFailure(Desktop, u"ab1", u"10.0.0.5"),
              u"Cannot create file \"C:\\Users\\user1\\Desktop\\AB1 Zelv Cloud.rdp\". System error 1234");
    // What stands under the temporary name is what the user must move.
    FFiles.CreateFails = platform::TSystemError{80, u"The file exists.\r\n", true};
    EXPECT_EQ(WriteFailure(Desktop, u"ab1", u"10.0.0.5"),
              u"Cannot create file \"C:\\Users\\user1\\Desktop\\AB1 Zelv Cloud.rdp.partial\". The file exists");
}

TEST_F(ConnectionFile, WriteFailureIsAStreamWriteError)
{
    FFiles.WriteFails = platform::TSystemError{112, u"There is not enough space on the disk.\r\n"};
    EXPECT_EQ(WriteFailure(Desktop, u"ab1", u"10.0.0.5"), u"Stream write error: There is not enough space on the disk");
    FFiles.WriteFails = platform::TSystemError{};
    EXPECT_EQ(WriteFailure(Desktop, u"ab1", u"10.0.0.5"), u"Stream write error");
}

// --- Replaced whole or not at all ---

const UString Target = Desktop + u"\\AB1 Zelv Cloud.rdp";
const UString Partial = Target + u".partial";

// Files of the user's own beside the connection file, which no run may touch.
const std::map<UString, std::string> OtherDesktopFiles = {
    {Desktop + u"\\AB1 Zelv Cloud.rdp.bak", "a copy of the user's"},
    {Desktop + u"\\AB1 Zelv Cloud.partial", "not ours either"},
    {Desktop + u"\\notes.txt", "notes"},
};

struct TFailurePoint {
    const char* Name;
    std::function<void(test::TFakeFileWriter&)> Arrange;
    UString Message;
};

class ConnectionFileFailure : public ConnectionFile, public testing::WithParamInterface<TFailurePoint> {};

TEST_P(ConnectionFileFailure, LeavesTheEarlierFileByteForByteAndNothingElse)
{
    const TFailurePoint& C = GetParam();
    for (const bool Earlier : {true, false}) {
        SCOPED_TRACE(Earlier ? "with an earlier file" : "without an earlier file");
        FFiles.Files = OtherDesktopFiles;
        if (Earlier)
            FFiles.Files[Target] = ReadFixture("connfiles/ab1-direct.rdp");
        const std::map<UString, std::string> Before = FFiles.Files;
        C.Arrange(FFiles);
        EXPECT_EQ(WriteFailure(Desktop, u"ab1", u"10.0.0.5"), C.Message);
        EXPECT_EQ(FFiles.Files, Before);
        FFiles = test::TFakeFileWriter();
    }
}

INSTANTIATE_TEST_SUITE_P(
    EveryStep, ConnectionFileFailure,
    testing::Values(
        TFailurePoint{"FirstWrite", [](test::TFakeFileWriter& F) { F.RoomLeft = 0; },
                      u"Stream write error: There is not enough space on the disk"},
        TFailurePoint{"MiddleOfTheText", [](test::TFakeFileWriter& F) { F.RoomLeft = 300; },
                      u"Stream write error: There is not enough space on the disk"},
        TFailurePoint{"LastByte", [](test::TFakeFileWriter& F) { F.RoomLeft = 1290; },
                      u"Stream write error: There is not enough space on the disk"},
        TFailurePoint{"Flush", [](test::TFakeFileWriter& F) { F.FlushFails = platform::TSystemError{5, u"Access is denied.\r\n"}; },
                      u"Stream write error: Access is denied"},
        TFailurePoint{"FlushWithoutACode", [](test::TFakeFileWriter& F) { F.FlushFails = platform::TSystemError{}; },
                      u"Stream write error"},
        TFailurePoint{"PutInPlace",
                      [](test::TFakeFileWriter& F) {
                          F.PutInPlaceFails = platform::TSystemError{
                              32, u"The process cannot access the file because it is being used by another process.\r\n"};
                      },
                      u"Cannot create file \"C:\\Users\\user1\\Desktop\\AB1 Zelv Cloud.rdp\". The process cannot access the "
                      u"file because it is being used by another process"},
        TFailurePoint{"CreateTheFileOfItsOwn",
                      [](test::TFakeFileWriter& F) { F.CreateFails = platform::TSystemError{5, u"Access is denied.\r\n"}; },
                      u"Cannot create file \"C:\\Users\\user1\\Desktop\\AB1 Zelv Cloud.rdp\". Access is denied"}),
    [](const testing::TestParamInfo<TFailurePoint>& AInfo) { return std::string(AInfo.param.Name); });

TEST_F(ConnectionFile, WholeTextFitsExactlyAndReplacesTheEarlierFile)
{
    const std::string Expected = ReadFixture("connfiles/ab1-gateway.rdp");
    FFiles.Files = OtherDesktopFiles;
    FFiles.Files[Target] = "earlier";
    FFiles.RoomLeft = Expected.size();
    EXPECT_EQ(Write(u"ab1", u"10.0.0.5"), Expected);
    std::map<UString, std::string> After = OtherDesktopFiles;
    After[Target] = Expected;
    EXPECT_EQ(FFiles.Files, After);
}

TEST_F(ConnectionFile, WhatAnEndedRunLeftIsTakenOverByTheNextWritingOfThatFile)
{
    const std::map<UString, std::string> Leftover = {{Partial, "allow desktop composition:i:0\r\nallow fo"}};
    FFiles.Files = Leftover;
    FFiles.Files[Target] = "earlier";
    FFiles.RoomLeft = 10;
    WriteFailure(Desktop, u"ab1", u"10.0.0.5");
    EXPECT_EQ(FFiles.Files, (std::map<UString, std::string>{{Target, "earlier"}})) << "gone after a failed run";

    FFiles = test::TFakeFileWriter();
    FFiles.Files = Leftover;
    Write(u"ab1", u"10.0.0.5");
    EXPECT_EQ(FFiles.Files, (std::map<UString, std::string>{{Target, ReadFixture("connfiles/ab1-gateway.rdp")}}))
        << "gone after a good one";
}

TEST_F(ConnectionFile, LowerCasingFailureTouchesNoFile)
{
    FLocale.Failed = true;
    FLocale.FailWith = 87;
    EXPECT_EQ(WriteFailure(Desktop, u"ab1", u"10.0.0.5"), u"System Error.  Code: 87.\r\nThe parameter is incorrect");
    EXPECT_EQ(FFiles.Creates, 0);
}

}  // namespace
