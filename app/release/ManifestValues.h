#pragma once
// The value checks of the release manifest's fields, one function per kind of value. Each takes
// the field exactly as it stands between its separators and says whether format 1 allows it,
// writing the decoded value where there is one.
#include <array>
#include <cstdint>
#include <string_view>

namespace release {

using Sha256Bytes = std::array<std::uint8_t, 32>;

// 1 to 32 characters of 0-9 A-Z a-z . + -
bool IsVersion(std::string_view text);

// A decimal integer from `low` to `high` written with digits alone: no sign, and no leading zero
// (one spelling per number, so the text a person reads and the value compared are the same).
bool ParseDecimal(std::string_view text, std::uint64_t low, std::uint64_t high, std::uint64_t& value);

// YYYY-MM-DDThh:mm:ssZ, a real date from 1970 to 9999 and a time without a leap second; `seconds`
// receives the seconds since 1970-01-01T00:00:00Z.
bool ParseUtcTime(std::string_view text, std::int64_t& seconds);

// An absolute http:// or https:// URL ending in '/': a host name, an IPv4 address or a bracketed
// IPv6 address, an optional port from 1 to 65535, then a path of visible ASCII characters without
// a query or fragment, since the installer appends a file name to it.
bool IsMirrorUrl(std::string_view text);

// 1 to 64 characters of A-Z a-z 0-9 . _ -, neither starting nor ending with a dot, and not a
// device name of Windows with or without an extension.
bool IsFileName(std::string_view text);

// 64 lowercase hexadecimal digits.
bool ParseSha256(std::string_view text, Sha256Bytes& digest);

}  // namespace release
