#include "app/DifferenceRate.h"

namespace corvane {

QString differenceRateText(long long differing, long long compared) {
    const double rate =
        compared > 0 ? static_cast<double>(differing) * 100.0 / static_cast<double>(compared) : 0.0;
    QString text = QString::asprintf("%0.3f", rate);
    // A rate rounded to 0 or 100 would say "none" or "all" where that is not so.
    if (differing > 0 && text == QLatin1String("0.000")) {
        text = QStringLiteral("< 0.001");
    } else if (differing < compared && text == QLatin1String("100.000")) {
        text = QStringLiteral("> 99.999");
    }
    return text;
}

} // namespace corvane
