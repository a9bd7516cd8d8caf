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

} // namespace

double yiqDifference(Rgb8 a, Rgb8 b) {
    const double y = yiqY(a.r, a.g, a.b) - yiqY(b.r, b.g, b.b);
    const double i = yiqI(a.r, a.g, a.b) - yiqI(b.r, b.g, b.b);
    const double q = yiqQ(a.r, a.g, a.b) - yiqQ(b.r, b.g, b.b);
    return 0.5053 * y * y + 0.299 * i * i + 0.1957 * q * q;
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
    // (positions outside the region count as one), and the darkest or the brightest neighbour must lie
    // in a flat area of both images, which an edge drawn with intermediate shades has on either side.
    // Ties between neighbours go to the first one met, column by column.
    bool antialiased(const DeviceBitmap& image, const DeviceBitmap& other, int x, int y) const {
        const int xa = std::max(x - 1, m_region.x0);
        const int xb = std::min(x + 1, m_region.x1 - 1);
        const int ya = std::max(y - 1, m_region.y0);
        const int yb = std::min(y + 1, m_region.y1 - 1);
        int sameBrightness = x == xa || x == xb || y == ya || y == yb ? 1 : 0;
        const double centre = brightness(channelsOf<Bits>(color(image, x, y)));
        double darkest = 0;
        double brightest = 0;
        int darkX = 0, darkY = 0, brightX = 0, brightY = 0;
        for (int nx = xa; nx <= xb; ++nx) {
            for (int ny = ya; ny <= yb; ++ny) {
                if (nx == x && ny == y) {
                    continue;
                }
                const double delta = centre - brightness(channelsOf<Bits>(color(image, nx, ny)));
                if (delta == 0) {
                    if (++sameBrightness > 2) {
                        return false;
                    }
                } else if (delta < darkest) {
                    darkest = delta;
                    darkX = nx;
                    darkY = ny;
                } else if (delta > brightest) {
                    brightest = delta;
                    brightX = nx;
                    brightY = ny;
                }
            }
        }
        if (darkest == 0 || brightest == 0) {
            return false;
        }
        return (flat(image, darkX, darkY) && flat(other, darkX, darkY)) ||
               (flat(image, brightX, brightY) && flat(other, brightX, brightY));
    }

private:
    // True when more than two of the pixel's neighbours in the region have its colour (positions outside
    // the region count as one).
    bool flat(const DeviceBitmap& image, int x, int y) const {
        const int xa = std::max(x - 1, m_region.x0);
        const int xb = std::min(x + 1, m_region.x1 - 1);
        const int ya = std::max(y - 1, m_region.y0);
        const int yb = std::min(y + 1, m_region.y1 - 1);
        int same = x == xa || x == xb || y == ya || y == yb ? 1 : 0;
        const std::uint32_t centre = color(image, x, y);
        for (int nx = xa; nx <= xb; ++nx) {
            for (int ny = ya; ny <= yb; ++ny) {
                if ((nx != x || ny != y) && color(image, nx, ny) == centre && ++same > 2) {
                    return true;
                }
            }
        }
        return false;
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
std::int64_t refineRow(const PairReader<Bits>& pair, std::uint8_t* out, int y, const Overlap& region,
                       const ToleranceOptions& options, double limit, const MapColors& colors,
                       const BandScratch& scratch) {
    std::uint8_t* differs = scratch.differs;
    const int spanCount = ignoredSpans(options.ignored, y, region, scratch.spans);
    for (int s = 0; s < spanCount; ++s) {
        const Span& span = scratch.spans[s];
        std::fill(differs + span.begin, differs + span.end, std::uint8_t{0});
        for (int x = span.begin; x < span.end; ++x) {
            storeMapPixel<Bits>(out, x, colors.ignored);
        }
    }
    const bool tolerant = options.threshold > 0;
    std::int64_t count = 0;
    int x = region.x0;
    while (x < region.x1) {
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
            const std::uint32_t a = PairReader<Bits>::color(pair.first(), x, y);
            const std::uint32_t b = PairReader<Bits>::color(pair.second(), x, y);
            if (tolerant && !(yiqDifference(channelsOf<Bits>(a), channelsOf<Bits>(b)) > limit)) {
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
        const BandScratch scratch{differs + static_cast<std::size_t>(band) * static_cast<std::size_t>(width),
                                  spans + static_cast<std::size_t>(band) * options.ignored.size()};
        std::int64_t count = 0;
        for (int y = y0; y < y1; ++y) {
            const bool rowInside = y >= region.y0 && y < region.y1;
            const int marked = compareRowMarking<Bits>(
                first.row(y), second.row(y), target.row(y), scratch.differs, width, rowInside ? region.x0 : 0,
                rowInside ? region.x1 : 0, colors.match, colors.mismatch);
            if (!rowInside) {
                continue;
            }
            if (exact) {
                count += marked;
            } else {
                count += refineRow<Bits>(pair, target.row(y), y, region, options, limit, colors, scratch);
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
    Buffer<std::uint8_t> differs = allocateBuffer<std::uint8_t>(kMaxBands * width);
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
