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
#include <system_error>
#include <thread>

// Hot row loops are compiled for the baseline x86-64 and again for the AVX2 and AVX-512 levels; the
// loader picks the best one the processor supports. Results are the same in every version: the loops
// use no instruction whose result depends on the level (and floating-point contraction is off).
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(__SANITIZE_ADDRESS__)
#define CORVANE_VECTOR_CLONES __attribute__((target_clones("default", "arch=x86-64-v3", "arch=x86-64-v4")))
#else
#define CORVANE_VECTOR_CLONES
#endif

namespace corvane::kernel {

// All bitmaps are non-null, in a supported depth and of one geometry.
inline bool sameGeometry(std::initializer_list<const DeviceBitmap*> bitmaps) {
    const DeviceBitmap* first = *bitmaps.begin();
    if (first->isNull() || !isSupportedDepth(first->bitsPixel())) {
        return false;
    }
    return std::all_of(bitmaps.begin(), bitmaps.end(), [first](const DeviceBitmap* b) {
        return !b->isNull() && b->geometry() == first->geometry();
    });
}

// The part of the image where original 2, drawn at (shiftH, shiftV), overlaps original 1:
// x in [x0, x1), y in [y0, y1). Empty when the shift leaves no overlap.
struct Overlap {
    int x0 = 0, x1 = 0, y0 = 0, y1 = 0;
    bool empty() const { return x0 >= x1 || y0 >= y1; }
};

inline Overlap shiftOverlap(int width, int height, int shiftH, int shiftV) {
    const auto clampTo = [](long long v, int size) {
        return static_cast<int>(std::clamp<long long>(v, 0, size));
    };
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
inline void storePixel32(std::uint8_t* p, std::uint32_t v) {
    std::memcpy(p, &v, 4);
}
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

// One row of mapColors(): out = f(colour of in) pixel by pixel.
template <int Bits, class F>
CORVANE_VECTOR_CLONES void mapColorsRow(const std::uint8_t* in, std::uint8_t* out, int width,
                                        const F& function) {
    constexpr int bpp = Bits / 8;
    // A local copy: the byte stores below could otherwise alias the function's captured values.
    const F f = function;
    for (int x = 0; x < width; ++x) {
        const std::size_t i = pixelOffset(x, bpp);
        if constexpr (Bits == 32) {
            const std::uint32_t w = loadPixel32(in + i);
            storePixel32(out + i, (f(w & kColorBits32) & kColorBits32) | (w & ~kColorBits32));
        } else {
            storeRawColor<Bits>(out + i, f(loadRawColor<Bits>(in + i)));
        }
    }
}

// target = f(source colour) for every pixel; the fourth byte of 32-bit pixels is copied from the
// source. Each pixel is read before it is written, so target may be the source.
template <int Bits, class F>
void mapColors(const DeviceBitmap& source, DeviceBitmap& target, F f) {
    forEachBand(source.height(), static_cast<std::size_t>(source.widthBytes()), [&](int, int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            mapColorsRow<Bits>(source.row(y), target.row(y), source.width(), f);
        }
    });
}

// One row of mapColors2(): out = f(colour of a, colour of b) pixel by pixel.
template <int Bits, class F>
CORVANE_VECTOR_CLONES void mapColors2Row(const std::uint8_t* a, const std::uint8_t* b, std::uint8_t* out,
                                         int width, const F& function) {
    constexpr int bpp = Bits / 8;
    const F f = function;
    for (int x = 0; x < width; ++x) {
        const std::size_t i = pixelOffset(x, bpp);
        if constexpr (Bits == 32) {
            const std::uint32_t wa = loadPixel32(a + i);
            const std::uint32_t wb = loadPixel32(b + i);
            storePixel32(out + i,
                         (f(wa & kColorBits32, wb & kColorBits32) & kColorBits32) | (wa & ~kColorBits32));
        } else {
            storeRawColor<Bits>(out + i, f(loadRawColor<Bits>(a + i), loadRawColor<Bits>(b + i)));
        }
    }
}

// target = f(colour of a, colour of b) for every pixel; the fourth byte of 32-bit pixels is copied
// from `a`. Any of the three bitmaps may be the same.
template <int Bits, class F>
void mapColors2(const DeviceBitmap& a, const DeviceBitmap& b, DeviceBitmap& target, F f) {
    forEachBand(a.height(), static_cast<std::size_t>(a.widthBytes()), [&](int, int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            mapColors2Row<Bits>(a.row(y), b.row(y), target.row(y), a.width(), f);
        }
    });
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

// Exact floor(sum / divisor) of a window sum through the divisor's single-precision reciprocal, for
// sums of at most 255 × divisor and divisors up to kMaxReciprocalDivisor: the product's error stays below
// the 0.0005 added, and 0.0005 + error stays below the 1 / divisor that separates a quotient from the
// next integer. (A test checks every divisor at every multiple.)
inline constexpr std::uint32_t kMaxReciprocalDivisor = 1681;
inline std::uint32_t windowQuotient(std::uint32_t sum, float inverse) {
    return static_cast<std::uint32_t>(static_cast<float>(sum) * inverse + 0.0005f);
}

// Images are split into at most this many bands of rows, one per thread.
inline constexpr int kMaxBands = 2;

// The number of bands forEachBand() splits `rows` into: one for small images, else one per core.
inline int bandCount(int rows, std::size_t bytesPerRow) {
    constexpr std::size_t kMinBytesForThreads = std::size_t{1} << 20;
    const bool split = rows > 1 && static_cast<std::size_t>(rows) * bytesPerRow >= kMinBytesForThreads &&
                       std::thread::hardware_concurrency() > 1;
    return split ? kMaxBands : 1;
}

// Runs body(band, firstRow, endRow) over bandCount() disjoint bands of [0, rows) that together cover
// it: band 0 on the calling thread, band 1 on a helper thread. The body must write only the rows of its
// band; results never depend on the split. Without a helper thread the calling thread runs both bands.
template <class Body>
void forEachBand(int rows, std::size_t bytesPerRow, Body&& body) {
    if (bandCount(rows, bytesPerRow) == 1) {
        body(0, 0, rows);
        return;
    }
    const int middle = rows / 2;
    std::thread helper;
    try {
        helper = std::thread([&body, middle, rows] { body(1, middle, rows); });
    } catch (const std::system_error&) {
        body(0, 0, middle);
        body(1, middle, rows);
        return;
    }
    body(0, 0, middle);
    helper.join();
}

// The source of a neighbourhood operation: the source bitmap itself, or a private copy when the target is
// the same bitmap, so that no band reads a row another band has already written.
class UnaliasedSource {
public:
    UnaliasedSource(const DeviceBitmap& source, const DeviceBitmap& target) : m_source(&source) {
        if (&source == &target) {
            m_copy = source.clone();
            m_source = m_copy.isNull() ? nullptr : &m_copy;
        }
    }
    bool ok() const { return m_source != nullptr; }
    const DeviceBitmap& get() const { return *m_source; }

private:
    const DeviceBitmap* m_source;
    DeviceBitmap m_copy;
};

} // namespace corvane::kernel
