#pragma once

#include "platform/Pixel565.h"

// The colour models of the comparisons: HSV in single precision, HLS in integers on a 0–252 scale, and
// the squared norm and squared distance in each space. Every function is pure.
namespace corvane {

enum class ColorSpace { Rgb = 0, Hsv = 1, Hls = 2 };

// The colour space of a stored integer; any value other than 1 or 2 is RGB.
constexpr ColorSpace colorSpaceFromInt(int value) {
    return value == 1 ? ColorSpace::Hsv : value == 2 ? ColorSpace::Hls : ColorSpace::Rgb;
}

// Hue in degrees [0, 360), saturation in [0, 1], value in [0, 255].
struct Hsv {
    float hue = 0, saturation = 0, value = 0;
};

// Hue, lightness and saturation, each 0–252; an undefined hue (grey) is 168.
struct Hls {
    int hue = 0, lightness = 0, saturation = 0;
};

Hsv RgbToHsv(int red, int green, int blue);
Hls RgbToHls(int red, int green, int blue);

// Squared length of a colour in the space: RGB r² + g² + b²; HSV hue² + saturation² + value² summed in
// single precision; HLS H² + L² + S².
double ColorNormSquared(int red, int green, int blue, ColorSpace space);

// Sum of the squared component differences of two colours in the space. Hues differ plainly, not around
// the colour circle (1° and 359° are 358 apart). Single precision in HSV.
double ColorDistanceSquared(int red1, int green1, int blue1, int red2, int green2, int blue2,
                            ColorSpace space);

} // namespace corvane
