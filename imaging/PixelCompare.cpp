// Two-image comparisons: the pixel match map, the fifteen blend modes and binarisation.

#include "imaging/Filter.h"
#include "imaging/KernelSupport.h"

#include <array>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <utility>

namespace corvane {

using namespace kernel;

namespace {

// One row of the match map: pixels x0 … x1 − 1 compared, `mismatch` everywhere else. In 32 bits the
// pixels are written as whole words with a fourth byte of 0.
template <int Bits>
CORVANE_VECTOR_CLONES void compareRow(const std::uint8_t* a, const std::uint8_t* b, std::uint8_t* out,
                                      int width, int x0, int x1, std::uint32_t match,
                                      std::uint32_t mismatch) {
    constexpr int bpp = Bits / 8;
    for (int x = 0; x < width; ++x) {
        const std::size_t i = pixelOffset(x, bpp);
        const bool inside = x >= x0 && x < x1;
        const bool equal = loadColor<Bits>(a + i) == loadColor<Bits>(b + i);
        const std::uint32_t value = inside && equal ? match : mismatch;
        if constexpr (Bits == 32) {
            storePixel32(out + i, value);
        } else {
            storeRawColor<Bits>(out + i, value);
        }
    }
}

template <int Bits>
void comparePixels(const DeviceBitmap& first, const DeviceBitmap& second, DeviceBitmap& target,
                   const Overlap& region, ColorRef mismatchColor) {
    const std::uint32_t match = rawFromColor<Bits>(kRed);
    const std::uint32_t mismatch = rawFromColor<Bits>(mismatchColor);
    forEachBand(first.height(), static_cast<std::size_t>(first.widthBytes()), [&](int, int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const bool rowInside = y >= region.y0 && y < region.y1;
            compareRow<Bits>(first.row(y), second.row(y), target.row(y), first.width(),
                             rowInside ? region.x0 : 0, rowInside ? region.x1 : 0, match, mismatch);
        }
    });
}

} // namespace

bool CFilter::ComparePixels(const DeviceBitmap& first, const DeviceBitmap& second, DeviceBitmap& target,
                            int shiftH, int shiftV, ColorRef mismatchColor) const {
    if (!sameGeometry({&first, &second, &target})) {
        return false;
    }
    const Overlap region = shiftOverlap(first.width(), first.height(), shiftH, shiftV);
    return dispatchDepth(first.bitsPixel(), [&](auto depth) {
        comparePixels<decltype(depth)::value>(first, second, target, region, mismatchColor);
    });
}

namespace {

// "÷" of the blend modes: a single-precision division truncated toward zero.
inline int floatDivide(int numerator, int denominator) {
    return static_cast<int>(static_cast<float>(numerator) / static_cast<float>(denominator));
}

// One channel of an integer blend mode, bottom value b and top value t, for channels of maximum M with
// the middle value H (128 for bytes, 15 or 31 for 5- and 6-bit channels). Branch-free where it matters,
// so that row loops vectorise.
template <int Mode, int M, int H>
inline int blendValue(int b, int t) {
    constexpr int n = M + 1;
    int v = 0;
    if constexpr (Mode == 1) { // hard light
        // n is a power of two and both numerators are non-negative and below 2^24 (the dark one is only
        // used where t ≤ H), so "÷ n" is exactly a shift.
        static_assert((n & (n - 1)) == 0);
        constexpr int shift = std::countr_zero(static_cast<unsigned>(n));
        const int light = (2 * b * t) >> shift;
        const int dark = M - ((M + 2 * (M - b) * std::max(H - t, 0)) >> shift);
        v = t > H ? light : dark;
    } else if constexpr (Mode == 3) { // addition
        v = b + t;
    } else if constexpr (Mode == 4) { // subtraction
        v = b - t;
    } else if constexpr (Mode == 5) { // multiply
        // The same as floatDivide(b * t, M): b * t ≤ M² is exact in a float, and a quotient that is not
        // whole lies at least 1/M from the next integer, far beyond the float's rounding, so the
        // truncated float quotient is the integer one, which vectorises without a division.
        v = static_cast<int>(static_cast<unsigned>(b * t) / static_cast<unsigned>(M));
    } else if constexpr (Mode == 6) { // divide
        v = floatDivide(b * n, t + 1);
    } else if constexpr (Mode == 7) { // screen
        v = M - floatDivide((M - t) * (M - b), M);
    } else if constexpr (Mode == 8) { // dodge
        v = floatDivide(b * n, M - t + 1);
    } else if constexpr (Mode == 9) { // burn
        v = M - floatDivide((M - b) * n, t + 1);
    } else if constexpr (Mode == 10) { // grain extract
        v = b - t + H;
    } else if constexpr (Mode == 11) { // grain merge
        v = b + t - H;
    } else if constexpr (Mode == 12) { // difference
        v = std::abs(b - t);
    } else if constexpr (Mode == 13) { // darken
        v = std::min(b, t);
    } else if constexpr (Mode == 14) { // lighten
        v = std::max(b, t);
    }
    return std::clamp(v, 0, M);
}

// Overlay (mode 0) and soft light (mode 2), computed in floating point and truncated once, so that the
// curves are smooth instead of collapsing to 0 and M.
int blendValueFloat(int mode, int b, int t, int m) {
    const double bf = b;
    const double tf = t;
    const double mf = m;
    double v = 0;
    if (mode == 0) {
        v = bf / mf * (bf + 2.0 * tf / mf * (mf - bf));
    } else {
        const double screen = mf - (mf - tf) * (mf - bf) / mf;
        v = bf / mf * ((mf - bf) * tf / mf + screen);
    }
    return std::clamp(static_cast<int>(v), 0, m);
}

// Overlay or soft light as a table indexed by (bottom << ChannelBits) | top.
template <int ChannelBits>
void fillBlendTable(int mode, std::uint8_t* table) {
    constexpr int m = (1 << ChannelBits) - 1;
    for (int b = 0; b <= m; ++b) {
        for (int t = 0; t <= m; ++t) {
            table[(b << ChannelBits) | t] = static_cast<std::uint8_t>(blendValueFloat(mode, b, t, m));
        }
    }
}

// One row of 24- or 32-bit blending in an integer mode, byte by byte; in 32 bits the fourth byte of each
// pixel is the top's.
template <int Bits, int Mode>
CORVANE_VECTOR_CLONES void blendRow(const std::uint8_t* t, const std::uint8_t* b, std::uint8_t* out,
                                    std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
        const auto v = static_cast<std::uint8_t>(blendValue<Mode, 255, 128>(b[i], t[i]));
        out[i] = Bits == 32 && (i & 3) == 3 ? t[i] : v;
    }
}

// One row of 16-bit blending in an integer mode, on the raw 5- and 6-bit channels.
template <int Mode>
CORVANE_VECTOR_CLONES void blendRow16(const std::uint8_t* t, const std::uint8_t* b, std::uint8_t* out,
                                      int width) {
    for (int x = 0; x < width; ++x) {
        const std::uint16_t tw = loadWord(t + 2 * x);
        const std::uint16_t bw = loadWord(b + 2 * x);
        const auto red = static_cast<unsigned>(
            blendValue<Mode, 31, 15>(static_cast<int>(red5Of(bw)), static_cast<int>(red5Of(tw))));
        const auto green = static_cast<unsigned>(
            blendValue<Mode, 63, 31>(static_cast<int>(green6Of(bw)), static_cast<int>(green6Of(tw))));
        const auto blue = static_cast<unsigned>(
            blendValue<Mode, 31, 15>(static_cast<int>(blue5Of(bw)), static_cast<int>(blue5Of(tw))));
        storeWord(out + 2 * x, pack565(red, green, blue));
    }
}

// Calls row(top, bottom, target, width) for the rows of `region`, in bands, with the pointers at the
// region's left edge.
template <int Bits, class Row>
void forEachRegionRow(const DeviceBitmap& top, const DeviceBitmap& bottom, DeviceBitmap& target,
                      const IntRect& region, const Row& row) {
    const std::size_t offset = pixelOffset(region.x, Bits / 8);
    forEachBand(region.height, pixelOffset(region.width, Bits / 8), [&](int, int y0, int y1) {
        for (int y = region.y + y0; y < region.y + y1; ++y) {
            row(top.row(y) + offset, bottom.row(y) + offset, target.row(y) + offset, region.width);
        }
    });
}

template <int Bits, int Mode>
void blendIntegerMode(const DeviceBitmap& top, const DeviceBitmap& bottom, DeviceBitmap& target,
                      const IntRect& region) {
    forEachRegionRow<Bits>(top, bottom, target, region,
                           [](const std::uint8_t* t, const std::uint8_t* b, std::uint8_t* out, int width) {
                               if constexpr (Bits == 16) {
                                   blendRow16<Mode>(t, b, out, width);
                               } else {
                                   blendRow<Bits, Mode>(t, b, out, pixelOffset(width, Bits / 8));
                               }
                           });
}

// Overlay and soft light through tables of every bottom and top value.
template <int Bits>
bool blendByTable(const DeviceBitmap& top, const DeviceBitmap& bottom, DeviceBitmap& target, int mode,
                  const IntRect& region) {
    const auto blend = [&](const auto& f) {
        forEachRegionRow<Bits>(top, bottom, target, region,
                               [&](const std::uint8_t* t, const std::uint8_t* b, std::uint8_t* out,
                                   int width) { mapColors2Row<Bits>(t, b, out, width, f); });
    };
    if constexpr (Bits == 16) {
        std::array<std::uint8_t, 32 * 32> table5{};
        std::array<std::uint8_t, 64 * 64> table6{};
        fillBlendTable<5>(mode, table5.data());
        fillBlendTable<6>(mode, table6.data());
        blend([&](std::uint32_t t, std::uint32_t b) -> std::uint32_t {
            const auto tw = static_cast<std::uint16_t>(t);
            const auto bw = static_cast<std::uint16_t>(b);
            return pack565(table5[(red5Of(bw) << 5) | red5Of(tw)], table6[(green6Of(bw) << 6) | green6Of(tw)],
                           table5[(blue5Of(bw) << 5) | blue5Of(tw)]);
        });
    } else {
        Buffer<std::uint8_t> table = allocateBuffer<std::uint8_t>(256 * 256);
        if (!table) {
            return false;
        }
        fillBlendTable<8>(mode, table.get());
        blend([&](std::uint32_t t, std::uint32_t b) -> std::uint32_t {
            std::uint32_t out = 0;
            for (unsigned shift = 0; shift < 24; shift += 8) {
                out |= std::uint32_t{table[(((b >> shift) & 0xFF) << 8) | ((t >> shift) & 0xFF)]} << shift;
            }
            return out;
        });
    }
    return true;
}

} // namespace

bool CFilter::BlendImages(const DeviceBitmap& top, const DeviceBitmap& bottom, DeviceBitmap& target,
                          int mode) const {
    return BlendImages(top, bottom, target, mode, {0, 0, top.width(), top.height()});
}

bool CFilter::BlendImages(const DeviceBitmap& top, const DeviceBitmap& bottom, DeviceBitmap& target, int mode,
                          const IntRect& region) const {
    if (!sameGeometry({&top, &bottom, &target}) || mode < 0 || mode > 14 || region.x < 0 || region.y < 0 ||
        region.width < 0 || region.height < 0 || region.width > top.width() - region.x ||
        region.height > top.height() - region.y) {
        return false;
    }
    bool ok = false;
    dispatchDepth(top.bitsPixel(), [&](auto depth) {
        constexpr int bits = decltype(depth)::value;
        if (mode == 0 || mode == 2) {
            ok = blendByTable<bits>(top, bottom, target, mode, region);
            return;
        }
        [&]<int... Modes>(std::integer_sequence<int, Modes...>) {
            ((mode == Modes ? (blendIntegerMode<bits, Modes>(top, bottom, target, region), 0) : 0), ...);
        }
        (std::integer_sequence<int, 1, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14>{});
        ok = true;
    });
    return ok;
}

bool CFilter::Binarize(const DeviceBitmap& source, DeviceBitmap& target, int threshold,
                       ColorSpace space) const {
    if (!sameGeometry({&source, &target})) {
        return false;
    }
    // White where the squared norm reaches 3 × threshold² (so threshold 0 makes everything white).
    const double limit = 3.0 * static_cast<double>(threshold) * static_cast<double>(threshold);
    const auto isWhite = [&](Rgb8 c) {
        return !(limit > ColorNormSquared(c.r, c.g, c.b, space));
    };
    bool ok = true;
    dispatchDepth(source.bitsPixel(), [&](auto depth) {
        constexpr int bits = decltype(depth)::value;
        constexpr std::uint32_t white = bits == 16 ? 0xFFFFu : 0xFFFFFFu;
        if constexpr (bits == 16) {
            Buffer<std::uint16_t> words = allocateBuffer<std::uint16_t>(65536);
            if (!words) {
                ok = false;
                return;
            }
            for (std::uint32_t w = 0; w < 65536; ++w) {
                words[w] = isWhite(channelsOf<16>(w)) ? 0xFFFF : 0;
            }
            mapColors<16>(source, target, [&](std::uint32_t w) -> std::uint32_t { return words[w]; });
        } else if (space == ColorSpace::Rgb) {
            // The RGB norm is an integer of at most 195075; compare it with the limit as an integer.
            const int intLimit = static_cast<int>(std::min(limit, 195076.0));
            mapColors<bits>(source, target, [&](std::uint32_t c) -> std::uint32_t {
                const int r = static_cast<int>((c >> 16) & 0xFF);
                const int g = static_cast<int>((c >> 8) & 0xFF);
                const int b = static_cast<int>(c & 0xFF);
                return r * r + g * g + b * b >= intLimit ? white : 0u;
            });
        } else {
            mapColors<bits>(source, target, [&](std::uint32_t c) -> std::uint32_t {
                return isWhite(channelsOf<bits>(c)) ? white : 0u;
            });
        }
    });
    return ok;
}

} // namespace corvane
