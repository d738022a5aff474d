#include "service/CloudSetupJson.h"

#include <charconv>

#include "core/CloudSetupError.h"
#include "platform/Platform.h"

namespace zelv::json {

namespace {

// Deeper nesting than any answer of the service needs is refused as unreadable, so a hostile
// answer can't exhaust the stack while the tree is read or freed.
constexpr size_t MaxDepth = 256;

bool IsJsonWhiteSpace(char16_t C) { return C == u' ' || C == u'\t' || C == u'\n' || C == u'\r'; }
bool IsDigit(char16_t C) { return C >= u'0' && C <= u'9'; }
bool IsHighSurrogate(char16_t C) { return C >= 0xD800 && C <= 0xDBFF; }
bool IsLowSurrogate(char16_t C) { return C >= 0xDC00 && C <= 0xDFFF; }

// Reads one JSON value (RFC 8259) from UTF-16 text into the tree. Numbers are kept as the text
// the answer wrote, whatever their size: a member the client never reads can't make the whole
// answer unreadable, and a number it reads converts from that exact text.
class TReader {
public:
    explicit TReader(UStringView AText) : FText(AText) {}

    bool ReadDocument(TValue& AValue) { return ReadValue(AValue, 0) && FPosition == FText.size(); }

private:
    bool ReadValue(TValue& AValue, size_t ADepth)
    {
        SkipWhiteSpace();
        if (FPosition == FText.size())
            return false;
        switch (FText[FPosition]) {
        case u'{': return ReadObject(AValue, ADepth);
        case u'[': return ReadArray(AValue, ADepth);
        case u'"': AValue.Kind = TKind::String; return ReadString(AValue.Text);
        case u't': AValue.Kind = TKind::Boolean; AValue.Boolean = true; return ReadWord(u"true");
        case u'f': AValue.Kind = TKind::Boolean; return ReadWord(u"false");
        case u'n': AValue.Kind = TKind::Null; return ReadWord(u"null");
        default: AValue.Kind = TKind::Number; return ReadNumber(AValue.Text);
        }
    }

    bool ReadObject(TValue& AValue, size_t ADepth)
    {
        if (ADepth >= MaxDepth)
            return false;
        AValue.Kind = TKind::Object;
        ++FPosition;
        SkipWhiteSpace();
        if (Take(u'}'))
            return true;
        do {
            SkipWhiteSpace();
            TMember Member;
            if (!Next(u'"') || !ReadString(Member.Name))
                return false;
            SkipWhiteSpace();
            if (!Take(u':') || !ReadValue(Member.Value, ADepth + 1))
                return false;
            AValue.Members.push_back(std::move(Member));
            SkipWhiteSpace();
        } while (Take(u','));
        return Take(u'}');
    }

    bool ReadArray(TValue& AValue, size_t ADepth)
    {
        if (ADepth >= MaxDepth)
            return false;
        AValue.Kind = TKind::Array;
        ++FPosition;
        SkipWhiteSpace();
        if (Take(u']'))
            return true;
        do {
            AValue.Items.emplace_back();
            if (!ReadValue(AValue.Items.back(), ADepth + 1))
                return false;
            SkipWhiteSpace();
        } while (Take(u','));
        return Take(u']');
    }

    // At the opening quotation mark.
    bool ReadString(UString& AText)
    {
        ++FPosition;
        while (FPosition < FText.size()) {
            const char16_t C = FText[FPosition++];
            if (C == u'"')
                return true;
            if (C < 0x20)
                return false;
            if (C == u'\\') {
                if (!ReadEscape(AText))
                    return false;
            } else if (IsHighSurrogate(C) && FPosition < FText.size() && IsLowSurrogate(FText[FPosition])) {
                AText += C;
                AText += FText[FPosition++];
            } else {
                // Text that came from bytes never holds half a pair; this keeps it valid if it does.
                AText += IsHighSurrogate(C) || IsLowSurrogate(C) ? u'\uFFFD' : C;
            }
        }
        return false;
    }

    // After the backslash.
    bool ReadEscape(UString& AText)
    {
        if (FPosition == FText.size())
            return false;
        switch (FText[FPosition++]) {
        case u'"': AText += u'"'; return true;
        case u'\\': AText += u'\\'; return true;
        case u'/': AText += u'/'; return true;
        case u'b': AText += u'\b'; return true;
        case u'f': AText += u'\f'; return true;
        case u'n': AText += u'\n'; return true;
        case u'r': AText += u'\r'; return true;
        case u't': AText += u'\t'; return true;
        case u'u': break;
        default: return false;
        }
        char16_t Unit = 0;
        if (!ReadHex(Unit) || IsLowSurrogate(Unit))
            return false;
        AText += Unit;
        if (!IsHighSurrogate(Unit))
            return true;
        // An escaped surrogate must be one half of an escaped pair.
        char16_t Low = 0;
        if (!Take(u'\\') || !Take(u'u') || !ReadHex(Low) || !IsLowSurrogate(Low))
            return false;
        AText += Low;
        return true;
    }

    bool ReadHex(char16_t& AUnit)
    {
        if (FText.size() - FPosition < 4)
            return false;
        for (int I = 0; I < 4; ++I) {
            const char16_t C = FText[FPosition++];
            int Digit = IsDigit(C) ? C - u'0' : (C >= u'a' && C <= u'f') ? C - u'a' + 10 : (C >= u'A' && C <= u'F') ? C - u'A' + 10 : -1;
            if (Digit < 0)
                return false;
            AUnit = static_cast<char16_t>(AUnit * 16 + Digit);
        }
        return true;
    }

    // -?(0|[1-9][0-9]*)(\.[0-9]+)?([eE][+-]?[0-9]+)?, kept as written.
    bool ReadNumber(UString& AText)
    {
        const size_t Start = FPosition;
        Take(u'-');
        if (!Take(u'0') && !SkipDigits())
            return false;
        if (Take(u'.') && !SkipDigits())
            return false;
        if (Take(u'e') || Take(u'E')) {
            if (!Take(u'+'))
                Take(u'-');
            if (!SkipDigits())
                return false;
        }
        AText = UString(FText.substr(Start, FPosition - Start));
        return true;
    }

    bool SkipDigits()
    {
        const size_t Start = FPosition;
        while (FPosition < FText.size() && IsDigit(FText[FPosition]))
            ++FPosition;
        return FPosition > Start;
    }

    bool ReadWord(UStringView AWord)
    {
        if (FText.substr(FPosition, AWord.size()) != AWord)
            return false;
        FPosition += AWord.size();
        return true;
    }

    void SkipWhiteSpace()
    {
        while (FPosition < FText.size() && IsJsonWhiteSpace(FText[FPosition]))
            ++FPosition;
    }

    bool Next(char16_t C) const { return FPosition < FText.size() && FText[FPosition] == C; }

    bool Take(char16_t C)
    {
        if (!Next(C))
            return false;
        ++FPosition;
        return true;
    }

    UStringView FText;
    size_t FPosition = 0;
};


[[noreturn]] void RaiseConversion(TKind AFound, const char16_t* ARequested)
{
    throw ECloudSetupError(u"Conversion from " + KindName(AFound) + u" to " + ARequested + u" is not supported");
}

// The ASCII text of a value that can only hold ASCII to be valid, or nothing.
bool AsAscii(UStringView AText, std::string& AOut)
{
    AOut.clear();
    for (char16_t C : AText) {
        if (C > 0x7F)
            return false;
        AOut += static_cast<char>(C);
    }
    return true;
}

// A decimal number with an optional sign, fraction and exponent; nothing else (no blanks, no
// "inf" or "nan", no hexadecimal). AZero tells whether its value is zero, decided from its digits
// so that numbers beyond a double's range still count.
bool ReadsAsNumber(UStringView AText, bool& AZero)
{
    std::string Ascii;
    if (!AsAscii(AText, Ascii) || Ascii.empty())
        return false;
    for (char C : Ascii)
        if (!((C >= '0' && C <= '9') || C == '.' || C == 'e' || C == 'E' || C == '+' || C == '-'))
            return false;
    size_t Start = (Ascii[0] == '+' || Ascii[0] == '-') ? 1 : 0;
    if (Start == Ascii.size() || Ascii[Start] == '+' || Ascii[Start] == '-')
        return false;
    double Value = 0;
    auto [End, Error] = std::from_chars(Ascii.data() + Start, Ascii.data() + Ascii.size(), Value);
    if (End != Ascii.data() + Ascii.size() || (Error != std::errc() && Error != std::errc::result_out_of_range))
        return false;
    AZero = true;
    for (size_t I = Start; I < Ascii.size() && Ascii[I] != 'e' && Ascii[I] != 'E'; ++I)
        if (Ascii[I] >= '1' && Ascii[I] <= '9')
            AZero = false;
    return true;
}

const TValue* Present(const TValue& AObject, UStringView AName)
{
    const TValue* Found = AObject.Member(AName);
    return Found && Found->Kind != TKind::Null ? Found : nullptr;
}

void AppendUtf8Escaped(std::string& AOut, UStringView AText)
{
    static const char Hex[] = "0123456789ABCDEF";
    std::string Utf8 = platform::CodePage().FromUnicode(platform::CodePageUtf8, AText);
    for (char C : Utf8) {
        switch (C) {
        case '"': AOut += "\\\""; break;
        case '\\': AOut += "\\\\"; break;
        case '/': AOut += "\\/"; break;
        case '\b': AOut += "\\b"; break;
        case '\t': AOut += "\\t"; break;
        case '\n': AOut += "\\n"; break;
        case '\f': AOut += "\\f"; break;
        case '\r': AOut += "\\r"; break;
        default:
            // A raw control character is not allowed inside a JSON string: a strict server would
            // reject the whole body.
            if (static_cast<unsigned char>(C) < 0x20) {
                AOut += "\\u00";
                AOut += Hex[(C >> 4) & 0xF];
                AOut += Hex[C & 0xF];
            } else {
                AOut += C;
            }
        }
    }
}

}  // namespace

const TValue* TValue::Member(UStringView AName) const
{
    for (const auto& [Name, Value] : Members)
        if (Name == AName)
            return &Value;
    return nullptr;
}

std::unique_ptr<TValue> Parse(UStringView AText)
{
    size_t First = 0;
    while (First < AText.size() && IsJsonWhiteSpace(AText[First]))
        ++First;
    size_t Last = AText.size();
    while (Last > First && IsJsonWhiteSpace(AText[Last - 1]))
        --Last;
    // A byte-order mark is not white space.
    if (First == Last || AText[First] == u'\uFEFF')
        return nullptr;
    const bool Container = AText[First] == u'{' || AText[First] == u'[';
    // White space after a value counts only after an object or an array.
    if (!Container && Last != AText.size())
        return nullptr;

    auto Value = std::make_unique<TValue>();
    if (!TReader(AText.substr(First, Last - First)).ReadDocument(*Value))
        return nullptr;
    return Value;
}

UString KindName(TKind AKind)
{
    switch (AKind) {
    case TKind::Null: return u"null";
    case TKind::Boolean: return u"Boolean";
    case TKind::Number: return u"number";
    case TKind::String: return u"string";
    case TKind::Array: return u"array";
    case TKind::Object: return u"object";
    }
    return u"value";
}

void RaiseInvalidTypecast()
{
    throw ECloudSetupError(u"Invalid class typecast");
}

bool TextToBoolean(UStringView AText)
{
    bool Zero = false;
    if (ReadsAsNumber(AText, Zero))
        return !Zero;
    const UString Lower = AsciiLower(AText);
    if (Lower == u"true")
        return true;
    if (Lower == u"false")
        return false;
    throw ECloudSetupError(u"'" + UString(AText) + u"' is not a valid boolean value");
}

int32_t TextToInteger(UStringView AText)
{
    std::string Ascii;
    if (AsAscii(AText, Ascii) && !Ascii.empty()) {
        // from_chars takes a minus sign itself but no plus sign.
        size_t Start = Ascii[0] == '+' ? 1 : 0;
        int32_t Value = 0;
        const char* End = Ascii.data() + Ascii.size();
        if (Start == 0 || (Start < Ascii.size() && Ascii[Start] != '-' && Ascii[Start] != '+')) {
            auto [Stop, Error] = std::from_chars(Ascii.data() + Start, End, Value);
            if (Error == std::errc() && Stop == End)
                return Value;
        }
    }
    throw ECloudSetupError(u"'" + UString(AText) + u"' is not a valid integer value");
}

UString ReadText(const TValue& AObject, UStringView AName, UStringView ADefault)
{
    const TValue* V = Present(AObject, AName);
    if (!V)
        return UString(ADefault);
    switch (V->Kind) {
    case TKind::String:
    case TKind::Number: return V->Text;
    case TKind::Boolean: return V->Boolean ? u"true" : u"false";
    default: RaiseConversion(V->Kind, u"text");
    }
}

bool ReadBoolean(const TValue& AObject, UStringView AName, bool ADefault)
{
    const TValue* V = Present(AObject, AName);
    if (!V)
        return ADefault;
    switch (V->Kind) {
    case TKind::String:
    case TKind::Number: return TextToBoolean(V->Text);
    case TKind::Boolean: return V->Boolean;
    default: RaiseConversion(V->Kind, u"Boolean");
    }
}

int32_t ReadInteger(const TValue& AObject, UStringView AName, int32_t ADefault)
{
    const TValue* V = Present(AObject, AName);
    if (!V)
        return ADefault;
    switch (V->Kind) {
    case TKind::String:
    case TKind::Number: return TextToInteger(V->Text);
    case TKind::Boolean: return V->Boolean ? 1 : 0;
    default: RaiseConversion(V->Kind, u"integer");
    }
}

const TValue* ReadArray(const TValue& AObject, UStringView AName)
{
    const TValue* V = Present(AObject, AName);
    if (V && V->Kind != TKind::Array)
        RaiseInvalidTypecast();
    return V;
}

std::string WriteObject(const TStringMembers& AMembers)
{
    std::string Out = "{";
    for (size_t I = 0; I < AMembers.size(); ++I) {
        if (I)
            Out += ',';
        Out += '"';
        AppendUtf8Escaped(Out, AMembers[I].first);
        Out += "\":\"";
        AppendUtf8Escaped(Out, AMembers[I].second);
        Out += '"';
    }
    Out += '}';
    return Out;
}

}  // namespace zelv::json
