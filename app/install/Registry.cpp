#include "app/install/Registry.h"

#include "app/install/InstallSupport.h"
#include "app/log/InstallLog.h"
#include "ui/Text.h"

#include <utility>

namespace install {

RegistryFaults& TestRegistryFaults() {
    static RegistryFaults faults;
    return faults;
}

namespace {

bool InjectedFailure(const std::string& wanted, const std::string& name) {
    return !wanted.empty() &&
           CompareStringOrdinal(ui::WidenPath(wanted).c_str(), -1, ui::WidenPath(name).c_str(), -1, TRUE) == CSTR_EQUAL;
}

}  // namespace

std::optional<RegistryKey> RegistryKey::TryCreate(HKEY root, const std::string& path) {
    if (InjectedFailure(TestRegistryFaults().CreateKey, path)) return std::nullopt;
    HKEY key = nullptr;
    LONG status = RegCreateKeyExW(root, ui::WidenPath(path).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                  KEY_ALL_ACCESS, nullptr, &key, nullptr);
    if (status != ERROR_SUCCESS) return std::nullopt;
    return RegistryKey(key, std::string(root == HKEY_LOCAL_MACHINE ? "HKLM\\" : "HKCU\\") + path);
}

RegistryKey RegistryKey::Create(HKEY root, const std::string& path) {
    std::optional<RegistryKey> key = TryCreate(root, path);
    if (!key) {
        LogLine("Registry key " + path + " cannot be created");
        throw InstallError("Failed to create key " + path);
    }
    return std::move(*key);
}

RegistryKey::RegistryKey(RegistryKey&& other) noexcept
    : key_(std::exchange(other.key_, nullptr)), path_(std::move(other.path_)) {}

RegistryKey& RegistryKey::operator=(RegistryKey&& other) noexcept {
    if (this != &other) {
        if (key_) RegCloseKey(key_);
        key_ = std::exchange(other.key_, nullptr);
        path_ = std::move(other.path_);
    }
    return *this;
}

RegistryKey::~RegistryKey() {
    if (key_) RegCloseKey(key_);
}

void RegistryKey::WriteString(const std::string& name, const std::string& data) {
    const std::wstring wide = ui::WidenPath(data);
    Write(name, REG_SZ, reinterpret_cast<const BYTE*>(wide.c_str()), DWORD((wide.size() + 1) * sizeof(wchar_t)),
          "\"" + data + "\"");
}

void RegistryKey::WriteDword(const std::string& name, DWORD data) {
    Write(name, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data, std::to_string(data));
}

void RegistryKey::WriteQword(const std::string& name, std::uint64_t data) {
    Write(name, REG_QWORD, reinterpret_cast<const BYTE*>(&data), sizeof data, std::to_string(data));
}

void RegistryKey::Write(const std::string& name, DWORD type, const BYTE* data, DWORD size, const std::string& shown) {
    LONG status = ERROR_ACCESS_DENIED;
    if (!InjectedFailure(TestRegistryFaults().SetValue, name))
        status = RegSetValueExW(key_, ui::WidenPath(name).c_str(), 0, type, data, size);
    if (status != ERROR_SUCCESS) {
        LogLine("Registry " + path_ + " " + name + " not written: " + SystemErrorText(DWORD(status)));
        throw InstallError("Failed to set data for '" + name + "'");
    }
    LogLine("Registry " + path_ + " " + name + " = " + shown);
}

}  // namespace install
