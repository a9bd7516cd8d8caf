#pragma once

#include "app/window/AreaGeometry.h"
#include "platform/Color.h"

#include <QCursor>
#include <QImage>
#include <QWidget>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>

class QMenu;
class QPainter;

namespace corvane {

class ComparisonSession;
class WatermarkEditor;

// An outline drawn over the areas while a rectangle is dragged out or resized (client coordinates):
// dotted, blue while a handle is being dragged and red otherwise, optionally with its eight handle marks.
struct AreaOutline {
    QRect rect;
    bool handleDrag = false;
    bool handles = false;
};
// Draws `outline` with `painter` (no antialiasing, one-pixel lines on the rectangle's edge pixels).
void paintOutline(QPainter& painter, const AreaOutline& outline);

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
    // As redrawPictures(which), when the named surfaces changed only inside `changed` (image
    // coordinates): their scaled copies are made again only there.
    void redrawPictures(int which, const QRect& changed);

    // Geometry in the coordinates of this widget, as of the last layout.
    const AreaGeometry& areaGeometry() const { return m_geometry; }
    // Whether area k's image was drawn at the last paint; false for any index but 0 … 3 (the gaps between
    // the areas are −1).
    bool areaShowsImage(int area) const {
        return area >= 0 && area < 4 && m_showsImage[static_cast<std::size_t>(area)];
    }

    // An arrow key pressed anywhere in the window, as a step (dx, dy). With the visual comparison current
    // the visual point moves by it in image pixels, as long as its 5 × 5 neighbourhood stays inside the
    // image; in the zoom comparison the zoom frame moves by it in screen pixels, kept inside the image.
    void arrowKey(int dx, int dy);
    // The zoom comparison magnifies the other original, when that shows an image.
    void switchZoomTarget();

    // While flipped, original 1's area shows original 2 and original 2's area original 1 (FlipView).
    void setOriginalsFlipped(bool flipped);
    bool originalsFlipped() const;
    // The original area k (0 or 1) shows: the other one while flipped and both are set; else k.
    int originalShownIn(int area) const;

    // The area under the last right click (−1 outside every frame), for the context-menu commands.
    int clickedArea() const { return m_clickedArea; }

    // The context menu of a right click at `point` (widget coordinates): remembers the clicked area,
    // enables and checks the items from the session and the last paint, and connects the commands. The
    // caller shows it (and may trigger its actions directly); each action's data is its command id.
    std::unique_ptr<QMenu> makeContextMenu(QPoint point);

    // The outline painted over everything (a rubber band or a resize outline of a feature); none when
    // empty. Repaints the old and the new place.
    void setOutline(const std::optional<AreaOutline>& outline);

    // One tick of the document mode's drop-invitation frame (every 50 ms while the mode is on): advances
    // the session's phase and repaints original 1's picture, keeping its scaled copy.
    void documentFrameTick();

    // How often area k's scaled copy was made so far (it is made on demand by painting).
    int scaledCopyCount(int area) const;
    // A number raised whenever the session says that area k's surface changed (a redraw request naming
    // it), for views that keep something made from the surface.
    std::uint64_t surfaceRevision(int area) const;
    // How often the scan chart's counts were computed so far.
    int scanComputations() const;

    // The editing of the watermark texts over original 2's area (AreaViewWatermark.cpp).
    WatermarkEditor& watermarkEditor();

signals:
    // The view was painted; what it shows may have changed (the magnifier follows it).
    void painted();
    // A release over an original took the help pane away (the session's flag is already off).
    void helpPaneDismissed();

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
    enum class PointerPhase { Press, Move, Release };

    // Painting (AreaView.cpp). paintScene draws everything but the drop-invitation frame and the outline
    // and returns which areas showed an image.
    std::array<bool, 4> paintScene(QPainter& painter);
    void paintArea(QPainter& painter, int area, std::array<bool, 4>& showsImage);
    bool paintSurface(QPainter& painter, int area, ColorRef transparent);
    void paintGrid(QPainter& painter, int area);
    void paintAreaLabels(QPainter& painter);
    // After original k's label (ending at x = labelEnd): its file name and natural size where they cover
    // no part of the picture.
    void paintOriginalCaption(QPainter& painter, int area, int labelEnd);
    // In original k's area while it has no image: how to set one.
    void paintEmptyOriginalHint(QPainter& painter, int area);
    void paintDocumentFrame(QPainter& painter);
    // Area k's surface scaled to `size` with `transparent` (kNoColor: opaque), made again when needed.
    const QImage& scaledCopy(int area, QSize size, ColorRef transparent);
    void layoutAreas();
    // Repaints the frames or only the pictures of `which` (redraw which-values), keeping the scaled copies.
    void repaintNamed(int which, bool picturesOnly);
    // Marks the scaled copies of `which` to be made again, wholly or only where `changed` says.
    void invalidateScaledCopies(int which, const std::optional<QRect>& changed = std::nullopt);

    // Paint hooks of the features drawn over the areas.
    void paintVisualCrossHair(QPainter& painter, int area);
    void paintVisualTables(QPainter& painter);
    void paintHistogramChart(QPainter& painter);
    void paintScanChart(QPainter& painter);
    void paintZoomFrame(QPainter& painter, int area);
    void paintWatermarkTexts(QPainter& painter);

    // Pointer hooks of the watermark texts; true when they took the event.
    bool watermarkPointer(PointerPhase phase, QPoint point);
    // The cursor the watermark texts want at a hover position, if any.
    std::optional<QCursor> watermarkHoverCursor(QPoint point);
    // The watermark mode's menus of a text under the point or of the watermark view (original 2's frame);
    // null when there is none.
    std::unique_ptr<QMenu> watermarkContextMenu(QPoint point);

    // The zoom frame's gestures (AreaViewZoom.cpp): grabbing a handle or the frame, resizing, moving,
    // and the rubber band that draws a new frame on an original.
    bool zoomPress(QPoint point);
    bool zoomDrag(QPoint point);
    bool zoomRelease(QPoint point);
    void startZoomBand(QPoint point);
    void zoomBandTo(QPoint point);
    void applyZoomBand(QPoint point);
    // An arrow key's step in screen pixels; the frame stays inside the image.
    void moveZoomFrameBy(int dx, int dy);
    std::optional<QCursor> zoomHoverCursor(QPoint point) const;
    // The zoom frame in client coordinates of area k; empty when there is none.
    QRect zoomFrameOnScreen(int area) const;
    // Sets the visual comparison's point from the pointer over an original.
    void visualPointFromPointer(QPoint point);

    // Pointer handling and commands (AreaViewInput.cpp).
    GridHit gridHit(QPoint point) const;
    void openContextMenu(QPoint point, QPoint globalPoint);
    void moveGrid(QPoint point);
    void runCommand(int command);
    const QCursor& loupeCursor();

    ComparisonSession& m_session;
    AreaGeometry m_geometry;
    std::array<bool, 4> m_showsImage{};
    int m_clickedArea = -1;
    struct Private;
    std::unique_ptr<Private> m_private;
};

} // namespace corvane
