#include "platform/Shell.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUrl>

namespace corvane {

bool showFileLocation(const QString& path) {
    const QString folder = QFileInfo(path).absolutePath();
    return QFileInfo(folder).isDir() && QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}

QString desktopFolder() {
    const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    return desktop.isEmpty() ? QDir::home().filePath(QStringLiteral("Desktop")) : desktop;
}

} // namespace corvane
