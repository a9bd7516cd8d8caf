#include "views/ColorStatistics.h"

namespace corvane {

PureColorCounts countPureColors(const DeviceBitmap&) {
    return {};
}
double countDistinctColors(const DeviceBitmap&) {
    return 0;
}

} // namespace corvane
