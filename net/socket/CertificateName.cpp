#include "net/socket/CertificateName.h"

#include <algorithm>
#include <array>
#include <optional>

namespace {

std::string Canonical(std::string_view text) {
    if (!text.empty() && text.back() == '.') text.remove_suffix(1);
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

// "a.b.c.d", each part a decimal number up to 255 without a leading zero (which the socket
// layer's parser reads as octal): the only form of address compared with iPAddress entries.
std::optional<std::array<char, 4>> ParseIPv4(std::string_view text) {
    std::array<char, 4> bytes{};
    std::size_t at = 0;
    for (std::size_t part = 0; part < 4; ++part) {
        if (part > 0) {
            if (at >= text.size() || text[at] != '.') return std::nullopt;
            ++at;
        }
        unsigned value = 0;
        std::size_t digits = 0;
        while (at < text.size() && text[at] >= '0' && text[at] <= '9' && digits < 3) {
            value = value * 10 + static_cast<unsigned>(text[at] - '0');
            ++at;
            ++digits;
        }
        if (digits == 0 || value > 255 || (digits > 1 && text[at - digits] == '0')) return std::nullopt;
        bytes[part] = static_cast<char>(value);
    }
    if (at != text.size()) return std::nullopt;
    return bytes;
}

// A last label that is a number (decimal, or hexadecimal after "0x"): no top-level domain is one,
// and the address parser of the socket layer takes such a host for an address.
bool EndsInNumber(std::string_view host) {
    std::string_view last = host.substr(host.rfind('.') + 1);
    const bool hex = last.starts_with("0x");
    if (hex) last.remove_prefix(2);
    return (hex || !last.empty()) &&
           last.find_first_not_of(hex ? "0123456789abcdef" : "0123456789") == std::string_view::npos;
}

bool NoEmptyLabel(std::string_view name) {
    return !name.empty() && name.front() != '.' && name.back() != '.' && name.find("..") == std::string_view::npos;
}

bool DnsNameCovers(std::string_view name, std::string_view host) {
    if (name.find('*') == std::string_view::npos) return name == host;
    if (!name.starts_with("*.")) return false;
    const std::string_view rest = name.substr(2);
    // At least two labels follow: "*.com" covers nothing.
    if (rest.find('*') != std::string_view::npos || !NoEmptyLabel(rest) || rest.find('.') == std::string_view::npos)
        return false;
    const std::size_t dot = host.find('.');
    return dot != std::string_view::npos && host.substr(dot + 1) == rest;
}

}  // namespace

bool CertificateNamesCover(const TCertificateNames& names, std::string_view hostText) {
    const std::string host = Canonical(hostText);
    if (!NoEmptyLabel(host) || host.find(':') != std::string::npos) return false;
    if (EndsInNumber(host)) {
        const auto address = ParseIPv4(host);
        if (!address) return false;
        const std::string bytes(address->begin(), address->end());
        return std::find(names.IpAddresses.begin(), names.IpAddresses.end(), bytes) != names.IpAddresses.end();
    }
    return std::any_of(names.DnsNames.begin(), names.DnsNames.end(),
                       [&](const std::string& name) { return DnsNameCovers(Canonical(name), host); });
}
