#pragma once
// The text of Windows' proxy settings: which proxy a URL's scheme uses, and whether a host is
// in the bypass list. Portable (no windows.h): the settings are read by SystemProxy.cpp.
#include <string>
#include <string_view>

// Where a request goes: through the proxy Host:Port, or straight to its server (Host empty).
struct TProxyRoute {
    std::string Host;
    int Port = 0;
    bool Direct() const { return Host.empty(); }
};

// The proxy for `scheme` ("http" or "https", any case) in a proxy list as Windows keeps it:
//   "proxy:3128"                          every scheme through proxy:3128
//   "http=a:80;https=b:8443"              per scheme; a scheme without an entry goes direct
//   "http://proxy:3128", "PROXY proxy:3128" a scheme prefix or a PAC keyword is dropped
// Entries are separated by ';' or white space; the first usable one wins; a missing port is 80.
// "socks=" entries are skipped: the engine speaks no SOCKS. Throws EHttpError naming the entry
// when the entry chosen has a port that is not a number in 1..65535.
TProxyRoute ProxyForScheme(std::string_view list, std::string_view scheme);

// Whether `host` skips the proxy under `bypass` (Windows' ProxyOverride / bypass text):
// entries separated by ';', ',' or white space, compared without letter case, '*' matching any
// run of characters ("*.corp", "10.*"), an entry's "scheme://" prefix and ":port" ignored.
// "<local>" bypasses every name without a dot. Loopback ("localhost", "127.*", "::1") is
// bypassed as Windows does, unless the list holds "<-loopback>".
bool BypassesProxy(std::string_view bypass, std::string_view host);

// "Proxy host:port", as the errors about a proxy name it.
std::string ProxyName(std::string_view host, int port);

// The error that ends a request when the proxy answers `code`, empty for any code but 407: the
// proxy asks for credentials, and either none were given or it refused those given.
std::string ProxyAuthenticationError(std::string_view proxyName, int code, bool credentialsGiven);

// The scheme of a URL in lower case ("http" for a URL without one).
std::string SchemeOf(std::string_view url);
