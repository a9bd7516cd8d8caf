// The comparison views as the image areas paint them: the visual comparison's tables and cross-hairs,
// the histogram and scan charts, and the property comparison's run through the session.

#include "tests/window/AreaTestSupport.h"

#include "views/HistogramChart.h"
#include "views/VisualTable.h"

#include <QFile>
#include <QTest>

namespace corvane::test {
namespace {

constexpr QSize kImage(200, 100);
constexpr QRgb kOutside = 0xFFF7FF;
constexpr QRgb kRing = 0xFF0000;

QImage withPixel(QImage image, QPoint point, QRgb colour) {
    image.setPixel(point, colour | 0xFF000000u);
    return image;
}

class ViewsPaintTest : public AreaView32Fixture {
protected:
    void SetUp() override {
        AreaView32Fixture::SetUp();
        // Colour swatches only, unless a test looks at the values: text may cover any pixel of a cell.
        session->setValueNotation(0);
    }
    void setBoth(const QImage& first, const QImage& second) {
        setOriginal(kOriginal1, first, QStringLiteral("a.png"));
        setOriginal(kOriginal2, second, QStringLiteral("b.png"));
        grabbed();
    }
    QRect tableCell(int result, int row, int column) const {
        const QRect& frame = geometry().frames[static_cast<std::size_t>(result)];
        return visualTableCell(frame, visualTableUnit(geometry().frames[kResult1]), row, column);
    }
    void click(QPoint point) { QTest::mouseClick(view.get(), Qt::LeftButton, {}, point); }
    QRgb at(const QImage& image, int area, QPoint offset) const {
        return image.pixel(geometry().frames[static_cast<std::size_t>(area)].topLeft() + offset) & 0xFFFFFFu;
    }
};

TEST_F(ViewsPaintTest, VisualComparisonShowsTheNeighbourhoodsOfTheClickedPixel) {
    const QImage first = halves(kImage, 0xC80000, 0x0000C8);
    setBoth(first, withPixel(first, {50, 40}, 0x00FF00));
    session->SelectProcessing(command::kVisual);
    click(pictureOrigin(kOriginal1) + QPoint(50, 40));
    ASSERT_EQ(session->visualPoint(), QPoint(50, 40));
    const QImage image = grabbed();
    // The cross-hair on both originals: open over the point, red arms 8 pixels out.
    for (const int original : {kOriginal1, kOriginal2}) {
        const QPoint centre = pictureOrigin(original) + QPoint(50, 40);
        EXPECT_EQ(image.pixel(centre) & 0xFFFFFFu, surfacePixel(original, 50, 40)) << original;
        EXPECT_EQ(image.pixel(centre + QPoint(8, 0)) & 0xFFFFFFu, 0xFF0000u) << original;
        EXPECT_EQ(image.pixel(centre - QPoint(0, 8)) & 0xFFFFFFu, 0xFF0000u) << original;
    }
    // The point is the middle cell of both tables; only it differs, so only it is framed.
    const QRect one = tableCell(kResult1, 3, 3);
    const QRect two = tableCell(kResult2, 3, 3);
    EXPECT_EQ(image.pixel(one.topLeft() + QPoint(2, 2)) & 0xFFFFFFu, 0xC80000u);
    EXPECT_EQ(image.pixel(two.topLeft() + QPoint(2, 2)) & 0xFFFFFFu, 0x00FF00u);
    EXPECT_EQ(image.pixel(one.topLeft()) & 0xFFFFFFu, kRing);
    EXPECT_EQ(image.pixel(two.topLeft()) & 0xFFFFFFu, kRing);
    EXPECT_EQ(image.pixel(tableCell(kResult1, 2, 2).topLeft()) & 0xFFFFFFu, 0xC80000u);
    // The tables cover the result frames: their header cells are framed grey from the frames' corners.
    EXPECT_EQ(at(image, kResult1, QPoint(0, 4)), 0x808080u);
    EXPECT_EQ(at(image, kResult2, QPoint(0, 4)), 0x808080u);

    // Decimal values: the cells carry text.
    session->setValueNotation(1);
    view->redrawAreas(redraw::kResults, false);
    const QImage values = grabbed();
    bool text = false;
    for (int y = one.top() + 1; y < one.bottom(); ++y) {
        for (int x = one.left() + 1; x < one.right(); ++x) {
            text = text || (values.pixel(x, y) & 0xFFFFFFu) != 0xC80000u;
        }
    }
    EXPECT_TRUE(text);
}

TEST_F(ViewsPaintTest, AShiftPushingSamplesOutsideOriginalTwoFramesThemInBothTables) {
    const QImage picture = halves(kImage, 0xC80000, 0x0000C8);
    setBoth(picture, picture);
    session->SelectProcessing(command::kVisual);
    session->setVisualPoint({195, 50});
    session->setShift(3, 0); // original 2 is read from x = 196 … 200: the last column is outside
    view->redrawAreas(redraw::kAll, false);
    const QImage image = grabbed();
    for (int row = 1; row <= 5; ++row) {
        const QRect outside = tableCell(kResult2, row, 5);
        EXPECT_EQ(image.pixel(outside.center()) & 0xFFFFFFu, kOutside) << row;
        EXPECT_EQ(image.pixel(outside.topLeft()) & 0xFFFFFFu, kRing) << row;
        EXPECT_EQ(image.pixel(tableCell(kResult1, row, 5).topLeft()) & 0xFFFFFFu, kRing) << row;
        // The others read the same blue on both sides: not framed.
        EXPECT_EQ(image.pixel(tableCell(kResult1, row, 3).topLeft() + QPoint(0, 4)) & 0xFFFFFFu, 0x0000C8u);
    }
}

TEST_F(ViewsPaintTest, ArrowKeysStopAtTheNeighbourhoodsEdge) {
    setBoth(solidImage(kImage, 0x336699), solidImage(kImage, 0x336699));
    session->SelectProcessing(command::kVisual);
    session->setVisualPoint({2, 50});
    view->arrowKey(-5, 0);
    view->arrowKey(-1, 0);
    EXPECT_EQ(session->visualPoint(), QPoint(2, 50));
    session->setVisualPoint({3, 50});
    view->arrowKey(-5, 0);
    EXPECT_EQ(session->visualPoint(), QPoint(3, 50));
    view->arrowKey(-1, 0);
    EXPECT_EQ(session->visualPoint(), QPoint(2, 50));
}

// The parameter is the image's side (the surfaces are 32-bit).
using NarrowImageTest = ViewsPaintTest;

TEST_P(NarrowImageTest, CellsOutsideTheImageShowWithoutText) {
    const int side = GetParam();
    const QImage picture = solidImage(QSize(side, side), 0x204060);
    setBoth(picture, picture);
    session->setValueNotation(1);
    session->SelectProcessing(command::kVisual);
    click(pictureOrigin(kOriginal1) + QPoint(1, 1));
    // Raised to 2, then set to width − 3.
    EXPECT_EQ(session->visualPoint(), QPoint(side - 3, side - 3));
    const QImage image = grabbed();
    const QRect corner = tableCell(kResult1, 1, 1).adjusted(1, 1, -1, -1);
    for (int y = corner.top(); y <= corner.bottom(); ++y) {
        for (int x = corner.left(); x <= corner.right(); ++x) {
            ASSERT_EQ(image.pixel(x, y) & 0xFFFFFFu, kOutside);
        }
    }
    // The image's own pixel keeps its colour at the cell's edge.
    const QRect inside = tableCell(kResult1, 5, 5);
    EXPECT_EQ(image.pixel(inside.topLeft()) & 0xFFFFFFu, 0x204060u);
}

INSTANTIATE_TEST_SUITE_P(Sides, NarrowImageTest, ::testing::Values(3, 1));

TEST_F(ViewsPaintTest, HistogramsMarkTheValuesThatDiffer) {
    const QImage first = solidImage(kImage, qRgb(100, 150, 200));
    setBoth(first, withPixel(first, {10, 10}, qRgb(60, 150, 200)));
    const int column60 = histogramBinColumn(60, geometry().frames[kResult1].size()).x();
    EXPECT_EQ(column60, 46);
    session->SelectProcessing(command::kHistogramFirst); // red, full view
    QImage image = grabbed();
    for (const int result : {kResult1, kResult2}) {
        EXPECT_EQ(at(image, result, QPoint(column60, 5)), 0xDEDEDEu) << result;
        EXPECT_EQ(at(image, result, QPoint(column60 + 3, 5)), 0xFFFFFFu) << result;
    }
    // The dominant value reaches the top in original 1's chart.
    const int column100 = histogramBinColumn(100, geometry().frames[kResult1].size()).x();
    EXPECT_EQ(at(image, kResult1, QPoint(column100, 0)), 0xFF0000u);
    // Green did not change: no grey column in its view.
    session->SelectProcessing(command::kHistogramFirst + 1);
    image = grabbed();
    EXPECT_EQ(at(image, kResult1, QPoint(column60, 5)), 0xFFFFFFu);
    // Identical originals: nothing grey anywhere. (Replacing original 2 asks whether to clear original
    // 1 first: No.)
    host.answer(MessageButton::No);
    setOriginal(kOriginal2, first, QStringLiteral("c.png"));
    session->SelectProcessing(command::kHistogramFirst + 3);
    image = grabbed();
    for (int x = 0; x < 200; ++x) {
        ASSERT_NE(at(image, kResult2, QPoint(x, 5)), 0xDEDEDEu) << x;
    }
}

TEST_F(ViewsPaintTest, ScanChartsAreComputedOncePerShift) {
    const QImage picture = halves(kImage, 0xC80000, 0x0000C8);
    setBoth(picture, picture);
    session->SelectProcessing(command::kScanRgb);
    QImage image = grabbed();
    // Identical originals: every row reaches the right edge of result 1, every column the top of
    // result 2 (one row or column per pixel: the frames are as large as the image).
    for (const int y : {0, 30, 99}) {
        EXPECT_EQ(at(image, kResult1, QPoint(199, y)), 0x808080u) << y;
    }
    for (const int x : {0, 60, 199}) {
        EXPECT_EQ(at(image, kResult2, QPoint(x, 0)), 0x808080u) << x;
    }
    const int computed = view->scanComputations();
    EXPECT_GE(computed, 1);
    grabbed();
    view->resize(406, 206);
    grabbed();
    EXPECT_EQ(view->scanComputations(), computed);
    // A shift step runs the processing again: new counts, once.
    ASSERT_TRUE(session->stepShiftH(20));
    grabbed();
    grabbed();
    EXPECT_EQ(view->scanComputations(), computed + 1);
    // Rows match in 160 of their 180 overlapping pixels now: the profile ends at x = 160.
    image = grabbed();
    EXPECT_EQ(at(image, kResult1, QPoint(150, 98)), 0xC8C8C8u);
    EXPECT_EQ(at(image, kResult1, QPoint(195, 50)), 0xFFFFF0u);

    // A vertical shift as high as the image: no chart, nothing read.
    session->setShift(0, 100);
    image = grabbed();
    EXPECT_EQ(at(image, kResult1, QPoint(100, 50)), windowColour());
    EXPECT_EQ(at(image, kResult2, QPoint(100, 50)), windowColour());
}

TEST_F(ViewsPaintTest, TinyImagesAndATinyWindowPaintEveryView) {
    const QImage dot = solidImage(QSize(1, 1), 0x123456);
    setBoth(dot, dot);
    for (const int command : {command::kVisual, command::kHistogramFirst, command::kHistogramFirst + 7,
                              command::kScanGreen, command::kZoom}) {
        session->SelectProcessing(command);
        grabbed();
        view->resize(7, 5);
        grabbed();
        view->resize(406, 206);
        session->ResetProcessing();
    }
    SUCCEED();
}

TEST_F(ViewsPaintTest, PropertyDigestsShowProgressAndAFileGoneGivesEmptyValues) {
    const QImage picture = solidImage(kImage, 0x808080);
    setBoth(picture, picture);
    host.clearRecords();
    ASSERT_TRUE(session->CompareProperties());
    EXPECT_EQ(host.propertyComparisons, 1);
    const std::int64_t total =
        QFile(session->originalPath(0)).size() + QFile(session->originalPath(1)).size();
    ASSERT_GE(host.progress.size(), 3u);
    EXPECT_EQ(host.progress.front(), std::make_pair(std::int64_t{0}, total));
    EXPECT_EQ(host.progress[host.progress.size() - 2], std::make_pair(total, total));
    EXPECT_EQ(host.progress.back(), std::make_pair(std::int64_t{0}, std::int64_t{0}));
    EXPECT_EQ(host.waitCursorChanges, std::vector<bool>({true, false}));

    ASSERT_TRUE(QFile::remove(session->originalPath(1)));
    ASSERT_TRUE(session->CompareProperties());
    const std::vector<PropertyRow>& rows = session->propertyRows();
    ASSERT_EQ(rows.size(), 15u);
    EXPECT_EQ(rows[0].value2, QStringLiteral("0"));
    EXPECT_EQ(rows[0].result, QStringLiteral("×"));
    for (std::size_t i = 12; i < 15; ++i) {
        EXPECT_TRUE(rows[i].value2.isEmpty()) << i;
        EXPECT_FALSE(rows[i].value1.isEmpty()) << i;
    }
    // The pixels are still those loaded.
    EXPECT_EQ(rows[3].result, QStringLiteral("合致"));
}

} // namespace
} // namespace corvane::test
