// The histogram views: scales, differing bins, curves and their colours.

#include "views/HistogramChart.h"
#include "tests/views/ViewTestSupport.h"
#include "views/ChartStyle.h"

#include <QPainter>

#include <gtest/gtest.h>

namespace corvane::test {
namespace {

constexpr QRgb kWhite = 0xFFFFFF;
constexpr QRgb kGreyColumn = 0xDEDEDE;

// The histogram of an image of `pixels` pixels all of value `value` in every channel.
Histogram uniform(int value, double pixels) {
    Histogram histogram{};
    for (int channel = 0; channel < 3; ++channel) {
        histogram[static_cast<std::size_t>(channel * 256 + value)] = pixels;
    }
    return histogram;
}

void setCount(Histogram& histogram, int channel, int bin, double count) {
    histogram[static_cast<std::size_t>(channel * 256 + bin)] = count;
}

class HistogramPaint : public ::testing::Test {
protected:
    void paint(const Histogram& first, const Histogram& second, int selector) {
        image = canvas(1040, 120);
        QPainter painter(&image);
        PaintHistogramChart(painter, areas, first, second, selector);
    }
    // Whether the bin's column shows the grey of a differing bin (at a height the curves leave alone).
    bool greyAt(int area, int bin) const {
        const QRect column = histogramBinColumn(bin, areas[0].size());
        return rgbAt(image, areas[static_cast<std::size_t>(area)].topLeft() + column.topLeft() +
                                QPoint(0, 5)) == kGreyColumn;
    }

    // 512 pixels wide: each bin is a column of two pixels.
    std::array<QRect, 2> areas = {QRect(4, 10, 512, 100), QRect(520, 10, 512, 100)};
    QImage image;
};

TEST_F(HistogramPaint, IdenticalHistogramsShowNoGreyColumns) {
    const Histogram histogram = uniform(100, 5000);
    paint(histogram, histogram, 3);
    for (int area = 0; area < 2; ++area) {
        for (int bin = 0; bin < 256; bin += 17) {
            EXPECT_FALSE(greyAt(area, bin)) << bin;
        }
        EXPECT_EQ(rgbAt(image, areas[static_cast<std::size_t>(area)].topLeft() + QPoint(20, 5)), kWhite);
    }
    // The chart stays inside its areas.
    EXPECT_EQ(rgbAt(image, 2, 50), 0x102030u);
    EXPECT_EQ(rgbAt(image, 517, 50), 0x102030u);
}

TEST_F(HistogramPaint, OneChangedPixelMarksItsOldAndNewValueInItsChannelOnly) {
    Histogram first = uniform(100, 5000);
    Histogram second = first;
    // One pixel's green went from 100 to 140.
    setCount(second, 1, 100, 4999);
    setCount(second, 1, 140, 1);
    for (const int selector : {1, 5, 3, 7}) {
        paint(first, second, selector);
        for (int area = 0; area < 2; ++area) {
            EXPECT_TRUE(greyAt(area, 140)) << selector;
            EXPECT_FALSE(greyAt(area, 139) || greyAt(area, 141) || greyAt(area, 20)) << selector;
        }
    }
    for (const int selector : {0, 2, 4, 6}) {
        paint(first, second, selector);
        for (int area = 0; area < 2; ++area) {
            EXPECT_FALSE(greyAt(area, 140)) << selector;
        }
    }
    // Bin 100 differs too, but the full-height curve there covers its column.
    EXPECT_TRUE(histogramBinsDiffer(first, second, 1, 100));
    EXPECT_FALSE(histogramBinsDiffer(first, second, 0, 100));
}

TEST_F(HistogramPaint, TheDominantBinReachesTheTopAndRedLiesOnTop) {
    const Histogram histogram = uniform(64, 5000);
    const QSize size = areas[0].size();
    EXPECT_EQ(histogramScale(histogram, 3, size), 5000.0);
    const std::vector<QPoint> outline = histogramOutline(histogram, 0, size, 5000);
    ASSERT_EQ(outline.size(), 258u);
    EXPECT_EQ(outline.front(), QPoint(0, 99));
    EXPECT_EQ(outline[1 + 64], QPoint(128, 0));
    EXPECT_EQ(outline[1 + 65], QPoint(130, 99));
    EXPECT_EQ(outline.back(), QPoint(511, 99));

    paint(histogram, histogram, 3);
    // The three equal curves are stroked blue, green, then red: red shows at the top of the spike.
    EXPECT_EQ(rgbAt(image, areas[0].topLeft() + QPoint(128, 0)), 0xFF0000u);
    EXPECT_EQ(rgbAt(image, areas[1].topLeft() + QPoint(128, 50)), 0xFFC8C8u); // red's fill over the others
    // A single channel's view uses that channel's pen, and its fill inside the curve.
    paint(histogram, histogram, 2);
    EXPECT_EQ(rgbAt(image, areas[0].topLeft() + QPoint(128, 0)), 0x0000FFu);
    EXPECT_EQ(rgbAt(image, areas[0].topLeft() + QPoint(300, 99)), 0x0000FFu); // the bottom edge
    EXPECT_EQ(rgbAt(image, areas[0].topLeft() + QPoint(300, 50)), kWhite);
}

TEST_F(HistogramPaint, SmallAmountZoomMagnifiesRareValues) {
    const QSize size = areas[0].size();
    // The area's pixel count / 64.
    EXPECT_EQ(histogramScale(uniform(0, 1), 4, size), 800.0);
    Histogram histogram = uniform(10, 1e7);
    setCount(histogram, 0, 200, 400); // half the small-amount scale: half the height
    const std::vector<QPoint> outline = histogramOutline(histogram, 0, size, 800);
    EXPECT_EQ(outline[1 + 200].y(), 50);
    // A huge count leaves the top far behind without overflowing the coordinates.
    EXPECT_LT(outline[1 + 10].y(), -1000);
    paint(histogram, histogram, 4);
    EXPECT_EQ(rgbAt(image, areas[0].topLeft() + QPoint(400, 50)), 0xFF0000u);
    EXPECT_EQ(rgbAt(image, areas[0].topLeft() + QPoint(400, 90)), 0xFFC8C8u); // red's fill
}

TEST(HistogramChart, TinyAndEmptyAreasAndHistograms) {
    // Fewer than 64 pixels: the scale stays at least 1.
    EXPECT_EQ(histogramScale(Histogram{}, 7, QSize(5, 5)), 1.0);
    // Nothing counted: the full view has no scale and the curve lies on the bottom row.
    const Histogram empty{};
    EXPECT_EQ(histogramScale(empty, 0, QSize(300, 100)), 0.0);
    for (const QPoint& point : histogramOutline(empty, 0, QSize(300, 100), 0)) {
        EXPECT_EQ(point.y(), 99);
    }
    // An area narrower than 256 pixels still marks each differing bin with a column of one pixel.
    EXPECT_EQ(histogramBinColumn(10, QSize(200, 50)), QRect(7, 0, 1, 50));
    EXPECT_EQ(histogramBinColumn(10, QSize(800, 50)), QRect(31, 0, 3, 50));

    QImage image = canvas(12, 12);
    QPainter painter(&image);
    Histogram other = empty;
    setCount(other, 0, 255, 3);
    PaintHistogramChart(painter, {QRect(0, 0, 1, 1), QRect(2, 2, 0, 0)}, empty, other, 0);
    PaintHistogramChart(painter, {QRect(0, 0, 12, 12), QRect(0, 0, 12, 12)}, empty, other, 4);
    painter.end();
    EXPECT_EQ(rgbAt(image, 11, 0), 0xFF0000u); // 3 counts over a scale of 2 leave the top
}

} // namespace
} // namespace corvane::test

namespace corvane::test {
namespace {

// The run fill lights the same pixels as a polygon fill of the same outline (but for pixels whose middles
// lie exactly on an edge, where rasterisers may choose either side).
TEST(ChartFill, RunsLightWhatAPolygonFillLights) {
    std::uint32_t seed = 7;
    const auto next = [&seed](int range) {
        seed = seed * 1103515245u + 12345u;
        return static_cast<int>((seed >> 16) % static_cast<std::uint32_t>(range));
    };
    for (const GraphAxis axis : {GraphAxis::X, GraphAxis::Y}) {
        // A jagged curve over 300 lines, several points on some lines, with its base at 0 or 199.
        std::vector<QPoint> graph;
        const int base = axis == GraphAxis::X ? 199 : 0;
        const auto point = [axis](int along, int across) {
            return axis == GraphAxis::X ? QPoint(along, across) : QPoint(across, along);
        };
        graph.push_back(point(0, base));
        for (int along = 0; along < 300; along += 1 + next(3)) {
            graph.push_back(point(along, next(200)));
        }
        graph.push_back(point(299, base));

        QImage runs = canvas(320, 320);
        QImage polygon = canvas(320, 320);
        {
            QPainter painter(&runs);
            fillGraph(painter, graph, axis, Qt::white);
        }
        {
            QPainter painter(&polygon);
            painter.setPen(Qt::NoPen);
            painter.setBrush(Qt::white);
            painter.drawPolygon(graph.data(), static_cast<int>(graph.size()), Qt::OddEvenFill);
        }
        int lit = 0;
        int differ = 0;
        for (int y = 0; y < 320; ++y) {
            for (int x = 0; x < 320; ++x) {
                lit += rgbAt(polygon, x, y) == 0xFFFFFFu ? 1 : 0;
                differ += rgbAt(polygon, x, y) != rgbAt(runs, x, y) ? 1 : 0;
            }
        }
        EXPECT_GT(lit, 10000);
        EXPECT_LT(differ, lit / 200) << static_cast<int>(axis);
    }
}

} // namespace
} // namespace corvane::test
