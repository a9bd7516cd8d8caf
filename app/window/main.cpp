// Corvane: the main window. (Until the window is complete this starts an empty one.)

#include "app/window/CSorvikDlg.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    corvane::SettingsStore settings;
    corvane::DialogProvider dialogs;
    corvane::CSorvikDlg window(32, settings, dialogs);
    window.show();
    return QApplication::exec();
}
