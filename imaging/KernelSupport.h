#pragma once

// Internal to the pixel engine: the shared checks every operation runs before it touches a pixel, and
// small helpers of the per-format kernels.

#include "platform/Allocation.h"
#include "platform/DeviceBitmap.h"
#include "platform/PixelAccess.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>

namespace corvane::kernel {

// All bitmaps are non-null, in a supported depth and of one geometry.
inline bool sameGeometry(std::initializer_list<const DeviceBitmap*> bitmaps) {
    const DeviceBitmap* first = *bitmaps.begin();
    if (first->isNull() || !isSupportedDepth(first->bitsPixel())) {
        return false;
    }
    return std::all_of(bitmaps.begin(), bitmaps.end(),
                       [first](const DeviceBitmap* b) { return !b->isNull() && b->geometry() == first->geometry(); });
}

// The part of the image where original 2, drawn at (shiftH, shiftV), overlaps original 1:
// x in [x0, x1), y in [y0, y1). Empty when the shift leaves no overlap.
struct Overlap {
    int x0 = 0, x1 = 0, y0 = 0, y1 = 0;
    bool empty() const { return x0 >= x1 || y0 >= y1; }
};

inline Overlap shiftOverlap(int width, int height, int shiftH, int shiftV) {
    const auto clampTo = [](long long v, int size) { return static_cast<int>(std::clamp<long long>(v, 0, size)); };
    const long long h = shiftH;
    const long long v = shiftV;
    Overlap o{clampTo(std::max(h, 0LL), width), clampTo(width + std::min(h, 0LL), width),
              clampTo(std::max(v, 0LL), height), clampTo(height + std::min(v, 0LL), height)};
    return o;
}

inline std::size_t pixelOffset(int x, int bytesPerPixel) {
    return static_cast<std::size_t>(x) * static_cast<std::size_t>(bytesPerPixel);
}

// 32-bit pixel as a word (B, G, R, fourth byte from the low end); colour bits are 0x00FFFFFF.
inline std::uint32_t loadPixel32(const std::uint8_t* p) {
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}
inline void storePixel32(std::uint8_t* p, std::uint32_t v) { std::memcpy(p, &v, 4); }
inline constexpr std::uint32_t kColorBits32 = 0x00FFFFFFu;

// Raw colour of a pixel: the 16-bit word, or 0x00RRGGBB for 24/32 bits (the fourth byte left out).
template <int Bits>
inline std::uint32_t loadColor(const std::uint8_t* p) {
    if constexpr (Bits == 32) {
        return loadPixel32(p) & kColorBits32;
    } else {
        return loadRawColor<Bits>(p);
    }
}

// Writes a raw colour; a 32-bit pixel takes `fourth` as its fourth byte.
template <int Bits>
inline void storeColor(std::uint8_t* p, std::uint32_t color, std::uint32_t fourth) {
    if constexpr (Bits == 32) {
        storePixel32(p, color | (fourth & ~kColorBits32));
    } else {
        storeRawColor<Bits>(p, color);
    }
}

// target = f(source colour) for every pixel; the fourth byte of 32-bit pixels is copied from the
// source. Rows are read and written pixel by pixel, so target may be the source.
template <int Bits, class F>
void mapColors(const DeviceBitmap& source, DeviceBitmap& target, F f) {
    constexpr int bpp = Bits / 8;
    for (int y = 0; y < source.height(); ++y) {
        const std::uint8_t* in = source.row(y);
        std::uint8_t* out = target.row(y);
        for (int x = 0; x < source.width(); ++x, in += bpp, out += bpp) {
            if constexpr (Bits == 32) {
                const std::uint32_t w = loadPixel32(in);
                storePixel32(out, (f(w & kColorBits32) & kColorBits32) | (w & ~kColorBits32));
            } else {
                storeRawColor<Bits>(out, f(loadRawColor<Bits>(in)));
            }
        }
    }
}

// target = f(colour of a, colour of b) for every pixel; the fourth byte of 32-bit pixels is copied
// from `a`. Any of the three bitmaps may be the same.
template <int Bits, class F>
void mapColors2(const DeviceBitmap& a, const DeviceBitmap& b, DeviceBitmap& target, F f) {
    constexpr int bpp = Bits / 8;
    for (int y = 0; y < a.height(); ++y) {
        const std::uint8_t* inA = a.row(y);
        const std::uint8_t* inB = b.row(y);
        std::uint8_t* out = target.row(y);
        for (int x = 0; x < a.width(); ++x, inA += bpp, inB += bpp, out += bpp) {
            if constexpr (Bits == 32) {
                const std::uint32_t wa = loadPixel32(inA);
                const std::uint32_t wb = loadPixel32(inB);
                storePixel32(out, (f(wa & kColorBits32, wb & kColorBits32) & kColorBits32) | (wa & ~kColorBits32));
            } else {
                storeRawColor<Bits>(out, f(loadRawColor<Bits>(inA), loadRawColor<Bits>(inB)));
            }
        }
    }
}

// The 8-bit channels of a raw colour (16-bit words widened).
template <int Bits>
inline Rgb8 channelsOf(std::uint32_t color) {
    if constexpr (Bits == 16) {
        const auto w = static_cast<std::uint16_t>(color);
        return {Expand5(red5Of(w)), Expand6(green6Of(w)), Expand5(blue5Of(w))};
    } else {
        return {static_cast<std::uint8_t>(color >> 16), static_cast<std::uint8_t>(color >> 8),
                static_cast<std::uint8_t>(color)};
    }
}

// The raw colour of 8-bit channels (narrowed through Quantize5/Quantize6 in 16 bits).
template <int Bits>
inline std::uint32_t colorOf(Rgb8 c) {
    if constexpr (Bits == 16) {
        return pack565(Quantize5(c.r), Quantize6(c.g), Quantize5(c.b));
    } else {
        return (std::uint32_t{c.r} << 16) | (std::uint32_t{c.g} << 8) | c.b;
    }
}

// Copies of the source rows that a neighbourhood kernel still needs after the target (which may be the
// source itself) has overwritten them. Holds the `depth` most recent rows; `save(y)` copies row y of the
// source before the kernel writes target row y, and `row(y)` returns the saved copy.
class RowHistory {
public:
    RowHistory(const DeviceBitmap& source, int depth)
        : m_source(source), m_depth(std::max(1, std::min(depth, source.height()))),
          m_stride(static_cast<std::size_t>(source.widthBytes())),
          m_rows(allocateBuffer<std::uint8_t>(m_stride * static_cast<std::size_t>(m_depth))) {}

    bool ok() const { return m_rows != nullptr; }
    void save(int y) { std::memcpy(slot(y), m_source.row(y), m_stride); }
    const std::uint8_t* row(int y) const { return slot(y); }

private:
    std::uint8_t* slot(int y) const { return m_rows.get() + static_cast<std::size_t>(y % m_depth) * m_stride; }

    const DeviceBitmap& m_source;
    int m_depth;
    std::size_t m_stride;
    Buffer<std::uint8_t> m_rows;
};

} // namespace corvane::kernel
