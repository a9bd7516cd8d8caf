#pragma once

#include "platform/PixelAccess.h"

#include <cstdint>

// CIELAB colours and the CIEDE2000 colour difference. Every function is pure.
namespace corvane {

struct Lab {
    double L = 0, a = 0, b = 0;
};

// An sRGB colour of 8-bit channels in CIELAB, relative to the D65 white (X 0.95047, Y 1, Z 1.08883):
// the channels linearised by the sRGB transfer curve, taken to XYZ by the sRGB primaries' matrix.
Lab labFromSrgb(Rgb8 color);

// The CIEDE2000 difference of two colours with kL = kC = kH = 1, as Sharma, Wu and Dalal (2005), "The
// CIEDE2000 colour-difference formula: implementation notes, supplementary test data, and mathematical
// observations", define it, with their conventions for hues of achromatic colours and hue differences
// of 180°. Symmetric, 0 for equal colours.
double ciede2000(const Lab& first, const Lab& second);

// CIELAB values of many colours as three arrays.
struct LabArrays {
    double* L;
    double* a;
    double* b;
};

// labFromSrgb() of n colours given as 0x00RRGGBB, into out's arrays (n entries each): the same values,
// computed several at a time.
void labFromSrgbRow(const std::uint32_t* colors, int n, const LabArrays& out);

// ciede2000() of the n pairs (first[i], second[i]) into out[0 … n − 1]: the same values, computed
// several at a time.
void ciede2000Row(const LabArrays& first, const LabArrays& second, int n, double* out);

} // namespace corvane
