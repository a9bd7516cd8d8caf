#pragma once

#include "platform/DeviceBitmap.h"

#include <cstdint>
#include <optional>

// Quality metrics of two images over the region where original 2, drawn at a shift, overlaps original 1.
namespace corvane {

struct ImageMetrics {
    std::int64_t pixels = 0; // pixels compared: the overlap region
    std::int64_t ae = 0;     // pixels whose colours are not equal
    double mae = 0;          // mean absolute difference of the red, green and blue values, 0–255
    double rmse = 0;         // root of the mean squared difference of the same values, 0–255
    double psnr = 0;         // 10 log10(255² / mean squared difference) in dB; +infinity for equal images
    // Mean structural similarity of the luma, as meanSsim(); empty when the region is smaller than its
    // window in either direction.
    std::optional<double> ssim;
    double deltae = 0; // mean CIEDE2000 difference of the pixels' sRGB colours
};

// The metrics of `first` against `second` (already drawn at the shift), over the overlap region; 16-bit
// channels are widened first. With an empty overlap, pixels is 0, the means are NaN and ssim is empty.
// Empty when the bitmaps differ in geometry or memory runs out. Large images are measured in two bands
// of rows; the results do not depend on the split.
std::optional<ImageMetrics> computeMetrics(const DeviceBitmap& first, const DeviceBitmap& second, int shiftH,
                                           int shiftV);

// The mean structural similarity (Wang, Bovik, Sheikh and Simoncelli, 2004) of the luma Y = 0.299 R +
// 0.587 G + 0.114 B of the two images over the overlap region: local means, variances and covariance
// under a Gaussian window of σ 1.5 truncated at 3.5 σ (11 × 11), population (not sample) moments,
// C1 = (0.01 × 255)² and C2 = (0.03 × 255)², averaged over the region less a border of 5 pixels, where
// every window lies inside the region (the mirrored borders of the usual formulation never reach that
// mean). Empty when the region is smaller than 11 pixels in either direction, the bitmaps differ in
// geometry or memory runs out.
std::optional<double> meanSsim(const DeviceBitmap& first, const DeviceBitmap& second, int shiftH, int shiftV);

} // namespace corvane
