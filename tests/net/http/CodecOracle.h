#pragma once
// Decoders used only to check the encoders (the installer itself never decodes): an encoded text
// must decode back to its input, and every line must have the layout the format demands.
#include <optional>
#include <string>
#include <string_view>

namespace codec_oracle {

inline constexpr std::string_view kMime = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
inline constexpr std::string_view kUu = "`!\"#$%&'()*+,-./0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_";

// Decodes the groups of one line body; nullopt for a character outside the alphabet.
inline std::optional<std::string> DecodeGroups(std::string_view body, std::string_view alphabet, std::size_t n) {
    std::string out;
    unsigned bits = 0;
    int count = 0;
    for (const char ch : body) {
        const auto v = alphabet.find(ch);
        if (v == std::string_view::npos) return std::nullopt;
        bits = (bits << 6) | static_cast<unsigned>(v);
        count += 6;
        if (count >= 8) {
            count -= 8;
            out += static_cast<char>((bits >> count) & 0xFF);
        }
    }
    if (out.size() < n) return std::nullopt;
    out.resize(n);
    return out;
}

// Decodes the lines of TStreamEncoder's output; nullopt when the layout is wrong.
inline std::optional<std::string> Decode(std::string_view text, bool uu) {
    std::string out;
    bool ended = false;
    while (!text.empty()) {
        const auto end = text.find("\r\n");
        if (end == std::string_view::npos || ended) return std::nullopt;
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end + 2);
        if (line.empty()) return std::nullopt;
        std::size_t n = 0;
        if (uu) {
            n = kUu.find(line[0]);
            line.remove_prefix(1);
            if (n == 0) {
                ended = true;
                if (!line.empty()) return std::nullopt;
                continue;
            }
            if (n > 45 || line.size() != (n * 4 + 2) / 3) return std::nullopt;
        } else {
            if (line.size() % 4 != 0 || line.size() > 60) return std::nullopt;
            const std::size_t pad = line.ends_with("==") ? 2 : line.ends_with("=") ? 1 : 0;
            n = line.size() / 4 * 3 - pad;
            line.remove_suffix(pad);
            if (line.size() < 60 && !text.empty()) return std::nullopt;  // only the last line is short
        }
        const auto bytes = DecodeGroups(line, uu ? kUu : kMime, n);
        if (!bytes) return std::nullopt;
        out += *bytes;
    }
    if (uu && !ended) return std::nullopt;
    return out;
}

}  // namespace codec_oracle
