// Adds the TLS tests' authority to the current user's Root store of the test prefix, or removes
// it: tls_trust add|remove CA.der. Exits 0 on success, 1 on failure, 2 on a bad command line.
// Under Wine the system store provider reports a delete as done but keeps the certificate; the
// registry provider underneath really deletes it.
#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

bool Add(const std::vector<BYTE>& der) {
    HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, L"Root");
    if (!store) return false;
    const bool added = CertAddEncodedCertificateToStore(
        store, X509_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size()), CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
    CertCloseStore(store, 0);
    return added;
}

bool Remove(const std::vector<BYTE>& der) {
    HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_SYSTEM_REGISTRY_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, L"Root");
    if (!store) return false;
    PCCERT_CONTEXT wanted = CertCreateCertificateContext(X509_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size()));
    bool removed = true;
    if (wanted) {
        PCCERT_CONTEXT found =
            CertFindCertificateInStore(store, X509_ASN_ENCODING, 0, CERT_FIND_EXISTING, wanted, nullptr);
        // CertDeleteCertificateFromStore frees the context it is given, whatever it returns.
        if (found) removed = CertDeleteCertificateFromStore(found);
        CertFreeCertificateContext(wanted);
    }
    CertCloseStore(store, 0);
    return removed;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: tls_trust add|remove CA.der\n");
        return 2;
    }
    std::ifstream file(argv[2], std::ios::binary);
    const std::vector<BYTE> der{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    if (der.empty()) {
        std::fprintf(stderr, "tls_trust: cannot read %s\n", argv[2]);
        return 1;
    }
    const std::string verb = argv[1];
    const bool done = verb == "add" ? Add(der) : verb == "remove" ? Remove(der) : false;
    if (!done) std::fprintf(stderr, "tls_trust: %s failed (%lu)\n", argv[1], GetLastError());
    return done ? 0 : 1;
}
