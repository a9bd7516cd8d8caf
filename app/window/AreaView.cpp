#include "app/window/AreaView.h"

#include "app/ComparisonSession.h"

namespace corvane {

struct AreaView::Private {};

AreaView::AreaView(ComparisonSession& session, QWidget* parent)
    : QWidget(parent), m_session(session), m_private(std::make_unique<Private>()) {}
AreaView::~AreaView() = default;
void AreaView::redrawAreas(int, bool) {
    update();
}
void AreaView::redrawPictures(int) {
    update();
}
void AreaView::arrowKey(int, int) {}
void AreaView::paintEvent(QPaintEvent*) {}
void AreaView::resizeEvent(QResizeEvent*) {}
void AreaView::mousePressEvent(QMouseEvent*) {}
void AreaView::mouseMoveEvent(QMouseEvent*) {}
void AreaView::mouseReleaseEvent(QMouseEvent*) {}
void AreaView::contextMenuEvent(QContextMenuEvent*) {}
void AreaView::dragEnterEvent(QDragEnterEvent*) {}
void AreaView::dropEvent(QDropEvent*) {}

} // namespace corvane
