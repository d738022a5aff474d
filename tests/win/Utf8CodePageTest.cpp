#include <gtest/gtest.h>

#include <windows.h>

#include "common/Fixtures.h"
#include "profiles/CloudSetupRDPWriter.h"
#include "service/CloudSetupConst.h"
#include "win/ConnectionFileSupport.h"

using namespace zelv;
using test::Hex;
using test::PathOf;
using test::ReadBytes;
using test::ReadFixture;

namespace {

// This program's manifest makes UTF-8 its ANSI code page.
TEST(Utf8CodePage, ConnectionFileIsUtf8WithByteOrderMark)
{
    if (UString(consts::CloudDomain) != u"zelvcloud.invalid")
        GTEST_SKIP() << "the fixtures hold the default deployment constants";
    ASSERT_EQ(GetACP(), static_cast<UINT>(CP_UTF8));
    test::TTempFolder Folder;
    test::TFixtureScreen Screen;

    UString Path = TRDPWriter::WriteRDPFile(Folder.Text(), u"ab1", u"10.0.0.5");
    EXPECT_EQ(Hex(ReadBytes(PathOf(Path))), Hex("\xEF\xBB\xBF" + ReadFixture("connfiles/ab1-gateway.rdp")));

    // Every character fits UTF-8: no UTF-16 here.
    Path = TRDPWriter::WriteRDPFile(Folder.Text(), u"z\u01421", u"rds7." + UString(consts::CloudDomain));
    std::string Bytes = ReadBytes(PathOf(Path));
    EXPECT_EQ(Bytes.substr(0, 8), "\xEF\xBB\xBF" "allow");
    EXPECT_NE(Bytes.find("\r\nusername:s:Z\xC5\x82" "1\\zelv-9032249\r\n"), std::string::npos);
    EXPECT_EQ(Bytes.substr(Bytes.size() - 2), "\r\n");
}

}  // namespace
