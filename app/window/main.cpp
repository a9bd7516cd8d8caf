// Corvane: the main window.

#include "app/window/CSorvikApp.h"
#include "app/window/CSorvikDlg.h"
#include "app/window/Dialogs.h"
#include "app/window/Startup.h"
#include "platform/AppInfo.h"
#include "platform/DisplayFormat.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QScreen>
#include <QTextStream>
#include <QTranslator>

#include <cstdio>
#include <cstdlib>

#include <unistd.h>

int main(int argc, char** argv) {
    // --help and --version answer before anything needs a display.
    QStringList raw;
    for (int i = 1; i < argc; ++i) {
        raw.push_back(QString::fromLocal8Bit(argv[i]));
    }
    if (const QString information = corvane::startupInformation(raw); !information.isEmpty()) {
        std::fputs(information.toLocal8Bit().constData(), stdout);
        return 0;
    }
    // Without a display QApplication would abort; say so and how to run under a virtual one.
    if (!corvane::displayAvailable(std::getenv("DISPLAY"), std::getenv("WAYLAND_DISPLAY"),
                                   std::getenv("QT_QPA_PLATFORM"))) {
        std::fprintf(stderr, "%s\n", corvane::noDisplayMessage(argc > 0 ? argv[0] : nullptr).c_str());
        return 1;
    }
    corvane::CSorvikApp app(argc, argv);
    QApplication::setOrganizationName(QString::fromLatin1(corvane::kOrganisationName));
    QApplication::setApplicationName(QString::fromLatin1(corvane::kApplicationName));
    // The desktop entry's name: desktops show the window with the entry's icon and name.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.pellucora.corvane"));
    QApplication::setFont(corvane::dialogFont());
    // Qt's own dialogs (files, colours) in Japanese, where the translations are installed.
    QTranslator qtTexts;
    if (qtTexts.load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QApplication::installTranslator(&qtTexts);
    }

    QTextStream err(stderr);
    corvane::DialogProvider dialogs;
    const corvane::StartupOptions options = corvane::parseStartupArguments(QApplication::arguments().mid(1));
    if (!options.error.isEmpty()) {
        err << "corvane: " << options.error << '\n' << corvane::startupUsage() << '\n';
        err.flush();
        // Started from a file manager or a menu, nobody reads stderr: the user is told in a message box.
        if (isatty(STDERR_FILENO) == 0) {
            dialogs.message(nullptr, options.error, corvane::MessageType::Stop);
        }
        return 2;
    }

    const QScreen* screen = QGuiApplication::primaryScreen();
    const int bits =
        corvane::checkDisplayDepth(options.forcedBits, std::getenv(corvane::kBitsPerPixelVariable),
                                   screen != nullptr ? screen->depth() : 0, dialogs);
    if (bits == 0) {
        return 1;
    }

    QStringList originals = options.originals;
    if (!options.samplePairFolder.isEmpty()) {
        if (const corvane::Status written = corvane::writeSamplePair(options.samplePairFolder, originals);
            !written) {
            err << "corvane: " << written.message() << '\n';
            return 2;
        }
    }

    corvane::SettingsStore settings;
    corvane::CSorvikDlg window(bits, settings, dialogs);
    window.restoreSession(originals);
    window.show();
    return QApplication::exec();
}
