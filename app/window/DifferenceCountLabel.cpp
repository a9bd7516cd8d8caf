#include "app/window/DifferenceCountLabel.h"

#include "app/ComparisonSession.h"
#include "app/DifferenceRate.h"

#include <QFontMetrics>
#include <QLocale>

#include <algorithm>

namespace corvane {

QString differenceCountText(const ComparisonSession& session) {
    const ProcessingMode mode = session.currentProcessing();
    const std::optional<ComparisonSession::OverlapCount>& count = session.pixelComparisonCount();
    if (!count || (mode != ProcessingMode::Pixel && mode != ProcessingMode::PixelAfterEdges)) {
        return {};
    }
    const QLocale locale(QLocale::Japanese, QLocale::Japan);
    return QStringLiteral("相違 %1 / %2 画素（%3 %）")
        .arg(locale.toString(count->differing), locale.toString(count->compared),
             differenceRateText(count->differing, count->compared));
}

DifferenceCountLabel::DifferenceCountLabel(QWidget* parent) : QLabel(parent) {
    setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setTextFormat(Qt::PlainText);
    setContentsMargins(0, 0, 0, 0);
    hide();
}

void DifferenceCountLabel::refresh(const ComparisonSession& session, bool progressShown) {
    const QString text = differenceCountText(session);
    if (text != this->text()) {
        setText(text);
    }
    setVisible(!text.isEmpty() && !progressShown);
}

void DifferenceCountLabel::resizeEvent(QResizeEvent* event) {
    // The row is only a few dialog units high: the largest text whose lines fit it, no less than 7 pixels.
    QFont small = font();
    int size = std::max(7, height());
    for (; size > 7; --size) {
        small.setPixelSize(size);
        if (QFontMetrics(small).height() <= height()) {
            break;
        }
    }
    small.setPixelSize(size);
    setFont(small);
    QLabel::resizeEvent(event);
}

} // namespace corvane
