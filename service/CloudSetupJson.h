#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/CloudSetupText.h"

namespace zelv::json {

enum class TKind { Null, Boolean, Number, String, Array, Object };

// One parsed JSON value. Objects keep every member in the order of the text, duplicates included;
// numbers keep their text exactly as written.
struct TMember;

struct TValue {
    TKind Kind = TKind::Null;
    bool Boolean = false;
    UString Text;                                  // a string's value, or a number's text
    std::vector<TValue> Items;                     // an array's elements
    std::vector<TMember> Members;                  // an object's members

    // The first member of that exact name, or null when there is none.
    const TValue* Member(UStringView AName) const;
};

struct TMember {
    UString Name;
    TValue Value;
};

// The text as one JSON value: white space may come before it, and after it only when it is an
// object or an array. Null when the text is anything else.
std::unique_ptr<TValue> Parse(UStringView AText);

// The name of a value's kind, for failure texts.
UString KindName(TKind AKind);

// Reading a member with a default: absent or null gives the default; otherwise the value is
// converted, and a value that can't be converted raises ECloudSetupError with the user's text.
UString ReadText(const TValue& AObject, UStringView AName, UStringView ADefault);
bool ReadBoolean(const TValue& AObject, UStringView AName, bool ADefault);
int32_t ReadInteger(const TValue& AObject, UStringView AName, int32_t ADefault);
// The member's array, or null for the default (absent or null).
const TValue* ReadArray(const TValue& AObject, UStringView AName);

// "Invalid class typecast": a value of the wrong kind where an object or an array must be.
[[noreturn]] void RaiseInvalidTypecast();

// Text to Boolean and integer by the rules of the service's answers.
bool TextToBoolean(UStringView AText);
int32_t TextToInteger(UStringView AText);

// A request body: a JSON object of string members, compact, members in the given order, UTF-8
// without a byte-order mark.
using TStringMembers = std::vector<std::pair<UString, UString>>;
std::string WriteObject(const TStringMembers& AMembers);

}  // namespace zelv::json
