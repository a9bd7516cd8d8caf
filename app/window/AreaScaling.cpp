#include "app/window/AreaScaling.h"

#include "platform/PixelAccess.h"

#include <algorithm>
#include <cstdint>
#include <system_error>
#include <thread>
#include <type_traits>
#include <utility>
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
    int columnBegin = 0; // the target columns made, [columnBegin, columnEnd)
    int columnEnd = 0;
    const Axis* columns = nullptr;
    const Axis* rows = nullptr;
    std::uint32_t key = 0;
};

// Target rows [begin, end), columns [job.columnBegin, job.columnEnd): each row first sums its source rows
// column by column (one contiguous pass over the source columns those target columns cover), then each
// target pixel sums its columns.
template <int Bits, bool Keyed>
void scaleRows(const Job& job, int begin, int end) {
    using Sums = RowSums<Bits, Keyed>;
    constexpr int lanes = Sums::lanes;
    constexpr int bytes = Bits / 8;
    const Axis& rows = *job.rows;
    const Axis& axis = *job.columns;
    const auto lastColumn = static_cast<std::size_t>(job.columnEnd - 1);
    const int sourceBegin = axis.first[static_cast<std::size_t>(job.columnBegin)];
    const int sourceWidth = axis.first[lastColumn] + axis.count[lastColumn] - sourceBegin;
    const std::size_t n = static_cast<std::size_t>(sourceWidth) * lanes;
    // Indexed by source column − sourceBegin.
    std::vector<std::uint32_t> whole(n);
    std::vector<float> partial(n);
    std::vector<float> columns(n);
    for (int j = begin; j < end; ++j) {
        const auto uj = static_cast<std::size_t>(j);
        std::fill(whole.begin(), whole.end(), 0u);
        std::fill(partial.begin(), partial.end(), 0.0f);
        for (int t = 0; t < rows.count[uj]; ++t) {
            const auto tap = static_cast<std::size_t>(rows.offset[uj] + t);
            const std::uint8_t* source =
                job.surface->row(rows.first[uj] + t) + static_cast<std::ptrdiff_t>(sourceBegin) * bytes;
            if (rows.overlaps[tap] == rows.full) {
                Sums::add(source, sourceWidth, whole.data(), 1.0f, job.key);
            } else {
                Sums::add(source, sourceWidth, partial.data(), rows.weights[tap], job.key);
            }
        }
        for (std::size_t i = 0; i < n; ++i) {
            columns[i] = rows.fullWeight * static_cast<float>(whole[i]) + partial[i];
        }
        auto* out =
            reinterpret_cast<std::uint32_t*>(job.bits + static_cast<std::ptrdiff_t>(j) * job.bytesPerLine);
        for (int i = job.columnBegin; i < job.columnEnd; ++i) {
            const auto ui = static_cast<std::size_t>(i);
            const float* weights = axis.weights.data() + axis.offset[ui];
            const float* column =
                columns.data() + static_cast<std::ptrdiff_t>(axis.first[ui] - sourceBegin) * lanes;
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

// Makes the pixels `target` of `image` (image coordinates) from `surface`; large parts are split into
// bands of rows, one thread each.
void runScaling(const DeviceBitmap& surface, QImage& image, ColorRef transparent, const QRect& target) {
    const Axis columns = makeAxis(surface.width(), image.width());
    const Axis rows = makeAxis(surface.height(), image.height());
    const bool keyed = transparent != kNoColor;
    Job job;
    job.surface = &surface;
    job.bits = image.bits();
    job.bytesPerLine = image.bytesPerLine();
    job.columnBegin = target.left();
    job.columnEnd = target.left() + target.width();
    job.columns = &columns;
    job.rows = &rows;
    if (keyed) {
        dispatchDepth(surface.bitsPixel(),
                      [&](auto depth) { job.key = rawFromColor<decltype(depth)::value>(transparent); });
    }
    const RowsFunction scale = rowsFunctionFor(surface.bitsPixel(), keyed);

    // The source pixels read: the whole surface scaled in whole, proportionally less for a part.
    const auto pixels =
        static_cast<std::int64_t>(static_cast<double>(surface.width()) * surface.height() * target.width() /
                                  image.width() * target.height() / image.height());
    const unsigned wanted =
        static_cast<unsigned>(std::min<std::int64_t>(kMaxThreads, pixels / kPixelsPerThread));
    const unsigned bands = std::max(1u, std::min({wanted, std::max(1u, std::thread::hardware_concurrency()),
                                                  static_cast<unsigned>(target.height())}));
    std::vector<std::thread> helpers;
    const auto bandStart = [&](unsigned band) {
        return target.top() + static_cast<int>(static_cast<std::int64_t>(target.height()) * band / bands);
    };
    for (unsigned band = 1; band < bands; ++band) {
        try {
            helpers.emplace_back(scale, std::cref(job), bandStart(band), bandStart(band + 1));
        } catch (const std::system_error&) {
            // No thread to spare: this thread does the band itself.
            scale(job, bandStart(band), bandStart(band + 1));
        }
    }
    scale(job, bandStart(0), bandStart(1));
    for (std::thread& helper : helpers) {
        helper.join();
    }
}

bool usable(const DeviceBitmap& surface) {
    return !surface.isNull() && isSupportedDepth(surface.bitsPixel());
}

// The target pixels [first, last] of an axis of `target` pixels over `source` whose source spans meet
// source pixels [low, high); empty (first > last) when none do.
std::pair<int, int> targetSpan(int source, int target, int low, int high) {
    const auto s = static_cast<std::int64_t>(source);
    const auto t = static_cast<std::int64_t>(target);
    // Target pixel i covers [i × s, (i + 1) × s) and source pixel x covers [x × t, (x + 1) × t).
    const auto first = static_cast<int>(static_cast<std::int64_t>(low) * t / s);
    const auto last = static_cast<int>(std::min(t - 1, (static_cast<std::int64_t>(high) * t - 1) / s));
    return {first, last};
}

} // namespace

QImage scaleSurface(const DeviceBitmap& surface, QSize size, ColorRef transparent) {
    if (!usable(surface) || size.isEmpty()) {
        return {};
    }
    QImage image(size, transparent != kNoColor ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    if (image.isNull()) {
        return {};
    }
    runScaling(surface, image, transparent, image.rect());
    return image;
}

bool rescaleSurfaceRect(const DeviceBitmap& surface, QImage& image, const QRect& changed,
                        ColorRef transparent) {
    const QImage::Format format =
        transparent != kNoColor ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
    if (!usable(surface) || image.isNull() || image.format() != format) {
        return false;
    }
    const QRect part = changed.intersected(QRect(0, 0, surface.width(), surface.height()));
    if (part.isEmpty()) {
        return true;
    }
    const auto [left, right] = targetSpan(surface.width(), image.width(), part.left(), part.right() + 1);
    const auto [top, bottom] = targetSpan(surface.height(), image.height(), part.top(), part.bottom() + 1);
    if (left > right || top > bottom) {
        return true;
    }
    // Writing the pixels detaches the image from any other holder first.
    if (image.bits() == nullptr) {
        return false;
    }
    runScaling(surface, image, transparent, QRect(QPoint(left, top), QPoint(right, bottom)));
    return true;
}

} // namespace corvane
