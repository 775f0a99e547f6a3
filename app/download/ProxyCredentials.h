#pragma once
// The user name and password that the build gives for a proxy asking for Basic credentials
// (cache variables QUORVANE_PROXY_USER and QUORVANE_PROXY_PASSWORD); both empty by default. The
// wizard asks the user when the proxy wants others; a silent run has only these.
#include "ui/CredentialsDialog.h"

using ProxyCredentials = ui::Credentials;

ProxyCredentials BuildProxyCredentials();
