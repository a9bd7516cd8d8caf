#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

#include <array>

namespace corvane {

// Where the four areas and their pictures lie in the main window's client area, and the one display
// scale of all four. Computed from the client rectangle, the bottom of the control rows and the working
// image size; pure, so it is tested without a window.
struct AreaGeometry {
    std::array<QRect, 4> frames;   // area frames: 0 original 1, 1 original 2, 2 result 1, 3 result 2
    std::array<QRect, 4> pictures; // where the working image is drawn inside each frame (empty: none)
    float scale = 0;               // screen pixels per image pixel

    bool hasPictures() const { return scale > 0; }
    // Image pixels to client coordinates of area k: picture origin + trunc(coordinate × scale).
    QPoint imageToScreen(int area, QPoint image) const;
    QRect imageToScreen(int area, const QRect& image) const;
    // Client coordinates to image pixels of area k: trunc((coordinate − picture origin) / scale).
    QPoint screenToImage(int area, QPoint screen) const;
    // A length in screen pixels as image pixels: trunc(n / scale).
    int screenLengthToImage(int length) const;
    // The first area frame holding the point, −1 if none.
    int frameAt(QPoint screen) const;
};

// The areas of `client` below the control rows, which end at `top`: two rows of two equal frames with
// 2-pixel gaps, each picture scaled to fit its frame with the same scale and centred along the other axis.
// An empty image size gives the frames and no pictures.
AreaGeometry computeAreaGeometry(const QRect& client, int top, QSize imageSize);

// What a point hits of the grid at image position `grid`: the intersection (kind 0), the horizontal line
// (kind 1) or the vertical line (kind 2), with the area; kind −1 when nothing (within 3 pixels).
struct GridHit {
    int kind = -1;
    int area = -1;
};
GridHit hitTestGrid(const AreaGeometry& geometry, QPoint grid, QPoint screen);

} // namespace corvane
