#pragma once
// Whether the names a server certificate carries cover the host the client asked for. Portable
// (no windows.h), so that it is tested and fuzzed natively: CertificateCheck.cpp reads the names
// out of the certificate.
#include <string>
#include <string_view>
#include <vector>

// The identities of a certificate's subjectAltName extension. The subject's common name is not
// among them: a name there is a leftover that no authority issues alone any more, and taking it
// would let a certificate with a subjectAltName for other hosts speak for a CN as well.
struct TCertificateNames {
    std::vector<std::string> DnsNames;     // dNSName entries, ASCII as issued (UTF-8 if not)
    std::vector<std::string> IpAddresses;  // iPAddress entries, 4 or 16 raw bytes
};

// True when `host` (a name or a dotted IPv4 address, any letter case, a final '.' allowed) is
// one of the names:
// - an IPv4 address "a.b.c.d" only by an iPAddress entry of the same four bytes, never by a
//   dNSName; a host whose last label is a number in any other form ("127.1", "0x7f.1", which
//   the socket layer would take for an address) by nothing at all;
// - a name by a dNSName equal to it without regard to ASCII letter case, or by a wildcard
//   "*.rest" whose '*' stands for the whole first label of the host (one label, never a dot,
//   never empty) and whose rest has at least two labels ("*.com" covers nothing). A '*'
//   anywhere else covers nothing.
// A host with an empty label is never covered, nor an IPv6 address: the engine connects over
// IPv4 only.
bool CertificateNamesCover(const TCertificateNames& names, std::string_view host);
