#include "platform/win32/Win32Digest.h"

#include <windows.h>
#include <bcrypt.h>

#include <algorithm>
#include <cwchar>

#include "core/CloudSetupError.h"
#include "platform/win32/UniqueHandle.h"
#include "platform/win32/Win32Text.h"

namespace zelv::win32 {

namespace {

void CloseAlgorithm(BCRYPT_ALG_HANDLE AHandle) { BCryptCloseAlgorithmProvider(AHandle, 0); }
void DestroyHash(BCRYPT_HASH_HANDLE AHandle) { BCryptDestroyHash(AHandle); }
using UniqueAlgorithm = UniqueHandle<BCRYPT_ALG_HANDLE, CloseAlgorithm>;
using UniqueHash = UniqueHandle<BCRYPT_HASH_HANDLE, DestroyHash>;

void Check(NTSTATUS AStatus)
{
    if (AStatus < 0) {
        wchar_t Code[16];
        swprintf(Code, 16, L"0x%08lX", static_cast<unsigned long>(AStatus));
        throw ECloudSetupError(u"SHA-256 failed: CNG status " + U(Code));
    }
}

class TCngSha256 : public platform::ISha256Hash {
public:
    TCngSha256()
    {
        BCRYPT_ALG_HANDLE RawAlgorithm = nullptr;
        Check(BCryptOpenAlgorithmProvider(&RawAlgorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0));
        FAlgorithm.Reset(RawAlgorithm);
        BCRYPT_HASH_HANDLE RawHash = nullptr;
        Check(BCryptCreateHash(FAlgorithm.Get(), &RawHash, nullptr, 0, nullptr, 0, 0));
        FHash.Reset(RawHash);
    }

    void Add(std::string_view ABytes) override
    {
        // BCryptHashData takes a 32-bit length: feed large inputs in pieces.
        constexpr size_t Piece = 1u << 30;
        for (size_t Offset = 0; Offset < ABytes.size(); Offset += Piece) {
            size_t Length = std::min(Piece, ABytes.size() - Offset);
            auto* Data = reinterpret_cast<PUCHAR>(const_cast<char*>(ABytes.data() + Offset));
            Check(BCryptHashData(FHash.Get(), Data, static_cast<ULONG>(Length), 0));
        }
    }

    platform::TSha256 Finish() override
    {
        platform::TSha256 Digest{};
        Check(BCryptFinishHash(FHash.Get(), Digest.data(), static_cast<ULONG>(Digest.size()), 0));
        return Digest;
    }

private:
    // Declared first: the hash object goes before the provider it was made from.
    UniqueAlgorithm FAlgorithm;
    UniqueHash FHash;
};

}  // namespace

std::unique_ptr<platform::ISha256Hash> TWin32Digest::NewSha256()
{
    return std::make_unique<TCngSha256>();
}

}  // namespace zelv::win32
