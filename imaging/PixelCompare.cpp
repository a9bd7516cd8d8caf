// Two-image comparisons: the pixel match map, the fifteen blend modes and binarisation.

#include "imaging/Filter.h"
#include "imaging/KernelSupport.h"

#include <array>
#include <cmath>
#include <cstdlib>

namespace corvane {

using namespace kernel;

namespace {

template <int Bits>
void comparePixels(const DeviceBitmap& first, const DeviceBitmap& second, DeviceBitmap& target, const Overlap& region,
                   ColorRef mismatchColor) {
    constexpr int bpp = Bits / 8;
    const std::uint32_t match = rawFromColor<Bits>(kRed);
    const std::uint32_t mismatch = rawFromColor<Bits>(mismatchColor);
    const int width = first.width();
    for (int y = 0; y < first.height(); ++y) {
        const std::uint8_t* a = first.row(y);
        const std::uint8_t* b = second.row(y);
        std::uint8_t* out = target.row(y);
        const bool rowInside = y >= region.y0 && y < region.y1;
        const int x0 = rowInside ? region.x0 : width;
        const int x1 = rowInside ? region.x1 : width;
        for (int x = 0; x < x0; ++x) {
            storeRawColor<Bits>(out + pixelOffset(x, bpp), mismatch);
        }
        for (int x = x0; x < x1; ++x) {
            const std::size_t i = pixelOffset(x, bpp);
            const bool equal = loadColor<Bits>(a + i) == loadColor<Bits>(b + i);
            storeRawColor<Bits>(out + i, equal ? match : mismatch);
        }
        for (int x = x1; x < width; ++x) {
            storeRawColor<Bits>(out + pixelOffset(x, bpp), mismatch);
        }
    }
}

} // namespace

bool CFilter::ComparePixels(const DeviceBitmap& first, const DeviceBitmap& second, DeviceBitmap& target, int shiftH,
                            int shiftV, ColorRef mismatchColor) const {
    if (!sameGeometry({&first, &second, &target})) {
        return false;
    }
    const Overlap region = shiftOverlap(first.width(), first.height(), shiftH, shiftV);
    return dispatchDepth(first.bitsPixel(), [&](auto depth) {
        comparePixels<decltype(depth)::value>(first, second, target, region, mismatchColor);
    });
}

namespace {

// "÷" of the blend table: a single-precision division truncated toward zero.
int floatDivide(int numerator, int denominator) {
    return static_cast<int>(static_cast<float>(numerator) / static_cast<float>(denominator));
}

// One channel of blend mode `mode` with bottom value b and top value t, for channels of maximum m
// (n = m + 1, h = m / 2). Overlay and soft light are computed in floating point and truncated once.
int blendChannel(int mode, int b, int t, int m) {
    const int n = m + 1;
    const int h = m / 2;
    const double bf = b;
    const double tf = t;
    const double mf = m;
    int v = 0;
    switch (mode) {
    case 0: // overlay
        v = static_cast<int>(bf / mf * (bf + 2.0 * tf / mf * (mf - bf)));
        break;
    case 1: // hard light
        v = t > h ? floatDivide(2 * b * t, n) : m - floatDivide(m + 2 * (m - b) * (h - t), n);
        break;
    case 2: { // soft light, with the screen of t and b
        const double screen = mf - (mf - tf) * (mf - bf) / mf;
        v = static_cast<int>(bf / mf * ((mf - bf) * tf / mf + screen));
        break;
    }
    case 3: // addition
        v = std::min(b + t, m);
        break;
    case 4: // subtraction
        v = std::max(b - t, 0);
        break;
    case 5: // multiply
        v = floatDivide(b * t, m);
        break;
    case 6: // divide
        v = floatDivide(b * n, t + 1);
        break;
    case 7: // screen
        v = m - floatDivide((m - t) * (m - b), m);
        break;
    case 8: // dodge
        v = floatDivide(b * n, m - t + 1);
        break;
    case 9: // burn
        v = m - floatDivide((m - b) * n, t + 1);
        break;
    case 10: // grain extract
        v = b - t + h;
        break;
    case 11: // grain merge
        v = b + t - h;
        break;
    case 12: // difference
        v = std::abs(b - t);
        break;
    case 13: // darken
        v = std::min(b, t);
        break;
    default: // 14, lighten
        v = std::max(b, t);
        break;
    }
    return std::clamp(v, 0, m);
}

// Table of one blend mode for channels of `bits` bits, indexed by (bottom << bits) | top.
template <int ChannelBits>
void fillBlendTable(int mode, std::uint8_t* table) {
    constexpr int top = (1 << ChannelBits) - 1;
    for (int b = 0; b <= top; ++b) {
        for (int t = 0; t <= top; ++t) {
            table[(b << ChannelBits) | t] = static_cast<std::uint8_t>(blendChannel(mode, b, t, top));
        }
    }
}

} // namespace

bool CFilter::BlendImages(const DeviceBitmap& top, const DeviceBitmap& bottom, DeviceBitmap& target, int mode) const {
    if (!sameGeometry({&top, &bottom, &target}) || mode < 0 || mode > 14) {
        return false;
    }
    return dispatchDepth(top.bitsPixel(), [&](auto depth) {
        constexpr int bits = decltype(depth)::value;
        if constexpr (bits == 16) {
            // Raw 5- and 6-bit channels, without widening.
            std::array<std::uint8_t, 32 * 32> table5{};
            std::array<std::uint8_t, 64 * 64> table6{};
            fillBlendTable<5>(mode, table5.data());
            fillBlendTable<6>(mode, table6.data());
            mapColors2<16>(top, bottom, target, [&](std::uint32_t t, std::uint32_t b) -> std::uint32_t {
                const auto tw = static_cast<std::uint16_t>(t);
                const auto bw = static_cast<std::uint16_t>(b);
                return pack565(table5[(red5Of(bw) << 5) | red5Of(tw)], table6[(green6Of(bw) << 6) | green6Of(tw)],
                               table5[(blue5Of(bw) << 5) | blue5Of(tw)]);
            });
        } else {
            std::array<std::uint8_t, 256 * 256> table{};
            fillBlendTable<8>(mode, table.data());
            mapColors2<bits>(top, bottom, target, [&](std::uint32_t t, std::uint32_t b) -> std::uint32_t {
                std::uint32_t out = 0;
                for (unsigned shift = 0; shift < 24; shift += 8) {
                    const std::uint32_t bc = (b >> shift) & 0xFF;
                    const std::uint32_t tc = (t >> shift) & 0xFF;
                    out |= std::uint32_t{table[(bc << 8) | tc]} << shift;
                }
                return out;
            });
        }
    });
}

bool CFilter::Binarize(const DeviceBitmap& source, DeviceBitmap& target, int threshold, ColorSpace space) const {
    if (!sameGeometry({&source, &target})) {
        return false;
    }
    const double limit = 3.0 * static_cast<double>(threshold) * static_cast<double>(threshold);
    const auto isWhite = [&](Rgb8 c) { return !(limit > ColorNormSquared(c.r, c.g, c.b, space)); };
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
            // The RGB norm is an integer, compared exactly.
            mapColors<bits>(source, target, [&](std::uint32_t c) -> std::uint32_t {
                const Rgb8 v = channelsOf<bits>(c);
                const int norm = v.r * v.r + v.g * v.g + v.b * v.b;
                return static_cast<double>(norm) >= limit ? white : 0u;
            });
        } else {
            mapColors<bits>(source, target,
                            [&](std::uint32_t c) -> std::uint32_t { return isWhite(channelsOf<bits>(c)) ? white : 0u; });
        }
    });
    return ok;
}

} // namespace corvane
