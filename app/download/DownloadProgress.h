#pragma once
// What page 4 shows while a file downloads: the progress bar's range and position and the two
// labels, computed from the announced and received byte counts. No windows.h: the host build
// tests it, and the Windows build feeds it the user's decimal separator.
#include <cstdint>
#include <string>
#include <string_view>

namespace progress {

// `bytes` in megabytes (2^20 bytes) with two decimals ("%0.02f"), `separator` between the whole
// part and the decimals. The hundredths are rounded from the exact value, halves to even, so the
// text is the same whatever C runtime formats it.
std::string Megabytes(std::int64_t bytes, std::string_view separator);

// A real number rounded to the nearest whole number, exact halves to the even neighbour.
std::int64_t RoundHalfEven(double value);

// The progress bar's int range: a body over 2 GiB is scaled down until its length fits.
struct BarState {
    int maximum = 0;
    int position = 0;
};
BarState ScaleToBar(std::int64_t received, std::int64_t expected);

struct DownloadView {
    BarState bar;
    std::string bytesLabel;  // "0.50 / 2.00 Megs"
    std::string fileLabel;   // "quorvane.exe (25 %)"
};

// The view for `received` of `expected` bytes of `file`. False when no length was announced
// (expected 0): the bar and labels keep what they show.
bool ComputeView(const std::string& file, std::int64_t received, std::int64_t expected, std::string_view separator,
                 DownloadView& view);

}  // namespace progress
