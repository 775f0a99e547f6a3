// The proxy list and the bypass list of Windows' proxy settings, over arbitrary texts and hosts.
// Input: the first byte picks the scheme (http or https); then the list, a line break, the host.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "fuzz/FuzzText.h"
#include "net/http/HttpErrors.h"
#include "net/proxy/ProxyList.h"

namespace {

// The route for a scheme, or "!" when the list is refused for it.
std::string Route(std::string_view list, std::string_view scheme) {
    try {
        const TProxyRoute route = ProxyForScheme(list, scheme);
        if (route.Direct()) return {};
        // A route is one host and a port in range: nothing of a separator or a path leaks in.
        if (route.Port < 1 || route.Port > 65535) std::abort();
        if (route.Host.find_first_of("; \t\r\n/") != std::string::npos) std::abort();
        return route.Host + ":" + std::to_string(route.Port);
    } catch (const EHttpError& refused) {
        // The message names the entry (what() ends at a zero byte of it).
        if (list.find('\0') == std::string_view::npos &&
            std::string_view(refused.what()).find("has no valid port") == std::string_view::npos)
            std::abort();
        return "!";
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::size_t lineBreak = text.find('\n');
    const std::string_view list = text.substr(0, lineBreak);
    const std::string_view host = lineBreak == std::string_view::npos ? std::string_view() : text.substr(lineBreak + 1);

    // The scheme's letter case never matters.
    const std::string_view scheme = data[0] & 1 ? "https" : "http";
    if (Route(list, scheme) != Route(list, UpperAscii(scheme))) std::abort();

    // Nor the host's; an entry added can only add a bypass; "*" bypasses every host.
    const bool bypassed = BypassesProxy(list, host);
    if (bypassed != BypassesProxy(list, UpperAscii(host))) std::abort();
    if (bypassed && !BypassesProxy(std::string(list) + ";added.example", host)) std::abort();
    if (!BypassesProxy(std::string(list) + ";*", host)) std::abort();
    // Loopback skips the proxy unless the list says <-loopback>.
    if (UpperAscii(list).find("<-LOOPBACK>") == std::string::npos && !BypassesProxy(list, "127.0.0.1")) std::abort();
    return 0;
}
