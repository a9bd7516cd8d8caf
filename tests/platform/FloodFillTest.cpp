#include "platform/Blit.h"

#include "tests/platform/PlatformTestHelpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <random>
#include <utility>
#include <vector>

namespace corvane {
namespace {

using test::colorBits;
using test::expectedRaw;
using test::kAllDepths;
using test::rawAt;
using test::setRawAt;

class FloodFillTest : public ::testing::TestWithParam<int> {
protected:
    int bits() const { return GetParam(); }
};

INSTANTIATE_TEST_SUITE_P(AllDepths, FloodFillTest, ::testing::ValuesIn(kAllDepths), test::DepthName());

// The 4-connected area around (x, y) of pixels whose colour bits differ from the border's, found by a
// plain breadth-first search. Empty when (x, y) is a border pixel.
std::vector<bool> referenceArea(const DeviceBitmap& image, int x, int y, ColorRef border) {
    const int w = image.width();
    const int h = image.height();
    const std::uint32_t borderRaw = expectedRaw(border, image.bitsPixel());
    const auto open = [&](int px, int py) {
        return colorBits(rawAt(image, px, py), image.bitsPixel()) != borderRaw;
    };
    std::vector<bool> area(static_cast<std::size_t>(w * h), false);
    if (!open(x, y)) {
        return area;
    }
    std::vector<std::pair<int, int>> queue{{x, y}};
    area[static_cast<std::size_t>(y * w + x)] = true;
    for (std::size_t next = 0; next < queue.size(); ++next) {
        const auto [px, py] = queue[next];
        const std::pair<int, int> neighbours[] = {{px - 1, py}, {px + 1, py}, {px, py - 1}, {px, py + 1}};
        for (const auto& [nx, ny] : neighbours) {
            if (image.contains(nx, ny) && !area[static_cast<std::size_t>(ny * w + nx)] && open(nx, ny)) {
                area[static_cast<std::size_t>(ny * w + nx)] = true;
                queue.emplace_back(nx, ny);
            }
        }
    }
    return area;
}

// Pixels in `area` carry the fill colour's bits (the fourth byte of a 32-bit pixel is not checked);
// every other pixel keeps all its bytes. Padding is checked too.
::testing::AssertionResult filledExactly(const DeviceBitmap& actual, const DeviceBitmap& before,
                                         const std::vector<bool>& area, ColorRef fill) {
    const int bpp = actual.bitsPixel();
    const std::uint32_t fillRaw = expectedRaw(fill, bpp);
    for (int y = 0; y < actual.height(); ++y) {
        for (int x = 0; x < actual.width(); ++x) {
            const std::uint32_t got = rawAt(actual, x, y);
            if (area[static_cast<std::size_t>(y * actual.width() + x)]) {
                if (colorBits(got, bpp) != fillRaw) {
                    return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") in the area is "
                                                         << std::hex << got << ", not the fill " << fillRaw;
                }
            } else if (got != rawAt(before, x, y)) {
                return ::testing::AssertionFailure()
                       << "pixel (" << x << ", " << y << ") outside the area changed " << std::hex << "from "
                       << rawAt(before, x, y) << " to " << got;
            }
        }
    }
    if (!test::samePadding(actual, before)) {
        return ::testing::AssertionFailure() << "padding changed";
    }
    return ::testing::AssertionSuccess();
}

// The border colour of most tests. In 16 bits it narrows to (15, 1, 1), while dropping its low bits
// would give (16, 0, 0): the images below contain the latter as an ordinary, fillable colour.
constexpr ColorRef kBorder = makeColor(131, 2, 5);

// A random image of the border colour and two other colours (random fourth bytes in 32 bits).
DeviceBitmap threeColourImage(int width, int height, int bits, std::uint32_t seed, int borderPercent) {
    DeviceBitmap image = test::randomImage(width, height, bits, seed);
    std::mt19937 random(seed);
    const std::uint32_t other = bits == 16 ? pack565(16, 0, 0) : 0x830205u ^ 0x000100u;
    const std::uint32_t colours[] = {expectedRaw(kBorder, bits), other,
                                     expectedRaw(makeColor(9, 200, 40), bits)};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int roll = static_cast<int>(random() % 100);
            const std::uint32_t colour = colours[roll < borderPercent ? 0 : 1 + roll % 2];
            setRawAt(image, x, y, bits == 32 ? colour | (random() & 0xFF000000u) : colour);
        }
    }
    return image;
}

TEST_P(FloodFillTest, MatchesABreadthFirstSearchFromEveryStart) {
    for (const std::uint32_t seed : {1u, 2u, 3u}) {
        const DeviceBitmap image = threeColourImage(13, 11, bits(), seed, 40);
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                SCOPED_TRACE(::testing::Message() << "seed " << seed << ", start " << x << ", " << y);
                DeviceBitmap target = image.clone();
                const ColorRef fill = makeColor(250, 17, 96);
                ASSERT_TRUE(floodFill(target, x, y, kBorder, fill));
                ASSERT_TRUE(filledExactly(target, image, referenceArea(image, x, y, kBorder), fill));
            }
        }
    }
}

TEST_P(FloodFillTest, DoesNotLeakThroughDiagonalGaps) {
    // A diagonal line of border pixels from (0, 4) to (4, 0) splits the 5 × 5 image in two for
    // 4-connectivity, though an 8-connected fill would cross it.
    DeviceBitmap image = DeviceBitmap::create(5, 5, bits());
    ASSERT_FALSE(image.isNull());
    test::markPadding(image);
    for (int i = 0; i < 5; ++i) {
        image.setPixel(i, 4 - i, kBorder);
    }
    const DeviceBitmap before = image.clone();
    ASSERT_TRUE(floodFill(image, 0, 0, kBorder, kWhite));
    std::vector<bool> area(25, false);
    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 5; ++x) {
            area[static_cast<std::size_t>(y * 5 + x)] = x + y < 4;
        }
    }
    EXPECT_TRUE(filledExactly(image, before, area, kWhite));
}

TEST_P(FloodFillTest, StartingOnTheBorderFillsNothing) {
    const DeviceBitmap image = threeColourImage(6, 5, bits(), 7, 30);
    DeviceBitmap target = image.clone();
    setRawAt(target, 2, 3, expectedRaw(kBorder, bits()) | (bits() == 32 ? 0x99000000u : 0u));
    const DeviceBitmap before = target.clone();
    EXPECT_TRUE(floodFill(target, 2, 3, kBorder, kWhite));
    EXPECT_TRUE(test::sameBytes(target, before));
}

TEST_P(FloodFillTest, FillColourAlreadyPresentOrEqualToTheBorder) {
    const DeviceBitmap image = threeColourImage(12, 9, bits(), 8, 35);
    // Filling with a colour the area already contains ends, and paints the whole area.
    const ColorRef present = makeColor(9, 200, 40);
    for (const ColorRef fill : {present, kBorder}) {
        for (const auto& [x, y] : {std::pair{0, 0}, std::pair{5, 4}, std::pair{11, 8}}) {
            SCOPED_TRACE(::testing::Message()
                         << "fill " << std::hex << fill << std::dec << " from " << x << ", " << y);
            DeviceBitmap target = image.clone();
            ASSERT_TRUE(floodFill(target, x, y, kBorder, fill));
            EXPECT_TRUE(filledExactly(target, image, referenceArea(image, x, y, kBorder), fill));
        }
    }
}

TEST_P(FloodFillTest, EnclosedAreasStay) {
    // A ring of border pixels around (3..5, 3..5) with an island of another colour inside; the fill
    // starts outside the ring.
    DeviceBitmap image = test::solidBitmap(9, 9, bits(), expectedRaw(makeColor(40, 40, 40), bits()), 0x11);
    test::markPadding(image);
    for (int i = 2; i <= 6; ++i) {
        image.setPixel(i, 2, kBorder);
        image.setPixel(i, 6, kBorder);
        image.setPixel(2, i, kBorder);
        image.setPixel(6, i, kBorder);
    }
    image.setPixel(4, 4, makeColor(0, 0, 255));
    const DeviceBitmap before = image.clone();
    ASSERT_TRUE(floodFill(image, 8, 0, kBorder, kRed));
    std::vector<bool> area(81, false);
    for (int y = 0; y < 9; ++y) {
        for (int x = 0; x < 9; ++x) {
            area[static_cast<std::size_t>(y * 9 + x)] = x < 2 || x > 6 || y < 2 || y > 6;
        }
    }
    EXPECT_TRUE(filledExactly(image, before, area, kRed));
}

TEST_P(FloodFillTest, RefusesAStartOutside) {
    const DeviceBitmap image = threeColourImage(5, 4, bits(), 9, 20);
    const std::pair<int, int> starts[] = {{-1, 0},     {0, -1}, {5, 0}, {0, 4}, {5, 4}, {INT_MIN, INT_MIN},
                                          {INT_MAX, 0}};
    for (const auto& [x, y] : starts) {
        DeviceBitmap target = image.clone();
        EXPECT_FALSE(floodFill(target, x, y, kBorder, kWhite)) << x << ", " << y;
        EXPECT_TRUE(test::sameBytes(target, image));
    }
}

// A square spiral corridor, one pixel wide with one-pixel walls, from the top-left corner inwards: the
// longest thin area an image of this size holds. A fill that recursed per pixel or per span would run
// out of stack here.
TEST_P(FloodFillTest, LargeSpiral) {
    const int n = 2000;
    const std::uint32_t wall = expectedRaw(kBorder, bits());
    DeviceBitmap image = test::solidBitmap(n, n, bits(), wall);
    ASSERT_FALSE(image.isNull());
    const std::uint32_t corridor = expectedRaw(makeColor(10, 20, 30), bits());
    std::vector<bool> area(static_cast<std::size_t>(n) * n, false);
    const auto carve = [&](int x, int y) {
        setRawAt(image, x, y, corridor);
        area[static_cast<std::size_t>(y) * n + static_cast<std::size_t>(x)] = true;
    };
    int left = 0, top = 0, right = n - 1, bottom = n - 1;
    int x = 0, y = 0;
    carve(0, 0);
    while (left <= right && top <= bottom) {
        while (x < right) {
            carve(++x, y);
        }
        top += 2;
        if (top > bottom) {
            break;
        }
        while (y < bottom) {
            carve(x, ++y);
        }
        right -= 2;
        if (left > right) {
            break;
        }
        while (x > left) {
            carve(--x, y);
        }
        bottom -= 2;
        if (top > bottom) {
            break;
        }
        while (y > top) {
            carve(x, --y);
        }
        left += 2;
    }
    const DeviceBitmap before = image.clone();
    ASSERT_TRUE(floodFill(image, 0, 0, kBorder, kWhite));
    EXPECT_TRUE(filledExactly(image, before, area, kWhite));
}

TEST_P(FloodFillTest, LargeOpenImage) {
    const int n = 2000;
    DeviceBitmap image = test::solidBitmap(n, n, bits(), expectedRaw(makeColor(1, 2, 3), bits()));
    ASSERT_FALSE(image.isNull());
    const DeviceBitmap before = image.clone();
    ASSERT_TRUE(floodFill(image, n / 2, n / 3, kBorder, kWhite));
    EXPECT_TRUE(
        filledExactly(image, before, std::vector<bool>(static_cast<std::size_t>(n) * n, true), kWhite));
}

} // namespace
} // namespace corvane
