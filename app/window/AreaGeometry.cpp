#include "app/window/AreaGeometry.h"

#include <algorithm>
#include <cstdlib>

namespace corvane {

namespace {

// Products and quotients of the conversions are computed in float and truncated toward zero, so that
// every part of the window (painting, hit tests, the features drawn over the pictures) lands on the
// same pixel for the same image coordinate.
int scaled(int value, float scale) {
    return static_cast<int>(static_cast<float>(value) * scale);
}
int unscaled(int value, float scale) {
    return static_cast<int>(static_cast<float>(value) / scale);
}

QPoint farCorner(const QRect& rect) {
    return {rightEdge(rect), bottomEdge(rect)};
}

} // namespace

QRect normalisedRect(QPoint a, QPoint b) {
    const int left = std::min(a.x(), b.x());
    const int top = std::min(a.y(), b.y());
    return {left, top, std::max(a.x(), b.x()) - left, std::max(a.y(), b.y()) - top};
}

QPoint AreaGeometry::imageToScreen(int area, QPoint image) const {
    if (area < 0 || area >= 4) {
        return {};
    }
    const QRect& picture = pictures[static_cast<std::size_t>(area)];
    return {picture.x() + scaled(image.x(), scale), picture.y() + scaled(image.y(), scale)};
}

QRect AreaGeometry::imageToScreen(int area, const QRect& image) const {
    return normalisedRect(imageToScreen(area, image.topLeft()), imageToScreen(area, farCorner(image)));
}

QPoint AreaGeometry::screenToImage(int area, QPoint screen) const {
    if (!hasPictures() || area < 0 || area >= 4) {
        return {};
    }
    const QRect& picture = pictures[static_cast<std::size_t>(area)];
    return {unscaled(screen.x() - picture.x(), scale), unscaled(screen.y() - picture.y(), scale)};
}

QRect AreaGeometry::screenToImage(int area, const QRect& screen) const {
    return normalisedRect(screenToImage(area, screen.topLeft()), screenToImage(area, farCorner(screen)));
}

int AreaGeometry::screenLengthToImage(int length) const {
    return hasPictures() ? unscaled(length, scale) : 0;
}

int AreaGeometry::frameAt(QPoint screen) const {
    for (int k = 0; k < 4; ++k) {
        if (frames[static_cast<std::size_t>(k)].contains(screen)) {
            return k;
        }
    }
    return -1;
}

int AreaGeometry::areaAt(QPoint screen, const std::array<bool, 4>& showsImage) const {
    for (int k = 0; k < 4; ++k) {
        const auto uk = static_cast<std::size_t>(k);
        if (showsImage[uk] && pictures[uk].contains(screen)) {
            return k;
        }
    }
    return -1;
}

int AreaGeometry::originalAt(QPoint screen) const {
    for (int k = 0; k < 2; ++k) {
        if (pictures[static_cast<std::size_t>(k)].contains(screen)) {
            return k;
        }
    }
    return -1;
}

AreaGeometry computeAreaGeometry(const QRect& client, int top, QSize imageSize) {
    AreaGeometry geometry;
    const int w = std::max(0, (client.width() - 6) / 2);
    const int h = std::max(0, (client.height() - top - 6) / 2);
    const int left = client.x() + 2;
    const int right = client.x() + w + 4;
    const int lower = top + h + 2;
    geometry.frames = {QRect(left, top, w, h), QRect(right, top, w, h), QRect(left, lower, w, h),
                       QRect(right, lower, w, h)};
    if (imageSize.isEmpty() || w == 0 || h == 0) {
        return geometry;
    }
    const float sx = static_cast<float>(w) / static_cast<float>(imageSize.width());
    const float sy = static_cast<float>(h) / static_cast<float>(imageSize.height());
    int width = w;
    int height = h;
    QPoint move;
    if (sx < sy) {
        geometry.scale = sx;
        height = static_cast<int>(static_cast<float>(imageSize.height()) * sx);
        move.setY((h - height) / 2);
    } else {
        geometry.scale = sy;
        width = static_cast<int>(static_cast<float>(imageSize.width()) * sy);
        move.setX((w - width) / 2);
    }
    for (std::size_t k = 0; k < 4; ++k) {
        geometry.pictures[k] = QRect(geometry.frames[k].topLeft() + move, QSize(width, height));
    }
    return geometry;
}

QPoint gridLineOffset(const AreaGeometry& geometry, QPoint grid) {
    const QSize size = geometry.pictures[0].size();
    return {std::clamp(scaled(grid.x(), geometry.scale), 0, std::max(0, size.width() - 1)),
            std::clamp(scaled(grid.y(), geometry.scale), 0, std::max(0, size.height() - 1))};
}

GridHit hitTestGrid(const AreaGeometry& geometry, QPoint grid, QPoint screen) {
    if (!geometry.hasPictures()) {
        return {};
    }
    // The lines are hit where they are drawn, so a grid placed outside the image (whose lines are drawn
    // on the picture's edge) can still be taken at that edge.
    const QPoint offset = gridLineOffset(geometry, grid);
    const auto near = [](int distance) {
        return std::abs(distance) < 4;
    };
    for (int k = 0; k < 4; ++k) {
        const QPoint line = geometry.pictures[static_cast<std::size_t>(k)].topLeft() + offset;
        if (near(screen.x() - line.x()) && near(screen.y() - line.y())) {
            return {0, k};
        }
    }
    for (int k = 0; k < 4; ++k) {
        const QRect& picture = geometry.pictures[static_cast<std::size_t>(k)];
        if (!picture.contains(screen)) {
            continue;
        }
        const QPoint line = picture.topLeft() + offset;
        if (near(screen.x() - line.x())) {
            return {2, k};
        }
        if (near(screen.y() - line.y())) {
            return {1, k};
        }
    }
    return {};
}

QRect gridLabelRect(const QRect& picture, QPoint lineOffset, QSize textSize) {
    int x = picture.x() + lineOffset.x();
    int y = picture.y() + lineOffset.y();
    if (x + textSize.width() + 5 > rightEdge(picture)) {
        x -= 10 + textSize.width();
    }
    if (y + textSize.height() + 5 > bottomEdge(picture)) {
        y -= 10 + textSize.height();
    }
    return {QPoint(x + 3, y + 3), textSize};
}

QRect documentFrameRect(const QRect& picture, int phase) {
    const int dx = picture.width() * phase / 40;
    const int dy = picture.height() * phase / 40;
    return picture.adjusted(dx, dy, -dx, -dy);
}

std::array<QPoint, 8> handlePoints(const QRect& rect) {
    const int left = rect.x() - 2;
    const int top = rect.y() - 2;
    const int right = rightEdge(rect) + 2;
    const int bottom = bottomEdge(rect) + 2;
    const int middleX = (left + right) / 2;
    const int middleY = (top + bottom) / 2;
    return {QPoint(left, top),    QPoint(right, top),     QPoint(right, bottom),   QPoint(left, bottom),
            QPoint(middleX, top), QPoint(right, middleY), QPoint(middleX, bottom), QPoint(left, middleY)};
}

int hitTestHandle(const QRect& rect, QPoint point) {
    const std::array<QPoint, 8> points = handlePoints(rect);
    for (std::size_t i = 0; i < points.size(); ++i) {
        if (QRect(points[i] - QPoint(5, 5), QSize(10, 10)).contains(point)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

std::array<QRect, 8> handleMarks(const QRect& rect) {
    std::array<QRect, 8> marks;
    const std::array<QPoint, 8> points = handlePoints(rect);
    for (std::size_t i = 0; i < points.size(); ++i) {
        marks[i] = QRect(points[i] - QPoint(3, 3), QSize(7, 7));
    }
    return marks;
}

Qt::CursorShape handleCursor(int handle) {
    switch (handle) {
    case 0:
    case 2:
        return Qt::SizeFDiagCursor;
    case 1:
    case 3:
        return Qt::SizeBDiagCursor;
    case 4:
    case 6:
        return Qt::SizeVerCursor;
    default:
        return Qt::SizeHorCursor;
    }
}

} // namespace corvane
