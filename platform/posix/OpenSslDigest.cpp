#include "platform/posix/OpenSslDigest.h"

#include <openssl/evp.h>

#include "core/CloudSetupError.h"

namespace zelv::posix {

namespace {

struct TContextFree {
    void operator()(EVP_MD_CTX* AContext) const { EVP_MD_CTX_free(AContext); }
};

[[noreturn]] void RaiseFailed() { throw ECloudSetupError(u"SHA-256 failed"); }

class TOpenSslSha256 : public platform::ISha256Hash {
public:
    TOpenSslSha256() : FContext(EVP_MD_CTX_new())
    {
        if (!FContext || !EVP_DigestInit_ex(FContext.get(), EVP_sha256(), nullptr))
            RaiseFailed();
    }
    void Add(std::string_view ABytes) override
    {
        if (!EVP_DigestUpdate(FContext.get(), ABytes.data(), ABytes.size()))
            RaiseFailed();
    }
    platform::TSha256 Finish() override
    {
        platform::TSha256 Digest{};
        unsigned int Length = 0;
        if (!EVP_DigestFinal_ex(FContext.get(), Digest.data(), &Length) || Length != Digest.size())
            RaiseFailed();
        return Digest;
    }

private:
    std::unique_ptr<EVP_MD_CTX, TContextFree> FContext;
};

}  // namespace

std::unique_ptr<platform::ISha256Hash> TOpenSslDigest::NewSha256()
{
    return std::make_unique<TOpenSslSha256>();
}

}  // namespace zelv::posix
