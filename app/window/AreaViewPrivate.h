#pragma once

// State of AreaView shared by its painting and its pointer handling; not part of its interface.

#include "app/window/AreaView.h"
#include "platform/DeviceBitmap.h"
#include "views/ScanChart.h"

#include <QCursor>
#include <QImage>
#include <QPoint>
#include <QRect>

#include <array>
#include <optional>
#include <vector>

namespace corvane {

// The areas a redraw which-value names: 0 … 3 one area, 10 all, 11 the originals, 12 the results, 13
// areas 1 to 3; none for other values.
std::vector<int> areasOf(int which);

// A surface scaled to its picture's size, and what it was made from.
struct ScaledCopy {
    QImage image;
    bool stale = true;
    // Where the surface changed since the image was made (surface coordinates), while not stale.
    QRect changed;
    ColorRef transparent = kNoColor;
    const void* source = nullptr;
    BitmapGeometry geometry;
    int count = 0; // how often it was made
};

struct AreaView::Private {
    std::array<ScaledCopy, 4> copies;
    std::optional<AreaOutline> outline;
    // The grid drag: kind (−1 none, 0 intersection, 1 horizontal line, 2 vertical line) and its area.
    int gridDragKind = -1;
    int gridDragArea = -1;
    bool visualDrag = false;
    // The zoom frame's gestures: the handle being dragged (−1 none), the frame being moved with the
    // pointer's offset from its top-left corner, and the rubber band with its area and start point.
    int zoomHandle = -1;
    bool zoomMove = false;
    QPoint grabOffset;
    bool zoomBand = false;
    int zoomBandArea = -1;
    QPoint zoomBandStart;
    // The last pointer point over the area of the running gesture, used when it is released elsewhere.
    QPoint lastPoint{-1, -1};
    QPoint lastRightClick{-1, -1};
    std::optional<QCursor> loupe;
    WatermarkEditor* watermark = nullptr; // a child of the view
    // Raised for an area whenever the session says its surface changed; the views that keep something
    // made from a surface (the scan counts, reduced copies) compare it.
    std::array<std::uint64_t, 4> revisions{};
    ScanChartCache scanChart;
    bool originalsFlipped = false;
};

} // namespace corvane
