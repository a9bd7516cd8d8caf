#include "platform/SafeFile.h"

#include <QFile>
#include <QSaveFile>

#include <algorithm>
#include <new>

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
    try {
        bytes = file.readAll();
    } catch (const std::bad_alloc&) {
        bytes.clear();
        return Status::failure(fileMessage(path, QStringLiteral("を読むためのメモリが足りません")),
                               Status::Kind::OutOfMemory);
    }
    if (bytes.size() != file.size()) {
        return Status::failure(
            fileMessage(path, QStringLiteral("を最後まで読めません（%1）").arg(file.errorString())));
    }
    return Status::success();
}

Status readWholeFile(const QString& path, Buffer<char>& storage, QByteArray& bytes, qint64 maxBytes) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return Status::failure(
            fileMessage(path, QStringLiteral("を開けません（%1）").arg(file.errorString())));
    }
    const qint64 size = file.size();
    if (size > maxBytes) {
        return Status::failure(fileMessage(path, QStringLiteral("は大きすぎて読み込めません")));
    }
    storage = allocateBuffer<char>(static_cast<std::size_t>(std::max<qint64>(size, 1)));
    if (!storage) {
        return Status::failure(fileMessage(path, QStringLiteral("を読むためのメモリが足りません")),
                               Status::Kind::OutOfMemory);
    }
    if (size > 0 && file.read(storage.get(), size) != size) {
        return Status::failure(
            fileMessage(path, QStringLiteral("を最後まで読めません（%1）").arg(file.errorString())));
    }
    bytes = QByteArray::fromRawData(storage.get(), static_cast<qsizetype>(size));
    return Status::success();
}

} // namespace corvane
