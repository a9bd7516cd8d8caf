#pragma once

#include "platform/Color.h"

#include <QPlainTextEdit>

namespace corvane {

// The in-place editor of a watermark text: a borderless multi-line edit without margins or scroll bars,
// on white, in the text's colour and font, over the text's box in the watermark view. Lines wrap at the
// box's edge only on the screen: the text it gives back has no breaks but the ones typed.
class CMyEdit : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit CMyEdit(QWidget* parent);

    // The text's font (already scaled for the screen) and colour.
    void setTextStyle(const QFont& font, ColorRef color);
    // The text with its line breaks as CR LF, and setting it from that form.
    QString textWithCrLf() const;
    void setTextWithCrLf(const QString& text);
    // Puts the caret at the character nearest to `point` (this widget's coordinates) and shows it.
    void placeCaretAt(QPoint point);
};

} // namespace corvane
