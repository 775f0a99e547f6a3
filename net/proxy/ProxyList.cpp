#include "net/proxy/ProxyList.h"

#include <charconv>
#include <vector>

#include "net/http/HttpErrors.h"

namespace {

std::string Lower(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

std::vector<std::string_view> Entries(std::string_view list, std::string_view separators) {
    std::vector<std::string_view> entries;
    std::size_t at = 0;
    while (at < list.size()) {
        const std::size_t end = std::min(list.find_first_of(separators, at), list.size());
        if (end > at) entries.push_back(list.substr(at, end - at));
        at = end + 1;
    }
    return entries;
}

std::string_view DropSchemePrefix(std::string_view entry) {
    const std::size_t mark = entry.find("://");
    return mark == std::string_view::npos ? entry : entry.substr(mark + 3);
}

// "host", "host:port", "[v6]:port"; the text up to a '/' (a proxy URL may end with one).
TProxyRoute ParseRoute(std::string_view entry) {
    entry = DropSchemePrefix(entry);
    entry = entry.substr(0, entry.find('/'));
    if (entry.empty()) return {};
    const std::size_t close = entry.front() == '[' ? entry.find(']') : std::string_view::npos;
    const std::size_t colon = entry.find(':', close == std::string_view::npos ? 0 : close);
    TProxyRoute route{std::string(entry.substr(0, colon)), 80};
    if (colon == std::string_view::npos) return route;
    const std::string_view digits = entry.substr(colon + 1);
    int port = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), port);
    if (error != std::errc{} || end != digits.data() + digits.size() || port < 1 || port > 65535)
        throw EHttpError("The proxy setting '" + std::string(entry) + "' has no valid port");
    route.Port = port;
    return route;
}

// '*' matches any run of characters; everything else one character, both texts in lower case.
bool Matches(std::string_view pattern, std::string_view text) {
    std::size_t p = 0, t = 0, star = std::string_view::npos, resume = 0;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            resume = t;
        } else if (p < pattern.size() && pattern[p] == text[t]) {
            ++p;
            ++t;
        } else if (star != std::string_view::npos) {
            p = star + 1;
            t = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

bool IsLoopback(std::string_view host) {
    return host == "localhost" || host == "::1" || host == "[::1]" || host.starts_with("127.");
}

}  // namespace

std::string SchemeOf(std::string_view url) {
    const std::size_t mark = url.find("://");
    return mark == std::string_view::npos ? "http" : Lower(url.substr(0, mark));
}

TProxyRoute ProxyForScheme(std::string_view list, std::string_view scheme) {
    const std::string wanted = Lower(scheme);
    std::vector<std::string_view> entries = Entries(list, "; \t\r\n");
    for (std::size_t i = 0; i < entries.size(); ++i) {
        std::string_view entry = entries[i];
        const std::string word = Lower(entry);
        // A PAC answer: "PROXY host:port" arrives as two entries; "DIRECT" ends the search.
        if (word == "direct") return {};
        if (word == "proxy" || word == "http" || word == "https") {
            if (i + 1 < entries.size()) return ParseRoute(entries[++i]);
            return {};
        }
        const std::size_t equals = entry.find('=');
        if (equals == std::string_view::npos) return ParseRoute(entry);
        if (Lower(entry.substr(0, equals)) == wanted && equals + 1 < entry.size())
            return ParseRoute(entry.substr(equals + 1));
    }
    return {};
}

bool BypassesProxy(std::string_view bypass, std::string_view hostText) {
    const std::string host = Lower(hostText);
    bool loopbackBypassed = true;
    for (std::string_view entry : Entries(bypass, ";, \t\r\n")) {
        const std::string pattern = Lower(entry);
        if (pattern == "<-loopback>") loopbackBypassed = false;
    }
    if (loopbackBypassed && IsLoopback(host)) return true;
    for (std::string_view entry : Entries(bypass, ";, \t\r\n")) {
        std::string pattern = Lower(DropSchemePrefix(entry));
        if (pattern == "<local>") {
            if (host.find('.') == std::string::npos && host.find(':') == std::string::npos) return true;
            continue;
        }
        // "host:port" compares the host only: the engine asks per host, and Windows' own port
        // filter is rarely used.
        const std::size_t colon = pattern.rfind(':');
        if (colon != std::string::npos && pattern.find(']') == std::string::npos && pattern.find(':') == colon)
            pattern.resize(colon);
        if (!pattern.empty() && Matches(pattern, host)) return true;
    }
    return false;
}

std::string ProxyName(std::string_view host, int port) {
    return "Proxy " + std::string(host) + ":" + std::to_string(port & 0xFFFF);
}

std::string ProxyAuthenticationError(std::string_view proxyName, int code, bool credentialsGiven) {
    if (code != 407) return {};
    return std::string(proxyName) + (credentialsGiven ? " refused the user name and password given (407)"
                                                      : " asks for a user name and password (407), and none was given");
}
