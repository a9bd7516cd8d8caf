#include "platform/Status.h"

#include <QFileInfo>

namespace corvane {

QString fileMessage(const QString& path, const QString& reason) {
    return QStringLiteral("「%1」%2").arg(QFileInfo(path).fileName(), reason);
}

} // namespace corvane
