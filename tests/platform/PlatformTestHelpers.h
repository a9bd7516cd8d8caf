#pragma once

#include "platform/DeviceBitmap.h"
#include "platform/Pixel565.h"
#include "tests/support/TestImages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

// Small tools shared by the platform tests: raw pixel access that does not go through the code under
// test, byte-exact comparison that also covers the padding of 24-bit rows, and format-parameterised
// suites.
namespace corvane::test {

inline constexpr int kAllDepths[] = {16, 24, 32};

// Names parameterised tests "Bits16", "Bits24", "Bits32".
struct DepthName {
    std::string operator()(const ::testing::TestParamInfo<int>& info) const {
        return "Bits" + std::to_string(info.param);
    }
};

// The bytes of one pixel as a little-endian number (a 16-bit word, B | G << 8 | R << 16, and the fourth
// byte in bits 24..31 for 32-bit pixels).
inline std::uint32_t rawAt(const DeviceBitmap& b, int x, int y) {
    const std::uint8_t* p = b.row(y) + static_cast<std::ptrdiff_t>(x) * b.bytesPerPixel();
    std::uint32_t value = 0;
    for (int i = b.bytesPerPixel() - 1; i >= 0; --i) {
        value = (value << 8) | p[i];
    }
    return value;
}

inline void setRawAt(DeviceBitmap& b, int x, int y, std::uint32_t value) {
    std::uint8_t* p = b.row(y) + static_cast<std::ptrdiff_t>(x) * b.bytesPerPixel();
    for (int i = 0; i < b.bytesPerPixel(); ++i) {
        p[i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

// The raw pixel value (without a fourth byte) that a constant colour must become in a format.
inline std::uint32_t expectedRaw(ColorRef color, int bitsPerPixel) {
    if (bitsPerPixel == 16) {
        return pack565(Quantize5(redOf(color)), Quantize6(greenOf(color)), Quantize5(blueOf(color)));
    }
    return std::uint32_t{blueOf(color)} | (std::uint32_t{greenOf(color)} << 8) |
           (std::uint32_t{redOf(color)} << 16);
}

// The colour bits of a raw pixel value: everything but the fourth byte of a 32-bit pixel.
inline std::uint32_t colorBits(std::uint32_t raw, int bitsPerPixel) {
    return bitsPerPixel == 32 ? raw & 0xFFFFFFu : raw;
}

// Sets the padding bytes at the end of 24-bit rows to a marker, so that a comparison of whole buffers
// notices an operation that writes them.
inline void markPadding(DeviceBitmap& b, std::uint8_t marker = 0xA5) {
    const int used = b.width() * b.bytesPerPixel();
    for (int y = 0; y < b.height(); ++y) {
        std::fill(b.row(y) + used, b.row(y) + b.widthBytes(), marker);
    }
}

// A random bitmap with marked padding.
inline DeviceBitmap randomImage(int width, int height, int bitsPerPixel, std::uint32_t seed) {
    DeviceBitmap b = randomBitmap(width, height, bitsPerPixel, seed);
    markPadding(b);
    return b;
}

// Same geometry and the same bytes, padding included; names the first differing pixel otherwise.
inline ::testing::AssertionResult sameBytes(const DeviceBitmap& actual, const DeviceBitmap& expected) {
    if (actual.isNull() || expected.isNull()) {
        return ::testing::AssertionFailure() << "null bitmap";
    }
    const std::string difference = firstDifference(actual, expected);
    if (!difference.empty()) {
        return ::testing::AssertionFailure() << difference << " (actual vs expected)";
    }
    if (!std::equal(actual.bits().begin(), actual.bits().end(), expected.bits().begin())) {
        return ::testing::AssertionFailure() << "padding bytes differ";
    }
    return ::testing::AssertionSuccess();
}

// True when the padding bytes at the end of the rows of two bitmaps of one geometry are equal.
inline bool samePadding(const DeviceBitmap& a, const DeviceBitmap& b) {
    const int used = a.width() * a.bytesPerPixel();
    for (int y = 0; y < a.height(); ++y) {
        if (!std::equal(a.row(y) + used, a.row(y) + a.widthBytes(), b.row(y) + used)) {
            return false;
        }
    }
    return true;
}

// Reference copy, pixel by pixel over the target: a target pixel inside the requested rectangle whose
// source pixel lies inside the source takes that pixel whole; every other pixel keeps its content.
inline DeviceBitmap referenceBitBlt(const DeviceBitmap& dst, int x, int y, int width, int height,
                                    const DeviceBitmap& src, int srcX, int srcY) {
    DeviceBitmap out = dst.clone();
    for (int dy = 0; dy < dst.height(); ++dy) {
        for (int dx = 0; dx < dst.width(); ++dx) {
            const long long i = static_cast<long long>(dx) - x;
            const long long j = static_cast<long long>(dy) - y;
            const long long sx = srcX + i;
            const long long sy = srcY + j;
            if (i >= 0 && j >= 0 && i < width && j < height && sx >= 0 && sy >= 0 && sx < src.width() &&
                sy < src.height()) {
                setRawAt(out, dx, dy, rawAt(src, static_cast<int>(sx), static_cast<int>(sy)));
            }
        }
    }
    return out;
}

} // namespace corvane::test
