#pragma once

#include <optional>

#include "core/CloudSetupText.h"

namespace zelv::platform {

class IEnvironment {
public:
    virtual ~IEnvironment() = default;
    // The variable's value read whole, or none when the variable is not set.
    virtual std::optional<UString> Variable(UStringView AName) = 0;
};

}  // namespace zelv::platform
