#pragma once

#include "platform/DeviceBitmap.h"

#include <QImage>

namespace corvane {

// The surface's pixels as an opaque 32-bit image (Format_RGB32; 16-bit channels widened). Null when
// memory runs out.
QImage toImage(const DeviceBitmap& bitmap);

// A surface of `bitsPerPixel` bits holding the image's colours (any format; alpha dropped); 16 bits keep
// the top 5, 6 and 5 bits. Null when the image is null or memory runs out.
DeviceBitmap toBitmap(const QImage& image, int bitsPerPixel);

} // namespace corvane
