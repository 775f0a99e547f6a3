#pragma once
// The Base64 and uuencode alphabets' encoding of bytes, without streams: the stream encoder
// encodes each line with it, and the Basic credentials of a request need nothing more.
#include <cstddef>
#include <string>

namespace base64text {

extern const char kMimeAlphabet[65];
extern const char kUuAlphabet[65];

// Appends to `out` the 4-character groups of n bytes in `alphabet`; a partial last group is
// padded with "=" when `pad` (MIME), cut short otherwise (uuencode).
void AppendGroups(const unsigned char* bytes, std::size_t n, const char* alphabet, bool pad, std::string& out);

// MIME Base64 of text as one unbroken string.
std::string Encode(const std::string& text);

}  // namespace base64text
