#include "app/install/Registry.h"

#include "app/install/InstallSupport.h"
#include "app/log/InstallLog.h"
#include "encoding/TextEncoding.h"

#include <utility>

namespace install {

RegistryFaults& TestRegistryFaults() {
    static RegistryFaults faults;
    return faults;
}

namespace {

RegistryUndoLog* g_undoLog = nullptr;

std::string RootName(HKEY root) { return root == HKEY_LOCAL_MACHINE ? "HKLM" : "HKCU"; }

bool KeyExists(HKEY root, const std::wstring& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

// RegCreateKeyEx makes every missing level of the path: each is told, the highest first, so that
// undoing them in reverse removes the deepest first.
void TellMissingLevels(HKEY root, const std::string& path) {
    bool missing = false;
    for (std::size_t end = 0; end != std::string::npos;) {
        end = path.find('\\', end + 1);
        const std::string level = path.substr(0, end);
        missing = missing || !KeyExists(root, encoding::WidenPath(level));
        if (missing) g_undoLog->KeyCreating(RootName(root), level);
    }
}

std::optional<RegistryValue> ReadValue(HKEY key, const std::wstring& name) {
    DWORD type = REG_NONE, size = 0;
    if (RegQueryValueExW(key, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return std::nullopt;
    RegistryValue value{type, std::string(size, '\0')};
    // The value may grow between the two calls: read until it fits.
    LONG status = ERROR_MORE_DATA;
    while (status == ERROR_MORE_DATA) {
        size = DWORD(value.Data.size());
        status = RegQueryValueExW(key, name.c_str(), nullptr, &value.Type, reinterpret_cast<BYTE*>(value.Data.data()),
                                  &size);
        if (status == ERROR_MORE_DATA) value.Data.resize(size);
    }
    if (status != ERROR_SUCCESS) return std::nullopt;
    value.Data.resize(size);
    return value;
}

bool InjectedFailure(const std::string& wanted, const std::string& name) {
    return !wanted.empty() && CompareStringOrdinal(encoding::WidenPath(wanted).c_str(), -1,
                                                   encoding::WidenPath(name).c_str(), -1, TRUE) == CSTR_EQUAL;
}

}  // namespace

void SetRegistryUndoLog(RegistryUndoLog* log) { g_undoLog = log; }

std::optional<RegistryValue> ReadRegistryValue(HKEY root, const std::string& path, const std::string& name) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, encoding::WidenPath(path).c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return std::nullopt;
    std::optional<RegistryValue> value = ReadValue(key, encoding::WidenPath(name));
    RegCloseKey(key);
    return value;
}

std::optional<RegistryKey> RegistryKey::TryCreate(HKEY root, const std::string& path) {
    if (InjectedFailure(TestRegistryFaults().CreateKey, path)) return std::nullopt;
    if (g_undoLog) TellMissingLevels(root, path);
    HKEY key = nullptr;
    LONG status = RegCreateKeyExW(root, encoding::WidenPath(path).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                  KEY_ALL_ACCESS, nullptr, &key, nullptr);
    if (status != ERROR_SUCCESS) return std::nullopt;
    return RegistryKey(key, RootName(root), path);
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
    : key_(std::exchange(other.key_, nullptr)), root_(std::move(other.root_)), subPath_(std::move(other.subPath_)) {}

RegistryKey& RegistryKey::operator=(RegistryKey&& other) noexcept {
    if (this != &other) {
        if (key_) RegCloseKey(key_);
        key_ = std::exchange(other.key_, nullptr);
        root_ = std::move(other.root_);
        subPath_ = std::move(other.subPath_);
    }
    return *this;
}

RegistryKey::~RegistryKey() {
    if (key_) RegCloseKey(key_);
}

void RegistryKey::WriteString(const std::string& name, const std::string& data) {
    const std::wstring wide = encoding::WidenPath(data);
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
    const std::wstring wideName = encoding::WidenPath(name);
    if (g_undoLog) g_undoLog->ValueSetting(root_, subPath_, name, ReadValue(key_, wideName));
    LONG status = ERROR_ACCESS_DENIED;
    if (!InjectedFailure(TestRegistryFaults().SetValue, name))
        status = RegSetValueExW(key_, wideName.c_str(), 0, type, data, size);
    const std::string path = root_ + "\\" + subPath_;
    if (status != ERROR_SUCCESS) {
        LogLine("Registry " + path + " " + name + " not written: " + SystemErrorText(DWORD(status)));
        throw InstallError("Failed to set data for '" + name + "'");
    }
    LogLine("Registry " + path + " " + name + " = " + shown);
}

}  // namespace install
