#pragma once

#include "platform/IDigest.h"

namespace zelv::win32 {

// SHA-256 through CNG (BCrypt).
class TWin32Digest : public platform::IDigest {
public:
    std::unique_ptr<platform::ISha256Hash> NewSha256() override;
};

}  // namespace zelv::win32
