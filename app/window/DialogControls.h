#pragma once

#include "platform/Color.h"

#include <QLineEdit>
#include <QToolButton>
#include <QWidget>

#include <functional>

namespace corvane {

// An up-down control with its buddy edit: a centred number edit and two arrows at its right edge. A
// step (arrow click, or the Up and Down keys in the edit) first hands position + step to the step
// handler, which decides what the step means to the session; then the control moves, within its range,
// whatever the handler decided. A number typed into the edit and confirmed (Enter, or leaving the edit)
// becomes the position, clamped into the range, and goes to the edit handler. Disabling the arrows leaves
// the edit as it is, but typed numbers are then not taken.
class UpDownControl : public QWidget {
    Q_OBJECT
public:
    // `arrowsWidth` in pixels, taken from the right of the control's rectangle.
    UpDownControl(int arrowsWidth, QWidget* parent);

    void setRange(int minimum, int maximum);
    int minimum() const { return m_minimum; }
    int maximum() const { return m_maximum; }
    // Shows `position`, clamped into the range, in the edit.
    void setPosition(int position);
    // The number in the edit when it is one within the range (the user may have typed it), else the last
    // position set.
    int position() const;

    void setStepHandler(std::function<void(int value)> handler) { m_handler = std::move(handler); }
    void setEditHandler(std::function<void(int value)> handler) { m_editHandler = std::move(handler); }
    // The position last set or stepped to (not a number still being typed).
    int committedPosition() const { return m_position; }
    // One step of `delta` (+1 up, −1 down); nothing while the arrows are disabled.
    void step(int delta);

    void setArrowsEnabled(bool enabled);
    bool arrowsEnabled() const { return m_arrowsEnabled; }

    QLineEdit* edit() const { return m_edit; }
    QToolButton* upArrow() const { return m_up; }
    QToolButton* downArrow() const { return m_down; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    class Edit;
    void updateValidator();
    void commitTyped();

    QLineEdit* m_edit = nullptr;
    QToolButton* m_up = nullptr;
    QToolButton* m_down = nullptr;
    int m_arrowsWidth;
    int m_minimum = 0;
    int m_maximum = 100;
    int m_position = 0;
    bool m_arrowsEnabled = true;
    std::function<void(int)> m_handler;
    std::function<void(int)> m_editHandler;
};

// Runs `work` from the event loop once the window of `widget` has been painted again, and not at all when
// the widget is gone by then. Commands chosen from a menu start this way: the menu has left the screen
// and the pictures under it are painted before a long operation holds the interface thread.
void runAfterRepaint(QWidget* widget, std::function<void()> work);
// How many of those are still waiting (for tests, which let the event loop run until none is).
int pendingAfterRepaint();

// A button showing a colour, which opens the colour dialog when clicked.
class ColorButton : public QToolButton {
    Q_OBJECT
public:
    explicit ColorButton(QWidget* parent);

    ColorRef color() const { return m_color; }
    void setColor(ColorRef color);

signals:
    void colorChosen(corvane::ColorRef color);

private:
    void choose();
    ColorRef m_color = kBlack;
};

} // namespace corvane
