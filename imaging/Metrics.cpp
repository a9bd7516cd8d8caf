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

// out[x] = the window's weighted sum of in[x − 5 … x + 5], for x = 5 … n − 6; the symmetric taps are
// added before they are weighted.
CORVANE_VECTOR_CLONES void filterAlongRow(const double* in, double* __restrict out, int n,
                                          const Weights& weights) {
    const Weights w = weights;
    for (int x = kSsimRadius; x < n - kSsimRadius; ++x) {
        out[x] = w[0] * in[x] + w[1] * (in[x - 1] + in[x + 1]) + w[2] * (in[x - 2] + in[x + 2]) +
                 w[3] * (in[x - 3] + in[x + 3]) + w[4] * (in[x - 4] + in[x + 4]) +
                 w[5] * (in[x - 5] + in[x + 5]);
    }
}

// out[x] = the window's weighted sum down a column of 11 rows (rows[5] the centre), for x = x0 … x1 − 1.
CORVANE_VECTOR_CLONES void filterDownColumns(const double* const* rows, double* __restrict out, int x0,
                                             int x1, const Weights& weights) {
    const Weights w = weights;
    const double* r0 = rows[0];
    const double* r1 = rows[1];
    const double* r2 = rows[2];
    const double* r3 = rows[3];
    const double* r4 = rows[4];
    const double* r5 = rows[5];
    const double* r6 = rows[6];
    const double* r7 = rows[7];
    const double* r8 = rows[8];
    const double* r9 = rows[9];
    const double* r10 = rows[10];
    for (int x = x0; x < x1; ++x) {
        out[x] = w[0] * r5[x] + w[1] * (r4[x] + r6[x]) + w[2] * (r3[x] + r7[x]) + w[3] * (r2[x] + r8[x]) +
                 w[4] * (r1[x] + r9[x]) + w[5] * (r0[x] + r10[x]);
    }
}

// The luma of one row of each image and their squares and product, for n pixels from x0.
template <int Bits>
CORVANE_VECTOR_CLONES void lumaMoments(const std::uint8_t* a, const std::uint8_t* b, int x0, int n,
                                       double* __restrict la, double* __restrict lb, double* __restrict aa,
                                       double* __restrict bb, double* __restrict ab) {
    constexpr int bpp = Bits / 8;
    for (int x = 0; x < n; ++x) {
        const std::size_t i = pixelOffset(x0 + x, bpp);
        const Rgb8 pa = channelsOf<Bits>(loadColor<Bits>(a + i));
        const Rgb8 pb = channelsOf<Bits>(loadColor<Bits>(b + i));
        const double ya = 0.299 * pa.r + 0.587 * pa.g + 0.114 * pa.b;
        const double yb = 0.299 * pb.r + 0.587 * pb.g + 0.114 * pb.b;
        la[x] = ya;
        lb[x] = yb;
        aa[x] = ya * ya;
        bb[x] = yb * yb;
        ab[x] = ya * yb;
    }
}

// The SSIM of each pixel x0 … x1 − 1 from its filtered moments, into s.
CORVANE_VECTOR_CLONES void ssimOfRow(const double* ua, const double* ub, const double* uaa, const double* ubb,
                                     const double* uab, double* __restrict s, int x0, int x1) {
    constexpr double c1 = (0.01 * 255) * (0.01 * 255);
    constexpr double c2 = (0.03 * 255) * (0.03 * 255);
    for (int x = x0; x < x1; ++x) {
        const double ma = ua[x];
        const double mb = ub[x];
        const double va = uaa[x] - ma * ma;
        const double vb = ubb[x] - mb * mb;
        const double cov = uab[x] - ma * mb;
        s[x] = ((2 * ma * mb + c1) * (2 * cov + c2)) / ((ma * ma + mb * mb + c1) * (va + vb + c2));
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

// Work rows of one band of the SSIM: the ring of the last 11 rows filtered along the row, per moment,
// and rows for the current input row and the current output row.
struct SsimScratch {
    double* ring;   // kMoments × kSsimWindow rows
    double* input;  // kMoments rows: the row's lumas and products
    double* column; // kMoments rows: the moments filtered in both directions
    double* s;      // one row of SSIM values
    static constexpr int kRows = 3 * kMoments + kMoments * kSsimWindow + 1;
};

enum class SsimOutcome { Done, TooSmall, OutOfMemory };

template <int Bits>
void ssimBand(const DeviceBitmap& first, const DeviceBitmap& second, const Overlap& region, int r0, int r1,
              const Weights& w, const SsimScratch& scratch, double* rowSums) {
    const auto n = static_cast<std::size_t>(region.x1 - region.x0);
    const int width = region.x1 - region.x0;
    const auto ringRow = [&](int moment, int row) {
        const auto slot = static_cast<std::size_t>(moment * kSsimWindow + row % kSsimWindow);
        return scratch.ring + slot * n;
    };
    const auto inputRow = [&](int moment) {
        return scratch.input + static_cast<std::size_t>(moment) * n;
    };
    const auto columnRow = [&](int moment) {
        return scratch.column + static_cast<std::size_t>(moment) * n;
    };
    // Input rows r0 − 5 … r1 + 4 (relative to the region) feed output rows r0 … r1 − 1.
    for (int in = r0 - kSsimRadius; in < r1 + kSsimRadius; ++in) {
        const int y = region.y0 + in;
        lumaMoments<Bits>(first.row(y), second.row(y), region.x0, width, inputRow(0), inputRow(1),
                          inputRow(2), inputRow(3), inputRow(4));
        for (int m = 0; m < kMoments; ++m) {
            filterAlongRow(inputRow(m), ringRow(m, in), width, w);
        }
        const int out = in - kSsimRadius;
        if (out < r0) {
            continue;
        }
        for (int m = 0; m < kMoments; ++m) {
            const double* rows[kSsimWindow];
            for (int k = 0; k < kSsimWindow; ++k) {
                rows[k] = ringRow(m, out - kSsimRadius + k);
            }
            filterDownColumns(rows, columnRow(m), kSsimRadius, width - kSsimRadius, w);
        }
        ssimOfRow(columnRow(0), columnRow(1), columnRow(2), columnRow(3), columnRow(4), scratch.s,
                  kSsimRadius, width - kSsimRadius);
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
        const SsimScratch scratch{base, base + kMoments * kSsimWindow * n,
                                  base + (kMoments * kSsimWindow + kMoments) * n,
                                  base + (kMoments * kSsimWindow + 2 * kMoments) * n};
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
