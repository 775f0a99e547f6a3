#include "net/http/ContentRange.h"

#include <limits>

namespace {

// Digits only, at most 63 bits; otherwise nothing.
std::optional<std::int64_t> Number(std::string_view digits) {
    if (digits.empty()) return std::nullopt;
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    std::int64_t value = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9' || value > (kMax - (c - '0')) / 10) return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

bool StartsWithUnit(std::string_view value) {
    constexpr std::string_view kUnit = "bytes ";
    if (value.size() < kUnit.size()) return false;
    for (std::size_t i = 0; i < kUnit.size(); ++i) {
        const char c = value[i] >= 'A' && value[i] <= 'Z' ? static_cast<char>(value[i] - 'A' + 'a') : value[i];
        if (c != kUnit[i]) return false;
    }
    return true;
}

}  // namespace

std::optional<TContentRange> ParseContentRange(std::string_view value) {
    if (!StartsWithUnit(value)) return std::nullopt;
    value.remove_prefix(6);
    const std::size_t dash = value.find('-');
    const std::size_t slash = value.find('/');
    if (dash == std::string_view::npos || slash == std::string_view::npos || slash < dash) return std::nullopt;
    const auto first = Number(value.substr(0, dash));
    const auto last = Number(value.substr(dash + 1, slash - dash - 1));
    const std::string_view totalText = value.substr(slash + 1);
    const auto total = totalText == "*" ? std::optional<std::int64_t>(-1) : Number(totalText);
    if (!first || !last || !total || *last < *first || (*total >= 0 && *last >= *total)) return std::nullopt;
    return TContentRange{*first, *last, *total};
}
