#pragma once

#include <array>
#include <memory>
#include <string_view>

namespace zelv::platform {

using TSha256 = std::array<unsigned char, 32>;

// One SHA-256 computation fed piece by piece.
class ISha256Hash {
public:
    virtual ~ISha256Hash() = default;
    virtual void Add(std::string_view ABytes) = 0;
    // The digest of everything added; the hash takes nothing more after it.
    virtual TSha256 Finish() = 0;
};

class IDigest {
public:
    virtual ~IDigest() = default;
    // FIPS 180-4 SHA-256. Raises ECloudSetupError when the system's provider fails.
    virtual std::unique_ptr<ISha256Hash> NewSha256() = 0;

    TSha256 Sha256(std::string_view ABytes)
    {
        std::unique_ptr<ISha256Hash> Hash = NewSha256();
        Hash->Add(ABytes);
        return Hash->Finish();
    }
};

}  // namespace zelv::platform
