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
        grey[static_cast<std::size_t>(g)] = static_cast<std::uint8_t>(std::clamp(static_cast<int>(scaled), 0, factor));
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

// Exact division of window sums by the number of window positions through a multiply and a shift:
// with m = ceil(2^32 / d), floor(s × m / 2^32) = floor(s / d) whenever s × (m × d − 2^32) < 2^32, which
// holds for every sum s ≤ 255 × d as long as d ≤ kMaxReciprocalDivisor.
constexpr int kMaxReciprocalDivisor = 4096;

std::uint64_t reciprocal(unsigned divisor) {
    return ((std::uint64_t{1} << 32) + divisor - 1) / divisor;
}

// Running-sum box blur. Each output channel is floor(window sum / window positions) of the 8-bit
// channels (24/32 bits) or of the raw 5/6-bit channels plus one (16 bits); the cost per pixel does not
// depend on the window size. Source rows are read ahead of the row being written, so in-place use is safe.
template <int Bits>
class BoxBlur {
public:
    static constexpr int kChannels = 3;

    BoxBlur(const DeviceBitmap& source, DeviceBitmap& target, int windowSize)
        : m_source(source), m_target(target), m_width(source.width()), m_height(source.height()),
          m_radius((windowSize - 1) / 2), m_ringRows(std::min(windowSize, m_height)),
          m_rowValues(static_cast<std::size_t>(m_width) * kChannels),
          m_values(allocateBuffer<std::uint32_t>(m_rowValues)),
          m_prefix(allocateBuffer<std::uint32_t>(m_rowValues + kChannels)),
          m_ring(allocateBuffer<std::uint32_t>(m_rowValues * static_cast<std::size_t>(m_ringRows))),
          m_column(allocateBuffer<std::uint32_t>(m_rowValues, /*zeroed=*/true)),
          m_columnCount(allocateBuffer<int>(static_cast<std::size_t>(m_width))),
          m_quotient(allocateBuffer<std::uint32_t>(m_rowValues)) {}

    bool ok() const { return m_values && m_prefix && m_ring && m_column && m_columnCount && m_quotient; }

    void run() {
        const long long window = 2LL * m_radius + 1;
        const bool useReciprocal = window * window <= kMaxReciprocalDivisor;
        std::array<std::uint64_t, kMaxReciprocalDivisor + 1> reciprocals{};
        if (useReciprocal) {
            for (unsigned d = 1; d <= static_cast<unsigned>(window * window); ++d) {
                reciprocals[d] = reciprocal(d);
            }
        }
        for (int x = 0; x < m_width; ++x) {
            m_columnCount[static_cast<std::size_t>(x)] = std::min(x + m_radius, m_width - 1) - std::max(x - m_radius, 0) + 1;
        }
        for (int y = 0; y <= std::min(m_radius, m_height - 1); ++y) {
            addRow(y);
        }
        for (int y = 0; y < m_height; ++y) {
            const int rowCount = std::min(y + m_radius, m_height - 1) - std::max(y - m_radius, 0) + 1;
            for (int x = 0; x < m_width; ++x) {
                const auto divisor = static_cast<unsigned>(rowCount * m_columnCount[static_cast<std::size_t>(x)]);
                const std::size_t i = static_cast<std::size_t>(x) * kChannels;
                for (std::size_t c = 0; c < kChannels; ++c) {
                    m_quotient[i + c] = useReciprocal
                                            ? static_cast<std::uint32_t>((m_column[i + c] * reciprocals[divisor]) >> 32)
                                            : m_column[i + c] / divisor;
                }
            }
            writeRow(y);
            if (y - m_radius >= 0) {
                subtractRow(y - m_radius);
            }
            if (y + m_radius + 1 < m_height) {
                addRow(y + m_radius + 1);
            }
        }
    }

private:
    std::uint32_t* ringRow(int y) const {
        return m_ring.get() + static_cast<std::size_t>(y % m_ringRows) * m_rowValues;
    }

    // Horizontal window sums of source row y, stored in the ring and added to the column sums.
    void addRow(int y) {
        const std::uint8_t* in = m_source.row(y);
        std::uint32_t* values = m_values.get();
        for (int x = 0; x < m_width; ++x) {
            const std::size_t i = static_cast<std::size_t>(x) * kChannels;
            if constexpr (Bits == 16) {
                const std::uint16_t w = loadWord(in + 2 * x);
                values[i] = blue5Of(w) + 1;
                values[i + 1] = green6Of(w) + 1;
                values[i + 2] = red5Of(w) + 1;
            } else {
                const std::uint8_t* p = in + pixelOffset(x, Bits / 8);
                values[i] = p[0];
                values[i + 1] = p[1];
                values[i + 2] = p[2];
            }
        }
        std::uint32_t* prefix = m_prefix.get();
        prefix[0] = prefix[1] = prefix[2] = 0;
        for (std::size_t i = 0; i < m_rowValues; ++i) {
            prefix[i + kChannels] = prefix[i] + values[i];
        }
        std::uint32_t* sums = ringRow(y);
        for (int x = 0; x < m_width; ++x) {
            const auto hi = static_cast<std::size_t>(std::min(x + m_radius + 1, m_width)) * kChannels;
            const auto lo = static_cast<std::size_t>(std::max(x - m_radius, 0)) * kChannels;
            const std::size_t i = static_cast<std::size_t>(x) * kChannels;
            for (std::size_t c = 0; c < kChannels; ++c) {
                sums[i + c] = prefix[hi + c] - prefix[lo + c];
            }
        }
        std::uint32_t* column = m_column.get();
        for (std::size_t i = 0; i < m_rowValues; ++i) {
            column[i] += sums[i];
        }
    }

    void subtractRow(int y) {
        const std::uint32_t* sums = ringRow(y);
        std::uint32_t* column = m_column.get();
        for (std::size_t i = 0; i < m_rowValues; ++i) {
            column[i] -= sums[i];
        }
    }

    void writeRow(int y) {
        std::uint8_t* out = m_target.row(y);
        const std::uint8_t* in = m_source.row(y);
        const std::uint32_t* q = m_quotient.get();
        for (int x = 0; x < m_width; ++x) {
            const std::size_t i = static_cast<std::size_t>(x) * kChannels;
            if constexpr (Bits == 16) {
                // One level brighter than the plain average, except averages below 1; capped per channel.
                const auto level = [](std::uint32_t average, std::uint32_t top) {
                    const std::uint32_t w = average + 1 < 3 ? 1 : std::min(average + 1, top);
                    return w - 1;
                };
                storeWord(out + 2 * x, pack565(level(q[i + 2], 32), level(q[i + 1], 64), level(q[i], 32)));
            } else {
                std::uint8_t* p = out + pixelOffset(x, Bits / 8);
                p[0] = static_cast<std::uint8_t>(q[i]);
                p[1] = static_cast<std::uint8_t>(q[i + 1]);
                p[2] = static_cast<std::uint8_t>(q[i + 2]);
                if constexpr (Bits == 32) {
                    p[3] = in[pixelOffset(x, 4) + 3];
                }
            }
        }
    }

    const DeviceBitmap& m_source;
    DeviceBitmap& m_target;
    int m_width;
    int m_height;
    int m_radius;
    int m_ringRows;
    std::size_t m_rowValues;
    Buffer<std::uint32_t> m_values;
    Buffer<std::uint32_t> m_prefix;
    Buffer<std::uint32_t> m_ring;
    Buffer<std::uint32_t> m_column;
    Buffer<int> m_columnCount;
    Buffer<std::uint32_t> m_quotient;
};

} // namespace

bool CFilter::BlurImage(const DeviceBitmap& source, DeviceBitmap& target, int windowSize) const {
    // Sums of 8-bit values over the window must fit in 32 bits.
    constexpr int kMaxWindow = 2047;
    if (!sameGeometry({&source, &target}) || windowSize < 1 || windowSize % 2 == 0 || windowSize > kMaxWindow) {
        return false;
    }
    bool ok = false;
    dispatchDepth(source.bitsPixel(), [&](auto depth) {
        BoxBlur<decltype(depth)::value> blur(source, target, windowSize);
        if (blur.ok()) {
            blur.run();
            ok = true;
        }
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
            const auto level = [](unsigned v) -> std::uint8_t { return v < 64 ? 0 : v < 128 ? 85 : v < 196 ? 170 : 255; };
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

// Sobel edges of 8-bit channels: min((|Gx| + |Gy|) / 2, 255). Source rows are widened into padded rows of
// 16-bit channel values (zero outside the image) one row ahead of the row being written, so in-place
// use is safe.
template <int Bits>
bool detectEdges(const DeviceBitmap& source, DeviceBitmap& target) {
    constexpr int kChannels = 3;
    constexpr int bpp = Bits / 8;
    const int width = source.width();
    const int height = source.height();
    const std::size_t rowValues = (static_cast<std::size_t>(width) + 2) * kChannels;
    // Three rows of widened values and one row of zeros for the rows outside the image.
    Buffer<std::int16_t> rows = allocateBuffer<std::int16_t>(rowValues * 4, /*zeroed=*/true);
    Buffer<std::uint8_t> edges = allocateBuffer<std::uint8_t>(rowValues);
    if (!rows || !edges) {
        return false;
    }
    const auto slot = [&](int y) { return rows.get() + static_cast<std::size_t>(y % 3) * rowValues; };
    const std::int16_t* zeros = rows.get() + 3 * rowValues;
    const auto widen = [&](int y) {
        const std::uint8_t* in = source.row(y);
        std::int16_t* out = slot(y) + kChannels;
        for (int x = 0; x < width; ++x, out += kChannels) {
            const Rgb8 c = loadRgb<Bits>(in + pixelOffset(x, bpp));
            out[0] = c.b;
            out[1] = c.g;
            out[2] = c.r;
        }
    };

    widen(0);
    for (int y = 0; y < height; ++y) {
        if (y + 1 < height) {
            widen(y + 1);
        }
        std::uint8_t* out = target.row(y);
        const std::uint8_t* in = source.row(y);
        const bool border = Bits != 16 && (y == 0 || y == height - 1);
        if (!border) {
            const std::int16_t* up = y > 0 ? slot(y - 1) : zeros;
            const std::int16_t* mid = slot(y);
            const std::int16_t* down = y + 1 < height ? slot(y + 1) : zeros;
            const std::size_t end = rowValues - kChannels;
            for (std::size_t i = kChannels; i < end; ++i) {
                const int gx = (up[i + 3] - up[i - 3]) + 2 * (mid[i + 3] - mid[i - 3]) + (down[i + 3] - down[i - 3]);
                const int gy = (down[i - 3] + 2 * down[i] + down[i + 3]) - (up[i - 3] + 2 * up[i] + up[i + 3]);
                edges[i] = static_cast<std::uint8_t>(std::min((std::abs(gx) + std::abs(gy)) >> 1, 255));
            }
        }
        for (int x = 0; x < width; ++x) {
            const std::uint8_t* e = edges.get() + static_cast<std::size_t>(x + 1) * kChannels;
            std::uint8_t* p = out + pixelOffset(x, bpp);
            if constexpr (Bits == 16) {
                storeWord(p, pack565(Quantize5(e[2]), Quantize6(e[1]), Quantize5(e[0])));
            } else {
                const bool black = border || x == 0 || x == width - 1;
                p[0] = black ? 0 : e[0];
                p[1] = black ? 0 : e[1];
                p[2] = black ? 0 : e[2];
                if constexpr (Bits == 32) {
                    p[3] = in[pixelOffset(x, 4) + 3];
                }
            }
        }
    }
    return true;
}

} // namespace

bool CFilter::DetectEdges(const DeviceBitmap& source, DeviceBitmap& target) const {
    if (!sameGeometry({&source, &target})) {
        return false;
    }
    bool ok = false;
    dispatchDepth(source.bitsPixel(), [&](auto depth) { ok = detectEdges<decltype(depth)::value>(source, target); });
    return ok;
}

} // namespace corvane
