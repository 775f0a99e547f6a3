#pragma once
// The proxy that the user's Windows settings give for a URL, read through WinHTTP: the static
// proxy with its bypass list, or, where an automatic configuration script or detection is set,
// the script's answer for that URL (falling back to the static proxy when there is none).
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "net/proxy/ProxyList.h"

// One per download run: the settings are read once, and the automatic configuration, which may
// fetch a script or search the network for seconds, is asked once per scheme, host and port,
// on a worker thread while the caller's window keeps its messages flowing.
class TSystemProxy {
public:
    TSystemProxy();
    ~TSystemProxy();
    TSystemProxy(const TSystemProxy&) = delete;
    TSystemProxy& operator=(const TSystemProxy&) = delete;

    // `host` is the URL's host as the engine parsed it. Direct when no proxy is set, when the
    // host is bypassed, or when the settings cannot be read. Throws EHttpError when the proxy
    // chosen is written without a usable port.
    TProxyRoute For(const std::string& url, const std::string& host);

private:
    struct Settings;
    bool Automatic(const std::string& url, const std::string& host, TProxyRoute& route);

    std::unique_ptr<Settings> settings_;
    std::map<std::string, TProxyRoute> automaticRoutes_;  // by scheme://host:port
};

// A chooser for the engine's ChooseProxy: one TSystemProxy for all the passes of a download run,
// shared by the chooser's copies.
std::function<TProxyRoute(const std::string& url, const std::string& host)> SystemProxyChooser();

// The route for one URL with settings read afresh.
TProxyRoute SystemProxyFor(const std::string& url, const std::string& host);
