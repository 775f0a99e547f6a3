#pragma once
// One open registry key, closed on every exit path, with the registry's standard error messages.
// Key paths, value names and texts are UTF-8: a value may hold a path, with any character.
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

namespace install {

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
    RegistryKey(HKEY key, std::string path) : key_(key), path_(std::move(path)) {}
    void Write(const std::string& name, DWORD type, const BYTE* data, DWORD size, const std::string& shown);
    HKEY key_ = nullptr;
    std::string path_;  // root and key, as the log names them
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
