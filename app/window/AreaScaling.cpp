#include "app/window/AreaScaling.h"

#include "platform/PixelAccess.h"

#include <algorithm>
#include <cstdint>
#include <system_error>
#include <thread>
#include <type_traits>
#include <vector>

namespace corvane {

namespace {

// The source pixels that make up each target pixel along one axis, with their weights. Source pixel x
// covers [x × target, (x + 1) × target) and target pixel i covers [i × source, (i + 1) × source) on a
// common integer line, so the overlaps are exact integers; a weight is overlap / source, and the weights
// of one target pixel sum to 1. When shrinking, most source pixels lie wholly inside one target pixel
// (overlap = target): those are summed in integers and weighted once.
struct Axis {
    int full = 0; // the overlap of a source pixel wholly inside a target pixel
    float fullWeight = 0;
    std::vector<int> first;
    std::vector<int> count;
    std::vector<int> offset; // into overlaps and weights
    std::vector<int> overlaps;
    std::vector<float> weights;
};

Axis makeAxis(int source, int target) {
    Axis axis;
    axis.full = target;
    axis.fullWeight = static_cast<float>(target) / static_cast<float>(source);
    axis.first.resize(static_cast<std::size_t>(target));
    axis.count.resize(static_cast<std::size_t>(target));
    axis.offset.resize(static_cast<std::size_t>(target));
    axis.weights.reserve(static_cast<std::size_t>(source) + 2 * static_cast<std::size_t>(target));
    const auto s = static_cast<std::int64_t>(source);
    const auto t = static_cast<std::int64_t>(target);
    for (std::int64_t i = 0; i < t; ++i) {
        const std::int64_t low = i * s;
        const std::int64_t high = low + s;
        const std::int64_t first = low / t;
        const std::int64_t last = (high - 1) / t;
        const auto ui = static_cast<std::size_t>(i);
        axis.first[ui] = static_cast<int>(first);
        axis.count[ui] = static_cast<int>(last - first + 1);
        axis.offset[ui] = static_cast<int>(axis.weights.size());
        for (std::int64_t x = first; x <= last; ++x) {
            const std::int64_t overlap = std::min(high, (x + 1) * t) - std::max(low, x * t);
            axis.overlaps.push_back(static_cast<int>(overlap));
            axis.weights.push_back(static_cast<float>(overlap) / static_cast<float>(s));
        }
    }
    return axis;
}

// Row sums of one pixel format. A pixel is `lanes` values: blue, green, red (16-bit pixels as their 5- and
// 6-bit channels, widened once per target pixel instead of once per source pixel; in 24- and 32-bit
// opaque rows simply the bytes, so that the sums are plain byte additions the compiler vectorises; a 32-bit
// pixel's fourth byte is summed and ignored). With a transparent colour the lanes are blue, green, red and
// coverage: a transparent pixel adds nothing, any other its channels and 255, so the sums come out
// premultiplied. `key` is the transparent colour's raw value (rawFromColor), compared without the fourth
// byte of a 32-bit pixel.
template <int Bits, bool Keyed>
struct RowSums {
    static constexpr int lanes = Keyed ? 4 : (Bits == 16 ? 3 : Bits / 8);

    // Integer sums (Sum = std::uint32_t) take each value once; float sums take it times `weight`.
    template <class Sum>
    static Sum weighted(unsigned value, float weight) {
        if constexpr (std::is_integral_v<Sum>) {
            return static_cast<Sum>(value);
        } else {
            return static_cast<float>(value) * weight;
        }
    }

    template <class Sum>
    static void add(const std::uint8_t* row, int width, Sum* sums, float weight, std::uint32_t key) {
        if constexpr (!Keyed && Bits != 16) {
            const std::ptrdiff_t n = static_cast<std::ptrdiff_t>(width) * lanes;
            for (std::ptrdiff_t i = 0; i < n; ++i) {
                sums[i] += weighted<Sum>(row[i], weight);
            }
        } else {
            constexpr int bytes = Bits / 8;
            for (int x = 0; x < width; ++x) {
                const std::uint8_t* p = row + static_cast<std::ptrdiff_t>(x) * bytes;
                Sum* sum = sums + static_cast<std::ptrdiff_t>(x) * lanes;
                if constexpr (Keyed) {
                    if (loadRawColor<Bits>(p) == key) {
                        continue;
                    }
                    sum[3] += weighted<Sum>(255, weight);
                }
                if constexpr (Bits == 16) {
                    const std::uint16_t word = loadWord(p);
                    sum[0] += weighted<Sum>(blue5Of(word), weight);
                    sum[1] += weighted<Sum>(green6Of(word), weight);
                    sum[2] += weighted<Sum>(red5Of(word), weight);
                } else {
                    sum[0] += weighted<Sum>(p[0], weight);
                    sum[1] += weighted<Sum>(p[1], weight);
                    sum[2] += weighted<Sum>(p[2], weight);
                }
            }
        }
    }
};

std::uint32_t toByte(float value) {
    return static_cast<std::uint32_t>(std::clamp(value + 0.5f, 0.0f, 255.0f));
}

struct Job {
    const DeviceBitmap* surface = nullptr;
    std::uint8_t* bits = nullptr; // the target image's pixels
    std::ptrdiff_t bytesPerLine = 0;
    int targetWidth = 0;
    const Axis* columns = nullptr;
    const Axis* rows = nullptr;
    std::uint32_t key = 0;
};

// Target rows [begin, end): each first sums its source rows column by column (one contiguous pass over
// the source), then each target pixel sums its columns.
template <int Bits, bool Keyed>
void scaleRows(const Job& job, int begin, int end) {
    using Sums = RowSums<Bits, Keyed>;
    constexpr int lanes = Sums::lanes;
    const int width = job.surface->width();
    const std::size_t n = static_cast<std::size_t>(width) * lanes;
    std::vector<std::uint32_t> whole(n);
    std::vector<float> partial(n);
    std::vector<float> columns(n);
    const Axis& rows = *job.rows;
    const Axis& axis = *job.columns;
    for (int j = begin; j < end; ++j) {
        const auto uj = static_cast<std::size_t>(j);
        std::fill(whole.begin(), whole.end(), 0u);
        std::fill(partial.begin(), partial.end(), 0.0f);
        for (int t = 0; t < rows.count[uj]; ++t) {
            const auto tap = static_cast<std::size_t>(rows.offset[uj] + t);
            const std::uint8_t* source = job.surface->row(rows.first[uj] + t);
            if (rows.overlaps[tap] == rows.full) {
                Sums::add(source, width, whole.data(), 1.0f, job.key);
            } else {
                Sums::add(source, width, partial.data(), rows.weights[tap], job.key);
            }
        }
        for (std::size_t i = 0; i < n; ++i) {
            columns[i] = rows.fullWeight * static_cast<float>(whole[i]) + partial[i];
        }
        auto* out =
            reinterpret_cast<std::uint32_t*>(job.bits + static_cast<std::ptrdiff_t>(j) * job.bytesPerLine);
        for (int i = 0; i < job.targetWidth; ++i) {
            const auto ui = static_cast<std::size_t>(i);
            const float* weights = axis.weights.data() + axis.offset[ui];
            const float* column = columns.data() + static_cast<std::ptrdiff_t>(axis.first[ui]) * lanes;
            float blue = 0;
            float green = 0;
            float red = 0;
            float coverage = 0;
            for (int t = 0; t < axis.count[ui]; ++t) {
                blue += weights[t] * column[lanes * t];
                green += weights[t] * column[lanes * t + 1];
                red += weights[t] * column[lanes * t + 2];
                if constexpr (Keyed) {
                    coverage += weights[t] * column[lanes * t + 3];
                }
            }
            if constexpr (Bits == 16) {
                // The averages of the narrow channels widened as Expand5/Expand6 do (exactly for a single
                // pixel, since i × 255 / 31 and i × 255 / 63 are never halfway between two integers).
                blue = blue * 255.0f / 31.0f;
                green = green * 255.0f / 63.0f;
                red = red * 255.0f / 31.0f;
            }
            const std::uint32_t alpha = Keyed ? toByte(coverage) : 255u;
            // Premultiplied channels never exceed the coverage.
            out[i] = (alpha << 24u) | (std::min(toByte(red), alpha) << 16u) |
                     (std::min(toByte(green), alpha) << 8u) | std::min(toByte(blue), alpha);
        }
    }
}

using RowsFunction = void (*)(const Job&, int, int);

RowsFunction rowsFunctionFor(int bits, bool keyed) {
    RowsFunction function = nullptr;
    dispatchDepth(bits, [&](auto depth) {
        constexpr int b = decltype(depth)::value;
        function = keyed ? scaleRows<b, true> : scaleRows<b, false>;
    });
    return function;
}

// Large surfaces are split into bands of target rows, one thread each.
constexpr std::int64_t kPixelsPerThread = 2'000'000;
constexpr unsigned kMaxThreads = 4;

} // namespace

QImage scaleSurface(const DeviceBitmap& surface, QSize size, ColorRef transparent) {
    if (surface.isNull() || size.isEmpty() || !isSupportedDepth(surface.bitsPixel())) {
        return {};
    }
    const bool keyed = transparent != kNoColor;
    QImage image(size, keyed ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    if (image.isNull()) {
        return {};
    }
    const Axis columns = makeAxis(surface.width(), size.width());
    const Axis rows = makeAxis(surface.height(), size.height());
    Job job;
    job.surface = &surface;
    job.bits = image.bits();
    job.bytesPerLine = image.bytesPerLine();
    job.targetWidth = size.width();
    job.columns = &columns;
    job.rows = &rows;
    if (keyed) {
        dispatchDepth(surface.bitsPixel(),
                      [&](auto depth) { job.key = rawFromColor<decltype(depth)::value>(transparent); });
    }
    const RowsFunction scale = rowsFunctionFor(surface.bitsPixel(), keyed);

    const std::int64_t pixels = static_cast<std::int64_t>(surface.width()) * surface.height();
    const unsigned wanted =
        static_cast<unsigned>(std::min<std::int64_t>(kMaxThreads, pixels / kPixelsPerThread));
    const unsigned bands = std::max(1u, std::min({wanted, std::max(1u, std::thread::hardware_concurrency()),
                                                  static_cast<unsigned>(size.height())}));
    std::vector<std::thread> helpers;
    const auto bandStart = [&](unsigned band) {
        return static_cast<int>(static_cast<std::int64_t>(size.height()) * band / bands);
    };
    for (unsigned band = 1; band < bands; ++band) {
        try {
            helpers.emplace_back(scale, std::cref(job), bandStart(band), bandStart(band + 1));
        } catch (const std::system_error&) {
            // No thread to spare: this thread does the band itself.
            scale(job, bandStart(band), bandStart(band + 1));
        }
    }
    scale(job, 0, bandStart(1));
    for (std::thread& helper : helpers) {
        helper.join();
    }
    return image;
}

} // namespace corvane
