#include <gtest/gtest.h>

#include "common/Fakes.h"
#include "profiles/CloudSetupRDPWriter.h"
#include "service/CloudSetupConst.h"

using namespace zelv;

namespace {

struct TRules : TRDPWriter {
    using TRDPWriter::CompanyCodeToDigits;
    using TRDPWriter::EffectiveServerAddress;
    using TRDPWriter::GetGatewayHost;
    using TRDPWriter::GetRDPUserName;
    using TRDPWriter::GetWorkingDirectory;
    using TRDPWriter::NeedsGateway;
    using TRDPWriter::NormalizedCode;
};

const UString Domain = consts::CloudDomain;
const UString InsideDomain = u"rds7." + Domain;

struct TProfileCase {
    const char* Name;
    UString Code;
    UString Address;
    UString EffectiveAddress;
    bool Gateway;
    UString GatewayHost;  // only for the gateway form
    UString UserName;
    UString WorkingDirectory;
};

class ProfileRules : public testing::TestWithParam<TProfileCase> {
protected:
    test::TFakeLocale FLocale;
    platform::TPlatformScope FScope;
    void SetUp() override { FScope->Locale = &FLocale; }
};

TEST_P(ProfileRules, DeriveEveryValueOfTheProfile)
{
    const TProfileCase& C = GetParam();
    UString Effective = TRules::EffectiveServerAddress(C.Code, C.Address);
    EXPECT_EQ(Effective, C.EffectiveAddress);
    EXPECT_EQ(TRules::NeedsGateway(Effective), C.Gateway);
    if (C.Gateway)
        EXPECT_EQ(TRules::GetGatewayHost(C.Code), C.GatewayHost);
    EXPECT_EQ(TRules::GetRDPUserName(C.Code, Effective), C.UserName);
    EXPECT_EQ(TRules::GetWorkingDirectory(C.Code), C.WorkingDirectory);
}

const UString Alt = consts::AlternateGatewayHost;
const UString Def = consts::DefaultGatewayHost;
const UString InHouse = consts::InHouseServerHost;

INSTANTIATE_TEST_SUITE_P(
    Table, ProfileRules,
    testing::Values(
        TProfileCase{"InHouseWithBlanksAnyAddress", u" hqv ", InsideDomain, InHouse, true, Alt,
                     u"zelvinc\\zelvoverwebhqv", u"M:\\Data\\Zelv\\HQV\\Present\\"},
        TProfileCase{"AlternateGatewayOnIp", u"vod", u"10.0.0.5", u"10.0.0.5", true, Alt, u"zelvcloud\\zelv",
                     u"M:\\Data\\Zelv\\VOD\\Present\\"},
        TProfileCase{"AlternateCodeInsideDomainIsDirect", u"VOD", InsideDomain, InsideDomain, false, u"",
                     u"VOD\\zelv-867968", u"M:\\Data\\Zelv\\VOD\\Present\\"},
        TProfileCase{"DefaultGatewayOnIp", u"ab1", u"10.0.0.5", u"10.0.0.5", true, Def, u"zelvcloud\\zelv",
                     u"M:\\Data\\Zelv\\AB1\\Present\\"},
        TProfileCase{"DomainInCapitalsIsDirect", u"dez", u"RDS." + AsciiUpper(Domain), u"RDS." + AsciiUpper(Domain),
                     false, u"", u"DEZ\\zelv-686990", u"M:\\Data\\Zelv\\DEZ\\Present\\"},
        TProfileCase{"DomainInTheMiddleIsDirect", u"ab1", u"x." + Domain + u".other.net",
                     u"x." + Domain + u".other.net", false, u"", u"AB1\\zelv-656649", u"M:\\Data\\Zelv\\AB1\\Present\\"},
        TProfileCase{"EmptyAddressIsDirect", u"ab1", u"", u"", false, u"", u"AB1\\zelv-656649",
                     u"M:\\Data\\Zelv\\AB1\\Present\\"},
        TProfileCase{"BlankAddressIsDirectAndKept", u"ab1", u"  \t", u"  \t", false, u"", u"AB1\\zelv-656649",
                     u"M:\\Data\\Zelv\\AB1\\Present\\"},
        TProfileCase{"BlanksAroundOutsideNameStay", u"ab1", u" rds.other.net ", u" rds.other.net ", true, Def,
                     u"zelvcloud\\zelv", u"M:\\Data\\Zelv\\AB1\\Present\\"},
        TProfileCase{"BlankInsideCodeIsKept", u"a b", InsideDomain, InsideDomain, false, u"", u"A B\\zelv-653266",
                     u"M:\\Data\\Zelv\\A B\\Present\\"},
        TProfileCase{"AccentedLetterNotUpperCased", u"\u00E91", InsideDomain, InsideDomain, false, u"",
                     u"\u00E91\\zelv-23349", u"M:\\Data\\Zelv\\\u00E91\\Present\\"},
        TProfileCase{"EmptyCodeGateway", u"", u"10.0.0.5", u"10.0.0.5", true, Def, u"zelvcloud\\zelv",
                     u"M:\\Data\\Zelv\\\\Present\\"},
        TProfileCase{"EmptyCodeDirect", u"", InsideDomain, InsideDomain, false, u"", u"\\zelv-",
                     u"M:\\Data\\Zelv\\\\Present\\"},
        TProfileCase{"CodeOutsideTheBmp", u"\U0001F600", InsideDomain, InsideDomain, false, u"",
                     u"\U0001F600\\zelv-5535756832", u"M:\\Data\\Zelv\\\U0001F600\\Present\\"}),
    [](const testing::TestParamInfo<TProfileCase>& AInfo) { return std::string(AInfo.param.Name); });

TEST(ProfileRulesDigits, EachCodeUnitInDecimalJoined)
{
    EXPECT_EQ(TRules::CompanyCodeToDigits(u"AB1"), u"656649");
    EXPECT_EQ(TRules::CompanyCodeToDigits(u""), u"");
    EXPECT_EQ(TRules::CompanyCodeToDigits(u"\u00E9"), u"233");
}

TEST(ProfileRulesLocale, TurkishCapitalIDoesNotMatchTheDomain)
{
    test::TFakeLocale Locale;
    platform::TPlatformScope Scope;
    Scope->Locale = &Locale;
    const UString Address = u"rds." + AsciiUpper(Domain);  // only matches if every I lower-cases to i
    ASSERT_NE(Domain.find(u'i'), UString::npos) << "the domain needs an i for this test";
    EXPECT_FALSE(TRules::NeedsGateway(Address));
    Locale.Turkish = true;
    EXPECT_TRUE(TRules::NeedsGateway(Address));
}

TEST(ProfileRulesLocale, SystemFailureIsRaisedWithItsCode)
{
    test::TFakeLocale Locale;
    Locale.Failed = true;
    Locale.FailWith = 87;
    platform::TPlatformScope Scope;
    Scope->Locale = &Locale;
    try {
        TRules::NeedsGateway(u"rds.other.net");
        FAIL() << "no failure raised";
    } catch (const ECloudSetupError& E) {
        EXPECT_EQ(E.Message(), u"System Error.  Code: 87.\r\nThe parameter is incorrect");
    }
    // The blank test comes first: no system call for an empty address.
    EXPECT_FALSE(TRules::NeedsGateway(u" "));
}

}  // namespace
