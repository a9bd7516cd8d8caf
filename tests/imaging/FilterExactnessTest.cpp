// The engine against the plain reference, byte for byte (fourth bytes and row padding included), for
// every operation in the three pixel formats, over odd and degenerate sizes, parameter sweeps and the
// aliasing of target and sources.

#include "imaging/Filter.h"
#include "platform/Blit.h"
#include "platform/PixelAccess.h"
#include "tests/imaging/ImagingTestSupport.h"
#include "tests/imaging/Implementations.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <climits>
#include <utility>
#include <vector>

namespace corvane::test {
namespace {

struct Size {
    int width;
    int height;
};

// Degenerate strips, odd and even widths (24-bit rows of odd width carry a padding byte), and sizes
// larger than a vector register row.
constexpr std::array<Size, 9> kSizes = {
    {{1, 1}, {1, 7}, {7, 1}, {2, 2}, {3, 5}, {5, 3}, {8, 6}, {37, 23}, {67, 41}}};

constexpr std::array<ColorSpace, 3> kSpaces = {ColorSpace::Rgb, ColorSpace::Hsv, ColorSpace::Hls};

std::uint32_t seedOf(Size size, int bits, int salt) {
    const auto u = [](int v) {
        return static_cast<std::uint32_t>(v);
    };
    return u(size.width) * 7919u + u(size.height) * 104729u + u(bits) * 31u + u(salt);
}

// Runs `op(impl, source, target)` with the engine and the reference, on a separate target and in place,
// and expects the same result flag and the same bytes. The separate case also checks the source stays
// as it was.
template <class Op>
void expectSameOneSource(const DeviceBitmap& source, std::uint32_t seed, Op op) {
    const DeviceBitmap sourceBefore = source.clone();
    const DeviceBitmap targetBefore =
        randomMarked(source.width(), source.height(), source.bitsPixel(), seed ^ 0x9E3779B9u, 0xC3);
    {
        DeviceBitmap engine = targetBefore.clone();
        DeviceBitmap expected = targetBefore.clone();
        const bool engineOk = op(EngineImpl{}, source, engine);
        ASSERT_EQ(engineOk, op(ReferenceImpl{}, source, expected));
        EXPECT_EQ(byteDifference(expected, engine), "") << "separate target";
        EXPECT_EQ(byteDifference(sourceBefore, source), "") << "the source was written";
    }
    {
        DeviceBitmap engine = source.clone();
        DeviceBitmap expected = source.clone();
        const bool engineOk = op(EngineImpl{}, engine, engine);
        ASSERT_EQ(engineOk, op(ReferenceImpl{}, expected, expected));
        EXPECT_EQ(byteDifference(expected, engine), "") << "target is the source";
    }
}

// The same for `op(impl, first, second, target)`: separate target, target = first, target = second, and
// all three the same bitmap.
template <class Op>
void expectSameTwoSources(const DeviceBitmap& first, const DeviceBitmap& second, std::uint32_t seed, Op op) {
    const DeviceBitmap firstBefore = first.clone();
    const DeviceBitmap secondBefore = second.clone();
    const DeviceBitmap targetBefore =
        randomMarked(first.width(), first.height(), first.bitsPixel(), seed ^ 0x85EBCA6Bu, 0x3C);
    {
        DeviceBitmap engine = targetBefore.clone();
        DeviceBitmap expected = targetBefore.clone();
        const bool engineOk = op(EngineImpl{}, first, second, engine);
        ASSERT_EQ(engineOk, op(ReferenceImpl{}, first, second, expected));
        EXPECT_EQ(byteDifference(expected, engine), "") << "separate target";
        EXPECT_EQ(byteDifference(firstBefore, first), "") << "the first source was written";
        EXPECT_EQ(byteDifference(secondBefore, second), "") << "the second source was written";
    }
    {
        DeviceBitmap engine = first.clone();
        DeviceBitmap expected = first.clone();
        const bool engineOk = op(EngineImpl{}, engine, second, engine);
        ASSERT_EQ(engineOk, op(ReferenceImpl{}, expected, second, expected));
        EXPECT_EQ(byteDifference(expected, engine), "") << "target is the first source";
    }
    {
        DeviceBitmap engine = second.clone();
        DeviceBitmap expected = second.clone();
        const bool engineOk = op(EngineImpl{}, first, engine, engine);
        ASSERT_EQ(engineOk, op(ReferenceImpl{}, first, expected, expected));
        EXPECT_EQ(byteDifference(expected, engine), "") << "target is the second source";
    }
    {
        DeviceBitmap engine = first.clone();
        DeviceBitmap expected = first.clone();
        const bool engineOk = op(EngineImpl{}, engine, engine, engine);
        ASSERT_EQ(engineOk, op(ReferenceImpl{}, expected, expected, expected));
        EXPECT_EQ(byteDifference(expected, engine), "") << "one bitmap for all three";
    }
}

std::string sizeText(Size size) {
    return std::to_string(size.width) + "x" + std::to_string(size.height);
}

// Shifts inside the image, at its edge, beyond it in every direction, and at the ends of int.
std::vector<std::pair<int, int>> shiftsFor(Size size) {
    const int w = size.width;
    const int h = size.height;
    return {{0, 0},         {3, 0},       {0, -2},           {-1, 4},         {w - 1, h - 1},
            {1 - w, 1 - h}, {w, 0},       {0, -h},           {w + 3, -h - 3}, {-w - 1, h + 2},
            {INT_MIN, 0},   {0, INT_MAX}, {INT_MAX, INT_MIN}};
}

class Exactness : public ::testing::TestWithParam<int> {
protected:
    int bits() const { return GetParam(); }
    DeviceBitmap image(Size size, int salt) const {
        return randomMarked(size.width, size.height, bits(), seedOf(size, bits(), salt));
    }
};

TEST_P(Exactness, GreyscaleImage) {
    for (const Size size : kSizes) {
        const DeviceBitmap source = image(size, 1);
        for (const int factor : {0, 1, 64, 127, 128, 254, 255}) {
            SCOPED_TRACE(sizeText(size) + " factor " + std::to_string(factor));
            expectSameOneSource(source, seedOf(size, bits(), factor), [&](auto impl, const auto& s, auto& t) {
                return impl.GreyscaleImage(s, t, factor);
            });
        }
    }
}

// Every green level against every factor: the single-precision scaling truncates at exact multiples.
TEST_P(Exactness, GreyscaleEveryGreenAndFactor) {
    DeviceBitmap source = DeviceBitmap::create(16, 16, bits());
    for (int i = 0; i < 256; ++i) {
        const auto green = static_cast<std::uint8_t>(i);
        source.setPixel(i % 16, i / 16, makeColor(static_cast<std::uint8_t>(255 - i), green, 77));
    }
    for (int factor = 0; factor <= 255; ++factor) {
        DeviceBitmap engine = DeviceBitmap::create(16, 16, bits());
        DeviceBitmap expected = DeviceBitmap::create(16, 16, bits());
        ASSERT_TRUE(EngineImpl{}.GreyscaleImage(source, engine, factor));
        ASSERT_TRUE(ReferenceImpl{}.GreyscaleImage(source, expected, factor));
        ASSERT_EQ(byteDifference(expected, engine), "") << "factor " << factor;
    }
}

TEST_P(Exactness, BlurImage) {
    for (const Size size : kSizes) {
        const DeviceBitmap source = image(size, 2);
        const int larger = 2 * std::max(size.width, size.height) + 1;
        for (const int window : {1, 3, 5, 7, 11, larger}) {
            SCOPED_TRACE(sizeText(size) + " window " + std::to_string(window));
            expectSameOneSource(source, seedOf(size, bits(), window), [&](auto impl, const auto& s, auto& t) {
                return impl.BlurImage(s, t, window);
            });
        }
    }
}

// Flat areas with a few outliers: averages land on and next to whole numbers, where the 16-bit rule
// (raise by one, floor at one) and the truncation show.
TEST_P(Exactness, BlurImageNearlyFlat) {
    const std::uint32_t flat = bits() == 16 ? 0x0821u : 0x020301u;
    for (const Size size : {Size{9, 7}, Size{37, 23}}) {
        const DeviceBitmap base = solidBitmap(size.width, size.height, bits(), flat, 0x11);
        const DeviceBitmap source = perturbedCopy(base, 5, seedOf(size, bits(), 3));
        for (const int window : {3, 7, 11}) {
            SCOPED_TRACE(sizeText(size) + " window " + std::to_string(window));
            expectSameOneSource(
                source, 5, [&](auto impl, const auto& s, auto& t) { return impl.BlurImage(s, t, window); });
        }
    }
}

TEST_P(Exactness, ReduceTo64Colors) {
    for (const Size size : kSizes) {
        SCOPED_TRACE(sizeText(size));
        expectSameOneSource(image(size, 4), seedOf(size, bits(), 4),
                            [&](auto impl, const auto& s, auto& t) { return impl.ReduceTo64Colors(s, t); });
    }
    // Every 8-bit value in every channel, through the level boundaries.
    DeviceBitmap ramp = DeviceBitmap::create(256, 1, bits());
    for (int i = 0; i < 256; ++i) {
        const auto v = static_cast<std::uint8_t>(i);
        ramp.setPixel(i, 0,
                      makeColor(v, static_cast<std::uint8_t>(255 - i), static_cast<std::uint8_t>(i * 7)));
    }
    expectSameOneSource(ramp, 9,
                        [&](auto impl, const auto& s, auto& t) { return impl.ReduceTo64Colors(s, t); });
}

TEST_P(Exactness, DetectEdges) {
    for (const Size size : kSizes) {
        SCOPED_TRACE(sizeText(size));
        expectSameOneSource(image(size, 5), seedOf(size, bits(), 5),
                            [&](auto impl, const auto& s, auto& t) { return impl.DetectEdges(s, t); });
        // Nearly flat images keep the gradients small, away from the 255 clamp.
        const std::uint32_t grey = bits() == 16 ? 0x4208u : 0x404040u;
        const DeviceBitmap soft =
            nudgedCopy(solidBitmap(size.width, size.height, bits(), grey, 9), 3, seedOf(size, bits(), 6));
        expectSameOneSource(soft, 6,
                            [&](auto impl, const auto& s, auto& t) { return impl.DetectEdges(s, t); });
    }
}

TEST_P(Exactness, ComparePixels) {
    for (const Size size : kSizes) {
        const DeviceBitmap first = image(size, 7);
        const DeviceBitmap second = perturbedCopy(first, 30, seedOf(size, bits(), 8));
        for (const auto& [shiftH, shiftV] : shiftsFor(size)) {
            for (const ColorRef mismatch : {0x808080u, 0u, kNoColor, 0x12345678u}) {
                SCOPED_TRACE(sizeText(size) + " shift " + std::to_string(shiftH) + "," +
                             std::to_string(shiftV) + " colour " + std::to_string(mismatch));
                expectSameTwoSources(first, second, seedOf(size, bits(), shiftH ^ shiftV),
                                     [&](auto impl, const auto& a, const auto& b, auto& t) {
                                         return impl.ComparePixels(a, b, t, shiftH, shiftV, mismatch);
                                     });
            }
        }
    }
}

TEST_P(Exactness, BlendImagesEveryMode) {
    for (const Size size : kSizes) {
        const DeviceBitmap top = image(size, 9);
        const DeviceBitmap bottom = image(size, 10);
        for (int mode = 0; mode <= 14; ++mode) {
            SCOPED_TRACE(sizeText(size) + " mode " + std::to_string(mode));
            expectSameTwoSources(top, bottom, seedOf(size, bits(), mode),
                                 [&](auto impl, const auto& a, const auto& b, auto& t) {
                                     return impl.BlendImages(a, b, t, mode);
                                 });
        }
    }
}

// A blend inside a region writes there what the whole blend writes and nothing elsewhere, also in place.
TEST_P(Exactness, BlendImagesInARegion) {
    const CFilter filter;
    for (const Size size : {Size{37, 23}, Size{67, 41}}) {
        const DeviceBitmap top = image(size, 11);
        const DeviceBitmap bottom = image(size, 12);
        const DeviceBitmap before = randomMarked(size.width, size.height, bits(), 0x5EEDu, 0xC3);
        const std::array<IntRect, 4> regions = {IntRect{3, 2, 17, 9}, IntRect{0, 0, size.width, size.height},
                                                IntRect{size.width - 1, size.height - 1, 1, 1},
                                                IntRect{5, 4, 0, 6}};
        for (int mode = 0; mode <= 14; ++mode) {
            for (const IntRect& region : regions) {
                SCOPED_TRACE(sizeText(size) + " mode " + std::to_string(mode) + " at " +
                             std::to_string(region.x) + "," + std::to_string(region.y));
                DeviceBitmap whole = before.clone();
                ASSERT_TRUE(filter.BlendImages(top, bottom, whole, mode));
                DeviceBitmap expected = before.clone();
                ASSERT_TRUE(bitBlt(expected, region.x, region.y, region.width, region.height, whole, region.x,
                                   region.y));
                DeviceBitmap target = before.clone();
                ASSERT_TRUE(filter.BlendImages(top, bottom, target, mode, region));
                EXPECT_EQ(byteDifference(expected, target), "");
                DeviceBitmap inPlace = top.clone();
                DeviceBitmap wholeInPlace = top.clone();
                ASSERT_TRUE(filter.BlendImages(inPlace, bottom, inPlace, mode, region));
                ASSERT_TRUE(filter.BlendImages(wholeInPlace, bottom, wholeInPlace, mode));
                expected = top.clone();
                ASSERT_TRUE(bitBlt(expected, region.x, region.y, region.width, region.height, wholeInPlace,
                                   region.x, region.y));
                EXPECT_EQ(byteDifference(expected, inPlace), "") << "in place";
            }
        }
        // A region reaching outside the images is refused and writes nothing.
        for (const IntRect& outside : {IntRect{-1, 0, 4, 4}, IntRect{30, 0, size.width, 1},
                                       IntRect{0, size.height, 1, 1}, IntRect{0, 0, -2, 3}}) {
            DeviceBitmap target = before.clone();
            EXPECT_FALSE(filter.BlendImages(top, bottom, target, 5, outside));
            EXPECT_EQ(byteDifference(before, target), "");
        }
    }
}

// Every pair of channel values (bottom, top) in every mode: the float divisions and the double overlay
// and soft-light truncate exactly at whole numbers, which random images rarely hit.
TEST_P(Exactness, BlendImagesEveryChannelPair) {
    const int side = bits() == 16 ? 64 : 256;
    DeviceBitmap top = DeviceBitmap::create(side, side, bits());
    DeviceBitmap bottom = DeviceBitmap::create(side, side, bits());
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            // Top channel x, bottom channel y (green); red and blue run the same pairs in their range.
            const auto put = [&](DeviceBitmap& b, int r, int g, int bl) {
                std::uint8_t* p = b.row(y) + x * b.bytesPerPixel();
                if (bits() == 16) {
                    storeWord(p, pack565(static_cast<unsigned>(r & 31), static_cast<unsigned>(g),
                                         static_cast<unsigned>(bl & 31)));
                } else {
                    p[0] = static_cast<std::uint8_t>(bl);
                    p[1] = static_cast<std::uint8_t>(g);
                    p[2] = static_cast<std::uint8_t>(r);
                    if (bits() == 32) {
                        p[3] = static_cast<std::uint8_t>(x ^ y);
                    }
                }
            };
            put(top, x, x, bits() == 16 ? x >> 1 : x);
            put(bottom, y, y, bits() == 16 ? y >> 1 : y);
        }
    }
    for (int mode = 0; mode <= 14; ++mode) {
        DeviceBitmap engine = DeviceBitmap::create(side, side, bits());
        DeviceBitmap expected = DeviceBitmap::create(side, side, bits());
        ASSERT_TRUE(EngineImpl{}.BlendImages(top, bottom, engine, mode));
        ASSERT_TRUE(ReferenceImpl{}.BlendImages(top, bottom, expected, mode));
        EXPECT_EQ(byteDifference(expected, engine), "") << "mode " << mode << " (x = top, y = bottom)";
    }
}

TEST_P(Exactness, Binarize) {
    for (const Size size : kSizes) {
        const DeviceBitmap source = image(size, 11);
        for (const ColorSpace space : kSpaces) {
            for (const int threshold : {0, 1, 6, 64, 128, 200, 255}) {
                SCOPED_TRACE(sizeText(size) + " space " + std::to_string(static_cast<int>(space)) +
                             " threshold " + std::to_string(threshold));
                expectSameOneSource(
                    source, seedOf(size, bits(), threshold),
                    [&](auto impl, const auto& s, auto& t) { return impl.Binarize(s, t, threshold, space); });
            }
        }
    }
}

TEST_P(Exactness, GradationImage) {
    for (const Size size : kSizes) {
        const DeviceBitmap first = image(size, 12);
        const std::vector<std::pair<const char*, DeviceBitmap>> seconds = [&] {
            std::vector<std::pair<const char*, DeviceBitmap>> v;
            v.emplace_back("random", image(size, 13));
            v.emplace_back("perturbed", perturbedCopy(first, 30, seedOf(size, bits(), 14)));
            v.emplace_back("nudged", nudgedCopy(first, bits() == 16 ? 3 : 24, seedOf(size, bits(), 15)));
            return v;
        }();
        for (const auto& [kind, second] : seconds) {
            for (const ColorSpace space : kSpaces) {
                SCOPED_TRACE(sizeText(size) + " " + kind + " space " +
                             std::to_string(static_cast<int>(space)));
                expectSameTwoSources(first, second, seedOf(size, bits(), 16),
                                     [&](auto impl, const auto& a, const auto& b, auto& t) {
                                         return impl.GradationImage(a, b, t, space);
                                     });
            }
        }
    }
}

TEST_P(Exactness, DifferenceMask) {
    for (const Size size : kSizes) {
        const DeviceBitmap first = image(size, 17);
        const DeviceBitmap second = nudgedCopy(first, bits() == 16 ? 2 : 12, seedOf(size, bits(), 18));
        for (const ColorSpace space : kSpaces) {
            for (const int level : {0, 1, 2, 16, 64, 128, 255}) {
                SCOPED_TRACE(sizeText(size) + " space " + std::to_string(static_cast<int>(space)) +
                             " level " + std::to_string(level));
                expectSameTwoSources(first, second, seedOf(size, bits(), level),
                                     [&](auto impl, const auto& a, const auto& b, auto& t) {
                                         return impl.DifferenceMask(a, b, t, space, level);
                                     });
            }
        }
    }
}

TEST_P(Exactness, EmbossImage) {
    for (const Size size : kSizes) {
        const DeviceBitmap source = image(size, 19);
        // Offsets 1 to 3, an offset beyond every test image, and gains far past saturation.
        for (const int strength : {0, 1, 4, 6, 7, 13, 14, 30, 1000, 100000}) {
            SCOPED_TRACE(sizeText(size) + " strength " + std::to_string(strength));
            expectSameOneSource(
                source, seedOf(size, bits(), strength),
                [&](auto impl, const auto& s, auto& t) { return impl.EmbossImage(s, t, strength); });
        }
    }
}

// Strengths whose gain term S × strength / 20 no longer fits an int: every sample still saturates or
// stays neutral as the definition says.
TEST_P(Exactness, EmbossImageHugeStrength) {
    for (const Size size : {Size{1, 1}, Size{5, 3}, Size{37, 23}}) {
        const DeviceBitmap source = image(size, 19);
        for (const int strength : {200000000, INT_MAX}) {
            SCOPED_TRACE(sizeText(size) + " strength " + std::to_string(strength));
            expectSameOneSource(
                source, seedOf(size, bits(), strength),
                [&](auto impl, const auto& s, auto& t) { return impl.EmbossImage(s, t, strength); });
        }
    }
}

TEST_P(Exactness, BlackToRedAndRedToBlack) {
    const std::uint32_t black = 0;
    const std::uint32_t red = bits() == 16 ? 0xF800u : 0xFF0000u;
    for (const Size size : kSizes) {
        // Many exact blacks and reds among random colours, with random fourth bytes.
        const DeviceBitmap source = image(size, 20);
        const DeviceBitmap blacks = solidBitmap(size.width, size.height, bits(), black, 0x77);
        const DeviceBitmap reds = solidBitmap(size.width, size.height, bits(), red, 0x88);
        const DeviceBitmap mixed = perturbedCopy(blacks, 50, seedOf(size, bits(), 21));
        const DeviceBitmap mixedRed = perturbedCopy(reds, 50, seedOf(size, bits(), 22));
        for (const DeviceBitmap* s : {&source, &mixed, &mixedRed}) {
            SCOPED_TRACE(sizeText(size));
            expectSameOneSource(*s, 23,
                                [&](auto impl, const auto& a, auto& t) { return impl.BlackToRed(a, t); });
            expectSameOneSource(*s, 24,
                                [&](auto impl, const auto& a, auto& t) { return impl.RedToBlack(a, t); });
        }
    }
}

TEST_P(Exactness, ComputeHistogram) {
    for (const Size size : kSizes) {
        SCOPED_TRACE(sizeText(size));
        const DeviceBitmap source = image(size, 25);
        Histogram engine;
        Histogram expected;
        engine.fill(-3);
        expected.fill(7);
        ASSERT_TRUE(EngineImpl{}.ComputeHistogram(source, engine));
        ASSERT_TRUE(ReferenceImpl{}.ComputeHistogram(source, expected));
        EXPECT_EQ(engine, expected);
    }
}

TEST_P(Exactness, ScanMatch) {
    for (const Size size : kSizes) {
        const DeviceBitmap a = image(size, 26);
        const DeviceBitmap b = perturbedCopy(nudgedCopy(a, 1, seedOf(size, bits(), 27)), 20, 28);
        for (const auto& [shiftH, shiftV] : shiftsFor(size)) {
            for (const ScanChannel channel :
                 {ScanChannel::Red, ScanChannel::Green, ScanChannel::Blue, ScanChannel::Rgb}) {
                SCOPED_TRACE(sizeText(size) + " shift " + std::to_string(shiftH) + "," +
                             std::to_string(shiftV) + " channel " +
                             std::to_string(static_cast<int>(channel)));
                // Spans longer than needed, full of stale counts: all of them are zeroed.
                std::vector<int> rows(static_cast<std::size_t>(size.height) + 3, -1);
                std::vector<int> columns(static_cast<std::size_t>(size.width) + 2, 99);
                std::vector<int> expectedRows(rows.size(), 5);
                std::vector<int> expectedColumns(columns.size(), -8);
                double total = 2.5;
                double expectedTotal = 2.5;
                ASSERT_TRUE(EngineImpl{}.ScanMatch(a, b, shiftH, shiftV, rows, columns, total, channel));
                ASSERT_TRUE(ReferenceImpl{}.ScanMatch(a, b, shiftH, shiftV, expectedRows, expectedColumns,
                                                      expectedTotal, channel));
                EXPECT_EQ(rows, expectedRows);
                EXPECT_EQ(columns, expectedColumns);
                EXPECT_EQ(total, expectedTotal);
                EXPECT_EQ(EngineImpl::matchRate(total - 2.5, size.width, size.height, shiftH, shiftV),
                          ReferenceImpl::matchRate(total - 2.5, size.width, size.height, shiftH, shiftV));
            }
        }
    }
}

// original 2 built as original 1 moved by (moveH, moveV), with `percent` % of its pixels repainted;
// the uncovered strip is random.
DeviceBitmap movedCopy(const DeviceBitmap& original, int moveH, int moveV, int percent, std::uint32_t seed) {
    DeviceBitmap moved = randomBitmap(original.width(), original.height(), original.bitsPixel(), seed);
    const int bpp = original.bytesPerPixel();
    for (int y = 0; y < original.height(); ++y) {
        for (int x = 0; x < original.width(); ++x) {
            if (original.contains(x + moveH, y + moveV)) {
                std::copy_n(original.row(y + moveV) + (x + moveH) * bpp, bpp, moved.row(y) + x * bpp);
            }
        }
    }
    return perturbedCopy(moved, percent, seed + 1);
}

TEST_P(Exactness, SearchBestMatch) {
    // Windows from empty (size below 5) to the 20-pixel cap in both directions.
    for (const Size size :
         {Size{1, 1}, Size{4, 9}, Size{5, 5}, Size{9, 13}, Size{37, 23}, Size{81, 9}, Size{9, 81}}) {
        const DeviceBitmap first = image(size, 29);
        std::vector<std::pair<std::string, DeviceBitmap>> seconds;
        seconds.emplace_back("identical", first.clone());
        seconds.emplace_back("random", image(size, 30));
        seconds.emplace_back("perturbed", perturbedCopy(first, 40, 31));
        seconds.emplace_back("moved -2,1", movedCopy(first, -2, 1, 10, 32));
        seconds.emplace_back("moved 1,-3", movedCopy(first, 1, -3, 60, 33));
        for (const auto& [kind, second] : seconds) {
            SCOPED_TRACE(sizeText(size) + " " + kind);
            const std::optional<ShiftMatch> engine = EngineImpl{}.SearchBestMatch(first, second);
            const std::optional<ShiftMatch> expected = ReferenceImpl{}.SearchBestMatch(first, second);
            ASSERT_TRUE(expected.has_value());
            ASSERT_TRUE(engine.has_value());
            EXPECT_EQ(engine->shiftH, expected->shiftH);
            EXPECT_EQ(engine->shiftV, expected->shiftV);
            EXPECT_EQ(engine->rate, expected->rate);
        }
    }
}

// Images large enough for the engine to split the rows between threads (over a megabyte in every
// format): every writing operation once against the reference, and the neighbourhood operations and a
// blend also in place.
TEST_P(Exactness, LargeImages) {
    const Size size{1031, 517};
    const DeviceBitmap first = image(size, 40);
    const DeviceBitmap second = nudgedCopy(perturbedCopy(first, 30, 41), bits() == 16 ? 2 : 10, 42);
    const auto one = [&](const char* what, auto op) {
        SCOPED_TRACE(what);
        DeviceBitmap engine = randomMarked(size.width, size.height, bits(), 43);
        DeviceBitmap expected = engine.clone();
        ASSERT_TRUE(op(EngineImpl{}, engine));
        ASSERT_TRUE(op(ReferenceImpl{}, expected));
        EXPECT_EQ(byteDifference(expected, engine), "");
    };
    one("greyscale", [&](auto i, auto& t) { return i.GreyscaleImage(first, t, 200); });
    one("blur 3", [&](auto i, auto& t) { return i.BlurImage(first, t, 3); });
    one("blur 11", [&](auto i, auto& t) { return i.BlurImage(first, t, 11); });
    one("64 colours", [&](auto i, auto& t) { return i.ReduceTo64Colors(first, t); });
    one("edges", [&](auto i, auto& t) { return i.DetectEdges(first, t); });
    one("compare", [&](auto i, auto& t) { return i.ComparePixels(first, second, t, -7, 5, 0x808080); });
    for (int mode = 0; mode <= 14; ++mode) {
        one(("blend " + std::to_string(mode)).c_str(),
            [&](auto i, auto& t) { return i.BlendImages(first, second, t, mode); });
    }
    for (const ColorSpace space : kSpaces) {
        one("binarize", [&](auto i, auto& t) { return i.Binarize(first, t, 128, space); });
        one("gradation", [&](auto i, auto& t) { return i.GradationImage(first, second, t, space); });
        one("mask", [&](auto i, auto& t) { return i.DifferenceMask(first, second, t, space, 64); });
    }
    one("emboss", [&](auto i, auto& t) { return i.EmbossImage(first, t, 4); });
    one("black to red", [&](auto i, auto& t) { return i.BlackToRed(second, t); });
    one("red to black", [&](auto i, auto& t) { return i.RedToBlack(second, t); });
    const auto inPlace = [&](const char* what, auto op) {
        SCOPED_TRACE(what);
        DeviceBitmap engine = first.clone();
        DeviceBitmap expected = first.clone();
        ASSERT_TRUE(op(EngineImpl{}, engine));
        ASSERT_TRUE(op(ReferenceImpl{}, expected));
        EXPECT_EQ(byteDifference(expected, engine), "");
    };
    inPlace("blur 7 in place", [&](auto i, auto& t) { return i.BlurImage(t, t, 7); });
    inPlace("edges in place", [&](auto i, auto& t) { return i.DetectEdges(t, t); });
    inPlace("emboss in place", [&](auto i, auto& t) { return i.EmbossImage(t, t, 4); });
    inPlace("dodge onto the top", [&](auto i, auto& t) { return i.BlendImages(t, second, t, 8); });

    Histogram engine;
    Histogram expected;
    ASSERT_TRUE(EngineImpl{}.ComputeHistogram(first, engine));
    ASSERT_TRUE(ReferenceImpl{}.ComputeHistogram(first, expected));
    EXPECT_EQ(engine, expected);
    for (const ScanChannel channel : {ScanChannel::Blue, ScanChannel::Rgb}) {
        std::vector<int> rows(static_cast<std::size_t>(size.height));
        std::vector<int> columns(static_cast<std::size_t>(size.width));
        std::vector<int> expectedRows(rows.size());
        std::vector<int> expectedColumns(columns.size());
        double total = 0;
        double expectedTotal = 0;
        ASSERT_TRUE(EngineImpl{}.ScanMatch(first, second, 13, -9, rows, columns, total, channel));
        ASSERT_TRUE(ReferenceImpl{}.ScanMatch(first, second, 13, -9, expectedRows, expectedColumns,
                                              expectedTotal, channel));
        EXPECT_EQ(rows, expectedRows);
        EXPECT_EQ(columns, expectedColumns);
        EXPECT_EQ(total, expectedTotal);
    }
}

// The full 40 × 40 search on an image too large for the plain search: the known shift of a moved copy
// wins, with the rate the plain scan gives at that shift.
TEST_P(Exactness, SearchBestMatchOnALargeImage) {
    const Size size{320, 240};
    const DeviceBitmap first = image(size, 44);
    for (const auto& [moveH, moveV] : std::vector<std::pair<int, int>>{{-20, 19}, {19, -20}}) {
        SCOPED_TRACE(std::to_string(moveH) + "," + std::to_string(moveV));
        const DeviceBitmap second = movedCopy(first, moveH, moveV, 35, 45);
        const std::optional<ShiftMatch> found = EngineImpl{}.SearchBestMatch(first, second);
        ASSERT_TRUE(found.has_value());
        EXPECT_EQ(found->shiftH, moveH);
        EXPECT_EQ(found->shiftV, moveV);
        // The same redraw and scan as the search does, for this one shift.
        DeviceBitmap work = DeviceBitmap::create(size.width, size.height, bits());
        const int bpp = bits() / 8;
        for (int y = 0; y < size.height; ++y) {
            for (int x = 0; x < size.width; ++x) {
                if (work.contains(x + moveH, y + moveV)) {
                    std::copy_n(second.row(y) + x * bpp, bpp, work.row(y + moveV) + (x + moveH) * bpp);
                }
            }
        }
        std::vector<int> rows(static_cast<std::size_t>(size.height));
        std::vector<int> columns(static_cast<std::size_t>(size.width));
        double total = 0;
        ASSERT_TRUE(
            ReferenceImpl{}.ScanMatch(first, work, moveH, moveV, rows, columns, total, ScanChannel::Rgb));
        EXPECT_EQ(found->rate, ReferenceImpl::matchRate(total, size.width, size.height, moveH, moveV));
    }
}

// Vertical stripes repeating every 8 columns match fully at every multiple of 8: the first of the tied
// shifts in search order wins, however the search splits its work.
TEST_P(Exactness, SearchBestMatchTiesKeepTheFirstShift) {
    for (const Size size : {Size{84, 84}, Size{320, 240}}) {
        SCOPED_TRACE(sizeText(size));
        const DeviceBitmap colours = image(Size{8, 1}, 46);
        DeviceBitmap stripes = DeviceBitmap::create(size.width, size.height, bits());
        const int bpp = bits() / 8;
        for (int y = 0; y < size.height; ++y) {
            for (int x = 0; x < size.width; ++x) {
                std::copy_n(colours.row(0) + (x % 8) * bpp, bpp, stripes.row(y) + x * bpp);
            }
        }
        const std::optional<ShiftMatch> found = EngineImpl{}.SearchBestMatch(stripes, stripes);
        ASSERT_TRUE(found.has_value());
        EXPECT_EQ(found->shiftH, -16);
        EXPECT_EQ(found->shiftV, -20);
        EXPECT_EQ(found->rate, 100);
        if (size.width < 100) {
            const std::optional<ShiftMatch> expected = ReferenceImpl{}.SearchBestMatch(stripes, stripes);
            ASSERT_TRUE(expected.has_value());
            EXPECT_EQ(expected->shiftH, -16);
            EXPECT_EQ(expected->shiftV, -20);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(AllDepths, Exactness, ::testing::Values(16, 24, 32),
                         [](const ::testing::TestParamInfo<int>& p) { return depthName(p.param); });

} // namespace
} // namespace corvane::test
