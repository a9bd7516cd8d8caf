#include "app/window/CSorvikApp.h"

#include "app/window/Dialogs.h"
#include "res/Strings.h"

#include <QMessageBox>

#include <new>

namespace corvane {

CSorvikApp::CSorvikApp(int& argc, char** argv) : QApplication(argc, argv) {}

bool CSorvikApp::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::bad_alloc&) {
        ++m_memoryFailures;
        // The operation ended where it was: its wait cursor goes with it.
        while (QApplication::overrideCursor() != nullptr) {
            QApplication::restoreOverrideCursor();
        }
        std::unique_ptr<QMessageBox> box =
            createMessageBox(QApplication::activeWindow(), stringText(kMsgOutOfMemory), MessageType::Stop);
        box->exec();
        return false;
    }
}

} // namespace corvane
