#include "app/cache/CacheRules.h"

#include "app/verify/Sha256.h"

#include <algorithm>
#include <cstdint>

namespace cache {
namespace {

constexpr char kPartSuffix[] = ".part";
constexpr std::int64_t kTicksPerDay = 24LL * 60 * 60 * 10'000'000;  // FILETIME counts 100 ns

std::int64_t Ticks(FILETIME time) {
    return static_cast<std::int64_t>((std::uint64_t(time.dwHighDateTime) << 32) | time.dwLowDateTime);
}

// 64 lowercase hexadecimal digits and the suffix, as KeptName writes them.
bool IsKeptName(const std::wstring& name) {
    const std::size_t digits = 64, suffix = sizeof kPartSuffix - 1;
    if (name.size() != digits + suffix) return false;
    for (std::size_t i = 0; i < suffix; ++i)
        if (name[digits + i] != static_cast<wchar_t>(kPartSuffix[i])) return false;
    return std::all_of(name.begin(), name.begin() + digits,
                       [](wchar_t c) { return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f'); });
}

}  // namespace

std::string KeptName(const release::TReleaseFile& file) { return verify::HexDigest(file.Sha256) + kPartSuffix; }

bool StaysInCache(const std::wstring& name, FILETIME lastWrite, FILETIME now,
                  const std::vector<release::TReleaseFile>& release) {
    if (!IsKeptName(name)) return false;
    for (const release::TReleaseFile& file : release) {
        const std::string kept = KeptName(file);
        if (std::equal(name.begin(), name.end(), kept.begin(), kept.end())) return true;
    }
    const std::int64_t age = Ticks(now) - Ticks(lastWrite);
    return age > -kTicksPerDay && age < kPartialDays * kTicksPerDay;
}

}  // namespace cache
