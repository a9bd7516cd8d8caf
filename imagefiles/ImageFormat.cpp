#include "imagefiles/ImageFormat.h"

#include <QFileInfo>

namespace corvane {

QString ClassifyImageExtension(const QString& path) {
    // Only the file name counts: a dot in a folder name is no extension.
    const QString name = QFileInfo(path).fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot < 0) {
        return {};
    }
    const QString extension = name.mid(dot + 1).toLower();
    if (extension == QLatin1String("jpg") || extension == QLatin1String("jpeg")) {
        return QStringLiteral("jpeg");
    }
    if (extension == QLatin1String("gif") || extension == QLatin1String("bmp") ||
        extension == QLatin1String("png")) {
        return extension;
    }
    if (extension == QLatin1String("tif") || extension == QLatin1String("tiff")) {
        return QStringLiteral("tiff");
    }
    return {};
}

QString formatFromContent(const QByteArray& head) {
    if (head.startsWith("\xFF\xD8\xFF")) {
        return QStringLiteral("jpeg");
    }
    if (head.startsWith("GIF87a") || head.startsWith("GIF89a")) {
        return QStringLiteral("gif");
    }
    if (head.startsWith("\x89PNG\r\n\x1A\n")) {
        return QStringLiteral("png");
    }
    if (head.startsWith(QByteArray("II*\0", 4)) || head.startsWith(QByteArray("MM\0*", 4))) {
        return QStringLiteral("tiff");
    }
    if (head.startsWith("BM")) {
        return QStringLiteral("bmp");
    }
    return {};
}

bool withinImageLimits(QSize size, qint64 maxPixels) {
    return size.width() > 0 && size.height() > 0 && size.width() <= kMaxImageSide &&
           size.height() <= kMaxImageSide && qint64{size.width()} * size.height() <= maxPixels;
}

Status corruptImageStatus(const QString& path, const QString& format, const QString& detail) {
    QString reason = QStringLiteral("は %1 ファイルとして壊れているため読み込めません").arg(format.toUpper());
    if (!detail.isEmpty()) {
        reason += QStringLiteral("（%1）").arg(detail);
    }
    return Status::failure(fileMessage(path, reason));
}

Status imageTooLargeStatus(const QString& path, QSize size) {
    return Status::failure(fileMessage(
        path,
        QStringLiteral("は大きすぎて読み込めません（%1 × %2 ピクセル。読み込めるのは一辺 %3 ピクセル以下、"
                       "合計 1 億ピクセル以下の画像です）")
            .arg(size.width())
            .arg(size.height())
            .arg(kMaxImageSide)));
}

Status imageOutOfMemoryStatus(const QString& path) {
    return Status::failure(fileMessage(path, QStringLiteral("を読み込むためのメモリが足りません")),
                           Status::Kind::OutOfMemory);
}

} // namespace corvane
