// Form-encoding of arbitrary bytes: only safe characters come out, and decoding gives the input.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "net/http/UrlEncoder.h"

namespace {

int Hex(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    std::abort();  // the encoder writes upper-case digits only
}

std::string Decode(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '+') {
            out += ' ';
        } else if (text[i] == '%') {
            if (i + 2 >= text.size()) std::abort();  // a cut escape
            out += static_cast<char>(Hex(text[i + 1]) * 16 + Hex(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TUrlEncoder encoder;
    encoder.InputString.assign(reinterpret_cast<const char*>(data), size);
    encoder.OnError = [](TUrlEncoder&, const std::string&, const std::string&) { std::abort(); };
    const std::string encoded = encoder.Encode();
    for (const char c : encoded) {
        const bool safe =
            (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' || c == '%';
        if (!safe) std::abort();
    }
    if (Decode(encoded) != encoder.InputString) std::abort();
    return 0;
}
