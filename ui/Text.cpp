#include "ui/Text.h"

#include <windows.h>

namespace ui {

namespace {
constexpr UINT kLatin1 = 1252;
}

std::wstring Widen(std::string_view text) {
    if (text.empty()) return {};
    int n = MultiByteToWideChar(kLatin1, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(kLatin1, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
    return out;
}

std::string Narrow(std::wstring_view text) {
    if (text.empty()) return {};
    int n = WideCharToMultiByte(kLatin1, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(kLatin1, 0, text.data(), static_cast<int>(text.size()), out.data(), n,
                        nullptr, nullptr);
    return out;
}

}  // namespace ui
