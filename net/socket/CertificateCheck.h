#pragma once
// Whether a server's certificate may be trusted for the host name the client asked for: its chain
// must end in the system's trust store with no fault, it must not be revoked, and its names must
// cover the host (CertificateName.h). Schannel is told to leave this check to us, so that the
// reason of a refusal can be said plainly.
#include <windows.h>
#include <wincrypt.h>

#include <string>

namespace net {

// Whether the revocation of the certificate (and of its intermediate authorities) was checked,
// or could not be learned: no revocation list or responder named, or none reachable. A
// certificate whose revocation is unknown is accepted; the caller says so.
enum class TRevocation { Checked, Unknown };

// Raises ESockError "Secure connection failed: ..." saying why (untrusted, expired, wrong name,
// revoked, not meant for a server) when the certificate is not good for `host`.
TRevocation CheckCertificateForHost(PCCERT_CONTEXT certificate, const std::wstring& host);

}  // namespace net
