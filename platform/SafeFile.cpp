#include "platform/SafeFile.h"

#include <QFile>
#include <QSaveFile>

namespace corvane {

Status writeFileAtomically(const QString& path, const std::function<Status(QIODevice& out)>& write) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return Status::failure(
            fileMessage(path, QStringLiteral("に書き込めません（%1）").arg(file.errorString())));
    }
    const Status written = write(file);
    if (!written) {
        file.cancelWriting();
        return written;
    }
    if (!file.commit()) {
        return Status::failure(
            fileMessage(path, QStringLiteral("を保存できません（%1）").arg(file.errorString())));
    }
    return Status::success();
}

Status writeFileAtomically(const QString& path, const QByteArray& bytes) {
    return writeFileAtomically(path, [&](QIODevice& out) {
        if (out.write(bytes) != bytes.size()) {
            return Status::failure(
                fileMessage(path, QStringLiteral("を書き込めません（%1）").arg(out.errorString())));
        }
        return Status::success();
    });
}

Status readWholeFile(const QString& path, QByteArray& bytes, qint64 maxBytes) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return Status::failure(
            fileMessage(path, QStringLiteral("を開けません（%1）").arg(file.errorString())));
    }
    if (file.size() > maxBytes) {
        return Status::failure(fileMessage(path, QStringLiteral("は大きすぎて読み込めません")));
    }
    bytes = file.readAll();
    if (bytes.size() != file.size()) {
        return Status::failure(
            fileMessage(path, QStringLiteral("を最後まで読めません（%1）").arg(file.errorString())));
    }
    return Status::success();
}

} // namespace corvane
