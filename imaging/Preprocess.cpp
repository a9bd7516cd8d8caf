// Single-image filters: greyscale, box blur, 64-colour reduction and edge detection.

#include "imaging/Filter.h"
#include "imaging/KernelSupport.h"

#include <array>
#include <cstdlib>
#include <limits>

namespace corvane {

using namespace kernel;

bool CFilter::GreyscaleImage(const DeviceBitmap& source, DeviceBitmap& target, int factor) const {
    if (!sameGeometry({&source, &target}) || factor < 0 || factor > 255) {
        return false;
    }
    // Grey level of each green value: trunc(G / 255 × factor) in single precision, kept within 0..factor.
    std::array<std::uint8_t, 256> grey{};
    for (int g = 0; g < 256; ++g) {
        const float scaled = static_cast<float>(g) / 255.0f * static_cast<float>(factor);
        grey[static_cast<std::size_t>(g)] =
            static_cast<std::uint8_t>(std::clamp(static_cast<int>(scaled), 0, factor));
    }
    return dispatchDepth(source.bitsPixel(), [&](auto depth) {
        constexpr int bits = decltype(depth)::value;
        if constexpr (bits == 16) {
            // Red and blue take the narrowed grey, green twice that (so white becomes 31, 62, 31).
            std::array<std::uint16_t, 64> words{};
            for (unsigned g = 0; g < 64; ++g) {
                const unsigned r = Quantize5(grey[Expand6(g)]);
                words[g] = pack565(r, std::min(2 * r, 63u), r);
            }
            mapColors<16>(source, target, [&](std::uint32_t w) -> std::uint32_t {
                return words[green6Of(static_cast<std::uint16_t>(w))];
            });
        } else {
            mapColors<bits>(source, target, [&](std::uint32_t c) -> std::uint32_t {
                return grey[(c >> 8) & 0xFF] * 0x010101u;
            });
        }
    });
}

namespace {

// Lanes per pixel in the blur's sums: blue, green, red and the fourth byte (32 bits) or an unused lane.
constexpr int kLanes = 4;

// sums += row, or sums −= row, over n lanes.
template <class T>
CORVANE_VECTOR_CLONES void addLanes(std::uint32_t* sums, const T* row, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
        sums[i] += row[i];
    }
}
template <class T>
CORVANE_VECTOR_CLONES void subtractLanes(std::uint32_t* sums, const T* row, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
        sums[i] -= row[i];
    }
}

// sums ± the lanes of one 16- or 24-bit row: blue, green, red (16 bits: raw channels plus one).
template <int Bits, bool Add>
CORVANE_VECTOR_CLONES void accumulateRow(std::uint32_t* sums, const std::uint8_t* in, int width) {
    for (int x = 0; x < width; ++x) {
        std::uint32_t lanes[3];
        if constexpr (Bits == 16) {
            const std::uint16_t w = loadWord(in + 2 * x);
            lanes[0] = blue5Of(w) + 1;
            lanes[1] = green6Of(w) + 1;
            lanes[2] = red5Of(w) + 1;
        } else {
            const std::uint8_t* p = in + pixelOffset(x, 3);
            lanes[0] = p[0];
            lanes[1] = p[1];
            lanes[2] = p[2];
        }
        std::uint32_t* s = sums + static_cast<std::size_t>(x) * kLanes;
        for (int c = 0; c < 3; ++c) {
            s[c] = Add ? s[c] + lanes[c] : s[c] - lanes[c];
        }
    }
}

// Window quotients of one row. `columnSums` holds the column sums of the row's window with `radius` + 1
// zero pixels of padding on both sides; `prefix` receives their running totals, so that every window sum
// is one difference. Interior pixels share one divisor (rows × window); pixels within `radius` of the
// left or right edge have fewer columns.
template <bool Reciprocal>
CORVANE_VECTOR_CLONES void windowQuotients(const std::uint32_t* columnSums, std::uint32_t* prefix,
                                           std::uint32_t* quotients, int width, int radius,
                                           std::uint32_t rows) {
    const std::size_t padded =
        (static_cast<std::size_t>(width) + 2 * static_cast<std::size_t>(radius) + 2) * kLanes;
    for (std::size_t i = 0; i < kLanes; ++i) {
        prefix[i] = 0;
    }
    // Unsigned wrap-around is harmless: every window sum itself fits in 32 bits.
    for (std::size_t i = 0; i < padded; ++i) {
        prefix[i + kLanes] = prefix[i] + columnSums[i];
    }
    // The window of pixel x covers padded pixels x + 1 … x + 2·radius + 1.
    const std::size_t ahead = (2 * static_cast<std::size_t>(radius) + 2) * kLanes;
    const auto quotient = [](std::uint32_t sum, std::uint32_t divisor, float inverse) {
        return Reciprocal ? windowQuotient(sum, inverse) : sum / divisor;
    };
    const int interiorBegin = std::min(radius, width);
    const int interiorEnd = std::max(interiorBegin, width - radius);
    const std::uint32_t divisor = rows * static_cast<std::uint32_t>(2 * radius + 1);
    const float inverse = 1.0f / static_cast<float>(divisor);
    const std::size_t end = static_cast<std::size_t>(interiorEnd) * kLanes;
    for (std::size_t i = static_cast<std::size_t>(interiorBegin) * kLanes; i < end; ++i) {
        quotients[i] = quotient(prefix[i + ahead] - prefix[i + kLanes], divisor, inverse);
    }
    for (int x = 0; x < width; x = x + 1 == interiorBegin ? interiorEnd : x + 1) {
        if (x >= interiorBegin && x < interiorEnd) {
            continue;
        }
        const int columns = std::min(x + radius, width - 1) - std::max(x - radius, 0) + 1;
        const std::uint32_t edgeDivisor = rows * static_cast<std::uint32_t>(columns);
        const float edgeInverse = 1.0f / static_cast<float>(edgeDivisor);
        for (std::size_t c = 0; c < kLanes; ++c) {
            const std::size_t i = static_cast<std::size_t>(x) * kLanes + c;
            quotients[i] = quotient(prefix[i + ahead] - prefix[i + kLanes], edgeDivisor, edgeInverse);
        }
    }
}

// Writes one blurred row from its quotients; in 32 bits the fourth byte is the source's.
template <int Bits>
CORVANE_VECTOR_CLONES void storeBlurredRow(const std::uint32_t* quotients, const std::uint8_t* source,
                                           std::uint8_t* out, int width) {
    if constexpr (Bits == 32) {
        const std::size_t n = static_cast<std::size_t>(width) * kLanes;
        for (std::size_t i = 0; i < n; ++i) {
            out[i] = (i & 3) == 3 ? source[i] : static_cast<std::uint8_t>(quotients[i]);
        }
    } else {
        for (int x = 0; x < width; ++x) {
            const std::uint32_t* q = quotients + static_cast<std::size_t>(x) * kLanes;
            if constexpr (Bits == 16) {
                // The sums are of raw channels plus one: one level brighter than the plain average,
                // except averages below 1, and capped at the channel's top.
                const auto level = [](std::uint32_t average, std::uint32_t top) {
                    return (average + 1 < 3 ? 1 : std::min(average + 1, top)) - 1;
                };
                storeWord(out + 2 * x, pack565(level(q[2], 32), level(q[1], 64), level(q[0], 32)));
            } else {
                std::uint8_t* o = out + pixelOffset(x, 3);
                o[0] = static_cast<std::uint8_t>(q[0]);
                o[1] = static_cast<std::uint8_t>(q[1]);
                o[2] = static_cast<std::uint8_t>(q[2]);
            }
        }
    }
}

// Box blur with running sums: each output channel is floor(window sum / window positions) over the
// positions inside the image, of the 8-bit channels (24/32 bits) or of the raw 5/6-bit channels plus one
// (16 bits). Column sums move down one row at a time (add the entering row, subtract the leaving one) and
// each row's window sums are differences of running totals, so the cost per pixel does not depend on the
// window size. Reads `source` only, which must not be the target.
template <int Bits>
class BoxBlur {
public:
    // Working memory of one band of rows.
    struct Workspace {
        Buffer<std::uint32_t> columnSums; // padded by radius + 1 zero pixels on both sides
        Buffer<std::uint32_t> prefix;
        Buffer<std::uint32_t> quotients;
        bool ok() const { return columnSums && prefix && quotients; }
    };

    BoxBlur(const DeviceBitmap& source, DeviceBitmap& target, int windowSize)
        : m_source(source), m_target(target), m_width(source.width()), m_height(source.height()),
          m_radius((windowSize - 1) / 2), m_lanes(static_cast<std::size_t>(m_width) * kLanes),
          m_reciprocal(static_cast<long long>(windowSize) * windowSize <= kMaxReciprocalDivisor) {}

    Workspace makeWorkspace() const {
        const std::size_t padded = m_lanes + (2 * static_cast<std::size_t>(m_radius) + 2) * kLanes;
        return {allocateBuffer<std::uint32_t>(padded, /*zeroed=*/true),
                allocateBuffer<std::uint32_t>(padded + kLanes), allocateBuffer<std::uint32_t>(m_lanes)};
    }

    // Blurs rows [y0, y1) of the target with a fresh workspace. Bands with their own workspaces may run
    // at the same time.
    void run(Workspace& work, int y0, int y1) const {
        std::uint32_t* columnSums = work.columnSums.get() + static_cast<std::size_t>(m_radius + 1) * kLanes;
        const auto update = [&](int y, bool add) {
            if constexpr (Bits == 32) {
                add ? addLanes(columnSums, m_source.row(y), m_lanes)
                    : subtractLanes(columnSums, m_source.row(y), m_lanes);
            } else {
                add ? accumulateRow<Bits, true>(columnSums, m_source.row(y), m_width)
                    : accumulateRow<Bits, false>(columnSums, m_source.row(y), m_width);
            }
        };
        for (int y = std::max(0, y0 - m_radius); y <= std::min(m_height - 1, y0 + m_radius); ++y) {
            update(y, true);
        }
        for (int y = y0; y < y1; ++y) {
            const auto rows = static_cast<std::uint32_t>(std::min(y + m_radius, m_height - 1) -
                                                         std::max(y - m_radius, 0) + 1);
            if (m_reciprocal) {
                windowQuotients<true>(work.columnSums.get(), work.prefix.get(), work.quotients.get(), m_width,
                                      m_radius, rows);
            } else {
                windowQuotients<false>(work.columnSums.get(), work.prefix.get(), work.quotients.get(),
                                       m_width, m_radius, rows);
            }
            storeBlurredRow<Bits>(work.quotients.get(), m_source.row(y), m_target.row(y), m_width);
            if (y + 1 < y1) {
                if (y - m_radius >= 0) {
                    update(y - m_radius, false);
                }
                if (y + m_radius + 1 < m_height) {
                    update(y + m_radius + 1, true);
                }
            }
        }
    }

private:
    const DeviceBitmap& m_source;
    DeviceBitmap& m_target;
    int m_width;
    int m_height;
    int m_radius;
    std::size_t m_lanes;
    bool m_reciprocal;
};

} // namespace

bool CFilter::BlurImage(const DeviceBitmap& source, DeviceBitmap& target, int windowSize) const {
    // Sums of 8-bit values over the window must fit in 32 bits.
    constexpr int kMaxWindow = 2047;
    if (!sameGeometry({&source, &target}) || windowSize < 1 || windowSize % 2 == 0 ||
        windowSize > kMaxWindow) {
        return false;
    }
    const UnaliasedSource input(source, target);
    if (!input.ok()) {
        return false;
    }
    bool ok = false;
    dispatchDepth(source.bitsPixel(), [&](auto depth) {
        const BoxBlur<decltype(depth)::value> blur(input.get(), target, windowSize);
        // All working memory is taken before the first row is written, so a failure leaves the target as it
        // was.
        std::array<typename decltype(blur)::Workspace, kMaxBands> work;
        const int bands = bandCount(source.height(), static_cast<std::size_t>(source.widthBytes()));
        for (int i = 0; i < bands; ++i) {
            work[static_cast<std::size_t>(i)] = blur.makeWorkspace();
            if (!work[static_cast<std::size_t>(i)].ok()) {
                return;
            }
        }
        forEachBand(
            source.height(), static_cast<std::size_t>(source.widthBytes()),
            [&](int band, int y0, int y1) { blur.run(work[static_cast<std::size_t>(band)], y0, y1); });
        ok = true;
    });
    return ok;
}

bool CFilter::ReduceTo64Colors(const DeviceBitmap& source, DeviceBitmap& target) const {
    if (!sameGeometry({&source, &target})) {
        return false;
    }
    return dispatchDepth(source.bitsPixel(), [&](auto depth) {
        constexpr int bits = decltype(depth)::value;
        if constexpr (bits == 16) {
            // Each widened channel on its own: below 64 → 0, below 128 → 85, below 196 → 170, else 255.
            const auto level = [](unsigned v) -> std::uint8_t {
                return v < 64 ? 0 : v < 128 ? 85 : v < 196 ? 170 : 255;
            };
            std::array<std::uint16_t, 65536> words{};
            for (unsigned w = 0; w < 65536; ++w) {
                const Rgb8 c = channelsOf<16>(w);
                words[w] = static_cast<std::uint16_t>(colorOf<16>({level(c.r), level(c.g), level(c.b)}));
            }
            mapColors<16>(source, target, [&](std::uint32_t w) -> std::uint32_t { return words[w]; });
        } else {
            // The nearest of the 64 palette colours. The squared distance is a sum of one term per channel
            // and no channel value lies midway between two levels, so the nearest colour is the nearest
            // level per channel: 0..42 → 0, 43..127 → 85, 128..212 → 170, 213..255 → 255.
            std::array<std::uint32_t, 256> level{};
            for (unsigned v = 0; v < 256; ++v) {
                level[v] = v <= 42 ? 0 : v <= 127 ? 85 : v <= 212 ? 170 : 255;
            }
            mapColors<bits>(source, target, [&](std::uint32_t c) -> std::uint32_t {
                return (level[(c >> 16) & 0xFF] << 16) | (level[(c >> 8) & 0xFF] << 8) | level[c & 0xFF];
            });
        }
    });
}

namespace {

// Sobel magnitude of one channel at element i of three rows, neighbours `Step` elements apart:
// min((|Gx| + |Gy|) / 2, 255) with the kernel (−1 0 1, −2 0 2, −1 0 1) and its transpose.
template <std::size_t Step, class T>
inline std::uint8_t sobel(const T* up, const T* mid, const T* down, std::size_t i) {
    const int gx = (up[i + Step] - up[i - Step]) + 2 * (mid[i + Step] - mid[i - Step]) +
                   (down[i + Step] - down[i - Step]);
    const int gy =
        (down[i - Step] + 2 * down[i] + down[i + Step]) - (up[i - Step] + 2 * up[i] + up[i + Step]);
    return static_cast<std::uint8_t>(std::min((std::abs(gx) + std::abs(gy)) >> 1, 255));
}

// One 24- or 32-bit row with a row above and below: every channel byte of the pixels 1 … width − 2 from
// the bytes around it; the first and last pixel black. Fourth bytes are copied from `mid`.
template <int Bits>
CORVANE_VECTOR_CLONES void edgesRow(const std::uint8_t* up, const std::uint8_t* mid, const std::uint8_t* down,
                                    std::uint8_t* out, int width) {
    constexpr std::size_t bpp = Bits / 8;
    const std::size_t end = (static_cast<std::size_t>(width) - 1) * bpp;
    for (std::size_t i = bpp; i < end; ++i) {
        const std::uint8_t v = sobel<bpp>(up, mid, down, i);
        out[i] = Bits == 32 && (i & 3) == 3 ? mid[i] : v;
    }
}

// A black 24- or 32-bit pixel whose fourth byte is the source's.
template <int Bits>
void storeBlack(const std::uint8_t* source, std::uint8_t* out) {
    out[0] = out[1] = out[2] = 0;
    if constexpr (Bits == 32) {
        out[3] = source[3];
    }
}

template <int Bits>
void edges8(const DeviceBitmap& source, DeviceBitmap& target, int y0, int y1) {
    constexpr std::size_t bpp = Bits / 8;
    const int width = source.width();
    const int height = source.height();
    const std::size_t last = (static_cast<std::size_t>(width) - 1) * bpp;
    for (int y = y0; y < y1; ++y) {
        const std::uint8_t* in = source.row(y);
        std::uint8_t* out = target.row(y);
        if (y == 0 || y == height - 1) {
            for (int x = 0; x < width; ++x) {
                storeBlack<Bits>(in + pixelOffset(x, bpp), out + pixelOffset(x, bpp));
            }
            continue;
        }
        edgesRow<Bits>(source.row(y - 1), in, source.row(y + 1), out, width);
        storeBlack<Bits>(in, out);
        storeBlack<Bits>(in + last, out + last);
    }
}

// 16 bits: every pixel is computed, with zero for the neighbours outside the image. Rows are widened into
// lanes blue, green, red with one zero pixel of padding on both sides.
CORVANE_VECTOR_CLONES void edgesLanes(const std::int16_t* up, const std::int16_t* mid,
                                      const std::int16_t* down, std::uint8_t* out, std::size_t n) {
    for (std::size_t i = 3; i < n + 3; ++i) {
        out[i - 3] = sobel<3>(up, mid, down, i);
    }
}

// The channels of a 16-bit row widened to 8 bits, as lanes blue, green, red.
CORVANE_VECTOR_CLONES void widen565(const std::uint8_t* in, std::int16_t* lanes, int width) {
    for (int x = 0; x < width; ++x) {
        const std::uint16_t w = loadWord(in + 2 * x);
        std::int16_t* l = lanes + static_cast<std::size_t>(x) * 3;
        l[0] = Expand5(blue5Of(w));
        l[1] = Expand6(green6Of(w));
        l[2] = Expand5(red5Of(w));
    }
}

struct EdgeWorkspace {
    Buffer<std::int16_t> rows; // three widened rows and one row of zeros
    Buffer<std::uint8_t> edges;
    bool ok() const { return rows && edges; }
};

EdgeWorkspace makeEdgeWorkspace(int width) {
    const std::size_t lanes = (static_cast<std::size_t>(width) + 2) * 3;
    return {allocateBuffer<std::int16_t>(4 * lanes, /*zeroed=*/true),
            allocateBuffer<std::uint8_t>(static_cast<std::size_t>(width) * 3)};
}

void edges16(const DeviceBitmap& source, DeviceBitmap& target, EdgeWorkspace& work, int y0, int y1) {
    const int width = source.width();
    const int height = source.height();
    const std::size_t lanes = (static_cast<std::size_t>(width) + 2) * 3;
    const auto slot = [&](int y) {
        return work.rows.get() + static_cast<std::size_t>(y % 3) * lanes;
    };
    const std::int16_t* zeros = work.rows.get() + 3 * lanes;
    const auto widen = [&](int y) {
        widen565(source.row(y), slot(y) + 3, width);
    };
    if (y0 > 0) {
        widen(y0 - 1);
    }
    widen(y0);
    for (int y = y0; y < y1; ++y) {
        if (y + 1 < height) {
            widen(y + 1);
        }
        const std::int16_t* up = y > 0 ? slot(y - 1) : zeros;
        const std::int16_t* down = y + 1 < height ? slot(y + 1) : zeros;
        edgesLanes(up, slot(y), down, work.edges.get(), static_cast<std::size_t>(width) * 3);
        std::uint8_t* out = target.row(y);
        for (int x = 0; x < width; ++x) {
            const std::uint8_t* e = work.edges.get() + static_cast<std::size_t>(x) * 3;
            storeWord(out + 2 * x, pack565(Quantize5(e[2]), Quantize6(e[1]), Quantize5(e[0])));
        }
    }
}

} // namespace

bool CFilter::DetectEdges(const DeviceBitmap& source, DeviceBitmap& target) const {
    if (!sameGeometry({&source, &target})) {
        return false;
    }
    const UnaliasedSource input(source, target);
    if (!input.ok()) {
        return false;
    }
    const auto rowBytes = static_cast<std::size_t>(source.widthBytes());
    if (source.bitsPixel() == 16) {
        std::array<EdgeWorkspace, kMaxBands> work;
        for (int i = 0; i < bandCount(source.height(), rowBytes); ++i) {
            work[static_cast<std::size_t>(i)] = makeEdgeWorkspace(source.width());
            if (!work[static_cast<std::size_t>(i)].ok()) {
                return false;
            }
        }
        forEachBand(source.height(), rowBytes, [&](int band, int y0, int y1) {
            edges16(input.get(), target, work[static_cast<std::size_t>(band)], y0, y1);
        });
        return true;
    }
    return dispatchDepth(source.bitsPixel(), [&](auto depth) {
        constexpr int bits = decltype(depth)::value;
        if constexpr (bits != 16) {
            forEachBand(source.height(), rowBytes,
                        [&](int, int y0, int y1) { edges8<bits>(input.get(), target, y0, y1); });
        }
    });
}

} // namespace corvane
