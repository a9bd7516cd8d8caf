#pragma once

#include "platform/Color.h"
#include "platform/DeviceBitmap.h"
#include "platform/PixelAccess.h"

#include <cstdint>
#include <optional>
#include <vector>

// The tolerant pixel comparison: a perceptual colour threshold, anti-aliased edges left out and
// rectangles left out, on top of the exact match map of CFilter::ComparePixels. Thresholds mean what they
// mean to pixelmatch and odiff, so values tuned with those tools carry over, and counts equal pixelmatch's.
namespace corvane {

// A rectangle of image pixels with both corners included.
struct PixelRect {
    int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

// True when the rectangle is not inverted (x1 ≤ x2, y1 ≤ y2) and lies inside a width × height image.
bool rectInsideImage(const PixelRect& rect, int width, int height);

struct ToleranceOptions {
    // 0–1. Two colours differ when their YIQ difference exceeds yiqLimit(threshold); 0 compares exactly.
    double threshold = 0;
    // A differing pixel that is an anti-aliased edge in either image is not counted.
    bool ignoreAntialiasing = false;
    // Rectangles of original 1's coordinates whose pixels are neither compared nor counted. They may
    // overlap each other; each must lie inside the image.
    std::vector<PixelRect> ignored;
    // Map colours of the anti-aliased pixels that were not counted, and of ignored pixels (by default
    // the colour of matching pixels).
    ColorRef antialiasColor = makeColor(255, 255, 0);
    ColorRef ignoredColor = kRed;

    // True when the options change nothing: the comparison is ComparePixels' exact one.
    bool exact() const { return threshold == 0 && !ignoreAntialiasing && ignored.empty(); }
};

// The perceptual difference of two colours after Kotsarenko and Ramos (2010), "Measuring perceived colour
// difference using YIQ NTSC transmission colour space in mobile applications": the squared differences of
// Y, I and Q weighted 0.5053, 0.299 and 0.1957. 0 for equal colours; no two colours are further apart
// than about 35215.
double yiqDifference(Rgb8 a, Rgb8 b);

// The largest YIQ difference that still counts as equal at `threshold`: 35215 × threshold².
double yiqLimit(double threshold);

// The match map of `first` against `second` (already drawn at the shift), as CFilter::ComparePixels
// writes it: red where the colours of the overlap region match, `mismatchColor` where they differ and
// everywhere outside the overlap; 32-bit pixels get a fourth byte of 0. With options, colours within the
// threshold match, differing pixels that are anti-aliased edges get `antialiasColor` and ignored pixels
// of the overlap `ignoredColor`. An anti-aliased edge is looked for (Vysniauskas, 2009, "Anti-aliased
// pixel and intensity slope detector") in the 3 × 3 neighbourhood inside the overlap, in either image.
//
// Returns the number of differing pixels counted (those drawn in `mismatchColor` inside the overlap).
// Empty, with the target unchanged, when the bitmaps differ in geometry, the threshold is outside 0–1,
// an ignored rectangle is not inside the image, or memory runs out. The target may be either source.
// Without options the map is exactly ComparePixels'.
std::optional<std::int64_t> compareWithTolerance(const DeviceBitmap& first, const DeviceBitmap& second,
                                                 DeviceBitmap& target, int shiftH, int shiftV,
                                                 ColorRef mismatchColor, const ToleranceOptions& options);

} // namespace corvane
