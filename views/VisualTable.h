#pragma once

#include "platform/Color.h"
#include "platform/DeviceBitmap.h"

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

#include <array>

class QPainter;

namespace corvane {

// The 5 × 5 neighbourhoods of the visual point, read from the two originals: entries 0–24 are original
// 1's pixels around the point, 25–49 original 2's pixels around the point moved by the shift, each row
// by row from the top. kNoColor marks a position outside the working image, and also a position that a
// surface smaller than the working image (or a null surface) does not hold, so no read ever leaves a
// bitmap.
using VisualSamples = std::array<ColorRef, 50>;
VisualSamples sampleVisualNeighbourhoods(const DeviceBitmap& original1, const DeviceBitmap& original2,
                                         QSize working, QPoint point, int shiftH, int shiftV);

// The fill of a cell whose sample lies outside the image.
inline constexpr ColorRef kOutsideSample = 0xFFF7FF;

// The unit of both tables, from result 1's frame: the cell width (frame width / 6) and the unit height
// (frame height / 11); header rows are one unit high, data rows two.
QSize visualTableUnit(const QRect& frame);

// Cell (row, column) of the table drawn over `frame`, rows and columns 0 … 5 (row 0 and column 0 are the
// headers). The last column and the last row reach the frame's right and bottom edges.
QRect visualTableCell(const QRect& frame, QSize unit, int row, int column);

// A data cell's text in a value notation: 0 none, 1 "r,g,b", 2 "#RRGGBB", 3 "#rrggbb". Empty for a
// sample outside the image.
QString visualSampleText(ColorRef sample, int notation);

// The text colour on a cell filled with `fill`: the inverse colour, or black where the inverse red is
// near the middle of its range (where the inverse would not stand out).
ColorRef visualTextColor(ColorRef fill);

// What the two tables show: the samples, the point and the shift they were read at, and the notation.
struct VisualTables {
    VisualSamples samples{};
    QPoint point;
    int shiftH = 0;
    int shiftV = 0;
    int notation = 1;
};

// The text of header cell (row, column) of table 0 (original 1) or 1 (original 2): "Pixel" in the
// corner, else the 1-based x (row 0) or y (column 0) of the pixel below or beside it, which in table 1
// includes the shift.
QString visualHeaderText(const VisualTables& tables, int table, int row, int column);

// Draws the two tables over the result frames (`frames[0]` original 1's, `frames[1]` original 2's), each
// clipped to its frame, with the painter's font. Cells whose samples differ between the originals are
// framed red, yellow, red, yellow in both tables.
void PaintVisualTables(QPainter& painter, const std::array<QRect, 2>& frames, const VisualTables& tables);

// The cross-hair marking the visual point: 17 × 17 pixels, a cross whose 3 × 3 centre is open, transparent
// around it.
const QImage& crossHairImage();
// Draws the cross-hair unscaled with its centre on `centre`.
void PaintCrossHair(QPainter& painter, QPoint centre);

} // namespace corvane
