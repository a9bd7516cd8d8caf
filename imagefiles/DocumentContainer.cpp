#include "imagefiles/DocumentContainer.h"

namespace corvane {

std::optional<QByteArray> buildContainer(const QString&, const QByteArray&) {
    return std::nullopt;
}
QSize carrierSize(QSize original, qint64) {
    return original;
}
QImage EncodeContainerIntoImage(const DeviceBitmap&, const QByteArray&, const ProgressFn&) {
    return {};
}
std::optional<EmbeddedDocument> readContainer(const QImage&, const ProgressFn&) {
    return std::nullopt;
}
QString ExtractEmbeddedDocument(const QString&, const ProgressFn&, Status*) {
    return {};
}

} // namespace corvane
