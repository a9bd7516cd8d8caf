#pragma once

#include "platform/Color.h"
#include "platform/DeviceBitmap.h"
#include "platform/Status.h"

#include <QImage>
#include <QString>

namespace corvane {

// A decoded image ready to be drawn into a surface: its pixels (Format_ARGB32, not premultiplied) after
// the transparency resolution, so that only fully transparent pixels carry the key colour, and the key
// colour (kNoColor when the image has none).
struct LoadedImage {
    QImage image;
    ColorRef keyColor = kNoColor;
};

// Reads and decodes an image file. `format` is the canonical name ClassifyImageExtension() gave the path;
// the content must be of one of the five formats (it is recognised by its signature, so a PNG named .jpg
// still loads, and nothing else is ever handed to a decoder). Images over the size limits are refused
// before decoding. `displayBits` is the surface format (16 bits change near-white and near-black pixels
// so that they stay apart from a white or black key colour). A failure names the file and the reason.
Status LoadImageFile(const QString& path, const QString& format, int displayBits, LoadedImage& out);

// Decodes an image file as it is, alpha included, with the same format and size checks (for the
// document reader).
Status decodeImageFile(const QString& path, QImage& out);

// Draws the image into the whole of `surface`: exactly when the sizes are equal, smoothly scaled
// otherwise. False when memory runs out (the surface may then hold part of the image).
bool renderImage(const QImage& image, DeviceBitmap& surface);

} // namespace corvane
