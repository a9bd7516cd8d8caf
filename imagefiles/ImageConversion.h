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

// An uninitialised image over a new buffer from allocateBuffer(), which `storage` receives and must keep
// alive as long as the image: large images then get the same page handling as surfaces, a decoder given
// the image as its target writes straight into it, and a 32-bit surface can take the buffer over
// (takeSurface). Null when memory runs out.
QImage imageOnNewBuffer(QSize size, QImage::Format format, Buffer<std::uint8_t>& storage);

} // namespace corvane
