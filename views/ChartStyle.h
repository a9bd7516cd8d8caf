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

// Fills the closed outline `points` with `brush` and strokes it with a one-pixel `pen`, without
// antialiasing, so that every pixel has exactly one of the two colours or keeps its own. The stroke
// lights the pixel whose top-left corner is each point.
void fillOutline(QPainter& painter, const std::vector<QPoint>& points, const QColor& brush);
void strokeOutline(QPainter& painter, const std::vector<QPoint>& points, const QColor& pen);

} // namespace corvane
