#pragma once

#include <QObject>

#include <vector>

class QFontComboBox;
class QWidget;

namespace corvane {

class ColorButton;
class ComparisonSession;
class UpDownControl;
class WatermarkEditor;

// The main window's controls of the watermark style, which it creates and places.
struct WatermarkStyleWidgets {
    std::vector<QWidget*> labels; // "透かし文字：", "サイズ：", "影："
    ColorButton* color = nullptr;
    QFontComboBox* face = nullptr;
    UpDownControl* size = nullptr;
    UpDownControl* shadow = nullptr;
    ColorButton* shadowColor = nullptr;
    QWidget* backgroundLabel = nullptr; // "背景："
    ColorButton* background = nullptr;
};

// Ties the style controls to the watermark texts: they show the text the editor makes current and apply
// their changes to the selected texts through the session. The background controls are shown while the
// watermark mode is on; the others from a click on a text until the band starts or the mode ends.
class WatermarkStyleControls : public QObject {
    Q_OBJECT
public:
    WatermarkStyleControls(ComparisonSession& session, WatermarkEditor& editor, WatermarkStyleWidgets widgets,
                           QWidget* window);

    // Shows text `index`'s colour, face, size, shadow and shadow colour, and the controls.
    void showText(int index);
    void hideStyle();
    // The session's state changed: the mode's start and end show and hide the controls.
    void sessionChanged();

private:
    std::vector<QWidget*> styleWidgets() const;

    ComparisonSession& m_session;
    WatermarkStyleWidgets m_widgets;
    QWidget* m_window;
};

} // namespace corvane
