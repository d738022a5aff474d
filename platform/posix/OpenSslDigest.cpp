#include "platform/posix/OpenSslDigest.h"

#include <openssl/evp.h>

#include "core/CloudSetupError.h"

namespace zelv::posix {

platform::TSha256 TOpenSslDigest::Sha256(std::string_view ABytes)
{
    platform::TSha256 Digest{};
    unsigned int Length = 0;
    if (!EVP_Digest(ABytes.data(), ABytes.size(), Digest.data(), &Length, EVP_sha256(), nullptr) ||
        Length != Digest.size())
        throw ECloudSetupError(u"SHA-256 failed");
    return Digest;
}

}  // namespace zelv::posix
