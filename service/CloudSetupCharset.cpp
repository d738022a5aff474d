#include "service/CloudSetupCharset.h"

#include "core/CloudSetupError.h"
#include "platform/Platform.h"

namespace zelv {

namespace {

constexpr unsigned CodePageUtf16LE = 1200;
constexpr unsigned CodePageUtf16BE = 1201;

struct TCharsetName {
    const char16_t* Name;
    unsigned CodePage;
};

// The names servers commonly send, with their IANA aliases.
constexpr TCharsetName Charsets[] = {
    {u"utf-8", 65001}, {u"utf8", 65001},
    {u"utf-16", CodePageUtf16LE}, {u"utf-16le", CodePageUtf16LE}, {u"utf-16be", CodePageUtf16BE},
    {u"us-ascii", 20127}, {u"ascii", 20127},
    {u"iso-8859-1", 28591}, {u"iso_8859-1", 28591}, {u"latin1", 28591}, {u"l1", 28591},
    {u"iso-8859-2", 28592}, {u"latin2", 28592}, {u"iso-8859-3", 28593}, {u"iso-8859-4", 28594},
    {u"iso-8859-5", 28595}, {u"iso-8859-6", 28596}, {u"iso-8859-7", 28597}, {u"iso-8859-8", 28598},
    {u"iso-8859-9", 28599}, {u"latin5", 28599}, {u"iso-8859-13", 28603}, {u"iso-8859-15", 28605},
    {u"latin-9", 28605},
    {u"windows-1250", 1250}, {u"windows-1251", 1251}, {u"windows-1252", 1252}, {u"windows-1253", 1253},
    {u"windows-1254", 1254}, {u"windows-1255", 1255}, {u"windows-1256", 1256}, {u"windows-1257", 1257},
    {u"windows-1258", 1258}, {u"windows-874", 874}, {u"cp1252", 1252}, {u"cp1251", 1251}, {u"cp1250", 1250},
    {u"ibm437", 437}, {u"cp437", 437}, {u"ibm850", 850}, {u"cp850", 850}, {u"ibm866", 866}, {u"cp866", 866},
    {u"koi8-r", 20866}, {u"koi8-u", 21866},
    {u"shift_jis", 932}, {u"shift-jis", 932}, {u"sjis", 932}, {u"windows-31j", 932}, {u"euc-jp", 20932},
    {u"iso-2022-jp", 50220},
    {u"gb2312", 936}, {u"gbk", 936}, {u"gb18030", 54936}, {u"big5", 950},
    {u"euc-kr", 949}, {u"ks_c_5601-1987", 949},
    {u"macintosh", 10000},
};

UString DecodeUtf16(std::string_view ABody, bool ABigEndian)
{
    UString Text;
    Text.reserve(ABody.size() / 2);
    for (size_t I = 0; I + 1 < ABody.size(); I += 2) {
        unsigned First = static_cast<unsigned char>(ABody[I]);
        unsigned Second = static_cast<unsigned char>(ABody[I + 1]);
        Text += static_cast<char16_t>(ABigEndian ? (First << 8 | Second) : (Second << 8 | First));
    }
    if (ABody.size() % 2)
        Text += u'\uFFFD';
    return Text;
}

}  // namespace

UString CharsetOfContentType(UStringView AContentType)
{
    size_t Position = AContentType.find(u';');
    while (Position != UStringView::npos) {
        size_t Next = AContentType.find(u';', Position + 1);
        UStringView Parameter = AContentType.substr(Position + 1, Next == UStringView::npos ? UStringView::npos : Next - Position - 1);
        size_t Equals = Parameter.find(u'=');
        if (Equals != UStringView::npos && AsciiLower(Trim(Parameter.substr(0, Equals))) == u"charset") {
            UString Value = Trim(Parameter.substr(Equals + 1));
            if (Value.size() >= 2 && Value.front() == u'"' && Value.back() == u'"')
                Value = Value.substr(1, Value.size() - 2);
            return Value;
        }
        Position = Next;
    }
    return UString();
}

std::optional<unsigned> CodePageOfCharset(UStringView ACharset)
{
    const UString Wanted = AsciiLower(Trim(ACharset));
    for (const TCharsetName& Entry : Charsets)
        if (Wanted == Entry.Name)
            return Entry.CodePage;
    return std::nullopt;
}

UString DecodeBody(std::string_view ABody, UStringView AContentType)
{
    unsigned CodePage = CodePageOfCharset(CharsetOfContentType(AContentType)).value_or(platform::CodePageUtf8);
    if (CodePage == CodePageUtf16LE || CodePage == CodePageUtf16BE)
        return DecodeUtf16(ABody, CodePage == CodePageUtf16BE);
    if (CodePage != platform::CodePageUtf8) {
        try {
            return platform::CodePage().ToUnicode(CodePage, ABody);
        } catch (const ECloudSetupError&) {
            // A code page this system can't convert: read the body as UTF-8, like an unknown name.
        }
    }
    return platform::CodePage().ToUnicode(platform::CodePageUtf8, ABody);
}

}  // namespace zelv
