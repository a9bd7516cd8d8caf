#pragma once

#include <QLabel>
#include <QString>

namespace corvane {

class ComparisonSession;

// What the progress bar's row shows after the pixel comparison: the number and share of the differing
// pixels of the overlap, "相違 12,345 / 12,000,000 画素（0.103 %）". Empty while no pixel comparison is
// current or its results were reset.
QString differenceCountText(const ComparisonSession& session);

// The count in the progress bar's row, shown while the bar is hidden. The text is sized to the row.
class DifferenceCountLabel : public QLabel {
    Q_OBJECT
public:
    explicit DifferenceCountLabel(QWidget* parent);

    // Takes the text from the session; shown when there is one and the progress bar is not.
    void refresh(const ComparisonSession& session, bool progressShown);

protected:
    void resizeEvent(QResizeEvent* event) override;
};

} // namespace corvane
