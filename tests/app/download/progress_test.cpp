// Page 4's figures: megabytes with the locale's separator, the percentage's rounding, the bar's
// range for bodies past the int range, and what stays when no length is announced.
#include "app/download/DownloadProgress.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

using progress::ComputeView;
using progress::DownloadView;
using progress::Megabytes;
using progress::RoundHalfEven;
using progress::ScaleToBar;

TEST(Megabytes, TwoDecimalsRoundedHalfEvenWithTheGivenSeparator) {
    const struct {
        std::int64_t bytes;
        const char* separator;
        const char* text;
    } rows[] = {
        {0, ".", "0.00"},
        {524288, ".", "0.50"},
        {524288, ",", "0,50"},
        {2097152, ".", "2.00"},
        {1048575, ".", "1.00"},                        // 0.99999..: carries into the whole part
        {10485, ".", "0.01"},                          // 0.009999..
        {5242, ".", "0.00"},                           // 0.004999..
        {1048576LL * 300 + 1, " dec ", "300 dec 00"},  // a separator of several bytes
        // 0.125 and 0.375 megabytes are exact in binary: one rounds down, the other up.
        {131072, ".", "0.12"},
        {393216, ".", "0.38"},
        {5LL * 1024 * 1048576, ".", "5120.00"},  // 5 GiB
        {INT64_MAX, ".", "8796093022208.00"},
        {-5, ".", "0.00"},
    };
    for (const auto& row : rows) EXPECT_EQ(Megabytes(row.bytes, row.separator), row.text) << row.bytes;
}

TEST(RoundHalfEven, HalvesToTheEvenNeighbourOthersToTheNearest) {
    const std::pair<double, std::int64_t> rows[] = {{12.5, 12},      {13.5, 14},      {0.5, 0},    {99.5, 100},
                                                    {12.500001, 13}, {13.499999, 13}, {100.0, 100}};
    for (const auto& [value, rounded] : rows) EXPECT_EQ(RoundHalfEven(value), rounded) << value;
}

// Up to the int range the byte counts fill the bar as they are (smaller bodies:
// ComputeView.LabelsAndBarForAnAnnouncedLength); past it they are scaled.
TEST(ScaleToBar, BodiesPastTwoGibibytesAreScaledToFitAndKeepTheirProportion) {
    EXPECT_EQ(ScaleToBar(INT_MAX, INT_MAX).maximum, INT_MAX);
    const std::int64_t expected = 6LL * 1024 * 1048576;  // 6 GiB
    const auto half = ScaleToBar(expected / 2, expected);
    EXPECT_GT(half.maximum, 0);
    EXPECT_LE(half.maximum, INT_MAX);
    EXPECT_EQ(half.position, half.maximum / 2);
    const auto full = ScaleToBar(expected, expected);
    EXPECT_EQ(full.position, full.maximum);
    const auto over = ScaleToBar(INT64_MAX, INT64_MAX);
    EXPECT_EQ(over.position, over.maximum);
    EXPECT_LE(over.maximum, INT_MAX);
}

TEST(ComputeView, LabelsAndBarForAnAnnouncedLength) {
    const struct {
        const char* file;
        std::int64_t received, expected;
        const char* separator;
        const char* bytesLabel;
        const char* fileLabel;
    } rows[] = {
        {"quorvane.exe", 524288, 2097152, ".", "0.50 / 2.00 Megs", "quorvane.exe (25 %)"},
        {"quorvane.ini", 2097152, 2097152, ",", "2,00 / 2,00 Megs", "quorvane.ini (100 %)"},
        {"f", 1, 8, ".", "0.00 / 0.00 Megs", "f (12 %)"},     // 12.5 %: to the even neighbour
        {"f", 27, 200, ".", "0.00 / 0.00 Megs", "f (14 %)"},  // 13.5 %
    };
    for (const auto& row : rows) {
        DownloadView view;
        ASSERT_TRUE(ComputeView(row.file, row.received, row.expected, row.separator, view));
        EXPECT_EQ(view.bytesLabel, row.bytesLabel);
        EXPECT_EQ(view.fileLabel, row.fileLabel);
        // Bodies within the int range fill the bar by their byte counts.
        EXPECT_EQ(view.bar.maximum, row.expected);
        EXPECT_EQ(view.bar.position, row.received);
    }
}

TEST(ComputeView, AFiveGibibyteBodyCountsPastTheIntRange) {
    DownloadView view;
    const std::int64_t expected = 5LL * 1024 * 1048576;
    ASSERT_TRUE(ComputeView("quorvane.exe", expected - 1048576 * 512LL, expected, ".", view));
    EXPECT_EQ(view.bytesLabel, "4608.00 / 5120.00 Megs");
    EXPECT_EQ(view.fileLabel, "quorvane.exe (90 %)");
    EXPECT_LE(view.bar.maximum, INT_MAX);
    EXPECT_EQ(view.bar.position, view.bar.maximum / 10 * 9);
}

TEST(ComputeView, NoAnnouncedLengthLeavesTheViewAsItWas) {
    DownloadView view;
    ASSERT_TRUE(ComputeView("a", 5, 10, ".", view));
    const DownloadView before = view;
    EXPECT_FALSE(ComputeView("b", 777, 0, ".", view));
    EXPECT_EQ(view.fileLabel, before.fileLabel);
    EXPECT_EQ(view.bytesLabel, before.bytesLabel);
    EXPECT_EQ(view.bar.position, before.bar.position);
}

}  // namespace
