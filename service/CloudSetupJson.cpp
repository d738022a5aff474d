#include "service/CloudSetupJson.h"

#include <charconv>
#include <iterator>

#include <nlohmann/json.hpp>

#include "core/CloudSetupError.h"
#include "platform/Platform.h"

namespace zelv::json {

namespace {

// Deeper nesting than any answer of the service needs is refused as unreadable, so a hostile
// answer can't exhaust the stack when the tree is freed.
constexpr size_t MaxDepth = 256;

UString FromUtf8(const std::string& AText)
{
    return platform::CodePage().ToUnicode(platform::CodePageUtf8, AText);
}

// Walks the input for the parser and remembers how far it has read: integers reach the handler
// as values only, and "-0" must keep its sign.
class TTrackingIterator {
public:
    using iterator_category = std::input_iterator_tag;
    using value_type = char;
    using difference_type = std::ptrdiff_t;
    using pointer = const char*;
    using reference = const char&;

    TTrackingIterator() = default;
    TTrackingIterator(const char* APosition, const char** AFurthest) : FPosition(APosition), FFurthest(AFurthest) {}
    reference operator*() const { return *FPosition; }
    TTrackingIterator& operator++()
    {
        ++FPosition;
        if (FFurthest && FPosition > *FFurthest)
            *FFurthest = FPosition;
        return *this;
    }
    TTrackingIterator operator++(int)
    {
        TTrackingIterator Before = *this;
        ++*this;
        return Before;
    }
    bool operator==(const TTrackingIterator& AOther) const { return FPosition == AOther.FPosition; }
    bool operator!=(const TTrackingIterator& AOther) const { return FPosition != AOther.FPosition; }

private:
    const char* FPosition = nullptr;
    const char** FFurthest = nullptr;
};

class TTreeBuilder : public nlohmann::json_sax<nlohmann::json> {
public:
    TTreeBuilder(const char* ABegin, const char** AFurthest) : FBegin(ABegin), FFurthest(AFurthest) {}

    std::unique_ptr<TValue> Root;

    bool null() override { return Add(TValue{}); }
    bool boolean(bool AValue) override
    {
        TValue V;
        V.Kind = TKind::Boolean;
        V.Boolean = AValue;
        return Add(std::move(V));
    }
    bool number_integer(number_integer_t AValue) override { return Number(std::to_string(AValue), AValue == 0); }
    bool number_unsigned(number_unsigned_t AValue) override { return Number(std::to_string(AValue), AValue == 0); }
    bool number_float(number_float_t, const string_t& AText) override { return Number(AText, false); }
    bool string(string_t& AValue) override
    {
        TValue V;
        V.Kind = TKind::String;
        V.Text = FromUtf8(AValue);
        return Add(std::move(V));
    }
    bool binary(binary_t&) override { return false; }
    bool start_object(std::size_t) override { return Open(TKind::Object); }
    bool key(string_t& AName) override
    {
        FPendingKey = FromUtf8(AName);
        return true;
    }
    bool end_object() override { return Close(); }
    bool start_array(std::size_t) override { return Open(TKind::Array); }
    bool end_array() override { return Close(); }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override { return false; }

private:
    bool Number(std::string AText, bool AZero)
    {
        // The parser has read the number and at most one character past it.
        if (AZero && IsNegativeZero())
            AText = "-0";
        TValue V;
        V.Kind = TKind::Number;
        V.Text = AsciiToU(AText);
        return Add(std::move(V));
    }

    bool IsNegativeZero() const
    {
        const char* End = *FFurthest;
        if (End > FBegin && !(End[-1] >= '0' && End[-1] <= '9'))
            --End;
        return End - FBegin >= 2 && End[-1] == '0' && End[-2] == '-';
    }

    // Places a finished value in its parent; returns a pointer to it where it now lives.
    TValue* Place(TValue&& AValue)
    {
        if (FStack.empty()) {
            Root = std::make_unique<TValue>(std::move(AValue));
            return Root.get();
        }
        TValue& Parent = *FStack.back();
        if (Parent.Kind == TKind::Array) {
            Parent.Items.push_back(std::move(AValue));
            return &Parent.Items.back();
        }
        Parent.Members.push_back(TMember{std::move(FPendingKey), std::move(AValue)});
        return &Parent.Members.back().Value;
    }

    bool Add(TValue&& AValue)
    {
        Place(std::move(AValue));
        return true;
    }

    bool Open(TKind AKind)
    {
        if (FStack.size() >= MaxDepth)
            return false;
        TValue V;
        V.Kind = AKind;
        FStack.push_back(Place(std::move(V)));
        return true;
    }

    bool Close()
    {
        FStack.pop_back();
        return true;
    }

    const char* FBegin;
    const char** FFurthest;
    // Open containers, innermost last. Each stays where it is while open: its parent grows only
    // after it has closed.
    std::vector<TValue*> FStack;
    UString FPendingKey;
};

bool IsJsonWhiteSpace(char16_t C) { return C == u' ' || C == u'\t' || C == u'\n' || C == u'\r'; }

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

    const std::string Utf8 = platform::CodePage().FromUnicode(platform::CodePageUtf8, AText.substr(First, Last - First));
    const char* Begin = Utf8.data();
    const char* Furthest = Begin;
    TTreeBuilder Builder(Begin, &Furthest);
    bool Ok = nlohmann::json::sax_parse(TTrackingIterator(Begin, &Furthest), TTrackingIterator(Begin + Utf8.size(), nullptr),
                                        &Builder, nlohmann::json::input_format_t::json, true, false);
    if (!Ok)
        return nullptr;
    return std::move(Builder.Root);
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
