#include "app/install/InstallSupport.h"

#include "encoding/TextEncoding.h"

namespace install {

std::string SystemErrorText(DWORD code) {
    wchar_t* buffer = nullptr;
    DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text = length ? std::wstring(buffer, length) : std::wstring();
    LocalFree(buffer);
    while (!text.empty() &&
           (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ' || text.back() == L'.'))
        text.pop_back();
    if (text.empty()) return "system error " + std::to_string(code);
    return encoding::NarrowPath(text);
}

std::string Quoted(const std::string& path) { return '"' + path + '"'; }

std::string WithBackslash(std::string path) {
    if (!path.empty() && path.back() != '\\') path += '\\';
    return path;
}

}  // namespace install
