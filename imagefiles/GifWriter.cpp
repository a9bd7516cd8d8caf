#include "imagefiles/GifWriter.h"

namespace corvane {

QByteArray encodeGif(const QImage&) {
    return {};
}
QImage quantizeTo256Colors(const QImage&) {
    return {};
}
Status CGIFSub::MarkGifTransparent(const QString& path) {
    return Status::failure(fileMessage(path, QStringLiteral("：未実装")));
}
bool CGIFSub::markGifTransparent(QByteArray&) {
    return false;
}

} // namespace corvane
