#pragma once

#include "platform/ICodePage.h"

namespace zelv::win32 {

class TWin32CodePage : public platform::ICodePage {
public:
    unsigned AnsiCodePage() override;
    std::string FromUnicode(unsigned ACodePage, UStringView AText) override;
    bool RepresentsExactly(unsigned ACodePage, UStringView AText) override;
    UString ToUnicode(unsigned ACodePage, std::string_view ABytes) override;
};

}  // namespace zelv::win32
