// Adds a PEM certificate to the machine's Root store. The test bench runs it inside its own Wine
// prefix to trust the stand-in services' test CA there, and nowhere else.
#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/win32/UniqueHandle.h"

namespace {

inline void CloseStore(HCERTSTORE AStore) { ::CertCloseStore(AStore, 0); }
using UniqueStore = zelv::win32::UniqueHandle<HCERTSTORE, CloseStore>;

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc != 2) {
        std::fputs("usage: zelv_trust_test_ca CERTIFICATE.pem\n", stderr);
        return 2;
    }
    std::ifstream File(argv[1], std::ios::binary);
    std::string Pem((std::istreambuf_iterator<char>(File)), std::istreambuf_iterator<char>());
    DWORD Size = 0;
    if (Pem.empty() || !CryptStringToBinaryA(Pem.c_str(), static_cast<DWORD>(Pem.size()), CRYPT_STRING_BASE64HEADER,
                                             nullptr, &Size, nullptr, nullptr)) {
        std::fputs("zelv_trust_test_ca: not a PEM certificate\n", stderr);
        return 1;
    }
    std::vector<BYTE> Der(Size);
    CryptStringToBinaryA(Pem.c_str(), static_cast<DWORD>(Pem.size()), CRYPT_STRING_BASE64HEADER, Der.data(), &Size,
                         nullptr, nullptr);
    // The machine's store: the user's Root store asks for confirmation on Windows.
    UniqueStore Store(CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, L"Root"));
    if (!Store) {
        std::fprintf(stderr, "zelv_trust_test_ca: cannot open the Root store (%lu)\n", GetLastError());
        return 1;
    }
    if (!CertAddEncodedCertificateToStore(Store.Get(), X509_ASN_ENCODING, Der.data(), Size,
                                          CERT_STORE_ADD_REPLACE_EXISTING, nullptr)) {
        std::fprintf(stderr, "zelv_trust_test_ca: cannot add the certificate (%lu)\n", GetLastError());
        return 1;
    }
    return 0;
}
