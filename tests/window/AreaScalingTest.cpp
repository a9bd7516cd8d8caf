// The scaled copies of the surfaces, in the three surface formats.

#include "app/window/AreaScaling.h"

#include "platform/Blit.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace corvane {
namespace {

class AreaScalingTest : public ::testing::TestWithParam<int> {
protected:
    // A surface from 0xAARRGGBB words, row by row.
    DeviceBitmap surface(int width, int height, const std::vector<std::uint32_t>& pixels) const {
        return DeviceBitmap::fromArgb32(reinterpret_cast<const std::uint8_t*>(pixels.data()), width, height,
                                        width * 4, GetParam());
    }
};

TEST_P(AreaScalingTest, SameSizeIsAnExactOpaqueCopy) {
    std::vector<std::uint32_t> pixels;
    for (std::uint32_t i = 0; i < 7 * 5; ++i) {
        pixels.push_back(0xFF000000u | (i * 0x0813F1u + 0x102030u));
    }
    DeviceBitmap s = surface(7, 5, pixels);
    s.row(0)[3] = 0; // the fourth byte of a 32-bit pixel is no alpha
    const QImage image = scaleSurface(s, QSize(7, 5));
    ASSERT_EQ(image.format(), QImage::Format_RGB32);
    for (int i = 0; i < 7 * 5; ++i) {
        const ColorRef c = s.pixel(i % 7, i / 7);
        EXPECT_EQ(image.pixel(i % 7, i / 7), qRgb(redOf(c), greenOf(c), blueOf(c))) << i;
    }
}

TEST_P(AreaScalingTest, EachTargetPixelAveragesTheAreaItCovers) {
    const DeviceBitmap blocks = surface(4, 2,
                                        {0xFF000000, 0xFFFFFFFF, 0xFFFF0000, 0xFFFF0000, //
                                         0xFFFFFFFF, 0xFF000000, 0xFF0000FF, 0xFF0000FF});
    const QImage halves = scaleSurface(blocks, QSize(2, 1));
    EXPECT_EQ(halves.pixel(0, 0), qRgb(128, 128, 128));
    EXPECT_EQ(halves.pixel(1, 0), qRgb(128, 0, 128));
    // 3 → 2 both ways: the middle source pixel is split between the two target pixels.
    const DeviceBitmap rows =
        surface(2, 3, {0xFFFF0000, 0xFFFF0000, 0xFF000000, 0xFF000000, 0xFF0000FF, 0xFF0000FF});
    const QImage thirds = scaleSurface(rows, QSize(2, 2));
    EXPECT_EQ(thirds.pixel(1, 0), qRgb(170, 0, 0));
    EXPECT_EQ(thirds.pixel(0, 1), qRgb(0, 0, 170));
    // Enlarged, each source pixel becomes a block.
    const QImage blocky = scaleSurface(surface(2, 1, {0xFFFF0000, 0xFF0000FF}), QSize(6, 3));
    EXPECT_EQ(blocky.pixel(2, 2), qRgb(255, 0, 0));
    EXPECT_EQ(blocky.pixel(3, 0), qRgb(0, 0, 255));
}

TEST_P(AreaScalingTest, TransparentColourIsLeftOutAsTheFormatShowsIt) {
    const DeviceBitmap s = surface(4, 1, {0xFF000000, 0xFF000000, 0xFF000000, 0xFFFF0000});
    const QImage image = scaleSurface(s, QSize(2, 1), kBlack);
    ASSERT_EQ(image.format(), QImage::Format_ARGB32_Premultiplied);
    EXPECT_EQ(image.pixel(0, 0), 0u);
    EXPECT_EQ(image.pixel(1, 0), qRgba(128, 0, 0, 128)); // half covered by full red, premultiplied
    // (8, 0, 0) and (5, 0, 0) are one colour in 16 bits and two in 24 and 32.
    const QImage narrowed = scaleSurface(surface(1, 1, {0xFF080000}), QSize(1, 1), makeColor(5, 0, 0));
    EXPECT_EQ(qAlpha(narrowed.pixel(0, 0)), GetParam() == 16 ? 0 : 255);
}

TEST_P(AreaScalingTest, RescalingAChangedRectangleGivesTheWholeScaling) {
    // Shrunk by uneven factors, enlarged, and with a transparent colour; changes inside, at the edges
    // and reaching past the surface.
    const int width = 97;
    const int height = 61;
    std::vector<std::uint32_t> pixels;
    for (int i = 0; i < width * height; ++i) {
        pixels.push_back(0xFF000000u | (static_cast<std::uint32_t>(i) * 0x9E3779B1u >> 8));
    }
    const std::vector<QRect> changes = {QRect(10, 7, 13, 5), QRect(0, 0, 1, 1), QRect(90, 50, 30, 30),
                                        QRect(-5, 20, 8, 41), QRect(40, 0, 1, 61)};
    for (const QSize size : {QSize(31, 20), QSize(96, 60), QSize(250, 130)}) {
        for (const ColorRef transparent : {kNoColor, kBlack}) {
            DeviceBitmap s = surface(width, height, pixels);
            QImage image = scaleSurface(s, size, transparent);
            for (const QRect& change : changes) {
                const QRect inside = change.intersected(QRect(0, 0, width, height));
                ASSERT_TRUE(fillSolidRect(s, {inside.x(), inside.y(), inside.width(), inside.height()},
                                          change.x() % 2 == 0 ? kBlack : makeColor(200, 10, 90)));
                ASSERT_TRUE(rescaleSurfaceRect(s, image, change, transparent));
                EXPECT_EQ(image, scaleSurface(s, size, transparent))
                    << size.width() << "×" << size.height() << " at " << change.x() << "," << change.y();
            }
        }
    }
    // An image made with another transparency is not touched.
    const DeviceBitmap s = surface(width, height, pixels);
    QImage opaque = scaleSurface(s, QSize(20, 10));
    const QImage before = opaque;
    EXPECT_FALSE(rescaleSurfaceRect(s, opaque, QRect(0, 0, 5, 5), kBlack));
    EXPECT_EQ(opaque, before);
}

INSTANTIATE_TEST_SUITE_P(Formats, AreaScalingTest, ::testing::Values(16, 24, 32));

TEST(AreaScalingBandsTest, LargeSurfacesAreScaledInBandsThatCoverEveryRow) {
    DeviceBitmap s = DeviceBitmap::create(2400, 2000, 32);
    ASSERT_TRUE(fillSolid(s, makeColor(10, 200, 30)));
    const QImage image = scaleSurface(s, QSize(999, 833));
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            ASSERT_EQ(image.pixel(x, y), qRgb(10, 200, 30)) << x << "," << y;
        }
    }
}

} // namespace
} // namespace corvane
