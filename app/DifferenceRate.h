#pragma once

#include <QString>

namespace corvane {

// The share of `differing` among `compared` pixels in percent with three decimals ("0.103"). A share
// that is neither none nor all is never shown as 0 or 100: "< 0.001" and "> 99.999" instead. "0.000"
// when nothing was compared.
QString differenceRateText(long long differing, long long compared);

} // namespace corvane
