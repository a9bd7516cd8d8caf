#pragma once

#include "app/ComparisonSession.h"
#include "app/window/Dialogs.h"
#include "platform/Host.h"
#include "platform/Settings.h"

#include <QWidget>

#include <memory>

namespace corvane {

class AreaView;

// The main window: the control rows of the processing, parameter and file commands above the four image
// areas (AreaView). It owns the comparison session, shows it (as the session's Host) and applies its
// state to the controls; restores the last session's settings and originals at start and saves them at
// close. Dialogs go through a DialogProvider, so that tests can answer them.
class CSorvikDlg : public QWidget, public Host {
    Q_OBJECT
public:
    // `displayBits` is the surface format; `settings` and `dialogs` are used, not owned.
    CSorvikDlg(int displayBits, SettingsStore& settings, DialogProvider& dialogs, QWidget* parent = nullptr);
    ~CSorvikDlg() override;

    // Restores the settings and the originals of the last run (before the window is shown), or sets the
    // originals given on the command line instead (without questions, as the restore does).
    void restoreSession(const QStringList& originals = {});

    ComparisonSession& session() { return *m_session; }
    AreaView& areaView() { return *m_areas; }

    // Host
    MessageButton showMessage(const QString& prefix, int id, MessageType type) override;
    void redrawAreas(int which, bool erase) override;
    void redrawPictures(int which) override;
    void setWaitCursor(bool on) override;
    void showProgress(std::int64_t position, std::int64_t maximum) override;
    std::optional<QString> chooseOpenFile(const QString& title, const QString& filter) override;
    std::optional<SaveChoice> chooseSaveFile(const QString& title, const QString& filter,
                                             const QString& defaultName, const QString& defaultSuffix,
                                             int filterIndex) override;
    std::optional<int> chooseQuality(int initial) override;
    bool showFileLocation(const QString& path) override;
    QString desktopFolder() override;
    void resetShiftControls(int maxH, int maxV) override;
    void stateChanged() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Controls;
    std::unique_ptr<Controls> m_controls;
    int m_displayBits;
    SettingsStore& m_settings;
    DialogProvider& m_dialogs;
    std::unique_ptr<ComparisonSession> m_session;
    AreaView* m_areas = nullptr;
};

} // namespace corvane
