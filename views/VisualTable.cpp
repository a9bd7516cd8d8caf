// The visual comparison: the two originals' neighbourhoods of one pixel as tables, and the cross-hair.

#include "views/VisualTable.h"

#include <QPainter>

#include <cstdlib>

namespace corvane {

namespace {

constexpr int kSide = 5;
constexpr int kCells = kSide * kSide;

QColor toQColor(ColorRef color) {
    return {redOf(color), greenOf(color), blueOf(color)};
}

// One-pixel frame on the edge pixels of `rect`.
void frameRect(QPainter& painter, const QRect& rect, const QColor& color) {
    if (rect.isEmpty()) {
        return;
    }
    painter.fillRect(QRect(rect.x(), rect.y(), rect.width(), 1), color);
    painter.fillRect(QRect(rect.x(), rect.y() + rect.height() - 1, rect.width(), 1), color);
    painter.fillRect(QRect(rect.x(), rect.y(), 1, rect.height()), color);
    painter.fillRect(QRect(rect.x() + rect.width() - 1, rect.y(), 1, rect.height()), color);
}

// The pixel at (x, y) when the working image and the surface both hold it; kNoColor otherwise. The
// coordinates come in 64 bits: the point may be far outside the image (the grid's position is copied to
// it unchecked), and adding the shift must not overflow.
ColorRef sampleAt(const DeviceBitmap& surface, QSize working, long long x, long long y) {
    if (surface.isNull() || x < 0 || y < 0 || x >= working.width() || y >= working.height() ||
        x >= surface.width() || y >= surface.height()) {
        return kNoColor;
    }
    return surface.pixel(static_cast<int>(x), static_cast<int>(y));
}

void drawCellText(QPainter& painter, const QRect& cell, const QString& text, ColorRef color) {
    if (text.isEmpty()) {
        return;
    }
    painter.setPen(toQColor(color));
    painter.drawText(cell, Qt::AlignCenter | Qt::TextSingleLine, text);
}

// One table: original `table` (0 or 1) over `frame`.
void paintTable(QPainter& painter, const QRect& frame, QSize unit, int table, const VisualTables& tables) {
    const QColor headerFrame(0x80, 0x80, 0x80);
    const QColor red(255, 0, 0);
    const QColor yellow(255, 255, 0);
    for (int row = 0; row <= kSide; ++row) {
        for (int column = 0; column <= kSide; ++column) {
            const QRect cell = visualTableCell(frame, unit, row, column);
            if (row == 0 || column == 0) {
                painter.fillRect(cell, Qt::white);
                frameRect(painter, cell, headerFrame);
                drawCellText(painter, cell, visualHeaderText(tables, table, row, column), kBlack);
                continue;
            }
            const auto index = static_cast<std::size_t>((row - 1) * kSide + column - 1);
            const ColorRef sample = tables.samples[static_cast<std::size_t>(table * kCells) + index];
            const ColorRef fill = sample == kNoColor ? kOutsideSample : sample;
            painter.fillRect(cell, toQColor(fill));
            if (tables.samples[index] != tables.samples[kCells + index]) {
                QRect ring = cell;
                for (const QColor& colour : {red, yellow, red, yellow}) {
                    frameRect(painter, ring, colour);
                    ring.adjust(-1, -1, 1, 1);
                }
            }
            drawCellText(painter, cell, visualSampleText(sample, tables.notation), visualTextColor(fill));
        }
    }
}

QImage makeCrossHair() {
    // Red arms edged in black, so that the mark shows on light and dark pictures; everything else is
    // transparent, including the 3 × 3 centre over the chosen pixel.
    QImage image(17, 17, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    const QRgb red = qRgb(255, 0, 0);
    const QRgb black = qRgb(0, 0, 0);
    for (int i = 0; i < 17; ++i) {
        if (i >= 7 && i <= 9) {
            continue;
        }
        image.setPixel(i, 8, red);
        image.setPixel(8, i, red);
        if (i <= 5 || i >= 11) {
            image.setPixel(i, 7, black);
            image.setPixel(i, 9, black);
            image.setPixel(7, i, black);
            image.setPixel(9, i, black);
        }
    }
    return image;
}

} // namespace

VisualSamples sampleVisualNeighbourhoods(const DeviceBitmap& original1, const DeviceBitmap& original2,
                                         QSize working, QPoint point, int shiftH, int shiftV) {
    VisualSamples samples{};
    std::size_t i = 0;
    for (int dy = -2; dy <= 2; ++dy) {
        for (int dx = -2; dx <= 2; ++dx, ++i) {
            const long long x = static_cast<long long>(point.x()) + dx;
            const long long y = static_cast<long long>(point.y()) + dy;
            samples[i] = sampleAt(original1, working, x, y);
            samples[kCells + i] = sampleAt(original2, working, x + shiftH, y + shiftV);
        }
    }
    return samples;
}

QString visualHeaderText(const VisualTables& tables, int table, int row, int column) {
    if (row == 0 && column == 0) {
        return QStringLiteral("Pixel");
    }
    // Headers count pixels from 1: the pixel at x + (column − 3) is labelled x + column − 2. In 64 bits,
    // since the point may lie anywhere.
    if (row == 0) {
        const long long x = static_cast<long long>(tables.point.x()) + (table == 1 ? tables.shiftH : 0);
        return QString::number(x + column - 2);
    }
    const long long y = static_cast<long long>(tables.point.y()) + (table == 1 ? tables.shiftV : 0);
    return QString::number(y + row - 2);
}

QSize visualTableUnit(const QRect& frame) {
    return {frame.width() / 6, frame.height() / 11};
}

QRect visualTableCell(const QRect& frame, QSize unit, int row, int column) {
    const int left = frame.x() + column * unit.width();
    const int right = column == kSide ? frame.x() + frame.width() : left + unit.width();
    const int top = row == 0 ? frame.y() : frame.y() + (2 * row - 1) * unit.height();
    const int bottom = row == kSide ? frame.y() + frame.height()
                       : row == 0   ? top + unit.height()
                                    : top + 2 * unit.height();
    return {left, top, right - left, bottom - top};
}

QString visualSampleText(ColorRef sample, int notation) {
    if (sample == kNoColor) {
        return {};
    }
    const int r = redOf(sample);
    const int g = greenOf(sample);
    const int b = blueOf(sample);
    switch (notation) {
    case 1:
        return QStringLiteral("%1,%2,%3").arg(r).arg(g).arg(b);
    case 2:
        return QString::asprintf("#%02X%02X%02X", r, g, b);
    case 3:
        return QString::asprintf("#%02x%02x%02x", r, g, b);
    default:
        return {};
    }
}

ColorRef visualTextColor(ColorRef fill) {
    const auto r = static_cast<std::uint8_t>(255 - redOf(fill));
    const auto g = static_cast<std::uint8_t>(255 - greenOf(fill));
    const auto b = static_cast<std::uint8_t>(255 - blueOf(fill));
    return std::abs(r - 128) < 64 ? kBlack : makeColor(r, g, b);
}

void PaintVisualTables(QPainter& painter, const std::array<QRect, 2>& frames, const VisualTables& tables) {
    const QSize unit = visualTableUnit(frames[0]);
    for (int table = 0; table < 2; ++table) {
        const QRect& frame = frames[static_cast<std::size_t>(table)];
        if (frame.isEmpty()) {
            continue;
        }
        painter.save();
        painter.setClipRect(frame, Qt::IntersectClip);
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setBackgroundMode(Qt::TransparentMode);
        paintTable(painter, frame, unit, table, tables);
        painter.restore();
    }
}

const QImage& crossHairImage() {
    static const QImage image = makeCrossHair();
    return image;
}

void PaintCrossHair(QPainter& painter, QPoint centre) {
    painter.drawImage(centre - QPoint(8, 8), crossHairImage());
}

} // namespace corvane
