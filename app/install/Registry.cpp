#include "app/install/Registry.h"

#include "app/install/InstallSupport.h"
#include "ui/Text.h"

#include <utility>

namespace install {

RegistryFaults& TestRegistryFaults() {
    static RegistryFaults faults;
    return faults;
}

namespace {

bool InjectedFailure(const std::string& wanted, const std::string& name) {
    return !wanted.empty() && CompareStringOrdinal(ui::Widen(wanted).c_str(), -1, ui::Widen(name).c_str(), -1,
                                                   TRUE) == CSTR_EQUAL;
}

}  // namespace

std::optional<RegistryKey> RegistryKey::TryCreate(HKEY root, const std::string& path) {
    if (InjectedFailure(TestRegistryFaults().CreateKey, path)) return std::nullopt;
    HKEY key = nullptr;
    LONG status = RegCreateKeyExW(root, ui::Widen(path).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                  KEY_ALL_ACCESS, nullptr, &key, nullptr);
    if (status != ERROR_SUCCESS) return std::nullopt;
    return RegistryKey(key);
}

RegistryKey RegistryKey::Create(HKEY root, const std::string& path) {
    std::optional<RegistryKey> key = TryCreate(root, path);
    if (!key) throw InstallError("Failed to create key " + path);
    return std::move(*key);
}

RegistryKey::RegistryKey(RegistryKey&& other) noexcept : key_(std::exchange(other.key_, nullptr)) {}

RegistryKey& RegistryKey::operator=(RegistryKey&& other) noexcept {
    if (this != &other) {
        if (key_) RegCloseKey(key_);
        key_ = std::exchange(other.key_, nullptr);
    }
    return *this;
}

RegistryKey::~RegistryKey() {
    if (key_) RegCloseKey(key_);
}

void RegistryKey::WriteString(const std::string& name, const std::string& data) { WriteWide(name, ui::Widen(data)); }

void RegistryKey::WritePath(const std::string& name, const std::string& path) { WriteWide(name, ui::WidenPath(path)); }

void RegistryKey::WriteWide(const std::string& name, const std::wstring& wide) {
    LONG status = ERROR_ACCESS_DENIED;
    if (!InjectedFailure(TestRegistryFaults().SetValue, name)) {
        status = RegSetValueExW(key_, ui::Widen(name).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(wide.c_str()),
                                DWORD((wide.size() + 1) * sizeof(wchar_t)));
    }
    if (status != ERROR_SUCCESS) throw InstallError("Failed to set data for '" + name + "'");
}

}  // namespace install
