#include "imagefiles/PngRows.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#if defined(__GNUC__)
#include <tmmintrin.h>
#endif
#endif

namespace corvane::png {

namespace {

enum Filter : std::uint8_t { kNone = 0, kSub = 1, kUp = 2, kAverage = 3, kPaeth = 4 };

std::uint32_t load32(const std::uint8_t* p) {
    std::uint32_t v = 0;
    std::memcpy(&v, p, 4);
    return v;
}
void store32(std::uint8_t* p, std::uint32_t v) {
    std::memcpy(p, &v, 4);
}

std::uint8_t paethPredictor(int a, int b, int c) {
    const int pa = b > c ? b - c : c - b;
    const int pb = a > c ? a - c : c - a;
    const int p = a + b - 2 * c;
    const int pc = p < 0 ? -p : p;
    if (pa <= pb && pa <= pc) {
        return static_cast<std::uint8_t>(a);
    }
    return static_cast<std::uint8_t>(pb <= pc ? b : c);
}

// Any filter on any pixel size, one byte at a time: the rows of one and two bytes per pixel, and the
// machines without the vector kernels.
void unfilterBytes(Filter filter, const std::uint8_t* in, const std::uint8_t* prior, std::uint8_t* raw,
                   std::size_t bytes, std::size_t bpp) {
    const std::size_t lead = bpp < bytes ? bpp : bytes;
    switch (filter) {
    case kNone:
        std::memcpy(raw, in, bytes);
        return;
    case kSub:
        std::memcpy(raw, in, lead);
        for (std::size_t i = lead; i < bytes; ++i) {
            raw[i] = static_cast<std::uint8_t>(in[i] + raw[i - bpp]);
        }
        return;
    case kUp:
        for (std::size_t i = 0; i < bytes; ++i) {
            raw[i] = static_cast<std::uint8_t>(in[i] + prior[i]);
        }
        return;
    case kAverage:
        for (std::size_t i = 0; i < lead; ++i) {
            raw[i] = static_cast<std::uint8_t>(in[i] + (prior[i] >> 1));
        }
        for (std::size_t i = lead; i < bytes; ++i) {
            raw[i] = static_cast<std::uint8_t>(in[i] + ((raw[i - bpp] + prior[i]) >> 1));
        }
        return;
    case kPaeth:
        for (std::size_t i = 0; i < lead; ++i) {
            raw[i] = static_cast<std::uint8_t>(in[i] + prior[i]);
        }
        for (std::size_t i = lead; i < bytes; ++i) {
            raw[i] =
                static_cast<std::uint8_t>(in[i] + paethPredictor(raw[i - bpp], prior[i], prior[i - bpp]));
        }
        return;
    }
}

// ---- Conversion of reconstructed samples into pixels ----

std::uint32_t fromRgb(std::uint32_t rgbx) {
    // R, G, B, x in memory is 0xxxBBGGRR; the pixel is 0xFFRRGGBB.
    return __builtin_bswap32(rgbx << 8) | 0xFF000000u;
}
std::uint32_t fromRgba(std::uint32_t rgba) {
    return __builtin_bswap32(rgba << 8) | (rgba & 0xFF000000u);
}

#if defined(__SSE2__) && defined(__GNUC__)
__attribute__((target("ssse3"))) void rgbToPixelsSsse3(const std::uint8_t* raw, std::uint8_t* out,
                                                       std::size_t width) {
    // Four pixels of three bytes become four of four: B, G, R from each, alpha 255.
    const __m128i order = _mm_setr_epi8(2, 1, 0, -1, 5, 4, 3, -1, 8, 7, 6, -1, 11, 10, 9, -1);
    const __m128i opaque = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    std::size_t x = 0;
    for (; x + 4 <= width; x += 4) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(raw + 3 * x));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * x),
                         _mm_or_si128(_mm_shuffle_epi8(v, order), opaque));
    }
    for (; x < width; ++x) {
        store32(out + 4 * x, fromRgb(load32(raw + 3 * x)));
    }
}
#endif

void rgbToPixels(const std::uint8_t* raw, std::uint8_t* out, std::size_t width) {
#if defined(__SSE2__) && defined(__GNUC__)
    static const bool ssse3 = __builtin_cpu_supports("ssse3");
    if (ssse3) {
        rgbToPixelsSsse3(raw, out, width);
        return;
    }
#endif
    for (std::size_t x = 0; x < width; ++x) {
        store32(out + 4 * x, fromRgb(load32(raw + 3 * x)));
    }
}

std::uint32_t rgbaToPixels(const std::uint8_t* raw, std::uint8_t* out, std::size_t width) {
    std::uint32_t alphaAnd = 0xFFFFFFFFu;
    std::size_t x = 0;
#if defined(__SSE2__)
    // Red and blue trade places in each word; green and alpha stay.
    const __m128i keep = _mm_set1_epi32(static_cast<int>(0xFF00FF00u));
    const __m128i low = _mm_set1_epi32(0xFF);
    __m128i all = _mm_set1_epi32(-1);
    for (; x + 4 <= width; x += 4) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(raw + 4 * x));
        const __m128i red = _mm_and_si128(v, low);
        const __m128i blue = _mm_and_si128(_mm_srli_epi32(v, 16), low);
        const __m128i px = _mm_or_si128(_mm_and_si128(v, keep), _mm_or_si128(_mm_slli_epi32(red, 16), blue));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * x), px);
        all = _mm_and_si128(all, px);
    }
    alignas(16) std::uint32_t lanes[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes), all);
    alphaAnd = lanes[0] & lanes[1] & lanes[2] & lanes[3];
#endif
    for (; x < width; ++x) {
        const std::uint32_t px = fromRgba(load32(raw + 4 * x));
        store32(out + 4 * x, px);
        alphaAnd &= px;
    }
    return alphaAnd;
}

std::uint32_t tableToPixels(const std::array<std::uint32_t, 256>& table, const std::uint8_t* raw,
                            std::uint8_t* out, std::size_t width) {
    std::uint32_t alphaAnd = 0xFFFFFFFFu;
    for (std::size_t x = 0; x < width; ++x) {
        const std::uint32_t px = table[raw[x]];
        store32(out + 4 * x, px);
        alphaAnd &= px;
    }
    return alphaAnd;
}

std::uint32_t greyAlphaToPixels(const std::uint8_t* raw, std::uint8_t* out, std::size_t width) {
    std::uint32_t alphaAnd = 0xFFFFFFFFu;
    for (std::size_t x = 0; x < width; ++x) {
        const std::uint32_t grey = raw[2 * x];
        const std::uint32_t px = (std::uint32_t{raw[2 * x + 1]} << 24) | (grey * 0x010101u);
        store32(out + 4 * x, px);
        alphaAnd &= px;
    }
    return alphaAnd;
}

// Pixels of the key colour become fully transparent, keeping their colour.
std::uint32_t applyKey(std::uint8_t* out, std::size_t width, std::uint32_t key) {
    std::uint32_t alphaAnd = 0xFFFFFFFFu;
    for (std::size_t x = 0; x < width; ++x) {
        std::uint32_t px = load32(out + 4 * x);
        if ((px & 0x00FFFFFFu) == key) {
            px = key;
            store32(out + 4 * x, px);
        }
        alphaAnd &= px;
    }
    return alphaAnd;
}

// Writes reconstructed samples out as pixels; returns the AND of the pixels written.
std::uint32_t convertRow(const RowLayout& layout, const std::uint8_t* raw, std::uint8_t* out) {
    switch (layout.samples) {
    case Samples::Grey:
    case Samples::Palette:
        return tableToPixels(layout.table, raw, out, layout.width);
    case Samples::GreyAlpha:
        return greyAlphaToPixels(raw, out, layout.width);
    case Samples::Rgb:
        rgbToPixels(raw, out, layout.width);
        return 0xFFFFFFFFu;
    case Samples::Rgba:
        return rgbaToPixels(raw, out, layout.width);
    }
    return 0xFFFFFFFFu;
}

#if defined(__SSE2__)

// ---- Vector kernels for three and four bytes per pixel ----
//
// Sub, average and Paeth make each pixel depend on the one to its left, so these go one pixel at a time
// with the channels of a pixel in the 16-bit lanes of a register; the pixel is written out in the same
// step, from the register. Up and none have no such chain and go sixteen bytes at a time.

// The small vector helpers are forced inline: they are also called from the SSSE3 kernels, into which the
// compiler does not inline functions of the baseline target on its own, and a call per pixel would cost
// more than the helper.
#define CORVANE_PNG_INLINE [[gnu::always_inline]] inline

CORVANE_PNG_INLINE __m128i load4(const std::uint8_t* p) {
    return _mm_cvtsi32_si128(static_cast<int>(load32(p)));
}

CORVANE_PNG_INLINE __m128i widen(const std::uint8_t* p) {
    return _mm_unpacklo_epi8(load4(p), _mm_setzero_si128());
}

CORVANE_PNG_INLINE __m128i select(__m128i mask, __m128i ifSet, __m128i ifClear) {
    return _mm_or_si128(_mm_and_si128(mask, ifSet), _mm_andnot_si128(mask, ifClear));
}

CORVANE_PNG_INLINE __m128i absolute(__m128i v) {
    return _mm_max_epi16(v, _mm_sub_epi16(_mm_setzero_si128(), v));
}

// One pixel of a chained filter, its channels in the low halves of 16-bit lanes: `delta` is the filtered
// pixel, `left` (a) the reconstructed pixel to its left, `above` (b) and `upperLeft` (c) the prior row's
// pixels above and above-left. The lanes hold bytes in their low halves, so 8-bit additions wrap each sum
// modulo 256 and keep the high halves 0.
template <Filter F>
CORVANE_PNG_INLINE __m128i reconstruct(__m128i delta, __m128i left, __m128i above, __m128i upperLeft) {
    if constexpr (F == kSub) {
        return _mm_add_epi8(delta, left);
    } else if constexpr (F == kAverage) {
        return _mm_add_epi8(delta, _mm_srli_epi16(_mm_add_epi16(left, above), 1));
    } else {
        // With p = a + b − c: pa = |b − c|, pb = |a − c|, pc = |a + b − 2c|. Only pb and pc depend on the
        // pixel to the left, each as the larger of two terms taken straight from `left`; the sums with the
        // above and corner pixels are formed beforehand. This keeps the chain from one pixel to the next
        // short.
        const __m128i pa = absolute(_mm_sub_epi16(above, upperLeft));
        const __m128i rise = _mm_sub_epi16(above, _mm_add_epi16(upperLeft, upperLeft)); // b − 2c
        const __m128i fall = _mm_sub_epi16(_mm_setzero_si128(), rise);
        const __m128i pb = _mm_max_epi16(_mm_sub_epi16(left, upperLeft), _mm_sub_epi16(upperLeft, left));
        const __m128i pc = _mm_max_epi16(_mm_add_epi16(left, rise), _mm_sub_epi16(fall, left));
        const __m128i notLeft = _mm_or_si128(_mm_cmpgt_epi16(pa, pb), _mm_cmpgt_epi16(pa, pc));
        const __m128i fromAboveOrCorner =
            select(_mm_cmpgt_epi16(pb, pc), _mm_add_epi8(delta, upperLeft), _mm_add_epi8(delta, above));
        return select(notLeft, fromAboveOrCorner, _mm_add_epi8(delta, left));
    }
}

// The pixels from `x` to the end of the row, one at a time: the whole row on machines without SSSE3, and
// the last pixels after the groups of four otherwise. `left` and `upperLeft` carry the chain.
template <std::size_t Bpp, Filter F>
std::uint32_t chainedPixels(const std::uint8_t* in, const std::uint8_t* prior, std::uint8_t* raw,
                            std::uint8_t* out, std::size_t x, std::size_t width, __m128i left,
                            __m128i upperLeft) {
    static_assert(Bpp == 3 || Bpp == 4);
    // Three-byte pixels carry a byte of the next pixel in their fourth lane; it becomes alpha 255.
    const __m128i opaque = _mm_cvtsi32_si128(Bpp == 3 ? static_cast<int>(0xFF000000u) : 0);
    __m128i all = _mm_set1_epi32(-1);
    for (; x < width; ++x) {
        const std::size_t i = x * Bpp;
        const __m128i above = F == kSub ? left : widen(prior + i);
        const __m128i value = reconstruct<F>(widen(in + i), left, above, upperLeft);
        upperLeft = above;
        left = value;
        store32(raw + i, static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(value, value))));
        const __m128i bgra = _mm_shufflelo_epi16(value, _MM_SHUFFLE(3, 0, 1, 2));
        const __m128i px = _mm_or_si128(_mm_packus_epi16(bgra, bgra), opaque);
        store32(out + 4 * x, static_cast<std::uint32_t>(_mm_cvtsi128_si32(px)));
        if constexpr (Bpp == 4) {
            all = _mm_and_si128(all, px);
        }
    }
    return static_cast<std::uint32_t>(_mm_cvtsi128_si32(all));
}

#if defined(__GNUC__)
// Four pixels of a row, four bytes each.
template <std::size_t Bpp>
__attribute__((target("ssse3"))) __m128i fourPixels(const std::uint8_t* p) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    if constexpr (Bpp == 3) {
        return _mm_shuffle_epi8(v, _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1));
    }
    return v;
}

// Groups of four pixels: one load of each row's bytes and one store of the reconstructed bytes and of the
// pixels per group, the chain still going from pixel to pixel inside it. Loads and stores reach up to 4
// bytes past the group (the rows' slack); a store never reaches filtered bytes not yet read.
template <std::size_t Bpp, Filter F>
__attribute__((target("ssse3"))) std::uint32_t chainedRowSsse3(const std::uint8_t* in,
                                                               const std::uint8_t* prior, std::uint8_t* raw,
                                                               std::uint8_t* out, std::size_t width) {
    const __m128i zero = _mm_setzero_si128();
    // Three-byte pixels spread to four bytes each and back.
    const __m128i gather = _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
    const __m128i toBgra = _mm_setr_epi8(2, 1, 0, 3, 6, 5, 4, 7, 10, 9, 8, 11, 14, 13, 12, 15);
    const __m128i opaque = _mm_set1_epi32(Bpp == 3 ? static_cast<int>(0xFF000000u) : 0);
    __m128i all = _mm_set1_epi32(-1);
    __m128i left = zero;
    __m128i upperLeft = zero;
    std::size_t x = 0;
    for (; x + 4 <= width; x += 4) {
        const __m128i d = fourPixels<Bpp>(in + x * Bpp);
        const __m128i dLow = _mm_unpacklo_epi8(d, zero); // pixels 0 and 1
        const __m128i dHigh = _mm_unpackhi_epi8(d, zero);
        __m128i bLow = zero;
        __m128i bHigh = zero;
        if constexpr (F != kSub) {
            const __m128i b = fourPixels<Bpp>(prior + x * Bpp);
            bLow = _mm_unpacklo_epi8(b, zero);
            bHigh = _mm_unpackhi_epi8(b, zero);
        }
        const __m128i v0 = reconstruct<F>(dLow, left, bLow, upperLeft);
        const __m128i b1 = _mm_srli_si128(bLow, 8);
        const __m128i v1 = reconstruct<F>(_mm_srli_si128(dLow, 8), v0, b1, bLow);
        const __m128i v2 = reconstruct<F>(dHigh, v1, bHigh, b1);
        const __m128i b3 = _mm_srli_si128(bHigh, 8);
        const __m128i v3 = reconstruct<F>(_mm_srli_si128(dHigh, 8), v2, b3, bHigh);
        left = v3;
        upperLeft = b3;
        const __m128i bytes = _mm_packus_epi16(_mm_unpacklo_epi64(v0, v1), _mm_unpacklo_epi64(v2, v3));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(raw + x * Bpp),
                         Bpp == 3 ? _mm_shuffle_epi8(bytes, gather) : bytes);
        const __m128i px = _mm_or_si128(_mm_shuffle_epi8(bytes, toBgra), opaque);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * x), px);
        if constexpr (Bpp == 4) {
            all = _mm_and_si128(all, px);
        }
    }
    alignas(16) std::uint32_t lanes[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes), all);
    return lanes[0] & lanes[1] & lanes[2] & lanes[3] &
           chainedPixels<Bpp, F>(in, prior, raw, out, x, width, left, upperLeft);
}

// Two rows at once, both with chained filters: the second row's pixel takes the first row's pixel from a
// register as soon as it is made, so the two chains from pixel to pixel run side by side. The first row's
// pixels are written as they come; the second row's only once the first row's filtered bytes are all read
// (an output row may lie over the end of the input row above it).
template <std::size_t Bpp, Filter F0, Filter F1>
__attribute__((target("ssse3"))) std::uint32_t
chainedPairSsse3(const std::uint8_t* in0, const std::uint8_t* in1, const std::uint8_t* prior,
                 std::uint8_t* raw0, std::uint8_t* raw1, std::uint8_t* out0, std::uint8_t* out1,
                 std::size_t width) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i gather = _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
    const __m128i toBgra = _mm_setr_epi8(2, 1, 0, 3, 6, 5, 4, 7, 10, 9, 8, 11, 14, 13, 12, 15);
    const __m128i opaque = _mm_set1_epi32(Bpp == 3 ? static_cast<int>(0xFF000000u) : 0);
    __m128i all = _mm_set1_epi32(-1);
    __m128i left0 = zero;
    __m128i upperLeft0 = zero;
    __m128i left1 = zero;
    __m128i upperLeft1 = zero;
    std::size_t x = 0;
    for (; x + 4 <= width; x += 4) {
        const __m128i d0 = fourPixels<Bpp>(in0 + x * Bpp);
        const __m128i d0Low = _mm_unpacklo_epi8(d0, zero);
        const __m128i d0High = _mm_unpackhi_epi8(d0, zero);
        __m128i bLow = zero;
        __m128i bHigh = zero;
        if constexpr (F0 != kSub) {
            const __m128i b = fourPixels<Bpp>(prior + x * Bpp);
            bLow = _mm_unpacklo_epi8(b, zero);
            bHigh = _mm_unpackhi_epi8(b, zero);
        }
        const __m128i d1 = fourPixels<Bpp>(in1 + x * Bpp);
        const __m128i d1Low = _mm_unpacklo_epi8(d1, zero);
        const __m128i d1High = _mm_unpackhi_epi8(d1, zero);

        const __m128i b1 = _mm_srli_si128(bLow, 8);
        const __m128i b3 = _mm_srli_si128(bHigh, 8);
        const __m128i v00 = reconstruct<F0>(d0Low, left0, bLow, upperLeft0);
        const __m128i v10 = reconstruct<F1>(d1Low, left1, v00, upperLeft1);
        const __m128i v01 = reconstruct<F0>(_mm_srli_si128(d0Low, 8), v00, b1, bLow);
        const __m128i v11 = reconstruct<F1>(_mm_srli_si128(d1Low, 8), v10, v01, v00);
        const __m128i v02 = reconstruct<F0>(d0High, v01, bHigh, b1);
        const __m128i v12 = reconstruct<F1>(d1High, v11, v02, v01);
        const __m128i v03 = reconstruct<F0>(_mm_srli_si128(d0High, 8), v02, b3, bHigh);
        const __m128i v13 = reconstruct<F1>(_mm_srli_si128(d1High, 8), v12, v03, v02);
        left0 = v03;
        upperLeft0 = b3;
        left1 = v13;
        upperLeft1 = v03;

        const __m128i bytes0 = _mm_packus_epi16(_mm_unpacklo_epi64(v00, v01), _mm_unpacklo_epi64(v02, v03));
        const __m128i bytes1 = _mm_packus_epi16(_mm_unpacklo_epi64(v10, v11), _mm_unpacklo_epi64(v12, v13));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(raw0 + x * Bpp),
                         Bpp == 3 ? _mm_shuffle_epi8(bytes0, gather) : bytes0);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(raw1 + x * Bpp),
                         Bpp == 3 ? _mm_shuffle_epi8(bytes1, gather) : bytes1);
        const __m128i px = _mm_or_si128(_mm_shuffle_epi8(bytes0, toBgra), opaque);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out0 + 4 * x), px);
        if constexpr (Bpp == 4) {
            all = _mm_and_si128(all, px);
        }
    }
    alignas(16) std::uint32_t lanes[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes), all);
    std::uint32_t alphaAnd = lanes[0] & lanes[1] & lanes[2] & lanes[3];
    alphaAnd &= chainedPixels<Bpp, F0>(in0, prior, raw0, out0, x, width, left0, upperLeft0);
    if constexpr (Bpp == 3) {
        rgbToPixels(raw1, out1, x);
    } else {
        alphaAnd &= rgbaToPixels(raw1, out1, x);
    }
    return alphaAnd & chainedPixels<Bpp, F1>(in1, raw0, raw1, out1, x, width, left1, upperLeft1);
}

template <std::size_t Bpp, Filter F0>
std::uint32_t chainedPair(Filter second, const std::uint8_t* in0, const std::uint8_t* in1,
                          const std::uint8_t* prior, std::uint8_t* raw0, std::uint8_t* raw1,
                          std::uint8_t* out0, std::uint8_t* out1, std::size_t width) {
    switch (second) {
    case kSub:
        return chainedPairSsse3<Bpp, F0, kSub>(in0, in1, prior, raw0, raw1, out0, out1, width);
    case kAverage:
        return chainedPairSsse3<Bpp, F0, kAverage>(in0, in1, prior, raw0, raw1, out0, out1, width);
    default:
        return chainedPairSsse3<Bpp, F0, kPaeth>(in0, in1, prior, raw0, raw1, out0, out1, width);
    }
}

template <std::size_t Bpp>
std::uint32_t chainedPair(Filter first, Filter second, const std::uint8_t* in0, const std::uint8_t* in1,
                          const std::uint8_t* prior, std::uint8_t* raw0, std::uint8_t* raw1,
                          std::uint8_t* out0, std::uint8_t* out1, std::size_t width) {
    switch (first) {
    case kSub:
        return chainedPair<Bpp, kSub>(second, in0, in1, prior, raw0, raw1, out0, out1, width);
    case kAverage:
        return chainedPair<Bpp, kAverage>(second, in0, in1, prior, raw0, raw1, out0, out1, width);
    default:
        return chainedPair<Bpp, kPaeth>(second, in0, in1, prior, raw0, raw1, out0, out1, width);
    }
}
#endif

template <std::size_t Bpp, Filter F>
std::uint32_t chainedRow(const std::uint8_t* in, const std::uint8_t* prior, std::uint8_t* raw,
                         std::uint8_t* out, std::size_t width) {
#if defined(__GNUC__)
    static const bool ssse3 = __builtin_cpu_supports("ssse3");
    if (ssse3) {
        return chainedRowSsse3<Bpp, F>(in, prior, raw, out, width);
    }
#endif
    return chainedPixels<Bpp, F>(in, prior, raw, out, 0, width, _mm_setzero_si128(), _mm_setzero_si128());
}

void upRow(const std::uint8_t* in, const std::uint8_t* prior, std::uint8_t* raw, std::size_t bytes) {
    std::size_t i = 0;
    for (; i + 16 <= bytes; i += 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(prior + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(raw + i), _mm_add_epi8(a, b));
    }
    for (; i < bytes; ++i) {
        raw[i] = static_cast<std::uint8_t>(in[i] + prior[i]);
    }
}

template <std::size_t Bpp>
bool vectorRow(const RowLayout& layout, Filter filter, const std::uint8_t* in, const std::uint8_t* prior,
               std::uint8_t* raw, std::uint8_t* out, std::uint32_t& alphaAnd) {
    const std::size_t width = layout.width;
    switch (filter) {
    case kNone:
        std::memcpy(raw, in, width * Bpp);
        alphaAnd &= convertRow(layout, raw, out);
        return true;
    case kUp:
        upRow(in, prior, raw, width * Bpp);
        alphaAnd &= convertRow(layout, raw, out);
        return true;
    case kSub:
        alphaAnd &= chainedRow<Bpp, kSub>(in, prior, raw, out, width);
        return true;
    case kAverage:
        alphaAnd &= chainedRow<Bpp, kAverage>(in, prior, raw, out, width);
        return true;
    case kPaeth:
        alphaAnd &= chainedRow<Bpp, kPaeth>(in, prior, raw, out, width);
        return true;
    }
    return false;
}

#endif

} // namespace

bool decodeRow(const RowLayout& layout, const std::uint8_t* filtered, const std::uint8_t* prior,
               std::uint8_t* raw, std::uint8_t* out, std::uint32_t& alphaAnd) {
    if (filtered[0] > kPaeth) {
        return false;
    }
    const auto filter = static_cast<Filter>(filtered[0]);
    const std::uint8_t* in = filtered + 1;
    const std::size_t bpp = bytesPerPixel(layout.samples);
#if defined(__SSE2__)
    if (layout.samples == Samples::Rgb || layout.samples == Samples::Rgba) {
        std::uint32_t written = 0xFFFFFFFFu;
        const bool known = layout.samples == Samples::Rgb
                               ? vectorRow<3>(layout, filter, in, prior, raw, out, written)
                               : vectorRow<4>(layout, filter, in, prior, raw, out, written);
        alphaAnd &= layout.hasKey ? applyKey(out, layout.width, layout.key) : written;
        return known;
    }
#endif
    unfilterBytes(filter, in, prior, raw, layout.width * bpp, bpp);
    alphaAnd &= convertRow(layout, raw, out);
    if (layout.samples == Samples::Rgb && layout.hasKey) {
        alphaAnd &= applyKey(out, layout.width, layout.key);
    }
    return true;
}

bool decodeRowPair(const RowLayout& layout, const std::uint8_t* filtered0, const std::uint8_t* filtered1,
                   const std::uint8_t* prior, std::uint8_t* raw0, std::uint8_t* raw1, std::uint8_t* out0,
                   std::uint8_t* out1, std::uint32_t& alphaAnd) {
#if defined(__SSE2__) && defined(__GNUC__)
    static const bool ssse3 = __builtin_cpu_supports("ssse3");
    const auto chained = [](std::uint8_t f) {
        return f == kSub || f == kAverage || f == kPaeth;
    };
    const bool pixels = layout.samples == Samples::Rgba || (layout.samples == Samples::Rgb && !layout.hasKey);
    if (!ssse3 || !pixels || !chained(filtered0[0]) || !chained(filtered1[0])) {
        return false;
    }
    const auto first = static_cast<Filter>(filtered0[0]);
    const auto second = static_cast<Filter>(filtered1[0]);
    alphaAnd &= layout.samples == Samples::Rgb ? chainedPair<3>(first, second, filtered0 + 1, filtered1 + 1,
                                                                prior, raw0, raw1, out0, out1, layout.width)
                                               : chainedPair<4>(first, second, filtered0 + 1, filtered1 + 1,
                                                                prior, raw0, raw1, out0, out1, layout.width);
    return true;
#else
    static_cast<void>(layout);
    static_cast<void>(filtered0);
    static_cast<void>(filtered1);
    static_cast<void>(prior);
    static_cast<void>(raw0);
    static_cast<void>(raw1);
    static_cast<void>(out0);
    static_cast<void>(out1);
    static_cast<void>(alphaAnd);
    return false;
#endif
}

} // namespace corvane::png
