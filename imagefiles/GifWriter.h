#pragma once

#include "platform/Status.h"

#include <QByteArray>
#include <QImage>
#include <QString>

namespace corvane {

// The bytes of a GIF file of the image, quantised to at most 256 colours; pixels with alpha 0 become
// the transparent index when the image has any. Empty when memory runs out.
QByteArray encodeGif(const QImage& image);

// The image quantised to 256 colours exactly as encodeGif() stores it (Format_RGB32).
QImage quantizeTo256Colors(const QImage& image);

// GIF palette patching.
class CGIFSub {
public:
    // Makes the palette entry nearest to (255, 247, 255) the transparent colour of the GIF file's graphic
    // control extension. The file is read, patched in memory and written back atomically; it is left
    // unchanged when it has no colour table or no graphic control extension where one must be.
    static Status MarkGifTransparent(const QString& path);

    // The same on the bytes; false (bytes unchanged) when they cannot be patched.
    static bool markGifTransparent(QByteArray& file);
};

} // namespace corvane
