#include <gtest/gtest.h>

#include "core/CloudSetupError.h"
#include "core/CloudSetupText.h"

using namespace zelv;

TEST(CoreText, TrimRemovesEveryControlAndBlankButNothingElse)
{
    EXPECT_EQ(Trim(u" \t\r\n\x01 HQV \x1F"), u"HQV");
    EXPECT_EQ(Trim(u"\u00A0HQV\u00A0"), u"\u00A0HQV\u00A0");  // no-break space is not trimmed
    EXPECT_EQ(Trim(u"A B"), u"A B");
    EXPECT_EQ(Trim(u"   "), u"");
    EXPECT_EQ(Trim(u""), u"");
}

TEST(CoreText, CasingIsAsciiOnly)
{
    EXPECT_EQ(AsciiUpper(u"ab1\u00E9i\u0131z"), u"AB1\u00E9I\u0131Z");
    EXPECT_EQ(AsciiLower(u"User@Example.COM\u00C9\u0130"), u"user@example.com\u00C9\u0130");
}

TEST(CoreError, OSErrorMessageFormat)
{
    EXPECT_EQ(OSErrorMessage(87, u"The parameter is incorrect.  \r\n"),
              u"System Error.  Code: 87.\r\nThe parameter is incorrect");
    EXPECT_EQ(OSErrorMessage(5, u""), u"System Error.  Code: 5.\r\n");
    EXPECT_EQ(OSErrorMessage(0, u"whatever"), u"A call to an OS function failed");
}
