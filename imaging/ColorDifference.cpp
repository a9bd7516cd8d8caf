// CIELAB from sRGB and the CIEDE2000 colour difference.

#include "imaging/ColorDifference.h"

#include <array>
#include <cmath>
#include <numbers>

namespace corvane {

namespace {

// The sRGB transfer curve of every 8-bit value.
const std::array<double, 256>& linearTable() {
    static const std::array<double, 256> table = [] {
        std::array<double, 256> t{};
        for (std::size_t v = 0; v < 256; ++v) {
            const double c = static_cast<double>(v) / 255.0;
            t[v] = c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
        }
        return t;
    }();
    return table;
}

// The CIELAB companding of a ratio to the white: a cube root above (6/29)³, a line below it.
double labCurve(double t) {
    constexpr double epsilon = 216.0 / 24389.0;
    constexpr double kappa = 24389.0 / 27.0;
    return t > epsilon ? std::cbrt(t) : (kappa * t + 16.0) / 116.0;
}

constexpr double kDegree = std::numbers::pi / 180.0;

// A hue angle in degrees, 0 … 360; 0 for a colour without hue.
double hueDegrees(double b, double a) {
    if (a == 0 && b == 0) {
        return 0;
    }
    const double h = std::atan2(b, a) / kDegree;
    return h < 0 ? h + 360.0 : h;
}

} // namespace

Lab labFromSrgb(Rgb8 color) {
    const auto& linear = linearTable();
    const double r = linear[color.r];
    const double g = linear[color.g];
    const double b = linear[color.b];
    const double x = (0.4124564 * r + 0.3575761 * g + 0.1804375 * b) / 0.95047;
    const double y = 0.2126729 * r + 0.7151522 * g + 0.0721750 * b;
    const double z = (0.0193339 * r + 0.1191920 * g + 0.9503041 * b) / 1.08883;
    const double fx = labCurve(x);
    const double fy = labCurve(y);
    const double fz = labCurve(z);
    return {116.0 * fy - 16.0, 500.0 * (fx - fy), 200.0 * (fy - fz)};
}

double ciede2000(const Lab& first, const Lab& second) {
    constexpr double pow25to7 = 6103515625.0; // 25⁷
    // The a axis is stretched for colours of low chroma, which moves their hues.
    const double chroma1 = std::hypot(first.a, first.b);
    const double chroma2 = std::hypot(second.a, second.b);
    const double meanChroma = (chroma1 + chroma2) / 2;
    const double mean7 = std::pow(meanChroma, 7);
    const double g = 0.5 * (1 - std::sqrt(mean7 / (mean7 + pow25to7)));
    const double a1 = (1 + g) * first.a;
    const double a2 = (1 + g) * second.a;
    const double c1 = std::hypot(a1, first.b);
    const double c2 = std::hypot(a2, second.b);
    const double h1 = hueDegrees(first.b, a1);
    const double h2 = hueDegrees(second.b, a2);

    const double deltaL = second.L - first.L;
    const double deltaC = c2 - c1;
    const double chromaProduct = c1 * c2;
    // The hue difference the short way round the circle; none when either colour has no hue.
    double deltaHue = 0;
    if (chromaProduct != 0) {
        deltaHue = h2 - h1;
        if (deltaHue > 180) {
            deltaHue -= 360;
        } else if (deltaHue < -180) {
            deltaHue += 360;
        }
    }
    const double deltaH = 2 * std::sqrt(chromaProduct) * std::sin(deltaHue / 2 * kDegree);

    const double meanL = (first.L + second.L) / 2;
    const double meanC = (c1 + c2) / 2;
    // The mean hue, also the short way round; the sum when either colour has no hue.
    double meanHue = h1 + h2;
    if (chromaProduct != 0) {
        if (std::abs(h1 - h2) <= 180) {
            meanHue = (h1 + h2) / 2;
        } else if (h1 + h2 < 360) {
            meanHue = (h1 + h2 + 360) / 2;
        } else {
            meanHue = (h1 + h2 - 360) / 2;
        }
    }
    const double t = 1 - 0.17 * std::cos((meanHue - 30) * kDegree) + 0.24 * std::cos(2 * meanHue * kDegree) +
                     0.32 * std::cos((3 * meanHue + 6) * kDegree) -
                     0.20 * std::cos((4 * meanHue - 63) * kDegree);
    const double hueFromBlue = (meanHue - 275) / 25;
    const double deltaTheta = 30 * std::exp(-hueFromBlue * hueFromBlue);
    const double meanC7 = std::pow(meanC, 7);
    const double rc = 2 * std::sqrt(meanC7 / (meanC7 + pow25to7));
    const double lFromMid = (meanL - 50) * (meanL - 50);
    const double sl = 1 + 0.015 * lFromMid / std::sqrt(20 + lFromMid);
    const double sc = 1 + 0.045 * meanC;
    const double sh = 1 + 0.015 * meanC * t;
    const double rt = -std::sin(2 * deltaTheta * kDegree) * rc;

    const double l = deltaL / sl;
    const double c = deltaC / sc;
    const double h = deltaH / sh;
    return std::sqrt(l * l + c * c + h * h + rt * c * h);
}

} // namespace corvane
