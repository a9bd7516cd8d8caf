#include "imagefiles/ImageLoader.h"

namespace corvane {

Status LoadImageFile(const QString& path, const QString&, int, LoadedImage&) {
    return Status::failure(fileMessage(path, QStringLiteral("：未実装")));
}
Status decodeImageFile(const QString& path, QImage&) {
    return Status::failure(fileMessage(path, QStringLiteral("：未実装")));
}
bool renderImage(const QImage&, DeviceBitmap&) {
    return false;
}

} // namespace corvane
