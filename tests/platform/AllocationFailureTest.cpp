#include "platform/Allocation.h"
#include "platform/Blit.h"
#include "platform/DeviceBitmap.h"

#include "tests/platform/PlatformTestHelpers.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

// Every operation that needs memory reports a failed allocation as null or false and leaves its target
// exactly as it was.
namespace corvane {
namespace {

using test::kAllDepths;
using test::randomImage;
using test::sameBytes;

class AllocationFailureTest : public ::testing::TestWithParam<int> {
protected:
    int bits() const { return GetParam(); }
};

INSTANTIATE_TEST_SUITE_P(AllDepths, AllocationFailureTest, ::testing::ValuesIn(kAllDepths),
                         test::DepthName());

TEST_P(AllocationFailureTest, CreateCloneAndConversion) {
    const DeviceBitmap image = randomImage(5, 3, bits(), 1);
    const DeviceBitmap reference = image.clone();
    const std::vector<std::uint8_t> argb(5u * 3u * 4u, 0x80);
    {
        const AllocationFailureScope failing(0);
        EXPECT_TRUE(DeviceBitmap::create(5, 3, bits()).isNull());
        EXPECT_TRUE(image.clone().isNull());
        EXPECT_TRUE(DeviceBitmap::fromArgb32(argb.data(), 5, 3, 20, bits()).isNull());
    }
    {
        // The first allocation succeeds, the second fails.
        const AllocationFailureScope failing(1);
        const DeviceBitmap first = DeviceBitmap::create(2, 2, bits());
        EXPECT_FALSE(first.isNull());
        EXPECT_TRUE(first.clone().isNull());
    }
    EXPECT_TRUE(sameBytes(image, reference));
    // Once the scope has ended, allocations work again.
    EXPECT_FALSE(DeviceBitmap::create(5, 3, bits()).isNull());
    EXPECT_TRUE(sameBytes(image.clone(), reference));
}

TEST_P(AllocationFailureTest, FloodFill) {
    const DeviceBitmap canvas =
        test::solidBitmap(6, 4, bits(), test::expectedRaw(makeColor(9, 9, 9), bits()), 3);
    DeviceBitmap dst = canvas.clone();
    {
        const AllocationFailureScope failing(0);
        EXPECT_FALSE(floodFill(dst, 2, 2, kBlack, kWhite));
    }
    EXPECT_TRUE(sameBytes(dst, canvas));
    EXPECT_TRUE(floodFill(dst, 2, 2, kBlack, kWhite));
    EXPECT_EQ(dst.pixel(5, 3), kWhite);
}

TEST_P(AllocationFailureTest, StretchBlt) {
    const DeviceBitmap src = randomImage(8, 6, bits(), 2);
    const DeviceBitmap canvas = randomImage(10, 9, bits(), 3);
    for (const IntRect& dstRect : {IntRect{1, 1, 4, 3}, IntRect{0, 0, 10, 9}, IntRect{-3, 2, 20, 3}}) {
        SCOPED_TRACE(::testing::Message() << dstRect.width << " x " << dstRect.height);
        DeviceBitmap dst = canvas.clone();
        {
            const AllocationFailureScope failing(0);
            EXPECT_FALSE(stretchBlt(dst, dstRect, src, {0, 0, 8, 6}));
        }
        EXPECT_TRUE(sameBytes(dst, canvas));
    }
}

// Blending or keying a bitmap onto itself needs a private copy of the source.
TEST_P(AllocationFailureTest, BlitsOntoThemselves) {
    const DeviceBitmap original = randomImage(6, 5, bits(), 4);
    DeviceBitmap image = original.clone();
    {
        const AllocationFailureScope failing(0);
        EXPECT_FALSE(alphaBlend(image, 1, 1, image, 128));
        EXPECT_FALSE(transparentBlt(image, 1, 1, image, kBlack));
    }
    EXPECT_TRUE(sameBytes(image, original));
}

} // namespace
} // namespace corvane
