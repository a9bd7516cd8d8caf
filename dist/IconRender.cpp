// Writes the application icon's pictures for the icon theme at build time:
//   corvane-icon-render FOLDER SIZE...
// makes FOLDER/SIZExSIZE/apps/org.pellucora.corvane.png for each size, drawn by the same code as the
// window's icon.

#include "app/window/Icons.h"

#include <QDir>
#include <QImage>
#include <QString>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: corvane-icon-render FOLDER SIZE...\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    for (int i = 2; i < argc; ++i) {
        const int size = std::atoi(argv[i]);
        if (size < 1 || size > 1024) {
            std::fprintf(stderr, "corvane-icon-render: not a size: %s\n", argv[i]);
            return 2;
        }
        const QString apps = QStringLiteral("%1/%2x%2/apps").arg(folder).arg(size);
        const QString path = apps + QStringLiteral("/org.pellucora.corvane.png");
        if (!QDir().mkpath(apps) || !corvane::applicationIconImage(size).save(path, "PNG")) {
            std::fprintf(stderr, "corvane-icon-render: cannot write %s\n", path.toLocal8Bit().constData());
            return 1;
        }
    }
    return 0;
}
