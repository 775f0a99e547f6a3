#include "tests/net/proxy/UserProxySettings.h"

#include <windows.h>

#include <cstdint>
#include <memory>
#include <type_traits>
#include <vector>

namespace testsupport {
namespace {

constexpr wchar_t kInternetSettings[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

// The blob's flags, as Windows' connection settings name them.
constexpr std::uint32_t kDirect = 1, kNamedProxy = 2, kAutoConfigUrl = 4;

void PutNumber(std::vector<BYTE>& blob, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) blob.push_back(static_cast<BYTE>(value >> (8 * i)));
}

// Counted ANSI text, without terminator.
void PutText(std::vector<BYTE>& blob, const std::wstring& text) {
    PutNumber(blob, static_cast<std::uint32_t>(text.size()));
    for (wchar_t c : text) blob.push_back(static_cast<BYTE>(c));
}

std::vector<BYTE> ConnectionBlob(const UserProxySettings& settings) {
    static std::uint32_t counter = 1;
    std::uint32_t flags = kDirect;
    if (!settings.Server.empty()) flags |= kNamedProxy;
    if (!settings.AutoConfigUrl.empty()) flags |= kAutoConfigUrl;
    std::vector<BYTE> blob;
    PutNumber(blob, 0x46);  // the version Windows writes since Internet Explorer 7
    PutNumber(blob, ++counter);
    PutNumber(blob, flags);
    PutText(blob, settings.Server);
    PutText(blob, settings.Bypass);
    PutText(blob, settings.AutoConfigUrl);
    blob.resize(blob.size() + 32, 0);  // detection state, unused here
    return blob;
}

bool PutString(HKEY key, const wchar_t* name, const std::wstring& value) {
    if (value.empty()) {
        const LONG status = RegDeleteValueW(key, name);
        return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
    }
    return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

struct KeyCloser {
    void operator()(HKEY key) const { RegCloseKey(key); }
};
using Key = std::unique_ptr<std::remove_pointer_t<HKEY>, KeyCloser>;

// The current user's key at `path`, made when missing; empty when it cannot be had.
Key KeyForWriting(const std::wstring& path) {
    HKEY key = nullptr;
    const LONG status =
        RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr);
    return Key(status == ERROR_SUCCESS ? key : nullptr);
}

}  // namespace

bool WriteUserProxySettings(const UserProxySettings& settings) {
    const Key values = KeyForWriting(kInternetSettings);
    const Key connections = KeyForWriting(std::wstring(kInternetSettings) + L"\\Connections");
    if (!values || !connections) return false;
    const DWORD enable = settings.Server.empty() ? 0 : 1;
    const std::vector<BYTE> blob = ConnectionBlob(settings);
    return RegSetValueExW(values.get(), L"ProxyEnable", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&enable),
                          sizeof enable) == ERROR_SUCCESS &&
           PutString(values.get(), L"ProxyServer", settings.Server) &&
           PutString(values.get(), L"ProxyOverride", settings.Bypass) &&
           PutString(values.get(), L"AutoConfigURL", settings.AutoConfigUrl) &&
           RegSetValueExW(connections.get(), L"DefaultConnectionSettings", 0, REG_BINARY, blob.data(),
                          static_cast<DWORD>(blob.size())) == ERROR_SUCCESS;
}

bool ClearUserProxySettings() { return WriteUserProxySettings({}); }

}  // namespace testsupport
