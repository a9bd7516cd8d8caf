#include "views/ChartStyle.h"

#include <QPainter>
#include <QPen>
#include <QPoint>

#include <algorithm>
#include <cmath>

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

void fillGraph(QPainter& painter, const std::vector<QPoint>& graph, GraphAxis axis, const QColor& brush) {
    if (graph.size() < 2) {
        return;
    }
    // Along: the coordinate on `axis`; across: the other one.
    const auto along = [axis](const QPoint& p) {
        return axis == GraphAxis::X ? p.x() : p.y();
    };
    const auto across = [axis](const QPoint& p) {
        return axis == GraphAxis::X ? p.y() : p.x();
    };
    const int base = across(graph.front());
    const int first = along(graph.front());
    const int last = along(graph.back());
    // Runs of pixels [low, high) across, for `count` neighbouring lines from `start` along; drawn together
    // at the end, since one call per run costs more than the run itself.
    std::vector<QRect> runs;
    runs.reserve(static_cast<std::size_t>(std::max(0, along(graph.back()) - along(graph.front()))));
    const auto fillRun = [&](int start, int count, int low, int high) {
        if (count <= 0 || high <= low) {
            return;
        }
        runs.push_back(axis == GraphAxis::X ? QRect(start, low, count, high - low)
                                            : QRect(low, start, high - low, count));
    };
    std::size_t segment = 0;
    int runStart = first;
    int runLow = 0;
    int runHigh = 0;
    for (int line = first; line < last; ++line) {
        // The curve where it crosses the middle of this line; the middle is never on a point, so the
        // segment holding it is never one of zero length.
        const double middle = line + 0.5;
        while (segment + 1 < graph.size() && along(graph[segment + 1]) <= middle) {
            ++segment;
        }
        if (segment + 1 >= graph.size()) {
            break;
        }
        const QPoint& a = graph[segment];
        const QPoint& b = graph[segment + 1];
        const double t = (middle - along(a)) / (along(b) - along(a));
        const double curve = across(a) + t * (across(b) - across(a));
        // Pixels whose middles lie strictly between the curve and the base line.
        int low = 0;
        int high = 0;
        if (curve < base) {
            low = static_cast<int>(std::floor(curve - 0.5)) + 1;
            high = base;
        } else {
            low = base;
            high = static_cast<int>(std::floor(curve - 0.5)) + 1;
        }
        if (low != runLow || high != runHigh) {
            fillRun(runStart, line - runStart, runLow, runHigh);
            runStart = line;
            runLow = low;
            runHigh = high;
        }
    }
    fillRun(runStart, last - runStart, runLow, runHigh);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(Qt::NoPen);
    painter.setBrush(brush);
    painter.drawRects(runs.data(), static_cast<int>(runs.size()));
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
