#include "app/window/WatermarkStyleControls.h"

#include "app/ComparisonSession.h"
#include "app/window/DialogControls.h"
#include "app/window/WatermarkEditor.h"

#include <QFontComboBox>

namespace corvane {

WatermarkStyleControls::WatermarkStyleControls(ComparisonSession& session, WatermarkEditor& editor,
                                               WatermarkStyleWidgets widgets, QWidget* window)
    : QObject(window), m_session(session), m_widgets(std::move(widgets)), m_window(window) {
    connect(&editor, &WatermarkEditor::styleShown, this, &WatermarkStyleControls::showText);
    connect(&editor, &WatermarkEditor::styleHidden, this, &WatermarkStyleControls::hideStyle);

    connect(m_widgets.color, &ColorButton::colorChosen, this,
            [this](ColorRef color) { m_session.setWatermarkColor(color); });
    connect(m_widgets.shadowColor, &ColorButton::colorChosen, this,
            [this](ColorRef color) { m_session.setWatermarkShadowColor(color); });
    connect(m_widgets.background, &ColorButton::colorChosen, this,
            [this](ColorRef color) { m_session.chooseWatermarkBackground(color); });
    // Only the user's choice applies a face: showing a text's face in the list changes no text.
    connect(m_widgets.face, &QComboBox::activated, this, [this](int index) {
        m_session.setWatermarkFace(m_widgets.face->itemText(index));
        m_window->setFocus(Qt::OtherFocusReason);
    });
    // A step gives position + step; the session keeps it within the range.
    m_widgets.size->setStepHandler([this](int value) { m_session.setWatermarkSize(value); });
    m_widgets.shadow->setStepHandler([this](int value) { m_session.setWatermarkShadow(value); });
}

std::vector<QWidget*> WatermarkStyleControls::styleWidgets() const {
    std::vector<QWidget*> widgets = m_widgets.labels;
    widgets.insert(widgets.end(), {m_widgets.color, m_widgets.face, m_widgets.size, m_widgets.shadow,
                                   m_widgets.shadowColor});
    return widgets;
}

void WatermarkStyleControls::showText(int index) {
    const WatermarkList& texts = m_session.watermarks();
    if (!texts.isValidIndex(index)) {
        return;
    }
    const WatermarkText& text = texts.text(index);
    m_widgets.color->setColor(text.color);
    // A face the system lacks (the text is drawn with a substitute) is shown by its name all the same,
    // not as whichever face the list happened to show.
    const int face = m_widgets.face->findText(text.faceName(), Qt::MatchFixedString);
    if (face >= 0) {
        m_widgets.face->setCurrentIndex(face);
    } else if (m_widgets.face->isEditable()) {
        m_widgets.face->setEditText(text.faceName());
    }
    m_widgets.size->setPosition(text.size);
    m_widgets.shadow->setPosition(text.shadow);
    m_widgets.shadowColor->setColor(text.shadowColor);
    for (QWidget* widget : styleWidgets()) {
        widget->show();
    }
}

void WatermarkStyleControls::hideStyle() {
    for (QWidget* widget : styleWidgets()) {
        widget->hide();
    }
}

void WatermarkStyleControls::sessionChanged() {
    const bool on = m_session.watermarkModeOn();
    m_widgets.backgroundLabel->setVisible(on);
    m_widgets.background->setVisible(on);
    if (!on) {
        hideStyle();
    }
}

} // namespace corvane
