#include "net/http/CredentialScope.h"

namespace {

std::string Lower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

}  // namespace

std::string RequestOrigin(const std::string& url, const std::string& host, int port) {
    const std::size_t scheme = url.find("://");
    return (scheme == std::string::npos ? std::string("http") : Lower(url.substr(0, scheme))) + "://" + Lower(host) +
           ":" + std::to_string(port);
}

void TCredentialScope::NewRequest(const std::string& origin, const THeaderInfo& info) {
    credentialsOrigin_ = origin;
    if (info.Cookie != receivedCookie_) {
        cookieOrigin_ = origin;
        receivedCookie_.clear();
    }
}

void TCredentialScope::CookieReceived(const std::string& origin, const std::string& cookie) {
    cookieOrigin_ = origin;
    receivedCookie_ = cookie;
}

THeaderInfo TCredentialScope::ForPass(const std::string& origin, const THeaderInfo& info) const {
    THeaderInfo sent = info;
    if (origin != cookieOrigin_) sent.Cookie.clear();
    if (origin != credentialsOrigin_) {
        sent.UserId.clear();
        sent.Password.clear();
    }
    return sent;
}

namespace {

std::string ProxyKey(const std::string& host, int port) { return Lower(host) + ":" + std::to_string(port & 0xFFFF); }

}  // namespace

bool TProxyCredentialScope::Carries(const std::string& host, int port, const THeaderInfo& info) const {
    return !info.ProxyUserId.empty() && !host.empty() && owner_ == ProxyKey(host, port) &&
           info.ProxyUserId == userId_ && info.ProxyPassword == password_;
}

THeaderInfo TProxyCredentialScope::ForProxy(const std::string& host, int port, const THeaderInfo& info) const {
    THeaderInfo sent = info;
    if (!Carries(host, port, info)) {
        sent.ProxyUserId.clear();
        sent.ProxyPassword.clear();
    }
    return sent;
}

bool TProxyCredentialScope::Challenged(const std::string& host, int port, const THeaderInfo& info) {
    if (info.ProxyUserId.empty() || host.empty() || Carries(host, port, info)) return false;
    const bool offeredAnew = info.ProxyUserId != userId_ || info.ProxyPassword != password_;
    if (!owner_.empty() && !offeredAnew) return false;  // another proxy's
    owner_ = ProxyKey(host, port);
    userId_ = info.ProxyUserId;
    password_ = info.ProxyPassword;
    return true;
}
