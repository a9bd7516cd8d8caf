// Colour counts and distinct colours of surfaces in the three pixel formats.

#include "views/ColorStatistics.h"
#include "platform/Allocation.h"
#include "platform/Pixel565.h"
#include "tests/support/TestImages.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

using namespace corvane;

namespace {

// The raw value of an 8-bit colour in a format (16 bits keep the top bits of each channel).
std::uint32_t raw(int bits, int red, int green, int blue) {
    if (bits == 16) {
        return pack565(static_cast<std::uint8_t>(red >> 3), static_cast<std::uint8_t>(green >> 2),
                       static_cast<std::uint8_t>(blue >> 3));
    }
    return static_cast<std::uint32_t>(blue | (green << 8) | (red << 16));
}

// Sets pixel k of a row-major walk; 32-bit pixels get a fourth byte that must be ignored.
void setPixel(DeviceBitmap& bitmap, int k, std::uint32_t value) {
    std::uint8_t* p = bitmap.row(k / bitmap.width()) + (k % bitmap.width()) * bitmap.bytesPerPixel();
    for (int i = 0; i < bitmap.bytesPerPixel(); ++i) {
        p[i] = static_cast<std::uint8_t>(i == 3 ? k * 37 : value >> (8 * i));
    }
}

class ColorStatistics : public ::testing::TestWithParam<int> {
protected:
    int bits() const { return GetParam(); }
};

} // namespace

TEST_P(ColorStatistics, AllWhiteImage) {
    const DeviceBitmap white = test::solidBitmap(4, 4, bits(), raw(bits(), 255, 255, 255), 0x5A);
    EXPECT_EQ(countPureColors(white), (PureColorCounts{16, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(countDistinctColors(white), 1.0);
}

TEST_P(ColorStatistics, PureColoursNearMissesAndDistinctColours) {
    // Odd width: 24-bit rows carry a padding byte, which must not count. Background grey.
    DeviceBitmap image = test::solidBitmap(5, 7, bits(), raw(bits(), 128, 128, 128));
    const int pure[8][3] = {{255, 255, 255}, {255, 255, 0}, {255, 0, 255}, {255, 0, 0},
                            {0, 255, 0},     {0, 255, 255}, {0, 0, 255},   {0, 0, 0}};
    // Colour i appears i + 1 times: 36 pixels would be needed, the last (black) gets 7 of its 8.
    int k = 0;
    for (int i = 0; i < 8; ++i) {
        for (int j = 0; j <= i && k < 35; ++j) {
            setPixel(image, k++, raw(bits(), pure[i][0], pure[i][1], pure[i][2]));
        }
    }
    EXPECT_EQ(countPureColors(image), (PureColorCounts{1, 2, 3, 4, 5, 6, 7, 7}));
    EXPECT_EQ(countDistinctColors(image), 8.0);

    // One step off in the format is no pure colour.
    const int step = bits() == 16 ? 8 : 1;
    setPixel(image, 0, raw(bits(), 255 - step, 255, 255));
    setPixel(image, 1, raw(bits(), 255, 255, step));
    EXPECT_EQ(countPureColors(image), (PureColorCounts{0, 1, 3, 4, 5, 6, 7, 7}));
    EXPECT_EQ(countDistinctColors(image), 9.0);
}

TEST_P(ColorStatistics, DistinctColoursAtTheEdgesOfTheTable) {
    DeviceBitmap image = test::solidBitmap(7, 1, bits(), 0);
    // Neighbouring words of the 24-bit bit table (63 | 64) and its very last bit; one repeat.
    const std::uint32_t values[] = {0x000000, 0xFFFFFF, 0x00003F, 0x000040, 0x800000, 0x7FFFFF, 0x000040};
    for (int i = 0; i < 7; ++i) {
        setPixel(image, i, bits() == 16 ? values[i] & 0xFFFF : values[i]);
    }
    EXPECT_EQ(countDistinctColors(image), bits() == 16 ? 4.0 : 6.0);

    const AllocationFailureScope failing(0);
    EXPECT_EQ(countDistinctColors(image), 0.0);
}

INSTANTIATE_TEST_SUITE_P(Depths, ColorStatistics, ::testing::Values(16, 24, 32),
                         [](const auto& p) { return "Bits" + std::to_string(p.param); });

TEST(ColorStatistics16, EveryWordIsItsOwnColourAndChannelsCountAtTheirMaximum) {
    DeviceBitmap image = DeviceBitmap::create(256, 256, 16);
    for (int k = 0; k < 65536; ++k) {
        setPixel(image, k, static_cast<std::uint32_t>(k));
    }
    EXPECT_EQ(countDistinctColors(image), 65536.0);
    // Each pure colour is one word: red 31, green 63, blue 31 is white; 30 or 62 are not.
    EXPECT_EQ(countPureColors(image), (PureColorCounts{1, 1, 1, 1, 1, 1, 1, 1}));
}
