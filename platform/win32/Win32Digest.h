#pragma once

#include "platform/IDigest.h"

namespace zelv::win32 {

// SHA-256 through CNG (BCrypt).
class TWin32Digest : public platform::IDigest {
public:
    platform::TSha256 Sha256(std::string_view ABytes) override;
};

}  // namespace zelv::win32
