#include "app/window/CSorvikDlg.h"

#include "app/window/AreaView.h"

namespace corvane {

struct CSorvikDlg::Controls {};

CSorvikDlg::CSorvikDlg(int displayBits, SettingsStore& settings, DialogProvider& dialogs, QWidget* parent)
    : QWidget(parent), m_controls(std::make_unique<Controls>()), m_displayBits(displayBits),
      m_settings(settings), m_dialogs(dialogs),
      m_session(std::make_unique<ComparisonSession>(*this, displayBits, &settings)) {
    m_areas = new AreaView(*m_session, this);
}
CSorvikDlg::~CSorvikDlg() = default;
void CSorvikDlg::restoreSession(const QStringList&) {}
MessageButton CSorvikDlg::showMessage(const QString&, int, MessageType) {
    return MessageButton::No;
}
void CSorvikDlg::redrawAreas(int which, bool erase) {
    m_areas->redrawAreas(which, erase);
}
void CSorvikDlg::redrawPictures(int which) {
    m_areas->redrawPictures(which);
}
void CSorvikDlg::setWaitCursor(bool) {}
void CSorvikDlg::showProgress(std::int64_t, std::int64_t) {}
std::optional<QString> CSorvikDlg::chooseOpenFile(const QString&, const QString&) {
    return std::nullopt;
}
std::optional<SaveChoice> CSorvikDlg::chooseSaveFile(const QString&, const QString&, const QString&,
                                                     const QString&, int) {
    return std::nullopt;
}
std::optional<int> CSorvikDlg::chooseQuality(int) {
    return std::nullopt;
}
bool CSorvikDlg::showFileLocation(const QString&) {
    return false;
}
QString CSorvikDlg::desktopFolder() {
    return {};
}
void CSorvikDlg::resetShiftControls(int, int) {}
void CSorvikDlg::stateChanged() {}
void CSorvikDlg::closeEvent(QCloseEvent*) {}
bool CSorvikDlg::eventFilter(QObject* watched, QEvent* event) {
    return QWidget::eventFilter(watched, event);
}
void CSorvikDlg::resizeEvent(QResizeEvent*) {}

} // namespace corvane
