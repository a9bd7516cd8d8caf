#include "views/ChartStyle.h"

#include <QPainter>
#include <QPen>
#include <QPoint>

namespace corvane {

ChannelStyle channelStyle(int channel) {
    switch (channel) {
    case 0:
        return {QColor(255, 0, 0), QColor(255, 200, 200)};
    case 1:
        return {QColor(0, 128, 0), QColor(200, 255, 200)};
    case 2:
        return {QColor(0, 0, 255), QColor(200, 200, 255)};
    default:
        return {QColor(128, 128, 128), QColor(200, 200, 200)};
    }
}

void fillOutline(QPainter& painter, const std::vector<QPoint>& points, const QColor& brush) {
    if (points.size() < 3) {
        return;
    }
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(Qt::NoPen);
    painter.setBrush(brush);
    painter.drawPolygon(points.data(), static_cast<int>(points.size()), Qt::OddEvenFill);
    painter.restore();
}

void strokeOutline(QPainter& painter, const std::vector<QPoint>& points, const QColor& pen) {
    if (points.size() < 2) {
        return;
    }
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(pen, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawPolyline(points.data(), static_cast<int>(points.size()));
    painter.restore();
}

} // namespace corvane
