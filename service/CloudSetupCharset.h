#pragma once

#include <optional>
#include <string_view>

#include "core/CloudSetupText.h"

namespace zelv {

// The charset parameter of a Content-Type header value, without quotes; empty when none.
UString CharsetOfContentType(UStringView AContentType);

// The Windows code page of a charset name (any letter case), or none for a name we don't know.
std::optional<unsigned> CodePageOfCharset(UStringView ACharset);

// An answer's body as text: by the charset of its Content-Type, UTF-8 when none is named or the
// name is unknown or its code page isn't available. UTF-16 is decoded here; every other charset
// through the platform's code pages.
UString DecodeBody(std::string_view ABody, UStringView AContentType);

}  // namespace zelv
