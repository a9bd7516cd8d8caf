#pragma once

#include "platform/DeviceBitmap.h"

#include <QImage>
#include <QRect>
#include <QRectF>

#include <cstdint>
#include <vector>

class QPainter;

namespace corvane {

// Draws any part of a device bitmap scaled smoothly into a rectangle, at a cost that follows the size
// drawn rather than the size of the part: a part at most about twice the target's size is read from the
// bitmap itself, a larger one from a copy reduced by 2, 4, 8, … (each pixel the average of the 2 × 2
// pixels below it), made when first needed and kept until the bitmap changes.
//
// The bitmap is known by its address, its geometry and a revision number that the caller raises whenever
// its pixels change in place.
class ReducedSurface {
public:
    // Draws `source` (image pixels; the part outside the bitmap is not drawn, the target there keeps its
    // content) of `surface` scaled into `target`. Nothing for a null bitmap or empty rectangles.
    void draw(QPainter& painter, const QRectF& target, const DeviceBitmap& surface, std::uint64_t revision,
              const QRect& source);

    // How many reduced copies were made so far.
    int reductions() const { return m_reductions; }
    // Forgets the reduced copies.
    void reset();

private:
    // The copy reduced by 2^level (level ≥ 1); null when memory runs out.
    const QImage& reduced(const DeviceBitmap& surface, int level);

    const void* m_bits = nullptr;
    BitmapGeometry m_geometry;
    std::uint64_t m_revision = 0;
    std::vector<QImage> m_levels; // m_levels[i]: reduced by 2^(i + 1)
    int m_reductions = 0;
};

// `rect` (which must lie inside the bitmap) of `surface` as an opaque 32-bit image.
QImage surfaceRegion(const DeviceBitmap& surface, const QRect& rect);

} // namespace corvane
