#include "app/release/ManifestValues.h"

#include <algorithm>
#include <string>

namespace release {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsAlpha(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool AllOf(std::string_view text, bool (*allowed)(char)) { return std::all_of(text.begin(), text.end(), allowed); }

// Fixed-width digits of a time stamp: leading zeros belong to that form.
bool FixedDigits(std::string_view text, int& value) {
    if (!AllOf(text, IsDigit)) return false;
    value = 0;
    for (const char c : text) value = value * 10 + (c - '0');
    return true;
}

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Days from 1970-01-01 to the given date of the proleptic Gregorian calendar.
std::int64_t DaysSinceEpoch(int year, int month, int day) {
    std::int64_t days = 0;
    for (int y = 1970; y < year; ++y) days += IsLeapYear(y) ? 366 : 365;
    for (int m = 1; m < month; ++m) days += DaysInMonth(year, m);
    return days + day - 1;
}

bool IsHostNameChar(char c) { return IsAlpha(c) || IsDigit(c) || c == '.' || c == '-'; }
bool IsIpv6Char(char c) { return IsDigit(c) || (Upper(c) >= 'A' && Upper(c) <= 'F') || c == ':' || c == '.'; }
// Visible ASCII, without what would end the path (query, fragment) or be read as a separator
// by some tool (backslash).
bool IsPathChar(char c) { return c > ' ' && c < 0x7f && c != '?' && c != '#' && c != '\\'; }
bool IsFileNameChar(char c) { return IsAlpha(c) || IsDigit(c) || c == '.' || c == '_' || c == '-'; }

bool IsHost(std::string_view host) {
    if (host.size() > 2 && host.front() == '[' && host.back() == ']')
        return AllOf(host.substr(1, host.size() - 2), IsIpv6Char);
    return !host.empty() && host.size() <= 253 && AllOf(host, IsHostNameChar) && host.front() != '.' &&
           host.front() != '-';
}

}  // namespace

bool IsVersion(std::string_view text) {
    return !text.empty() && text.size() <= 32 &&
           AllOf(text, [](char c) { return IsAlpha(c) || IsDigit(c) || c == '.' || c == '+' || c == '-'; });
}

bool ParseDecimal(std::string_view text, std::uint64_t low, std::uint64_t high, std::uint64_t& value) {
    if (text.empty() || text.size() > 20 || !AllOf(text, IsDigit) || (text.size() > 1 && text[0] == '0')) return false;
    std::uint64_t result = 0;
    for (const char c : text) {
        const std::uint64_t digit = static_cast<std::uint64_t>(c - '0');
        if (result > (UINT64_MAX - digit) / 10) return false;
        result = result * 10 + digit;
    }
    if (result < low || result > high) return false;
    value = result;
    return true;
}

bool ParseUtcTime(std::string_view text, std::int64_t& seconds) {
    // 0123456789012345678901
    // YYYY-MM-DDThh:mm:ssZ
    if (text.size() != 20 || text[4] != '-' || text[7] != '-' || text[10] != 'T' || text[13] != ':' ||
        text[16] != ':' || text[19] != 'Z')
        return false;
    int year, month, day, hour, minute, second;
    if (!FixedDigits(text.substr(0, 4), year) || !FixedDigits(text.substr(5, 2), month) ||
        !FixedDigits(text.substr(8, 2), day) || !FixedDigits(text.substr(11, 2), hour) ||
        !FixedDigits(text.substr(14, 2), minute) || !FixedDigits(text.substr(17, 2), second))
        return false;
    if (year < 1970 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month) || hour > 23 ||
        minute > 59 || second > 59)
        return false;
    seconds = DaysSinceEpoch(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
    return true;
}

bool IsMirrorUrl(std::string_view text) {
    std::string_view rest;
    if (text.starts_with("https://")) rest = text.substr(8);
    else if (text.starts_with("http://")) rest = text.substr(7);
    else return false;
    const std::size_t slash = rest.find('/');
    if (slash == std::string_view::npos || !text.ends_with('/')) return false;
    std::string_view authority = rest.substr(0, slash);
    // The port follows the last colon outside an IPv6 address's brackets.
    const std::size_t colon = authority.rfind(':');
    if (colon != std::string_view::npos && authority.find(']', colon) == std::string_view::npos) {
        std::uint64_t port;
        if (!ParseDecimal(authority.substr(colon + 1), 1, 65535, port)) return false;
        authority = authority.substr(0, colon);
    }
    return IsHost(authority) && AllOf(rest.substr(slash), IsPathChar);
}

bool IsFileName(std::string_view text) {
    if (text.empty() || text.size() > 64 || !AllOf(text, IsFileNameChar) || text.front() == '.' || text.back() == '.')
        return false;
    // Windows opens the device whatever extension follows its name: CON.txt is the console.
    std::string base(text.substr(0, text.find('.')));
    std::transform(base.begin(), base.end(), base.begin(), Upper);
    if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL") return false;
    const bool numbered = base.size() == 4 && (base.starts_with("COM") || base.starts_with("LPT"));
    return !(numbered && base[3] >= '1' && base[3] <= '9');
}

bool ParseSha256(std::string_view text, Sha256Bytes& digest) {
    auto nibble = [](char c) { return IsDigit(c) ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1; };
    if (text.size() != 64) return false;
    Sha256Bytes result{};
    for (std::size_t i = 0; i < 64; ++i) {
        const int value = nibble(text[i]);
        if (value < 0) return false;
        result[i / 2] = static_cast<std::uint8_t>(result[i / 2] << 4 | value);
    }
    digest = result;
    return true;
}

}  // namespace release
