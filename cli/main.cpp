// corvane-cli: the comparisons of Corvane for scripts and CI.

#include "cli/CommandLine.h"
#include "platform/AppInfo.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <cstdio>
#include <cstring>
#include <memory>

int main(int argc, char** argv) {
    // Drawing watermark texts needs the font database of a GUI application; the offscreen platform
    // gives one without a display.
    std::unique_ptr<QCoreApplication> app;
    if (argc > 1 && std::strcmp(argv[1], "watermark") == 0) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    QCoreApplication::setApplicationName(QString::fromLatin1(corvane::kApplicationName));
    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    QTextStream out(stdout);
    QTextStream err(stderr);
    return corvane::runCommandLine(arguments, out, err);
}
