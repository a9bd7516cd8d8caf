#pragma once

#include "imaging/ColorModel.h"
#include "platform/Blit.h"
#include "platform/Color.h"
#include "platform/DeviceBitmap.h"
#include "platform/Progress.h"

#include <array>
#include <optional>
#include <span>

namespace corvane {

// Per-channel value counts of one image: red counts 0–255, then green, then blue.
using Histogram = std::array<double, 768>;

// Channel of a scan match: one channel, or all three.
enum class ScanChannel { Red = 0, Green = 1, Blue = 2, Rgb = -1 };

// The result of a best-match search: the shift of original 2 over original 1 with the highest RGB match
// rate, and that rate in percent.
struct ShiftMatch {
    int shiftH = 0;
    int shiftV = 0;
    double rate = 0;
};

// The pixel operations of the comparisons. Stateless: every operation takes bitmaps and plain values.
//
// Contract shared by all operations that write a target:
// - Every bitmap must be non-null and all bitmaps of one call must have the same geometry (width, height,
//   stride and depth); otherwise the operation returns false and the target keeps its content.
// - A false return for any reason (also a failed allocation) leaves the target unchanged.
// - The target may be the same bitmap as any source ("in place").
// - In the 32-bit format the fourth byte of each written pixel is copied from the (first) source pixel,
//   except where an operation says otherwise. Padding bytes of 24-bit rows are never written.
// - 16-bit pixels are widened to 8 bits through Expand5/Expand6 and narrowed back through
//   Quantize5/Quantize6, unless an operation says it computes in the raw 5- and 6-bit channels.
class CFilter {
public:
    // Grey from the green channel scaled by `factor` (0–255): g = trunc(G / 255 × factor).
    bool GreyscaleImage(const DeviceBitmap& source, DeviceBitmap& target, int factor) const;

    // Box blur over an n × n window (n odd, ≥ 1) of the positions inside the image.
    bool BlurImage(const DeviceBitmap& source, DeviceBitmap& target, int windowSize) const;

    // Each pixel to the nearest of the 64 colours with channels 0, 85, 170, 255.
    bool ReduceTo64Colors(const DeviceBitmap& source, DeviceBitmap& target) const;

    // Sobel edges, (|Gx| + |Gy|) / 2 per channel. In 24/32 bits the one-pixel border becomes black.
    bool DetectEdges(const DeviceBitmap& source, DeviceBitmap& target) const;

    // Match map of `first` against `second` (already drawn at the shift): red where the colours of the
    // overlap region are equal, `mismatchColor` everywhere else. The fourth byte of 32-bit pixels is 0.
    bool ComparePixels(const DeviceBitmap& first, const DeviceBitmap& second, DeviceBitmap& target,
                       int shiftH, int shiftV, ColorRef mismatchColor) const;

    // `top` laid over `bottom` with blend mode 0–14 (false for another mode). 16-bit pixels are blended in
    // their raw channels. The fourth byte is copied from `top`.
    bool BlendImages(const DeviceBitmap& top, const DeviceBitmap& bottom, DeviceBitmap& target,
                     int mode) const;
    // The same inside `region` only; the target's other pixels stay. False for a region outside the images.
    bool BlendImages(const DeviceBitmap& top, const DeviceBitmap& bottom, DeviceBitmap& target, int mode,
                     const IntRect& region) const;

    // White where the colour's squared norm in `space` reaches 3 × threshold², black elsewhere.
    bool Binarize(const DeviceBitmap& source, DeviceBitmap& target, int threshold, ColorSpace space) const;

    // Grey image of the squared colour distance in `space`, normalised and squared.
    bool GradationImage(const DeviceBitmap& image1, const DeviceBitmap& image2, DeviceBitmap& target,
                        ColorSpace space) const;

    // Red where the squared distance in `space` reaches the threshold of `level`, black elsewhere. The
    // fourth byte is copied from `image1`.
    bool DifferenceMask(const DeviceBitmap& image1, const DeviceBitmap& image2, DeviceBitmap& target,
                        ColorSpace space, int level) const;

    // Relief from the diagonal neighbour difference around mid-grey; 16-bit in raw channels.
    bool EmbossImage(const DeviceBitmap& source, DeviceBitmap& target, int strength) const;

    // Pure black pixels become red, all others black.
    bool BlackToRed(const DeviceBitmap& source, DeviceBitmap& target) const;

    // Pure red pixels become black, all others keep their value.
    bool RedToBlack(const DeviceBitmap& source, DeviceBitmap& target) const;

    // Zeroes `histogram` and counts every pixel's channels into it.
    bool ComputeHistogram(const DeviceBitmap& bitmap, Histogram& histogram) const;

    // Counts equal pixels (by `channel`) of `imageA` and `imageB` at equal positions inside the overlap of
    // the shift: per row into `rowCounts` (at least height entries), per column into `columnCounts` (at
    // least width entries), both zeroed first, and adds the number of matches to `total`. The two images
    // must have the same geometry; false (nothing written) otherwise.
    bool ScanMatch(const DeviceBitmap& imageA, const DeviceBitmap& imageB, int shiftH, int shiftV,
                   std::span<int> rowCounts, std::span<int> columnCounts, double& total,
                   ScanChannel channel) const;

    // Tries every shift of `original2` over `original1` in the window of ±min((size − 1) / 4, 20) pixels
    // (offsets −R … R − 1 per axis) and returns the shift with the highest RGB match rate; ties keep the
    // first shift in row-major order from (−Rx, −Ry), and (0, 0) when no shift matches at all. Empty
    // when the images differ in geometry or memory runs out. `progress` is told about finished work.
    std::optional<ShiftMatch> SearchBestMatch(const DeviceBitmap& original1, const DeviceBitmap& original2,
                                              const ProgressFn& progress = {}) const;
};

// The match rate of a scan total in percent: total × 100 / overlap area (0 when the shift leaves no overlap).
double matchRate(double total, int width, int height, int shiftH, int shiftV);

} // namespace corvane
