#pragma once

#include "platform/IEnvironment.h"

namespace zelv::win32 {

class TWin32Environment : public platform::IEnvironment {
public:
    std::optional<UString> Variable(UStringView AName) override;
};

}  // namespace zelv::win32
