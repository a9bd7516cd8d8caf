#pragma once

#include "platform/DeviceBitmap.h"

#include <cstdint>
#include <string>

namespace corvane::test {

// A bitmap of random pixels (fourth bytes of 32-bit pixels random too), the same for the same seed.
DeviceBitmap randomBitmap(int width, int height, int bitsPerPixel, std::uint32_t seed);

// A copy of `image` in which about `percent` % of the pixels got another random colour, so that
// comparisons see long runs of equal pixels as in real image pairs.
DeviceBitmap perturbedCopy(const DeviceBitmap& image, int percent, std::uint32_t seed);

// A bitmap filled with one colour (fourth bytes `fourth` in the 32-bit format).
DeviceBitmap solidBitmap(int width, int height, int bitsPerPixel, std::uint32_t rawColor,
                         std::uint8_t fourth = 0);

// True when both bitmaps have the same geometry and the same pixel bytes (fourth bytes included,
// padding bytes of 24-bit rows ignored).
bool samePixels(const DeviceBitmap& a, const DeviceBitmap& b);

// Where two bitmaps first differ, for failure messages ("" when they do not).
std::string firstDifference(const DeviceBitmap& a, const DeviceBitmap& b);

} // namespace corvane::test
