// The certificate check of the TLS layer: CertGetCertificateChain with revocation, the SSL chain
// policy, and our own match of the certificate's names.
// The chain's parameters with their extra fields: the time limit for fetching revocation lists.
#define CERT_CHAIN_PARA_HAS_EXTRA_FIELDS
#include "net/socket/CertificateCheck.h"

#include <cstdio>
#include <memory>

#include "encoding/TextEncoding.h"
#include "net/socket/CertificateName.h"
#include "net/socket/SocketErrors.h"

namespace net {
namespace {

// The chain status bits that say only that revocation could not be learned.
constexpr DWORD kRevocationUnknown = CERT_TRUST_REVOCATION_STATUS_UNKNOWN | CERT_TRUST_IS_OFFLINE_REVOCATION;
// The chain is built on the UI thread, which waits while revocation lists are fetched: a network
// that swallows the requests costs at most this, for all the lists of one chain together.
constexpr DWORD kRevocationFetchMs = 5000;

[[noreturn]] void Refuse(const std::string& host, const std::string& reason) {
    throw ESockError("Secure connection failed: the certificate of " + host + " " + reason);
}

std::string Hex(DWORD value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(value));
    return text;
}

// The reason of a fault found while the chain was built. Wine's policy accepts a chain whose
// issuer is unknown (an incomplete chain sent by the server) where Windows refuses it: the chain's
// own status is judged first, and any fault in it refuses the certificate.
std::string ChainFault(DWORD status) {
    if (status & CERT_TRUST_IS_REVOKED) return "has been revoked";
    if (status & (CERT_TRUST_IS_NOT_TIME_VALID | CERT_TRUST_CTL_IS_NOT_TIME_VALID))
        return "has expired or is not yet valid";
    if (status & (CERT_TRUST_IS_UNTRUSTED_ROOT | CERT_TRUST_IS_PARTIAL_CHAIN))
        return "is not issued by an authority this system trusts";
    if (status & CERT_TRUST_IS_NOT_VALID_FOR_USAGE) return "is not meant for a server";
    if (status & CERT_TRUST_IS_NOT_SIGNATURE_VALID) return "has an invalid signature";
    return "is not valid (chain status " + Hex(status) + ")";
}

std::string PolicyFault(DWORD error) {
    switch (error) {
    case static_cast<DWORD>(CERT_E_EXPIRED): return "has expired or is not yet valid";
    case static_cast<DWORD>(CERT_E_UNTRUSTEDROOT):
    case static_cast<DWORD>(CERT_E_CHAINING):
    case static_cast<DWORD>(TRUST_E_CERT_SIGNATURE): return "is not issued by an authority this system trusts";
    case static_cast<DWORD>(CRYPT_E_REVOKED): return "has been revoked";
    case static_cast<DWORD>(CERT_E_WRONG_USAGE): return "is not meant for a server";
    default: return "is refused (" + Hex(error) + ")";
    }
}

// The certificate's subjectAltName identities, for our own name match.
TCertificateNames NamesOf(PCCERT_CONTEXT certificate) {
    TCertificateNames names;
    const CERT_INFO* info = certificate->pCertInfo;
    const CERT_EXTENSION* extension = CertFindExtension(szOID_SUBJECT_ALT_NAME2, info->cExtension, info->rgExtension);
    if (!extension) return names;
    CERT_ALT_NAME_INFO* decoded = nullptr;
    DWORD size = 0;
    if (!CryptDecodeObjectEx(X509_ASN_ENCODING, X509_ALTERNATE_NAME, extension->Value.pbData, extension->Value.cbData,
                             CRYPT_DECODE_ALLOC_FLAG, nullptr, &decoded, &size))
        return names;
    const std::unique_ptr<CERT_ALT_NAME_INFO, decltype(&LocalFree)> owned(decoded, &LocalFree);
    for (DWORD i = 0; i < decoded->cAltEntry; ++i) {
        const CERT_ALT_NAME_ENTRY& entry = decoded->rgAltEntry[i];
        if (entry.dwAltNameChoice == CERT_ALT_NAME_DNS_NAME) {
            names.DnsNames.push_back(encoding::NarrowPath(entry.pwszDNSName));
        } else if (entry.dwAltNameChoice == CERT_ALT_NAME_IP_ADDRESS) {
            const CRYPT_DATA_BLOB& address = entry.IPAddress;
            names.IpAddresses.emplace_back(reinterpret_cast<const char*>(address.pbData), address.cbData);
        }
    }
    return names;
}

// The refusal a chain's error status calls for (empty: none), and whether it leaves revocation
// unknown: the bits that say only that revocation could not be learned refuse nothing.
struct TChainVerdict {
    std::string Refusal;
    TRevocation Revocation = TRevocation::Checked;
};

TChainVerdict JudgeChainStatus(DWORD errorStatus) {
    TChainVerdict verdict;
    if (errorStatus & kRevocationUnknown) verdict.Revocation = TRevocation::Unknown;
    const DWORD faults = errorStatus & ~kRevocationUnknown;
    if (faults != CERT_TRUST_NO_ERROR) verdict.Refusal = ChainFault(faults);
    return verdict;
}

using ChainPointer = std::unique_ptr<const CERT_CHAIN_CONTEXT, decltype(&CertFreeCertificateChain)>;

}  // namespace

TRevocation CheckCertificateForHost(PCCERT_CONTEXT certificate, const std::wstring& wideHost) {
    const std::string host = encoding::NarrowPath(wideHost);
    // The certificate must be meant for a server (or carry no usage limits at all).
    char serverAuth[] = szOID_PKIX_KP_SERVER_AUTH;
    LPSTR usages[] = {serverAuth};
    CERT_CHAIN_PARA chainParameters{};
    chainParameters.cbSize = sizeof chainParameters;
    chainParameters.RequestedUsage.dwType = USAGE_MATCH_TYPE_OR;
    chainParameters.RequestedUsage.Usage.cUsageIdentifier = 1;
    chainParameters.RequestedUsage.Usage.rgpszUsageIdentifier = usages;
    chainParameters.dwUrlRetrievalTimeout = kRevocationFetchMs;
    PCCERT_CHAIN_CONTEXT rawChain = nullptr;
    // The server's other certificates (its intermediates) are in the certificate's own store.
    // Revocation is asked for the certificate and its intermediates: a root is trusted as such.
    constexpr DWORD kChainFlags =
        CERT_CHAIN_REVOCATION_CHECK_CHAIN_EXCLUDE_ROOT | CERT_CHAIN_REVOCATION_ACCUMULATIVE_TIMEOUT;
    if (!CertGetCertificateChain(nullptr, certificate, nullptr, certificate->hCertStore, &chainParameters, kChainFlags,
                                 nullptr, &rawChain))
        Refuse(host, "could not be checked (" + Hex(GetLastError()) + ")");
    const ChainPointer chain(rawChain, &CertFreeCertificateChain);

    // The name first: a certificate for another name says the most about what went wrong.
    if (!CertificateNamesCover(NamesOf(certificate), host)) Refuse(host, "is for another name");
    const TChainVerdict verdict = JudgeChainStatus(chain->TrustStatus.dwErrorStatus);
    if (!verdict.Refusal.empty()) Refuse(host, verdict.Refusal);

    // The policy without a server name: the names are matched above, the same on every system.
    HTTPSPolicyCallbackData https{};
    https.cbStruct = sizeof https;
    https.dwAuthType = AUTHTYPE_SERVER;
    CERT_CHAIN_POLICY_PARA policyParameters{};
    policyParameters.cbSize = sizeof policyParameters;
    policyParameters.dwFlags = CERT_CHAIN_POLICY_IGNORE_ALL_REV_UNKNOWN_FLAGS;
    policyParameters.pvExtraPolicyPara = &https;
    CERT_CHAIN_POLICY_STATUS policy{};
    policy.cbSize = sizeof policy;
    if (!CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain.get(), &policyParameters, &policy))
        Refuse(host, "could not be checked (" + Hex(GetLastError()) + ")");
    // Wine's policy reports an unknown revocation as a failure whatever it is told to ignore.
    const bool revocationUnknown = policy.dwError == static_cast<DWORD>(CERT_E_REVOCATION_FAILURE) ||
                                   policy.dwError == static_cast<DWORD>(CRYPT_E_REVOCATION_OFFLINE) ||
                                   policy.dwError == static_cast<DWORD>(CRYPT_E_NO_REVOCATION_CHECK);
    if (revocationUnknown && verdict.Revocation == TRevocation::Unknown) return TRevocation::Unknown;
    if (policy.dwError != 0) Refuse(host, PolicyFault(policy.dwError));
    return verdict.Revocation;
}

}  // namespace net
