#include "app/download/ProxyCredentials.h"

#ifndef QUORVANE_PROXY_USER
#define QUORVANE_PROXY_USER ""
#endif
#ifndef QUORVANE_PROXY_PASSWORD
#define QUORVANE_PROXY_PASSWORD ""
#endif

ProxyCredentials BuildProxyCredentials() { return {QUORVANE_PROXY_USER, QUORVANE_PROXY_PASSWORD}; }
