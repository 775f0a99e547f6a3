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
