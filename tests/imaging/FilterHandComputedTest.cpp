// Small cases worked out by hand. Each test runs against the engine and against the plain reference,
// so the values also pin down the reference that the exactness tests trust.

#include "tests/imaging/ImagingTestSupport.h"
#include "tests/imaging/Implementations.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <set>
#include <vector>

namespace corvane::test {
namespace {

using Words = std::vector<std::uint32_t>;

template <class Impl>
class HandComputed : public ::testing::Test {
protected:
    Impl impl;
};

using Implementations = ::testing::Types<EngineImpl, ReferenceImpl>;
TYPED_TEST_SUITE(HandComputed, Implementations, ImplementationName);

// A black bitmap of the geometry of `like`, after `op(target)` returned true.
template <class Op>
DeviceBitmap apply(const DeviceBitmap& like, Op op) {
    DeviceBitmap target = DeviceBitmap::create(like.width(), like.height(), like.bitsPixel());
    EXPECT_TRUE(op(target));
    return target;
}

std::vector<std::uint8_t> fourthBytes(const DeviceBitmap& bitmap) {
    std::vector<std::uint8_t> bytes;
    for (int y = 0; y < bitmap.height(); ++y) {
        for (int x = 0; x < bitmap.width(); ++x) {
            bytes.push_back(fourthAt(bitmap, x, y));
        }
    }
    return bytes;
}

TYPED_TEST(HandComputed, ChannelTables) {
    using I = TypeParam;
    const std::vector<int> expand5Head = {0, 8, 16, 25, 33, 41, 49, 58};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(I::Expand5(i), expand5Head[static_cast<std::size_t>(i)]) << i;
    }
    EXPECT_EQ(I::Expand5(29), 239);
    EXPECT_EQ(I::Expand5(30), 247);
    EXPECT_EQ(I::Expand5(31), 255);
    EXPECT_EQ(I::Expand6(3), 12);
    EXPECT_EQ(I::Expand6(10), 40);
    EXPECT_EQ(I::Expand6(11), 45);
    EXPECT_EQ(I::Expand6(12), 49);
    EXPECT_EQ(I::Expand6(62), 251);
    EXPECT_EQ(I::Expand6(63), 255);

    // Narrowing is not nearest-entry: a value just below an entry falls to the index below.
    EXPECT_EQ(I::Quantize5(1), 1);
    EXPECT_EQ(I::Quantize5(5), 1);
    EXPECT_EQ(I::Quantize5(6), 0);
    EXPECT_EQ(I::Quantize5(7), 0);
    EXPECT_EQ(I::Quantize5(8), 1);
    EXPECT_EQ(I::Quantize5(255), 31);
    EXPECT_EQ(I::Quantize6(2), 1);
    EXPECT_EQ(I::Quantize6(3), 0);
    EXPECT_EQ(I::Quantize6(255), 63);
    // Widening then narrowing gives the index back, so 16-bit images never drift.
    for (int i = 0; i < 32; ++i) {
        EXPECT_EQ(I::Quantize5(I::Expand5(i)), i);
    }
    for (int i = 0; i < 64; ++i) {
        EXPECT_EQ(I::Quantize6(I::Expand6(i)), i);
    }

    EXPECT_EQ(I::QuantizeColor16(kWhite), kWhite);
    EXPECT_EQ(I::QuantizeColor16(kBlack), kBlack);
    EXPECT_EQ(redOf(I::QuantizeColor16(makeColor(255, 3, 77))), 255);
    EXPECT_EQ(I::QuantizeColor16(makeColor(128, 128, 128)), makeColor(132, 130, 132));
}

TYPED_TEST(HandComputed, HsvAndHls) {
    using I = TypeParam;
    const auto hsv = [](float h, float s, float v) {
        return std::vector<float>{h, s, v};
    };
    const auto asVector = [](Hsv c) {
        return std::vector<float>{c.hue, c.saturation, c.value};
    };
    EXPECT_EQ(asVector(I::RgbToHsv(0, 0, 0)), hsv(0, 0, 0));
    EXPECT_EQ(asVector(I::RgbToHsv(255, 0, 0)), hsv(0, 1, 255));
    EXPECT_EQ(asVector(I::RgbToHsv(0, 255, 0)), hsv(120, 1, 255));
    EXPECT_EQ(asVector(I::RgbToHsv(0, 0, 255)), hsv(240, 1, 255));
    EXPECT_EQ(asVector(I::RgbToHsv(255, 0, 255)), hsv(300, 1, 255)); // negative hue wrapped
    EXPECT_EQ(asVector(I::RgbToHsv(77, 77, 77)), hsv(0, 0, 77));

    const auto hls = [](int h, int l, int s) {
        return std::vector<int>{h, l, s};
    };
    const auto asInts = [](Hls c) {
        return std::vector<int>{c.hue, c.lightness, c.saturation};
    };
    EXPECT_EQ(asInts(I::RgbToHls(0, 0, 0)), hls(168, 0, 0));
    EXPECT_EQ(asInts(I::RgbToHls(255, 255, 255)), hls(168, 252, 0));
    EXPECT_EQ(asInts(I::RgbToHls(100, 100, 100)), hls(168, 99, 0));
    EXPECT_EQ(asInts(I::RgbToHls(255, 0, 0)), hls(0, 126, 252));
    EXPECT_EQ(asInts(I::RgbToHls(0, 255, 0)), hls(84, 126, 252));
    EXPECT_EQ(asInts(I::RgbToHls(255, 0, 255)), hls(210, 126, 252)); // −42 wrapped by 252
    // Lightness above the middle takes the other saturation divisor: 120, not 84.
    EXPECT_EQ(asInts(I::RgbToHls(200, 100, 100)), hls(0, 148, 120));
}

TYPED_TEST(HandComputed, NormsAndDistances) {
    using I = TypeParam;
    EXPECT_EQ(I::ColorNormSquared(1, 2, 3, ColorSpace::Rgb), 14);
    EXPECT_EQ(I::ColorNormSquared(1, 2, 3, static_cast<ColorSpace>(7)), 14) << "an unknown space is RGB";
    EXPECT_EQ(I::ColorNormSquared(255, 0, 0, ColorSpace::Hsv), 0 + 1 + 255 * 255);
    EXPECT_EQ(I::ColorNormSquared(255, 0, 0, ColorSpace::Hls), 126 * 126 + 252 * 252);
    EXPECT_EQ(I::ColorDistanceSquared(0, 0, 0, 255, 255, 255, ColorSpace::Rgb), 195075);
    EXPECT_EQ(I::ColorDistanceSquared(0, 0, 0, 255, 255, 255, static_cast<ColorSpace>(-1)), 195075);
    // Hues differ plainly: red (0°) and magenta (300°) are 300 apart, not 60.
    EXPECT_EQ(I::ColorDistanceSquared(255, 0, 0, 255, 0, 255, ColorSpace::Hsv), 300 * 300);
    EXPECT_EQ(I::ColorDistanceSquared(255, 0, 0, 255, 0, 255, ColorSpace::Hls), 210 * 210);
}

TYPED_TEST(HandComputed, Greyscale) {
    for (const int bits : {24, 32}) {
        SCOPED_TRACE(bits);
        const DeviceBitmap source = rawBitmap(4, 1, bits, {0xFF0000, 0x00FF00, 0x008000, 0x12FF34}, 0x42);
        const DeviceBitmap full =
            apply(source, [&](DeviceBitmap& t) { return this->impl.GreyscaleImage(source, t, 255); });
        EXPECT_EQ(rawPixels(full), (Words{0x000000, 0xFFFFFF, 0x808080, 0xFFFFFF}));
        const DeviceBitmap scaled =
            apply(source, [&](DeviceBitmap& t) { return this->impl.GreyscaleImage(source, t, 64); });
        // trunc(128 / 255 × 64) = 32
        EXPECT_EQ(rawPixels(scaled), (Words{0x000000, 0x404040, 0x202020, 0x404040}));
        if (bits == 32) {
            EXPECT_EQ(fourthBytes(scaled), std::vector<std::uint8_t>(4, 0x42));
        }
    }
    // 16 bits: white becomes red 31, green 62, blue 31; pure red becomes black.
    const DeviceBitmap source = rawBitmap(3, 1, 16, {0xFFFF, 0xF800, 0x07E0});
    const DeviceBitmap grey =
        apply(source, [&](DeviceBitmap& t) { return this->impl.GreyscaleImage(source, t, 255); });
    EXPECT_EQ(rawPixels(grey), (Words{0xFFDF, 0x0000, 0xFFDF}));
}

TYPED_TEST(HandComputed, Blur) {
    for (const int bits : {24, 32}) {
        SCOPED_TRACE(bits);
        const DeviceBitmap flat = solidBitmap(5, 4, bits, 0x3C7DF1, 0x99);
        for (const int window : {3, 7}) {
            const DeviceBitmap out =
                apply(flat, [&](DeviceBitmap& t) { return this->impl.BlurImage(flat, t, window); });
            EXPECT_EQ(byteDifference(flat, out), "") << "window " << window;
        }
        const DeviceBitmap single = rawBitmap(1, 1, bits, {0x123456}, 0x07);
        const DeviceBitmap one =
            apply(single, [&](DeviceBitmap& t) { return this->impl.BlurImage(single, t, 11); });
        EXPECT_EQ(byteDifference(single, one), "");
        // Divisors 2, 3, 2 along a row: 0, 255 / 3, 255 / 2 truncated.
        const DeviceBitmap row = rawBitmap(3, 1, bits, {0x000000, 0x000000, 0xFFFFFF});
        const DeviceBitmap blurred =
            apply(row, [&](DeviceBitmap& t) { return this->impl.BlurImage(row, t, 3); });
        EXPECT_EQ(rawPixels(blurred), (Words{0x000000, 0x555555, 0x7F7F7F}));
    }
    // 16 bits: a flat channel v ≥ 1 rises to v + 1 (up to its maximum); 0 stays 0.
    const DeviceBitmap flat = solidBitmap(4, 3, 16, pack565(5, 63, 0));
    const DeviceBitmap out = apply(flat, [&](DeviceBitmap& t) { return this->impl.BlurImage(flat, t, 3); });
    EXPECT_EQ(rawPixels(out), Words(12, pack565(6, 63, 0)));
    const DeviceBitmap ones = solidBitmap(3, 3, 16, pack565(1, 1, 31));
    const DeviceBitmap raised =
        apply(ones, [&](DeviceBitmap& t) { return this->impl.BlurImage(ones, t, 5); });
    EXPECT_EQ(rawPixels(raised), Words(9, pack565(2, 2, 31)));
}

TYPED_TEST(HandComputed, ReduceTo64Colors) {
    for (const int bits : {24, 32}) {
        SCOPED_TRACE(bits);
        const DeviceBitmap source = rawBitmap(3, 1, bits, {0xC8641E, 0xC5C5C5, 0x2B2A80}, 0x31);
        const DeviceBitmap out =
            apply(source, [&](DeviceBitmap& t) { return this->impl.ReduceTo64Colors(source, t); });
        // (200, 100, 30) → (170, 85, 0); 197 → 170; 43 → 85, 42 → 0, 128 → 170.
        EXPECT_EQ(rawPixels(out), (Words{0xAA5500, 0xAAAAAA, 0x5500AA}));
        if (bits == 32) {
            EXPECT_EQ(fourthBytes(out), std::vector<std::uint8_t>(3, 0x31));
        }
    }
    // 16 bits map each widened channel with the boundary 196: red 24 (197) → 255, red 23 (189) → 170,
    // green 48 (194) → 170, green 49 (198) → 255; the levels narrow to red/blue 0, 11, 21, 31.
    const DeviceBitmap source = rawBitmap(2, 1, 16, {pack565(24, 48, 10), pack565(23, 49, 7)});
    const DeviceBitmap out =
        apply(source, [&](DeviceBitmap& t) { return this->impl.ReduceTo64Colors(source, t); });
    EXPECT_EQ(rawPixels(out), (Words{pack565(31, 42, 11), pack565(21, 63, 0)}));
}

TYPED_TEST(HandComputed, DetectEdges) {
    for (const int bits : {24, 32}) {
        SCOPED_TRACE(bits);
        // A vertical step from 0 to 255: (4 × 255) / 2 saturates on both sides of the step; the border
        // is black with the fourth byte kept.
        const DeviceBitmap step = rawBitmap(4, 3, bits,
                                            {0x000000, 0x000000, 0xFFFFFF, 0xFFFFFF, 0x000000, 0x000000,
                                             0xFFFFFF, 0xFFFFFF, 0x000000, 0x000000, 0xFFFFFF, 0xFFFFFF},
                                            0xE1);
        const DeviceBitmap edges =
            apply(step, [&](DeviceBitmap& t) { return this->impl.DetectEdges(step, t); });
        EXPECT_EQ(rawPixels(edges), (Words{0, 0, 0, 0, 0, 0xFFFFFF, 0xFFFFFF, 0, 0, 0, 0, 0}));
        if (bits == 32) {
            EXPECT_EQ(fourthBytes(edges), std::vector<std::uint8_t>(12, 0xE1));
        }
        const DeviceBitmap flat = solidBitmap(5, 5, bits, 0x808080, 3);
        const DeviceBitmap none =
            apply(flat, [&](DeviceBitmap& t) { return this->impl.DetectEdges(flat, t); });
        EXPECT_EQ(rawPixels(none), Words(25, 0));
        const DeviceBitmap tiny = solidBitmap(2, 2, bits, 0xFFFFFF, 3);
        const DeviceBitmap black =
            apply(tiny, [&](DeviceBitmap& t) { return this->impl.DetectEdges(tiny, t); });
        EXPECT_EQ(rawPixels(black), Words(4, 0));
    }
    // 16 bits computes every pixel with zeros outside: a white square has a white ring and a black centre.
    const DeviceBitmap white = solidBitmap(3, 3, 16, 0xFFFF);
    const DeviceBitmap edges =
        apply(white, [&](DeviceBitmap& t) { return this->impl.DetectEdges(white, t); });
    EXPECT_EQ(rawPixels(edges), (Words{0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF}));
}

TYPED_TEST(HandComputed, ComparePixels) {
    for (const int bits : {16, 24, 32}) {
        SCOPED_TRACE(bits);
        const std::uint32_t red = bits == 16 ? 0xF800 : 0xFF0000;
        const std::uint32_t grey = bits == 16 ? 0x8410 : 0x808080;
        const std::uint32_t white = bits == 16 ? 0xFFFF : 0xFFFFFF;
        const DeviceBitmap image = randomBitmap(13, 2, bits, 5);
        const DeviceBitmap same = apply(image, [&](DeviceBitmap& t) {
            return this->impl.ComparePixels(image, image, t, 0, 0, 0x808080);
        });
        EXPECT_EQ(rawPixels(same), Words(26, red));
        if (bits == 32) {
            EXPECT_EQ(fourthBytes(same), std::vector<std::uint8_t>(26, 0));
        }
        // Shift 10: the ten left columns are outside the overlap and take the mismatch colour.
        const DeviceBitmap shifted = apply(image, [&](DeviceBitmap& t) {
            return this->impl.ComparePixels(image, image, t, 10, 0, 0x808080);
        });
        Words expected(26, red);
        for (int y = 0; y < 2; ++y) {
            for (int x = 0; x < 10; ++x) {
                expected[static_cast<std::size_t>(y * 13 + x)] = grey;
            }
        }
        EXPECT_EQ(rawPixels(shifted), expected);
        // Differing pixels: black, white for "no colour" (all bits set), the low three bytes otherwise.
        const DeviceBitmap other = solidBitmap(13, 2, bits, 0x0001);
        const DeviceBitmap zero = solidBitmap(13, 2, bits, 0x0000);
        const auto mismatch = [&](ColorRef colour) {
            return rawPixels(apply(zero, [&](DeviceBitmap& t) {
                return this->impl.ComparePixels(zero, other, t, 0, 0, colour);
            }));
        };
        EXPECT_EQ(mismatch(0), Words(26, 0));
        EXPECT_EQ(mismatch(kNoColor), Words(26, white));
        EXPECT_EQ(mismatch(0x808080), Words(26, grey));
        // A shift past the image compares nothing.
        const DeviceBitmap beyond = apply(
            image, [&](DeviceBitmap& t) { return this->impl.ComparePixels(image, image, t, 0, -2, 0); });
        EXPECT_EQ(rawPixels(beyond), Words(26, 0));
    }
}

TYPED_TEST(HandComputed, BlendModes8Bit) {
    for (const int bits : {24, 32}) {
        SCOPED_TRACE(bits);
        const auto blend = [&](std::uint32_t top, std::uint32_t bottom, int mode) {
            const DeviceBitmap t = rawBitmap(1, 1, bits, {top}, 0x66);
            const DeviceBitmap b = rawBitmap(1, 1, bits, {bottom}, 0x99);
            const DeviceBitmap out =
                apply(t, [&](DeviceBitmap& r) { return this->impl.BlendImages(t, b, r, mode); });
            if (bits == 32) {
                EXPECT_EQ(fourthAt(out, 0, 0), 0x66) << "fourth byte from the top image";
            }
            return rawAt(out, 0, 0);
        };
        // Overlay and soft light in floating point: mid-grey over mid-grey stays mid-grey, where the
        // truncating integer forms give 0 and 255.
        EXPECT_EQ(blend(0x808080, 0x808080, 0), 0x808080u);
        EXPECT_EQ(blend(0x000000, 0x646464, 0), 0x272727u); // 100 / 255 × 100 = 39.2
        EXPECT_EQ(blend(0x123456, 0xFFFFFF, 0), 0xFFFFFFu);
        EXPECT_EQ(blend(0x808080, 0x808080, 2), 0x808080u);
        // Hard light on both branches: 2 × 100 × 200 ÷ 256 = 156; 255 − (255 + 2 × 155 × 28) ÷ 256 = 221.
        EXPECT_EQ(blend(0xC8C8C8, 0x646464, 1), 0x9C9C9Cu);
        EXPECT_EQ(blend(0x646464, 0x646464, 1), 0xDDDDDDu);
        // Divide with a top channel of 0 divides by 1 and clamps; dodge with T = 255 likewise.
        EXPECT_EQ(blend(0x000000, 0x010001, 6), 0xFF00FFu);
        EXPECT_EQ(blend(0xFFFFFF, 0x010200, 8), 0xFFFF00u);
        // Burn clamps at 0 from below.
        EXPECT_EQ(blend(0x000000, 0x000000, 9), 0x000000u);
        EXPECT_EQ(blend(0xFFFFFF, 0xFFFFFF, 3), 0xFFFFFFu);
        EXPECT_EQ(blend(0x123456, 0x123456, 10), 0x808080u);
        EXPECT_EQ(blend(0x123456, 0x123456, 12), 0x000000u);
        EXPECT_EQ(blend(0x123456, 0x123456, 13), 0x123456u);
        EXPECT_EQ(blend(0x123456, 0x123456, 14), 0x123456u);
        EXPECT_EQ(blend(0x10F020, 0x20E010, 13), 0x10E010u);
        EXPECT_EQ(blend(0x10F020, 0x20E010, 14), 0x20F020u);
    }
}

TYPED_TEST(HandComputed, BlendModes16BitWorkOnRawChannels) {
    const auto blend = [&](std::uint32_t top, std::uint32_t bottom, int mode) {
        const DeviceBitmap t = rawBitmap(1, 1, 16, {top});
        const DeviceBitmap b = rawBitmap(1, 1, 16, {bottom});
        return rawAt(apply(t, [&](DeviceBitmap& r) { return this->impl.BlendImages(t, b, r, mode); }), 0, 0);
    };
    // Grain extract of equal images is the raw half: red 15, green 31, blue 15.
    EXPECT_EQ(blend(0x1234, 0x1234, 10), pack565(15, 31, 15));
    EXPECT_EQ(blend(0, pack565(1, 1, 0), 6), pack565(31, 63, 0));
    EXPECT_EQ(blend(pack565(31, 63, 31), pack565(31, 16, 3), 5), pack565(31, 16, 3));
    EXPECT_EQ(blend(pack565(31, 63, 31), pack565(1, 1, 0), 8), pack565(31, 63, 0));
    // Overlay over raw 16 of 31: 16/31 × (16 + 2·16/31 × 15) = 16.26.
    EXPECT_EQ(blend(pack565(16, 0, 0), pack565(16, 0, 0), 0), pack565(16, 0, 0));
}

TYPED_TEST(HandComputed, Binarize) {
    for (const int bits : {24, 32}) {
        SCOPED_TRACE(bits);
        const DeviceBitmap source = rawBitmap(4, 1, bits, {0xFFFFFF, 0xFFFFFE, 0x000000, 0x070707}, 0x2D);
        const DeviceBitmap all = apply(
            source, [&](DeviceBitmap& t) { return this->impl.Binarize(source, t, 0, ColorSpace::Rgb); });
        EXPECT_EQ(rawPixels(all), Words(4, 0xFFFFFF));
        const DeviceBitmap strict = apply(
            source, [&](DeviceBitmap& t) { return this->impl.Binarize(source, t, 255, ColorSpace::Rgb); });
        EXPECT_EQ(rawPixels(strict), (Words{0xFFFFFF, 0, 0, 0}));
        // Grey (7, 7, 7) against a = 7: equal norms are white.
        const DeviceBitmap edge = apply(
            source, [&](DeviceBitmap& t) { return this->impl.Binarize(source, t, 7, ColorSpace::Rgb); });
        EXPECT_EQ(rawPixels(edge), (Words{0xFFFFFF, 0xFFFFFF, 0, 0xFFFFFF}));
        if (bits == 32) {
            EXPECT_EQ(fourthBytes(edge), std::vector<std::uint8_t>(4, 0x2D));
        }
    }
    const DeviceBitmap source = rawBitmap(2, 1, 16, {0xFFFF, 0xFFFE});
    const DeviceBitmap out =
        apply(source, [&](DeviceBitmap& t) { return this->impl.Binarize(source, t, 255, ColorSpace::Rgb); });
    EXPECT_EQ(rawPixels(out), (Words{0xFFFF, 0x0000}));
}

TYPED_TEST(HandComputed, GradationAndDifferenceMask) {
    for (const int bits : {24, 32}) {
        SCOPED_TRACE(bits);
        const DeviceBitmap first = rawBitmap(3, 1, bits, {0x000000, 0x101010, 0xABCDEF}, 0x4C);
        const DeviceBitmap second = rawBitmap(3, 1, bits, {0xFFFFFF, 0x242424, 0xABCDEF}, 0xC4);
        // Black/white: 255; a difference of 20 per channel: trunc(1200 / 195075 × 255) = 1; equal: 0.
        const DeviceBitmap grad = apply(first, [&](DeviceBitmap& t) {
            return this->impl.GradationImage(first, second, t, ColorSpace::Rgb);
        });
        EXPECT_EQ(rawPixels(grad), (Words{0xFFFFFF, 0x010101, 0}));
        if (bits == 32) {
            EXPECT_EQ(fourthBytes(grad), std::vector<std::uint8_t>(3, 0x4C));
        }

        // RGB threshold 2 × 10 = 20: squared distance 20 is red, 14 is black.
        const DeviceBitmap a = rawBitmap(2, 1, bits, {0x102030, 0x102030}, 0x17);
        const DeviceBitmap b = rawBitmap(2, 1, bits, {0x121C30, 0x122331}, 0x71);
        const DeviceBitmap mask = apply(
            a, [&](DeviceBitmap& t) { return this->impl.DifferenceMask(a, b, t, ColorSpace::Rgb, 10); });
        EXPECT_EQ(rawPixels(mask), (Words{0xFF0000, 0}));
        if (bits == 32) {
            EXPECT_EQ(fourthBytes(mask), std::vector<std::uint8_t>(2, 0x17));
        }
        // HSV threshold 262: greys 16 apart (256) stay black, 17 apart (289) are red.
        const DeviceBitmap g1 = rawBitmap(2, 1, bits, {0x404040, 0x404040});
        const DeviceBitmap g2 = rawBitmap(2, 1, bits, {0x505050, 0x515151});
        const DeviceBitmap hsv = apply(
            g1, [&](DeviceBitmap& t) { return this->impl.DifferenceMask(g1, g2, t, ColorSpace::Hsv, 1); });
        EXPECT_EQ(rawPixels(hsv), (Words{0, 0xFF0000}));
        // HLS threshold 222: grey 14 has lightness 14 (196), grey 15 lightness 15 (225).
        const DeviceBitmap k = rawBitmap(2, 1, bits, {0, 0});
        const DeviceBitmap l = rawBitmap(2, 1, bits, {0x0E0E0E, 0x0F0F0F});
        const DeviceBitmap hls =
            apply(k, [&](DeviceBitmap& t) { return this->impl.DifferenceMask(k, l, t, ColorSpace::Hls, 1); });
        EXPECT_EQ(rawPixels(hls), (Words{0, 0xFF0000}));
    }
    // 16 bits: the 31 scale before squaring; the mask's red is 0xF800.
    const DeviceBitmap first = rawBitmap(2, 1, 16, {0x0000, 0x1234});
    const DeviceBitmap second = rawBitmap(2, 1, 16, {0xFFFF, 0x1234});
    const DeviceBitmap grad = apply(
        first, [&](DeviceBitmap& t) { return this->impl.GradationImage(first, second, t, ColorSpace::Rgb); });
    EXPECT_EQ(rawPixels(grad), (Words{0xFFDF, 0}));
    const DeviceBitmap mask = apply(first, [&](DeviceBitmap& t) {
        return this->impl.DifferenceMask(first, second, t, ColorSpace::Rgb, 255);
    });
    EXPECT_EQ(rawPixels(mask), (Words{0xF800, 0}));
}

TYPED_TEST(HandComputed, Emboss) {
    // Flat 100, strength 4 (offset 1, gain 0.2), 4 × 3: inside 128; a missing sample up-left adds 128
    // (356 → 255); a missing sample down-right gives 156 + 31 = 187.
    for (const int bits : {24, 32}) {
        SCOPED_TRACE(bits);
        const DeviceBitmap flat = solidBitmap(4, 3, bits, 0x646464, 0x0F);
        const DeviceBitmap out =
            apply(flat, [&](DeviceBitmap& t) { return this->impl.EmbossImage(flat, t, 4); });
        const std::uint32_t w = 0xFFFFFF;
        const std::uint32_t m = 0x808080;
        const std::uint32_t d = 0xBBBBBB;
        EXPECT_EQ(rawPixels(out), (Words{w, w, w, w, w, m, m, d, w, d, d, d}));
        if (bits == 32) {
            EXPECT_EQ(fourthBytes(out), std::vector<std::uint8_t>(12, 0x0F));
        }
        // Strength 0: offset 1, no gain.
        const DeviceBitmap plain =
            apply(flat, [&](DeviceBitmap& t) { return this->impl.EmbossImage(flat, t, 0); });
        EXPECT_EQ(rawAt(plain, 3, 2), 0x9C9C9Cu); // 128 − 100 + 128
    }
    // 16 bits, raw channels (red 20, green 40, blue 0; neutral 15 / 31 / 15): below neutral the gain
    // is taken off S itself: 10 − trunc(2.0) = 8, 22 − trunc(4.4) = 18.
    const DeviceBitmap flat = solidBitmap(3, 3, 16, pack565(20, 40, 0));
    const DeviceBitmap out = apply(flat, [&](DeviceBitmap& t) { return this->impl.EmbossImage(flat, t, 4); });
    EXPECT_EQ(rawAt(out, 1, 1), pack565(15, 31, 15));
    EXPECT_EQ(rawAt(out, 2, 2), pack565(8, 18, 31));
    EXPECT_EQ(rawAt(out, 0, 0), pack565(31, 63, 31));
}

TYPED_TEST(HandComputed, BlackToRedAndRedToBlack) {
    for (const int bits : {16, 24, 32}) {
        SCOPED_TRACE(bits);
        const std::uint32_t red = bits == 16 ? 0xF800 : 0xFF0000;
        const std::uint32_t nearRed = red | 1;
        const DeviceBitmap source = rawBitmap(4, 1, bits, {0, 1, red, nearRed}, 0xAB);
        const DeviceBitmap toRed =
            apply(source, [&](DeviceBitmap& t) { return this->impl.BlackToRed(source, t); });
        EXPECT_EQ(rawPixels(toRed), (Words{red, 0, 0, 0}));
        const DeviceBitmap toBlack =
            apply(source, [&](DeviceBitmap& t) { return this->impl.RedToBlack(source, t); });
        EXPECT_EQ(rawPixels(toBlack), (Words{0, 1, 0, nearRed}));
        if (bits == 32) {
            EXPECT_EQ(fourthBytes(toRed), std::vector<std::uint8_t>(4, 0xAB));
            EXPECT_EQ(fourthBytes(toBlack), std::vector<std::uint8_t>(4, 0xAB));
        }
    }
}

TYPED_TEST(HandComputed, Histogram) {
    const DeviceBitmap small = rawBitmap(3, 1, 24, {0x010203, 0x010503, 0xFF0000});
    Histogram h;
    h.fill(9);
    ASSERT_TRUE(this->impl.ComputeHistogram(small, h));
    Histogram expected{};
    expected[1] = 2;
    expected[255] = 1;
    expected[256 + 2] = 1;
    expected[256 + 5] = 1;
    expected[256 + 0] = 1;
    expected[512 + 3] = 2;
    expected[512 + 0] = 1;
    EXPECT_EQ(h, expected);

    // 16 bits: only widened levels are counted, at most 32 red and blue bins and 64 green bins.
    const DeviceBitmap image = randomBitmap(40, 30, 16, 77);
    ASSERT_TRUE(this->impl.ComputeHistogram(image, h));
    std::set<int> levels5;
    std::set<int> levels6;
    for (int i = 0; i < 32; ++i) {
        levels5.insert(TypeParam::Expand5(i));
    }
    for (int i = 0; i < 64; ++i) {
        levels6.insert(TypeParam::Expand6(i));
    }
    double sums[3] = {0, 0, 0};
    for (int channel = 0; channel < 3; ++channel) {
        for (int v = 0; v < 256; ++v) {
            const double count = h[static_cast<std::size_t>(channel * 256 + v)];
            sums[channel] += count;
            if (count != 0) {
                EXPECT_TRUE((channel == 1 ? levels6 : levels5).count(v))
                    << "channel " << channel << " bin " << v;
            }
        }
        EXPECT_EQ(sums[channel], 1200) << channel;
    }
}

TYPED_TEST(HandComputed, ScanMatch) {
    for (const int bits : {16, 24, 32}) {
        SCOPED_TRACE(bits);
        const int width = 9;
        const int height = 4;
        const DeviceBitmap a = randomBitmap(width, height, bits, 3);
        std::vector<int> rows(height, -1);
        std::vector<int> columns(width, -1);
        double total = 0;
        ASSERT_TRUE(this->impl.ScanMatch(a, a, 0, 0, rows, columns, total, ScanChannel::Rgb));
        EXPECT_EQ(rows, std::vector<int>(height, width));
        EXPECT_EQ(columns, std::vector<int>(width, height));
        EXPECT_EQ(total, width * height);
        EXPECT_EQ(TypeParam::matchRate(total, width, height, 0, 0), 100);

        // Shift (3, 0): the three left columns are outside; the total is added to, not reset.
        total = 10;
        ASSERT_TRUE(this->impl.ScanMatch(a, a, 3, 0, rows, columns, total, ScanChannel::Rgb));
        EXPECT_EQ(rows, std::vector<int>(height, width - 3));
        EXPECT_EQ(columns, (std::vector<int>{0, 0, 0, 4, 4, 4, 4, 4, 4}));
        EXPECT_EQ(total, 10 + (width - 3) * height);
        EXPECT_EQ(TypeParam::matchRate(12, width, height, 3, 0), 12.0 * 100 / ((width - 3) * height));
        EXPECT_EQ(TypeParam::matchRate(12, width, height, -3, -1), 12.0 * 100 / ((width - 3) * (height - 1)));

        // One channel at a time: the images differ in blue only (the fourth byte never counts).
        DeviceBitmap b = a.clone();
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const ColorRef c = b.pixel(x, y);
                b.setPixel(x, y,
                           makeColor(redOf(c), greenOf(c), static_cast<std::uint8_t>(blueOf(c) ^ 0x80)));
                if (bits == 32) {
                    b.row(y)[x * 4 + 3] ^= 0xFF;
                }
            }
        }
        for (const auto& [channel, matches] :
             std::vector<std::pair<ScanChannel, int>>{{ScanChannel::Red, width * height},
                                                      {ScanChannel::Green, width * height},
                                                      {ScanChannel::Blue, 0},
                                                      {ScanChannel::Rgb, 0}}) {
            total = 0;
            ASSERT_TRUE(this->impl.ScanMatch(a, b, 0, 0, rows, columns, total, channel));
            EXPECT_EQ(total, matches) << static_cast<int>(channel);
        }

        // Shifts past the image compare nothing and rate 0.
        for (const auto& [h, v] :
             std::vector<std::pair<int, int>>{{width, 0}, {0, -height}, {INT_MIN, INT_MAX}}) {
            total = 1;
            ASSERT_TRUE(this->impl.ScanMatch(a, a, h, v, rows, columns, total, ScanChannel::Rgb));
            EXPECT_EQ(total, 1);
            EXPECT_EQ(rows, std::vector<int>(height, 0));
            EXPECT_EQ(columns, std::vector<int>(width, 0));
            EXPECT_EQ(TypeParam::matchRate(5, width, height, h, v), 0);
        }
    }
}

TYPED_TEST(HandComputed, SearchBestMatch) {
    for (const int bits : {16, 24, 32}) {
        SCOPED_TRACE(bits);
        const auto search = [&](const DeviceBitmap& a, const DeviceBitmap& b) {
            const std::optional<ShiftMatch> found = this->impl.SearchBestMatch(a, b);
            EXPECT_TRUE(found.has_value());
            return found.value_or(ShiftMatch{-999, -999, -1});
        };
        // Flat images match everywhere: the first shift tried wins, and it shows the window. Width 5
        // gives Rx = 1 (offsets −1 and 0); width 81 reaches the cap of 20.
        const DeviceBitmap flat5 = solidBitmap(5, 9, bits, 0x1234);
        ShiftMatch m = search(flat5, flat5);
        EXPECT_EQ(std::vector<int>({m.shiftH, m.shiftV}), std::vector<int>({-1, -2}));
        EXPECT_EQ(m.rate, 100);
        const DeviceBitmap flat81 = solidBitmap(81, 5, bits, 0x4321);
        m = search(flat81, flat81);
        EXPECT_EQ(std::vector<int>({m.shiftH, m.shiftV}), std::vector<int>({-20, -1}));

        // Nothing ever matches: (0, 0) with rate 0.
        const DeviceBitmap black = solidBitmap(12, 12, bits, 0);
        const DeviceBitmap white = solidBitmap(12, 12, bits, 0xFFFFFF);
        m = search(black, white);
        EXPECT_EQ(std::vector<int>({m.shiftH, m.shiftV}), std::vector<int>({0, 0}));
        EXPECT_EQ(m.rate, 0);

        // Identical random images: only (0, 0) matches fully.
        const DeviceBitmap image = randomBitmap(23, 17, bits, 8);
        m = search(image, image);
        EXPECT_EQ(std::vector<int>({m.shiftH, m.shiftV}), std::vector<int>({0, 0}));
        EXPECT_EQ(m.rate, 100);

        // original 2 = original 1 moved, with a random strip: drawing it back at (3, −2) lines up every
        // overlapping pixel.
        const DeviceBitmap original1 = randomBitmap(84, 24, bits, 9);
        DeviceBitmap original2 = randomBitmap(84, 24, bits, 10);
        const int bpp = bits / 8;
        for (int y = 0; y < 24; ++y) {
            for (int x = 0; x < 84; ++x) {
                if (original1.contains(x + 3, y - 2)) {
                    std::copy_n(original1.row(y - 2) + (x + 3) * bpp, bpp, original2.row(y) + x * bpp);
                }
            }
        }
        m = search(original1, original2);
        EXPECT_EQ(std::vector<int>({m.shiftH, m.shiftV}), std::vector<int>({3, -2}));
        EXPECT_EQ(m.rate, 100);

        // Below width 5 the window is empty: nothing is tried.
        const DeviceBitmap narrow = solidBitmap(4, 30, bits, 0x777);
        m = search(narrow, narrow);
        EXPECT_EQ(std::vector<int>({m.shiftH, m.shiftV}), std::vector<int>({0, 0}));
        EXPECT_EQ(m.rate, 0);
    }
}

} // namespace
} // namespace corvane::test
