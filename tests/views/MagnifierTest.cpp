// The magnifier's layout and placement, and the reduced copies it draws large frames from.

#include "views/Magnifier.h"
#include "tests/views/ViewTestSupport.h"
#include "views/ReducedSurface.h"

#include <QPainter>

#include <gtest/gtest.h>

#include <string>

namespace corvane::test {
namespace {

TEST(MagnifierLayout, TheFrameIsFittedWithItsAspectKept) {
    // 100 × 50 in a 200 × 200 client: 200 × 100, 50 pixels from the top.
    MagnifierLayout layout = magnifierLayout({200, 200}, {640, 480}, QRect(30, 40, 100, 50), 0, 0, 0);
    EXPECT_EQ(layout.source, QRect(30, 40, 100, 50));
    EXPECT_EQ(layout.target, QRect(0, 50, 200, 100));
    // A tall frame in a wide client: the full height, centred horizontally (trunc(50 × 1.5) = 75).
    layout = magnifierLayout({300, 150}, {640, 480}, QRect(0, 0, 50, 100), 0, 0, 0);
    EXPECT_EQ(layout.target, QRect(112, 0, 75, 150));
    // No frame: the whole working image.
    layout = magnifierLayout({200, 200}, {640, 480}, QRect(), 0, 0, 0);
    EXPECT_EQ(layout.source, QRect(0, 0, 640, 480));
    EXPECT_EQ(layout.target, QRect(0, 25, 200, 150));
    // Original 2 is read at the frame moved by the shift; original 1 is not.
    layout = magnifierLayout({200, 200}, {640, 480}, QRect(30, 40, 100, 50), 1, 10, -3);
    EXPECT_EQ(layout.source, QRect(40, 37, 100, 50));
    EXPECT_EQ(magnifierLayout({200, 200}, {640, 480}, QRect(30, 40, 100, 50), 0, 10, -3).source.x(), 30);
    // Nothing to show: no image, or no client.
    EXPECT_TRUE(magnifierLayout({200, 200}, {0, 0}, QRect(), 0, 0, 0).target.isEmpty());
    EXPECT_TRUE(magnifierLayout({0, 200}, {640, 480}, QRect(), 0, 0, 0).target.isEmpty());
}

TEST(MagnifierPlacement, FirstRunCentresAndSavedPlacesStayOnTheDesktop) {
    const QRect desktop(0, 0, 1920, 1040);
    const QRect owner(100, 100, 800, 600);
    const QSize current(200, 150);
    // Nothing saved: centred on the owner, at the current size.
    EXPECT_EQ(magnifierPlacement({0, 0, 0, 0}, current, owner, desktop), QRect(400, 325, 200, 150));
    // A saved place and size.
    EXPECT_EQ(magnifierPlacement({300, 200, 320, 240}, current, owner, desktop), QRect(300, 200, 320, 240));
    // Beyond the right edge: flush with it; beyond the bottom: flush with that.
    EXPECT_EQ(magnifierPlacement({5000, 200, 320, 240}, current, owner, desktop), QRect(1600, 200, 320, 240));
    EXPECT_EQ(magnifierPlacement({10, 3000, 0, 0}, current, owner, desktop), QRect(10, 890, 200, 150));
    // Negative positions are raised to the desktop's edge; no saved width keeps the current size.
    EXPECT_EQ(magnifierPlacement({-40, 20, 0, 0}, current, owner, desktop), QRect(0, 20, 200, 150));
    // A size larger than the desktop shrinks to it.
    EXPECT_EQ(magnifierPlacement({10, 10, 5000, 4000}, current, owner, desktop), QRect(0, 0, 1920, 1040));

    EXPECT_EQ(keptOnDesktop({-5, 1000}, {200, 150}, desktop), QPoint(0, 890));
    EXPECT_EQ(keptOnDesktop({30, 40}, {200, 150}, QRect(100, 0, 800, 600)), QPoint(100, 40));
}

class ReducedSurfaceTest : public ::testing::TestWithParam<int> {};

TEST_P(ReducedSurfaceTest, LargePartsAreDrawnFromReducedCopies) {
    const int bits = GetParam();
    // Columns alternating black and white: any reduction averages them to mid-grey.
    const DeviceBitmap surface =
        makeBitmap(400, 300, bits, [](int x, int) { return x % 2 == 0 ? kBlack : kWhite; });
    ReducedSurface reduced;
    QImage image = canvas(100, 75);
    {
        QPainter painter(&image);
        reduced.draw(painter, QRectF(0, 0, 100, 75), surface, 1, QRect(0, 0, 400, 300));
    }
    EXPECT_EQ(reduced.reductions(), 2); // 4 source pixels per target pixel: the copy reduced by 4
    const QRgb grey = rgbAt(image, 50, 37);
    EXPECT_NEAR(qRed(grey), 128, 2);
    EXPECT_NEAR(qBlue(grey), 128, 2);
    // Drawn again: the copies are kept; a new revision makes them again.
    {
        QPainter painter(&image);
        reduced.draw(painter, QRectF(0, 0, 100, 75), surface, 1, QRect(0, 0, 400, 300));
        EXPECT_EQ(reduced.reductions(), 2);
        reduced.draw(painter, QRectF(0, 0, 100, 75), surface, 2, QRect(0, 0, 400, 300));
        EXPECT_EQ(reduced.reductions(), 4);
    }
}

TEST_P(ReducedSurfaceTest, SmallPartsAreReadFromTheBitmapAndNothingOutsideIt) {
    const int bits = GetParam();
    const ColorRef colour = makeColor(0, 255, 0);
    const DeviceBitmap surface =
        makeBitmap(50, 40, bits, [&](int x, int) { return x < 25 ? colour : kWhite; });
    ReducedSurface reduced;
    QImage image = canvas(100, 100);
    {
        QPainter painter(&image);
        // 20 × 20 from (40, 30): its right half and bottom half lie outside the bitmap.
        reduced.draw(painter, QRectF(0, 0, 100, 100), surface, 0, QRect(40, 30, 20, 20));
        // Entirely outside, empty or null: nothing.
        reduced.draw(painter, QRectF(0, 0, 100, 100), surface, 0, QRect(60, 0, 10, 10));
        reduced.draw(painter, QRectF(0, 0, 100, 100), DeviceBitmap(), 0, QRect(0, 0, 10, 10));
        reduced.draw(painter, QRectF(), surface, 0, QRect(0, 0, 10, 10));
    }
    EXPECT_EQ(reduced.reductions(), 0);
    EXPECT_EQ(rgbAt(image, 20, 20), 0xFFFFFFu);
    EXPECT_TRUE(allPixels(image, QRect(52, 0, 48, 100), 0x102030u));
    EXPECT_TRUE(allPixels(image, QRect(0, 52, 100, 48), 0x102030u));

    // The left part of the bitmap, enlarged: exactly its colour inside.
    {
        QPainter painter(&image);
        reduced.draw(painter, QRectF(0, 0, 100, 100), surface, 0, QRect(0, 0, 10, 10));
    }
    EXPECT_EQ(rgbAt(image, 50, 50), 0x00FF00u);
}

INSTANTIATE_TEST_SUITE_P(Depths, ReducedSurfaceTest, ::testing::Values(16, 24, 32),
                         [](const auto& p) { return "Bits" + std::to_string(p.param); });

} // namespace
} // namespace corvane::test
