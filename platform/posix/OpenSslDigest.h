#pragma once

#include "platform/IDigest.h"

namespace zelv::posix {

// SHA-256 from OpenSSL's libcrypto for the native build, where the system's CNG is not at hand.
class TOpenSslDigest : public platform::IDigest {
public:
    std::unique_ptr<platform::ISha256Hash> NewSha256() override;
};

}  // namespace zelv::posix
