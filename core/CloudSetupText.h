#pragma once

#include <string>
#include <string_view>

namespace zelv {

// All text in the core is UTF-16, as on Windows, so lengths and indexes count code units exactly
// as the system does. The Win32 layer converts at its boundary only.
using UString = std::u16string;
using UStringView = std::u16string_view;

// Removes leading and trailing code units at or below U+0020 (blanks and every C0 control).
UString Trim(UStringView AText);
bool IsBlank(UStringView AText);

// Casing by ASCII only: a-z <-> A-Z, every other code unit unchanged, whatever the locale.
UString AsciiUpper(UStringView AText);
UString AsciiLower(UStringView AText);

// Decimal text of an integer, for messages and file values.
UString IntToUStr(long long AValue);

// Test and diagnostic helpers: UTF-8 for ASCII-only text without a platform. Non-ASCII code units
// are written as \uXXXX so nothing is lost in a log.
std::string DebugUtf8(UStringView AText);
UString AsciiToU(std::string_view AText);

}  // namespace zelv
