#pragma once

#include "app/ComparisonSession.h"
#include "app/window/Dialogs.h"
#include "platform/Host.h"
#include "platform/Settings.h"

#include <QWidget>

#include <memory>

class QAction;
class QMenu;

namespace corvane {

class AreaView;
class CNaviDlg;
class HelpPane;
class WatermarkStyleControls;

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
    // originals given on the command line instead (without questions, as the restore does). A window
    // closed maximised is set to show maximised.
    void restoreSession(const QStringList& originals = {});
    // Writes the settings that the next start restores. Closing the window does this.
    void saveSettings();

    ComparisonSession& session() { return *m_session; }
    AreaView& areaView() { return *m_areas; }
    HelpPane& helpPane() { return *m_help; }
    // The zoom comparison's magnifier window (hidden unless the zoom comparison runs).
    CNaviDlg& navi() { return *m_navi; }

    // The control of the window's template by its id (1033 the processing button, 1015/1016 the first
    // adjust control, 2 the exit button, …); null for an unknown id. Up-down controls and their buddy edits
    // are one UpDownControl under both ids.
    QWidget* control(int id) const;
    // The menu item of a command id of the processing and parameter menus (165, 121, 149, 32791, …).
    QAction* commandAction(int id) const;
    // The popup of the processing button at `position` (0 the processings, 1–3 the mode-ending items).
    QMenu* processingMenu(int position) const;

    // A length in dialog units as pixels, with the base units of the window's font.
    int dialogUnitsX(int units) const;
    int dialogUnitsY(int units) const;
    // The bottom of the progress bar's row: the top of the image areas.
    int areasTop() const;

    // A command of the accelerators and of the picture buttons (196 the help pane, 198 the help settings,
    // 1020 the About box, 197 the zoom window's target, the watermark texts' commands): run where the
    // window has it, and announced through commandIssued().
    void runCommand(int id);

    // Host
    MessageButton showMessage(const QString& prefix, int id, MessageType type) override;
    void focusMainWindow() override;
    void redrawAreas(int which, bool erase) override;
    void redrawPictures(int which) override;
    void redrawChangedPictures(int which, const QRect& changed) override;
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
    void showPropertyComparison() override;
    void stateChanged() override;
    void startWatermarkEdit(int index) override;
    void finishWatermarkEdit() override;

signals:
    // A command whose feature is not part of the window yet (see runCommand).
    void commandIssued(int id);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Controls;
    void createControls();
    void createMenus();
    void setTooltips();
    void applyCheckMarks();
    void restoreOriginals(const QStringList& originals);
    void restorePlacement();
    void documentTimerTick();
    void connectWatermarkStyle();
    void gridCommand(int id);
    // A command of the processing menu (run after the menu has left the screen).
    void selectProcessing(int commandId);
    bool handleKey(QKeyEvent* event);
    // A Ctrl+wheel step of the help text's size (−1 smaller, +1 larger), kept within 8 … 100.
    void stepHelpFontSize(int step);
    // Shows the help pane over the results (scrolled to the current processing's section, the processing
    // button disabled) or hides it.
    void setHelpPaneShown(bool shown);
    // Where the help pane lies: over both result frames, in the window's coordinates.
    QRect helpRegion() const;

    std::unique_ptr<Controls> m_controls;
    int m_displayBits;
    SettingsStore& m_settings;
    DialogProvider& m_dialogs;
    std::unique_ptr<ComparisonSession> m_session;
    AreaView* m_areas = nullptr;
    HelpPane* m_help = nullptr;
    WatermarkStyleControls* m_watermarkStyle = nullptr;
    CNaviDlg* m_navi = nullptr;
};

} // namespace corvane
