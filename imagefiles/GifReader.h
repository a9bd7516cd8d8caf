#pragma once

#include "imagefiles/ImageFormat.h"
#include "platform/Status.h"

#include <QByteArray>
#include <QImage>
#include <QString>

namespace corvane {

// Decodes the first frame of a GIF file with giflib into a Format_ARGB32 image of the logical screen
// size. Pixels of the frame's transparent index (graphic control extension) get alpha 0 and keep their
// palette colour; pixels outside the frame are transparent too; a frame reaching beyond the screen is
// clipped to it. The screen and the frame sizes are checked against the image limits (`maxPixels`)
// before anything is allocated. Any decoding error refuses the file: no partial image is returned.
// `path` only names the file in messages.
Status decodeGif(const QByteArray& file, const QString& path, QImage& out,
                 qint64 maxPixels = kMaxImagePixels);

} // namespace corvane
