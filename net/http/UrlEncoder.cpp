#include "net/http/UrlEncoder.h"

#include <exception>

std::string TUrlEncoder::FormEncode(const std::string& text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        const bool alnum = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
        if (alnum) {
            out += ch;
        } else if (c == ' ') {
            out += '+';
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

std::string TUrlEncoder::Encode() {
    // The whole input is encoded, however long: counting its length in 16 bits would silently
    // drop everything past 65535 bytes.
    try {
        return FormEncode(InputString);
    } catch (const std::exception& e) {
        if (OnError) OnError(*this, "Error during encode", e.what());
        return InputString;
    }
}
