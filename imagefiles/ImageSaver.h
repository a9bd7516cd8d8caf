#pragma once

#include "platform/DeviceBitmap.h"
#include "platform/Status.h"

#include <QImage>
#include <QString>

namespace corvane {

// The encoders, chosen by the MIME type "image/" + the lower-cased extension: image/jpeg (with the
// quality), image/png, image/tiff, image/gif and image/bmp. Any other extension (jpg, tif, …) has no
// encoder: the save fails with Status::Kind::NoEncoder and writes nothing.
bool hasEncoder(const QString& extension);

// Encodes the image into `path`, atomically (a failure leaves an existing file byte-identical).
// JPEG (with `quality`, 0 … 100), PNG and TIFF (LZW) through Qt's writers: a Format_ARGB32 image is stored
// with its colour bytes and alpha exactly as they are (not premultiplied); JPEG drops the alpha. GIF
// through encodeGif() (alpha 0 → the transparent index). BMP through encodeBmpImage(): 32 bits with a
// BITMAPV5 alpha mask when the image format has alpha, else 24 bits.
Status saveImageWithEncoder(const QImage& image, const QString& path, const QString& extension, int quality);

// The same encoding into memory (not written anywhere); `path` only names the file in messages.
Status encodeImageWithEncoder(const QImage& image, const QString& path, const QString& extension, int quality,
                              QByteArray& out);

// The surface saved through the encoder of the extension; `quality` 10 … 100 matters for JPEG only.
// The surface is opaque: its fourth byte is not saved as alpha.
Status SaveBitmapWithEncoder(const DeviceBitmap& bitmap, const QString& path, const QString& extension,
                             int quality);

// The surface saved with pure white pixels (255, 255, 255) fully transparent and every other pixel
// opaque; colour bytes are kept, transparent ones included. JPEG has no alpha and stores the colours.
Status SaveTransparentWithEncoder(const DeviceBitmap& bitmap, const QString& path, const QString& extension);

// The preprocessing "256色": the surface reduced to 256 colours through the GIF encoder's quantiser
// (quantizeTo256Colors), in place; 16-bit surfaces take the colours narrowed, 32-bit pixels keep their
// fourth byte. False when memory runs out (the surface keeps its content).
bool ReduceTo256Colors(DeviceBitmap& surface);

} // namespace corvane
