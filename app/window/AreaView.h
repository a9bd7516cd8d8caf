#pragma once

#include "app/window/AreaGeometry.h"

#include <QWidget>

#include <array>
#include <memory>

namespace corvane {

class ComparisonSession;

// The four image areas of the main window, below its control rows: paints originals, results,
// backgrounds, the grid and the labels from the session's state; takes the pointer (grid drags, context
// menus, cursors) and files dropped from file managers. Keeps a scaled copy of each surface for painting,
// made again only when that surface changes (the session's redraw requests say which) or the picture size
// changes, so that a paint never rescales full images.
class AreaView : public QWidget {
    Q_OBJECT
public:
    AreaView(ComparisonSession& session, QWidget* parent);
    ~AreaView() override;

    // The session's redraw requests (which = 0 … 3 one area, 10 all, 11 originals, 12 results, 13
    // areas 1–3). Both repaint at once; the scaled copies of the named areas are made again.
    void redrawAreas(int which, bool erase);
    void redrawPictures(int which);

    // Geometry in the coordinates of this widget, as of the last layout.
    const AreaGeometry& areaGeometry() const { return m_geometry; }
    // Whether area k's image was drawn at the last paint.
    bool areaShowsImage(int area) const { return m_showsImage[static_cast<std::size_t>(area)]; }

    // An arrow key pressed anywhere in the window: (dx, dy) in screen pixels.
    void arrowKey(int dx, int dy);

    // The area under the last right click (−1 outside every frame), for the context-menu commands.
    int clickedArea() const { return m_clickedArea; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    ComparisonSession& m_session;
    AreaGeometry m_geometry;
    std::array<bool, 4> m_showsImage{};
    int m_clickedArea = -1;
    struct Private;
    std::unique_ptr<Private> m_private;
};

} // namespace corvane
