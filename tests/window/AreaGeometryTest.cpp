// The areas' geometry, conversions and hit tests, without a window.

#include "app/window/AreaGeometry.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

// QRect from Windows-style edges (right and bottom exclusive), as the expected values are written.
QRect edges(int left, int top, int right, int bottom) {
    return {left, top, right - left, bottom - top};
}

TEST(AreaGeometryTest, EightHundredBySixHundredClientWithAThousandByFiveHundredImage) {
    const AreaGeometry g = computeAreaGeometry(QRect(0, 0, 800, 600), 95, QSize(1000, 500));
    EXPECT_EQ(g.frames[0], edges(2, 95, 399, 344));
    EXPECT_EQ(g.frames[1], edges(401, 95, 798, 344));
    EXPECT_EQ(g.frames[2], edges(2, 346, 399, 595));
    EXPECT_EQ(g.frames[3], edges(401, 346, 798, 595));
    // Scale 0.397, picture height 198, moved down by 25; the same in every area.
    EXPECT_FLOAT_EQ(g.scale, 0.397f);
    EXPECT_EQ(g.pictures[0], QRect(2, 95 + 25, 397, 198));
    EXPECT_EQ(g.pictures[3], QRect(401, 346 + 25, 397, 198));
    // A tall image fills the height and is centred across.
    EXPECT_EQ(computeAreaGeometry(QRect(0, 0, 800, 600), 95, QSize(100, 200)).pictures[1],
              QRect(401 + (397 - 124) / 2, 95, 124, 249));
    // No image: frames without pictures.
    EXPECT_FALSE(computeAreaGeometry(QRect(0, 0, 800, 600), 95, QSize()).hasPictures());
}

TEST(AreaGeometryTest, ConversionsTruncateTowardZero) {
    const AreaGeometry g = computeAreaGeometry(QRect(0, 0, 800, 600), 95, QSize(1000, 500));
    const QPoint origin = g.pictures[2].topLeft();
    EXPECT_EQ(g.imageToScreen(2, QPoint(999, 10)), origin + QPoint(396, 3)); // 396.6, 3.97
    EXPECT_EQ(g.screenToImage(2, origin + QPoint(396, 3)), QPoint(997, 7));
    EXPECT_EQ(g.screenToImage(2, origin + QPoint(-1, -1)), QPoint(-2, -2)); // −2.5 → −2, not −3
    EXPECT_EQ(g.screenLengthToImage(10), 25);
    EXPECT_EQ(g.imageToScreen(0, QRect(100, 100, 100, 50)),
              QRect(g.pictures[0].topLeft() + QPoint(39, 39), QSize(40, 20)));
}

TEST(AreaGeometryTest, PointLookups) {
    const AreaGeometry g = computeAreaGeometry(QRect(0, 0, 800, 600), 95, QSize(1000, 500));
    EXPECT_EQ(g.frameAt(QPoint(398, 343)), 0);
    EXPECT_EQ(g.frameAt(QPoint(399, 200)), -1); // the gap
    EXPECT_EQ(g.frameAt(QPoint(797, 594)), 3);
    EXPECT_EQ(g.frameAt(QPoint(798, 594)), -1);
    // The margin above a picture is in its frame, not in the picture.
    EXPECT_EQ(g.frameAt(QPoint(100, 100)), 0);
    EXPECT_EQ(g.originalAt(QPoint(100, 100)), -1);
    EXPECT_EQ(g.originalAt(QPoint(500, 130)), 1);
    EXPECT_EQ(g.areaAt(QPoint(500, 400), {true, true, true, false}), -1);
}

TEST(GridHitTest, HitsCloserThanFourPixelsToWhereTheLinesAreDrawn) {
    // Scale 1; grid at (100, 50).
    const AreaGeometry g = computeAreaGeometry(QRect(0, 0, 800, 600), 95, QSize(397, 249));
    const auto at = [&](int area, int x, int y) {
        return g.pictures[static_cast<std::size_t>(area)].topLeft() + QPoint(x, y);
    };
    const auto hit = [&](QPoint grid, QPoint point) {
        const GridHit h = hitTestGrid(g, grid, point);
        return std::pair{h.kind, h.area};
    };
    const QPoint grid(100, 50);
    EXPECT_EQ(hit(grid, at(0, 103, 10)), std::pair(2, 0));
    EXPECT_EQ(hit(grid, at(0, 104, 10)).first, -1);
    EXPECT_EQ(hit(grid, at(3, 10, 53)), std::pair(1, 3));
    EXPECT_EQ(hit(grid, at(3, 10, 54)).first, -1);
    EXPECT_EQ(hit(grid, at(2, 102, 47)), std::pair(0, 2));
    EXPECT_EQ(hit(grid, at(1, 102, 54)), std::pair(2, 1));
    // The crossing is found just outside a picture, the lines only inside.
    EXPECT_EQ(hit(QPoint(0, 0), at(1, -2, -2)), std::pair(0, 1));
    EXPECT_EQ(hit(QPoint(0, 100), at(1, -2, 10)).first, -1);
    // A position past the image draws, and is taken, on the last column and row.
    EXPECT_EQ(gridLineOffset(g, QPoint(5000, -7)), QPoint(396, 0));
    EXPECT_EQ(hit(QPoint(5000, 5000), at(0, 394, 246)), std::pair(0, 0));
    const AreaGeometry none = computeAreaGeometry(QRect(0, 0, 800, 600), 95, QSize());
    EXPECT_EQ(hitTestGrid(none, QPoint(0, 0), none.frames[0].topLeft()).kind, -1);
}

TEST(GridHitTest, LabelSitsBelowRightOfTheCrossingUnlessNearTheEdges) {
    const QRect picture(10, 20, 200, 100);
    const QSize text(40, 12);
    EXPECT_EQ(gridLabelRect(picture, QPoint(50, 30), text), QRect(QPoint(63, 53), text));
    EXPECT_EQ(gridLabelRect(picture, QPoint(155, 30), text).x(), 168); // 165 + 40 + 5 is not past 210
    EXPECT_EQ(gridLabelRect(picture, QPoint(199, 99), text), QRect(QPoint(162, 100), text));
}

TEST(OutlineGeometryTest, DocumentFrameAndHandles) {
    EXPECT_EQ(documentFrameRect(QRect(10, 20, 400, 201), 1), QRect(20, 25, 380, 191));
    const QRect rect(10, 20, 100, 50); // grown by 2: (8, 18) – (112, 72)
    const std::array<QPoint, 8> points = handlePoints(rect);
    EXPECT_EQ(points[0], QPoint(8, 18));
    EXPECT_EQ(points[2], QPoint(112, 72));
    EXPECT_EQ(points[5], QPoint(112, 45));
    EXPECT_EQ(hitTestHandle(rect, QPoint(3, 13)), 0);                 // − 5 is inside
    EXPECT_EQ(hitTestHandle(rect, QPoint(13, 23)), -1);               // + 5 is not
    EXPECT_EQ(hitTestHandle(QRect(10, 10, 2, 2), QPoint(11, 11)), 0); // overlapping: the lowest index
    EXPECT_EQ(handleMarks(rect)[0], QRect(5, 15, 7, 7));
}

} // namespace
} // namespace corvane
