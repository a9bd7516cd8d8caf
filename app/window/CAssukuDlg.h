#pragma once

#include <QDialog>

class QLabel;
class QSlider;

namespace corvane {

// The quality dialog of JPEG saving: a slider over 10 … 100 with the value beside it and ten preset
// buttons. It only chooses; the caller stores the value it returns.
class CAssukuDlg : public QDialog {
    Q_OBJECT
public:
    // `initial` is clamped into 10 … 100.
    explicit CAssukuDlg(int initial, QWidget* parent = nullptr);

    // The slider's value: the chosen quality after the dialog was accepted.
    int quality() const;
    // Moves the slider to `value` (clamped), as the preset buttons do.
    void setQuality(int value);

private:
    QSlider* m_slider = nullptr;
    QLabel* m_value = nullptr;
};

} // namespace corvane
