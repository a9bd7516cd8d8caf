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

// Encodes the image (alpha kept where the format has one) into `path`, atomically.
Status saveImageWithEncoder(const QImage& image, const QString& path, const QString& extension, int quality);

// The surface saved through the encoder of the extension; `quality` 10 … 100 matters for JPEG only.
Status SaveBitmapWithEncoder(const DeviceBitmap& bitmap, const QString& path, const QString& extension,
                             int quality);

// The surface saved with pure white pixels fully transparent and every other pixel opaque.
Status SaveTransparentWithEncoder(const DeviceBitmap& bitmap, const QString& path, const QString& extension);

// The preprocessing "256色": the surface reduced to 256 colours through the GIF encoder's quantiser, in
// place. False when memory runs out (the surface keeps its content).
bool ReduceTo256Colors(DeviceBitmap& surface);

} // namespace corvane
