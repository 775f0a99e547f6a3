// Page 4's figures: megabytes with the locale's separator, the percentage's rounding, the bar's
// range for bodies past the int range, and what stays when no length is announced.
#include "app/progress/DownloadProgress.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

using progress::ComputeView;
using progress::DownloadView;
using progress::Megabytes;
using progress::RoundHalfEven;
using progress::ScaleToBar;

TEST(Megabytes, TwoDecimalsWithTheGivenSeparator) {
    EXPECT_EQ(Megabytes(0, "."), "0.00");
    EXPECT_EQ(Megabytes(524288, "."), "0.50");
    EXPECT_EQ(Megabytes(524288, ","), "0,50");
    EXPECT_EQ(Megabytes(2097152, "."), "2.00");
    EXPECT_EQ(Megabytes(1048575, "."), "1.00");                        // 0.99999..: carries into the whole part
    EXPECT_EQ(Megabytes(10485, "."), "0.01");                          // 0.009999..
    EXPECT_EQ(Megabytes(5242, "."), "0.00");                           // 0.004999..
    EXPECT_EQ(Megabytes(1048576LL * 300 + 1, " dec "), "300 dec 00");  // a separator of several bytes
}

TEST(Megabytes, ExactHalfHundredthsGoToTheEvenNeighbour) {
    // 0.125 and 0.375 megabytes are exact in binary: one rounds down, the other up.
    EXPECT_EQ(Megabytes(131072, "."), "0.12");
    EXPECT_EQ(Megabytes(393216, "."), "0.38");
}

TEST(Megabytes, LargeAndOddCounts) {
    EXPECT_EQ(Megabytes(5LL * 1024 * 1048576, "."), "5120.00");  // 5 GiB
    EXPECT_EQ(Megabytes(INT64_MAX, "."), "8796093022208.00");
    EXPECT_EQ(Megabytes(-5, "."), "0.00");
}

TEST(RoundHalfEven, HalvesToTheEvenNeighbourOthersToTheNearest) {
    EXPECT_EQ(RoundHalfEven(12.5), 12);
    EXPECT_EQ(RoundHalfEven(13.5), 14);
    EXPECT_EQ(RoundHalfEven(0.5), 0);
    EXPECT_EQ(RoundHalfEven(99.5), 100);
    EXPECT_EQ(RoundHalfEven(12.500001), 13);
    EXPECT_EQ(RoundHalfEven(13.499999), 13);
    EXPECT_EQ(RoundHalfEven(100.0), 100);
}

TEST(ScaleToBar, SmallBodiesUseTheirByteCounts) {
    const auto bar = ScaleToBar(1234, 2097152);
    EXPECT_EQ(bar.maximum, 2097152);
    EXPECT_EQ(bar.position, 1234);
    EXPECT_EQ(ScaleToBar(INT_MAX, INT_MAX).maximum, INT_MAX);
}

TEST(ScaleToBar, BodiesPastTwoGibibytesAreScaledToFitAndKeepTheirProportion) {
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

TEST(ComputeView, AQuarterOfTheFirstFile) {
    DownloadView view;
    ASSERT_TRUE(ComputeView("quorvane.exe", 524288, 2097152, ".", view));
    EXPECT_EQ(view.bytesLabel, "0.50 / 2.00 Megs");
    EXPECT_EQ(view.fileLabel, "quorvane.exe (25 %)");
    EXPECT_EQ(view.bar.maximum, 2097152);
    EXPECT_EQ(view.bar.position, 524288);
}

TEST(ComputeView, ACompleteBodyEndsAtTheMaximum) {
    DownloadView view;
    ASSERT_TRUE(ComputeView("quorvane.ini", 2097152, 2097152, ",", view));
    EXPECT_EQ(view.bytesLabel, "2,00 / 2,00 Megs");
    EXPECT_EQ(view.fileLabel, "quorvane.ini (100 %)");
    EXPECT_EQ(view.bar.position, view.bar.maximum);
}

TEST(ComputeView, PercentagesOnExactHalves) {
    DownloadView view;
    ASSERT_TRUE(ComputeView("f", 1, 8, ".", view));  // 12.5 %
    EXPECT_EQ(view.fileLabel, "f (12 %)");
    ASSERT_TRUE(ComputeView("f", 27, 200, ".", view));  // 13.5 %
    EXPECT_EQ(view.fileLabel, "f (14 %)");
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
