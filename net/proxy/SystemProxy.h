#pragma once
// The proxy that the user's Windows settings give for a URL, read through WinHTTP: the static
// proxy with its bypass list, or, where an automatic configuration script or detection is set,
// the script's answer for that URL (falling back to the static proxy when the script fails).
#include <string>

#include "net/proxy/ProxyList.h"

// `host` is the URL's host as the engine parsed it. Direct when no proxy is set, when the host
// is bypassed, or when the settings cannot be read.
// Throws EHttpError when the proxy chosen is written without a usable port.
TProxyRoute SystemProxyFor(const std::string& url, const std::string& host);
