#include "app/window/DialogControls.h"

#include <QColorDialog>
#include <QKeyEvent>
#include <QPainter>
#include <QPixmap>
#include <QRegularExpressionValidator>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <climits>

namespace corvane {

// The buddy edit: the Up and Down keys step the control, as the arrows do.
class UpDownControl::Edit : public QLineEdit {
public:
    Edit(UpDownControl& control) : QLineEdit(&control), m_control(control) {}

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down) {
            m_control.step(event->key() == Qt::Key_Up ? 1 : -1);
            event->accept();
            return;
        }
        QLineEdit::keyPressEvent(event);
    }

private:
    UpDownControl& m_control;
};

UpDownControl::UpDownControl(int arrowsWidth, QWidget* parent) : QWidget(parent), m_arrowsWidth(arrowsWidth) {
    m_edit = new Edit(*this);
    m_edit->setAlignment(Qt::AlignCenter);
    m_up = new QToolButton(this);
    m_up->setObjectName(QStringLiteral("up"));
    m_up->setArrowType(Qt::UpArrow);
    m_down = new QToolButton(this);
    m_down->setObjectName(QStringLiteral("down"));
    m_down->setArrowType(Qt::DownArrow);
    for (QToolButton* arrow : {m_up, m_down}) {
        arrow->setAutoRepeat(true);
        arrow->setAutoRepeatDelay(400);
        arrow->setAutoRepeatInterval(60);
        arrow->setFocusPolicy(Qt::NoFocus);
        arrow->setIconSize(QSize(7, 5));
    }
    connect(m_up, &QToolButton::clicked, this, [this] { step(1); });
    connect(m_down, &QToolButton::clicked, this, [this] { step(-1); });
    connect(m_edit, &QLineEdit::editingFinished, this, &UpDownControl::commitTyped);
    updateValidator();
    setPosition(0);
}

void UpDownControl::setRange(int minimum, int maximum) {
    m_minimum = std::min(minimum, maximum);
    m_maximum = std::max(minimum, maximum);
    updateValidator();
    setPosition(m_position);
}

void UpDownControl::setPosition(int position) {
    m_position = std::clamp(position, m_minimum, m_maximum);
    m_edit->setText(QString::number(m_position));
}

int UpDownControl::position() const {
    bool ok = false;
    const int typed = m_edit->text().toInt(&ok);
    return ok && typed >= m_minimum && typed <= m_maximum ? typed : m_position;
}

void UpDownControl::step(int delta) {
    if (!m_arrowsEnabled) {
        return;
    }
    const int current = position();
    const long long wanted = static_cast<long long>(current) + delta;
    const int value = static_cast<int>(std::clamp<long long>(wanted, INT_MIN, INT_MAX));
    if (m_handler) {
        m_handler(value);
    }
    setPosition(value);
}

namespace {

// Runs its work once the window it watches has been painted: when the window's repaint request has been
// handled, or after a short wait when no repaint comes (a hidden or minimised window). A child of the
// widget that asked, so it never runs after that widget is gone.
class DeferredWork : public QObject {
public:
    static inline int s_pending = 0;

    DeferredWork(QWidget* owner, std::function<void()> work) : QObject(owner), m_work(std::move(work)) {
        ++s_pending;
        QWidget* window = owner->window();
        if (!window->isVisible()) {
            // Nothing on the screen to wait for.
            QMetaObject::invokeMethod(this, &DeferredWork::run, Qt::QueuedConnection);
            return;
        }
        window->installEventFilter(this);
        if (QWindow* handle = window->windowHandle()) {
            handle->installEventFilter(this);
        }
        QTimer::singleShot(kLongestWaitMs, this, &DeferredWork::run);
        window->update();
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        // The repaint runs while this event is handled; the work is queued behind it.
        if (event->type() == QEvent::UpdateRequest) {
            QMetaObject::invokeMethod(this, &DeferredWork::run, Qt::QueuedConnection);
        }
        return false;
    }

private:
    static constexpr int kLongestWaitMs = 150;

    void run() {
        if (!m_work) {
            return;
        }
        const std::function<void()> work = std::move(m_work);
        m_work = nullptr;
        --s_pending;
        deleteLater();
        work();
    }

    std::function<void()> m_work;
};

} // namespace

void runAfterRepaint(QWidget* widget, std::function<void()> work) {
    new DeferredWork(widget, std::move(work));
}

int pendingAfterRepaint() {
    return DeferredWork::s_pending;
}

void UpDownControl::commitTyped() {
    bool ok = false;
    const long long typed = m_edit->text().toLongLong(&ok);
    if (!ok || !m_arrowsEnabled) {
        setPosition(m_position);
        return;
    }
    const int value = static_cast<int>(std::clamp<long long>(typed, m_minimum, m_maximum));
    const bool changed = value != m_position;
    setPosition(value);
    if (changed && m_editHandler) {
        m_editHandler(value);
    }
}

void UpDownControl::setArrowsEnabled(bool enabled) {
    m_arrowsEnabled = enabled;
    m_up->setEnabled(enabled);
    m_down->setEnabled(enabled);
}

void UpDownControl::resizeEvent(QResizeEvent*) {
    const int arrows = std::min(m_arrowsWidth, width() / 2);
    m_edit->setGeometry(0, 0, width() - arrows, height());
    const int upper = height() / 2;
    m_up->setGeometry(width() - arrows, 0, arrows, upper);
    m_down->setGeometry(width() - arrows, upper, arrows, height() - upper);
}

void UpDownControl::updateValidator() {
    // Digits only, with a sign where the range has negative values.
    const QString pattern = m_minimum < 0 ? QStringLiteral("-?\\d{0,9}") : QStringLiteral("\\d{0,9}");
    m_edit->setValidator(new QRegularExpressionValidator(QRegularExpression(pattern), m_edit));
}

ColorButton::ColorButton(QWidget* parent) : QToolButton(parent) {
    setColor(kBlack);
    connect(this, &QToolButton::clicked, this, &ColorButton::choose);
}

void ColorButton::setColor(ColorRef color) {
    m_color = color & 0xFFFFFFu;
    QPixmap swatch(28, 12);
    swatch.fill(QColor(redOf(m_color), greenOf(m_color), blueOf(m_color)));
    QPainter painter(&swatch);
    painter.setPen(QColor(96, 96, 96));
    painter.drawRect(swatch.rect().adjusted(0, 0, -1, -1));
    painter.end();
    setIcon(QIcon(swatch));
    setIconSize(swatch.size());
}

void ColorButton::choose() {
    const QColor chosen =
        QColorDialog::getColor(QColor(redOf(m_color), greenOf(m_color), blueOf(m_color)), this);
    if (chosen.isValid()) {
        setColor(makeColor(static_cast<std::uint8_t>(chosen.red()), static_cast<std::uint8_t>(chosen.green()),
                           static_cast<std::uint8_t>(chosen.blue())));
        emit colorChosen(m_color);
    }
}

} // namespace corvane
