#include "encoding/TextEncoding.h"

#include <windows.h>

#include <stdexcept>

namespace encoding {

namespace {
constexpr UINT kLatin1 = 1252;

std::wstring ToWide(UINT codePage, DWORD flags, std::string_view text) {
    if (text.empty()) return {};
    int n = MultiByteToWideChar(codePage, flags, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (n <= 0) throw std::invalid_argument("Not a valid path: " + std::string(text));
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(codePage, flags, text.data(), static_cast<int>(text.size()), out.data(), n);
    return out;
}

std::string ToBytes(UINT codePage, std::wstring_view text) {
    if (text.empty()) return {};
    int n = WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

}  // namespace

// Windows-1252 maps every byte, so the conversion cannot fail.
std::wstring Widen(std::string_view text) { return ToWide(kLatin1, 0, text); }

std::string Narrow(std::wstring_view text) { return ToBytes(kLatin1, text); }

std::wstring WidenPath(std::string_view utf8) { return ToWide(CP_UTF8, MB_ERR_INVALID_CHARS, utf8); }

std::string NarrowPath(std::wstring_view utf16) { return ToBytes(CP_UTF8, utf16); }

std::wstring WidenMessage(std::string_view utf8) { return ToWide(CP_UTF8, 0, utf8); }

}  // namespace encoding
