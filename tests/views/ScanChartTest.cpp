// The horizontal/vertical charts: counts and their cache, outlines, refusals and the overlay.

#include "views/ScanChart.h"
#include "tests/views/ViewTestSupport.h"

#include <QPainter>

#include <gtest/gtest.h>

#include <cstdlib>

namespace corvane::test {
namespace {

struct Pair {
    DeviceBitmap one;
    DeviceBitmap two;
    DeviceBitmap work;

    ScanChartInput input(int channel = -1) {
        ScanChartInput in;
        in.original1 = &one;
        in.original2 = &two;
        in.work = &work;
        in.image = QSize(one.width(), one.height());
        in.channel = channel;
        return in;
    }
};

Pair identical(int width, int height, int bits, ColorRef colour) {
    return {solidBitmap(width, height, bits, colour), solidBitmap(width, height, bits, colour),
            DeviceBitmap::create(width, height, bits)};
}

// Large enough that the captions in the middle leave the edges alone.
const std::array<QRect, 2> kAreas = {QRect(0, 0, 200, 100), QRect(210, 0, 200, 100)};

TEST(ScanChart, IdenticalOriginalsMatchFullyAlongTheEdges) {
    for (const int bits : {16, 24, 32}) {
        Pair pair = identical(40, 20, bits, makeColor(10, 200, 30));
        ScanChartCache cache;
        const ScanCounts* counts = cache.counts(pair.input());
        ASSERT_NE(counts, nullptr);
        EXPECT_EQ(counts->rate, 100.0);
        EXPECT_EQ(scanRateText(counts->rate), QStringLiteral("100.000% 合致"));
        EXPECT_EQ(counts->rows, std::vector<int>(20, 40));
        EXPECT_EQ(counts->columns, std::vector<int>(40, 20));

        QImage image = canvas(420, 100);
        QPainter painter(&image);
        ASSERT_TRUE(PaintScanChart(painter, kAreas, pair.input(), cache));
        painter.end();
        // Every row reaches the right edge of the first area, every column the top of the second; inside
        // is the grey fill of the RGB view.
        for (const int y : {2, 10, 95}) {
            EXPECT_EQ(rgbAt(image, 199, y), 0x808080u) << bits << " " << y;
        }
        for (const int x : {212, 300, 405}) {
            EXPECT_EQ(rgbAt(image, x, 0), 0x808080u) << bits << " " << x;
        }
        EXPECT_EQ(rgbAt(image, 100, 3), 0xC8C8C8u);
        EXPECT_EQ(rgbAt(image, 300, 97), 0xC8C8C8u);
        // The gap between the areas is not painted.
        EXPECT_EQ(rgbAt(image, 205, 50), 0x102030u);
    }
}

TEST(ScanChart, AVerticalShiftLeavesTheFirstRowsEmpty) {
    // 30 × 100, shift (0, 5): the rate divides by 95 × 30, the first five rows have no counts.
    Pair pair{makeBitmap(30, 100, 32,
                         [](int x, int y) { return makeColor(x % 2 == 0 ? 0 : 255, (y / 10) * 20, 0); }),
              DeviceBitmap(), DeviceBitmap::create(30, 100, 32)};
    pair.two = pair.one.clone();
    ScanChartInput input = pair.input();
    input.shiftV = 5;
    ScanChartCache cache;
    const ScanCounts* counts = cache.counts(input);
    ASSERT_NE(counts, nullptr);
    for (int y = 0; y < 5; ++y) {
        EXPECT_EQ(counts->rows[static_cast<std::size_t>(y)], 0);
    }
    // Rows 10, 20, … change colour: row y meets row y − 5 of the same ten-row band except in each band's
    // first five rows.
    double expected = 0;
    for (int y = 5; y < 100; ++y) {
        expected += (y / 10 == (y - 5) / 10) ? 30 : 0;
    }
    EXPECT_EQ(counts->total, expected);
    EXPECT_DOUBLE_EQ(counts->rate, expected * 100 / (95.0 * 30.0));

    const QRect area(10, 0, 60, 200);
    const std::vector<QPoint> outline = horizontalScanOutline(counts->rows, input.image, area, area);
    ASSERT_EQ(outline.size(), 103u);
    EXPECT_EQ(outline.front(), QPoint(10, 0));
    for (std::size_t y = 0; y < 5; ++y) {
        EXPECT_EQ(outline[1 + y], QPoint(10, static_cast<int>(2 * y)));
    }
    EXPECT_EQ(outline[1 + 7], QPoint(69, 14)); // a full row: the last column
    EXPECT_EQ(outline[101], QPoint(10, 199));
    EXPECT_EQ(outline.back(), outline.front());
}

TEST(ScanChart, NothingIsDrawnWithoutCounts) {
    Pair pair = identical(20, 10, 32, kWhite);
    ScanChartCache cache;
    QImage image = canvas(420, 100);
    QPainter painter(&image);
    ScanChartInput input = pair.input();
    input.shiftV = 10; // as high as the image
    EXPECT_FALSE(PaintScanChart(painter, kAreas, input, cache));
    input.shiftV = -12;
    EXPECT_FALSE(PaintScanChart(painter, kAreas, input, cache));
    input.shiftV = 0;
    input.shiftH = 20;
    EXPECT_FALSE(PaintScanChart(painter, kAreas, input, cache));
    // Surfaces that do not match the working size, or are missing.
    input = pair.input();
    input.image = QSize(40, 10);
    EXPECT_FALSE(PaintScanChart(painter, kAreas, input, cache));
    DeviceBitmap other = DeviceBitmap::create(20, 10, 16);
    input = pair.input();
    input.original2 = &other;
    EXPECT_FALSE(PaintScanChart(painter, kAreas, input, cache));
    input.original2 = nullptr;
    EXPECT_FALSE(PaintScanChart(painter, kAreas, input, cache));
    painter.end();
    EXPECT_TRUE(allPixels(image, image.rect(), 0x102030u));
    EXPECT_EQ(cache.computations(), 0);
}

TEST(ScanChart, CountsAreKeptUntilAnOriginalTheShiftOrTheChannelChanges) {
    Pair pair = identical(20, 10, 32, makeColor(1, 2, 3));
    pair.two.setPixel(4, 4, makeColor(1, 2, 4));
    ScanChartCache cache;
    ScanChartInput input = pair.input();
    ASSERT_NE(cache.counts(input), nullptr);
    ASSERT_NE(cache.counts(input), nullptr);
    EXPECT_EQ(cache.computations(), 1);
    EXPECT_EQ(cache.counts(input)->total, 199.0);
    input.overlayLevel = 3; // drawing only
    cache.counts(input);
    EXPECT_EQ(cache.computations(), 1);
    input.shiftH = -1;
    cache.counts(input);
    EXPECT_EQ(cache.computations(), 2);
    input.channel = 0; // red: the changed blue no longer counts
    EXPECT_EQ(cache.counts(input)->total, 190.0);
    EXPECT_EQ(cache.computations(), 3);
    input.revisions[1] = 7; // original 2 changed in place
    cache.counts(input);
    EXPECT_EQ(cache.computations(), 4);
    // Original 2 was drawn at the shift into the work surface, not changed itself.
    EXPECT_EQ(pair.two.pixel(0, 0), makeColor(1, 2, 3));
    EXPECT_EQ(pair.work.pixel(3, 4), makeColor(1, 2, 4));
}

TEST(ScanChart, ChannelPensAndTheOverlayOfTheOriginals) {
    Pair pair = identical(40, 20, 32, kBlack);
    ScanChartCache cache;
    QImage image = canvas(420, 100);
    {
        QPainter painter(&image);
        ASSERT_TRUE(PaintScanChart(painter, kAreas, pair.input(1), cache));
    }
    EXPECT_EQ(rgbAt(image, 199, 10), 0x008000u);
    EXPECT_EQ(rgbAt(image, 100, 3), 0xC8FFC8u);

    ScanChartInput input = pair.input(1);
    input.overlayLevel = 4; // black laid over at 80 %
    {
        QPainter painter(&image);
        ASSERT_TRUE(PaintScanChart(painter, kAreas, input, cache));
    }
    const QRgb blended = rgbAt(image, 100, 3);
    EXPECT_NEAR(qRed(blended), 40, 2);
    EXPECT_NEAR(qGreen(blended), 51, 2);
    EXPECT_EQ(cache.computations(), 1);
}

} // namespace
} // namespace corvane::test
