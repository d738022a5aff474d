#pragma once

#include "platform/ICodePage.h"

namespace zelv::posix {

// The native build's stand-in for the Windows code-page conversion, on iconv. The ANSI code page
// is whatever the test sets (Windows-1252 by default).
class TIconvCodePage : public platform::ICodePage {
public:
    explicit TIconvCodePage(unsigned AAnsiCodePage = 1252) : FAnsiCodePage(AAnsiCodePage) {}
    unsigned AnsiCodePage() override { return FAnsiCodePage; }
    std::string FromUnicode(unsigned ACodePage, UStringView AText) override;
    bool RepresentsExactly(unsigned ACodePage, UStringView AText) override;
    UString ToUnicode(unsigned ACodePage, std::string_view ABytes) override;

private:
    unsigned FAnsiCodePage;
};

}  // namespace zelv::posix
