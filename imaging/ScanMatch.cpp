// Histograms, scan matching of two images and the search for the best-matching shift.

#include "imaging/Filter.h"
#include "imaging/KernelSupport.h"

#include <array>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <thread>
#include <vector>

namespace corvane {

using namespace kernel;

double matchRate(double total, int width, int height, int shiftH, int shiftV) {
    const double area = (static_cast<double>(width) - std::abs(static_cast<double>(shiftH))) *
                        (static_cast<double>(height) - std::abs(static_cast<double>(shiftV)));
    if (width - std::abs(static_cast<long long>(shiftH)) <= 0 ||
        height - std::abs(static_cast<long long>(shiftV)) <= 0) {
        return 0;
    }
    return total * 100 / area;
}

namespace {

// Counts of a histogram of one band of rows. 32-bit counters keep the counting loop in the cache; they
// are added into 64-bit totals before they could overflow.
struct ChannelCounts {
    std::array<std::uint64_t, 768> totals{};
    // Two sets of counters for alternating pixels, so that equal neighbours do not wait on each other.
    std::array<std::uint32_t, 2 * 768> counts{};

    void flush() {
        for (std::size_t i = 0; i < 768; ++i) {
            totals[i] += std::uint64_t{counts[i]} + counts[768 + i];
        }
        counts.fill(0);
    }
};

// Rows per flush so that no 32-bit counter can overflow.
int rowsPerFlush(int width) {
    return std::max(1, static_cast<int>(0x7FFFFFFF / std::max(width, 1)));
}

template <int Bits>
void countChannels(const DeviceBitmap& bitmap, int y0, int y1, ChannelCounts& c) {
    constexpr int bpp = Bits / 8;
    const int width = bitmap.width();
    const int flushEvery = rowsPerFlush(width);
    for (int y = y0; y < y1; ++y) {
        const std::uint8_t* p = bitmap.row(y);
        int x = 0;
        for (; x + 1 < width; x += 2, p += 2 * bpp) {
            ++c.counts[p[2]];
            ++c.counts[256u + p[1]];
            ++c.counts[512u + p[0]];
            ++c.counts[768u + p[bpp + 2]];
            ++c.counts[1024u + p[bpp + 1]];
            ++c.counts[1280u + p[bpp]];
        }
        if (x < width) {
            ++c.counts[p[2]];
            ++c.counts[256u + p[1]];
            ++c.counts[512u + p[0]];
        }
        if ((y - y0 + 1) % flushEvery == 0) {
            c.flush();
        }
    }
    c.flush();
}

// 16 bits: counts of the top eleven bits of each word (red and green together) and of the low five
// (blue). Both tables fit the first-level cache; red and green are summed out of the first at the end.
struct WordCounts {
    std::array<std::uint64_t, 2048> redGreenTotals{};
    std::array<std::uint64_t, 32> blueTotals{};
    // Two sets of counters for alternating pixels, as for the channel counts.
    std::array<std::uint32_t, 2 * 2048> redGreen{};
    std::array<std::uint32_t, 2 * 32> blue{};

    void flush() {
        for (std::size_t i = 0; i < 2048; ++i) {
            redGreenTotals[i] += std::uint64_t{redGreen[i]} + redGreen[2048 + i];
        }
        for (std::size_t i = 0; i < 32; ++i) {
            blueTotals[i] += std::uint64_t{blue[i]} + blue[32 + i];
        }
        redGreen.fill(0);
        blue.fill(0);
    }
};

void countWords(const DeviceBitmap& bitmap, int y0, int y1, WordCounts& c) {
    const int width = bitmap.width();
    const int flushEvery = rowsPerFlush(width);
    for (int y = y0; y < y1; ++y) {
        const std::uint8_t* row = bitmap.row(y);
        int x = 0;
        for (; x + 1 < width; x += 2) {
            const std::uint16_t w0 = loadWord(row + 2 * x);
            const std::uint16_t w1 = loadWord(row + 2 * x + 2);
            ++c.redGreen[w0 >> 5];
            ++c.blue[w0 & 31u];
            ++c.redGreen[2048u + (w1 >> 5)];
            ++c.blue[32u + (w1 & 31u)];
        }
        if (x < width) {
            const std::uint16_t w = loadWord(row + 2 * x);
            ++c.redGreen[w >> 5];
            ++c.blue[w & 31u];
        }
        if ((y - y0 + 1) % flushEvery == 0) {
            c.flush();
        }
    }
    c.flush();
}

} // namespace

bool CFilter::ComputeHistogram(const DeviceBitmap& bitmap, Histogram& histogram) const {
    if (bitmap.isNull() || !isSupportedDepth(bitmap.bitsPixel())) {
        return false;
    }
    const int height = bitmap.height();
    const auto rowBytes = static_cast<std::size_t>(bitmap.widthBytes());
    if (bitmap.bitsPixel() == 16) {
        std::array<WordCounts, kMaxBands> bandCounts;
        forEachBand(height, rowBytes, [&](int band, int y0, int y1) {
            countWords(bitmap, y0, y1, bandCounts[static_cast<std::size_t>(band)]);
        });
        histogram.fill(0);
        for (std::size_t i = 0; i < 2048; ++i) {
            const auto count =
                static_cast<double>(bandCounts[0].redGreenTotals[i] + bandCounts[1].redGreenTotals[i]);
            histogram[Expand5(static_cast<unsigned>(i >> 6))] += count;
            histogram[256u + Expand6(static_cast<unsigned>(i & 63))] += count;
        }
        for (std::size_t i = 0; i < 32; ++i) {
            histogram[512u + Expand5(static_cast<unsigned>(i))] +=
                static_cast<double>(bandCounts[0].blueTotals[i] + bandCounts[1].blueTotals[i]);
        }
        return true;
    }
    std::array<ChannelCounts, kMaxBands> bandCounts;
    forEachBand(height, rowBytes, [&](int band, int y0, int y1) {
        ChannelCounts& c = bandCounts[static_cast<std::size_t>(band)];
        if (bitmap.bitsPixel() == 24) {
            countChannels<24>(bitmap, y0, y1, c);
        } else {
            countChannels<32>(bitmap, y0, y1, c);
        }
    });
    for (std::size_t i = 0; i < 768; ++i) {
        histogram[i] = static_cast<double>(bandCounts[0].totals[i] + bandCounts[1].totals[i]);
    }
    return true;
}

namespace {

// Bits of a raw colour that a scan channel compares.
template <int Bits>
std::uint32_t channelMask(ScanChannel channel) {
    switch (channel) {
    case ScanChannel::Red:
        return Bits == 16 ? 0xF800 : 0xFF0000;
    case ScanChannel::Green:
        return Bits == 16 ? 0x07E0 : 0x00FF00;
    case ScanChannel::Blue:
        return Bits == 16 ? 0x001F : 0x0000FF;
    case ScanChannel::Rgb:
        break;
    }
    return Bits == 16 ? 0xFFFF : 0xFFFFFF;
}

// Counts the pixels x0 … x1 − 1 of one row whose masked colours are equal, adding 1 per match to
// columns[x]; returns the row's count.
template <int Bits>
CORVANE_VECTOR_CLONES int scanRow(const std::uint8_t* a, const std::uint8_t* b, int x0, int x1,
                                  std::uint32_t mask, int* columns) {
    constexpr int bpp = Bits / 8;
    int matches = 0;
    for (int x = x0; x < x1; ++x) {
        const std::size_t i = pixelOffset(x, bpp);
        const int equal = ((loadColor<Bits>(a + i) ^ loadColor<Bits>(b + i)) & mask) == 0;
        columns[x] += equal;
        matches += equal;
    }
    return matches;
}

} // namespace

bool CFilter::ScanMatch(const DeviceBitmap& imageA, const DeviceBitmap& imageB, int shiftH, int shiftV,
                        std::span<int> rowCounts, std::span<int> columnCounts, double& total,
                        ScanChannel channel) const {
    const auto width = static_cast<std::size_t>(imageA.width());
    if (!sameGeometry({&imageA, &imageB}) || rowCounts.size() < static_cast<std::size_t>(imageA.height()) ||
        columnCounts.size() < width) {
        return false;
    }
    const Overlap region = shiftOverlap(imageA.width(), imageA.height(), shiftH, shiftV);
    const int rows = region.y1 - region.y0;
    const auto rowBytes = static_cast<std::size_t>(imageA.widthBytes());
    // The second band counts its columns separately; they are added in at the end.
    Buffer<int> secondColumns;
    if (bandCount(rows, rowBytes) > 1) {
        secondColumns = allocateBuffer<int>(width, /*zeroed=*/true);
        if (!secondColumns) {
            return false;
        }
    }
    std::fill(rowCounts.begin(), rowCounts.end(), 0);
    std::fill(columnCounts.begin(), columnCounts.end(), 0);
    std::array<long long, kMaxBands> matches{};
    dispatchDepth(imageA.bitsPixel(), [&](auto depth) {
        constexpr int bits = decltype(depth)::value;
        const std::uint32_t mask = channelMask<bits>(channel);
        forEachBand(rows, rowBytes, [&](int band, int r0, int r1) {
            int* columns = band == 0 ? columnCounts.data() : secondColumns.get();
            for (int y = region.y0 + r0; y < region.y0 + r1; ++y) {
                const int count =
                    scanRow<bits>(imageA.row(y), imageB.row(y), region.x0, region.x1, mask, columns);
                rowCounts[static_cast<std::size_t>(y)] = count;
                matches[static_cast<std::size_t>(band)] += count;
            }
        });
    });
    if (secondColumns) {
        for (std::size_t x = 0; x < width; ++x) {
            columnCounts[x] += secondColumns[x];
        }
    }
    total += static_cast<double>(matches[0] + matches[1]);
    return true;
}

namespace {

// For one row of A and the row of B at vertical offset dy, adds to counts[dx + rx] the number of pixels
// x of the overlap with A(x) == B(x − dx), for every dx in −rx … rx − 1.
template <class Pixel>
CORVANE_VECTOR_CLONES void countShiftsOfRow(const Pixel* a, const Pixel* b, int width, int rx,
                                            long long* counts) {
    for (int dx = -rx; dx < rx; ++dx) {
        const int x0 = std::max(dx, 0);
        const int x1 = width + std::min(dx, 0);
        const Pixel* pa = a + x0;
        const Pixel* pb = b + (x0 - dx);
        int matches = 0;
        for (int i = 0; i < x1 - x0; ++i) {
            matches += pa[i] == pb[i];
        }
        counts[dx + rx] += matches;
    }
}

// The colours of an image, one value per pixel without padding or fourth bytes, so that equal colours
// are equal values.
template <class Pixel>
Buffer<Pixel> packColors(const DeviceBitmap& image) {
    const auto width = static_cast<std::size_t>(image.width());
    Buffer<Pixel> packed = allocateBuffer<Pixel>(width * static_cast<std::size_t>(image.height()));
    if (!packed) {
        return packed;
    }
    dispatchDepth(image.bitsPixel(), [&](auto depth) {
        constexpr int bits = decltype(depth)::value;
        for (int y = 0; y < image.height(); ++y) {
            const std::uint8_t* in = image.row(y);
            Pixel* out = packed.get() + static_cast<std::size_t>(y) * width;
            for (std::size_t x = 0; x < width; ++x) {
                out[x] = static_cast<Pixel>(loadColor<bits>(in + x * (bits / 8)));
            }
        }
    });
    return packed;
}

// Match counts of every shift in the search window, over all rows, shared out in chunks of rows between
// the calling thread and one helper thread. Counts are integers, so the result does not depend on how
// the rows were shared.
template <class Pixel, class CountRow>
std::vector<long long> countAllShifts(const Pixel* a, const Pixel* b, int width, int height, int rx, int ry,
                                      CountRow countRow, const ProgressFn& progress) {
    constexpr int kChunkRows = 16;
    const int chunks = (height + kChunkRows - 1) / kChunkRows;
    const auto shifts = static_cast<std::size_t>(2 * rx) * static_cast<std::size_t>(2 * ry);
    std::atomic<int> nextChunk{0};
    std::atomic<int> doneChunks{0};
    const auto work = [&](std::vector<long long>& counts, bool report) {
        for (int chunk = nextChunk++; chunk < chunks; chunk = nextChunk++) {
            const int yEnd = std::min(height, (chunk + 1) * kChunkRows);
            for (int y = chunk * kChunkRows; y < yEnd; ++y) {
                const Pixel* rowA = a + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
                for (int dy = -ry; dy < ry; ++dy) {
                    const int by = y - dy;
                    if (by < 0 || by >= height) {
                        continue;
                    }
                    countRow(
                        rowA, b + static_cast<std::size_t>(by) * static_cast<std::size_t>(width), width, rx,
                        counts.data() + static_cast<std::size_t>(dy + ry) * static_cast<std::size_t>(2 * rx));
                }
            }
            const int done = ++doneChunks;
            if (report && progress) {
                progress(done, chunks);
            }
        }
    };
    std::vector<long long> counts(shifts, 0);
    std::vector<long long> helperCounts(shifts, 0);
    std::thread helper;
    if (std::thread::hardware_concurrency() > 1 && chunks > 1) {
        try {
            helper = std::thread([&] { work(helperCounts, false); });
        } catch (const std::system_error&) {
            // No helper thread: the calling thread does all the rows.
        }
    }
    work(counts, true);
    if (helper.joinable()) {
        helper.join();
    }
    for (std::size_t i = 0; i < shifts; ++i) {
        counts[i] += helperCounts[i];
    }
    if (progress) {
        progress(chunks, chunks);
    }
    return counts;
}

} // namespace

std::optional<ShiftMatch> CFilter::SearchBestMatch(const DeviceBitmap& original1,
                                                   const DeviceBitmap& original2,
                                                   const ProgressFn& progress) const {
    if (!sameGeometry({&original1, &original2})) {
        return std::nullopt;
    }
    const int width = original1.width();
    const int height = original1.height();
    const int rx = std::min((width - 1) / 4, 20);
    const int ry = std::min((height - 1) / 4, 20);
    std::vector<long long> counts;
    if (original1.bitsPixel() == 16) {
        const Buffer<std::uint16_t> a = packColors<std::uint16_t>(original1);
        const Buffer<std::uint16_t> b = packColors<std::uint16_t>(original2);
        if (!a || !b) {
            return std::nullopt;
        }
        counts = countAllShifts(a.get(), b.get(), width, height, rx, ry, countShiftsOfRow<std::uint16_t>,
                                progress);
    } else {
        const Buffer<std::uint32_t> a = packColors<std::uint32_t>(original1);
        const Buffer<std::uint32_t> b = packColors<std::uint32_t>(original2);
        if (!a || !b) {
            return std::nullopt;
        }
        counts = countAllShifts(a.get(), b.get(), width, height, rx, ry, countShiftsOfRow<std::uint32_t>,
                                progress);
    }
    ShiftMatch best;
    for (int dy = -ry; dy < ry; ++dy) {
        for (int dx = -rx; dx < rx; ++dx) {
            const auto total = static_cast<double>(
                counts[static_cast<std::size_t>(dy + ry) * static_cast<std::size_t>(2 * rx) +
                       static_cast<std::size_t>(dx + rx)]);
            const double rate = matchRate(total, width, height, dx, dy);
            if (rate > best.rate) {
                best = {dx, dy, rate};
            }
        }
    }
    return best;
}

} // namespace corvane
