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

int main(int argc, char** argv) {
    // Without a display QApplication would abort; say so and how to run under a virtual one.
    if (!corvane::displayAvailable(std::getenv("DISPLAY"), std::getenv("WAYLAND_DISPLAY"),
                                   std::getenv("QT_QPA_PLATFORM"))) {
        std::fprintf(stderr, "%s\n", corvane::noDisplayMessage(argc > 0 ? argv[0] : nullptr).c_str());
        return 1;
    }
    corvane::CSorvikApp app(argc, argv);
    QApplication::setOrganizationName(QString::fromLatin1(corvane::kOrganisationName));
    QApplication::setApplicationName(QString::fromLatin1(corvane::kApplicationName));
    QApplication::setFont(corvane::dialogFont());
    // Qt's own dialogs (files, colours) in Japanese, where the translations are installed.
    QTranslator qtTexts;
    if (qtTexts.load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QApplication::installTranslator(&qtTexts);
    }

    QTextStream err(stderr);
    const corvane::StartupOptions options = corvane::parseStartupArguments(QApplication::arguments().mid(1));
    if (!options.error.isEmpty()) {
        err << "corvane: " << options.error << '\n' << corvane::startupUsage() << '\n';
        return 2;
    }

    corvane::DialogProvider dialogs;
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
