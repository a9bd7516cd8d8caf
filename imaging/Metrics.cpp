// Quality metrics of an image pair: pixel counts, channel errors, PSNR, CIEDE2000 and SSIM.

#include "imaging/Metrics.h"

#include "imaging/ColorDifference.h"
#include "imaging/KernelSupport.h"

#include <array>
#include <cmath>
#include <limits>

namespace corvane {

using namespace kernel;

namespace {

// ---- Channel errors and CIEDE2000 ----

struct ErrorSums {
    std::int64_t differing = 0;
    std::uint64_t absolute = 0; // Σ |difference| over the three channels
    std::uint64_t squared = 0;  // Σ difference²
};

// The channel errors of pixels x0 … x1 − 1 of one row; marks the pixels whose colours differ.
template <int Bits>
CORVANE_VECTOR_CLONES ErrorSums rowErrors(const std::uint8_t* a, const std::uint8_t* b, std::uint8_t* differs,
                                          int x0, int x1) {
    constexpr int bpp = Bits / 8;
    std::int64_t differing = 0;
    std::uint64_t absolute = 0;
    std::uint64_t squared = 0;
    for (int x = x0; x < x1; ++x) {
        const std::size_t i = pixelOffset(x, bpp);
        const std::uint32_t ca = loadColor<Bits>(a + i);
        const std::uint32_t cb = loadColor<Bits>(b + i);
        const Rgb8 pa = channelsOf<Bits>(ca);
        const Rgb8 pb = channelsOf<Bits>(cb);
        const int dr = pa.r - pb.r;
        const int dg = pa.g - pb.g;
        const int db = pa.b - pb.b;
        absolute += static_cast<std::uint32_t>(std::abs(dr) + std::abs(dg) + std::abs(db));
        squared += static_cast<std::uint32_t>(dr * dr + dg * dg + db * db);
        const bool differ = ca != cb;
        differs[x] = static_cast<std::uint8_t>(differ);
        differing += differ ? 1 : 0;
    }
    return {differing, absolute, squared};
}

// Work arrays of one band for the CIEDE2000 of a row: the colours of its differing pixels (0x00RRGGBB),
// their CIELAB values and their differences, width entries each.
struct DeltaScratch {
    static constexpr int kDoubles = 7;
    std::uint32_t* colors1;
    std::uint32_t* colors2;
    double* values; // L, a, b of each image, then the differences
};

// Σ CIEDE2000 over the marked pixels of one row, in the order of the pixels (equal colours add nothing).
template <int Bits>
double rowDeltaE(const std::uint8_t* a, const std::uint8_t* b, const std::uint8_t* differs, int x0, int x1,
                 std::size_t width, const DeltaScratch& scratch) {
    constexpr int bpp = Bits / 8;
    const auto rgb = [](std::uint32_t raw) {
        if constexpr (Bits == 16) {
            const Rgb8 c = channelsOf<16>(raw);
            return (std::uint32_t{c.r} << 16) | (std::uint32_t{c.g} << 8) | c.b;
        } else {
            return raw;
        }
    };
    int n = 0;
    int x = x0;
    while (x < x1) {
        if (x + 8 <= x1) {
            std::uint64_t eight;
            std::memcpy(&eight, differs + x, 8);
            if (eight == 0) {
                x += 8;
                continue;
            }
        }
        if (differs[x]) {
            const std::size_t i = pixelOffset(x, bpp);
            scratch.colors1[n] = rgb(loadColor<Bits>(a + i));
            scratch.colors2[n] = rgb(loadColor<Bits>(b + i));
            ++n;
        }
        ++x;
    }
    double* v = scratch.values;
    const LabArrays lab1{v, v + width, v + 2 * width};
    const LabArrays lab2{v + 3 * width, v + 4 * width, v + 5 * width};
    double* differences = v + 6 * width;
    labFromSrgbRow(scratch.colors1, n, lab1);
    labFromSrgbRow(scratch.colors2, n, lab2);
    ciede2000Row(lab1, lab2, n, differences);
    double sum = 0;
    for (int k = 0; k < n; ++k) {
        sum += differences[k];
    }
    return sum;
}

// ---- SSIM ----

constexpr int kSsimRadius = 5; // round(3.5 σ) for σ = 1.5
constexpr int kSsimWindow = 2 * kSsimRadius + 1;
// The moments filtered: the two lumas, their squares and their product.
constexpr int kMoments = 5;

// The Gaussian window's weights from the centre outwards, normalised over all 11 taps.
std::array<double, kSsimRadius + 1> gaussianWeights() {
    constexpr double sigma = 1.5;
    std::array<double, kSsimRadius + 1> w{};
    double sum = 0;
    for (int j = 0; j <= kSsimRadius; ++j) {
        w[static_cast<std::size_t>(j)] = std::exp(-0.5 / (sigma * sigma) * static_cast<double>(j * j));
        sum += j == 0 ? w[0] : 2 * w[static_cast<std::size_t>(j)];
    }
    for (double& v : w) {
        v /= sum;
    }
    return w;
}

using Weights = std::array<double, kSsimRadius + 1>;

// The lumas Y = 0.299 R + 0.587 G + 0.114 B of n pixels of one row of each image, from x0.
template <int Bits>
CORVANE_VECTOR_CLONES void lumaRows(const std::uint8_t* a, const std::uint8_t* b, int x0, int n,
                                    double* __restrict la, double* __restrict lb) {
    constexpr int bpp = Bits / 8;
    for (int x = 0; x < n; ++x) {
        const std::size_t i = pixelOffset(x0 + x, bpp);
        const Rgb8 pa = channelsOf<Bits>(loadColor<Bits>(a + i));
        const Rgb8 pb = channelsOf<Bits>(loadColor<Bits>(b + i));
        la[x] = 0.299 * pa.r + 0.587 * pa.g + 0.114 * pa.b;
        lb[x] = 0.299 * pb.r + 0.587 * pb.g + 0.114 * pb.b;
    }
}

// The five moments (the lumas a and b, a², b² and ab) filtered down the columns of 11 rows of lumas
// (a[5] and b[5] the centre rows), for n pixels. The symmetric taps are added before they are weighted.
CORVANE_VECTOR_CLONES void momentsDownColumns(const double* const* a, const double* const* b, int n,
                                              const Weights& weights, double* __restrict ma,
                                              double* __restrict mb, double* __restrict maa,
                                              double* __restrict mbb, double* __restrict mab) {
    const Weights w = weights;
    const double *a0 = a[0], *a1 = a[1], *a2 = a[2], *a3 = a[3], *a4 = a[4], *a5 = a[5];
    const double *a6 = a[6], *a7 = a[7], *a8 = a[8], *a9 = a[9], *a10 = a[10];
    const double *b0 = b[0], *b1 = b[1], *b2 = b[2], *b3 = b[3], *b4 = b[4], *b5 = b[5];
    const double *b6 = b[6], *b7 = b[7], *b8 = b[8], *b9 = b[9], *b10 = b[10];
    for (int x = 0; x < n; ++x) {
        double sa = w[0] * a5[x];
        double sb = w[0] * b5[x];
        double saa = w[0] * (a5[x] * a5[x]);
        double sbb = w[0] * (b5[x] * b5[x]);
        double sab = w[0] * (a5[x] * b5[x]);
        const auto taps = [&](double weight, double p, double q, double r, double t) {
            sa += weight * (p + q);
            sb += weight * (r + t);
            saa += weight * (p * p + q * q);
            sbb += weight * (r * r + t * t);
            sab += weight * (p * r + q * t);
        };
        taps(w[1], a4[x], a6[x], b4[x], b6[x]);
        taps(w[2], a3[x], a7[x], b3[x], b7[x]);
        taps(w[3], a2[x], a8[x], b2[x], b8[x]);
        taps(w[4], a1[x], a9[x], b1[x], b9[x]);
        taps(w[5], a0[x], a10[x], b0[x], b10[x]);
        ma[x] = sa;
        mb[x] = sb;
        maa[x] = saa;
        mbb[x] = sbb;
        mab[x] = sab;
    }
}

// One moment filtered along the row at x.
inline double alongRow(const double* m, int x, const Weights& w) {
    return w[0] * m[x] + w[1] * (m[x - 1] + m[x + 1]) + w[2] * (m[x - 2] + m[x + 2]) +
           w[3] * (m[x - 3] + m[x + 3]) + w[4] * (m[x - 4] + m[x + 4]) + w[5] * (m[x - 5] + m[x + 5]);
}

// The SSIM of pixels 5 … n − 6 of a row from its moments filtered down the columns: the moments are
// filtered along the row, then give the local means, variances and covariance.
CORVANE_VECTOR_CLONES void ssimOfRow(const double* ma, const double* mb, const double* maa, const double* mbb,
                                     const double* mab, int n, const Weights& weights, double* __restrict s) {
    constexpr double c1 = (0.01 * 255) * (0.01 * 255);
    constexpr double c2 = (0.03 * 255) * (0.03 * 255);
    const Weights w = weights;
    for (int x = kSsimRadius; x < n - kSsimRadius; ++x) {
        const double ua = alongRow(ma, x, w);
        const double ub = alongRow(mb, x, w);
        const double va = alongRow(maa, x, w) - ua * ua;
        const double vb = alongRow(mbb, x, w) - ub * ub;
        const double cov = alongRow(mab, x, w) - ua * ub;
        s[x] = ((2 * ua * ub + c1) * (2 * cov + c2)) / ((ua * ua + ub * ub + c1) * (va + vb + c2));
    }
}

// Σ s[x0 … x1 − 1] in four interleaved partial sums, the same on every processor.
double sumOfRow(const double* s, int x0, int x1) {
    double lanes[4] = {0, 0, 0, 0};
    int x = x0;
    for (; x + 4 <= x1; x += 4) {
        for (int k = 0; k < 4; ++k) {
            lanes[k] += s[x + k];
        }
    }
    for (; x < x1; ++x) {
        lanes[0] += s[x];
    }
    return (lanes[0] + lanes[1]) + (lanes[2] + lanes[3]);
}

// Work rows of one band of the SSIM: the lumas of the last 11 rows of each image, the moments of the
// current output row filtered down the columns, and its SSIM values.
struct SsimScratch {
    static constexpr int kRows = 2 * kSsimWindow + kMoments + 1;
    double* lumas;   // 2 × 11 rows: image 1's ring, then image 2's
    double* moments; // kMoments rows
    double* s;       // one row
};

enum class SsimOutcome { Done, TooSmall, OutOfMemory };

template <int Bits>
void ssimBand(const DeviceBitmap& first, const DeviceBitmap& second, const Overlap& region, int r0, int r1,
              const Weights& w, const SsimScratch& scratch, double* rowSums) {
    const auto n = static_cast<std::size_t>(region.x1 - region.x0);
    const int width = region.x1 - region.x0;
    const auto lumaRow = [&](int image, int row) {
        return scratch.lumas + static_cast<std::size_t>(image * kSsimWindow + row % kSsimWindow) * n;
    };
    const auto momentRow = [&](int moment) {
        return scratch.moments + static_cast<std::size_t>(moment) * n;
    };
    // Input rows r0 − 5 … r1 + 4 (relative to the region) feed output rows r0 … r1 − 1.
    for (int in = r0 - kSsimRadius; in < r1 + kSsimRadius; ++in) {
        const int y = region.y0 + in;
        lumaRows<Bits>(first.row(y), second.row(y), region.x0, width, lumaRow(0, in), lumaRow(1, in));
        const int out = in - kSsimRadius;
        if (out < r0) {
            continue;
        }
        const double* rowsA[kSsimWindow];
        const double* rowsB[kSsimWindow];
        for (int k = 0; k < kSsimWindow; ++k) {
            rowsA[k] = lumaRow(0, out - kSsimRadius + k);
            rowsB[k] = lumaRow(1, out - kSsimRadius + k);
        }
        momentsDownColumns(rowsA, rowsB, width, w, momentRow(0), momentRow(1), momentRow(2), momentRow(3),
                           momentRow(4));
        ssimOfRow(momentRow(0), momentRow(1), momentRow(2), momentRow(3), momentRow(4), width, w, scratch.s);
        rowSums[out - kSsimRadius] = sumOfRow(scratch.s, kSsimRadius, width - kSsimRadius);
    }
}

SsimOutcome ssimOverRegion(const DeviceBitmap& first, const DeviceBitmap& second, const Overlap& region,
                           double& mean) {
    const int width = region.x1 - region.x0;
    const int height = region.y1 - region.y0;
    if (region.empty() || width < kSsimWindow || height < kSsimWindow) {
        return SsimOutcome::TooSmall;
    }
    const auto n = static_cast<std::size_t>(width);
    const int outRows = height - 2 * kSsimRadius;
    Buffer<double> work = allocateBuffer<double>(kMaxBands * SsimScratch::kRows * n);
    Buffer<double> rowSums = allocateBuffer<double>(static_cast<std::size_t>(outRows));
    if (!work || !rowSums) {
        return SsimOutcome::OutOfMemory;
    }
    const Weights w = gaussianWeights();
    forEachBand(outRows, n * sizeof(double) * kMoments * 2, [&](int band, int b0, int b1) {
        double* base = work.get() + static_cast<std::size_t>(band) * SsimScratch::kRows * n;
        const SsimScratch scratch{base, base + 2 * kSsimWindow * n, base + (2 * kSsimWindow + kMoments) * n};
        dispatchDepth(first.bitsPixel(), [&](auto depth) {
            ssimBand<decltype(depth)::value>(first, second, region, b0 + kSsimRadius, b1 + kSsimRadius, w,
                                             scratch, rowSums.get());
        });
    });
    // Row by row in order, so the mean does not depend on how the rows were split between threads.
    double total = 0;
    for (int r = 0; r < outRows; ++r) {
        total += rowSums[static_cast<std::size_t>(r)];
    }
    mean = total / (static_cast<double>(outRows) * static_cast<double>(width - 2 * kSsimRadius));
    return SsimOutcome::Done;
}

} // namespace

std::optional<double> meanSsim(const DeviceBitmap& first, const DeviceBitmap& second, int shiftH,
                               int shiftV) {
    if (!sameGeometry({&first, &second})) {
        return std::nullopt;
    }
    double mean = 0;
    const Overlap region = shiftOverlap(first.width(), first.height(), shiftH, shiftV);
    if (ssimOverRegion(first, second, region, mean) != SsimOutcome::Done) {
        return std::nullopt;
    }
    return mean;
}

std::optional<ImageMetrics> computeMetrics(const DeviceBitmap& first, const DeviceBitmap& second, int shiftH,
                                           int shiftV) {
    if (!sameGeometry({&first, &second})) {
        return std::nullopt;
    }
    const Overlap region = shiftOverlap(first.width(), first.height(), shiftH, shiftV);
    ImageMetrics m;
    if (region.empty()) {
        constexpr double nan = std::numeric_limits<double>::quiet_NaN();
        m.mae = m.rmse = m.psnr = m.deltae = nan;
        return m;
    }
    const int height = region.y1 - region.y0;
    const auto width = static_cast<std::size_t>(first.width());
    // Everything the bands need is allocated before they start.
    Buffer<std::uint8_t> differs = allocateBuffer<std::uint8_t>(kMaxBands * width);
    Buffer<std::uint32_t> colors = allocateBuffer<std::uint32_t>(2 * kMaxBands * width);
    Buffer<double> values = allocateBuffer<double>(DeltaScratch::kDoubles * kMaxBands * width);
    Buffer<double> rowDelta = allocateBuffer<double>(static_cast<std::size_t>(height));
    if (!differs || !colors || !values || !rowDelta) {
        return std::nullopt;
    }
    ErrorSums bands[kMaxBands] = {};
    forEachBand(height, static_cast<std::size_t>(first.widthBytes()), [&](int band, int b0, int b1) {
        const auto k = static_cast<std::size_t>(band);
        std::uint8_t* marks = differs.get() + k * width;
        const DeltaScratch scratch{colors.get() + 2 * k * width, colors.get() + (2 * k + 1) * width,
                                   values.get() + DeltaScratch::kDoubles * k * width};
        dispatchDepth(first.bitsPixel(), [&](auto depth) {
            constexpr int bits = decltype(depth)::value;
            ErrorSums sums;
            for (int r = b0; r < b1; ++r) {
                const int y = region.y0 + r;
                const ErrorSums row =
                    rowErrors<bits>(first.row(y), second.row(y), marks, region.x0, region.x1);
                sums.differing += row.differing;
                sums.absolute += row.absolute;
                sums.squared += row.squared;
                rowDelta[static_cast<std::size_t>(r)] =
                    row.differing == 0 ? 0.0
                                       : rowDeltaE<bits>(first.row(y), second.row(y), marks, region.x0,
                                                         region.x1, width, scratch);
            }
            bands[band] = sums;
        });
    });
    double ssim = 0;
    const SsimOutcome ssimOutcome = ssimOverRegion(first, second, region, ssim);
    if (ssimOutcome == SsimOutcome::OutOfMemory) {
        return std::nullopt;
    }

    m.pixels = static_cast<std::int64_t>(region.x1 - region.x0) * height;
    std::uint64_t absolute = 0;
    std::uint64_t squared = 0;
    for (const ErrorSums& b : bands) {
        m.ae += b.differing;
        absolute += b.absolute;
        squared += b.squared;
    }
    const double samples = 3.0 * static_cast<double>(m.pixels);
    const double mse = static_cast<double>(squared) / samples;
    m.mae = static_cast<double>(absolute) / samples;
    m.rmse = std::sqrt(mse);
    m.psnr = squared == 0 ? std::numeric_limits<double>::infinity() : 10 * std::log10(255.0 * 255.0 / mse);
    if (ssimOutcome == SsimOutcome::Done) {
        m.ssim = ssim;
    }
    double deltaSum = 0;
    for (int r = 0; r < height; ++r) {
        deltaSum += rowDelta[static_cast<std::size_t>(r)];
    }
    m.deltae = deltaSum / static_cast<double>(m.pixels);
    return m;
}

} // namespace corvane
