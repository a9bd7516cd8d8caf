#pragma once

#include "platform/Status.h"

#include <QByteArray>
#include <QImage>
#include <QString>

namespace corvane {

// Decodes the first frame of a GIF file with giflib into a Format_ARGB32 image of the logical screen
// size (transparent pixels with alpha 0). Frame and screen sizes are checked against the image limits
// before anything is allocated. `path` only names the file in messages.
Status decodeGif(const QByteArray& file, const QString& path, QImage& out);

} // namespace corvane
