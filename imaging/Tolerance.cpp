// The tolerant pixel comparison: the exact match map first, then a second look at the pixels that differ.

#include "imaging/Tolerance.h"

#include "imaging/KernelSupport.h"

#include <algorithm>
#include <cmath>

namespace corvane {

using namespace kernel;

namespace {

// YIQ of 8-bit channels. Each is evaluated as written, left to right, in double precision and without
// fused multiply-adds, so that the decisions at the threshold and between equal brightnesses are the same
// as other tools that use these weights.
inline double yiqY(double r, double g, double b) {
    return r * 0.29889531 + g * 0.58662247 + b * 0.11448223;
}
inline double yiqI(double r, double g, double b) {
    return r * 0.59597799 - g * 0.27417610 - b * 0.32180189;
}
inline double yiqQ(double r, double g, double b) {
    return r * 0.21147017 - g * 0.52261711 + b * 0.31114694;
}

inline double brightness(Rgb8 c) {
    return yiqY(c.r, c.g, c.b);
}

inline double yiqDelta(Rgb8 a, Rgb8 b) {
    const double y = yiqY(a.r, a.g, a.b) - yiqY(b.r, b.g, b.b);
    const double i = yiqI(a.r, a.g, a.b) - yiqI(b.r, b.g, b.b);
    const double q = yiqQ(a.r, a.g, a.b) - yiqQ(b.r, b.g, b.b);
    return 0.5053 * y * y + 0.299 * i * i + 0.1957 * q * q;
}

} // namespace

double yiqDifference(Rgb8 a, Rgb8 b) {
    return yiqDelta(a, b);
}

double yiqLimit(double threshold) {
    return 35215 * threshold * threshold;
}

bool rectInsideImage(const PixelRect& rect, int width, int height) {
    return rect.x1 >= 0 && rect.y1 >= 0 && rect.x1 <= rect.x2 && rect.y1 <= rect.y2 && rect.x2 < width &&
           rect.y2 < height;
}

namespace {

// A run of pixels [begin, end) of one row.
struct Span {
    int begin = 0, end = 0;
};

// The exact pass over one row, as ComparePixels writes it, that also marks in `differs` the pixels of
// x0 … x1 − 1 whose colours are not equal, and returns how many there are.
template <int Bits>
CORVANE_VECTOR_CLONES int compareRowMarking(const std::uint8_t* a, const std::uint8_t* b, std::uint8_t* out,
                                            std::uint8_t* differs, int width, int x0, int x1,
                                            std::uint32_t match, std::uint32_t mismatch) {
    constexpr int bpp = Bits / 8;
    int count = 0;
    for (int x = 0; x < width; ++x) {
        const std::size_t i = pixelOffset(x, bpp);
        const bool inside = x >= x0 && x < x1;
        const bool equal = loadColor<Bits>(a + i) == loadColor<Bits>(b + i);
        const bool differ = inside && !equal;
        const std::uint32_t value = differ || !inside ? mismatch : match;
        if constexpr (Bits == 32) {
            storePixel32(out + i, value);
        } else {
            storeRawColor<Bits>(out + i, value);
        }
        differs[x] = static_cast<std::uint8_t>(differ);
        count += differ ? 1 : 0;
    }
    return count;
}

// The threshold over a whole row, for rows where many pixels differ: pixels x0 … x1 − 1 whose colours
// differ but lie within `limit` are unmarked and drawn as matching. Every pixel of the run is computed,
// without branches, so that the loop vectorises; unmarked pixels keep their state.
template <int Bits>
CORVANE_VECTOR_CLONES void acceptWithinLimit(const std::uint8_t* a, const std::uint8_t* b, std::uint8_t* out,
                                             std::uint8_t* differs, int x0, int x1, double limit,
                                             std::uint32_t match, std::uint32_t mismatch) {
    constexpr int bpp = Bits / 8;
    for (int x = x0; x < x1; ++x) {
        const std::size_t i = pixelOffset(x, bpp);
        const bool beyond = yiqDelta(channelsOf<Bits>(loadColor<Bits>(a + i)),
                                     channelsOf<Bits>(loadColor<Bits>(b + i))) > limit;
        const bool differ = differs[x] != 0 && beyond;
        differs[x] = static_cast<std::uint8_t>(differ);
        const std::uint32_t value = differ ? mismatch : match;
        if constexpr (Bits == 32) {
            storePixel32(out + i, value);
        } else {
            storeRawColor<Bits>(out + i, value);
        }
    }
}

template <int Bits>
inline void storeMapPixel(std::uint8_t* row, int x, std::uint32_t value) {
    std::uint8_t* p = row + pixelOffset(x, Bits / 8);
    if constexpr (Bits == 32) {
        storePixel32(p, value);
    } else {
        storeRawColor<Bits>(p, value);
    }
}

// Reads the pixels of the two images, with their neighbourhoods clipped to the compared region.
template <int Bits>
class PairReader {
public:
    PairReader(const DeviceBitmap& first, const DeviceBitmap& second, const Overlap& region)
        : m_first(first), m_second(second), m_region(region) {}

    const DeviceBitmap& first() const { return m_first; }
    const DeviceBitmap& second() const { return m_second; }

    static std::uint32_t color(const DeviceBitmap& image, int x, int y) {
        return loadColor<Bits>(image.row(y) + pixelOffset(x, Bits / 8));
    }

    // The anti-aliasing test of Vysniauskas (2009) for the pixel (x, y) of `image`: among its eight
    // neighbours there must be both a darker and a brighter one, at most two of the same brightness
    // (positions outside the region count as one), and the brightest or the darkest neighbour must lie
    // in a flat area of both images, which an edge drawn with intermediate shades has on either side.
    // Ties between neighbours go to the first one met, column by column. The loops have no
    // data-dependent branches: on busy pixels those would mostly be mispredicted.
    bool antialiased(const DeviceBitmap& image, const DeviceBitmap& other, int x, int y) const {
        int same = onBorder(x, y) ? 1 : 0;
        const double centre = brightness(channelsOf<Bits>(color(image, x, y)));
        // The most negative difference is the brightest neighbour, the most positive the darkest.
        double lowest = 0;
        double highest = 0;
        int lowX = 0, lowY = 0, highX = 0, highY = 0;
        for (int nx = x - 1; nx <= x + 1; ++nx) {
            for (int ny = y - 1; ny <= y + 1; ++ny) {
                if ((nx == x && ny == y) || !inside(nx, ny)) {
                    continue;
                }
                const double delta = centre - brightness(channelsOf<Bits>(color(image, nx, ny)));
                same += delta == 0 ? 1 : 0;
                const bool lower = delta < lowest;
                const bool higher = delta > highest;
                lowest = lower ? delta : lowest;
                lowX = lower ? nx : lowX;
                lowY = lower ? ny : lowY;
                highest = higher ? delta : highest;
                highX = higher ? nx : highX;
                highY = higher ? ny : highY;
            }
        }
        if (same > 2 || lowest == 0 || highest == 0) {
            return false;
        }
        return (flat(image, lowX, lowY) && flat(other, lowX, lowY)) ||
               (flat(image, highX, highY) && flat(other, highX, highY));
    }

private:
    bool inside(int x, int y) const {
        return x >= m_region.x0 && x < m_region.x1 && y >= m_region.y0 && y < m_region.y1;
    }
    bool onBorder(int x, int y) const {
        return x == m_region.x0 || x == m_region.x1 - 1 || y == m_region.y0 || y == m_region.y1 - 1;
    }

    // True when more than two of the pixel's neighbours in the region have its colour (positions outside
    // the region count as one).
    bool flat(const DeviceBitmap& image, int x, int y) const {
        int same = onBorder(x, y) ? 1 : 0;
        const std::uint32_t centre = color(image, x, y);
        for (int nx = x - 1; nx <= x + 1; ++nx) {
            for (int ny = y - 1; ny <= y + 1; ++ny) {
                if ((nx != x || ny != y) && inside(nx, ny)) {
                    same += color(image, nx, ny) == centre ? 1 : 0;
                }
            }
        }
        return same > 2;
    }

    const DeviceBitmap& m_first;
    const DeviceBitmap& m_second;
    Overlap m_region;
};

// The ignored runs of row y inside the region, sorted and merged; returns their number.
int ignoredSpans(const std::vector<PixelRect>& rects, int y, const Overlap& region, Span* spans) {
    int n = 0;
    for (const PixelRect& r : rects) {
        if (y < r.y1 || y > r.y2) {
            continue;
        }
        const int begin = std::max(r.x1, region.x0);
        const int end = std::min(r.x2 + 1, region.x1);
        if (begin < end) {
            spans[n++] = {begin, end};
        }
    }
    std::sort(spans, spans + n, [](const Span& a, const Span& b) { return a.begin < b.begin; });
    int merged = 0;
    for (int i = 0; i < n; ++i) {
        if (merged > 0 && spans[i].begin <= spans[merged - 1].end) {
            spans[merged - 1].end = std::max(spans[merged - 1].end, spans[i].end);
        } else {
            spans[merged++] = spans[i];
        }
    }
    return merged;
}

struct MapColors {
    std::uint32_t match, mismatch, antialias, ignored;
};

// Scratch of one band: the row's marks of differing pixels and its ignored runs.
struct BandScratch {
    std::uint8_t* differs;
    Span* spans;
};

// The second look at the differing pixels of row y: colours within the threshold match, anti-aliased
// edges get their own colour, ignored pixels are left out. Returns the pixels that still differ.
template <int Bits>
std::int64_t refineRow(const PairReader<Bits>& pair, std::uint8_t* out, int y, int marked,
                       const Overlap& region, const ToleranceOptions& options, double limit,
                       const MapColors& colors, const BandScratch& scratch) {
    std::uint8_t* differs = scratch.differs;
    const bool tolerant = options.threshold > 0;
    // Where one pixel in eight or more differs, the threshold is applied to the whole row at once.
    // Marks left to visit: the scan ends at the last one (an upper bound once spans clear some).
    int unvisited = marked;
    if (tolerant && 8LL * marked >= region.x1 - region.x0) {
        acceptWithinLimit<Bits>(pair.first().row(y), pair.second().row(y), out, differs, region.x0, region.x1,
                                limit, colors.match, colors.mismatch);
        unvisited = region.x1 - region.x0;
    }
    const int spanCount = ignoredSpans(options.ignored, y, region, scratch.spans);
    for (int s = 0; s < spanCount; ++s) {
        const Span& span = scratch.spans[s];
        std::fill(differs + span.begin, differs + span.end, std::uint8_t{0});
        for (int x = span.begin; x < span.end; ++x) {
            storeMapPixel<Bits>(out, x, colors.ignored);
        }
    }
    std::int64_t count = 0;
    int x = region.x0;
    while (x < region.x1 && unvisited > 0) {
        // Runs of equal pixels are skipped eight at a time.
        if (x + 8 <= region.x1) {
            std::uint64_t eight;
            std::memcpy(&eight, differs + x, 8);
            if (eight == 0) {
                x += 8;
                continue;
            }
        }
        if (differs[x]) {
            --unvisited;
            const std::uint32_t a = PairReader<Bits>::color(pair.first(), x, y);
            const std::uint32_t b = PairReader<Bits>::color(pair.second(), x, y);
            if (tolerant && !(yiqDelta(channelsOf<Bits>(a), channelsOf<Bits>(b)) > limit)) {
                storeMapPixel<Bits>(out, x, colors.match);
            } else if (options.ignoreAntialiasing && (pair.antialiased(pair.first(), pair.second(), x, y) ||
                                                      pair.antialiased(pair.second(), pair.first(), x, y))) {
                storeMapPixel<Bits>(out, x, colors.antialias);
            } else {
                ++count;
            }
        }
        ++x;
    }
    return count;
}

template <int Bits>
std::int64_t compareTolerant(const DeviceBitmap& first, const DeviceBitmap& second, DeviceBitmap& target,
                             const Overlap& region, ColorRef mismatchColor, const ToleranceOptions& options,
                             std::uint8_t* differs, Span* spans) {
    const MapColors colors{rawFromColor<Bits>(kRed), rawFromColor<Bits>(mismatchColor),
                           rawFromColor<Bits>(options.antialiasColor),
                           rawFromColor<Bits>(options.ignoredColor)};
    const double limit = yiqLimit(options.threshold);
    const PairReader<Bits> pair(first, second, region);
    const bool exact = options.exact();
    const int width = first.width();
    std::int64_t counts[kMaxBands] = {};
    forEachBand(first.height(), static_cast<std::size_t>(first.widthBytes()), [&](int band, int y0, int y1) {
        // Two rows of marks: the exact pass runs a row ahead of the second look, so that the neighbours
        // below a pixel have been read in order, not first touched by the anti-aliasing test.
        std::uint8_t* marks[2] = {
            differs + static_cast<std::size_t>(2 * band) * static_cast<std::size_t>(width),
            differs + static_cast<std::size_t>(2 * band + 1) * static_cast<std::size_t>(width)};
        Span* bandSpans = spans + static_cast<std::size_t>(band) * options.ignored.size();
        const auto rowInside = [&](int y) {
            return y >= region.y0 && y < region.y1;
        };
        int marked[2] = {0, 0};
        const auto markRow = [&](int y) {
            return marked[(y - y0) & 1] =
                       compareRowMarking<Bits>(first.row(y), second.row(y), target.row(y),
                                               marks[(y - y0) & 1], width, rowInside(y) ? region.x0 : 0,
                                               rowInside(y) ? region.x1 : 0, colors.match, colors.mismatch);
        };
        std::int64_t count = 0;
        if (exact) {
            for (int y = y0; y < y1; ++y) {
                count += markRow(y);
            }
        } else if (y0 < y1) {
            markRow(y0);
            for (int y = y0; y < y1; ++y) {
                if (y + 1 < y1) {
                    markRow(y + 1);
                }
                // A row without differing pixels has nothing to look at again, unless it has ignored runs
                // to draw.
                if (rowInside(y) && (marked[(y - y0) & 1] > 0 || !options.ignored.empty())) {
                    const BandScratch scratch{marks[(y - y0) & 1], bandSpans};
                    count += refineRow<Bits>(pair, target.row(y), y, marked[(y - y0) & 1], region, options,
                                             limit, colors, scratch);
                }
            }
        }
        counts[band] = count;
    });
    std::int64_t total = 0;
    for (const std::int64_t c : counts) {
        total += c;
    }
    return total;
}

} // namespace

std::optional<std::int64_t> compareWithTolerance(const DeviceBitmap& first, const DeviceBitmap& second,
                                                 DeviceBitmap& target, int shiftH, int shiftV,
                                                 ColorRef mismatchColor, const ToleranceOptions& options) {
    if (!sameGeometry({&first, &second, &target}) || !(options.threshold >= 0 && options.threshold <= 1)) {
        return std::nullopt;
    }
    for (const PixelRect& r : options.ignored) {
        if (!rectInsideImage(r, first.width(), first.height())) {
            return std::nullopt;
        }
    }
    // Everything is allocated before the first pixel is written, so a failure leaves the target as it was.
    const auto width = static_cast<std::size_t>(first.width());
    Buffer<std::uint8_t> differs = allocateBuffer<std::uint8_t>(2 * kMaxBands * width);
    Buffer<Span> spans = allocateBuffer<Span>(kMaxBands * std::max<std::size_t>(options.ignored.size(), 1));
    if (!differs || !spans) {
        return std::nullopt;
    }
    // The second look reads pixels of both images after the map row is written, and neighbours in rows
    // above; an image that is also the target is read from a copy.
    DeviceBitmap copies[2];
    const DeviceBitmap* sources[2] = {&first, &second};
    for (int i = 0; i < 2; ++i) {
        if (!options.exact() && sources[i] == &target) {
            copies[i] = target.clone();
            if (copies[i].isNull()) {
                return std::nullopt;
            }
            sources[i] = &copies[i];
        }
    }
    const Overlap region = shiftOverlap(first.width(), first.height(), shiftH, shiftV);
    std::int64_t count = 0;
    dispatchDepth(first.bitsPixel(), [&](auto depth) {
        count = compareTolerant<decltype(depth)::value>(*sources[0], *sources[1], target, region,
                                                        mismatchColor, options, differs.get(), spans.get());
    });
    return count;
}

} // namespace corvane
