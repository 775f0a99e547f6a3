#include "app/transaction/ProfileSetting.h"

#include "encoding/TextEncoding.h"

#include <windows.h>

#include <vector>

namespace transaction {
namespace {

// GetPrivateProfileStringW into a buffer that grows until what it returns fits: the call says it
// cut the text by returning the buffer's size less one (a value) or two (a list of names).
std::wstring ReadProfile(const wchar_t* section, const wchar_t* key, const std::wstring& file) {
    std::vector<wchar_t> buffer(256);
    for (;;) {
        const DWORD length =
            GetPrivateProfileStringW(section, key, L"", buffer.data(), DWORD(buffer.size()), file.c_str());
        if (length + 2 < buffer.size()) return std::wstring(buffer.data(), length + (key ? 0 : 1));
        buffer.resize(buffer.size() * 2);
    }
}

}  // namespace

std::optional<std::string> ReadSetting(const std::string& file, const std::string& section, const std::string& key) {
    const DWORD attributes = GetFileAttributesW(encoding::WidenPath(file).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return std::nullopt;
    const std::wstring wideFile = encoding::WidenPath(file), wideSection = encoding::WidenPath(section),
                       wideKey = encoding::WidenPath(key);
    // The names of the section's keys, each ended by a null: a key set to "" is there all the same.
    const std::wstring names = ReadProfile(wideSection.c_str(), nullptr, wideFile);
    for (std::size_t at = 0; at < names.size();) {
        const std::size_t end = names.find(L'\0', at);
        const std::wstring name = names.substr(at, end - at);
        if (CompareStringOrdinal(name.c_str(), -1, wideKey.c_str(), -1, TRUE) == CSTR_EQUAL)
            return encoding::NarrowPath(ReadProfile(wideSection.c_str(), wideKey.c_str(), wideFile));
        if (end == std::wstring::npos) break;
        at = end + 1;
    }
    return std::nullopt;
}

}  // namespace transaction
