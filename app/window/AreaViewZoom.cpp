// The image areas: the zoom comparison's frame on the originals and its gestures.

#include "app/window/AreaView.h"

#include "app/ComparisonSession.h"
#include "app/window/AreaGeometry.h"
#include "app/window/AreaViewPrivate.h"

#include <QPainter>

#include <algorithm>

namespace corvane {

namespace {

// A frame narrower or lower than this many image pixels is refused.
constexpr int kMinimumFrame = 10;
// A rubber band counts when it is wider or taller than this many screen pixels.
constexpr int kMinimumBand = 10;

constexpr QPoint kNoPoint(-1, -1);

// The frame (left, top, right, bottom) with the sides a handle moves set to `point`.
QRect resizedByHandle(const QRect& frame, int handle, QPoint point) {
    int l = frame.x();
    int t = frame.y();
    int r = rightEdge(frame);
    int b = bottomEdge(frame);
    const int x = point.x();
    const int y = point.y();
    switch (handle) {
    case 0:
        l = x;
        t = y;
        break;
    case 1:
        t = y;
        r = x;
        break;
    case 2:
        r = x;
        b = y;
        break;
    case 3:
        l = x;
        b = y;
        break;
    case 4:
        t = y;
        break;
    case 5:
        r = x;
        break;
    case 6:
        b = y;
        break;
    default:
        l = x;
        break;
    }
    return normalisedRect({l, t}, {r, b});
}

} // namespace

QRect AreaView::zoomFrameOnScreen(int area) const {
    const QRect& frame = m_session.zoomFrame();
    if (area < 0 || frame.isEmpty() || !m_geometry.hasPictures()) {
        return {};
    }
    return m_geometry.imageToScreen(area, frame);
}

bool AreaView::zoomPress(QPoint point) {
    // The target's frame is projected into whichever area is under the pointer.
    const int area = m_geometry.areaAt(point, m_showsImage);
    const QRect frame = zoomFrameOnScreen(area);
    if (frame.isEmpty()) {
        return false;
    }
    const int handle = hitTestHandle(frame, point);
    if (handle >= 0) {
        m_private->zoomHandle = handle;
        m_private->lastPoint = kNoPoint;
        repaintNamed(redraw::kOriginals, true);
        return true;
    }
    if (area == m_session.zoomTarget() && frame.contains(point)) {
        m_private->zoomMove = true;
        m_private->grabOffset = point - frame.topLeft();
        return true;
    }
    return false;
}

bool AreaView::zoomDrag(QPoint point) {
    const int target = m_session.zoomTarget();
    const bool overTarget = m_geometry.areaAt(point, m_showsImage) == target;
    if (m_private->zoomHandle >= 0) {
        // Away from the target, the frame keeps the size it had at the last point over it.
        if (overTarget) {
            m_private->lastPoint = point;
        } else if (m_private->lastPoint == kNoPoint) {
            return true;
        }
        const QRect& picture = m_geometry.pictures[static_cast<std::size_t>(target)];
        const QPoint used = overTarget ? point : m_private->lastPoint;
        const QPoint clamped(std::clamp(used.x(), picture.x(), rightEdge(picture)),
                             std::clamp(used.y(), picture.y(), bottomEdge(picture)));
        const QRect frame = resizedByHandle(m_session.zoomFrame(), m_private->zoomHandle,
                                            m_geometry.screenToImage(target, clamped));
        if (frame.width() >= kMinimumFrame && frame.height() >= kMinimumFrame) {
            m_session.setZoomFrame(target, frame);
            repaintNamed(redraw::kOriginals, true);
        }
        return true;
    }
    if (m_private->zoomMove) {
        if (!overTarget) {
            return true;
        }
        // The frame moves only as far as it stays on the target's picture.
        QRect moved = zoomFrameOnScreen(target);
        moved.moveTopLeft(point - m_private->grabOffset);
        const QRect& picture = m_geometry.pictures[static_cast<std::size_t>(target)];
        if (moved.x() >= picture.x() && moved.y() >= picture.y() && rightEdge(moved) <= rightEdge(picture) &&
            bottomEdge(moved) <= bottomEdge(picture)) {
            m_session.setZoomFrame(target, m_geometry.screenToImage(target, moved));
            repaintNamed(redraw::kOriginals, true);
        }
        return true;
    }
    return false;
}

bool AreaView::zoomRelease(QPoint point) {
    if (m_private->zoomHandle >= 0 || m_private->zoomMove) {
        m_private->zoomHandle = -1;
        m_private->zoomMove = false;
        m_private->lastPoint = kNoPoint;
        repaintNamed(redraw::kAll, true);
        return true;
    }
    if (m_private->zoomBand) {
        applyZoomBand(point);
        return true;
    }
    return false;
}

void AreaView::startZoomBand(QPoint point) {
    const int area = m_geometry.areaAt(point, m_showsImage);
    if (area != kOriginal1 && area != kOriginal2) {
        return;
    }
    m_private->zoomBand = true;
    m_private->zoomBandArea = area;
    m_private->zoomBandStart = point;
    m_private->lastPoint = kNoPoint;
}

void AreaView::zoomBandTo(QPoint point) {
    // The band is drawn only over the original where it began.
    if (m_geometry.areaAt(point, m_showsImage) != m_private->zoomBandArea) {
        return;
    }
    setOutline(AreaOutline{normalisedRect(m_private->zoomBandStart, point), false, true});
    m_private->lastPoint = point;
}

void AreaView::applyZoomBand(QPoint point) {
    const int area = m_geometry.areaAt(point, m_showsImage);
    const int start = m_private->zoomBandArea;
    // Released over the other original, the band ends where it was last drawn.
    const QPoint end = area == start ? point : m_private->lastPoint;
    m_private->zoomBand = false;
    m_private->zoomBandArea = -1;
    m_private->lastPoint = kNoPoint;
    setOutline(std::nullopt);
    if ((area != kOriginal1 && area != kOriginal2) || end == kNoPoint) {
        return;
    }
    const QRect band = normalisedRect(m_private->zoomBandStart, end);
    if (band.width() < kMinimumBand && band.height() < kMinimumBand) {
        return;
    }
    m_session.setZoomFrame(start, m_geometry.screenToImage(start, band));
    repaintNamed(redraw::kAll, true);
}

void AreaView::moveZoomFrameBy(int dx, int dy) {
    QRect frame = m_session.zoomFrame();
    if (frame.isEmpty()) {
        return;
    }
    const QSize working = m_session.workingSize();
    frame.translate(m_geometry.screenLengthToImage(dx), m_geometry.screenLengthToImage(dy));
    if (rightEdge(frame) > working.width()) {
        frame.moveLeft(working.width() - frame.width());
    } else if (frame.x() < 0) {
        frame.moveLeft(0);
    }
    if (bottomEdge(frame) > working.height()) {
        frame.moveTop(working.height() - frame.height());
    } else if (frame.y() < 0) {
        frame.moveTop(0);
    }
    m_session.setZoomFrame(m_session.zoomTarget(), frame);
    repaintNamed(redraw::kAll, true);
}

std::optional<QCursor> AreaView::zoomHoverCursor(QPoint point) const {
    const int target = m_session.zoomTarget();
    if (m_geometry.areaAt(point, m_showsImage) != target) {
        return std::nullopt;
    }
    const QRect frame = zoomFrameOnScreen(target);
    if (frame.isEmpty()) {
        return std::nullopt;
    }
    const int handle = hitTestHandle(frame, point);
    if (handle >= 0) {
        return QCursor(handleCursor(handle));
    }
    if (frame.contains(point)) {
        return QCursor(Qt::SizeAllCursor);
    }
    return std::nullopt;
}

void AreaView::switchZoomTarget() {
    const int other = 1 - m_session.zoomTarget();
    if (!areaShowsImage(other)) {
        return;
    }
    m_session.setZoomFrame(other, m_session.zoomFrame());
    repaintNamed(redraw::kOriginals, true);
}

void AreaView::paintZoomFrame(QPainter& painter, int area) {
    QRect frame = zoomFrameOnScreen(area);
    if (frame.isEmpty()) {
        return;
    }
    const bool handleDrag = m_private->zoomHandle >= 0;
    if (area != m_session.zoomTarget()) {
        paintOutline(painter, AreaOutline{frame, handleDrag, false});
        return;
    }
    // On the target, sides on the picture's edges move inward, so that the outline and its handles show.
    const QRect& picture = m_geometry.pictures[static_cast<std::size_t>(area)];
    int l = frame.x();
    int t = frame.y();
    int r = rightEdge(frame);
    int b = bottomEdge(frame);
    if (l - picture.x() < 3) {
        l += 3;
    }
    if (t - picture.y() < 3) {
        t += 3;
    }
    if (rightEdge(picture) - r < 3) {
        r -= 3;
    }
    if (bottomEdge(picture) - b < 3) {
        b -= 3;
    }
    paintOutline(painter, AreaOutline{normalisedRect({l, t}, {r, b}), handleDrag, true});
}

} // namespace corvane
