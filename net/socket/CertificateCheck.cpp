// The certificate check of the TLS layer: CertGetCertificateChain and the SSL chain policy.
#include "net/socket/CertificateCheck.h"

#include <cstdio>
#include <memory>

#include "net/socket/SocketErrors.h"

namespace net {
namespace {

[[noreturn]] void Refuse(const std::wstring& host, const std::string& reason) {
    std::string name;
    for (wchar_t c : host) name.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    throw ESockError("Secure connection failed: the certificate of " + name + " " + reason);
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
    if (status & (CERT_TRUST_IS_NOT_TIME_VALID | CERT_TRUST_CTL_IS_NOT_TIME_VALID))
        return "has expired or is not yet valid";
    if (status & CERT_TRUST_IS_REVOKED) return "has been revoked";
    if (status & (CERT_TRUST_IS_UNTRUSTED_ROOT | CERT_TRUST_IS_PARTIAL_CHAIN))
        return "is not issued by an authority this system trusts";
    if (status & CERT_TRUST_IS_NOT_VALID_FOR_USAGE) return "is not meant for a server";
    if (status & CERT_TRUST_IS_NOT_SIGNATURE_VALID) return "has an invalid signature";
    return "is not valid (chain status " + Hex(status) + ")";
}

std::string PolicyFault(DWORD error) {
    switch (error) {
    case static_cast<DWORD>(CERT_E_CN_NO_MATCH): return "is for another name";
    case static_cast<DWORD>(CERT_E_EXPIRED): return "has expired or is not yet valid";
    case static_cast<DWORD>(CERT_E_UNTRUSTEDROOT):
    case static_cast<DWORD>(CERT_E_CHAINING):
    case static_cast<DWORD>(TRUST_E_CERT_SIGNATURE): return "is not issued by an authority this system trusts";
    case static_cast<DWORD>(CRYPT_E_REVOKED): return "has been revoked";
    case static_cast<DWORD>(CERT_E_WRONG_USAGE): return "is not meant for a server";
    default: return "is refused (" + Hex(error) + ")";
    }
}

using ChainPointer = std::unique_ptr<const CERT_CHAIN_CONTEXT, decltype(&CertFreeCertificateChain)>;

}  // namespace

void CheckCertificateForHost(PCCERT_CONTEXT certificate, const std::wstring& host) {
    // The certificate must be meant for a server (or carry no usage limits at all).
    char serverAuth[] = szOID_PKIX_KP_SERVER_AUTH;
    LPSTR usages[] = {serverAuth};
    CERT_CHAIN_PARA chainParameters{};
    chainParameters.cbSize = sizeof chainParameters;
    chainParameters.RequestedUsage.dwType = USAGE_MATCH_TYPE_OR;
    chainParameters.RequestedUsage.Usage.cUsageIdentifier = 1;
    chainParameters.RequestedUsage.Usage.rgpszUsageIdentifier = usages;
    PCCERT_CHAIN_CONTEXT rawChain = nullptr;
    // The server's other certificates (its intermediates) are in the certificate's own store.
    if (!CertGetCertificateChain(nullptr, certificate, nullptr, certificate->hCertStore, &chainParameters, 0, nullptr,
                                 &rawChain))
        Refuse(host, "could not be checked (" + Hex(GetLastError()) + ")");
    const ChainPointer chain(rawChain, &CertFreeCertificateChain);

    HTTPSPolicyCallbackData https{};
    https.cbStruct = sizeof https;
    https.dwAuthType = AUTHTYPE_SERVER;
    https.pwszServerName = const_cast<wchar_t*>(host.c_str());
    CERT_CHAIN_POLICY_PARA policyParameters{};
    policyParameters.cbSize = sizeof policyParameters;
    policyParameters.pvExtraPolicyPara = &https;
    CERT_CHAIN_POLICY_STATUS policy{};
    policy.cbSize = sizeof policy;
    if (!CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain.get(), &policyParameters, &policy))
        Refuse(host, "could not be checked (" + Hex(GetLastError()) + ")");
    // The name first: a certificate for another name says the most about what went wrong.
    if (policy.dwError == static_cast<DWORD>(CERT_E_CN_NO_MATCH)) Refuse(host, PolicyFault(policy.dwError));
    const DWORD chainStatus = chain->TrustStatus.dwErrorStatus;
    if (chainStatus != CERT_TRUST_NO_ERROR) Refuse(host, ChainFault(chainStatus));
    if (policy.dwError != 0) Refuse(host, PolicyFault(policy.dwError));
}

}  // namespace net
