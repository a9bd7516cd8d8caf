#include "app/window/Icons.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <functional>

namespace corvane {

namespace {

// Draws each size on a 16 × 16 design grid, scaled, so that both sizes have the same picture.
QIcon drawIcon(const std::function<void(QPainter&)>& draw) {
    QIcon icon;
    for (const int size : {16, 32}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(size / 16.0, size / 16.0);
        draw(painter);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

// A small landscape picture in a frame: the program's image areas.
void drawPicture(QPainter& p, const QRectF& frame, const QColor& sky) {
    p.setPen(QPen(QColor(60, 60, 60), 0.8));
    p.setBrush(sky);
    p.drawRect(frame);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(70, 150, 70));
    QPainterPath hill;
    hill.moveTo(frame.left() + 0.5, frame.bottom() - 0.5);
    hill.lineTo(frame.left() + frame.width() * 0.4, frame.top() + frame.height() * 0.45);
    hill.lineTo(frame.left() + frame.width() * 0.7, frame.top() + frame.height() * 0.7);
    hill.lineTo(frame.right() - 0.5, frame.top() + frame.height() * 0.5);
    hill.lineTo(frame.right() - 0.5, frame.bottom() - 0.5);
    hill.closeSubpath();
    p.drawPath(hill);
    p.setBrush(QColor(250, 200, 50));
    p.drawEllipse(QPointF(frame.left() + frame.width() * 0.75, frame.top() + frame.height() * 0.3),
                  frame.width() * 0.1, frame.width() * 0.1);
}

void drawDisc(QPainter& p, const QColor& colour, const QString& glyph) {
    p.setPen(QPen(colour.darker(140), 1));
    p.setBrush(colour);
    p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
    QFont font;
    font.setBold(true);
    font.setPixelSize(11);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRectF(1.5, 1.5, 13, 13), Qt::AlignCenter, glyph);
}

} // namespace

QIcon extractDocumentIcon() {
    return drawIcon([](QPainter& p) {
        drawPicture(p, QRectF(0.5, 4.5, 10, 10), QColor(150, 200, 240));
        // The page with a folded corner.
        QPainterPath page;
        page.moveTo(7.5, 0.5);
        page.lineTo(12.5, 0.5);
        page.lineTo(15.5, 3.5);
        page.lineTo(15.5, 11.5);
        page.lineTo(7.5, 11.5);
        page.closeSubpath();
        p.setPen(QPen(QColor(80, 80, 80), 0.8));
        p.setBrush(Qt::white);
        p.drawPath(page);
        p.drawLine(QPointF(12.5, 0.5), QPointF(12.5, 3.5));
        p.drawLine(QPointF(12.5, 3.5), QPointF(15.5, 3.5));
        p.setPen(QPen(QColor(120, 120, 120), 0.8));
        for (const double y : {5.0, 7.0, 9.0}) {
            p.drawLine(QPointF(9, y), QPointF(14, y));
        }
        // The arrow out of the picture.
        p.setPen(QPen(QColor(200, 60, 40), 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawLine(QPointF(3, 12), QPointF(8, 7));
        p.drawPolyline(QPolygonF{QPointF(5, 7), QPointF(8, 7), QPointF(8, 10)});
    });
}

QIcon clearIcon() {
    return drawIcon([](QPainter& p) {
        drawPicture(p, QRectF(0.5, 2.5, 13, 11), QColor(150, 200, 240));
        p.setPen(QPen(QColor(210, 30, 30), 2.2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(5, 5), QPointF(14.5, 14.5));
        p.drawLine(QPointF(14.5, 5), QPointF(5, 14.5));
    });
}

QIcon versionIcon() {
    return drawIcon([](QPainter& p) { drawDisc(p, QColor(40, 100, 200), QStringLiteral("i")); });
}

QIcon helpIcon() {
    return drawIcon([](QPainter& p) { drawDisc(p, QColor(40, 150, 80), QStringLiteral("?")); });
}

QIcon helpSettingsIcon() {
    return drawIcon([](QPainter& p) {
        QFont font;
        font.setBold(true);
        font.setPixelSize(13);
        p.setFont(font);
        p.setPen(QColor(40, 40, 40));
        p.drawText(QRectF(0, -1, 12, 13), Qt::AlignCenter, QStringLiteral("A"));
        const QColor colours[] = {QColor(220, 40, 40), QColor(40, 160, 60), QColor(40, 90, 210)};
        for (int i = 0; i < 3; ++i) {
            p.fillRect(QRectF(1 + i * 4.5, 12.5, 4.5, 3), colours[i]);
        }
        // A pen over the colours.
        p.setPen(QPen(QColor(90, 60, 30), 1.6, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(11, 10), QPointF(15, 2));
    });
}

QImage applicationIconImage(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) {
        return image;
    }
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 16.0, size / 16.0);
    drawPicture(painter, QRectF(0.5, 0.5, 10, 9), QColor(150, 200, 240));
    drawPicture(painter, QRectF(5.5, 6.5, 10, 9), QColor(250, 190, 170));
    return image;
}

QIcon applicationIcon() {
    // The sizes of the installed icon theme's pictures, so that desktops scale none of them.
    QIcon icon;
    for (const int size : kApplicationIconSizes) {
        icon.addPixmap(QPixmap::fromImage(applicationIconImage(size)));
    }
    return icon;
}

} // namespace corvane
