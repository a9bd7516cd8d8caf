#include "app/SamplePair.h"

#include <QLinearGradient>
#include <QPainter>
#include <QRandomGenerator>

namespace corvane {

namespace {

void paintScene(QImage& image, bool second) {
    const int w = image.width();
    const int h = image.height();
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, h);
    sky.setColorAt(0, QColor(70, 130, 200));
    sky.setColorAt(1, QColor(230, 240, 250));
    p.fillRect(image.rect(), sky);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(60, 150, 70));
    p.drawRect(QRectF(0, h * 0.7, w, h * 0.3));
    // The sun moves a little to the right in the second picture.
    p.setBrush(QColor(250, 210, 60));
    p.drawEllipse(QPointF(w * (second ? 0.23 : 0.2), h * 0.22), w * 0.08, w * 0.08);
    // The house's roof changes colour.
    p.setBrush(QColor(180, 60, 40));
    p.drawRect(QRectF(w * 0.55, h * 0.45, w * 0.25, h * 0.3));
    p.setBrush(second ? QColor(90, 60, 160) : QColor(120, 40, 30));
    p.drawPolygon(
        QPolygonF{QPointF(w * 0.52, h * 0.45), QPointF(w * 0.675, h * 0.3), QPointF(w * 0.83, h * 0.45)});
    p.setBrush(QColor(240, 240, 200));
    p.drawRect(QRectF(w * 0.6, h * 0.52, w * 0.05, h * 0.08));
    if (!second) {
        // The window on the right exists only in the first picture.
        p.drawRect(QRectF(w * 0.7, h * 0.52, w * 0.05, h * 0.08));
    }
    p.setPen(QColor(20, 20, 20));
    QFont font;
    font.setPixelSize(std::max(8, h / 14));
    p.setFont(font);
    p.drawText(QRectF(w * 0.05, h * 0.78, w * 0.4, h * 0.15), Qt::AlignLeft | Qt::AlignVCenter,
               second ? QStringLiteral("Corvane 2") : QStringLiteral("Corvane 1"));
    p.end();
    if (second) {
        // A patch of noise in the grass.
        QRandomGenerator random(7);
        for (int y = static_cast<int>(h * 0.85); y < static_cast<int>(h * 0.95); ++y) {
            for (int x = static_cast<int>(w * 0.6); x < static_cast<int>(w * 0.7); ++x) {
                image.setPixel(x, y, qRgb(60 + random.bounded(40), 150, 70));
            }
        }
    }
}

} // namespace

SamplePair makeSamplePair(int width, int height) {
    SamplePair pair{QImage(width, height, QImage::Format_RGB32), QImage(width, height, QImage::Format_RGB32)};
    paintScene(pair.original1, false);
    paintScene(pair.original2, true);
    return pair;
}

} // namespace corvane
