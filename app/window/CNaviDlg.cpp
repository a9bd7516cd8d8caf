// The zoom comparison's magnifier window.

#include "app/window/CNaviDlg.h"

#include "app/ComparisonSession.h"
#include "app/window/AreaView.h"
#include "platform/Settings.h"
#include "views/Magnifier.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

#include <algorithm>

namespace corvane {

namespace {

const QString kNavi = QStringLiteral("Navi");

constexpr int kEndZoom = 194;
constexpr int kSwitchTarget = 197;

// The sizing border's width in pixels, and the smallest client the border can make.
constexpr int kBorder = 4;
constexpr QSize kMinimumSize(40, 30);

QRect availableDesktop(const QWidget& widget) {
    const QScreen* screen = widget.screen() != nullptr ? widget.screen() : QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 640, 480);
}

Qt::CursorShape sizingCursor(Qt::Edges edges) {
    const bool horizontal = (edges & (Qt::LeftEdge | Qt::RightEdge)) != 0;
    const bool vertical = (edges & (Qt::TopEdge | Qt::BottomEdge)) != 0;
    if (horizontal && vertical) {
        const bool falling =
            edges == (Qt::LeftEdge | Qt::TopEdge) || edges == (Qt::RightEdge | Qt::BottomEdge);
        return falling ? Qt::SizeFDiagCursor : Qt::SizeBDiagCursor;
    }
    return horizontal ? Qt::SizeHorCursor : Qt::SizeVerCursor;
}

} // namespace

CNaviDlg::CNaviDlg(ComparisonSession& session, const AreaView& areas, SettingsStore& settings,
                   QSize initialSize, QWidget* owner)
    : QWidget(owner, Qt::Tool | Qt::FramelessWindowHint), m_session(session), m_areas(areas),
      m_settings(settings) {
    setObjectName(QStringLiteral("navi"));
    // Every paint covers the whole client area.
    setAttribute(Qt::WA_OpaquePaintEvent);
    // Showing it at the zoom start leaves the keyboard with the main window (its arrow keys move the frame).
    setAttribute(Qt::WA_ShowWithoutActivating);
    setMouseTracking(true);
    setFocusPolicy(Qt::ClickFocus);
    setMinimumSize(kMinimumSize);
    resize(initialSize.expandedTo(kMinimumSize));
    hide();
}

CNaviDlg::~CNaviDlg() = default;

int CNaviDlg::reductions() const {
    return m_reduced[0].reductions() + m_reduced[1].reductions();
}

// --- Placement -------------------------------------------------------------------------------------------

void CNaviDlg::restorePlacement() {
    SavedPlacement saved;
    saved.x = m_settings.readInt(kNavi, QStringLiteral("LastPX"), 0);
    saved.y = m_settings.readInt(kNavi, QStringLiteral("LastPY"), 0);
    saved.width = m_settings.readInt(kNavi, QStringLiteral("LastSX"), 0);
    saved.height = m_settings.readInt(kNavi, QStringLiteral("LastSY"), 0);
    const QWidget* owner = parentWidget();
    const QRect ownerRect = owner != nullptr ? owner->frameGeometry() : availableDesktop(*this);
    const QRect placed = magnifierPlacement(saved, size(), ownerRect, availableDesktop(*this));
    resize(placed.size().expandedTo(kMinimumSize));
    move(placed.topLeft());
}

void CNaviDlg::savePlacement() {
    m_settings.writeInt(kNavi, QStringLiteral("LastPX"), x());
    m_settings.writeInt(kNavi, QStringLiteral("LastPY"), y());
    m_settings.writeInt(kNavi, QStringLiteral("LastSX"), width());
    m_settings.writeInt(kNavi, QStringLiteral("LastSY"), height());
}

// --- Painting --------------------------------------------------------------------------------------------

CNaviDlg::Shown CNaviDlg::current() const {
    Shown shown;
    shown.frame = m_session.zoomFrame();
    shown.target = std::clamp(m_session.zoomTarget(), 0, 1);
    shown.shiftH = m_session.shiftH();
    shown.shiftV = m_session.shiftV();
    shown.working = m_session.workingSize();
    shown.showsImage = m_areas.areaShowsImage(shown.target);
    const DeviceBitmap& surface = m_session.surface(shown.target);
    shown.bits = surface.bits().data();
    shown.geometry = surface.geometry();
    shown.revision = m_areas.surfaceRevision(shown.target);
    return shown;
}

void CNaviDlg::refresh() {
    if (isVisible() && current() != m_shown) {
        update();
    }
}

void CNaviDlg::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    ++m_paints;
    m_shown = current();
    if (!m_shown.showsImage) {
        return;
    }
    const MagnifierLayout layout = magnifierLayout(size(), m_shown.working, m_shown.frame, m_shown.target,
                                                   m_shown.shiftH, m_shown.shiftV);
    if (layout.target.isEmpty()) {
        return;
    }
    // Only the framed part is scaled; a large frame is read from a reduced copy of the original. Where
    // the part reaches beyond the image (original 2 read at the shift), the window stays white.
    m_reduced[static_cast<std::size_t>(m_shown.target)].draw(
        painter, QRectF(layout.target), m_session.surface(m_shown.target), m_shown.revision, layout.source);
}

// --- Keyboard and context menu ---------------------------------------------------------------------------

bool CNaviDlg::event(QEvent* event) {
    // Tab is the window's own key, not a focus move.
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Tab && (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            emit command(kSwitchTarget);
            return true;
        }
    }
    return QWidget::event(event);
}

void CNaviDlg::closeEvent(QCloseEvent* event) {
    // Closed by the desktop (it has no button of its own): the zoom comparison ends, which hides it.
    event->ignore();
    emit command(kEndZoom);
}

void CNaviDlg::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        emit command(kEndZoom);
        return;
    }
    QWidget::keyPressEvent(event);
}

std::unique_ptr<QMenu> CNaviDlg::makeContextMenu() {
    auto menu = std::make_unique<QMenu>();
    const auto add = [this, &menu](const QString& text, int id) {
        QAction* action = menu->addAction(text);
        action->setData(id);
        connect(action, &QAction::triggered, this, [this, id] { emit command(id); });
    };
    add(QStringLiteral("対象原本切替え(&C)\tTab"), kSwitchTarget);
    menu->addSeparator();
    add(QStringLiteral("拡大比較モード終了(&X)\tEsc"), kEndZoom);
    return menu;
}

// --- Pointer: moving and sizing the window ---------------------------------------------------------------

Qt::Edges CNaviDlg::edgesAt(QPoint point) const {
    Qt::Edges edges;
    if (point.x() < kBorder) {
        edges |= Qt::LeftEdge;
    } else if (point.x() >= width() - kBorder) {
        edges |= Qt::RightEdge;
    }
    if (point.y() < kBorder) {
        edges |= Qt::TopEdge;
    } else if (point.y() >= height() - kBorder) {
        edges |= Qt::BottomEdge;
    }
    return edges;
}

void CNaviDlg::hover(QPoint point) {
    const Qt::Edges edges = edgesAt(point);
    if (edges != Qt::Edges()) {
        setCursor(sizingCursor(edges));
    } else if (rect().contains(point)) {
        // The client area is the window's handle.
        setCursor(Qt::PointingHandCursor);
    } else {
        setCursor(Qt::ArrowCursor);
    }
}

void CNaviDlg::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    activateWindow();
    setFocus(Qt::MouseFocusReason);
    const QPoint point = event->position().toPoint();
    m_sizing = edgesAt(point);
    if (m_sizing != Qt::Edges()) {
        m_sizingStart = event->globalPosition().toPoint();
        m_sizingGeometry = geometry();
        return;
    }
    m_dragging = true;
    m_grab = point;
    setCursor(Qt::SizeAllCursor);
}

void CNaviDlg::mouseMoveEvent(QMouseEvent* event) {
    const QPoint point = event->position().toPoint();
    if (m_sizing != Qt::Edges()) {
        const QPoint delta = event->globalPosition().toPoint() - m_sizingStart;
        QRect sized = m_sizingGeometry;
        if ((m_sizing & Qt::LeftEdge) != 0) {
            sized.setLeft(std::min(sized.left() + delta.x(), sized.right() + 1 - minimumWidth()));
        } else if ((m_sizing & Qt::RightEdge) != 0) {
            sized.setRight(std::max(sized.right() + delta.x(), sized.left() + minimumWidth() - 1));
        }
        if ((m_sizing & Qt::TopEdge) != 0) {
            sized.setTop(std::min(sized.top() + delta.y(), sized.bottom() + 1 - minimumHeight()));
        } else if ((m_sizing & Qt::BottomEdge) != 0) {
            sized.setBottom(std::max(sized.bottom() + delta.y(), sized.top() + minimumHeight() - 1));
        }
        setGeometry(sized);
        return;
    }
    if (m_dragging) {
        if (point != m_grab) {
            const QPoint wanted = pos() + (event->globalPosition().toPoint() - mapToGlobal(m_grab));
            move(keptOnDesktop(wanted, size(), availableDesktop(*this)));
        }
        return;
    }
    hover(point);
}

void CNaviDlg::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        // Centred horizontally on the pointer.
        std::unique_ptr<QMenu> menu = makeContextMenu();
        menu->exec(event->globalPosition().toPoint() - QPoint(menu->sizeHint().width() / 2, 0));
        return;
    }
    if (event->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    m_dragging = false;
    m_sizing = Qt::Edges();
    setCursor(Qt::ArrowCursor);
}

} // namespace corvane
