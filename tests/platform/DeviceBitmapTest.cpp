#include "platform/DeviceBitmap.h"

#include "tests/platform/PlatformTestHelpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <utility>
#include <vector>

// The absurd sizes below ask the allocator for about 2^62 bytes; the address sanitizer must report that
// as a null result (as the C library does) rather than abort.
#if defined(__SANITIZE_ADDRESS__)
extern "C" const char* __asan_default_options() {
    return "allocator_may_return_null=1";
}
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
extern "C" const char* __asan_default_options() {
    return "allocator_may_return_null=1";
}
#endif
#endif

namespace corvane {
namespace {

using test::kAllDepths;
using test::rawAt;
using test::sameBytes;
using test::setRawAt;

class DeviceBitmapTest : public ::testing::TestWithParam<int> {
protected:
    int bits() const { return GetParam(); }
};

INSTANTIATE_TEST_SUITE_P(AllDepths, DeviceBitmapTest, ::testing::ValuesIn(kAllDepths), test::DepthName());

TEST(DeviceBitmapGeometry, RowStrides) {
    struct Case {
        int width, bits, stride;
    };
    const Case cases[] = {
        {1, 16, 2}, {3, 16, 6},  {4, 16, 8},  {5, 16, 10},              // no padding
        {1, 24, 4}, {2, 24, 6},  {3, 24, 10}, {4, 24, 12}, {5, 24, 16}, // padded to an even count
        {1, 32, 4}, {3, 32, 12}, {4, 32, 16}, {5, 32, 20},              // no padding
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.width << " pixels at " << c.bits << " bits");
        EXPECT_EQ(deviceRowStride(c.width, c.bits), c.stride);
        const DeviceBitmap b = DeviceBitmap::create(c.width, 3, c.bits);
        ASSERT_FALSE(b.isNull());
        const BitmapGeometry expected{c.width, 3, c.stride, c.bits};
        EXPECT_EQ(b.geometry(), expected);
        EXPECT_EQ(b.sizeBytes(), static_cast<std::size_t>(c.stride) * 3);
        EXPECT_EQ(b.bits().size(), b.sizeBytes());
        EXPECT_EQ(b.row(1) - b.row(0), c.stride);
    }
    EXPECT_EQ(deviceRowStride(0, 32), 0);
    EXPECT_EQ(deviceRowStride(-3, 24), 0);
    EXPECT_EQ(deviceRowStride(4, 8), 0);
    EXPECT_EQ(deviceRowStride(INT_MAX, 16), 0);
    EXPECT_EQ(deviceRowStride(INT_MAX / 3 + 1, 24), 0);
}

TEST_P(DeviceBitmapTest, CreateGivesABlackBitmap) {
    const DeviceBitmap b = DeviceBitmap::create(5, 2, bits());
    ASSERT_FALSE(b.isNull());
    for (const std::uint8_t byte : b.bits()) {
        ASSERT_EQ(byte, 0);
    }
    EXPECT_EQ(b.pixel(4, 1), kBlack);
}

TEST_P(DeviceBitmapTest, CreateRefusesUnusableSizes) {
    const int sizes[][2] = {{0, 1}, {1, 0}, {0, 0}, {-1, 4}, {4, -1}, {INT_MIN, INT_MIN}};
    for (const auto& size : sizes) {
        EXPECT_TRUE(DeviceBitmap::create(size[0], size[1], bits()).isNull()) << size[0] << " x " << size[1];
    }
    // A row too wide for an int stride, and a buffer of about 2^62 bytes that no allocator can give.
    EXPECT_TRUE(DeviceBitmap::create(INT_MAX, 1, bits()).isNull());
    EXPECT_TRUE(DeviceBitmap::create(INT_MAX / 4, INT_MAX, bits()).isNull());
}

TEST(DeviceBitmapGeometry, CreateRefusesOtherDepths) {
    for (const int depth : {0, 1, 4, 8, 15, 18, 30, 48, 64, -16}) {
        EXPECT_TRUE(DeviceBitmap::create(4, 4, depth).isNull()) << depth << " bits";
    }
    const DeviceBitmap null;
    EXPECT_TRUE(null.isNull());
    EXPECT_EQ(null.sizeBytes(), 0u);
}

TEST_P(DeviceBitmapTest, WholeBufferBits) {
    // Width 3 gives a padding byte in every 24-bit row; get and set cover it too.
    DeviceBitmap b = DeviceBitmap::create(3, 2, bits());
    ASSERT_FALSE(b.isNull());
    std::vector<std::uint8_t> in(b.sizeBytes());
    for (std::size_t i = 0; i < in.size(); ++i) {
        in[i] = static_cast<std::uint8_t>(i * 37 + 11);
    }
    ASSERT_TRUE(b.setBits(in));
    std::vector<std::uint8_t> out(b.sizeBytes(), 0);
    ASSERT_TRUE(b.getBits(out));
    EXPECT_EQ(out, in);
    // Rows run top to bottom at bmWidthBytes: pixel (0, 1) starts at byte bmWidthBytes.
    EXPECT_EQ(rawAt(b, 0, 1) & 0xFF, in[static_cast<std::size_t>(b.widthBytes())]);

    // Any other size is refused and copies nothing, in either direction.
    for (const std::size_t size : {in.size() - 1, in.size() + 1, std::size_t{0}}) {
        std::vector<std::uint8_t> wrong(size, 0xEE);
        EXPECT_FALSE(b.setBits(wrong)) << size << " bytes";
        EXPECT_FALSE(b.getBits(wrong)) << size << " bytes";
        EXPECT_EQ(wrong, std::vector<std::uint8_t>(size, 0xEE));
        ASSERT_TRUE(b.getBits(out));
        EXPECT_EQ(out, in);
    }

    DeviceBitmap null;
    std::vector<std::uint8_t> empty;
    EXPECT_FALSE(null.getBits(empty));
    EXPECT_FALSE(null.setBits(empty));
}

TEST_P(DeviceBitmapTest, CloneIsAnIndependentCopy) {
    const DeviceBitmap original = test::randomImage(5, 3, bits(), 7);
    DeviceBitmap copy = original.clone();
    ASSERT_TRUE(sameBytes(copy, original));
    EXPECT_NE(copy.bits().data(), original.bits().data());
    const std::vector<std::uint8_t> before(original.bits().begin(), original.bits().end());
    copy.bits()[0] ^= 0xFF;
    EXPECT_TRUE(std::equal(before.begin(), before.end(), original.bits().begin()));

    EXPECT_TRUE(DeviceBitmap().clone().isNull());
}

// A moved-from bitmap is an ordinary null bitmap: no geometry that would describe bytes it no longer has
// (bits() would otherwise be a span of a null pointer with a non-zero size).
TEST_P(DeviceBitmapTest, MovedFromBitmapIsNullAndEmpty) {
    DeviceBitmap a = test::randomImage(3, 3, bits(), 3);
    const DeviceBitmap reference = a.clone();
    DeviceBitmap b = std::move(a);
    EXPECT_TRUE(sameBytes(b, reference));
    EXPECT_TRUE(a.isNull());
    EXPECT_EQ(a.geometry(), BitmapGeometry{});
    EXPECT_EQ(a.sizeBytes(), 0u);

    DeviceBitmap c = test::randomImage(2, 2, bits(), 4);
    c = std::move(b);
    EXPECT_TRUE(sameBytes(c, reference));
    EXPECT_TRUE(b.isNull());
    EXPECT_EQ(b.geometry(), BitmapGeometry{});
}

TEST_P(DeviceBitmapTest, SetPixelAndPixel) {
    DeviceBitmap b = DeviceBitmap::create(3, 2, bits());
    ASSERT_FALSE(b.isNull());
    test::markPadding(b);
    if (bits() == 32) {
        for (int y = 0; y < 2; ++y) {
            for (int x = 0; x < 3; ++x) {
                setRawAt(b, x, y, 0x5A000000u);
            }
        }
    }
    const ColorRef colour = makeColor(5, 2, 131);
    b.setPixel(2, 1, colour);
    switch (bits()) {
    case 16:
        // Narrowed by the rule for constant colours (not by dropping low bits: that would give 0, 0, 16).
        EXPECT_EQ(rawAt(b, 2, 1), pack565(1, 1, 15));
        EXPECT_EQ(b.pixel(2, 1), makeColor(8, 4, 123));
        break;
    case 24:
        EXPECT_EQ(rawAt(b, 2, 1), 0x050283u);
        EXPECT_EQ(b.pixel(2, 1), colour);
        break;
    default:
        EXPECT_EQ(rawAt(b, 2, 1), 0x5A050283u) << "the fourth byte is kept";
        EXPECT_EQ(b.pixel(2, 1), colour);
        break;
    }
    // Nothing else moved, padding included.
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 3; ++x) {
            if (x != 2 || y != 1) {
                EXPECT_EQ(rawAt(b, x, y), bits() == 32 ? 0x5A000000u : 0u) << x << ", " << y;
            }
        }
        if (bits() == 24) {
            EXPECT_EQ(b.row(y)[9], 0xA5);
        }
    }
}

TEST_P(DeviceBitmapTest, PixelReadsTheFormat) {
    DeviceBitmap b = DeviceBitmap::create(2, 1, bits());
    ASSERT_FALSE(b.isNull());
    if (bits() == 16) {
        setRawAt(b, 0, 0, 0x07E0);
        setRawAt(b, 1, 0, pack565(15, 33, 1));
        EXPECT_EQ(b.pixel(0, 0), makeColor(0, 255, 0));
        EXPECT_EQ(b.pixel(1, 0), makeColor(Expand5(15), Expand6(33), Expand5(1)));
    } else {
        setRawAt(b, 0, 0, 0x11223344u); // B 0x44, G 0x33, R 0x22 (fourth byte 0x11 in 32 bits)
        EXPECT_EQ(b.pixel(0, 0), makeColor(0x22, 0x33, 0x44));
    }
}

std::uint32_t loadLe32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) |
           (std::uint32_t{p[3]} << 24);
}

void storeLe32(std::uint8_t* p, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        p[i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

// 0xAARRGGBB words of the given pixels, `stride` bytes apart per row.
std::vector<std::uint8_t> argbBuffer(const std::vector<std::uint32_t>& pixels, int width, int stride) {
    const int height = static_cast<int>(pixels.size()) / width;
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(stride * height), 0xCD);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            storeLe32(buffer.data() + y * stride + x * 4, pixels[static_cast<std::size_t>(y * width + x)]);
        }
    }
    return buffer;
}

TEST_P(DeviceBitmapTest, FromArgb32) {
    // Channel values chosen where dropping the low bits and the narrowing rule disagree (1, 2, 5, 131).
    const std::vector<std::uint32_t> pixels = {0x80010205u, 0xFF838383u, 0x00FFFFFFu,
                                               0x7F000000u, 0x12F80400u, 0xFE070307u};
    const int width = 3;
    const std::vector<std::uint8_t> buffer = argbBuffer(pixels, width, 16); // 4 spare bytes per row
    const DeviceBitmap b = DeviceBitmap::fromArgb32(buffer.data(), width, 2, 16, bits());
    ASSERT_FALSE(b.isNull());
    ASSERT_EQ(b.geometry(), (BitmapGeometry{3, 2, deviceRowStride(3, bits()), bits()}));
    for (int i = 0; i < 6; ++i) {
        const std::uint32_t p = pixels[static_cast<std::size_t>(i)];
        const unsigned r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, bl = p & 0xFF;
        std::uint32_t expected = 0;
        switch (bits()) {
        case 16:
            expected = pack565(r >> 3, g >> 2, bl >> 3); // the top 5, 6 and 5 bits
            break;
        case 24:
            expected = p & 0xFFFFFF;
            break;
        default:
            expected = p; // alpha becomes the fourth byte
            break;
        }
        EXPECT_EQ(rawAt(b, i % width, i / width), expected) << "pixel " << i;
    }
    if (bits() == 24) {
        EXPECT_EQ(b.row(0)[9], 0);
        EXPECT_EQ(b.row(1)[9], 0);
    }
}

TEST_P(DeviceBitmapTest, FromArgb32RefusesBadInput) {
    const std::vector<std::uint8_t> buffer(64, 0);
    EXPECT_TRUE(DeviceBitmap::fromArgb32(nullptr, 2, 2, 8, bits()).isNull());
    EXPECT_TRUE(DeviceBitmap::fromArgb32(buffer.data(), 0, 2, 8, bits()).isNull());
    EXPECT_TRUE(DeviceBitmap::fromArgb32(buffer.data(), 2, -1, 8, bits()).isNull());
    EXPECT_TRUE(DeviceBitmap::fromArgb32(buffer.data(), 2, 2, 8, 8).isNull());
}

TEST_P(DeviceBitmapTest, ToArgb32) {
    DeviceBitmap b = DeviceBitmap::create(2, 2, bits());
    ASSERT_FALSE(b.isNull());
    std::uint32_t raw[4] = {};
    if (bits() == 16) {
        raw[0] = 0xFFFF;
        raw[1] = 0xF800;
        raw[2] = 0x07E0;
        raw[3] = pack565(1, 2, 30);
    } else {
        raw[0] = 0x11223344u;
        raw[1] = 0xFF000000u;
        raw[2] = 0x00FFFFFFu;
        raw[3] = 0x80808080u;
        if (bits() == 24) {
            for (std::uint32_t& r : raw) {
                r &= 0xFFFFFF;
            }
        }
    }
    for (int i = 0; i < 4; ++i) {
        setRawAt(b, i % 2, i / 2, raw[i]);
    }
    const int stride = 12; // one spare word per row, which must stay untouched
    std::vector<std::uint8_t> out(static_cast<std::size_t>(stride * 2), 0xCD);
    b.toArgb32(out.data(), stride);
    for (int i = 0; i < 4; ++i) {
        const std::uint32_t argb = loadLe32(out.data() + (i / 2) * stride + (i % 2) * 4);
        std::uint32_t expected = 0;
        switch (bits()) {
        case 16: {
            const auto word = static_cast<std::uint16_t>(raw[i]);
            expected = 0xFF000000u | (std::uint32_t{Expand5(red5Of(word))} << 16) |
                       (std::uint32_t{Expand6(green6Of(word))} << 8) | Expand5(blue5Of(word));
            break;
        }
        case 24:
            expected = 0xFF000000u | raw[i];
            break;
        default:
            expected = raw[i];
            break;
        }
        EXPECT_EQ(argb, expected) << "pixel " << i;
    }
    EXPECT_EQ(out[8], 0xCD);
    EXPECT_EQ(out[23], 0xCD);
    if (bits() == 16) {
        EXPECT_EQ(loadLe32(out.data()), 0xFFFFFFFFu);
    }
}

TEST(DeviceBitmap16, EveryWordSurvivesTheRoundTripThrough8Bits) {
    DeviceBitmap words = DeviceBitmap::create(256, 256, 16);
    ASSERT_FALSE(words.isNull());
    for (int y = 0; y < 256; ++y) {
        for (int x = 0; x < 256; ++x) {
            setRawAt(words, x, y, static_cast<std::uint32_t>(y * 256 + x));
        }
    }
    std::vector<std::uint8_t> argb(256u * 256u * 4u);
    words.toArgb32(argb.data(), 256 * 4);
    const DeviceBitmap back = DeviceBitmap::fromArgb32(argb.data(), 256, 256, 256 * 4, 16);
    EXPECT_TRUE(sameBytes(back, words));
}

TEST_P(DeviceBitmapTest, RoundTripThroughArgb32IsStable) {
    const DeviceBitmap original = test::randomBitmap(7, 5, bits(), 99);
    std::vector<std::uint8_t> argb(7u * 5u * 4u);
    original.toArgb32(argb.data(), 7 * 4);
    const DeviceBitmap back = DeviceBitmap::fromArgb32(argb.data(), 7, 5, 7 * 4, bits());
    EXPECT_TRUE(sameBytes(back, original));
}

} // namespace
} // namespace corvane
