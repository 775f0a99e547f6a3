#include "net/proxy/SystemProxy.h"

#include <windows.h>
#include <winhttp.h>

#include "encoding/TextEncoding.h"
#include "net/socket/MessagePump.h"

namespace {

// WinHTTP hands its strings over to the caller, who frees them with GlobalFree.
struct GlobalText {
    void operator()(wchar_t* text) const noexcept { GlobalFree(text); }
};
using OwnedText = std::unique_ptr<wchar_t, GlobalText>;

struct InternetHandle {
    void operator()(void* handle) const noexcept { WinHttpCloseHandle(handle); }
};

struct KernelHandle {
    void operator()(HANDLE handle) const noexcept { CloseHandle(handle); }
};

// WinHTTP's lists as UTF-8, whatever the system's code page: a host name in them is compared with
// the URL's, which is UTF-8.
std::string Utf8(const wchar_t* text) { return text ? encoding::NarrowPath(text) : std::string(); }

TProxyRoute Choose(const std::string& scheme, const std::string& host, const wchar_t* list, const wchar_t* bypass) {
    if (!list || BypassesProxy(Utf8(bypass), host)) return {};
    return ProxyForScheme(Utf8(list), scheme);
}

// "scheme://host:port" of a URL: what an automatic configuration's answer is kept for.
std::string Origin(const std::string& url) {
    const std::size_t mark = url.find("://");
    const std::size_t start = mark == std::string::npos ? 0 : mark + 3;
    return url.substr(0, url.find('/', start));
}

// One question to WinHttpGetProxyForUrl, asked on a worker thread.
struct ProxyQuestion {
    HINTERNET session = nullptr;
    std::wstring url;
    WINHTTP_AUTOPROXY_OPTIONS options{};
    WINHTTP_PROXY_INFO info{};
    BOOL answered = FALSE;

    static DWORD WINAPI Ask(void* self) {
        auto* question = static_cast<ProxyQuestion*>(self);
        question->answered =
            WinHttpGetProxyForUrl(question->session, question->url.c_str(), &question->options, &question->info);
        return 0;
    }
};

// Waits for the worker while the window repaints and takes input. The question lives on the
// caller's stack, so the wait always runs to the worker's end.
void AskWhilePumping(ProxyQuestion& question) {
    std::unique_ptr<void, KernelHandle> worker(CreateThread(nullptr, 0, ProxyQuestion::Ask, &question, 0, nullptr));
    if (!worker) {
        ProxyQuestion::Ask(&question);
        return;
    }
    HANDLE handle = worker.get();
    while (MsgWaitForMultipleObjectsEx(1, &handle, 50, QS_ALLINPUT, MWMO_INPUTAVAILABLE) != WAIT_OBJECT_0) {
        net::MessagePump().ProcessMessages();
    }
}

}  // namespace

struct TSystemProxy::Settings {
    bool read = false;
    bool autoDetect = false;
    OwnedText autoConfigUrl, proxy, bypass;
    std::unique_ptr<void, InternetHandle> session;
};

TSystemProxy::TSystemProxy() : settings_(std::make_unique<Settings>()) {
    WINHTTP_CURRENT_USER_IE_PROXY_CONFIG config{};
    if (!WinHttpGetIEProxyConfigForCurrentUser(&config)) return;
    settings_->read = true;
    settings_->autoDetect = config.fAutoDetect != FALSE;
    settings_->autoConfigUrl.reset(config.lpszAutoConfigUrl);
    settings_->proxy.reset(config.lpszProxy);
    settings_->bypass.reset(config.lpszProxyBypass);
}

TSystemProxy::~TSystemProxy() = default;

TProxyRoute TSystemProxy::For(const std::string& url, const std::string& host) {
    if (!settings_->read) return {};
    TProxyRoute route;
    if ((settings_->autoDetect || settings_->autoConfigUrl) && Automatic(url, host, route)) return route;
    return Choose(SchemeOf(url), host, settings_->proxy.get(), settings_->bypass.get());
}

// The automatic configuration's answer; false when it gives none (no script reachable, no
// proxy found by detection), in which case Windows uses the static settings.
bool TSystemProxy::Automatic(const std::string& url, const std::string& host, TProxyRoute& route) {
    const std::string origin = Origin(url);
    if (const auto known = automaticRoutes_.find(origin); known != automaticRoutes_.end()) {
        route = known->second;
        return true;
    }
    if (!settings_->session) {
        settings_->session.reset(WinHttpOpen(L"Quorvane installer", WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                                             WINHTTP_NO_PROXY_BYPASS, 0));
        if (!settings_->session) return false;
    }
    ProxyQuestion question;
    question.session = settings_->session.get();
    question.url = encoding::WidenMessage(url);
    if (settings_->autoConfigUrl) {
        question.options.dwFlags |= WINHTTP_AUTOPROXY_CONFIG_URL;
        question.options.lpszAutoConfigUrl = settings_->autoConfigUrl.get();
    }
    if (settings_->autoDetect) {
        question.options.dwFlags |= WINHTTP_AUTOPROXY_AUTO_DETECT;
        question.options.dwAutoDetectFlags = WINHTTP_AUTO_DETECT_TYPE_DHCP | WINHTTP_AUTO_DETECT_TYPE_DNS_A;
    }
    question.options.fAutoLogonIfChallenged = TRUE;
    AskWhilePumping(question);
    const OwnedText list(question.info.lpszProxy), bypass(question.info.lpszProxyBypass);
    if (!question.answered) {
        // Detection that found nothing is not asked again for the next file.
        settings_->autoDetect = false;
        settings_->autoConfigUrl.reset();
        return false;
    }
    route = question.info.dwAccessType == WINHTTP_ACCESS_TYPE_NAMED_PROXY
                ? Choose(SchemeOf(url), host, list.get(), bypass.get())
                : TProxyRoute{};
    automaticRoutes_[origin] = route;
    return true;
}

TProxyRoute SystemProxyFor(const std::string& url, const std::string& host) { return TSystemProxy().For(url, host); }

std::function<TProxyRoute(const std::string& url, const std::string& host)> SystemProxyChooser() {
    return [proxy = std::make_shared<TSystemProxy>()](const std::string& url, const std::string& host) {
        return proxy->For(url, host);
    };
}
