#pragma once

#include <string>
#include <string_view>

#include "core/CloudSetupText.h"

namespace zelv::platform {

constexpr unsigned CodePageUtf8 = 65001;

class ICodePage {
public:
    virtual ~ICodePage() = default;
    // The workstation's ANSI code page.
    virtual unsigned AnsiCodePage() = 0;
    // Plain conversion with the system's defaults (best-fit letters, '?' for the rest).
    virtual std::string FromUnicode(unsigned ACodePage, UStringView AText) = 0;
    // True when the text converts to the code page and back without any change.
    virtual bool RepresentsExactly(unsigned ACodePage, UStringView AText) = 0;
    // Bytes in the code page to UTF-16; invalid sequences become U+FFFD.
    virtual UString ToUnicode(unsigned ACodePage, std::string_view ABytes) = 0;
};

}  // namespace zelv::platform
