#pragma once

#include "platform/DeviceBitmap.h"
#include "views/ReducedSurface.h"

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

class QPainter;

namespace corvane {

// What the horizontal/vertical charts are drawn from.
struct ScanChartInput {
    const DeviceBitmap* original1 = nullptr;
    const DeviceBitmap* original2 = nullptr;
    // A work surface of the originals' geometry; original 2 is drawn into it at the shift when the counts
    // are computed with a shift.
    DeviceBitmap* work = nullptr;
    QSize image; // the working image size
    int shiftH = 0;
    int shiftV = 0;
    int channel = -1;     // 0 red, 1 green, 2 blue, −1 all three
    int overlayLevel = 0; // 0 none, 1 … 4: the originals laid over the charts at 20 … 80 %
    // Raised by the caller whenever an original's pixels change (the surfaces are otherwise known by
    // their address and geometry).
    std::array<std::uint64_t, 2> revisions{};
};

// Matching pixels per row and per column at the shift, their total and the match rate in percent.
struct ScanCounts {
    std::vector<int> rows;
    std::vector<int> columns;
    double total = 0;
    double rate = 0;
};

// The scan counts of the last chart, computed again only when an original, the shift or the channel
// changed; and the reduced originals of the overlay.
class ScanChartCache {
public:
    // The counts for `input`; null when the shift leaves no rows or columns, an original is missing, the
    // surfaces do not have the working size, or memory runs out.
    const ScanCounts* counts(const ScanChartInput& input);
    // How often the counts were computed.
    int computations() const { return m_computations; }
    ReducedSurface& overlay(int k) { return m_overlays[static_cast<std::size_t>(k)]; }

private:
    struct Key {
        const void* bits1 = nullptr;
        const void* bits2 = nullptr;
        BitmapGeometry geometry;
        std::array<std::uint64_t, 2> revisions{};
        int shiftH = 0;
        int shiftV = 0;
        int channel = 0;
        friend bool operator==(const Key&, const Key&) = default;
    };
    std::optional<Key> m_key;
    ScanCounts m_counts;
    int m_computations = 0;
    std::array<ReducedSurface, 2> m_overlays;
};

// "99.123% 合致".
QString scanRateText(double rate);

// The outline of the row profile in `area`: from the top-left corner down the rows, each at
// L + trunc(count × (R − L) / image width), to the bottom-left corner and back to the start. The
// vertical outline runs from the bottom-left corner along the columns, each at
// B − trunc(count × (B − T) / image height), to the bottom-right corner and back. `scaleArea` gives the
// scale (both charts use result 1's). Points are kept on the area's last column and row, so that a
// fully matching row or column shows on the area's edge.
std::vector<QPoint> horizontalScanOutline(const std::vector<int>& rows, QSize image, const QRect& area,
                                          const QRect& scaleArea);
std::vector<QPoint> verticalScanOutline(const std::vector<int>& columns, QSize image, const QRect& area,
                                        const QRect& scaleArea);

// Draws the row profile ("水平走査") into `areas[0]` and the column profile ("垂直走査") into `areas[1]`
// over (255, 255, 240), the originals over them when an overlay level is set, and the captions with the
// match rate, white-shadowed, in the painter's font. False (nothing drawn) when there are no counts.
bool PaintScanChart(QPainter& painter, const std::array<QRect, 2>& areas, const ScanChartInput& input,
                    ScanChartCache& cache);

} // namespace corvane
