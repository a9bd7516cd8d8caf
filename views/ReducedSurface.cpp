#include "views/ReducedSurface.h"

#include "platform/PixelAccess.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <system_error>
#include <thread>

namespace corvane {

namespace {

// Above this many source pixels a reduction is split into two bands of rows, one per thread.
constexpr std::int64_t kPixelsPerThread = 2'000'000;

std::uint32_t opaque(std::uint32_t r, std::uint32_t g, std::uint32_t b) {
    return 0xFF000000u | (r << 16) | (g << 8) | b;
}

std::uint32_t average(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d) {
    return (a + b + c + d + 2u) / 4u;
}

// Rows [begin, end) of the half-size image of a `width` × `height` source whose pixels `fetch(x, y)`
// gives as Rgb8; the last column and row of an odd size average with themselves.
template <class Fetch>
void halveRows(const Fetch& fetch, int width, int height, QImage& out, int begin, int end) {
    for (int j = begin; j < end; ++j) {
        const int y0 = 2 * j;
        const int y1 = std::min(y0 + 1, height - 1);
        auto* row = reinterpret_cast<std::uint32_t*>(out.scanLine(j));
        for (int i = 0; i < out.width(); ++i) {
            const int x0 = 2 * i;
            const int x1 = std::min(x0 + 1, width - 1);
            const Rgb8 a = fetch(x0, y0);
            const Rgb8 b = fetch(x1, y0);
            const Rgb8 c = fetch(x0, y1);
            const Rgb8 d = fetch(x1, y1);
            row[i] =
                opaque(average(a.r, b.r, c.r, d.r), average(a.g, b.g, c.g, d.g), average(a.b, b.b, c.b, d.b));
        }
    }
}

template <class Fetch>
QImage halve(const Fetch& fetch, int width, int height) {
    QImage out((width + 1) / 2, (height + 1) / 2, QImage::Format_RGB32);
    if (out.isNull()) {
        return out;
    }
    const int rows = out.height();
    const bool split = static_cast<std::int64_t>(width) * height > kPixelsPerThread &&
                       std::thread::hardware_concurrency() > 1 && rows > 1;
    if (!split) {
        halveRows(fetch, width, height, out, 0, rows);
        return out;
    }
    const int middle = rows / 2;
    try {
        std::thread helper([&] { halveRows(fetch, width, height, out, middle, rows); });
        halveRows(fetch, width, height, out, 0, middle);
        helper.join();
    } catch (const std::system_error&) {
        // No thread to spare: one thread does it all.
        halveRows(fetch, width, height, out, 0, rows);
    }
    return out;
}

QImage halveSurface(const DeviceBitmap& surface) {
    QImage out;
    dispatchDepth(surface.bitsPixel(), [&](auto depth) {
        constexpr int bits = decltype(depth)::value;
        constexpr int bytes = bits / 8;
        const auto fetch = [&surface](int x, int y) {
            return loadRgb<bits>(surface.row(y) + static_cast<std::ptrdiff_t>(x) * bytes);
        };
        out = halve(fetch, surface.width(), surface.height());
    });
    return out;
}

QImage halveImage(const QImage& image) {
    const auto fetch = [&image](int x, int y) {
        const QRgb p = reinterpret_cast<const QRgb*>(image.constScanLine(y))[x];
        return Rgb8{static_cast<std::uint8_t>(qRed(p)), static_cast<std::uint8_t>(qGreen(p)),
                    static_cast<std::uint8_t>(qBlue(p))};
    };
    return halve(fetch, image.width(), image.height());
}

} // namespace

QImage surfaceRegion(const DeviceBitmap& surface, const QRect& rect) {
    QImage out(rect.size(), QImage::Format_RGB32);
    if (out.isNull()) {
        return out;
    }
    dispatchDepth(surface.bitsPixel(), [&](auto depth) {
        constexpr int bits = decltype(depth)::value;
        constexpr int bytes = bits / 8;
        for (int j = 0; j < rect.height(); ++j) {
            const std::uint8_t* source =
                surface.row(rect.y() + j) + static_cast<std::ptrdiff_t>(rect.x()) * bytes;
            auto* row = reinterpret_cast<std::uint32_t*>(out.scanLine(j));
            for (int i = 0; i < rect.width(); ++i) {
                const Rgb8 c = loadRgb<bits>(source + static_cast<std::ptrdiff_t>(i) * bytes);
                row[i] = opaque(c.r, c.g, c.b);
            }
        }
    });
    return out;
}

void ReducedSurface::reset() {
    m_levels.clear();
    m_bits = nullptr;
    m_geometry = {};
    m_revision = 0;
}

const QImage& ReducedSurface::reduced(const DeviceBitmap& surface, int level) {
    const auto index = static_cast<std::size_t>(level - 1);
    if (m_levels.size() <= index) {
        m_levels.resize(index + 1);
    }
    if (m_levels[index].isNull()) {
        if (level == 1) {
            m_levels[index] = halveSurface(surface);
        } else {
            // Each copy is made from the one below it (a shared copy of the image, not of its pixels).
            const QImage below = reduced(surface, level - 1);
            if (!below.isNull()) {
                m_levels[index] = halveImage(below);
            }
        }
        ++m_reductions;
    }
    return m_levels[index];
}

void ReducedSurface::draw(QPainter& painter, const QRectF& target, const DeviceBitmap& surface,
                          std::uint64_t revision, const QRect& source) {
    if (surface.isNull() || target.isEmpty() || source.isEmpty() || !isSupportedDepth(surface.bitsPixel())) {
        return;
    }
    if (m_bits != surface.bits().data() || m_geometry != surface.geometry() || m_revision != revision) {
        m_levels.clear();
        m_bits = surface.bits().data();
        m_geometry = surface.geometry();
        m_revision = revision;
    }
    const QRect inside = source.intersected(QRect(0, 0, surface.width(), surface.height()));
    if (inside.isEmpty()) {
        return;
    }
    // The part of the target the bitmap's part covers.
    const double sx = target.width() / source.width();
    const double sy = target.height() / source.height();
    const QRectF drawn(target.x() + (inside.x() - source.x()) * sx,
                       target.y() + (inside.y() - source.y()) * sy, inside.width() * sx,
                       inside.height() * sy);
    // The largest reduction that still leaves at least one source pixel per target pixel.
    const double ratio = std::min(inside.width() / drawn.width(), inside.height() / drawn.height());
    int level = ratio >= 2 ? static_cast<int>(std::floor(std::log2(ratio))) : 0;
    while (level > 0 && ((surface.width() >> level) == 0 || (surface.height() >> level) == 0)) {
        --level;
    }
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    if (level > 0) {
        const QImage& image = reduced(surface, level);
        if (!image.isNull()) {
            const double factor = std::ldexp(1.0, -level);
            painter.drawImage(drawn, image,
                              QRectF(inside.x() * factor, inside.y() * factor, inside.width() * factor,
                                     inside.height() * factor));
            painter.restore();
            return;
        }
        // No memory for a reduced copy: the part is read from the bitmap itself below.
    }
    const QImage region = surfaceRegion(surface, inside);
    if (!region.isNull()) {
        painter.drawImage(drawn, region);
    }
    painter.restore();
}

} // namespace corvane
