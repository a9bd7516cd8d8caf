#include "platform/WorkFolder.h"

#include "platform/AppInfo.h"

#include <QDir>

namespace corvane {

QString workFolder(const QString& subfolder, Status* status) {
    QString path = QDir(QDir::tempPath()).filePath(QString::fromLatin1(kApplicationName));
    if (!subfolder.isEmpty()) {
        path = QDir(path).filePath(subfolder);
    }
    if (!QDir().mkpath(path)) {
        if (status != nullptr) {
            *status = Status::failure(fileMessage(path, QStringLiteral("：作業フォルダを作成できません")));
        }
        return {};
    }
    return QDir::cleanPath(path);
}

} // namespace corvane
