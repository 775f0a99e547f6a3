#include "i18n/MessageText.h"

namespace {

// 0x80..0x9F, where Windows-1252 departs from Latin-1.
constexpr char16_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

void AppendUtf8(std::string& out, char16_t c) {
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

}  // namespace

std::string Utf8FromCp1252(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    for (char byte : text) {
        const auto b = static_cast<unsigned char>(byte);
        AppendUtf8(out, b >= 0x80 && b < 0xA0 ? kHighControls[b - 0x80] : char16_t(b));
    }
    return out;
}

std::string TranslatedUtf8(TextId id) { return Utf8FromCp1252(Translated(id)); }
