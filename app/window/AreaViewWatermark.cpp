// The image areas: the hooks of the watermark texts, which hand the pointer, the painting and the menus
// of original 2's area to the watermark editor while the watermark mode is on.

#include "app/window/AreaView.h"

#include "app/window/AreaViewPrivate.h"
#include "app/window/WatermarkEditor.h"

#include <QMenu>

namespace corvane {

WatermarkEditor& AreaView::watermarkEditor() {
    if (m_private->watermark == nullptr) {
        m_private->watermark = new WatermarkEditor(m_session, *this);
    }
    return *m_private->watermark;
}

void AreaView::paintWatermarkTexts(QPainter& painter) {
    watermarkEditor().paint(painter);
}

bool AreaView::watermarkPointer(PointerPhase phase, QPoint point) {
    WatermarkEditor& editor = watermarkEditor();
    switch (phase) {
    case PointerPhase::Press:
        return editor.pressFromView(point);
    case PointerPhase::Move:
        return editor.move(point);
    case PointerPhase::Release:
        return editor.release(point);
    }
    return false;
}

std::optional<QCursor> AreaView::watermarkHoverCursor(QPoint point) {
    return watermarkEditor().hoverCursor(point);
}

std::unique_ptr<QMenu> AreaView::watermarkContextMenu(QPoint point) {
    return watermarkEditor().contextMenu(point, m_clickedArea);
}

} // namespace corvane
