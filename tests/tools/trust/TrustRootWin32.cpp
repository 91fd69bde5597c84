// Trusts a test's own certificate authority inside its Wine prefix alone: adds the DER
// certificate to the local machine's "Root" store, or removes it again.
//   zarvilo-trust-root add|remove CERT.der
// Exit status: 0 done, 1 failed, 2 usage.
#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

static bool Remove(HCERTSTORE store, const std::vector<BYTE>& der) {
    PCCERT_CONTEXT wanted =
        CertCreateCertificateContext(X509_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size()));
    if (wanted == nullptr) return false;
    PCCERT_CONTEXT found = CertFindCertificateInStore(store, X509_ASN_ENCODING, 0,
                                                      CERT_FIND_EXISTING, wanted, nullptr);
    CertFreeCertificateContext(wanted);
    return found != nullptr && CertDeleteCertificateFromStore(found);
}

int main(int argc, char** argv) {
    const bool add = argc == 3 && strcmp(argv[1], "add") == 0;
    if (argc != 3 || (!add && strcmp(argv[1], "remove") != 0)) {
        fputs("usage: zarvilo-trust-root add|remove CERT.der\n", stderr);
        return 2;
    }
    std::ifstream file(argv[2], std::ios::binary);
    const std::vector<BYTE> der{std::istreambuf_iterator<char>(file), {}};
    HCERTSTORE store = der.empty() ? nullptr
                                   : CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0,
                                                   CERT_SYSTEM_STORE_LOCAL_MACHINE, L"Root");
    const bool done =
        store && (add ? CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, der.data(),
                                                         static_cast<DWORD>(der.size()),
                                                         CERT_STORE_ADD_REPLACE_EXISTING, nullptr)
                      : Remove(store, der));
    if (!done) fprintf(stderr, "%s %s failed (error %lu)\n", argv[1], argv[2], GetLastError());
    if (store) CertCloseStore(store, 0);
    return done ? 0 : 1;
}
