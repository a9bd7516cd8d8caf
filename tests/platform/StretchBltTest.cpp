#include "platform/Blit.h"

#include "tests/platform/PlatformTestHelpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

namespace corvane {
namespace {

using test::kAllDepths;
using test::randomImage;
using test::rawAt;
using test::referenceBitBlt;
using test::sameBytes;
using test::setRawAt;

class StretchBltTest : public ::testing::TestWithParam<int> {
protected:
    int bits() const { return GetParam(); }
    // Channels a scaled copy computes: blue, green, red, and the fourth byte of 32-bit pixels.
    int channels() const { return GetParam() == 32 ? 4 : 3; }
};

INSTANTIATE_TEST_SUITE_P(AllDepths, StretchBltTest, ::testing::ValuesIn(kAllDepths), test::DepthName());

// Channel c (0 blue, 1 green, 2 red, 3 fourth byte) as an 8-bit value; 16-bit channels widened.
int channel(const DeviceBitmap& b, int x, int y, int c) {
    const std::uint32_t raw = rawAt(b, x, y);
    if (b.bitsPixel() == 16) {
        const auto word = static_cast<std::uint16_t>(raw);
        return c == 0 ? Expand5(blue5Of(word)) : c == 1 ? Expand6(green6Of(word)) : Expand5(red5Of(word));
    }
    return static_cast<int>((raw >> (8 * c)) & 0xFF);
}

// The channel index a 16-bit pixel stores for the 8-bit value v.
int narrowed(int v, int c) {
    return c == 1 ? Quantize6(static_cast<unsigned>(v)) : Quantize5(static_cast<unsigned>(v));
}

int storedIndex(const DeviceBitmap& b, int x, int y, int c) {
    const auto word = static_cast<std::uint16_t>(rawAt(b, x, y));
    return c == 0   ? static_cast<int>(blue5Of(word))
           : c == 1 ? static_cast<int>(green6Of(word))
                    : static_cast<int>(red5Of(word));
}

// True when the pixel stores the 8-bit value v in channel c, as its format stores a computed value.
bool stores(const DeviceBitmap& b, int x, int y, int c, int v) {
    return b.bitsPixel() == 16 ? storedIndex(b, x, y, c) == narrowed(v, c) : channel(b, x, y, c) == v;
}

// True when the pixel stores some 8-bit value within `tolerance` of `reference` in channel c.
bool storesNear(const DeviceBitmap& b, int x, int y, int c, double reference, double tolerance) {
    const int low = std::max(0, static_cast<int>(std::ceil(reference - tolerance)));
    const int high = std::min(255, static_cast<int>(std::floor(reference + tolerance)));
    for (int v = low; v <= high; ++v) {
        if (stores(b, x, y, c, v)) {
            return true;
        }
    }
    return false;
}

// Source pixel j's share of output pixel i when s source pixels are averaged into d ≤ s output pixels:
// the overlap of [i·s/d, (i+1)·s/d) with [j, j+1), over s/d.
double areaWeight(int i, int j, int s, int d) {
    const double begin = static_cast<double>(i) * s / d;
    const double end = static_cast<double>(i + 1) * s / d;
    const double overlap = std::min(end, j + 1.0) - std::max(begin, static_cast<double>(j));
    return overlap > 0 ? overlap * d / s : 0.0;
}

TEST_P(StretchBltTest, EqualSizesCopyExactly) {
    const DeviceBitmap src = randomImage(6, 5, bits(), 1);
    const DeviceBitmap canvas = randomImage(8, 7, bits(), 2);
    const IntRect srcRect{1, 1, 4, 3};
    for (const IntRect& dstRect : {IntRect{2, 3, 4, 3}, IntRect{-2, -1, 4, 3}, IntRect{6, 5, 4, 3}}) {
        SCOPED_TRACE(::testing::Message() << "at " << dstRect.x << ", " << dstRect.y);
        DeviceBitmap dst = canvas.clone();
        ASSERT_TRUE(stretchBlt(dst, dstRect, src, srcRect));
        EXPECT_TRUE(sameBytes(dst, referenceBitBlt(canvas, dstRect.x, dstRect.y, 4, 3, src, 1, 1)));
    }
    // Within one bitmap, overlapping.
    DeviceBitmap image = canvas.clone();
    ASSERT_TRUE(stretchBlt(image, {2, 1, 5, 5}, image, {1, 2, 5, 5}));
    EXPECT_TRUE(sameBytes(image, referenceBitBlt(canvas, 2, 1, 5, 5, canvas, 1, 2)));
}

TEST_P(StretchBltTest, HalvingAveragesEachTwoByTwoBlock) {
    const DeviceBitmap src = randomImage(11, 9, bits(), 3);
    const DeviceBitmap canvas = randomImage(7, 6, bits(), 4);
    DeviceBitmap dst = canvas.clone();
    // Source (2, 1)..(9, 8) into (1, 1)..(4, 4); the rest of the target stays.
    ASSERT_TRUE(stretchBlt(dst, {1, 1, 4, 4}, src, {2, 1, 8, 8}));
    for (int y = 0; y < 6; ++y) {
        for (int x = 0; x < 7; ++x) {
            const bool drawn = x >= 1 && x < 5 && y >= 1 && y < 5;
            if (!drawn) {
                EXPECT_EQ(rawAt(dst, x, y), rawAt(canvas, x, y)) << x << ", " << y;
                continue;
            }
            const int sx = 2 + 2 * (x - 1);
            const int sy = 1 + 2 * (y - 1);
            for (int c = 0; c < channels(); ++c) {
                const int sum = channel(src, sx, sy, c) + channel(src, sx + 1, sy, c) +
                                channel(src, sx, sy + 1, c) + channel(src, sx + 1, sy + 1, c);
                EXPECT_TRUE(stores(dst, x, y, c, (sum + 2) / 4))
                    << "pixel " << x << ", " << y << " channel " << c << ": got " << channel(dst, x, y, c)
                    << ", the average is " << sum / 4.0;
            }
        }
    }
    EXPECT_TRUE(test::samePadding(dst, canvas));

    // Halving one axis only: pairs of neighbours.
    DeviceBitmap half = DeviceBitmap::create(5, 9, bits());
    ASSERT_TRUE(stretchBlt(half, {0, 0, 5, 9}, src, {0, 0, 10, 9}));
    for (int y = 0; y < 9; ++y) {
        for (int x = 0; x < 5; ++x) {
            for (int c = 0; c < channels(); ++c) {
                const int sum = channel(src, 2 * x, y, c) + channel(src, 2 * x + 1, y, c);
                EXPECT_TRUE(stores(half, x, y, c, (sum + 1) / 2))
                    << "pixel " << x << ", " << y << " channel " << c;
            }
        }
    }
}

TEST_P(StretchBltTest, ShrinkingAveragesTheCoveredArea) {
    struct Case {
        int srcWidth, srcHeight, dstWidth, dstHeight;
    };
    for (const Case& k :
         {Case{7, 5, 3, 2}, Case{10, 9, 3, 4}, Case{13, 3, 5, 1}, Case{16, 16, 1, 1}, Case{9, 8, 9, 3}}) {
        SCOPED_TRACE(::testing::Message()
                     << k.srcWidth << " x " << k.srcHeight << " to " << k.dstWidth << " x " << k.dstHeight);
        const DeviceBitmap src = randomImage(k.srcWidth, k.srcHeight, bits(), 5);
        DeviceBitmap dst = randomImage(k.dstWidth, k.dstHeight, bits(), 6);
        ASSERT_TRUE(stretchBlt(dst, {0, 0, k.dstWidth, k.dstHeight}, src, {0, 0, k.srcWidth, k.srcHeight}));
        for (int y = 0; y < k.dstHeight; ++y) {
            for (int x = 0; x < k.dstWidth; ++x) {
                for (int c = 0; c < channels(); ++c) {
                    double expected = 0;
                    for (int sy = 0; sy < k.srcHeight; ++sy) {
                        for (int sx = 0; sx < k.srcWidth; ++sx) {
                            expected += areaWeight(x, sx, k.srcWidth, k.dstWidth) *
                                        areaWeight(y, sy, k.srcHeight, k.dstHeight) * channel(src, sx, sy, c);
                        }
                    }
                    EXPECT_TRUE(storesNear(dst, x, y, c, expected, 1.0))
                        << "pixel " << x << ", " << y << " channel " << c << ": got " << channel(dst, x, y, c)
                        << ", the area average is " << expected;
                }
            }
        }
    }
}

// Large factors still average: one white pixel at the start of a black line of s pixels shrunk to d
// pixels shows up as 255 × d / s in the first output pixel, and a random line stays within a few levels
// of its area averages (the fixed-point weights allow small rounding, not a single pixel taking over).
TEST_P(StretchBltTest, ShrinkingByLargeFactorsStillAverages) {
    struct Case {
        int s, d;
    };
    for (const Case& k : {Case{100, 3}, Case{257, 2}, Case{1500, 1}, Case{5000, 1}}) {
        for (const bool horizontal : {true, false}) {
            SCOPED_TRACE(::testing::Message()
                         << k.s << " to " << k.d << (horizontal ? " along a row" : " along a column"));
            const int sw = horizontal ? k.s : 1;
            const int sh = horizontal ? 1 : k.s;
            const int dw = horizontal ? k.d : 1;
            const int dh = horizontal ? 1 : k.d;
            const auto at = [horizontal](int i) {
                return horizontal ? std::pair{i, 0} : std::pair{0, i};
            };

            DeviceBitmap dot = DeviceBitmap::create(sw, sh, bits());
            fillSolidRect(dot, {0, 0, 1, 1}, kWhite);
            DeviceBitmap dst = DeviceBitmap::create(dw, dh, bits());
            ASSERT_TRUE(stretchBlt(dst, {0, 0, dw, dh}, dot, {0, 0, sw, sh}));
            for (int c = 0; c < 3; ++c) {
                EXPECT_TRUE(storesNear(dst, 0, 0, c, 255.0 * k.d / k.s, 4.0))
                    << "channel " << c << ": got " << channel(dst, 0, 0, c) << ", the area average is "
                    << 255.0 * k.d / k.s;
            }

            const DeviceBitmap line = randomImage(sw, sh, bits(), 16);
            ASSERT_TRUE(stretchBlt(dst, {0, 0, dw, dh}, line, {0, 0, sw, sh}));
            for (int i = 0; i < k.d; ++i) {
                for (int c = 0; c < channels(); ++c) {
                    double expected = 0;
                    for (int j = 0; j < k.s; ++j) {
                        expected += areaWeight(i, j, k.s, k.d) * channel(line, at(j).first, at(j).second, c);
                    }
                    EXPECT_TRUE(storesNear(dst, at(i).first, at(i).second, c, expected, 4.0))
                        << "pixel " << i << " channel " << c << ": got "
                        << channel(dst, at(i).first, at(i).second, c) << ", the area average is " << expected;
                }
            }
        }
    }
}

TEST_P(StretchBltTest, FlatImageStaysFlatAtAnyScale) {
    const std::uint32_t colour = bits() == 16 ? pack565(13, 40, 3) : bits() == 24 ? 0x8A11F0u : 0x5C8A11F0u;
    struct Case {
        int srcWidth, srcHeight, dstWidth, dstHeight;
    };
    for (const Case& k :
         {Case{1, 1, 7, 5}, Case{9, 9, 2, 3}, Case{5, 1, 13, 1}, Case{3, 7, 1, 1}, Case{4, 9, 11, 2},
          Case{10, 3, 3, 10}, Case{6, 6, 37, 29}, Case{300, 2, 7, 1}, Case{1, 700, 1, 3}}) {
        SCOPED_TRACE(::testing::Message()
                     << k.srcWidth << " x " << k.srcHeight << " to " << k.dstWidth << " x " << k.dstHeight);
        const DeviceBitmap src = test::solidBitmap(k.srcWidth, k.srcHeight, bits(), colour & 0xFFFFFF,
                                                   static_cast<std::uint8_t>(colour >> 24));
        DeviceBitmap dst = DeviceBitmap::create(k.dstWidth, k.dstHeight, bits());
        ASSERT_TRUE(stretchBlt(dst, {0, 0, k.dstWidth, k.dstHeight}, src, {0, 0, k.srcWidth, k.srcHeight}));
        for (int y = 0; y < k.dstHeight; ++y) {
            for (int x = 0; x < k.dstWidth; ++x) {
                ASSERT_EQ(rawAt(dst, x, y), colour) << "pixel " << x << ", " << y;
            }
        }
    }
}

// True when 16-bit channel indices could come from a non-decreasing sequence of 8-bit values: the
// narrowing rule is not monotone (5 → 1 but 6 → 0), so the indices themselves may step back.
bool narrowsANonDecreasingSequence(const std::vector<int>& indices, int c) {
    int previous = 0;
    for (const int index : indices) {
        int v = previous;
        while (v < 256 && narrowed(v, c) != index) {
            ++v;
        }
        if (v == 256) {
            return false;
        }
        previous = v;
    }
    return true;
}

TEST_P(StretchBltTest, EnlargingARampStaysMonotone) {
    // Channel indices of a ramp (16 bits), widened for the other formats.
    const int blue[] = {0, 1, 11, 12, 25, 31};
    const int green[] = {0, 0, 12, 30, 31, 62};
    const int red[] = {1, 7, 8, 8, 22, 23};
    const int fourth[] = {0, 200, 201, 201, 255, 255};
    const auto rampPixel = [&](int i) -> std::uint32_t {
        if (bits() == 16) {
            return pack565(static_cast<unsigned>(red[i]), static_cast<unsigned>(green[i]),
                           static_cast<unsigned>(blue[i]));
        }
        const std::uint32_t rgb = std::uint32_t{Expand5(static_cast<unsigned>(blue[i]))} |
                                  (std::uint32_t{Expand6(static_cast<unsigned>(green[i]))} << 8) |
                                  (std::uint32_t{Expand5(static_cast<unsigned>(red[i]))} << 16);
        return bits() == 32 ? rgb | (static_cast<std::uint32_t>(fourth[i]) << 24) : rgb;
    };
    // Channel c of ramp pixel i as the checks below read it: the index in 16 bits, the value otherwise.
    const auto rampValue = [&](int i, int c) {
        if (bits() == 16) {
            return c == 0 ? blue[i] : c == 1 ? green[i] : red[i];
        }
        const std::uint32_t p = rampPixel(i);
        return static_cast<int>((p >> (8 * c)) & 0xFF);
    };
    for (const bool rising : {true, false}) {
        for (const bool horizontal : {true, false}) {
            SCOPED_TRACE(::testing::Message()
                         << (rising ? "rising " : "falling ") << (horizontal ? "row" : "column"));
            // A 6 × 3 ramp along x (or 3 × 6 along y), enlarged to 29 × 7 (or 7 × 29).
            DeviceBitmap src = DeviceBitmap::create(horizontal ? 6 : 3, horizontal ? 3 : 6, bits());
            for (int i = 0; i < 6; ++i) {
                for (int j = 0; j < 3; ++j) {
                    const std::uint32_t p = rampPixel(rising ? i : 5 - i);
                    setRawAt(src, horizontal ? i : j, horizontal ? j : i, p);
                }
            }
            const int w = horizontal ? 29 : 7;
            const int h = horizontal ? 7 : 29;
            DeviceBitmap dst = DeviceBitmap::create(w, h, bits());
            ASSERT_TRUE(stretchBlt(dst, {0, 0, w, h}, src, {0, 0, src.width(), src.height()}));
            for (int line = 0; line < (horizontal ? h : w); ++line) {
                for (int c = 0; c < channels(); ++c) {
                    std::vector<int> values;
                    for (int i = 0; i < 29; ++i) {
                        const int x = horizontal ? i : line;
                        const int y = horizontal ? line : i;
                        values.push_back(bits() == 16 ? storedIndex(dst, x, y, c) : channel(dst, x, y, c));
                    }
                    if (!rising) {
                        std::reverse(values.begin(), values.end());
                    }
                    const bool monotone = bits() == 16 ? narrowsANonDecreasingSequence(values, c)
                                                       : std::is_sorted(values.begin(), values.end());
                    EXPECT_TRUE(monotone)
                        << "line " << line << " channel " << c << ": " << ::testing::PrintToString(values);
                    const auto [low, high] = std::minmax_element(values.begin(), values.end());
                    EXPECT_GE(*low, rampValue(0, c));
                    EXPECT_LE(*high, rampValue(5, c));
                }
            }
        }
    }
}

TEST_P(StretchBltTest, EnlargingStaysWithinTheNeighbourhood) {
    // Every enlarged pixel lies, per channel, between the smallest and largest source values around
    // the position it maps to (one pixel either way), whatever the exact interpolation.
    const DeviceBitmap src = randomImage(5, 4, bits(), 7);
    for (const auto& [w, h] : {std::pair{17, 11}, std::pair{6, 5}, std::pair{40, 4}, std::pair{5, 23}}) {
        SCOPED_TRACE(::testing::Message() << "to " << w << " x " << h);
        DeviceBitmap dst = DeviceBitmap::create(w, h, bits());
        ASSERT_TRUE(stretchBlt(dst, {0, 0, w, h}, src, {0, 0, 5, 4}));
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                const int cx = x * 5 / w;
                const int cy = y * 4 / h;
                for (int c = 0; c < channels(); ++c) {
                    int low = 255, high = 0;
                    for (int sy = std::max(0, cy - 1); sy <= std::min(3, cy + 1); ++sy) {
                        for (int sx = std::max(0, cx - 1); sx <= std::min(4, cx + 1); ++sx) {
                            low = std::min(low, channel(src, sx, sy, c));
                            high = std::max(high, channel(src, sx, sy, c));
                        }
                    }
                    const int value = channel(dst, x, y, c);
                    EXPECT_TRUE(value >= low && value <= high)
                        << "pixel " << x << ", " << y << " channel " << c << ": " << value << " outside "
                        << low << ".." << high;
                }
            }
        }
    }
}

// Drawing into a target rectangle that hangs over the target's edges gives the same visible pixels as
// drawing the whole rectangle elsewhere and copying the visible part; the rest of the target stays.
TEST_P(StretchBltTest, TargetRectangleIsClipped) {
    const DeviceBitmap src = randomImage(9, 7, bits(), 8);
    const DeviceBitmap canvas = randomImage(10, 8, bits(), 9);
    const IntRect srcRect{1, 2, 6, 4};
    for (const auto& [w, h] : {std::pair{3, 2}, std::pair{13, 9}, std::pair{4, 11}}) {
        DeviceBitmap whole = DeviceBitmap::create(w, h, bits());
        ASSERT_TRUE(stretchBlt(whole, {0, 0, w, h}, src, srcRect));
        for (const auto& [x, y] :
             {std::pair{-2, -1}, std::pair{8, 6}, std::pair{-5, 3}, std::pair{4, -8}, std::pair{-1, 7}}) {
            SCOPED_TRACE(::testing::Message() << w << " x " << h << " at " << x << ", " << y);
            DeviceBitmap dst = canvas.clone();
            ASSERT_TRUE(stretchBlt(dst, {x, y, w, h}, src, srcRect));
            EXPECT_TRUE(sameBytes(dst, referenceBitBlt(canvas, x, y, w, h, whole, 0, 0)));
        }
    }
}

TEST_P(StretchBltTest, TargetRectangleEntirelyOutside) {
    const DeviceBitmap src = randomImage(4, 4, bits(), 10);
    const DeviceBitmap canvas = randomImage(6, 6, bits(), 11);
    const IntRect rects[] = {{6, 0, 8, 8},           {0, 6, 2, 2},          {-8, 0, 8, 8},
                             {0, -3, 3, 3},          {INT_MAX, 0, 8, 8},    {0, INT_MAX, 2, 2},
                             {INT_MIN + 1, 0, 8, 8}, {0, INT_MIN + 1, 2, 2}};
    for (const IntRect& r : rects) {
        SCOPED_TRACE(::testing::Message()
                     << "at " << r.x << ", " << r.y << " size " << r.width << " x " << r.height);
        DeviceBitmap dst = canvas.clone();
        stretchBlt(dst, r, src, {0, 0, 4, 4});
        EXPECT_TRUE(sameBytes(dst, canvas));
    }
}

// The most negative coordinates: nothing is drawn, and no coordinate arithmetic overflows (the
// sanitizer build checks the latter).
TEST_P(StretchBltTest, TargetRectangleAtTheMostNegativeCoordinate) {
    const DeviceBitmap src = randomImage(4, 4, bits(), 14);
    const DeviceBitmap canvas = randomImage(6, 6, bits(), 15);
    for (const IntRect& r :
         {IntRect{INT_MIN, 0, 8, 8}, IntRect{0, INT_MIN, 2, 2}, IntRect{INT_MIN, INT_MIN, 3, 3}}) {
        SCOPED_TRACE(::testing::Message()
                     << "at " << r.x << ", " << r.y << " size " << r.width << " x " << r.height);
        DeviceBitmap dst = canvas.clone();
        stretchBlt(dst, r, src, {0, 0, 4, 4});
        EXPECT_TRUE(sameBytes(dst, canvas));
    }
}

TEST_P(StretchBltTest, RefusesBadRectangles) {
    const DeviceBitmap src = randomImage(6, 5, bits(), 12);
    const DeviceBitmap canvas = randomImage(6, 5, bits(), 13);
    const IntRect badSources[] = {{-1, 0, 2, 2},      {0, -1, 2, 2},      {5, 0, 2, 2},      {0, 4, 2, 2},
                                  {0, 0, 7, 1},       {0, 0, 1, 6},       {0, 0, 0, 2},      {0, 0, 2, -1},
                                  {1, 1, INT_MAX, 1}, {INT_MAX, 0, 1, 1}, {INT_MIN, 0, 2, 2}};
    for (const IntRect& r : badSources) {
        for (const IntRect& d : {IntRect{0, 0, 3, 3}, IntRect{0, 0, r.width, r.height}}) {
            SCOPED_TRACE(::testing::Message() << "source " << r.x << ", " << r.y << " size " << r.width
                                              << " x " << r.height << " to " << d.width << " x " << d.height);
            DeviceBitmap dst = canvas.clone();
            EXPECT_FALSE(stretchBlt(dst, d, src, r));
            EXPECT_TRUE(sameBytes(dst, canvas));
        }
    }
    for (const IntRect& d :
         {IntRect{0, 0, 0, 3}, IntRect{0, 0, 3, 0}, IntRect{0, 0, -3, 3}, IntRect{1, 1, 2, -2}}) {
        DeviceBitmap dst = canvas.clone();
        EXPECT_FALSE(stretchBlt(dst, d, src, {0, 0, 3, 3}));
        EXPECT_TRUE(sameBytes(dst, canvas));
    }
    // Scaling within one bitmap is refused.
    DeviceBitmap image = canvas.clone();
    EXPECT_FALSE(stretchBlt(image, {0, 0, 2, 2}, image, {0, 0, 4, 4}));
    EXPECT_FALSE(stretchBlt(image, {0, 0, 6, 5}, image, {0, 0, 3, 2}));
    EXPECT_TRUE(sameBytes(image, canvas));
}

} // namespace
} // namespace corvane
