#pragma once

#include "platform/DeviceBitmap.h"

#include <array>
#include <cstdint>

namespace corvane {

// Pixels equal to white, yellow, magenta, red, green, cyan, blue and black, in that order (in 16 bits a
// channel counts at its maximum or at 0).
using PureColorCounts = std::array<std::uint64_t, 8>;

PureColorCounts countPureColors(const DeviceBitmap& bitmap);

// The number of different pixel colours (the fourth byte of 32-bit pixels ignored); 0 when memory runs out.
double countDistinctColors(const DeviceBitmap& bitmap);

} // namespace corvane
