#include "app/window/FlipView.h"

#include "app/ComparisonSession.h"
#include "app/window/AreaView.h"
#include "app/window/WatermarkEditor.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace corvane {

namespace {

// Widgets that take Space as text.
bool isTextInput(const QWidget* widget) {
    if (widget == nullptr) {
        return false;
    }
    if (const auto* combo = qobject_cast<const QComboBox*>(widget)) {
        return combo->isEditable();
    }
    return qobject_cast<const QLineEdit*>(widget) != nullptr ||
           qobject_cast<const QAbstractSpinBox*>(widget) != nullptr ||
           qobject_cast<const QTextEdit*>(widget) != nullptr ||
           qobject_cast<const QPlainTextEdit*>(widget) != nullptr;
}

} // namespace

FlipView::FlipView(ComparisonSession& session, AreaView& areas, QWidget& window)
    : QObject(&window), m_session(session), m_areas(&areas), m_window(&window) {
    qApp->installEventFilter(this);
}

FlipView::~FlipView() {
    qApp->removeEventFilter(this);
}

bool FlipView::mayFlip(QWidget* receiver) const {
    if (m_areas == nullptr || m_window == nullptr || receiver->window() != m_window) {
        return false;
    }
    // A key travels from the focus widget up to its parents; it is looked at once, at its first receiver.
    QWidget* focus = QApplication::focusWidget();
    if (receiver != (focus != nullptr ? focus : m_window.data())) {
        return false;
    }
    if (isTextInput(focus) || m_areas->watermarkEditor().isEditing()) {
        return false;
    }
    const ComparisonSession& s = m_session;
    return !s.watermarkModeOn() && !s.originalPath(kOriginal1).isEmpty() &&
           !s.originalPath(kOriginal2).isEmpty() && !s.surface(kOriginal1).isNull() &&
           !s.surface(kOriginal2).isNull();
}

bool FlipView::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type == QEvent::WindowDeactivate || type == QEvent::ApplicationDeactivate) {
        // The release may go to another window; the flip never outlasts the window's activation.
        if (m_flipped && (watched == m_window || watched == qApp)) {
            setFlipped(false);
        }
        return false;
    }
    if ((type != QEvent::KeyPress && type != QEvent::KeyRelease) || !watched->isWidgetType()) {
        return false;
    }
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() != kKey) {
        return false;
    }
    if (type == QEvent::KeyRelease) {
        // Auto-repeat sends releases too; only the real one flips back.
        if (!m_flipped || key->isAutoRepeat()) {
            return m_flipped;
        }
        setFlipped(false);
        return true;
    }
    if (key->isAutoRepeat()) {
        return m_flipped;
    }
    const Qt::KeyboardModifiers modifiers =
        key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    if (modifiers != Qt::NoModifier || !mayFlip(static_cast<QWidget*>(watched))) {
        return false;
    }
    setFlipped(true);
    return true;
}

void FlipView::setFlipped(bool on) {
    m_flipped = on;
    if (m_areas != nullptr) {
        m_areas->setOriginalsFlipped(on);
    }
}

} // namespace corvane
