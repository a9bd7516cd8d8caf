#include "platform/Blit.h"

#include "tests/platform/PlatformTestHelpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <utility>

namespace corvane {
namespace {

using test::colorBits;
using test::expectedRaw;
using test::kAllDepths;
using test::randomImage;
using test::rawAt;
using test::referenceBitBlt;
using test::sameBytes;
using test::setRawAt;

class BlitTest : public ::testing::TestWithParam<int> {
protected:
    int bits() const { return GetParam(); }
};

INSTANTIATE_TEST_SUITE_P(AllDepths, BlitTest, ::testing::ValuesIn(kAllDepths), test::DepthName());

TEST_P(BlitTest, BitBltAtOffsetsWithClipping) {
    const DeviceBitmap src = randomImage(5, 4, bits(), 1);
    const DeviceBitmap canvas = randomImage(7, 6, bits(), 2);
    struct Case {
        int x, y, width, height, srcX, srcY;
    };
    const Case cases[] = {
        {0, 0, 5, 4, 0, 0},   // whole source, top-left
        {1, 2, 5, 4, 0, 0},   // inside
        {4, 3, 5, 4, 0, 0},   // hangs over the right and bottom edges
        {-2, -1, 5, 4, 0, 0}, // hangs over the left and top edges
        {-3, 4, 5, 4, 0, 0},  // over the left and bottom edges
        {2, 1, 3, 2, 1, 1},   // part of the source
        {1, 1, 6, 6, -2, -1}, // the source rectangle starts outside the source
        {0, 0, 9, 9, 3, 2},   // the source rectangle ends outside the source
        {-4, -3, 20, 20, -1, -2},
        {7, 0, 5, 4, 0, 0},  // entirely right of the target
        {0, -4, 5, 4, 0, 0}, // entirely above the target
        {0, 0, 5, 4, 5, 0},  // source rectangle entirely outside the source
        {1, 1, 0, 3, 0, 0},  // empty
        {1, 1, -2, 3, 0, 0}, // negative width
        {INT_MIN, INT_MIN, 5, 4, 0, 0},
        {INT_MAX, 0, INT_MAX, 4, 0, 0},
        {0, 0, INT_MAX, INT_MAX, INT_MIN, INT_MIN},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "at " << c.x << ", " << c.y << " size " << c.width << " x "
                                          << c.height << " from " << c.srcX << ", " << c.srcY);
        DeviceBitmap dst = canvas.clone();
        ASSERT_TRUE(bitBlt(dst, c.x, c.y, c.width, c.height, src, c.srcX, c.srcY));
        EXPECT_TRUE(
            sameBytes(dst, referenceBitBlt(canvas, c.x, c.y, c.width, c.height, src, c.srcX, c.srcY)));
    }
}

TEST_P(BlitTest, BitBltWholeSourceOverload) {
    const DeviceBitmap src = randomImage(3, 3, bits(), 5);
    const DeviceBitmap canvas = randomImage(4, 5, bits(), 6);
    DeviceBitmap dst = canvas.clone();
    ASSERT_TRUE(bitBlt(dst, 2, -1, src));
    EXPECT_TRUE(sameBytes(dst, referenceBitBlt(canvas, 2, -1, 3, 3, src, 0, 0)));
}

// Moving an area within one bitmap reads every source pixel before it is overwritten, in every
// direction, also when the area is clipped.
TEST_P(BlitTest, BitBltOverlappingWithinOneBitmap) {
    const DeviceBitmap original = randomImage(9, 8, bits(), 11);
    for (int dy = -3; dy <= 3; ++dy) {
        for (int dx = -3; dx <= 3; ++dx) {
            for (const int srcX : {2, 5}) {
                SCOPED_TRACE(::testing::Message() << "move by " << dx << ", " << dy << " from x " << srcX);
                DeviceBitmap image = original.clone();
                ASSERT_TRUE(bitBlt(image, srcX + dx, 2 + dy, 5, 5, image, srcX, 2));
                EXPECT_TRUE(
                    sameBytes(image, referenceBitBlt(original, srcX + dx, 2 + dy, 5, 5, original, srcX, 2)));
            }
        }
    }
}

TEST_P(BlitTest, FillSolidRectClipped) {
    const DeviceBitmap canvas = randomImage(6, 5, bits(), 21);
    // Narrowing matters in 16 bits: red 6 → 0, green 2 → 1, blue 131 → 15.
    const ColorRef colour = makeColor(6, 2, 131);
    const IntRect rects[] = {{1, 1, 3, 2},
                             {-2, -1, 4, 4},
                             {4, 3, 10, 10},
                             {0, 0, 6, 5},
                             {-5, 2, 100, 1},
                             {6, 0, 2, 2},
                             {0, 5, 2, 2},
                             {2, 2, 0, 3},
                             {2, 2, 3, -1},
                             {INT_MIN, INT_MIN, INT_MAX, INT_MAX},
                             {INT_MAX, 1, INT_MAX, 1}};
    for (const IntRect& r : rects) {
        SCOPED_TRACE(::testing::Message() << r.x << ", " << r.y << " size " << r.width << " x " << r.height);
        DeviceBitmap dst = canvas.clone();
        ASSERT_TRUE(fillSolidRect(dst, r, colour));
        DeviceBitmap expected = canvas.clone();
        for (int y = 0; y < 5; ++y) {
            for (int x = 0; x < 6; ++x) {
                const bool inside = x >= r.x && y >= r.y &&
                                    static_cast<long long>(x) < static_cast<long long>(r.x) + r.width &&
                                    static_cast<long long>(y) < static_cast<long long>(r.y) + r.height;
                if (inside) {
                    // The fourth byte of a 32-bit pixel becomes 0.
                    setRawAt(expected, x, y, expectedRaw(colour, bits()));
                }
            }
        }
        EXPECT_TRUE(sameBytes(dst, expected));
    }
    DeviceBitmap dst = canvas.clone();
    ASSERT_TRUE(fillSolid(dst, kWhite));
    EXPECT_EQ(rawAt(dst, 5, 4), bits() == 16 ? 0xFFFFu : 0xFFFFFFu);
    EXPECT_EQ(rawAt(dst, 0, 0), rawAt(dst, 5, 4));
}

TEST_P(BlitTest, TransparentBltSkipsTheKeyColour) {
    const ColorRef key = makeColor(131, 2, 5);
    const std::uint32_t keyRaw = expectedRaw(key, bits());
    DeviceBitmap src = randomImage(4, 3, bits(), 31);
    // Key pixels in a pattern; in 32 bits with different fourth bytes, which the comparison ignores.
    for (int i = 0; i < 4; ++i) {
        setRawAt(src, i, i % 3, keyRaw | (bits() == 32 ? static_cast<std::uint32_t>(i * 0x40) << 24 : 0u));
    }
    if (bits() == 16) {
        // What dropping the low bits of the key would give (red 16, green 0, blue 0): not the key.
        setRawAt(src, 1, 0, pack565(16, 0, 0));
        // A word one step off the key in green: not the key either.
        setRawAt(src, 2, 0, keyRaw ^ (1u << 5));
    } else {
        // The key colour with only one channel off by one: drawn.
        setRawAt(src, 1, 0, keyRaw ^ 1u);
    }
    const DeviceBitmap canvas = randomImage(6, 5, bits(), 32);
    for (const auto& [x, y] : {std::pair{1, 1}, std::pair{-1, 3}, std::pair{4, -2}, std::pair{7, 0}}) {
        SCOPED_TRACE(::testing::Message() << "at " << x << ", " << y);
        DeviceBitmap dst = canvas.clone();
        ASSERT_TRUE(transparentBlt(dst, x, y, src, key));
        DeviceBitmap expected = canvas.clone();
        for (int sy = 0; sy < src.height(); ++sy) {
            for (int sx = 0; sx < src.width(); ++sx) {
                const std::uint32_t raw = rawAt(src, sx, sy);
                if (expected.contains(x + sx, y + sy) && colorBits(raw, bits()) != keyRaw) {
                    setRawAt(expected, x + sx, y + sy, raw);
                }
            }
        }
        EXPECT_TRUE(sameBytes(dst, expected));
    }
}

TEST_P(BlitTest, TransparentBltWithoutKeyPixelsIsACopy) {
    const DeviceBitmap src = test::solidBitmap(3, 2, bits(), 0x123456, 0x77);
    const DeviceBitmap canvas = randomImage(4, 4, bits(), 33);
    DeviceBitmap dst = canvas.clone();
    ASSERT_TRUE(transparentBlt(dst, 1, 1, src, kNoColor));
    EXPECT_TRUE(sameBytes(dst, referenceBitBlt(canvas, 1, 1, 3, 2, src, 0, 0)));
}

// Per channel (src × a + dst × (255 − a) + 127) / 255; in 16 bits widened first and narrowed after.
std::uint8_t blendChannel(unsigned s, unsigned d, unsigned a) {
    return static_cast<std::uint8_t>((s * a + d * (255 - a) + 127) / 255);
}

std::uint32_t referenceBlend(std::uint32_t s, std::uint32_t d, int bitsPerPixel, int alpha) {
    const auto a = static_cast<unsigned>(alpha);
    if (bitsPerPixel == 16) {
        const auto sw = static_cast<std::uint16_t>(s);
        const auto dw = static_cast<std::uint16_t>(d);
        return pack565(Quantize5(blendChannel(Expand5(red5Of(sw)), Expand5(red5Of(dw)), a)),
                       Quantize6(blendChannel(Expand6(green6Of(sw)), Expand6(green6Of(dw)), a)),
                       Quantize5(blendChannel(Expand5(blue5Of(sw)), Expand5(blue5Of(dw)), a)));
    }
    std::uint32_t out = 0;
    for (int byte = 0; byte < bitsPerPixel / 8; ++byte) { // the fourth byte blends like a channel
        out |= std::uint32_t{blendChannel((s >> (8 * byte)) & 0xFF, (d >> (8 * byte)) & 0xFF, a)}
               << (8 * byte);
    }
    return out;
}

DeviceBitmap referenceAlphaBlend(const DeviceBitmap& dst, int x, int y, const DeviceBitmap& src, int alpha) {
    DeviceBitmap out = dst.clone();
    for (int sy = 0; sy < src.height(); ++sy) {
        for (int sx = 0; sx < src.width(); ++sx) {
            if (out.contains(x + sx, y + sy)) {
                setRawAt(
                    out, x + sx, y + sy,
                    referenceBlend(rawAt(src, sx, sy), rawAt(dst, x + sx, y + sy), dst.bitsPixel(), alpha));
            }
        }
    }
    return out;
}

TEST_P(BlitTest, AlphaBlendFollowsTheFormula) {
    const DeviceBitmap src = randomImage(5, 4, bits(), 41);
    const DeviceBitmap canvas = randomImage(7, 6, bits(), 42);
    for (const int alpha : {0, 1, 77, 128, 200, 254, 255}) {
        for (const auto& [x, y] : {std::pair{0, 0}, std::pair{1, 2}, std::pair{-2, -1}, std::pair{4, 4}}) {
            SCOPED_TRACE(::testing::Message() << "alpha " << alpha << " at " << x << ", " << y);
            DeviceBitmap dst = canvas.clone();
            ASSERT_TRUE(alphaBlend(dst, x, y, src, alpha));
            EXPECT_TRUE(sameBytes(dst, referenceAlphaBlend(canvas, x, y, src, alpha)));
        }
    }
}

TEST_P(BlitTest, AlphaBlendEnds) {
    const DeviceBitmap src = randomImage(4, 3, bits(), 43);
    const DeviceBitmap canvas = randomImage(4, 3, bits(), 44);
    // Alpha 0 leaves the target as it was (also in 16 bits: widening then narrowing is exact).
    DeviceBitmap dst = canvas.clone();
    ASSERT_TRUE(alphaBlend(dst, 0, 0, src, 0));
    EXPECT_TRUE(sameBytes(dst, canvas));
    // Alpha 255 copies the source, all four bytes of 32-bit pixels included.
    ASSERT_TRUE(alphaBlend(dst, 0, 0, src, 255));
    EXPECT_TRUE(sameBytes(dst, src));
}

TEST_P(BlitTest, AlphaBlendOfAHandComputedPixel) {
    DeviceBitmap src = DeviceBitmap::create(1, 1, bits());
    DeviceBitmap dst = DeviceBitmap::create(1, 1, bits());
    ASSERT_FALSE(src.isNull());
    ASSERT_FALSE(dst.isNull());
    if (bits() == 16) {
        setRawAt(src, 0, 0, 0xFFFF); // white
        setRawAt(dst, 0, 0, 0x0000); // black
        ASSERT_TRUE(alphaBlend(dst, 0, 0, src, 100));
        // (255 × 100 + 127) / 255 = 100 per channel. Red and blue: the first entry not below 100 is 107
        // (index 13), seven above, so 13. Green: 101 (index 25) is one above, so 24.
        EXPECT_EQ(rawAt(dst, 0, 0), pack565(13, 24, 13));
    } else {
        setRawAt(src, 0, 0, bits() == 32 ? 0xC8FF6400u : 0xFF6400u);
        setRawAt(dst, 0, 0, bits() == 32 ? 0x0A0000FFu : 0x0000FFu);
        ASSERT_TRUE(alphaBlend(dst, 0, 0, src, 51));
        // Blue (0 × 51 + 255 × 204 + 127) / 255 = 204, green (100 × 51 + 127) / 255 = 20,
        // red (255 × 51 + 127) / 255 = 51, fourth (200 × 51 + 10 × 204 + 127) / 255 = 48.
        EXPECT_EQ(rawAt(dst, 0, 0), bits() == 32 ? 0x303314CCu : 0x3314CCu);
    }
}

TEST_P(BlitTest, AlphaBlendRefusesAlphaOutOfRange) {
    const DeviceBitmap src = randomImage(3, 3, bits(), 45);
    const DeviceBitmap canvas = randomImage(3, 3, bits(), 46);
    for (const int alpha : {-1, 256, INT_MIN, INT_MAX}) {
        DeviceBitmap dst = canvas.clone();
        EXPECT_FALSE(alphaBlend(dst, 0, 0, src, alpha)) << "alpha " << alpha;
        EXPECT_TRUE(sameBytes(dst, canvas));
    }
}

TEST_P(BlitTest, BlendAndTransparentBltOntoThemselves) {
    const DeviceBitmap original = randomImage(6, 5, bits(), 47);
    DeviceBitmap image = original.clone();
    ASSERT_TRUE(alphaBlend(image, 1, 2, image, 90));
    EXPECT_TRUE(sameBytes(image, referenceAlphaBlend(original, 1, 2, original, 90)));

    image = original.clone();
    const ColorRef key = bits() == 16 ? colorFromWord(static_cast<std::uint16_t>(rawAt(original, 0, 0)))
                                      : makeColor(static_cast<std::uint8_t>(rawAt(original, 0, 0) >> 16),
                                                  static_cast<std::uint8_t>(rawAt(original, 0, 0) >> 8),
                                                  static_cast<std::uint8_t>(rawAt(original, 0, 0)));
    ASSERT_TRUE(transparentBlt(image, -1, 1, image, key));
    DeviceBitmap expected = original.clone();
    for (int sy = 0; sy < 5; ++sy) {
        for (int sx = 0; sx < 6; ++sx) {
            const std::uint32_t raw = rawAt(original, sx, sy);
            if (expected.contains(sx - 1, sy + 1) &&
                colorBits(raw, bits()) != colorBits(rawAt(original, 0, 0), bits())) {
                setRawAt(expected, sx - 1, sy + 1, raw);
            }
        }
    }
    EXPECT_TRUE(sameBytes(image, expected));
}

// Two bitmaps of different formats, or a null one: false, and the target keeps every byte.
TEST(BlitFormats, MismatchOrNullIsRefused) {
    const int pairs[][2] = {{16, 24}, {24, 16}, {16, 32}, {32, 16}, {24, 32}, {32, 24}};
    for (const auto& pair : pairs) {
        SCOPED_TRACE(::testing::Message() << pair[0] << " bits onto " << pair[1] << " bits");
        const DeviceBitmap src = randomImage(4, 4, pair[0], 51);
        const DeviceBitmap canvas = randomImage(4, 4, pair[1], 52);
        DeviceBitmap dst = canvas.clone();
        EXPECT_FALSE(bitBlt(dst, 0, 0, src));
        EXPECT_FALSE(transparentBlt(dst, 0, 0, src, kBlack));
        EXPECT_FALSE(alphaBlend(dst, 0, 0, src, 128));
        EXPECT_FALSE(stretchBlt(dst, {0, 0, 4, 4}, src, {0, 0, 4, 4}));
        EXPECT_FALSE(stretchBlt(dst, {0, 0, 2, 2}, src, {0, 0, 4, 4}));
        EXPECT_FALSE(stretchBlt(dst, {0, 0, 4, 4}, src, {0, 0, 2, 2}));
        EXPECT_TRUE(sameBytes(dst, canvas));
    }
    for (const int depth : kAllDepths) {
        const DeviceBitmap image = randomImage(3, 3, depth, 53);
        DeviceBitmap dst = image.clone();
        DeviceBitmap null;
        EXPECT_FALSE(bitBlt(dst, 0, 0, null));
        EXPECT_FALSE(transparentBlt(dst, 0, 0, null, kBlack));
        EXPECT_FALSE(alphaBlend(dst, 0, 0, null, 1));
        EXPECT_FALSE(stretchBlt(dst, {0, 0, 3, 3}, null, {0, 0, 3, 3}));
        EXPECT_TRUE(sameBytes(dst, image));
        EXPECT_FALSE(bitBlt(null, 0, 0, image));
        EXPECT_FALSE(fillSolidRect(null, {0, 0, 1, 1}, kBlack));
        EXPECT_FALSE(floodFill(null, 0, 0, kBlack, kWhite));
        EXPECT_FALSE(stretchBlt(null, {0, 0, 1, 1}, image, {0, 0, 3, 3}));
    }
}

} // namespace
} // namespace corvane
