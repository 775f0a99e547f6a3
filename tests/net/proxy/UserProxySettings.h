#pragma once
// Writes the current user's proxy settings into the registry in both forms Windows keeps in
// step: the Internet Settings values (ProxyEnable, ProxyServer, ProxyOverride, AutoConfigURL),
// which WinINet reads, and the Connections\DefaultConnectionSettings blob, which WinHTTP reads.
#include <string>

namespace testsupport {

struct UserProxySettings {
    std::wstring Server;  // empty: no static proxy
    std::wstring Bypass;
    std::wstring AutoConfigUrl;  // empty: no configuration script
};

// Returns false when a value could not be written.
bool WriteUserProxySettings(const UserProxySettings& settings);
// Back to a direct connection, as a fresh prefix has it.
bool ClearUserProxySettings();

}  // namespace testsupport
