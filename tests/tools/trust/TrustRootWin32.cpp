// Trusts a test's own certificate authority inside its Wine prefix alone: adds
// the DER certificate to the local machine's "Root" store, or removes it again.
//   zarvilo-trust-root add|remove CERT.der
// Exit status: 0 done, 1 failed, 2 usage.
#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <cstring>
#include <vector>

static bool ReadWholeFile(const char* path, std::vector<BYTE>& bytes) {
    FILE* file = fopen(path, "rb");
    if (file == nullptr) return false;
    BYTE chunk[4096];
    size_t read;
    while ((read = fread(chunk, 1, sizeof chunk, file)) > 0)
        bytes.insert(bytes.end(), chunk, chunk + read);
    fclose(file);
    return !bytes.empty();
}

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
    if (argc != 3 || (strcmp(argv[1], "add") != 0 && strcmp(argv[1], "remove") != 0)) {
        fputs("usage: zarvilo-trust-root add|remove CERT.der\n", stderr);
        return 2;
    }
    std::vector<BYTE> der;
    if (!ReadWholeFile(argv[2], der)) {
        fprintf(stderr, "cannot read %s\n", argv[2]);
        return 1;
    }
    HCERTSTORE store =
        CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, L"Root");
    if (store == nullptr) {
        fprintf(stderr, "cannot open the Root store (error %lu)\n", GetLastError());
        return 1;
    }
    bool done = strcmp(argv[1], "add") == 0
                    ? CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, der.data(),
                                                       static_cast<DWORD>(der.size()),
                                                       CERT_STORE_ADD_REPLACE_EXISTING, nullptr)
                    : Remove(store, der);
    if (!done) fprintf(stderr, "%s failed (error %lu)\n", argv[1], GetLastError());
    CertCloseStore(store, 0);
    return done ? 0 : 1;
}
