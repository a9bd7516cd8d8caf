#pragma once

#include "platform/Color.h"
#include "platform/DeviceBitmap.h"

#include <QImage>
#include <QRect>

#include <functional>

namespace corvane::test {

// A bitmap of `bits` bits whose pixel (x, y) is `colour(x, y)`.
DeviceBitmap makeBitmap(int width, int height, int bits, const std::function<ColorRef(int, int)>& colour);
DeviceBitmap solidBitmap(int width, int height, int bits, ColorRef colour);

// A canvas for the painters: opaque, filled with `fill`.
QImage canvas(int width, int height, QRgb fill = 0xFF102030u);
// The pixel at (x, y) as 0xRRGGBB.
QRgb rgbAt(const QImage& image, int x, int y);
inline QRgb rgbAt(const QImage& image, QPoint p) {
    return rgbAt(image, p.x(), p.y());
}
QRgb rgbOf(ColorRef colour);
// Whether every pixel of `rect` is `rgb`.
bool allPixels(const QImage& image, const QRect& rect, QRgb rgb);
// Whether some pixel of `rect` is `rgb`.
bool anyPixel(const QImage& image, const QRect& rect, QRgb rgb);

} // namespace corvane::test
