// CIELAB from sRGB and the CIEDE2000 colour difference.

#include "imaging/ColorDifference.h"

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
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

// The cube root of t in (0, 2): a first guess from the exponent bits (within 6 %), then three steps of
// Halley's iteration, each of which triples the correct digits. Faster than the library's cbrt and
// made of plain arithmetic only, so the result is the same on every processor.
double cubeRoot(double t) {
    std::uint64_t bits = std::bit_cast<std::uint64_t>(t);
    bits = bits / 3 + 0x2A9F7893782DA1CEull;
    double y = std::bit_cast<double>(bits);
    for (int i = 0; i < 3; ++i) {
        const double y3 = y * y * y;
        y = y * (y3 + 2 * t) / (2 * y3 + t);
    }
    return y;
}

// The CIELAB companding of a ratio to the white: a cube root above (6/29)³, a line below it.
double labCurve(double t) {
    constexpr double epsilon = 216.0 / 24389.0;
    constexpr double kappa = 24389.0 / 27.0;
    return t > epsilon ? cubeRoot(t) : (kappa * t + 16.0) / 116.0;
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

namespace {

// x⁷ / (x⁷ + 25⁷), the weight of chroma in G and R_C.
double chromaWeight(double x) {
    constexpr double pow25to7 = 6103515625.0;
    const double x2 = x * x;
    const double x7 = x2 * x2 * x2 * x;
    return x7 / (x7 + pow25to7);
}

} // namespace

double ciede2000(const Lab& first, const Lab& second) {
    // The a axis is stretched for colours of low chroma, which moves their hues.
    const double chroma1 = std::sqrt(first.a * first.a + first.b * first.b);
    const double chroma2 = std::sqrt(second.a * second.a + second.b * second.b);
    const double g = 0.5 * (1 - std::sqrt(chromaWeight((chroma1 + chroma2) / 2)));
    const double a1 = (1 + g) * first.a;
    const double a2 = (1 + g) * second.a;
    const double b1 = first.b;
    const double b2 = second.b;
    const double c1 = std::sqrt(a1 * a1 + b1 * b1);
    const double c2 = std::sqrt(a2 * a2 + b2 * b2);

    // The hues enter through the difference of the two hue angles and through their mean, each taken
    // the short way round the circle. Both follow from the unit hue vectors u = (a′, b) / C′ with one
    // angle computed instead of three: ΔH′ = 2 √(C′1 C′2) sin(Δh′ / 2) is √(C′1 C′2) |u1 − u2| with the
    // sign of Δh′, which is that of the cross product a′1 b2 − b1 a′2, and the mean hue points along
    // u1 + u2. Without a hue (C′ = 0) a colour adds no hue difference and the mean is the other's hue.
    const double chromaProduct = c1 * c2;
    double deltaH = 0;
    double meanCos = 1;
    double meanSin = 0;
    if (chromaProduct == 0) {
        if (c1 != 0) {
            meanCos = a1 / c1;
            meanSin = b1 / c1;
        } else if (c2 != 0) {
            meanCos = a2 / c2;
            meanSin = b2 / c2;
        }
    } else {
        const double cross = a1 * b2 - b1 * a2;
        const double dot = a1 * a2 + b1 * b2;
        if (cross == 0 && dot < 0) {
            // Opposite hues: Δh′ is +180° when h′2 is the larger angle, and the mean is the angles' mean.
            const double h1 = hueDegrees(b1, a1);
            const double h2 = hueDegrees(b2, a2);
            deltaH = (h2 > h1 ? 2 : -2) * std::sqrt(chromaProduct);
            const double mean = (h1 + h2) / 2 * kDegree;
            meanCos = std::cos(mean);
            meanSin = std::sin(mean);
        } else {
            const double u1x = a1 / c1, u1y = b1 / c1;
            const double u2x = a2 / c2, u2y = b2 / c2;
            // |u1 − u2|² = 2 (1 − cos Δh′), free of the cancellation in C′1 C′2 − a′1 a′2 − b1 b2.
            const double dx = u1x - u2x, dy = u1y - u2y;
            deltaH = std::copysign(std::sqrt(chromaProduct * (dx * dx + dy * dy)), cross);
            const double x = u1x + u2x, y = u1y + u2y;
            const double length = std::sqrt(x * x + y * y);
            meanCos = x / length;
            meanSin = y / length;
        }
    }
    const double meanHue = hueDegrees(meanSin, meanCos);

    const double deltaL = second.L - first.L;
    const double deltaC = c2 - c1;
    const double meanL = (first.L + second.L) / 2;
    const double meanC = (c1 + c2) / 2;
    // T = 1 − 0.17 cos(h − 30°) + 0.24 cos 2h + 0.32 cos(3h + 6°) − 0.20 cos(4h − 63°) of the mean hue h,
    // with the multiple angles by the angle-sum formulas.
    const double cos1 = meanCos;
    const double sin1 = meanSin;
    const double cos2 = 2 * cos1 * cos1 - 1;
    const double sin2 = 2 * sin1 * cos1;
    const double cos3 = cos1 * cos2 - sin1 * sin2;
    const double sin3 = sin1 * cos2 + cos1 * sin2;
    const double cos4 = 2 * cos2 * cos2 - 1;
    const double sin4 = 2 * sin2 * cos2;
    constexpr double cos30 = 0.86602540378443865, sin30 = 0.5;
    constexpr double cos6 = 0.99452189536827329, sin6 = 0.10452846326765347;
    constexpr double cos63 = 0.45399049973954675, sin63 = 0.89100652418836786;
    const double t = 1 - 0.17 * (cos1 * cos30 + sin1 * sin30) + 0.24 * cos2 +
                     0.32 * (cos3 * cos6 - sin3 * sin6) - 0.20 * (cos4 * cos63 + sin4 * sin63);
    const double hueFromBlue = (meanHue - 275) / 25;
    const double deltaTheta = 30 * std::exp(-hueFromBlue * hueFromBlue);
    const double rc = 2 * std::sqrt(chromaWeight(meanC));
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
