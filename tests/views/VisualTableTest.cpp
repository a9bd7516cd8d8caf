// The visual comparison's samples, table geometry, texts and painting.

#include "views/VisualTable.h"
#include "tests/views/ViewTestSupport.h"

#include <QPainter>

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace corvane::test {
namespace {

constexpr QRgb kRedRgb = 0xFF0000;
constexpr QRgb kYellowRgb = 0xFFFF00;

class VisualSamplesTest : public ::testing::TestWithParam<int> {};

TEST_P(VisualSamplesTest, NeighbourhoodsAroundThePointAndAtTheShift) {
    const int bits = GetParam();
    const DeviceBitmap one =
        makeBitmap(10, 8, bits, [](int x, int y) { return makeColor(x * 20, y * 30, 8); });
    const DeviceBitmap two =
        makeBitmap(10, 8, bits, [](int x, int y) { return makeColor(y * 30, x * 20, 200); });
    const QSize working(10, 8);
    VisualSamples samples = sampleVisualNeighbourhoods(one, two, working, {4, 3}, 2, 1);
    EXPECT_EQ(samples[0], one.pixel(2, 1));
    EXPECT_EQ(samples[12], one.pixel(4, 3));
    EXPECT_EQ(samples[24], one.pixel(6, 5));
    // Original 2 is read at the point plus the shift.
    EXPECT_EQ(samples[25], two.pixel(4, 2));
    EXPECT_EQ(samples[49], two.pixel(8, 6));

    // A shift that pushes the neighbourhood past original 2's right edge: those samples are outside.
    samples = sampleVisualNeighbourhoods(one, two, working, {4, 3}, 5, 0);
    for (int row = 0; row < 5; ++row) {
        const auto base = static_cast<std::size_t>(25 + row * 5);
        EXPECT_EQ(samples[base + 2], two.pixel(9, 1 + row));
        EXPECT_EQ(samples[base + 3], kNoColor);
        EXPECT_EQ(samples[base + 4], kNoColor);
    }
}

INSTANTIATE_TEST_SUITE_P(Depths, VisualSamplesTest, ::testing::Values(16, 24, 32),
                         [](const auto& p) { return "Bits" + std::to_string(p.param); });

int insideCount(const VisualSamples& samples, std::size_t first) {
    int count = 0;
    for (std::size_t i = first; i < first + 25; ++i) {
        count += samples[i] != kNoColor ? 1 : 0;
    }
    return count;
}

TEST(VisualSamples, PositionsOutsideTheImageOrTheSurfaceAreNeverRead) {
    const DeviceBitmap tiny = solidBitmap(3, 3, 32, makeColor(1, 2, 3));
    // The pointer's clamps put the point of a 3-pixel image at 0; of a 1-pixel image at −2.
    EXPECT_EQ(insideCount(sampleVisualNeighbourhoods(tiny, tiny, {3, 3}, {0, 0}, 0, 0), 0), 9);
    const DeviceBitmap single = solidBitmap(1, 1, 32, makeColor(9, 9, 9));
    const VisualSamples one = sampleVisualNeighbourhoods(single, single, {1, 1}, {-2, -2}, 0, 0);
    EXPECT_EQ(insideCount(one, 0), 1);
    EXPECT_EQ(one[24], makeColor(9, 9, 9));

    // The grid's position is copied to the point unchecked: anything far away is outside, without
    // overflow when the shift is added.
    const VisualSamples far =
        sampleVisualNeighbourhoods(tiny, tiny, {3, 3}, {INT_MAX - 1, INT_MIN + 1}, INT_MAX, INT_MIN);
    EXPECT_EQ(insideCount(far, 0) + insideCount(far, 25), 0);

    // Surfaces smaller than the working size (or none at all) are read only where they have pixels.
    const VisualSamples small = sampleVisualNeighbourhoods(tiny, DeviceBitmap(), {10, 10}, {3, 3}, 0, 0);
    EXPECT_EQ(insideCount(small, 0), 4); // (1 … 2) × (1 … 2)
    EXPECT_EQ(insideCount(small, 25), 0);
}

TEST(VisualTable, CellsDivideTheFrameIntoSixColumnsAndElevenUnits) {
    const QRect frame(2, 102, 200, 100);
    const QSize unit = visualTableUnit(frame);
    EXPECT_EQ(unit, QSize(33, 9));
    EXPECT_EQ(visualTableCell(frame, unit, 0, 0), QRect(2, 102, 33, 9));
    EXPECT_EQ(visualTableCell(frame, unit, 1, 1), QRect(35, 111, 33, 18));
    EXPECT_EQ(visualTableCell(frame, unit, 4, 2), QRect(68, 165, 33, 18));
    // The last column and row reach the frame's edges.
    EXPECT_EQ(visualTableCell(frame, unit, 5, 5), QRect(167, 183, 35, 19));
}

TEST(VisualTable, TextsAndTheirColours) {
    const ColorRef colour = makeColor(255, 10, 171);
    EXPECT_EQ(visualSampleText(colour, 0), QString());
    EXPECT_EQ(visualSampleText(colour, 1), QStringLiteral("255,10,171"));
    EXPECT_EQ(visualSampleText(colour, 2), QStringLiteral("#FF0AAB"));
    EXPECT_EQ(visualSampleText(colour, 3), QStringLiteral("#ff0aab"));
    EXPECT_EQ(visualSampleText(kNoColor, 1), QString());

    // The inverse colour, unless the inverse red is near the middle; only red is tested.
    EXPECT_EQ(visualTextColor(makeColor(255, 255, 255)), makeColor(0, 0, 0));
    EXPECT_EQ(visualTextColor(makeColor(128, 0, 0)), kBlack);
    EXPECT_EQ(visualTextColor(makeColor(0, 0, 0)), makeColor(255, 255, 255));
    EXPECT_EQ(visualTextColor(makeColor(200, 0, 100)), makeColor(55, 255, 155));
    EXPECT_EQ(visualTextColor(makeColor(191, 0, 0)), makeColor(64, 255, 255));
    EXPECT_EQ(visualTextColor(makeColor(190, 0, 0)), kBlack);
    EXPECT_EQ(visualTextColor(makeColor(64, 0, 0)), kBlack);
    EXPECT_EQ(visualTextColor(makeColor(63, 0, 0)), makeColor(192, 255, 255));

    VisualTables tables;
    tables.point = {17, 17};
    tables.shiftH = 3;
    tables.shiftV = -2;
    EXPECT_EQ(visualHeaderText(tables, 0, 0, 0), QStringLiteral("Pixel"));
    EXPECT_EQ(visualHeaderText(tables, 0, 0, 1), QStringLiteral("16"));
    EXPECT_EQ(visualHeaderText(tables, 0, 0, 5), QStringLiteral("20"));
    EXPECT_EQ(visualHeaderText(tables, 0, 1, 0), QStringLiteral("16"));
    EXPECT_EQ(visualHeaderText(tables, 1, 0, 1), QStringLiteral("19"));
    EXPECT_EQ(visualHeaderText(tables, 1, 5, 0), QStringLiteral("18"));
}

class VisualTablePaint : public ::testing::Test {
protected:
    void paint(const VisualTables& tables) {
        image = canvas(406, 206);
        QPainter painter(&image);
        PaintVisualTables(painter, frames, tables);
    }
    QRect cell(int table, int row, int column) const {
        const auto& frame = frames[static_cast<std::size_t>(table)];
        return visualTableCell(frame, visualTableUnit(frames[0]), row, column);
    }

    std::array<QRect, 2> frames = {QRect(2, 102, 200, 100), QRect(204, 102, 200, 100)};
    QImage image;
};

TEST_F(VisualTablePaint, DifferingCellsAreFramedInBothTables) {
    VisualTables tables;
    tables.notation = 0;
    const ColorRef blue = makeColor(0, 0, 255);
    tables.samples.fill(blue);
    tables.samples[25 + 6] = kNoColor;         // row 2, column 2: outside original 2
    tables.samples[12] = makeColor(0, 0, 254); // row 3, column 3: a different value
    paint(tables);

    // Headers: white, framed grey.
    const QRect corner = cell(0, 0, 0);
    EXPECT_EQ(rgbAt(image, corner.topLeft()), 0x808080u);
    EXPECT_EQ(rgbAt(image, corner.topLeft() + QPoint(1, 1)), 0xFFFFFFu);
    // Notation 0: an equal cell is a plain swatch, edge to edge (away from the framed cells' rings).
    EXPECT_TRUE(allPixels(image, cell(0, 1, 5), 0x0000FFu));
    EXPECT_TRUE(allPixels(image, cell(1, 5, 5), 0x0000FFu));
    for (int table = 0; table < 2; ++table) {
        for (const auto& [row, column] : {std::pair{2, 2}, std::pair{3, 3}}) {
            const QRect c = cell(table, row, column);
            // Red on the cell's own edge, then yellow, red, yellow outward where earlier cells lie
            // (above and left); later cells paint over the rings on their side.
            EXPECT_EQ(rgbAt(image, c.topLeft()), kRedRgb) << table << row;
            EXPECT_EQ(rgbAt(image, c.topLeft() - QPoint(1, 1)), kYellowRgb) << table << row;
            EXPECT_EQ(rgbAt(image, c.topLeft() - QPoint(2, 2)), kRedRgb) << table << row;
            EXPECT_EQ(rgbAt(image, c.topLeft() - QPoint(3, 3)), kYellowRgb) << table << row;
            EXPECT_EQ(rgbAt(image, c.topRight() + QPoint(1, 5)), 0x0000FFu) << table << row;
        }
    }
    // The sample outside original 2 is filled with the outside colour; its neighbour keeps its own.
    EXPECT_EQ(rgbAt(image, cell(1, 2, 2).center()), 0xFFF7FFu);
    EXPECT_EQ(rgbAt(image, cell(0, 2, 2).center()), 0x0000FFu);
    // Nothing is drawn outside the two frames.
    EXPECT_TRUE(allPixels(image, QRect(0, 0, 406, 102), 0x102030u));
    EXPECT_TRUE(allPixels(image, QRect(202, 102, 2, 100), 0x102030u));
}

TEST_F(VisualTablePaint, ValuesAreWrittenInTheTextColourOfTheirCell) {
    VisualTables tables;
    tables.notation = 1;
    tables.samples.fill(makeColor(255, 255, 255));
    tables.samples[25 + 6] = kNoColor;
    paint(tables);
    // White cells carry black text; the cell outside the image has no text at all.
    const QRect white = cell(0, 1, 5).adjusted(1, 1, -1, -1);
    EXPECT_TRUE(anyPixel(image, white, 0x000000u));
    EXPECT_TRUE(allPixels(image, cell(1, 2, 2).adjusted(1, 1, -1, -1), 0xFFF7FFu));

    tables.notation = 0;
    paint(tables);
    EXPECT_TRUE(allPixels(image, cell(0, 1, 5).adjusted(1, 1, -1, -1), 0xFFFFFFu));
    // Headers still show their coordinates.
    EXPECT_TRUE(anyPixel(image, cell(0, 0, 3).adjusted(1, 1, -1, -1), 0x000000u));
}

TEST(CrossHair, OpenCentreOverThePoint) {
    const QImage& mark = crossHairImage();
    ASSERT_EQ(mark.size(), QSize(17, 17));
    for (int y = 7; y <= 9; ++y) {
        for (int x = 7; x <= 9; ++x) {
            EXPECT_EQ(qAlpha(mark.pixel(x, y)), 0) << x << y;
        }
    }
    EXPECT_EQ(qAlpha(mark.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(mark.pixel(8, 0)), 255);
    EXPECT_EQ(qAlpha(mark.pixel(16, 8)), 255);

    QImage image = canvas(40, 40);
    {
        QPainter painter(&image);
        PaintCrossHair(painter, {20, 20});
    }
    EXPECT_EQ(rgbAt(image, 20, 20), 0x102030u);
    EXPECT_EQ(rgbAt(image, 20, 12), kRedRgb);
    EXPECT_EQ(rgbAt(image, 28, 20), kRedRgb);
    EXPECT_EQ(rgbAt(image, 29, 20), 0x102030u);
}

} // namespace
} // namespace corvane::test
