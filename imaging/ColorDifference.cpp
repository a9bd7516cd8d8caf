// CIELAB from sRGB and the CIEDE2000 colour difference, one colour at a time and for whole rows.
//
// Both forms share one definition written without branches and without library calls, so that the
// row loops vectorise and give exactly the values of the single-colour functions on every processor
// (floating-point contraction is off for the whole program). The few elementary functions needed are
// series on short ranges, accurate to a few units in the last place.

#include "imaging/ColorDifference.h"

#include "imaging/KernelSupport.h"

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>

namespace corvane {

namespace {

constexpr double kDegree = std::numbers::pi / 180.0;

// The sRGB transfer curve of every 8-bit value.
const std::array<double, 256> kLinear = [] {
    std::array<double, 256> t{};
    for (std::size_t v = 0; v < 256; ++v) {
        const double c = static_cast<double>(v) / 255.0;
        t[v] = c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    }
    return t;
}();

// The cube root of t in (0, 2): a first guess from the bits of the upper word, the exponent divided by
// three (within 6 %), then three steps of Halley's iteration, each of which triples the correct digits.
[[gnu::always_inline]] inline double cubeRoot(double t) {
    const auto high = static_cast<std::uint32_t>(std::bit_cast<std::uint64_t>(t) >> 32);
    // Two thirds of the exponent bias in the exponent field, less a little that centres the error.
    const std::uint32_t guess = high / 3 + 0x2A9F7893u;
    double y = std::bit_cast<double>(static_cast<std::uint64_t>(guess) << 32);
    for (int i = 0; i < 3; ++i) {
        const double y3 = y * y * y;
        y = y * (y3 + 2 * t) / (2 * y3 + t);
    }
    return y;
}

// The CIELAB companding of a ratio to the white: a cube root above (6/29)³, a line below it.
[[gnu::always_inline]] inline double labCurve(double t) {
    constexpr double epsilon = 216.0 / 24389.0;
    constexpr double kappa = 24389.0 / 27.0;
    const double line = (kappa * t + 16.0) / 116.0;
    // The root of a ratio below the knee is not used; its argument is kept in range.
    const double root = cubeRoot(t > epsilon ? t : 1.0);
    return t > epsilon ? root : line;
}

[[gnu::always_inline]] inline Lab labOfChannels(double r, double g, double b) {
    const double x = (0.4124564 * r + 0.3575761 * g + 0.1804375 * b) / 0.95047;
    const double y = 0.2126729 * r + 0.7151522 * g + 0.0721750 * b;
    const double z = (0.0193339 * r + 0.1191920 * g + 0.9503041 * b) / 1.08883;
    const double fx = labCurve(x);
    const double fy = labCurve(y);
    const double fz = labCurve(z);
    return {116.0 * fy - 16.0, 500.0 * (fx - fy), 200.0 * (fy - fz)};
}

// atan(u) for |u| ≤ tan 15°: the Taylor series to u²⁷, whose remainder is below 10⁻¹⁶ there.
[[gnu::always_inline]] inline double atanSmall(double u) {
    const double u2 = u * u;
    double sum = 0;
    for (int k = 13; k >= 1; --k) {
        const double term = (k % 2 == 0 ? 1.0 : -1.0) / (2 * k + 1);
        sum = (sum + term) * u2;
    }
    return u * (1 + sum);
}

// The angle of (x, y) in degrees, 0 … 360, for a vector of length about 1. The angle's tangent t =
// min/max of |x|, |y| lies in [0, 1]; above tan 15° it is moved down by 30°
// (atan t = 30° + atan((t√3 − 1) / (t + √3))).
[[gnu::always_inline]] inline double angleDegrees(double y, double x) {
    constexpr double sqrt3 = 1.7320508075688772;
    constexpr double tan15 = 0.26794919243112270;
    const double ax = std::abs(x);
    const double ay = std::abs(y);
    const bool steep = ay > ax;
    const double t = (steep ? ax : ay) / (steep ? ay : ax);
    const bool high = t > tan15;
    const double u = high ? (t * sqrt3 - 1) / (t + sqrt3) : t;
    double a = atanSmall(u) / kDegree + (high ? 30.0 : 0.0);
    a = steep ? 90 - a : a;
    a = x < 0 ? 180 - a : a;
    a = y < 0 ? 360 - a : a;
    return a >= 360 ? a - 360 : a;
}

// e^x for x ≤ 0: e^(x/128) by its Taylor series to the 14th power (x/128 ≥ −1/2 after the clamp at
// −64, where e^x is far below anything it is added to), squared seven times.
[[gnu::always_inline]] inline double expNegative(double x) {
    const double y = (x > -64 ? x : -64) / 128;
    double sum = 1;
    for (int k = 14; k >= 1; --k) {
        sum = 1 + sum * y / k;
    }
    for (int i = 0; i < 7; ++i) {
        sum *= sum;
    }
    return sum;
}

// sin x for 0 ≤ x ≤ π/3: the Taylor series to x²¹.
[[gnu::always_inline]] inline double sinSmall(double x) {
    const double x2 = x * x;
    double sum = 1;
    for (int k = 10; k >= 1; --k) {
        sum = 1 - sum * x2 / ((2 * k) * (2 * k + 1));
    }
    return x * sum;
}

// x⁷ / (x⁷ + 25⁷), the weight of chroma in G and R_C.
[[gnu::always_inline]] inline double chromaWeight(double x) {
    constexpr double pow25to7 = 6103515625.0;
    const double x2 = x * x;
    const double x7 = x2 * x2 * x2 * x;
    return x7 / (x7 + pow25to7);
}

// CIEDE2000 of two colours that both have a hue (C′ > 0) and are not of opposite hues; NaN for the
// others, which ciede2000() takes on a path of their own.
//
// The hues enter through the difference of the two hue angles and through their mean, each taken the
// short way round the circle. Both follow from the unit hue vectors u = (a′, b) / C′ with one angle
// computed instead of three: ΔH′ = 2 √(C′1 C′2) sin(Δh′ / 2) is √(C′1 C′2) |u1 − u2| with the sign of
// Δh′, which is that of the cross product a′1 b2 − b1 a′2, and the mean hue points along u1 + u2.
[[gnu::always_inline]] inline double ciede2000Hued(double L1, double a1In, double b1, double L2, double a2In,
                                                   double b2) {
    // The a axis is stretched for colours of low chroma, which moves their hues.
    const double chroma1 = std::sqrt(a1In * a1In + b1 * b1);
    const double chroma2 = std::sqrt(a2In * a2In + b2 * b2);
    const double g = 0.5 * (1 - std::sqrt(chromaWeight((chroma1 + chroma2) / 2)));
    const double a1 = (1 + g) * a1In;
    const double a2 = (1 + g) * a2In;
    const double c1 = std::sqrt(a1 * a1 + b1 * b1);
    const double c2 = std::sqrt(a2 * a2 + b2 * b2);
    const double chromaProduct = c1 * c2;

    const double cross = a1 * b2 - b1 * a2;
    const double dot = a1 * a2 + b1 * b2;
    const double u1x = a1 / c1, u1y = b1 / c1;
    const double u2x = a2 / c2, u2y = b2 / c2;
    // |u1 − u2|² = 2 (1 − cos Δh′), free of the cancellation in C′1 C′2 − a′1 a′2 − b1 b2.
    const double dx = u1x - u2x, dy = u1y - u2y;
    const double deltaH = std::copysign(std::sqrt(chromaProduct * (dx * dx + dy * dy)), cross);
    const double sx = u1x + u2x, sy = u1y + u2y;
    const double length = std::sqrt(sx * sx + sy * sy);
    const double cos1 = sx / length;
    const double sin1 = sy / length;
    const double meanHue = angleDegrees(sin1, cos1);

    const double deltaL = L2 - L1;
    const double deltaC = c2 - c1;
    const double meanL = (L1 + L2) / 2;
    const double meanC = (c1 + c2) / 2;
    // T = 1 − 0.17 cos(h − 30°) + 0.24 cos 2h + 0.32 cos(3h + 6°) − 0.20 cos(4h − 63°) of the mean hue h,
    // with the multiple angles by the angle-sum formulas.
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
    const double deltaTheta = 30 * expNegative(-hueFromBlue * hueFromBlue);
    const double rc = 2 * std::sqrt(chromaWeight(meanC));
    const double lFromMid = (meanL - 50) * (meanL - 50);
    const double sl = 1 + 0.015 * lFromMid / std::sqrt(20 + lFromMid);
    const double sc = 1 + 0.045 * meanC;
    const double sh = 1 + 0.015 * meanC * t;
    const double rt = -sinSmall(2 * deltaTheta * kDegree) * rc;

    const double l = deltaL / sl;
    const double c = deltaC / sc;
    const double h = deltaH / sh;
    const double value = std::sqrt(l * l + c * c + h * h + rt * c * h);
    const bool hued = chromaProduct != 0 && !(cross == 0 && dot < 0);
    return hued ? value : std::numeric_limits<double>::quiet_NaN();
}

// A hue angle in degrees, 0 … 360; 0 for a colour without hue.
double hueDegrees(double b, double a) {
    if (a == 0 && b == 0) {
        return 0;
    }
    const double h = std::atan2(b, a) / kDegree;
    return h < 0 ? h + 360.0 : h;
}

// CIEDE2000 of the colours ciede2000Hued() leaves out, with the hue angles as the formulation states it:
// a colour without hue (C′ = 0) has hue 0, adds no hue difference and leaves the mean hue to the other;
// hues 180° apart have the difference +180° when the second angle is the larger, and their plain mean.
double ciede2000ByAngles(const Lab& first, const Lab& second) {
    const double chroma1 = std::sqrt(first.a * first.a + first.b * first.b);
    const double chroma2 = std::sqrt(second.a * second.a + second.b * second.b);
    const double g = 0.5 * (1 - std::sqrt(chromaWeight((chroma1 + chroma2) / 2)));
    const double a1 = (1 + g) * first.a;
    const double a2 = (1 + g) * second.a;
    const double c1 = std::sqrt(a1 * a1 + first.b * first.b);
    const double c2 = std::sqrt(a2 * a2 + second.b * second.b);
    const double h1 = hueDegrees(first.b, a1);
    const double h2 = hueDegrees(second.b, a2);
    const double chromaProduct = c1 * c2;
    double deltaHue = 0;
    double meanHue = h1 + h2;
    if (chromaProduct != 0) {
        deltaHue = h2 - h1;
        if (deltaHue > 180) {
            deltaHue -= 360;
        } else if (deltaHue < -180) {
            deltaHue += 360;
        }
        if (std::abs(h1 - h2) <= 180) {
            meanHue = (h1 + h2) / 2;
        } else if (h1 + h2 < 360) {
            meanHue = (h1 + h2 + 360) / 2;
        } else {
            meanHue = (h1 + h2 - 360) / 2;
        }
    }
    const double deltaH = 2 * std::sqrt(chromaProduct) * std::sin(deltaHue / 2 * kDegree);
    const double meanL = (first.L + second.L) / 2;
    const double meanC = (c1 + c2) / 2;
    const double t = 1 - 0.17 * std::cos((meanHue - 30) * kDegree) + 0.24 * std::cos(2 * meanHue * kDegree) +
                     0.32 * std::cos((3 * meanHue + 6) * kDegree) -
                     0.20 * std::cos((4 * meanHue - 63) * kDegree);
    const double hueFromBlue = (meanHue - 275) / 25;
    const double deltaTheta = 30 * std::exp(-hueFromBlue * hueFromBlue);
    const double rc = 2 * std::sqrt(chromaWeight(meanC));
    const double lFromMid = (meanL - 50) * (meanL - 50);
    const double sl = 1 + 0.015 * lFromMid / std::sqrt(20 + lFromMid);
    const double sc = 1 + 0.045 * meanC;
    const double sh = 1 + 0.015 * meanC * t;
    const double rt = -std::sin(2 * deltaTheta * kDegree) * rc;
    const double l = (second.L - first.L) / sl;
    const double c = (c2 - c1) / sc;
    const double h = deltaH / sh;
    return std::sqrt(l * l + c * c + h * h + rt * c * h);
}

CORVANE_VECTOR_CLONES void labRow(const std::uint32_t* colors, int n, double* __restrict L,
                                  double* __restrict a, double* __restrict b) {
    const double* linear = kLinear.data();
    for (int i = 0; i < n; ++i) {
        const std::uint32_t c = colors[i];
        const Lab lab = labOfChannels(linear[(c >> 16) & 0xFF], linear[(c >> 8) & 0xFF], linear[c & 0xFF]);
        L[i] = lab.L;
        a[i] = lab.a;
        b[i] = lab.b;
    }
}

CORVANE_VECTOR_CLONES void ciede2000HuedRow(const double* L1, const double* a1, const double* b1,
                                            const double* L2, const double* a2, const double* b2, int n,
                                            double* __restrict out) {
    for (int i = 0; i < n; ++i) {
        out[i] = ciede2000Hued(L1[i], a1[i], b1[i], L2[i], a2[i], b2[i]);
    }
}

} // namespace

Lab labFromSrgb(Rgb8 color) {
    return labOfChannels(kLinear[color.r], kLinear[color.g], kLinear[color.b]);
}

double ciede2000(const Lab& first, const Lab& second) {
    const double value = ciede2000Hued(first.L, first.a, first.b, second.L, second.a, second.b);
    return std::isnan(value) ? ciede2000ByAngles(first, second) : value;
}

void labFromSrgbRow(const std::uint32_t* colors, int n, const LabArrays& out) {
    labRow(colors, n, out.L, out.a, out.b);
}

void ciede2000Row(const LabArrays& first, const LabArrays& second, int n, double* out) {
    ciede2000HuedRow(first.L, first.a, first.b, second.L, second.a, second.b, n, out);
    for (int i = 0; i < n; ++i) {
        if (std::isnan(out[i])) {
            out[i] = ciede2000ByAngles({first.L[i], first.a[i], first.b[i]},
                                       {second.L[i], second.a[i], second.b[i]});
        }
    }
}

} // namespace corvane
