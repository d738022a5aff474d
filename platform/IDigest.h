#pragma once

#include <array>
#include <string_view>

namespace zelv::platform {

using TSha256 = std::array<unsigned char, 32>;

class IDigest {
public:
    virtual ~IDigest() = default;
    // FIPS 180-4 SHA-256 of the bytes. Raises ECloudSetupError when the system's provider fails.
    virtual TSha256 Sha256(std::string_view ABytes) = 0;
};

}  // namespace zelv::platform
