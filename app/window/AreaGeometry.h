#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <Qt>

#include <array>

// Rectangles here are QRects (x, y, width, height); a rectangle's right edge in the sense of "right is
// the first column outside" is x + width, never QRect::right() (which is x + width − 1).
namespace corvane {

// The first column right of a rectangle and the first row below it.
inline int rightEdge(const QRect& rect) {
    return rect.x() + rect.width();
}
inline int bottomEdge(const QRect& rect) {
    return rect.y() + rect.height();
}

// The rectangle between two corners given with exclusive far edges, whatever their order.
QRect normalisedRect(QPoint a, QPoint b);

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
    // A rectangle converted corner by corner (its far corner is x + width, y + height), then normalised.
    QRect imageToScreen(int area, const QRect& image) const;
    // Client coordinates to image pixels of area k: trunc((coordinate − picture origin) / scale).
    // (0, 0) while there are no pictures.
    QPoint screenToImage(int area, QPoint screen) const;
    QRect screenToImage(int area, const QRect& screen) const;
    // A length in screen pixels as image pixels: trunc(n / scale); 0 while there are no pictures.
    int screenLengthToImage(int length) const;
    // The first area frame holding the point, −1 if none.
    int frameAt(QPoint screen) const;
    // The first picture holding the point whose area showed an image, −1 if none.
    int areaAt(QPoint screen, const std::array<bool, 4>& showsImage) const;
    // The first of the two originals' pictures holding the point, image or not; −1 if none.
    int originalAt(QPoint screen) const;
};

// The areas of `client` below the control rows, which end at `top`: two rows of two equal frames with
// 2-pixel gaps, each picture scaled to fit its frame with the same scale and centred along the other axis.
// An empty image size gives the frames and no pictures; a client too small for the gaps gives empty frames.
AreaGeometry computeAreaGeometry(const QRect& client, int top, QSize imageSize);

// Offset of the grid lines from a picture's top-left corner for the grid at image position `grid`:
// trunc(coordinate × scale), kept inside the picture (a position outside the image puts its line on the
// picture's last column or row).
QPoint gridLineOffset(const AreaGeometry& geometry, QPoint grid);

// What a point hits of the grid at image position `grid`: the intersection (kind 0), the horizontal line
// (kind 1) or the vertical line (kind 2), with the area; kind −1 when nothing. A hit is closer than 4
// pixels to where the lines are drawn; the intersection is found in every area, even slightly outside
// its picture, the lines only inside a picture.
struct GridHit {
    int kind = -1;
    int area = -1;
};
GridHit hitTestGrid(const AreaGeometry& geometry, QPoint grid, QPoint screen);

// Where the grid's label (text of `textSize`) goes for lines at `lineOffset` in `picture`: 3 pixels
// right of and below the intersection, or left of / above it where it would come within 5 pixels of the
// picture's right or bottom edge.
QRect gridLabelRect(const QRect& picture, QPoint lineOffset, QSize textSize);

// The drop-invitation frame of the document mode at `phase` (odd phases 1 … 19): the picture shrunk on
// each side by width × phase / 40 and height × phase / 40.
QRect documentFrameRect(const QRect& picture, int phase);

// The eight resize handle points of a rectangle grown by 2 pixels on each side: 0 top-left, 1 top-right,
// 2 bottom-right, 3 bottom-left, 4 top-middle, 5 right-middle, 6 bottom-middle, 7 left-middle.
std::array<QPoint, 8> handlePoints(const QRect& rect);
// The handle whose 10 × 10 square (from the point − 5, inclusive, to the point + 5, exclusive) holds
// `point`, the lowest index first; −1 if none.
int hitTestHandle(const QRect& rect, QPoint point);
// The 7 × 7 marks drawn on the handle points of an outline (squares for 0 … 3, circles for 4 … 7).
std::array<QRect, 8> handleMarks(const QRect& rect);
// The pointer over handle `handle`: diagonal arrows on the corners, vertical and horizontal ones on the
// edges.
Qt::CursorShape handleCursor(int handle);

} // namespace corvane
