#pragma once

#include <functional>

#include "core/CloudSetupError.h"
#include "platform/Platform.h"

namespace zelv::test {

// Lower-cases ASCII like the system does under an English locale; a Turkish locale is imitated by
// mapping the capital I to the dotless small i.
class TFakeLocale : public platform::ILocale {
public:
    bool Turkish = false;
    unsigned long FailWith = 0;
    bool Failed = false;
    UString LowerCaseLinguistic(UStringView AText) override
    {
        if (Failed)
            RaiseOSError(FailWith, u"The parameter is incorrect.\r\n");
        UString Result;
        for (char16_t C : AText) {
            if (Turkish && C == u'I')
                Result += u'\u0131';
            else if (C >= u'A' && C <= u'Z')
                Result += static_cast<char16_t>(C + 32);
            else
                Result += C;
        }
        return Result;
    }
};

}  // namespace zelv::test
