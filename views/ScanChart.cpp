// The horizontal/vertical charts: the match profile of the rows and of the columns at the current shift.

#include "views/ScanChart.h"

#include "imaging/Filter.h"
#include "platform/Blit.h"
#include "views/ChartStyle.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <cstdlib>
#include <new>

namespace corvane {

namespace {

ScanChannel scanChannelOf(int channel) {
    switch (channel) {
    case 0:
        return ScanChannel::Red;
    case 1:
        return ScanChannel::Green;
    case 2:
        return ScanChannel::Blue;
    default:
        return ScanChannel::Rgb;
    }
}

// trunc(count × scale) as a coordinate offset.
int scaled(int count, float scale) {
    return static_cast<int>(static_cast<float>(count) * scale);
}

QPoint keptInside(QPoint point, const QRect& area) {
    return {std::min(point.x(), area.x() + area.width() - 1),
            std::min(point.y(), area.y() + area.height() - 1)};
}

float scaleX(const QRect& area, QSize image) {
    return static_cast<float>(area.width()) / static_cast<float>(image.width());
}
float scaleY(const QRect& area, QSize image) {
    return static_cast<float>(area.height()) / static_cast<float>(image.height());
}

// The caption and the rate centred on the area, half a line up and half a line down, black over a white
// copy one pixel lower right.
void paintLabels(QPainter& painter, const QRect& area, const QString& caption, const QString& rate) {
    const int h = QFontMetrics(painter.font()).height();
    QRect above = area.translated(0, -h / 2);
    QRect below = above.translated(0, h);
    const int flags = Qt::AlignCenter | Qt::TextSingleLine;
    painter.setPen(Qt::white);
    painter.drawText(above, flags, caption);
    painter.drawText(below, flags, rate);
    above.translate(-1, -1);
    below.translate(-1, -1);
    painter.setPen(Qt::black);
    painter.drawText(above, flags, caption);
    painter.drawText(below, flags, rate);
}

} // namespace

const ScanCounts* ScanChartCache::counts(const ScanChartInput& input) {
    const QSize image = input.image;
    if (input.original1 == nullptr || input.original2 == nullptr || input.work == nullptr ||
        input.original1->isNull() || input.original2->isNull() || input.work->isNull() || image.isEmpty() ||
        input.original1->geometry() != input.original2->geometry() ||
        input.original1->geometry() != input.work->geometry() || input.original1->width() != image.width() ||
        input.original1->height() != image.height() ||
        std::abs(static_cast<long long>(input.shiftH)) >= image.width() ||
        std::abs(static_cast<long long>(input.shiftV)) >= image.height()) {
        return nullptr;
    }
    const Key key{input.original1->bits().data(),
                  input.original2->bits().data(),
                  input.original1->geometry(),
                  input.revisions,
                  input.shiftH,
                  input.shiftV,
                  input.channel};
    if (m_key && *m_key == key) {
        return &m_counts;
    }
    m_key.reset();
    ++m_computations;
    try {
        m_counts.rows.assign(static_cast<std::size_t>(image.height()), 0);
        m_counts.columns.assign(static_cast<std::size_t>(image.width()), 0);
    } catch (const std::bad_alloc&) {
        m_counts = {};
        return nullptr;
    }
    // Pixels are compared at equal positions, so original 2 is first drawn at the shift. Only the overlap
    // is compared: the strip the shifted image leaves uncovered is never read, and original 1 is read
    // where it is.
    const DeviceBitmap* second = input.original2;
    if (input.shiftH != 0 || input.shiftV != 0) {
        if (!bitBlt(*input.work, input.shiftH, input.shiftV, *input.original2)) {
            return nullptr;
        }
        second = input.work;
    }
    m_counts.total = 0;
    if (!CFilter().ScanMatch(*input.original1, *second, input.shiftH, input.shiftV, m_counts.rows,
                             m_counts.columns, m_counts.total, scanChannelOf(input.channel))) {
        return nullptr;
    }
    m_counts.rate = matchRate(m_counts.total, image.width(), image.height(), input.shiftH, input.shiftV);
    m_key = key;
    return &m_counts;
}

QString scanRateText(double rate) {
    return QString::asprintf("%0.3f%%", rate) + QStringLiteral(" 合致");
}

std::vector<QPoint> horizontalScanOutline(const std::vector<int>& rows, QSize image, const QRect& area,
                                          const QRect& scaleArea) {
    const float gx = scaleX(scaleArea, image);
    const float gy = scaleY(scaleArea, image);
    const int left = area.x();
    const int top = area.y();
    const int bottom = area.y() + area.height();
    std::vector<QPoint> points;
    points.reserve(rows.size() + 3);
    points.push_back(keptInside({left, top}, area));
    for (std::size_t y = 0; y < rows.size(); ++y) {
        points.push_back(
            keptInside({left + scaled(rows[y], gx), top + scaled(static_cast<int>(y), gy)}, area));
    }
    points.push_back(keptInside({left, bottom}, area));
    points.push_back(points.front());
    return points;
}

std::vector<QPoint> verticalScanOutline(const std::vector<int>& columns, QSize image, const QRect& area,
                                        const QRect& scaleArea) {
    const float gx = scaleX(scaleArea, image);
    const float gy = scaleY(scaleArea, image);
    const int left = area.x();
    const int right = area.x() + area.width();
    const int bottom = area.y() + area.height();
    std::vector<QPoint> points;
    points.reserve(columns.size() + 3);
    points.push_back(keptInside({left, bottom}, area));
    for (std::size_t x = 0; x < columns.size(); ++x) {
        points.push_back(
            keptInside({left + scaled(static_cast<int>(x), gx), bottom - scaled(columns[x], gy)}, area));
    }
    points.push_back(keptInside({right, bottom}, area));
    points.push_back(points.front());
    return points;
}

bool PaintScanChart(QPainter& painter, const std::array<QRect, 2>& areas, const ScanChartInput& input,
                    ScanChartCache& cache) {
    const ScanCounts* counts = cache.counts(input);
    if (counts == nullptr) {
        return false;
    }
    const ChannelStyle style = channelStyle(input.channel);
    const QString rate = scanRateText(counts->rate);
    const std::array<QString, 2> captions = {QStringLiteral("水平走査"), QStringLiteral("垂直走査")};
    const std::array<const DeviceBitmap*, 2> originals = {input.original1, input.original2};
    for (std::size_t k = 0; k < 2; ++k) {
        const QRect& area = areas[k];
        if (area.isEmpty()) {
            continue;
        }
        painter.save();
        painter.setClipRect(area, Qt::IntersectClip);
        painter.fillRect(area, QColor(255, 255, 240));
        const std::vector<QPoint> outline =
            k == 0 ? horizontalScanOutline(counts->rows, input.image, area, areas[0])
                   : verticalScanOutline(counts->columns, input.image, area, areas[0]);
        // The outline ends where it began; without that last point it is the curve and its base.
        fillGraph(painter, std::vector<QPoint>(outline.begin(), outline.end() - 1),
                  k == 0 ? GraphAxis::Y : GraphAxis::X, style.brush);
        strokeOutline(painter, outline, style.pen);
        if (input.overlayLevel > 0) {
            painter.setOpacity(std::clamp(input.overlayLevel, 0, 5) * 51 / 255.0);
            cache.overlay(static_cast<int>(k))
                .draw(painter, QRectF(area), *originals[k], input.revisions[k],
                      QRect(QPoint(0, 0), input.image));
            painter.setOpacity(1.0);
        }
        painter.setBackgroundMode(Qt::TransparentMode);
        paintLabels(painter, area, captions[k], rate);
        painter.restore();
    }
    return true;
}

} // namespace corvane
