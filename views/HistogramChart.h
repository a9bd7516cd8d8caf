#pragma once

#include "imaging/Filter.h"

#include <QPoint>
#include <QRect>
#include <QSize>

#include <array>
#include <vector>

class QPainter;

namespace corvane {

// The histogram views 0 … 7: selector mod 4 is the channel shown (0 red, 1 green, 2 blue, 3 all three);
// 0 … 3 scale the curve to the largest count shown ("full view"), 4 … 7 to a fixed fraction of the area
// ("small-amount zoom", which magnifies rare values and lets common ones leave the top).

// The count that reaches the top of an area of `area` size: the largest count of the channels shown, or
// for selectors 4 … 7 the area's pixel count / 64 (at least 1). 0 when nothing was counted.
double histogramScale(const Histogram& histogram, int selector, QSize area);

// Whether the two histograms differ at `bin` in any channel the selector shows.
bool histogramBinsDiffer(const Histogram& first, const Histogram& second, int selector, int bin);

// The grey column marking a differing bin, in the area's own coordinates: from trunc(bin × W / 256),
// trunc(W / 256) wide (but at least one pixel, so that no difference is hidden in an area narrower than
// 256 pixels), over the full height.
QRect histogramBinColumn(int bin, QSize area);

// The curve of one channel (0 … 2) in the area's own coordinates: from the bottom-left corner over the
// 256 bins (x = trunc(bin × W / 256), y = H − trunc(H / scale × count)) to the bottom-right corner,
// 258 points. Points are kept on the area's last column and row (the stroke lights the pixel at each
// point) and counts far beyond the top are held at a fixed height above it.
std::vector<QPoint> histogramOutline(const Histogram& histogram, int channel, QSize area, double scale);

// Draws histogram 1 into `areas[0]` and histogram 2 into `areas[1]`, each clipped to its area: white, grey
// columns where the two histograms differ, then the curves filled (blue, green, red) and stroked in the
// same order, so that red lies on top.
void PaintHistogramChart(QPainter& painter, const std::array<QRect, 2>& areas, const Histogram& first,
                         const Histogram& second, int selector);

} // namespace corvane
