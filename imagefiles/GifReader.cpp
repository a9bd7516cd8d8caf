#include "imagefiles/GifReader.h"

namespace corvane {

Status decodeGif(const QByteArray&, const QString& path, QImage&) {
    return Status::failure(fileMessage(path, QStringLiteral("：未実装")));
}

} // namespace corvane
