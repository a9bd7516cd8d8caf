// Histograms, scan matching of two images and the search for the best-matching shift.

#include "imaging/Filter.h"
#include "imaging/KernelSupport.h"

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
    if (width - std::abs(static_cast<long long>(shiftH)) <= 0 || height - std::abs(static_cast<long long>(shiftV)) <= 0) {
        return 0;
    }
    return total * 100 / area;
}

bool CFilter::ComputeHistogram(const DeviceBitmap& bitmap, Histogram& histogram) const {
    if (bitmap.isNull() || !isSupportedDepth(bitmap.bitsPixel())) {
        return false;
    }
    const int width = bitmap.width();
    const int height = bitmap.height();
    if (bitmap.bitsPixel() == 16) {
        // Count the words, then spread each word's count over its three widened channels.
        Buffer<std::uint64_t> words = allocateBuffer<std::uint64_t>(65536, /*zeroed=*/true);
        if (!words) {
            return false;
        }
        for (int y = 0; y < height; ++y) {
            const std::uint8_t* row = bitmap.row(y);
            for (int x = 0; x < width; ++x) {
                ++words[loadWord(row + 2 * x)];
            }
        }
        histogram.fill(0);
        for (std::uint32_t w = 0; w < 65536; ++w) {
            const auto count = static_cast<double>(words[w]);
            const Rgb8 c = channelsOf<16>(w);
            histogram[c.r] += count;
            histogram[256u + c.g] += count;
            histogram[512u + c.b] += count;
        }
        return true;
    }
    // Two sets of counters for alternating pixels, so that equal neighbours do not wait on each other.
    std::array<std::uint64_t, 2 * 768> counts{};
    const int bpp = bitmap.bytesPerPixel();
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* p = bitmap.row(y);
        int x = 0;
        for (; x + 1 < width; x += 2, p += 2 * bpp) {
            ++counts[p[2]];
            ++counts[256u + p[1]];
            ++counts[512u + p[0]];
            ++counts[768u + p[bpp + 2]];
            ++counts[1024u + p[bpp + 1]];
            ++counts[1280u + p[bpp]];
        }
        if (x < width) {
            ++counts[p[2]];
            ++counts[256u + p[1]];
            ++counts[512u + p[0]];
        }
    }
    for (std::size_t i = 0; i < 768; ++i) {
        histogram[i] = static_cast<double>(counts[i] + counts[768 + i]);
    }
    return true;
}

namespace {

// Bits of a raw colour that a scan channel compares.
template <int Bits>
std::uint32_t channelMask(ScanChannel channel) {
    if constexpr (Bits == 16) {
        switch (channel) {
        case ScanChannel::Red:
            return 0xF800;
        case ScanChannel::Green:
            return 0x07E0;
        case ScanChannel::Blue:
            return 0x001F;
        case ScanChannel::Rgb:
            break;
        }
        return 0xFFFF;
    } else {
        switch (channel) {
        case ScanChannel::Red:
            return 0xFF0000;
        case ScanChannel::Green:
            return 0x00FF00;
        case ScanChannel::Blue:
            return 0x0000FF;
        case ScanChannel::Rgb:
            break;
        }
        return 0xFFFFFF;
    }
}

template <int Bits>
double scanMatch(const DeviceBitmap& a, const DeviceBitmap& b, const Overlap& region, std::span<int> rows,
                 std::span<int> columns, std::uint32_t mask) {
    constexpr int bpp = Bits / 8;
    long long total = 0;
    int* columnCounts = columns.data();
    for (int y = region.y0; y < region.y1; ++y) {
        const std::uint8_t* pa = a.row(y);
        const std::uint8_t* pb = b.row(y);
        int matches = 0;
        for (int x = region.x0; x < region.x1; ++x) {
            const std::size_t i = pixelOffset(x, bpp);
            const int equal = ((loadRawColor<Bits>(pa + i) ^ loadRawColor<Bits>(pb + i)) & mask) == 0;
            columnCounts[x] += equal;
            matches += equal;
        }
        rows[static_cast<std::size_t>(y)] = matches;
        total += matches;
    }
    return static_cast<double>(total);
}

} // namespace

bool CFilter::ScanMatch(const DeviceBitmap& imageA, const DeviceBitmap& imageB, int shiftH, int shiftV,
                        std::span<int> rowCounts, std::span<int> columnCounts, double& total,
                        ScanChannel channel) const {
    if (!sameGeometry({&imageA, &imageB}) || rowCounts.size() < static_cast<std::size_t>(imageA.height()) ||
        columnCounts.size() < static_cast<std::size_t>(imageA.width())) {
        return false;
    }
    std::fill(rowCounts.begin(), rowCounts.end(), 0);
    std::fill(columnCounts.begin(), columnCounts.end(), 0);
    const Overlap region = shiftOverlap(imageA.width(), imageA.height(), shiftH, shiftV);
    return dispatchDepth(imageA.bitsPixel(), [&](auto depth) {
        constexpr int bits = decltype(depth)::value;
        total += scanMatch<bits>(imageA, imageB, region, rowCounts, columnCounts, channelMask<bits>(channel));
    });
}

namespace {

#if defined(__x86_64__) && defined(__GNUC__) && !defined(__SANITIZE_ADDRESS__)
#define CORVANE_VECTOR_CLONES __attribute__((target_clones("default", "arch=x86-64-v3", "arch=x86-64-v4")))
#else
#define CORVANE_VECTOR_CLONES
#endif

// For one row of A and the row of B at vertical offset dy, adds to counts[dx + rx] the number of pixels
// x of the overlap with A(x) == B(x − dx), for every dx in −rx … rx − 1.
template <class Pixel>
inline __attribute__((always_inline)) void countShiftsOfRow(const Pixel* a, const Pixel* b, int width, int rx,
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

CORVANE_VECTOR_CLONES void countShiftsOfRow32(const std::uint32_t* a, const std::uint32_t* b, int width, int rx,
                                              long long* counts) {
    countShiftsOfRow(a, b, width, rx, counts);
}

CORVANE_VECTOR_CLONES void countShiftsOfRow16(const std::uint16_t* a, const std::uint16_t* b, int width, int rx,
                                              long long* counts) {
    countShiftsOfRow(a, b, width, rx, counts);
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
                    countRow(rowA, b + static_cast<std::size_t>(by) * static_cast<std::size_t>(width), width, rx,
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

std::optional<ShiftMatch> CFilter::SearchBestMatch(const DeviceBitmap& original1, const DeviceBitmap& original2,
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
        counts = countAllShifts(a.get(), b.get(), width, height, rx, ry, countShiftsOfRow16, progress);
    } else {
        const Buffer<std::uint32_t> a = packColors<std::uint32_t>(original1);
        const Buffer<std::uint32_t> b = packColors<std::uint32_t>(original2);
        if (!a || !b) {
            return std::nullopt;
        }
        counts = countAllShifts(a.get(), b.get(), width, height, rx, ry, countShiftsOfRow32, progress);
    }
    ShiftMatch best;
    for (int dy = -ry; dy < ry; ++dy) {
        for (int dx = -rx; dx < rx; ++dx) {
            const auto total = static_cast<double>(
                counts[static_cast<std::size_t>(dy + ry) * static_cast<std::size_t>(2 * rx) + static_cast<std::size_t>(dx + rx)]);
            const double rate = matchRate(total, width, height, dx, dy);
            if (rate > best.rate) {
                best = {dx, dy, rate};
            }
        }
    }
    return best;
}

} // namespace corvane
