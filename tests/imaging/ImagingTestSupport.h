#pragma once

#include "platform/DeviceBitmap.h"
#include "tests/support/TestImages.h"

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

// Small helpers of the imaging tests: bitmaps built from raw pixel values, raw reads, row padding marks
// and whole-buffer comparisons.
namespace corvane::test {

// The three pixel formats as a parameter name: "Bits16", "Bits24", "Bits32".
std::string depthName(int bitsPerPixel);

// A bitmap whose pixels, row by row, take the raw values given (a 5-6-5 word in 16 bits, 0xRRGGBB in 24
// and 32 bits); every 32-bit pixel gets the fourth byte `fourth`.
DeviceBitmap rawBitmap(int width, int height, int bitsPerPixel, std::initializer_list<std::uint32_t> raw,
                       std::uint8_t fourth = 0x5A);

// The raw colour of one pixel (a 5-6-5 word, or 0xRRGGBB) and the fourth byte of a 32-bit pixel.
std::uint32_t rawAt(const DeviceBitmap& bitmap, int x, int y);
std::uint8_t fourthAt(const DeviceBitmap& bitmap, int x, int y);

// The raw colours of all pixels, row by row.
std::vector<std::uint32_t> rawPixels(const DeviceBitmap& bitmap);

// Sets every padding byte at the end of 24-bit rows to `value`; other formats have none.
void markPadding(DeviceBitmap& bitmap, std::uint8_t value);

// A random bitmap whose row padding carries `paddingMark`, so that writes into the padding show.
DeviceBitmap randomMarked(int width, int height, int bitsPerPixel, std::uint32_t seed,
                          std::uint8_t paddingMark = 0xA5);

// A copy whose colour channels moved by at most `maxStep` stored levels up or down (fourth bytes kept),
// for pairs of images that are close to each other everywhere.
DeviceBitmap nudgedCopy(const DeviceBitmap& image, int maxStep, std::uint32_t seed);

// Where two bitmaps' whole byte buffers first differ (pixels first, then padding); "" when identical.
std::string byteDifference(const DeviceBitmap& expected, const DeviceBitmap& actual);

} // namespace corvane::test
