#include <gtest/gtest.h>

#include "core/CloudSetupError.h"
#include "service/CloudSetupCharset.h"
#include "service/CloudSetupJson.h"

using namespace zelv;

namespace {

UString FailureOf(const std::function<void()>& AAction)
{
    try {
        AAction();
    } catch (const ECloudSetupError& E) {
        return E.Message();
    }
    return u"(no failure)";
}

struct TReadableCase {
    const char16_t* Text;
    bool Readable;
};

class JsonReadable : public testing::TestWithParam<TReadableCase> {};

TEST_P(JsonReadable, OneValueWithWhiteSpaceOnlyAroundContainers)
{
    EXPECT_EQ(json::Parse(GetParam().Text) != nullptr, GetParam().Readable) << DebugUtf8(GetParam().Text);
}

INSTANTIATE_TEST_SUITE_P(Texts, JsonReadable, testing::Values(
    TReadableCase{u"{}", true},
    TReadableCase{u" \t\r\n{\"a\":1}\r\n", true},
    TReadableCase{u"[1,2] ", true},
    TReadableCase{u"null", true},
    TReadableCase{u"\"text\"", true},
    TReadableCase{u" 42", true},
    TReadableCase{u"42 ", false},
    TReadableCase{u"\"text\"\n", false},
    TReadableCase{u"true\n", false},
    TReadableCase{u"", false},
    TReadableCase{u"  \r\n", false},
    TReadableCase{u"<html><body>Bad Gateway</body></html>", false},
    TReadableCase{u"{\"success\":true", false},
    TReadableCase{u"{\"success\":true}x", false},
    TReadableCase{u"{\"success\":true}{}", false},
    TReadableCase{u"{\"a\":1,}", false},
    TReadableCase{u"{'a':1}", false},
    TReadableCase{u"\uFEFF{}", false},
    TReadableCase{u"{\"a\":\"\x01\"}", false},
    TReadableCase{u"{\"big\":1e400,\"success\":true}", true},
    TReadableCase{u"[-0.0e-99999,1E+400]", true},
    TReadableCase{u"01", false},
    TReadableCase{u"[-01]", false},
    TReadableCase{u"-", false},
    TReadableCase{u"[1.]", false},
    TReadableCase{u"[.5]", false},
    TReadableCase{u"[1e]", false},
    TReadableCase{u"[1e+]", false},
    TReadableCase{u"[+1]", false},
    TReadableCase{u"[1 2]", false},
    TReadableCase{u"[tru]", false},
    TReadableCase{u"[nul]", false},
    TReadableCase{u"{\"a\" 1}", false},
    TReadableCase{u"{\"a\":}", false},
    TReadableCase{u"{1:1}", false},
    TReadableCase{u"[\"\\ud800\"]", false},
    TReadableCase{u"[\"\\udc00\"]", false},
    TReadableCase{u"[\"\\ud800\\u0041\"]", false},
    TReadableCase{u"[\"\\x41\"]", false},
    TReadableCase{u"[\"\\u00g1\"]", false},
    TReadableCase{u"[\"open]", false}));

TEST(Json, DeepNestingIsUnreadableNotACrash)
{
    UString Deep(100000, u'[');
    EXPECT_EQ(json::Parse(Deep + UString(100000, u']')), nullptr);
    EXPECT_NE(json::Parse(UString(200, u'[') + UString(200, u']')), nullptr);
}

TEST(Json, NumbersKeepTheirTextAsWritten)
{
    for (const char16_t* Number : {u"42", u"4.20", u"-0", u"0", u"1e2", u"1E+2", u"-12", u"-0.0", u"0.5e-3",
                                   u"18446744073709551616", u"-9223372036854775809", u"123456789012345678901234567890",
                                   u"1e400", u"-1E-400", u"1.5e+999999999999"}) {
        for (const UString& Layout : {u"{\"n\":" + UString(Number) + u"}", u"{ \"n\" : " + UString(Number) + u" }",
                                      u"{\"n\":" + UString(Number) + u",\"m\":1}"}) {
            auto Value = json::Parse(Layout);
            ASSERT_NE(Value, nullptr) << DebugUtf8(Layout);
            EXPECT_EQ(json::ReadText(*Value, u"n", u""), Number) << DebugUtf8(Layout);
        }
    }
    auto Array = json::Parse(u"[-0,0,-0]");
    ASSERT_NE(Array, nullptr);
    EXPECT_EQ(Array->Items.at(0).Text, u"-0");
    EXPECT_EQ(Array->Items.at(1).Text, u"0");
    EXPECT_EQ(Array->Items.at(2).Text, u"-0");
}

// Beyond any double's range: the text survives whole and converts by the same rules.
TEST(Json, NumbersOfAnySizeKeepTheirText)
{
    const UString Huge = u"9" + UString(399, u'0');
    auto Value = json::Parse(u"{\"n\":" + Huge + u",\"z\":-0." + UString(400, u'0') + u"e5000}");
    ASSERT_NE(Value, nullptr) << "a 400-digit integer";
    EXPECT_EQ(json::ReadText(*Value, u"n", u""), Huge);
    EXPECT_TRUE(json::ReadBoolean(*Value, u"n", false));
    EXPECT_EQ(FailureOf([&] { json::ReadInteger(*Value, u"n", 0); }), u"'" + Huge + u"' is not a valid integer value");
    EXPECT_FALSE(json::ReadBoolean(*Value, u"z", true)) << "zero by its digits, however small its exponent";
}

TEST(Json, RawTextOutsideStringsIsTakenAsIsAndHalfPairsBecomeReplacementCharacters)
{
    auto Value = json::Parse(UString(u"[\"a") + char16_t(0xD83D) + char16_t(0xDE00) + char16_t(0xD800) + u"b" + char16_t(0xDC00) + u"\"]");
    ASSERT_NE(Value, nullptr);
    EXPECT_EQ(Value->Items.at(0).Text, UString(u"a") + char16_t(0xD83D) + char16_t(0xDE00) + u"\uFFFDb\uFFFD");
}

TEST(Json, FirstMemberOfANameCountsAndNamesMatchExactly)
{
    auto Value = json::Parse(u"{\"Success\":true,\"success\":false,\"success\":true,\"e\\u0301\":\"x\",\"\\u00e9\":\"y\"}");
    ASSERT_NE(Value, nullptr);
    EXPECT_FALSE(json::ReadBoolean(*Value, u"success", true));
    EXPECT_EQ(json::ReadText(*Value, u"\u00e9", u""), u"y");
    EXPECT_EQ(json::ReadText(*Value, u"SUCCESS", u"default"), u"default");
}

TEST(Json, StringsAreDecodedFromTheirEscapes)
{
    auto Value = json::Parse(u"{\"s\":\"a\\\"b\\\\c\\/d\\n\\u00e9\\ud83d\\ude00\u4e2d\"}");
    ASSERT_NE(Value, nullptr);
    EXPECT_EQ(json::ReadText(*Value, u"s", u""), u"a\"b\\c/d\n\u00e9\U0001F600\u4e2d");
}

struct TConversionCase {
    const char16_t* Member;  // the JSON text of the value
    const char16_t* AsText;
    const char16_t* AsBoolean;  // "true", "false" or the failure text
    const char16_t* AsInteger;  // the number or the failure text
};

class JsonConversion : public testing::TestWithParam<TConversionCase> {};

TEST_P(JsonConversion, FollowsTheConversionTable)
{
    const TConversionCase& C = GetParam();
    auto Value = json::Parse(u"{\"v\":" + UString(C.Member) + u"}");
    ASSERT_NE(Value, nullptr);
    UString Text = FailureOf([&] { throw ECloudSetupError(json::ReadText(*Value, u"v", u"D")); });
    UString Boolean = FailureOf([&] { throw ECloudSetupError(json::ReadBoolean(*Value, u"v", false) ? u"true" : u"false"); });
    UString Integer = FailureOf([&] { throw ECloudSetupError(IntToUStr(json::ReadInteger(*Value, u"v", 600))); });
    EXPECT_EQ(Text, C.AsText) << DebugUtf8(C.Member);
    EXPECT_EQ(Boolean, C.AsBoolean) << DebugUtf8(C.Member);
    EXPECT_EQ(Integer, C.AsInteger) << DebugUtf8(C.Member);
}

INSTANTIATE_TEST_SUITE_P(Values, JsonConversion, testing::Values(
    TConversionCase{u"null", u"D", u"false", u"600"},
    TConversionCase{u"true", u"true", u"true", u"1"},
    TConversionCase{u"false", u"false", u"false", u"0"},
    TConversionCase{u"1", u"1", u"true", u"1"},
    TConversionCase{u"0", u"0", u"false", u"0"},
    TConversionCase{u"-0", u"-0", u"false", u"0"},
    TConversionCase{u"4.20", u"4.20", u"true", u"'4.20' is not a valid integer value"},
    TConversionCase{u"0.0", u"0.0", u"false", u"'0.0' is not a valid integer value"},
    TConversionCase{u"900.0", u"900.0", u"true", u"'900.0' is not a valid integer value"},
    TConversionCase{u"1e2", u"1e2", u"true", u"'1e2' is not a valid integer value"},
    TConversionCase{u"2147483647", u"2147483647", u"true", u"2147483647"},
    TConversionCase{u"-2147483648", u"-2147483648", u"true", u"-2147483648"},
    TConversionCase{u"2147483648", u"2147483648", u"true", u"'2147483648' is not a valid integer value"},
    TConversionCase{u"\"1e999\"", u"1e999", u"true", u"'1e999' is not a valid integer value"},
    TConversionCase{u"1e400", u"1e400", u"true", u"'1e400' is not a valid integer value"},
    TConversionCase{u"0e400", u"0e400", u"false", u"'0e400' is not a valid integer value"},
    TConversionCase{u"-1E-400", u"-1E-400", u"true", u"'-1E-400' is not a valid integer value"},
    TConversionCase{u"\"900\"", u"900", u"true", u"900"},
    TConversionCase{u"\"+900\"", u"+900", u"true", u"900"},
    TConversionCase{u"\"-900\"", u"-900", u"true", u"-900"},
    TConversionCase{u"\"600.5\"", u"600.5", u"true", u"'600.5' is not a valid integer value"},
    TConversionCase{u"\" 900\"", u" 900", u"' 900' is not a valid boolean value", u"' 900' is not a valid integer value"},
    TConversionCase{u"\"TRUE\"", u"TRUE", u"true", u"'TRUE' is not a valid integer value"},
    TConversionCase{u"\"False\"", u"False", u"false", u"'False' is not a valid integer value"},
    TConversionCase{u"\"yes\"", u"yes", u"'yes' is not a valid boolean value", u"'yes' is not a valid integer value"},
    TConversionCase{u"\"\"", u"", u"'' is not a valid boolean value", u"'' is not a valid integer value"},
    TConversionCase{u"\"0x10\"", u"0x10", u"'0x10' is not a valid boolean value", u"'0x10' is not a valid integer value"},
    TConversionCase{u"\"inf\"", u"inf", u"'inf' is not a valid boolean value", u"'inf' is not a valid integer value"},
    TConversionCase{u"\"--1\"", u"--1", u"'--1' is not a valid boolean value", u"'--1' is not a valid integer value"},
    TConversionCase{u"{}", u"Conversion from object to text is not supported",
                    u"Conversion from object to Boolean is not supported", u"Conversion from object to integer is not supported"},
    TConversionCase{u"[1]", u"Conversion from array to text is not supported",
                    u"Conversion from array to Boolean is not supported", u"Conversion from array to integer is not supported"}));

TEST(Json, ArraysOnlyFromArrays)
{
    auto Value = json::Parse(u"{\"a\":[1],\"o\":{},\"s\":\"[]\",\"n\":null,\"t\":true,\"d\":1}");
    ASSERT_NE(Value, nullptr);
    EXPECT_EQ(json::ReadArray(*Value, u"a")->Items.size(), 1u);
    EXPECT_EQ(json::ReadArray(*Value, u"n"), nullptr);
    EXPECT_EQ(json::ReadArray(*Value, u"absent"), nullptr);
    for (const char16_t* Name : {u"o", u"s", u"t", u"d"})
        EXPECT_EQ(FailureOf([&] { json::ReadArray(*Value, Name); }), u"Invalid class typecast") << DebugUtf8(Name);
}

TEST(Json, WriterIsCompactOrderedAndEscapesEveryControlCharacter)
{
    EXPECT_EQ(json::WriteObject({{u"email", u"a@b.test"}, {u"code", u"012345"}}), "{\"email\":\"a@b.test\",\"code\":\"012345\"}");
    EXPECT_EQ(json::WriteObject({}), "{}");
    EXPECT_EQ(json::WriteObject({{u"s", u"\"\\/\b\t\n\f\r"}}), "{\"s\":\"\\\"\\\\\\/\\b\\t\\n\\f\\r\"}");
    EXPECT_EQ(json::WriteObject({{u"s", UString(u"\x00\x01\x1f\x7f", 4)}}), "{\"s\":\"\\u0000\\u0001\\u001F\x7f\"}");
    EXPECT_EQ(json::WriteObject({{u"s", u"\u00e9\u4e2d\U0001F600"}}), "{\"s\":\"\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80\"}");
    // What we write, we read back unchanged.
    UString Every;
    for (char16_t C = 0; C < 0x80; ++C)
        Every += C;
    auto Back = json::Parse(AsciiToU(json::WriteObject({{u"s", Every}})));
    ASSERT_NE(Back, nullptr);
    EXPECT_EQ(json::ReadText(*Back, u"s", u""), Every);
}

TEST(Charset, BodyIsDecodedByTheCharsetOfTheContentType)
{
    EXPECT_EQ(CharsetOfContentType(u"application/json; charset=\"ISO-8859-1\""), u"ISO-8859-1");
    EXPECT_EQ(CharsetOfContentType(u"application/json;foo=bar;CharSet=utf-8 "), u"utf-8");
    EXPECT_EQ(CharsetOfContentType(u"application/json"), u"");
    EXPECT_EQ(CodePageOfCharset(u"Windows-1252"), 1252u);
    EXPECT_EQ(CodePageOfCharset(u"no-such-charset"), std::nullopt);

    const std::string Latin = "{\"m\":\"caf\xE9\"}";
    const std::string Utf8 = "{\"m\":\"caf\xC3\xA9\"}";
    EXPECT_EQ(DecodeBody(Utf8, u""), u"{\"m\":\"caf\u00e9\"}");
    EXPECT_EQ(DecodeBody(Utf8, u"application/json; charset=UTF-8"), u"{\"m\":\"caf\u00e9\"}");
    EXPECT_EQ(DecodeBody(Latin, u"application/json; charset=windows-1252"), u"{\"m\":\"caf\u00e9\"}");
    EXPECT_EQ(DecodeBody(Latin, u"application/json; charset=iso-8859-1"), u"{\"m\":\"caf\u00e9\"}");
    EXPECT_EQ(DecodeBody(Latin, u"application/json"), u"{\"m\":\"caf\uFFFD\"}");
    EXPECT_EQ(DecodeBody(Utf8, u"application/json; charset=x-unheard-of"), u"{\"m\":\"caf\u00e9\"}");
    EXPECT_EQ(DecodeBody(std::string("{\0}\0", 4), u"application/json; charset=utf-16le"), u"{}");
    EXPECT_EQ(DecodeBody(std::string("\0{\0}", 4), u"application/json; charset=UTF-16BE"), u"{}");
}

}  // namespace
