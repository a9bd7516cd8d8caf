#include "imagefiles/ImageSaver.h"

namespace corvane {

bool hasEncoder(const QString&) {
    return false;
}
Status saveImageWithEncoder(const QImage&, const QString& path, const QString&, int) {
    return Status::failure(fileMessage(path, QStringLiteral("：未実装")));
}
Status SaveBitmapWithEncoder(const DeviceBitmap&, const QString& path, const QString&, int) {
    return Status::failure(fileMessage(path, QStringLiteral("：未実装")));
}
Status SaveTransparentWithEncoder(const DeviceBitmap&, const QString& path, const QString&) {
    return Status::failure(fileMessage(path, QStringLiteral("：未実装")));
}
bool ReduceTo256Colors(DeviceBitmap&) {
    return false;
}

} // namespace corvane
