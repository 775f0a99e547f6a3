// The match of a certificate's names with the host asked for, over arbitrary names and hosts.
// Input: lines; the first is the host, each other a dNSName, or with a leading '@' an iPAddress.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "fuzz/FuzzText.h"
#include "net/socket/CertificateName.h"

namespace {

std::size_t Labels(std::string_view name) {
    if (!name.empty() && name.back() == '.') name.remove_suffix(1);
    std::size_t count = 1;
    for (const char c : name) count += c == '.';
    return count;
}

// A plain name of letters, digits and '-', whose last label starts with a letter: no parser
// takes it for a number.
bool PlainName(std::string_view host) {
    if (host.empty() || host.front() == '.' || host.back() == '.' || host.find("..") != std::string_view::npos)
        return false;
    if (host.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789-.") != std::string_view::npos) return false;
    const char first = host[host.rfind('.') + 1];
    return first >= 'a' && first <= 'z';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::size_t lineBreak = text.find('\n');
    const std::string_view host = text.substr(0, lineBreak);
    TCertificateNames names;
    for (std::size_t at = lineBreak; at != std::string_view::npos && at < text.size();) {
        const std::size_t end = text.find('\n', at + 1);
        const std::string_view line = text.substr(at + 1, end == std::string_view::npos ? end : end - at - 1);
        if (line.starts_with('@')) {
            names.IpAddresses.emplace_back(line.substr(1));
        } else {
            names.DnsNames.emplace_back(line);
        }
        at = end;
    }

    const bool covered = CertificateNamesCover(names, host);
    // Letter case never matters; a name added can only cover more.
    if (covered != CertificateNamesCover(names, UpperAscii(host))) std::abort();
    TCertificateNames more = names;
    more.DnsNames.emplace_back("added.example");
    if (covered && !CertificateNamesCover(more, host)) std::abort();

    // Names alone never cover an address; a wildcard stands for exactly one label.
    TCertificateNames dnsOnly{names.DnsNames, {}};
    if (CertificateNamesCover(dnsOnly, host)) {
        if (host.find_first_not_of("0123456789.") == std::string_view::npos) std::abort();
        bool exact = false;
        for (const std::string& name : names.DnsNames)
            exact = exact || (CertificateNamesCover({{name}, {}}, host) && name.find('*') == std::string::npos);
        if (!exact) {
            bool sameLabels = false;
            for (const std::string& name : names.DnsNames)
                sameLabels = sameLabels || (CertificateNamesCover({{name}, {}}, host) && Labels(name) == Labels(host));
            if (!sameLabels) std::abort();
        }
    }
    // Addresses alone cover only a dotted address.
    TCertificateNames addressesOnly{{}, names.IpAddresses};
    if (CertificateNamesCover(addressesOnly, host) && host.find_first_not_of("0123456789.") != std::string_view::npos)
        std::abort();
    // A plain name is covered by itself.
    if (PlainName(host) && !CertificateNamesCover({{std::string(host)}, {}}, host)) std::abort();
    return 0;
}
