#pragma once
// The user name and password that the build gives for a proxy asking for Basic credentials
// (cache variables QUORVANE_PROXY_USER and QUORVANE_PROXY_PASSWORD); both empty by default, and
// then a proxy's 407 ends the download with a clear error instead of guessing.
#include <string>

struct ProxyCredentials {
    std::string UserId;
    std::string Password;
};

ProxyCredentials BuildProxyCredentials();
