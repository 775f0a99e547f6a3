#pragma once
// One open registry key, closed on every exit path, with the registry's standard error messages.
// Key paths, value names and texts are UTF-8: a value may hold a path, with any character.
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

namespace install {

// A value as the registry holds it: its type and its bytes.
struct RegistryValue {
    DWORD Type = REG_NONE;
    std::string Data;
};

// Told of each change the registry wrapper is about to make, before it makes it: what undoes the
// change (the transaction's journal). `root` is "HKLM" or "HKCU". A throw stops the change.
class RegistryUndoLog {
public:
    virtual ~RegistryUndoLog() = default;
    // A key about to be made: each missing level, the highest first.
    virtual void KeyCreating(const std::string& root, const std::string& path) = 0;
    // A value about to be written, with the one it replaces; none when there was none.
    virtual void ValueSetting(const std::string& root, const std::string& path, const std::string& name,
                              const std::optional<RegistryValue>& previous) = 0;
};
// While set (null: none), every key made and every value written through RegistryKey is told to
// `log` first.
void SetRegistryUndoLog(RegistryUndoLog* log);

// The value `name` of the key `path` under `root`; none when the key or the value is missing.
std::optional<RegistryValue> ReadRegistryValue(HKEY root, const std::string& path, const std::string& name);

class RegistryKey {
public:
    // Opens `path` under `root` with full access, creating it when missing.
    // Throws InstallError "Failed to create key <path>" when it cannot.
    static RegistryKey Create(HKEY root, const std::string& path);
    // The same, but an empty result instead of an error.
    static std::optional<RegistryKey> TryCreate(HKEY root, const std::string& path);

    RegistryKey(RegistryKey&& other) noexcept;
    RegistryKey& operator=(RegistryKey&& other) noexcept;
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;
    ~RegistryKey();

    // Writes a REG_SZ value. Throws InstallError "Failed to set data for '<name>'".
    void WriteString(const std::string& name, const std::string& data);
    // Writes a REG_DWORD value, with the same error.
    void WriteDword(const std::string& name, DWORD data);
    // Writes a REG_QWORD value, with the same error.
    void WriteQword(const std::string& name, std::uint64_t data);

private:
    RegistryKey(HKEY key, std::string root, std::string path)
        : key_(key), root_(std::move(root)), subPath_(std::move(path)) {}
    void Write(const std::string& name, DWORD type, const BYTE* data, DWORD size, const std::string& shown);
    HKEY key_ = nullptr;
    std::string root_;     // "HKLM" or "HKCU"
    std::string subPath_;  // the key under it
};

// Test seam: Wine grants every registry access, so tests name a key (compared without regard to
// case, as the registry does) or a value that must fail as if access had been denied. Empty
// strings, the default, leave every call to the registry.
struct RegistryFaults {
    std::string CreateKey;
    std::string SetValue;
};
RegistryFaults& TestRegistryFaults();

}  // namespace install
