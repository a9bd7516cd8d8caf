// corvane-cli: the comparisons of Corvane for scripts and CI.

#include "cli/CommandLine.h"
#include "platform/AppInfo.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QString::fromLatin1(corvane::kApplicationName));
    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    QTextStream out(stdout);
    QTextStream err(stderr);
    return corvane::runCommandLine(arguments, out, err);
}
