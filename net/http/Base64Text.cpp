#include "net/http/Base64Text.h"

namespace base64text {

const char kMimeAlphabet[65] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
// uuencode: the grave accent for 0 (so a line never starts with a space), then codes 33..95.
const char kUuAlphabet[65] = "`!\"#$%&'()*+,-./0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_";

void AppendGroups(const unsigned char* bytes, std::size_t n, const char* alphabet, bool pad, std::string& out) {
    std::size_t i = 0;
    for (; i + 3 <= n; i += 3) {
        const unsigned a = bytes[i], b = bytes[i + 1], c = bytes[i + 2];
        out += alphabet[a >> 2];
        out += alphabet[((a & 3) << 4) | (b >> 4)];
        out += alphabet[((b & 15) << 2) | (c >> 6)];
        out += alphabet[c & 63];
    }
    if (n - i == 1) {
        const unsigned a = bytes[i];
        out += alphabet[a >> 2];
        out += alphabet[(a & 3) << 4];
        if (pad) out += "==";
    } else if (n - i == 2) {
        const unsigned a = bytes[i], b = bytes[i + 1];
        out += alphabet[a >> 2];
        out += alphabet[((a & 3) << 4) | (b >> 4)];
        out += alphabet[(b & 15) << 2];
        if (pad) out += '=';
    }
}

std::string Encode(const std::string& text) {
    std::string out;
    out.reserve((text.size() + 2) / 3 * 4);
    AppendGroups(reinterpret_cast<const unsigned char*>(text.data()), text.size(), kMimeAlphabet, true, out);
    return out;
}

}  // namespace base64text
