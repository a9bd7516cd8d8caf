// The tolerant pixel comparison: YIQ differences at the threshold, anti-aliased edges, ignored
// rectangles, and the exact comparison it must stay without options.

#include "imaging/Tolerance.h"
#include "imaging/Filter.h"
#include "platform/Blit.h"
#include "tests/imaging/ImagingTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace corvane::test {
namespace {

constexpr ColorRef kGrey = 0x808080;
constexpr ColorRef kBlue = makeColor(0, 0, 255);
constexpr ColorRef kYellow = makeColor(255, 255, 0);

// A bitmap drawn from rows of letters: K black, W white, g grey 128, h grey 160, r red.
DeviceBitmap drawn(int bits, const std::vector<std::string>& rows) {
    const int width = static_cast<int>(rows.front().size());
    DeviceBitmap b = DeviceBitmap::create(width, static_cast<int>(rows.size()), bits);
    for (int y = 0; y < b.height(); ++y) {
        for (int x = 0; x < width; ++x) {
            const char c = rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)];
            b.setPixel(x, y,
                       c == 'K'   ? kBlack
                       : c == 'W' ? kWhite
                       : c == 'g' ? makeColor(128, 128, 128)
                       : c == 'h' ? makeColor(160, 160, 160)
                                  : kRed);
        }
    }
    return b;
}

// Runs the comparison into a fresh target; the count, or -1 when it failed.
struct Outcome {
    std::int64_t count = -1;
    DeviceBitmap map;
};
Outcome compare(const DeviceBitmap& a, const DeviceBitmap& b, const ToleranceOptions& options, int shiftH = 0,
                int shiftV = 0, ColorRef mismatch = kGrey) {
    Outcome o{-1, DeviceBitmap::create(a.width(), a.height(), a.bitsPixel())};
    const auto count = compareWithTolerance(a, b, o.map, shiftH, shiftV, mismatch, options);
    o.count = count ? *count : -1;
    return o;
}

// The map colour of a pixel as the format shows a constant colour.
ColorRef shown(int bits, ColorRef color) {
    DeviceBitmap one = DeviceBitmap::create(1, 1, bits);
    one.setPixel(0, 0, color);
    return one.pixel(0, 0);
}

// Pixel values worked out by hand: the weights of Y, I and Q, and the squared differences weighted
// 0.5053, 0.299 and 0.1957.
TEST(YiqDifference, HandComputedValues) {
    EXPECT_EQ(yiqDifference({10, 200, 30}, {10, 200, 30}), 0.0);
    // Greys differ in Y only (the I and Q weights each sum to 0) by 1.00000001 per level:
    // 0.5053 × 10² × 1.00000001² = 50.5300010106.
    EXPECT_NEAR(yiqDifference({100, 100, 100}, {110, 110, 110}), 50.5300010106, 1e-9);
    // Red up by 20: Y 5.9779062, I 11.9195598, Q 4.2294034;
    // 0.5053 × 35.73537 + 0.299 × 142.07591 + 0.1957 × 17.88786 = 18.05708 + 42.48070 + 3.50066.
    EXPECT_NEAR(yiqDifference({120, 50, 50}, {140, 50, 50}), 64.03844, 1e-4);
    EXPECT_EQ(yiqDifference({120, 50, 50}, {140, 50, 50}), yiqDifference({140, 50, 50}, {120, 50, 50}));
    // Black and white: 0.5053 × 255² × 1.00000002.
    EXPECT_NEAR(yiqDifference({0, 0, 0}, {255, 255, 255}), 32857.1332, 1e-3);
    EXPECT_DOUBLE_EQ(yiqLimit(0.1), 352.15);
    EXPECT_DOUBLE_EQ(yiqLimit(1), 35215);
    EXPECT_EQ(yiqLimit(0), 0);
}

// A grey step of 10 (difference 50.530) is within 35215 × 0.0379² = 50.583 but not 35215 × 0.0378² =
// 50.317; a red step of 20 (64.038) within 0.0427 (64.208) but not 0.0426 (63.908).
TEST(CompareWithTolerance, ThresholdAroundHandComputedDifferences) {
    DeviceBitmap a = solidBitmap(4, 3, 32, 0x646464);
    DeviceBitmap b = a.clone();
    b.setPixel(1, 1, makeColor(110, 110, 110));
    b.setPixel(2, 1, makeColor(110, 110, 110));
    ToleranceOptions options;
    for (const auto& [threshold, expected] : {std::pair{0.0, 2}, {0.0378, 2}, {0.0379, 0}, {1.0, 0}}) {
        options.threshold = threshold;
        const Outcome o = compare(a, b, options);
        EXPECT_EQ(o.count, expected) << threshold;
        EXPECT_EQ(o.map.pixel(1, 1), expected ? kGrey : kRed) << threshold;
    }
    DeviceBitmap c = solidBitmap(4, 3, 32, 0x783232);
    DeviceBitmap d = c.clone();
    d.setPixel(3, 2, makeColor(140, 50, 50));
    options.threshold = 0.0426;
    EXPECT_EQ(compare(c, d, options).count, 1);
    options.threshold = 0.0427;
    EXPECT_EQ(compare(c, d, options).count, 0);
}

class ToleranceByFormat : public ::testing::TestWithParam<int> {};
INSTANTIATE_TEST_SUITE_P(AllDepths, ToleranceByFormat, ::testing::Values(16, 24, 32),
                         [](const ::testing::TestParamInfo<int>& p) { return depthName(p.param); });

// Without options the comparison is the exact one: ComparePixels' map, byte for byte, and the number of
// pixels it draws in the mismatch colour inside the overlap, at every shift.
TEST_P(ToleranceByFormat, WithoutOptionsItIsTheExactComparison) {
    const int bits = GetParam();
    const DeviceBitmap a = randomBitmap(37, 23, bits, 3);
    const DeviceBitmap b = perturbedCopy(a, 30, 4);
    const CFilter filter;
    for (const auto& [h, v] : {std::pair{0, 0}, {3, -2}, {-5, 4}, {36, 22}, {40, 0}}) {
        DeviceBitmap exact = DeviceBitmap::create(37, 23, bits);
        ASSERT_TRUE(filter.ComparePixels(a, b, exact, h, v, kGrey));
        const Outcome o = compare(a, b, {}, h, v);
        EXPECT_EQ(firstDifference(exact, o.map), "") << h << "," << v;
        std::int64_t expected = 0;
        for (int y = std::max(v, 0); y < 23 + std::min(v, 0); ++y) {
            for (int x = std::max(h, 0); x < 37 + std::min(h, 0); ++x) {
                expected += rawAt(a, x, y) != rawAt(b, x, y) ? 1 : 0;
            }
        }
        EXPECT_EQ(o.count, expected) << h << "," << v;
    }
}

// Without the anti-aliasing test the count is the number of pixels whose YIQ difference exceeds the
// limit, whether few pixels of a row differ (looked at one by one) or many (the row at once).
TEST_P(ToleranceByFormat, ThresholdCountsPixelsBeyondTheLimit) {
    const int bits = GetParam();
    const DeviceBitmap a = randomBitmap(64, 40, bits, 51);
    DeviceBitmap b = a.clone();
    const DeviceBitmap nudged = nudgedCopy(a, 12, 52);
    // Rows 0–19 differ everywhere a little; rows 20–39 in one pixel of 32.
    bitBlt(b, 0, 0, 64, 20, nudged, 0, 0);
    for (int y = 20; y < 40; ++y) {
        for (int x = y % 32; x < 64; x += 32) {
            b.setPixel(x, y, nudged.pixel(x, y) ^ 0x302010);
        }
    }
    for (const double threshold : {0.005, 0.01, 0.02, 0.04}) {
        ToleranceOptions options;
        options.threshold = threshold;
        std::int64_t expected = 0;
        for (int y = 0; y < 40; ++y) {
            for (int x = 0; x < 64; ++x) {
                const ColorRef p = a.pixel(x, y), q = b.pixel(x, y);
                expected += yiqDifference({redOf(p), greenOf(p), blueOf(p)},
                                          {redOf(q), greenOf(q), blueOf(q)}) > yiqLimit(threshold)
                                ? 1
                                : 0;
            }
        }
        const Outcome o = compare(a, b, options);
        EXPECT_EQ(o.count, expected) << threshold;
        EXPECT_GT(expected, 0);
        for (int y = 0; y < 40; ++y) {
            for (int x = 0; x < 64; ++x) {
                const ColorRef p = a.pixel(x, y), q = b.pixel(x, y);
                const bool beyond = yiqDifference({redOf(p), greenOf(p), blueOf(p)},
                                                  {redOf(q), greenOf(q), blueOf(q)}) > yiqLimit(threshold);
                ASSERT_EQ(o.map.pixel(x, y), beyond ? shown(bits, kGrey) : kRed) << x << "," << y;
            }
        }
    }
}

// An edge drawn with an intermediate shade between two flat areas is anti-aliased in whichever image
// has it; a hard edge that moved by a pixel is not.
TEST_P(ToleranceByFormat, AntialiasedEdgesAreFoundAndHardEdgesAreNot) {
    const int bits = GetParam();
    const std::vector<std::string> soft(5, "KKKgWWW");
    const std::vector<std::string> softer(5, "KKKhWWW");
    const std::vector<std::string> hard(5, "KKKWWWW");
    const std::vector<std::string> moved(5, "KKKKWWW");
    ToleranceOptions options;
    options.ignoreAntialiasing = true;
    options.antialiasColor = kYellow;

    // A changed shade of the edge, in either order.
    for (const auto& [first, second] : {std::pair{soft, softer}, {softer, soft}}) {
        const Outcome o = compare(drawn(bits, first), drawn(bits, second), options);
        EXPECT_EQ(o.count, 0);
        for (int y = 0; y < 5; ++y) {
            EXPECT_EQ(o.map.pixel(3, y), shown(bits, kYellow)) << y;
            EXPECT_EQ(o.map.pixel(2, y), kRed) << y;
        }
    }
    // The soft edge in only one of the images.
    EXPECT_EQ(compare(drawn(bits, hard), drawn(bits, soft), options).count, 0);
    EXPECT_EQ(compare(drawn(bits, soft), drawn(bits, moved), options).count, 0);
    // A hard edge that moved, and the same without the test.
    const Outcome o = compare(drawn(bits, hard), drawn(bits, moved), options);
    EXPECT_EQ(o.count, 5);
    EXPECT_EQ(o.map.pixel(3, 2), shown(bits, kGrey));
    options.ignoreAntialiasing = false;
    EXPECT_EQ(compare(drawn(bits, soft), drawn(bits, softer), options).count, 5);
}

// The neighbourhood test needs a darker and a brighter neighbour and at most two of the same
// brightness; the flat area it finds must be flat in both images.
TEST_P(ToleranceByFormat, AntialiasingNeedsBothSidesAndFlatAreasInBothImages) {
    const int bits = GetParam();
    ToleranceOptions options;
    options.ignoreAntialiasing = true;
    // A grey dot on black has no brighter neighbour.
    EXPECT_EQ(compare(drawn(bits, {"KKK", "KgK", "KKK"}), drawn(bits, {"KKK", "KhK", "KKK"}), options).count,
              1);
    // A soft edge whose flat sides are not flat in the other image: its three changed shades count, and
    // so do the six changed pixels beside it.
    EXPECT_EQ(
        compare(drawn(bits, {"KKgWW", "KKgWW", "KKgWW"}), drawn(bits, {"WKhKW", "KWhWK", "WKhKW"}), options)
            .count,
        9);
}

// Ignored rectangles: at the image's corners and edges, overlapping each other; their pixels are neither
// compared nor counted and show in their own colour, only inside the overlap.
TEST_P(ToleranceByFormat, IgnoredRectanglesAtEdgesAndOverlapping) {
    const int bits = GetParam();
    const DeviceBitmap a = randomBitmap(30, 20, bits, 7);
    const DeviceBitmap b = perturbedCopy(a, 40, 8);
    ToleranceOptions options;
    options.ignored = {{0, 0, 4, 3}, {25, 15, 29, 19}, {10, 5, 16, 9}, {14, 7, 20, 12}, {0, 19, 29, 19}};
    options.ignoredColor = kBlue;
    const auto ignored = [&](int x, int y) {
        for (const PixelRect& r : options.ignored) {
            if (x >= r.x1 && x <= r.x2 && y >= r.y1 && y <= r.y2) {
                return true;
            }
        }
        return false;
    };
    const CFilter filter;
    for (const auto& [h, v] : {std::pair{0, 0}, {2, 1}, {-3, -2}}) {
        DeviceBitmap exact = DeviceBitmap::create(30, 20, bits);
        ASSERT_TRUE(filter.ComparePixels(a, b, exact, h, v, kGrey));
        const Outcome o = compare(a, b, options, h, v);
        std::int64_t expected = 0;
        for (int y = 0; y < 20; ++y) {
            for (int x = 0; x < 30; ++x) {
                const bool inside = x >= std::max(h, 0) && x < 30 + std::min(h, 0) && y >= std::max(v, 0) &&
                                    y < 20 + std::min(v, 0);
                if (inside && ignored(x, y)) {
                    ASSERT_EQ(o.map.pixel(x, y), shown(bits, kBlue)) << x << "," << y;
                } else {
                    ASSERT_EQ(o.map.pixel(x, y), exact.pixel(x, y)) << x << "," << y;
                    expected += inside && rawAt(a, x, y) != rawAt(b, x, y) ? 1 : 0;
                }
            }
        }
        EXPECT_EQ(o.count, expected) << h << "," << v;
        EXPECT_GT(expected, 0);
    }
    options.ignored = {{0, 0, 29, 19}};
    EXPECT_EQ(compare(a, b, options).count, 0);
}

// Drawn shapes with soft edges, and a copy in which they moved by a pixel and some shades changed: many
// anti-aliased pixels, some near the borders of any overlap.
DeviceBitmap shapes(int bits, int width, int height, std::uint32_t seed, int move) {
    std::mt19937 random(seed);
    std::vector<std::uint8_t> argb(static_cast<std::size_t>(width * height) * 4, 255);
    const auto put = [&](int x, int y, int r, int g, int b) {
        if (x < 0 || y < 0 || x >= width || y >= height) {
            return;
        }
        std::uint8_t* p = &argb[(static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                                 static_cast<std::size_t>(x)) *
                                4];
        p[0] = static_cast<std::uint8_t>(b);
        p[1] = static_cast<std::uint8_t>(g);
        p[2] = static_cast<std::uint8_t>(r);
    };
    for (int s = 0; s < 12; ++s) {
        const int x0 = static_cast<int>(random() % static_cast<unsigned>(width)) + move;
        const int y0 = static_cast<int>(random() % static_cast<unsigned>(height));
        const int w = 3 + static_cast<int>(random() % 9);
        const int h = 3 + static_cast<int>(random() % 9);
        const int r = static_cast<int>(random() % 256), g = static_cast<int>(random() % 256),
                  b = static_cast<int>(random() % 256);
        const int shade = move != 0 && s % 3 == 0 ? 96 : 128;
        for (int y = y0 - 1; y <= y0 + h; ++y) {
            for (int x = x0 - 1; x <= x0 + w; ++x) {
                const bool edge = x < x0 || y < y0 || x == x0 + w || y == y0 + h;
                put(x, y, edge ? (r + 255 * shade / 128) / 2 : r, edge ? (g + 255 * shade / 128) / 2 : g,
                    edge ? (b + 255 * shade / 128) / 2 : b);
            }
        }
    }
    return DeviceBitmap::fromArgb32(argb.data(), width, height, static_cast<std::ptrdiff_t>(width) * 4, bits);
}

DeviceBitmap crop(const DeviceBitmap& image, int x, int y, int width, int height) {
    DeviceBitmap c = DeviceBitmap::create(width, height, image.bitsPixel());
    bitBlt(c, 0, 0, width, height, image, x, y);
    return c;
}

// At a shift, the comparison is that of the overlap alone: neighbourhoods end at its borders.
TEST_P(ToleranceByFormat, AtAShiftOnlyTheOverlapIsCompared) {
    const int bits = GetParam();
    const DeviceBitmap a = shapes(bits, 40, 30, 11, 0);
    const DeviceBitmap b = shapes(bits, 40, 30, 11, 1);
    ToleranceOptions options;
    options.threshold = 0.05;
    options.ignoreAntialiasing = true;
    options.ignored = {{20, 3, 25, 8}};
    for (const auto& [h, v] : {std::pair{0, 0}, {3, -2}, {-4, 5}}) {
        const int x0 = std::max(h, 0), y0 = std::max(v, 0);
        const int w = 40 - std::abs(h), ht = 30 - std::abs(v);
        const Outcome shifted = compare(a, b, options, h, v);
        ToleranceOptions cropped = options;
        cropped.ignored = {{20 - x0, std::max(3 - y0, 0), 25 - x0, 8 - y0}};
        const Outcome alone = compare(crop(a, x0, y0, w, ht), crop(b, x0, y0, w, ht), cropped);
        EXPECT_EQ(shifted.count, alone.count) << h << "," << v;
        EXPECT_EQ(firstDifference(crop(shifted.map, x0, y0, w, ht), alone.map), "") << h << "," << v;
    }
    // The pair does exercise the anti-aliasing test.
    ToleranceOptions plain = options;
    plain.ignoreAntialiasing = false;
    EXPECT_LT(compare(a, b, options).count, compare(a, b, plain).count);
}

TEST_P(ToleranceByFormat, TargetMayBeEitherImage) {
    const int bits = GetParam();
    const DeviceBitmap a = shapes(bits, 40, 30, 12, 0);
    const DeviceBitmap b = shapes(bits, 40, 30, 12, 1);
    ToleranceOptions options;
    options.threshold = 0.02;
    options.ignoreAntialiasing = true;
    const Outcome expected = compare(a, b, options, 1, 1);
    DeviceBitmap first = a.clone();
    EXPECT_EQ(compareWithTolerance(first, b, first, 1, 1, kGrey, options), expected.count);
    EXPECT_EQ(firstDifference(first, expected.map), "");
    DeviceBitmap second = b.clone();
    EXPECT_EQ(compareWithTolerance(a, second, second, 1, 1, kGrey, options), expected.count);
    EXPECT_EQ(firstDifference(second, expected.map), "");
}

// Bad arguments fail before anything is written.
TEST(CompareWithTolerance, BadArgumentsLeaveTheTargetAlone) {
    const DeviceBitmap a = randomBitmap(30, 20, 32, 1);
    const DeviceBitmap b = randomBitmap(30, 20, 32, 2);
    const DeviceBitmap before = randomBitmap(30, 20, 32, 3);
    DeviceBitmap target = before.clone();
    std::vector<ToleranceOptions> bad(7);
    bad[0].threshold = -0.1;
    bad[1].threshold = 1.01;
    bad[2].threshold = std::numeric_limits<double>::quiet_NaN();
    bad[3].ignored = {{5, 5, 4, 6}};
    bad[4].ignored = {{5, 5, 6, 4}};
    bad[5].ignored = {{0, 0, 30, 3}};
    bad[6].ignored = {{0, 0, 3, 3}, {-1, 0, 3, 3}};
    for (const ToleranceOptions& options : bad) {
        EXPECT_FALSE(compareWithTolerance(a, b, target, 0, 0, kGrey, options));
        EXPECT_EQ(firstDifference(target, before), "");
    }
    const DeviceBitmap other = randomBitmap(30, 21, 32, 2);
    EXPECT_FALSE(compareWithTolerance(a, other, target, 0, 0, kGrey, {}));
    EXPECT_TRUE(rectInsideImage({0, 0, 29, 19}, 30, 20));
    EXPECT_TRUE(rectInsideImage({29, 19, 29, 19}, 30, 20));
    EXPECT_FALSE(rectInsideImage({0, 0, 29, 20}, 30, 20));
}

} // namespace
} // namespace corvane::test
