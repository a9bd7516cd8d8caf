#pragma once

#include "imaging/ColorModel.h"
#include "imaging/Filter.h"
#include "platform/Color.h"
#include "platform/DeviceBitmap.h"

#include <optional>
#include <span>

// Plain, slow definitions of the pixel operations and colour models, written apart from the engine so
// that the tests and the benchmarks can check it. Each operation fetches its sources as whole byte
// buffers, visits every pixel in the most direct way (neighbourhood operations loop over their full
// window), and writes the finished buffer into the target at the end, so the target may be any source.
//
// The contract is the one of CFilter: all bitmaps non-null and of one geometry, otherwise false and the
// target untouched; the fourth byte of a 32-bit pixel is copied from the (first) source except in
// ComparePixels, which writes 0; padding bytes of 24-bit rows keep the target's values. The helpers do
// not use the engine's allocation seam, so they are not affected by an AllocationFailureScope.
//
// Cost grows with the window: BlurImage is O(pixels × n²) and SearchBestMatch rescans a full redrawn
// work image for every shift, so keep the latter to small images.
namespace corvane::reference {

// Channel widening: index → floor(index × 255 / top + 0.5) with top 31 or 63.
int Expand5(int index);
int Expand6(int index);
// Channel narrowing: the first table entry not below `value`; its index if equal, the index below it if
// the entry exceeds the value by at most 2 (5 bits) or 1 (6 bits), else its own index.
int Quantize5(int value);
int Quantize6(int value);
// Each channel narrowed and widened again.
ColorRef QuantizeColor16(ColorRef color);

Hsv RgbToHsv(int red, int green, int blue);
Hls RgbToHls(int red, int green, int blue);
double ColorNormSquared(int red, int green, int blue, ColorSpace space);
double ColorDistanceSquared(int red1, int green1, int blue1, int red2, int green2, int blue2,
                            ColorSpace space);

bool GreyscaleImage(const DeviceBitmap& source, DeviceBitmap& target, int factor);
bool BlurImage(const DeviceBitmap& source, DeviceBitmap& target, int windowSize);
bool ReduceTo64Colors(const DeviceBitmap& source, DeviceBitmap& target);
bool DetectEdges(const DeviceBitmap& source, DeviceBitmap& target);
bool ComparePixels(const DeviceBitmap& first, const DeviceBitmap& second, DeviceBitmap& target, int shiftH,
                   int shiftV, ColorRef mismatchColor);
bool BlendImages(const DeviceBitmap& top, const DeviceBitmap& bottom, DeviceBitmap& target, int mode);
bool Binarize(const DeviceBitmap& source, DeviceBitmap& target, int threshold, ColorSpace space);
bool GradationImage(const DeviceBitmap& image1, const DeviceBitmap& image2, DeviceBitmap& target,
                    ColorSpace space);
bool DifferenceMask(const DeviceBitmap& image1, const DeviceBitmap& image2, DeviceBitmap& target,
                    ColorSpace space, int level);
bool EmbossImage(const DeviceBitmap& source, DeviceBitmap& target, int strength);
bool BlackToRed(const DeviceBitmap& source, DeviceBitmap& target);
bool RedToBlack(const DeviceBitmap& source, DeviceBitmap& target);
bool ComputeHistogram(const DeviceBitmap& bitmap, Histogram& histogram);
bool ScanMatch(const DeviceBitmap& imageA, const DeviceBitmap& imageB, int shiftH, int shiftV,
               std::span<int> rowCounts, std::span<int> columnCounts, double& total, ScanChannel channel);

// For every shift of the search window: a black work image, original 2 drawn into it at the shift, a
// full RGB scan against original 1 and its match rate; the first shift with the highest rate wins.
std::optional<ShiftMatch> SearchBestMatch(const DeviceBitmap& original1, const DeviceBitmap& original2);

// total × 100 / overlap area of the shift; 0 when nothing overlaps.
double matchRate(double total, int width, int height, int shiftH, int shiftV);

} // namespace corvane::reference
