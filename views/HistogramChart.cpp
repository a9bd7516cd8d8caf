// The histogram views: one filled curve per channel, with grey columns where the originals differ.

#include "views/HistogramChart.h"

#include "views/ChartStyle.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace corvane {

namespace {

constexpr int kBins = 256;
// Counts far beyond the top of the area are held this far above it; the part of the curve inside the
// area is the same to within a pixel, and the coordinates stay far from the int range.
constexpr double kFarAbove = -(1 << 20);

int channelOf(int selector) {
    return ((selector % 4) + 4) % 4;
}

double count(const Histogram& histogram, int channel, int bin) {
    return histogram[static_cast<std::size_t>(channel * kBins + bin)];
}

// The channels a selector shows, in the order they are drawn.
std::vector<int> shownChannels(int selector) {
    const int channel = channelOf(selector);
    return channel == 3 ? std::vector<int>{2, 1, 0} : std::vector<int>{channel};
}

float binWidth(QSize area) {
    return static_cast<float>(area.width()) / static_cast<float>(kBins);
}

} // namespace

double histogramScale(const Histogram& histogram, int selector, QSize area) {
    if (selector >= 4) {
        const long long quarterBins = static_cast<long long>(area.width()) * area.height() * 4 / kBins;
        return static_cast<double>(std::max(1LL, quarterBins));
    }
    double largest = 0;
    for (const int channel : shownChannels(selector)) {
        for (int bin = 0; bin < kBins; ++bin) {
            largest = std::max(largest, count(histogram, channel, bin));
        }
    }
    return largest;
}

bool histogramBinsDiffer(const Histogram& first, const Histogram& second, int selector, int bin) {
    for (const int channel : shownChannels(selector)) {
        if (count(first, channel, bin) != count(second, channel, bin)) {
            return true;
        }
    }
    return false;
}

QRect histogramBinColumn(int bin, QSize area) {
    const float e = binWidth(area);
    const auto left = static_cast<int>(static_cast<float>(bin) * e);
    return {left, 0, std::max(1, static_cast<int>(e)), area.height()};
}

std::vector<QPoint> histogramOutline(const Histogram& histogram, int channel, QSize area, double scale) {
    const int w = area.width();
    const int h = area.height();
    const int lastColumn = std::max(0, w - 1);
    const int lastRow = std::max(0, h - 1);
    const float e = binWidth(area);
    std::vector<QPoint> points;
    points.reserve(kBins + 2);
    points.emplace_back(0, lastRow);
    for (int bin = 0; bin < kBins; ++bin) {
        const auto x = std::min(lastColumn, static_cast<int>(static_cast<float>(bin) * e));
        // Nothing counted (scale 0) leaves the curve on the bottom edge.
        const double height = scale > 0 ? std::trunc(h / scale * count(histogram, channel, bin)) : 0.0;
        const double y = std::clamp(static_cast<double>(h) - height, kFarAbove, static_cast<double>(lastRow));
        points.emplace_back(x, static_cast<int>(y));
    }
    points.emplace_back(lastColumn, lastRow);
    return points;
}

void PaintHistogramChart(QPainter& painter, const std::array<QRect, 2>& areas, const Histogram& first,
                         const Histogram& second, int selector) {
    const std::array<const Histogram*, 2> histograms = {&first, &second};
    const std::vector<int> channels = shownChannels(selector);
    const QColor differs(222, 222, 222);
    for (std::size_t k = 0; k < 2; ++k) {
        const QRect& area = areas[k];
        if (area.isEmpty()) {
            continue;
        }
        painter.save();
        painter.setClipRect(area, Qt::IntersectClip);
        painter.translate(area.topLeft());
        const QSize size = area.size();
        painter.fillRect(QRect(QPoint(0, 0), size), Qt::white);
        for (int bin = 0; bin < kBins; ++bin) {
            if (histogramBinsDiffer(first, second, selector, bin)) {
                painter.fillRect(histogramBinColumn(bin, size), differs);
            }
        }
        const double scale = histogramScale(*histograms[k], selector, size);
        std::vector<std::vector<QPoint>> outlines;
        for (const int channel : channels) {
            outlines.push_back(histogramOutline(*histograms[k], channel, size, scale));
        }
        for (std::size_t i = 0; i < channels.size(); ++i) {
            fillGraph(painter, outlines[i], GraphAxis::X, channelStyle(channels[i]).brush);
        }
        for (std::size_t i = 0; i < channels.size(); ++i) {
            strokeOutline(painter, outlines[i], channelStyle(channels[i]).pen);
        }
        painter.restore();
    }
}

} // namespace corvane
