#include "platform/Blit.h"

#include "platform/PixelAccess.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace corvane {

namespace {

// A copy of width × height pixels from (srcX, srcY) to (x, y), clipped against both bitmaps.
struct ClippedCopy {
    int x = 0, y = 0, srcX = 0, srcY = 0, width = 0, height = 0;
    bool empty() const { return width <= 0 || height <= 0; }
};

ClippedCopy clipCopy(const DeviceBitmap& dst, long long x, long long y, long long width, long long height,
                     const DeviceBitmap& src, long long srcX, long long srcY) {
    // Moving the left edge right by d moves both rectangles' left edges by d.
    const long long shiftX = std::max({0LL, -x, -srcX});
    const long long shiftY = std::max({0LL, -y, -srcY});
    x += shiftX, srcX += shiftX, width -= shiftX;
    y += shiftY, srcY += shiftY, height -= shiftY;
    width = std::min({width, dst.width() - x, src.width() - srcX});
    height = std::min({height, dst.height() - y, src.height() - srcY});
    if (width <= 0 || height <= 0) {
        return {};
    }
    return {static_cast<int>(x),    static_cast<int>(y),     static_cast<int>(srcX),
            static_cast<int>(srcY), static_cast<int>(width), static_cast<int>(height)};
}

bool compatible(const DeviceBitmap& a, const DeviceBitmap& b) {
    return !a.isNull() && !b.isNull() && a.bitsPixel() == b.bitsPixel();
}

std::size_t byteOffset(int x, int bytesPerPixel) {
    return static_cast<std::size_t>(x) * static_cast<std::size_t>(bytesPerPixel);
}

// Pixels of `src` to draw over `dst` at (x, y) when both may be the same bitmap: a private copy of the
// source stands in when they are, so that no pixel is read after it was written.
class SourceView {
public:
    SourceView(const DeviceBitmap& dst, const DeviceBitmap& src) : m_source(&src) {
        if (&dst == &src) {
            m_copy = src.clone();
            m_source = m_copy.isNull() ? nullptr : &m_copy;
        }
    }
    const DeviceBitmap* get() const { return m_source; }

private:
    const DeviceBitmap* m_source;
    DeviceBitmap m_copy;
};

} // namespace

bool bitBlt(DeviceBitmap& dst, int x, int y, int width, int height, const DeviceBitmap& src, int srcX,
            int srcY) {
    if (!compatible(dst, src)) {
        return false;
    }
    const ClippedCopy c = clipCopy(dst, x, y, width, height, src, srcX, srcY);
    if (c.empty()) {
        return true;
    }
    const int bpp = dst.bytesPerPixel();
    const std::size_t rowBytes = byteOffset(c.width, bpp);
    // With the same bitmap and a move downwards, rows are copied bottom-up so none is read after it was
    // overwritten; memmove handles the overlap within a row.
    const bool bottomUp = &dst == &src && c.y > c.srcY;
    for (int i = 0; i < c.height; ++i) {
        const int row = bottomUp ? c.height - 1 - i : i;
        std::memmove(dst.row(c.y + row) + byteOffset(c.x, bpp),
                     src.row(c.srcY + row) + byteOffset(c.srcX, bpp), rowBytes);
    }
    return true;
}

bool fillSolidRect(DeviceBitmap& dst, const IntRect& rect, ColorRef color) {
    if (dst.isNull()) {
        return false;
    }
    const ClippedCopy c = clipCopy(dst, rect.x, rect.y, rect.width, rect.height, dst, rect.x, rect.y);
    if (c.empty()) {
        return true;
    }
    dispatchDepth(dst.bitsPixel(), [&](auto depth) {
        constexpr int bits = decltype(depth)::value;
        constexpr int bpp = bits / 8;
        const std::uint32_t raw = rawFromColor<bits>(color);
        for (int y = c.y; y < c.y + c.height; ++y) {
            std::uint8_t* p = dst.row(y) + byteOffset(c.x, bpp);
            for (int i = 0; i < c.width; ++i, p += bpp) {
                storeRawColor<bits>(p, raw);
            }
        }
    });
    return true;
}

bool transparentBlt(DeviceBitmap& dst, int x, int y, const DeviceBitmap& src, ColorRef keyColor) {
    if (!compatible(dst, src)) {
        return false;
    }
    const SourceView view(dst, src);
    if (view.get() == nullptr) {
        return false;
    }
    const DeviceBitmap& source = *view.get();
    const ClippedCopy c = clipCopy(dst, x, y, source.width(), source.height(), source, 0, 0);
    if (c.empty()) {
        return true;
    }
    dispatchDepth(dst.bitsPixel(), [&](auto depth) {
        constexpr int bits = decltype(depth)::value;
        constexpr int bpp = bits / 8;
        const std::uint32_t key = rawFromColor<bits>(keyColor);
        for (int row = 0; row < c.height; ++row) {
            std::uint8_t* d = dst.row(c.y + row) + byteOffset(c.x, bpp);
            const std::uint8_t* s = source.row(c.srcY + row) + byteOffset(c.srcX, bpp);
            for (int i = 0; i < c.width; ++i, d += bpp, s += bpp) {
                if (loadRawColor<bits>(s) != key) {
                    std::memcpy(d, s, bpp);
                }
            }
        }
    });
    return true;
}

bool alphaBlend(DeviceBitmap& dst, int x, int y, const DeviceBitmap& src, int alpha) {
    if (!compatible(dst, src) || alpha < 0 || alpha > 255) {
        return false;
    }
    const SourceView view(dst, src);
    if (view.get() == nullptr) {
        return false;
    }
    const DeviceBitmap& source = *view.get();
    const ClippedCopy c = clipCopy(dst, x, y, source.width(), source.height(), source, 0, 0);
    if (c.empty()) {
        return true;
    }
    const auto a = static_cast<unsigned>(alpha);
    const unsigned inverse = 255u - a;
    const auto blend = [a, inverse](unsigned s, unsigned d) {
        return static_cast<std::uint8_t>((s * a + d * inverse + 127u) / 255u);
    };
    const int bpp = dst.bytesPerPixel();
    for (int row = 0; row < c.height; ++row) {
        std::uint8_t* d = dst.row(c.y + row) + byteOffset(c.x, bpp);
        const std::uint8_t* s = source.row(c.srcY + row) + byteOffset(c.srcX, bpp);
        if (dst.bitsPixel() == 16) {
            for (int i = 0; i < c.width; ++i) {
                const Rgb8 sp = loadRgb<16>(s + 2 * i);
                const Rgb8 dp = loadRgb<16>(d + 2 * i);
                storeRgb<16>(d + 2 * i, {blend(sp.r, dp.r), blend(sp.g, dp.g), blend(sp.b, dp.b)});
            }
        } else {
            // Every byte of a 24- or 32-bit pixel is a channel here, the fourth byte included.
            const std::size_t n = byteOffset(c.width, bpp);
            for (std::size_t i = 0; i < n; ++i) {
                d[i] = blend(s[i], d[i]);
            }
        }
    }
    return true;
}

namespace {

struct Seed {
    int x, y;
};

// Fills the 4-connected areas around `starts` of pixels whose colour is not `borderColor`.
bool fillFromSeeds(DeviceBitmap& dst, const std::vector<Seed>& starts, ColorRef borderColor,
                   ColorRef fillColor) {
    const int width = dst.width();
    const int height = dst.height();
    const std::size_t pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    // Phase 1 marks the area in a bit set without touching the image, so that running out of memory
    // part-way leaves the image as it was; phase 2 paints the marked pixels.
    Buffer<std::uint64_t> marks = allocateBuffer<std::uint64_t>((pixels + 63) / 64, /*zeroed=*/true);
    if (!marks) {
        return false;
    }
    const auto index = [width](int px, int py) {
        return static_cast<std::size_t>(py) * static_cast<std::size_t>(width) + static_cast<std::size_t>(px);
    };
    const auto marked = [&](std::size_t i) {
        return (marks[i / 64] >> (i % 64)) & 1u;
    };
    const auto mark = [&](std::size_t i) {
        marks[i / 64] |= std::uint64_t{1} << (i % 64);
    };

    bool ok = true;
    dispatchDepth(dst.bitsPixel(), [&](auto depth) {
        constexpr int bits = decltype(depth)::value;
        constexpr int bpp = bits / 8;
        const std::uint32_t border = rawFromColor<bits>(borderColor);
        const auto open = [&](int px, int py) {
            return !marked(index(px, py)) && loadRawColor<bits>(dst.row(py) + byteOffset(px, bpp)) != border;
        };
        std::vector<Seed> seeds;
        try {
            seeds = starts;
            while (!seeds.empty()) {
                const Seed s = seeds.back();
                seeds.pop_back();
                if (!open(s.x, s.y)) {
                    continue;
                }
                int left = s.x;
                int right = s.x;
                while (left > 0 && open(left - 1, s.y)) {
                    --left;
                }
                while (right + 1 < width && open(right + 1, s.y)) {
                    ++right;
                }
                for (int px = left; px <= right; ++px) {
                    mark(index(px, s.y));
                }
                // One seed per run of open pixels in the rows above and below the span.
                for (const int ny : {s.y - 1, s.y + 1}) {
                    if (ny < 0 || ny >= height) {
                        continue;
                    }
                    bool inRun = false;
                    for (int px = left; px <= right; ++px) {
                        const bool isOpen = open(px, ny);
                        if (isOpen && !inRun) {
                            seeds.push_back({px, ny});
                        }
                        inRun = isOpen;
                    }
                }
            }
        } catch (const std::bad_alloc&) {
            ok = false;
            return;
        }
        const std::uint32_t fill = rawFromColor<bits>(fillColor);
        for (int py = 0; py < height; ++py) {
            std::uint8_t* p = dst.row(py);
            for (int px = 0; px < width; ++px) {
                if (marked(index(px, py))) {
                    storeRawColor<bits>(p + byteOffset(px, bpp), fill);
                }
            }
        }
    });
    return ok;
}

} // namespace

bool floodFill(DeviceBitmap& dst, int x, int y, ColorRef borderColor, ColorRef fillColor) {
    if (dst.isNull() || !dst.contains(x, y)) {
        return false;
    }
    try {
        return fillFromSeeds(dst, {Seed{x, y}}, borderColor, fillColor);
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool floodFillFromEdges(DeviceBitmap& dst, ColorRef borderColor, ColorRef fillColor) {
    if (dst.isNull()) {
        return false;
    }
    const int width = dst.width();
    const int height = dst.height();
    // Every edge pixel is a start; border-coloured ones and those already reached are skipped by the
    // fill itself, so each area is filled once.
    std::vector<Seed> starts;
    try {
        starts.reserve(2 * (static_cast<std::size_t>(width) + static_cast<std::size_t>(height)));
        for (int x = 0; x < width; ++x) {
            starts.push_back({x, 0});
            starts.push_back({x, height - 1});
        }
        for (int y = 1; y + 1 < height; ++y) {
            starts.push_back({0, y});
            starts.push_back({width - 1, y});
        }
        return fillFromSeeds(dst, starts, borderColor, fillColor);
    } catch (const std::bad_alloc&) {
        return false;
    }
}

namespace {

// Resampling of one axis for the output positions [first, end) of an axis of `dstLength` positions:
// every output position takes a weighted sum of source positions, the weights being integers that add
// up to `denominator`. Shrinking averages the source positions an output position covers, weighted by
// how much of each it covers (exact areas, so any factor keeps the average); enlarging interpolates
// linearly between pixel centres.
struct AxisTaps {
    long long denominator = 1;
    std::vector<int> firstSource; // per output position
    std::vector<int> count;       // per output position
    std::vector<std::size_t> offset;
    std::vector<long long> weights;
};

AxisTaps makeAxisTaps(long long s, long long d, long long first, long long end) {
    AxisTaps taps;
    taps.denominator = d == s ? 1 : d < s ? s : 2 * d;
    for (long long i = first; i < end; ++i) {
        taps.offset.push_back(taps.weights.size());
        if (d == s) {
            taps.firstSource.push_back(static_cast<int>(i));
            taps.count.push_back(1);
            taps.weights.push_back(1);
        } else if (d < s) {
            // Output i covers [i·s, (i+1)·s) and source j covers [j·d, (j+1)·d), in units of 1/(s·d).
            const long long begin = i * s;
            const long long stop = begin + s;
            const long long j0 = begin / d;
            const long long j1 = (stop - 1) / d;
            taps.firstSource.push_back(static_cast<int>(j0));
            taps.count.push_back(static_cast<int>(j1 - j0 + 1));
            for (long long j = j0; j <= j1; ++j) {
                taps.weights.push_back(std::min(stop, (j + 1) * d) - std::max(begin, j * d));
            }
        } else {
            // u = (i + ½)·s/d − ½ = ((2i + 1)·s − d) / 2d, clamped to the first and last pixel.
            const long long numerator = (2 * i + 1) * s - d;
            long long j0 = numerator < 0 ? 0 : numerator / (2 * d);
            long long fraction = numerator < 0 ? 0 : numerator % (2 * d);
            if (j0 >= s - 1) {
                j0 = s - 1;
                fraction = 0;
            }
            taps.firstSource.push_back(static_cast<int>(j0));
            taps.count.push_back(fraction == 0 ? 1 : 2);
            taps.weights.push_back(2 * d - fraction);
            if (fraction != 0) {
                taps.weights.push_back(fraction);
            }
        }
    }
    return taps;
}

} // namespace

bool stretchBlt(DeviceBitmap& dst, const IntRect& dstRect, const DeviceBitmap& src, const IntRect& srcRect) {
    if (!compatible(dst, src) || dstRect.width <= 0 || dstRect.height <= 0 || srcRect.width <= 0 ||
        srcRect.height <= 0 || srcRect.x < 0 || srcRect.y < 0 || srcRect.width > src.width() - srcRect.x ||
        srcRect.height > src.height() - srcRect.y) {
        return false;
    }
    if (dstRect.width == srcRect.width && dstRect.height == srcRect.height) {
        return bitBlt(dst, dstRect.x, dstRect.y, srcRect.width, srcRect.height, src, srcRect.x, srcRect.y);
    }
    if (&dst == &src) {
        return false;
    }
    // The output positions that land inside `dst`, in 64 bits so that no coordinate can overflow.
    const long long outX0 = std::max(0LL, -static_cast<long long>(dstRect.x));
    const long long outY0 = std::max(0LL, -static_cast<long long>(dstRect.y));
    const long long outX1 =
        std::min<long long>(dstRect.width, static_cast<long long>(dst.width()) - dstRect.x);
    const long long outY1 =
        std::min<long long>(dstRect.height, static_cast<long long>(dst.height()) - dstRect.y);
    if (outX0 >= outX1 || outY0 >= outY1) {
        return true;
    }
    const AxisTaps horizontal = makeAxisTaps(srcRect.width, dstRect.width, outX0, outX1);
    const AxisTaps vertical = makeAxisTaps(srcRect.height, dstRect.height, outY0, outY1);

    const int channels = src.bitsPixel() == 32 ? 4 : 3;
    const auto outWidth = static_cast<std::size_t>(outX1 - outX0);
    const std::size_t interRow = outWidth * static_cast<std::size_t>(channels);
    // Source rows that the visible output rows read.
    const int firstRow = vertical.firstSource.front();
    const int lastRow = vertical.firstSource.back() + vertical.count.back() - 1;
    const auto rows = static_cast<std::size_t>(lastRow - firstRow + 1);
    // Horizontal pass result: channel values in 8.8 fixed point.
    Buffer<std::uint16_t> inter = allocateBuffer<std::uint16_t>(rows * interRow);
    if (!inter) {
        return false;
    }

    dispatchDepth(src.bitsPixel(), [&](auto depth) {
        constexpr int bits = decltype(depth)::value;
        constexpr int bpp = bits / 8;
        const auto channel = [](const std::uint8_t* p, int c) -> long long {
            if constexpr (bits == 16) {
                const Rgb8 rgb = loadRgb<16>(p);
                return c == 0 ? rgb.b : c == 1 ? rgb.g : rgb.r;
            } else {
                return p[c];
            }
        };
        const long long hDenominator = horizontal.denominator;
        for (std::size_t r = 0; r < rows; ++r) {
            const std::uint8_t* in =
                src.row(srcRect.y + firstRow + static_cast<int>(r)) + byteOffset(srcRect.x, bpp);
            std::uint16_t* out = inter.get() + r * interRow;
            for (std::size_t o = 0; o < outWidth; ++o) {
                const long long* w = horizontal.weights.data() + horizontal.offset[o];
                for (int c = 0; c < channels; ++c) {
                    long long acc = 0;
                    for (int t = 0; t < horizontal.count[o]; ++t) {
                        acc += w[t] * channel(in + byteOffset(horizontal.firstSource[o] + t, bpp), c);
                    }
                    *out++ = static_cast<std::uint16_t>((acc * 256 + hDenominator / 2) / hDenominator);
                }
            }
        }
        const long long vDenominator = vertical.denominator * 256;
        for (std::size_t o = 0; o < vertical.count.size(); ++o) {
            const long long* w = vertical.weights.data() + vertical.offset[o];
            const std::uint16_t* base =
                inter.get() + static_cast<std::size_t>(vertical.firstSource[o] - firstRow) * interRow;
            std::uint8_t* out = dst.row(dstRect.y + static_cast<int>(outY0) + static_cast<int>(o)) +
                                byteOffset(dstRect.x + static_cast<int>(outX0), bpp);
            for (std::size_t i = 0; i < outWidth; ++i, out += bpp) {
                std::uint8_t value[4] = {0, 0, 0, 0};
                for (int c = 0; c < channels; ++c) {
                    long long acc = 0;
                    for (int t = 0; t < vertical.count[o]; ++t) {
                        acc +=
                            w[t] * base[static_cast<std::size_t>(t) * interRow +
                                        i * static_cast<std::size_t>(channels) + static_cast<std::size_t>(c)];
                    }
                    value[c] =
                        static_cast<std::uint8_t>(std::min(255LL, (acc + vDenominator / 2) / vDenominator));
                }
                if constexpr (bits == 16) {
                    storeRgb<16>(out, {value[2], value[1], value[0]});
                } else {
                    std::memcpy(out, value, bpp);
                }
            }
        }
    });
    return true;
}

} // namespace corvane
