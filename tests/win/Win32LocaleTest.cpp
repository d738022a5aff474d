#include <gtest/gtest.h>

#include "platform/Platform.h"
#include "platform/win32/Win32Locale.h"
#include "profiles/CloudSetupRDPWriter.h"
#include "service/CloudSetupConst.h"

using namespace zelv;

namespace {

struct TRules : TRDPWriter {
    using TRDPWriter::NeedsGateway;
};

constexpr LCID EnglishUS = 1033;
constexpr LCID Turkish = 1055;

TEST(Win32Locale, LowerCasingFollowsTheRecordedLocale)
{
    EXPECT_EQ(win32::TWin32Locale(EnglishUS).LowerCaseLinguistic(u"RDS.ZELV.INVALID"), u"rds.zelv.invalid");
    EXPECT_EQ(win32::TWin32Locale(Turkish).LowerCaseLinguistic(u"I\u0130"), u"\u0131i");
    EXPECT_EQ(win32::TWin32Locale(EnglishUS).LowerCaseLinguistic(u""), u"");
}

TEST(Win32Locale, StartUpLocaleIsTheMainThreadsOrEnglish)
{
    win32::TWin32Locale Locale;
    LCID Thread = GetThreadLocale();
    EXPECT_EQ(Locale.Locale(), Thread ? Thread : EnglishUS);
}

TEST(Win32Locale, CapitalIInTheDomainIsOutsideItUnderTurkish)
{
    const UString Address = u"RDS." + AsciiUpper(consts::CloudDomain);
    ASSERT_NE(Address.find(u'I'), UString::npos);

    win32::TWin32Locale English(EnglishUS);
    win32::TWin32Locale Turk(Turkish);
    platform::TPlatformScope Scope;

    Scope->Locale = &English;
    EXPECT_FALSE(TRules::NeedsGateway(Address)) << "inside the domain: direct form";
    Scope->Locale = &Turk;
    EXPECT_TRUE(TRules::NeedsGateway(Address)) << "dotless i: not the domain, gateway form";
}

}  // namespace
