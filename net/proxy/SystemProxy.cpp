#include "net/proxy/SystemProxy.h"

#include <windows.h>
#include <winhttp.h>

#include <memory>

namespace {

// WinHTTP hands its strings over to the caller, who frees them with GlobalFree.
struct GlobalText {
    void operator()(wchar_t* text) const noexcept { GlobalFree(text); }
};
using OwnedText = std::unique_ptr<wchar_t, GlobalText>;

struct InternetHandle {
    void operator()(void* handle) const noexcept { WinHttpCloseHandle(handle); }
};

std::wstring Wide(const std::string& text) {
    std::wstring out(text.size(), L'\0');
    const int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(),
                                      static_cast<int>(out.size()));
    out.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return out;
}

std::string Narrow(const wchar_t* text) {
    if (!text) return {};
    const int n = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 1) return {};
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, text, -1, out.data(), n, nullptr, nullptr);
    out.resize(static_cast<std::size_t>(n - 1));
    return out;
}

struct UserSettings {
    bool autoDetect = false;
    OwnedText autoConfigUrl, proxy, bypass;
};

bool ReadUserSettings(UserSettings& settings) {
    WINHTTP_CURRENT_USER_IE_PROXY_CONFIG config{};
    if (!WinHttpGetIEProxyConfigForCurrentUser(&config)) return false;
    settings.autoDetect = config.fAutoDetect != FALSE;
    settings.autoConfigUrl.reset(config.lpszAutoConfigUrl);
    settings.proxy.reset(config.lpszProxy);
    settings.bypass.reset(config.lpszProxyBypass);
    return true;
}

TProxyRoute Choose(const std::string& scheme, const std::string& host, const wchar_t* list,
                   const wchar_t* bypass) {
    if (!list || BypassesProxy(Narrow(bypass), host)) return {};
    return ProxyForScheme(Narrow(list), scheme);
}

// The automatic configuration's answer; false when it gives none (no script reachable, no
// proxy found by detection), in which case Windows uses the static settings.
bool AutomaticProxy(const UserSettings& settings, const std::string& url, const std::string& host,
                    TProxyRoute& route) {
    std::unique_ptr<void, InternetHandle> session(
        WinHttpOpen(L"Quorvane installer", WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                    WINHTTP_NO_PROXY_BYPASS, 0));
    if (!session) return false;
    WINHTTP_AUTOPROXY_OPTIONS options{};
    if (settings.autoConfigUrl) {
        options.dwFlags |= WINHTTP_AUTOPROXY_CONFIG_URL;
        options.lpszAutoConfigUrl = settings.autoConfigUrl.get();
    }
    if (settings.autoDetect) {
        options.dwFlags |= WINHTTP_AUTOPROXY_AUTO_DETECT;
        options.dwAutoDetectFlags = WINHTTP_AUTO_DETECT_TYPE_DHCP | WINHTTP_AUTO_DETECT_TYPE_DNS_A;
    }
    options.fAutoLogonIfChallenged = TRUE;
    WINHTTP_PROXY_INFO info{};
    if (!WinHttpGetProxyForUrl(session.get(), Wide(url).c_str(), &options, &info)) return false;
    const OwnedText list(info.lpszProxy), bypass(info.lpszProxyBypass);
    route = info.dwAccessType == WINHTTP_ACCESS_TYPE_NAMED_PROXY
                ? Choose(SchemeOf(url), host, list.get(), bypass.get())
                : TProxyRoute{};
    return true;
}

}  // namespace

TProxyRoute SystemProxyFor(const std::string& url, const std::string& host) {
    UserSettings settings;
    if (!ReadUserSettings(settings)) return {};
    TProxyRoute route;
    if ((settings.autoDetect || settings.autoConfigUrl) && AutomaticProxy(settings, url, host, route)) return route;
    return Choose(SchemeOf(url), host, settings.proxy.get(), settings.bypass.get());
}
