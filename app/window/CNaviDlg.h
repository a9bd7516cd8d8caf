#pragma once

#include "platform/DeviceBitmap.h"
#include "views/ReducedSurface.h"

#include <QRect>
#include <QWidget>

#include <array>
#include <cstdint>
#include <memory>

class QMenu;

namespace corvane {

class AreaView;
class ComparisonSession;
class SettingsStore;

// The zoom comparison's magnifier: a small frameless, resizable tool window owned by the main window. It
// shows the part of the target original inside the zoom frame (the whole image when there is no frame),
// fitted with its aspect kept and scaled smoothly. It has no caption: it is dragged by its client area
// and sized by its edges. Tab switches the target original and Esc ends the zoom comparison; both, and
// the two items of its context menu, are handed to the owner as commands (197, 194).
//
// Its placement is kept in the settings' section "Navi" ("LastPX", "LastPY", "LastSX", "LastSY").
class CNaviDlg : public QWidget {
    Q_OBJECT
public:
    // `initialSize` is the window's size before a saved placement applies. The window starts hidden.
    CNaviDlg(ComparisonSession& session, const AreaView& areas, SettingsStore& settings, QSize initialSize,
             QWidget* owner);
    ~CNaviDlg() override;

    // Places the window as the settings say: centred on the owner on the first run, else at the saved
    // place and size, pulled inside the screen's available area. The window stays hidden.
    void restorePlacement();
    // Writes the window's place and size to the settings.
    void savePlacement();

    // Repaints when what the window shows (frame, target, shift, the original's pixels) changed since its
    // last paint.
    void refresh();

    // The context menu (not shown); each action's data is its command id.
    std::unique_ptr<QMenu> makeContextMenu();
    // How many reduced copies of the originals were made so far (large frames are read from them).
    int reductions() const;
    // How often the window was painted.
    int paints() const { return m_paints; }

signals:
    // A command for the owner: 197 switch the target original, 194 end the zoom comparison.
    void command(int id);

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // What a paint showed; a refresh repaints only when it differs.
    struct Shown {
        QRect frame;
        int target = 0;
        int shiftH = 0;
        int shiftV = 0;
        QSize working;
        bool showsImage = false;
        const void* bits = nullptr;
        BitmapGeometry geometry;
        std::uint64_t revision = 0;
        friend bool operator==(const Shown&, const Shown&) = default;
    };
    Shown current() const;
    // The edges of the sizing border under a point (client coordinates); none inside the client area.
    Qt::Edges edgesAt(QPoint point) const;
    void hover(QPoint point);

    ComparisonSession& m_session;
    const AreaView& m_areas;
    SettingsStore& m_settings;
    std::array<ReducedSurface, 2> m_reduced;
    Shown m_shown;
    int m_paints = 0;
    // Dragging the window by its client area: the grab point in client coordinates.
    bool m_dragging = false;
    QPoint m_grab;
    // Sizing by the border: the edges, the pointer's screen position and the geometry at the press.
    Qt::Edges m_sizing;
    QPoint m_sizingStart;
    QRect m_sizingGeometry;
};

} // namespace corvane
