#pragma once
// Whether a server's certificate may be trusted for the host name the client asked for: its chain
// must end in the system's trust store with no fault at all, and the SSL policy must accept it
// for that name. Schannel is told to leave this check to us, so that the reason of a refusal
// can be said plainly.
#include <windows.h>
#include <wincrypt.h>

#include <string>

namespace net {

// Raises ESockError "Secure connection failed: ..." saying why (untrusted, expired, wrong name,
// revoked, not meant for a server) when the certificate is not good for `host`.
void CheckCertificateForHost(PCCERT_CONTEXT certificate, const std::wstring& host);

}  // namespace net
