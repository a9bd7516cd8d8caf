#include "platform/WorkFolder.h"

#include "platform/AppInfo.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace corvane {

namespace {

// The system's temporary folder is shared between the users of a machine here, so the folder carries the
// user's id and must belong to that user alone: nobody else can plant files or links in it.
QString applicationFolderName() {
#ifdef Q_OS_UNIX
    return QStringLiteral("%1-%2").arg(QString::fromLatin1(kApplicationName)).arg(getuid());
#else
    return QString::fromLatin1(kApplicationName);
#endif
}

bool privateFolder(const QString& path) {
    const QFileInfo info(path);
    if (info.isSymLink() || !info.isDir()) {
        return false;
    }
#ifdef Q_OS_UNIX
    if (info.ownerId() != getuid()) {
        return false;
    }
#endif
    return QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

} // namespace

QString workFolder(const QString& subfolder, Status* status) {
    const QString base = QDir(QDir::tempPath()).filePath(applicationFolderName());
    const QString path = subfolder.isEmpty() ? base : QDir(base).filePath(subfolder);
    if (!QDir().mkpath(path) || !privateFolder(base)) {
        if (status != nullptr) {
            *status = Status::failure(
                fileMessage(base, QStringLiteral("：自分専用の作業フォルダとして使えません")));
        }
        return {};
    }
    return QDir::cleanPath(path);
}

} // namespace corvane
