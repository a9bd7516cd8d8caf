#pragma once

#include <QObject>
#include <QPointer>

class QWidget;

namespace corvane {

class AreaView;
class ComparisonSession;

// Holding the flip key shows original 2 in original 1's area and original 1 in original 2's, each drawn
// as that area draws its own image, with the labels naming what is shown; releasing the key shows them
// in their own areas again. Flipping back and forth lets the eye catch what moved between the two.
//
// The key is looked at before any control of `window` gets it. It flips only when it is pressed in
// `window` without Ctrl, Alt or Meta, while no text input (an edit, a number edit, the watermark text
// editor) has the focus, both originals are set and the watermark mode is off. Auto-repeated presses
// and releases change nothing; deactivating the window flips back.
class FlipView : public QObject {
    Q_OBJECT
public:
    // Space: no command of the window uses it.
    static constexpr int kKey = Qt::Key_Space;

    // Watches the application's events from now on; `areas` and `window` must outlive it or be
    // destroyed first (it is then inert).
    FlipView(ComparisonSession& session, AreaView& areas, QWidget& window);
    ~FlipView() override;

    bool flipped() const { return m_flipped; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool mayFlip(QWidget* receiver) const;
    void setFlipped(bool on);

    ComparisonSession& m_session;
    QPointer<AreaView> m_areas;
    QPointer<QWidget> m_window;
    bool m_flipped = false;
};

} // namespace corvane
