#include "imaging/ColorModel.h"

#include <algorithm>

namespace corvane {

Hsv RgbToHsv(int red, int green, int blue) {
    const auto r = static_cast<float>(red);
    const auto g = static_cast<float>(green);
    const auto b = static_cast<float>(blue);
    const float max = std::max({r, g, b});
    const float min = std::min({r, g, b});
    Hsv hsv;
    hsv.value = max;
    if (max == 0.0f) {
        return hsv;
    }
    hsv.saturation = (max - min) / max;
    if (hsv.saturation == 0.0f) {
        return hsv;
    }
    const float d = max - min;
    const float rc = (max - r) / d;
    const float gc = (max - g) / d;
    const float bc = (max - b) / d;
    float h = 0;
    if (r == max) {
        h = bc - gc;
    } else if (g == max) {
        h = 2.0f + rc - bc;
    } else {
        h = 4.0f + gc - rc;
    }
    hsv.hue = h * 60.0f;
    if (hsv.hue < 0.0f) {
        hsv.hue += 360.0f;
    }
    return hsv;
}

Hls RgbToHls(int red, int green, int blue) {
    const int max = std::max({red, green, blue});
    const int min = std::min({red, green, blue});
    Hls hls;
    hls.lightness = ((max + min) * 252 + 255) / 510;
    if (max == min) {
        hls.hue = 168;
        return hls;
    }
    const int d = max - min;
    if (hls.lightness <= 126) {
        hls.saturation = (d * 252 + (max + min) / 2) / (max + min);
    } else {
        hls.saturation = (d * 252 + (510 - max - min) / 2) / (510 - max - min);
    }
    const int rd = ((max - red) * 42 + d / 2) / d;
    const int gd = ((max - green) * 42 + d / 2) / d;
    const int bd = ((max - blue) * 42 + d / 2) / d;
    if (red == max) {
        hls.hue = bd - gd;
    } else if (green == max) {
        hls.hue = 84 + rd - bd;
    } else {
        hls.hue = 168 + gd - rd;
    }
    if (hls.hue < 0) {
        hls.hue += 252;
    }
    if (hls.hue > 252) {
        hls.hue -= 252;
    }
    return hls;
}

namespace {
double square(int v) {
    return static_cast<double>(v) * static_cast<double>(v);
}
} // namespace

double ColorNormSquared(int red, int green, int blue, ColorSpace space) {
    switch (space) {
    case ColorSpace::Hsv: {
        const Hsv c = RgbToHsv(red, green, blue);
        const float sum = c.hue * c.hue + c.saturation * c.saturation + c.value * c.value;
        return static_cast<double>(sum);
    }
    case ColorSpace::Hls: {
        const Hls c = RgbToHls(red, green, blue);
        return square(c.hue) + square(c.lightness) + square(c.saturation);
    }
    case ColorSpace::Rgb:
        break;
    }
    return square(red) + square(green) + square(blue);
}

double ColorDistanceSquared(int red1, int green1, int blue1, int red2, int green2, int blue2,
                            ColorSpace space) {
    switch (space) {
    case ColorSpace::Hsv: {
        const Hsv a = RgbToHsv(red1, green1, blue1);
        const Hsv b = RgbToHsv(red2, green2, blue2);
        const float dh = a.hue - b.hue;
        const float ds = a.saturation - b.saturation;
        const float dv = a.value - b.value;
        return static_cast<double>(dh * dh + ds * ds + dv * dv);
    }
    case ColorSpace::Hls: {
        const Hls a = RgbToHls(red1, green1, blue1);
        const Hls b = RgbToHls(red2, green2, blue2);
        return square(a.hue - b.hue) + square(a.lightness - b.lightness) +
               square(a.saturation - b.saturation);
    }
    case ColorSpace::Rgb:
        break;
    }
    return square(red1 - red2) + square(green1 - green2) + square(blue1 - blue2);
}

} // namespace corvane
