#pragma once

#include <QColor>

#include <vector>

class QPainter;
class QPoint;

namespace corvane {

// The pen and the brush of one channel's curve: channel 0 red, 1 green, 2 blue, anything else all
// three (grey).
struct ChannelStyle {
    QColor pen;
    QColor brush;
};
ChannelStyle channelStyle(int channel);

// The axis along which a chart's curve is a graph: X when the curve gives a height for every column
// (the histogram, the column profile), Y when it gives a width for every row (the row profile).
enum class GraphAxis { X, Y };

// Fills, with `brush` and without antialiasing, the polygon closed by `graph` (its coordinate along
// `axis` never decreasing) and the straight line back from its last point to its first, which must lie
// on one line parallel to `axis`: the pixels whose centres lie inside, as a polygon fill lights them.
// Done as one run per column (or row): a general polygon fill slows down with every crossing of a
// jagged curve, this does not.
void fillGraph(QPainter& painter, const std::vector<QPoint>& graph, GraphAxis axis, const QColor& brush);

// Strokes the polyline through `points` with a one-pixel `pen`, without antialiasing: it lights the
// pixel whose top-left corner is each point.
void strokeOutline(QPainter& painter, const std::vector<QPoint>& points, const QColor& pen);

} // namespace corvane
