#include "app/download/DownloadProgress.h"

#include <climits>
#include <cmath>

namespace progress {

namespace {
constexpr std::int64_t kMegabyte = 1 << 20;
}  // namespace

std::string Megabytes(std::int64_t bytes, std::string_view separator) {
    if (bytes < 0) bytes = 0;
    // Whole megabytes and the rest apart, so that bytes * 100 cannot overflow.
    const std::int64_t whole = bytes / kMegabyte;
    const std::int64_t scaled = (bytes % kMegabyte) * 100;
    std::int64_t hundredths = whole * 100 + scaled / kMegabyte;
    const std::int64_t rest = scaled % kMegabyte;
    if (rest * 2 > kMegabyte || (rest * 2 == kMegabyte && hundredths % 2 == 1)) ++hundredths;
    const std::int64_t fraction = hundredths % 100;
    std::string text = std::to_string(hundredths / 100);
    text += separator;
    text += char('0' + fraction / 10);
    text += char('0' + fraction % 10);
    return text;
}

std::int64_t RoundHalfEven(double value) {
    const double floor = std::floor(value);
    const double diff = value - floor;
    auto result = static_cast<std::int64_t>(floor);
    if (diff > 0.5 || (diff == 0.5 && result % 2 != 0)) ++result;
    return result;
}

BarState ScaleToBar(std::int64_t received, std::int64_t expected) {
    if (expected <= 0) return {};
    if (received < 0) received = 0;
    int shift = 0;
    while ((expected >> shift) > INT_MAX) ++shift;
    const std::int64_t position = received >> shift;
    return {static_cast<int>(expected >> shift), static_cast<int>(position > INT_MAX ? INT_MAX : position)};
}

bool ComputeView(const std::string& file, std::int64_t received, std::int64_t expected, std::string_view separator,
                 DownloadView& view) {
    if (expected <= 0) return false;
    view.bar = ScaleToBar(received, expected);
    view.bytesLabel = Megabytes(received, separator) + " / " + Megabytes(expected, separator) + " Megs";
    const double percent = static_cast<double>(received) * 100.0 / static_cast<double>(expected);
    view.fileLabel = file + " (" + std::to_string(RoundHalfEven(percent)) + " %)";
    return true;
}

}  // namespace progress
