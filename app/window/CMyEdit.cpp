#include "app/window/CMyEdit.h"

#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>

namespace corvane {

CMyEdit::CMyEdit(QWidget* parent) : QPlainTextEdit(parent) {
    setObjectName(QStringLiteral("control8900"));
    setFrameStyle(QFrame::NoFrame);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    // Tab leaves the edit, as in a dialog, instead of typing a tab into the text.
    setTabChangesFocus(true);
    setContextMenuPolicy(Qt::NoContextMenu);
    document()->setDocumentMargin(0);
    setContentsMargins(0, 0, 0, 0);
    setViewportMargins(0, 0, 0, 0);
}

void CMyEdit::setTextStyle(const QFont& font, ColorRef color) {
    setFont(font);
    document()->setDefaultFont(font);
    QPalette colours = palette();
    colours.setColor(QPalette::Base, Qt::white);
    colours.setColor(QPalette::Text, QColor(redOf(color), greenOf(color), blueOf(color)));
    setPalette(colours);
}

QString CMyEdit::textWithCrLf() const {
    QString text = toPlainText();
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return text;
}

void CMyEdit::setTextWithCrLf(const QString& text) {
    QString plain = text;
    plain.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    setPlainText(plain);
}

void CMyEdit::placeCaretAt(QPoint point) {
    setTextCursor(cursorForPosition(viewport()->mapFrom(this, point)));
    ensureCursorVisible();
}

} // namespace corvane
