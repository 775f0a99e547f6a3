#pragma once
// What the fuzz targets share to vary their inputs.
#include <string>
#include <string_view>

// `text` with its ASCII letters in upper case: the parsers that ignore letter case must give the
// same answer for it.
inline std::string UpperAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}
