#pragma once

#include "core/CloudSetupText.h"

namespace zelv::platform {

class ILocale {
public:
    virtual ~ILocale() = default;
    // The system's linguistic lower-casing under the locale recorded at program start (letters
    // such as the capital I follow that locale). Raises ECloudSetupError when the system fails.
    virtual UString LowerCaseLinguistic(UStringView AText) = 0;
};

}  // namespace zelv::platform
