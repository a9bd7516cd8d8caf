#include "app/window/AreaCaptions.h"

#include "app/window/AreaGeometry.h"
#include "platform/AppInfo.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace corvane {

QString windowTitleFor(const QString& path1, const QString& path2) {
    const QString program = QString::fromLatin1(kApplicationName);
    if (path1.isEmpty() && path2.isEmpty()) {
        return program;
    }
    const QFileInfo file1(path1);
    const QFileInfo file2(path2);
    QString name1 = file1.fileName();
    QString name2 = file2.fileName();
    // The same name twice says nothing; the folders' names tell the files apart.
    if (!path1.isEmpty() && !path2.isEmpty() && name1 == name2 &&
        file1.absoluteFilePath() != file2.absoluteFilePath()) {
        name1 = file1.absoluteDir().dirName() + QLatin1Char('/') + name1;
        name2 = file2.absoluteDir().dirName() + QLatin1Char('/') + name2;
    }
    const QString unset = QStringLiteral("（未設定）");
    return QStringLiteral("%1 ↔ %2 - %3")
        .arg(path1.isEmpty() ? unset : name1, path2.isEmpty() ? unset : name2, program);
}

QString originalCaption(const QString& fileName, QSize naturalSize) {
    return QStringLiteral("%1（%2）").arg(fileName, sizeCaption(naturalSize));
}

QString sizeCaption(QSize naturalSize) {
    return QStringLiteral("%1 × %2").arg(naturalSize.width()).arg(naturalSize.height());
}

QString emptyOriginalHint() {
    return QStringLiteral(
        "右クリックの「ここに原本をセット」か、\n画像ファイルのドロップで原本をセットします");
}

QRect captionSpace(const QRect& frame, const QRect& picture, int left, int top, int height) {
    const int right = rightEdge(frame) - 2;
    if (right <= left || height <= 0 || top + height > bottomEdge(frame) - 2) {
        return {};
    }
    const QRect line(left, top, right - left, height);
    // One pixel of air around the picture.
    const QRect guarded = picture.isEmpty() ? QRect() : picture.adjusted(-1, -1, 1, 1);
    if (guarded.isEmpty() || !line.intersects(guarded)) {
        return line;
    }
    const int free = std::min(right, guarded.x()) - left;
    return free > 0 ? QRect(left, top, free, height) : QRect();
}

} // namespace corvane
