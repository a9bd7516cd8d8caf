#include "imagefiles/BmpWriter.h"

namespace corvane {

QByteArray encodeBmp(const DeviceBitmap&, int, BmpCompression) {
    return {};
}
Status WriteBmpFile(const DeviceBitmap&, const QString& path, int, BmpCompression) {
    return Status::failure(fileMessage(path, QStringLiteral("：未実装")));
}

} // namespace corvane
