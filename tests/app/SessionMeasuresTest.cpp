// The session's tolerant pixel comparison and its count, in every surface format, and the metrics of
// the originals at the shift.

#include "tests/app/SessionTestSupport.h"

#include <cmath>

namespace corvane::test {
namespace {

class Measures : public SessionFixture {};

INSTANTIATE_TEST_SUITE_P(AllDepths, Measures, ::testing::Values(16, 24, 32),
                         [](const auto& suffix) { return "Bits" + std::to_string(suffix.param); });

TEST_P(Measures, ThePixelComparisonCountsWithTheTolerance) {
    // Two patches: one black (far beyond any threshold below 1), one a few steps of grey lighter.
    const QImage grey = withPatch(makePicture(40, 30, 1), QRect(0, 0, 40, 30), qRgb(120, 120, 120));
    QImage second = withPatch(grey, QRect(2, 2, 3, 3), qRgb(0, 0, 0));
    second = withPatch(second, QRect(20, 10, 4, 2), qRgb(136, 136, 136));
    setOriginals(grey, second);
    session->SelectProcessing(command::kPixel);
    ASSERT_TRUE(session->pixelComparisonCount());
    EXPECT_EQ(session->pixelComparisonCount()->compared, 1200);
    EXPECT_EQ(session->pixelComparisonCount()->differing, 17);

    ToleranceOptions options;
    options.threshold = 0.2;
    session->setToleranceOptions(options);
    session->setBackground(kBackgroundBlack);
    session->SelectProcessing(command::kPixel);
    EXPECT_EQ(session->pixelComparisonCount()->differing, 9);
    EXPECT_EQ(pixelOf(kResult1, 21, 10), kRed);
    EXPECT_EQ(pixelOf(kResult1, 3, 3), kBlack);
    EXPECT_EQ(session->countDifferingPixels()->differing, 9);

    // After edge detection the map is of the edges, the count still of the originals.
    session->SelectProcessing(command::kPixelAfterEdges);
    EXPECT_EQ(session->pixelComparisonCount()->differing, 9);
    EXPECT_EQ(session->pixelComparisonCount()->compared, 1200);

    // Rectangles are cut to the image; overlapping ones count once; a shift keeps them in original 1's
    // pixels.
    options.ignored = {{-5, -5, 2, 4}, {2, 2, 4, 60}};
    session->setToleranceOptions(options);
    session->SelectProcessing(command::kPixel);
    EXPECT_EQ(session->pixelComparisonCount()->differing, 0);
    ASSERT_TRUE(session->stepShiftH(2));
    // Original 2's black patch now covers columns 4 … 6 of original 1: column 4 is ignored, 5 and 6 not.
    EXPECT_EQ(session->pixelComparisonCount()->compared, 38 * 30);
    EXPECT_EQ(session->pixelComparisonCount()->differing, 6);

    // A reset takes the count away; rectangles outside the working image are dropped.
    session->ResetProcessing();
    EXPECT_FALSE(session->pixelComparisonCount());
    options.ignored = {{100, 100, 120, 120}};
    session->setToleranceOptions(options);
    session->setShift(0, 0);
    session->SelectProcessing(command::kPixel);
    ASSERT_TRUE(session->pixelComparisonCount());
    EXPECT_EQ(session->pixelComparisonCount()->differing, 9);
}

TEST_P(Measures, MetricsAreTakenOverTheOverlapAtTheShift) {
    const QImage picture = makePicture(40, 30, 3);
    setOriginals(picture, shifted(picture, -3, -1));
    const std::optional<ImageMetrics> unshifted = session->measureMetrics();
    ASSERT_TRUE(unshifted);
    EXPECT_EQ(unshifted->pixels, 1200);
    EXPECT_GT(unshifted->ae, 0);
    // Original 2 laid 3 right and 1 down covers original 1 exactly where it came from.
    session->setShift(3, 1);
    const std::optional<ImageMetrics> aligned = session->measureMetrics();
    ASSERT_TRUE(aligned);
    EXPECT_EQ(aligned->pixels, 37 * 29);
    EXPECT_EQ(aligned->ae, 0);
    EXPECT_TRUE(std::isinf(aligned->psnr));
    ASSERT_TRUE(aligned->ssim);
    EXPECT_DOUBLE_EQ(*aligned->ssim, 1.0);
    EXPECT_EQ(aligned->deltae, 0.0);
}

TEST(ClipToImage, CutsToTheImageAndDropsWhatLiesOutside) {
    const QSize size(10, 8);
    EXPECT_EQ(clipToImage({-3, -2, 4, 20}, size), (PixelRect{0, 0, 4, 7}));
    EXPECT_EQ(clipToImage({9, 7, 9, 7}, size), (PixelRect{9, 7, 9, 7}));
    EXPECT_FALSE(clipToImage({10, 0, 12, 3}, size));
    EXPECT_FALSE(clipToImage({0, -5, 3, -1}, size));
    EXPECT_FALSE(clipToImage({4, 2, 3, 5}, size));
}

} // namespace
} // namespace corvane::test
