#pragma once
// Which passes of a request may carry the Basic credentials and the cookie. Both belong to one
// origin (scheme, host in any letter case, port): the credentials and a cookie the caller set
// to the origin the request was made for, a cookie a redirect handed over to the origin that
// sent it. A redirect elsewhere gets neither, so a server cannot have them sent to another.
//
//     scope.NewRequest(origin, info);                  // the request's first pass
//     THeaderInfo sent = scope.ForPass(origin, info);  // each pass, for its request header
//     scope.CookieReceived(origin, cookie);            // a redirect reply's Set-Cookie
#include <string>

#include "net/http/HttpRequestText.h"

// "scheme://host:port", the host in lower case; the scheme "http" when the URL names none.
std::string RequestOrigin(const std::string& url, const std::string& host, int port);

class TCredentialScope {
public:
    void NewRequest(const std::string& origin, const THeaderInfo& info);
    void CookieReceived(const std::string& origin, const std::string& cookie);
    // The values this origin may be sent: the others are emptied.
    THeaderInfo ForPass(const std::string& origin, const THeaderInfo& info) const;

private:
    std::string credentialsOrigin_;
    std::string cookieOrigin_;
    // The cookie a redirect handed over: it keeps its origin across later requests, while a
    // cookie the caller set belongs to the request it is set for.
    std::string receivedCookie_;
};

// Proxy credentials (THeaderInfo's ProxyUserId and ProxyPassword, offered by the caller) belong
// to one proxy, its host in any letter case and its port: the first that asks for them with its
// own 407. From then on they go to that proxy alone, on every later request of the client, and
// never before a proxy asked, to another proxy (a redirect, or the route chosen for each URL,
// may lead through another) or to a server. Credentials offered anew belong to no proxy until
// one asks again.
//
//     THeaderInfo sent = proxyScope.ForProxy(host, port, info);  // each pass through a proxy
//     if (code == 407 && proxyScope.Challenged(host, port, info)) ... the pass again
class TProxyCredentialScope {
public:
    // The values a pass through this proxy may carry: the proxy credentials emptied unless they
    // belong to it.
    THeaderInfo ForProxy(const std::string& host, int port, const THeaderInfo& info) const;
    // The proxy answered 407 to a pass that did not carry the offered credentials, and they
    // belong to no other proxy: they are now its own, and true is returned.
    bool Challenged(const std::string& host, int port, const THeaderInfo& info);
    // Whether a pass through this proxy carries the credentials.
    bool Carries(const std::string& host, int port, const THeaderInfo& info) const;

private:
    std::string owner_;  // "host:port", the host in lower case; empty: no proxy yet
    std::string userId_, password_;
};
