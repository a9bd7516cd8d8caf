// Difference measures between two images and the mask steps of the difference extraction.

#include "imaging/Filter.h"
#include "imaging/KernelSupport.h"

#include <array>
#include <cmath>
#include <vector>

namespace corvane {

using namespace kernel;

namespace {

// Largest squared distance in a colour space: 3 × 252² in HLS, 3 × 255² in RGB and HSV.
double maxDistance(ColorSpace space) {
    return space == ColorSpace::Hls ? 190512.0 : 195075.0;
}

// Grey level of a squared distance: g = trunc(D / N × scale), then g², at most `scale`.
int gradationLevel(double distance, double maxDistanceValue, int scale) {
    const auto g = static_cast<long long>(distance / maxDistanceValue * scale);
    return static_cast<int>(std::min<long long>(g * g, scale));
}

template <int Bits>
std::uint32_t greyColor(int level) {
    if constexpr (Bits == 16) {
        const auto v = static_cast<unsigned>(level);
        return pack565(v, std::min(2 * v, 63u), v);
    } else {
        return static_cast<std::uint32_t>(level) * 0x010101u;
    }
}

int squaredRgbDistance(Rgb8 a, Rgb8 b) {
    const int dr = a.r - b.r;
    const int dg = a.g - b.g;
    const int db = a.b - b.b;
    return dr * dr + dg * dg + db * db;
}

double distanceOf(Rgb8 a, Rgb8 b, ColorSpace space) {
    return ColorDistanceSquared(a.r, a.g, a.b, b.r, b.g, b.b, space);
}

template <int Bits>
bool gradation(const DeviceBitmap& image1, const DeviceBitmap& image2, DeviceBitmap& target,
               ColorSpace space) {
    static constexpr int scale = Bits == 16 ? 31 : 255;
    const double n = maxDistance(space);
    if (space != ColorSpace::Rgb) {
        mapColors2<Bits>(image1, image2, target, [&](std::uint32_t a, std::uint32_t b) {
            return greyColor<Bits>(
                gradationLevel(distanceOf(channelsOf<Bits>(a), channelsOf<Bits>(b), space), n, scale));
        });
        return true;
    }
    // RGB distances are integers. The level before squaring grows with the distance, so it is the number
    // of thresholds the distance reaches, where threshold k is the first distance whose level is k; the
    // squared level saturates from level kSaturating on. Comparisons vectorise where a table would not.
    constexpr int kSaturating = Bits == 16 ? 6 : 16;
    std::array<int, static_cast<std::size_t>(kSaturating)> thresholds{};
    int d = 0;
    for (int k = 1; k <= kSaturating; ++k) {
        while (static_cast<long long>(d / n * scale) < k) {
            ++d;
        }
        thresholds[static_cast<std::size_t>(k - 1)] = d;
    }
    mapColors2<Bits>(image1, image2, target, [thresholds](std::uint32_t a, std::uint32_t b) {
        const int distance = squaredRgbDistance(channelsOf<Bits>(a), channelsOf<Bits>(b));
        int level = 0;
        for (const int threshold : thresholds) {
            level += distance >= threshold;
        }
        return greyColor<Bits>(std::min(level * level, scale));
    });
    return true;
}

} // namespace

bool CFilter::GradationImage(const DeviceBitmap& image1, const DeviceBitmap& image2, DeviceBitmap& target,
                             ColorSpace space) const {
    if (!sameGeometry({&image1, &image2, &target})) {
        return false;
    }
    bool ok = false;
    dispatchDepth(image1.bitsPixel(),
                  [&](auto depth) { ok = gradation<decltype(depth)::value>(image1, image2, target, space); });
    return ok;
}

bool CFilter::DifferenceMask(const DeviceBitmap& image1, const DeviceBitmap& image2, DeviceBitmap& target,
                             ColorSpace space, int level) const {
    if (!sameGeometry({&image1, &image2, &target})) {
        return false;
    }
    const long long factor = space == ColorSpace::Hsv ? 262 : space == ColorSpace::Hls ? 222 : 2;
    const auto threshold = static_cast<double>(factor * level);
    return dispatchDepth(image1.bitsPixel(), [&](auto depth) {
        constexpr int bits = decltype(depth)::value;
        const std::uint32_t red = rawFromColor<bits>(kRed);
        if (space == ColorSpace::Rgb) {
            mapColors2<bits>(image1, image2, target, [&](std::uint32_t a, std::uint32_t b) {
                const int d = squaredRgbDistance(channelsOf<bits>(a), channelsOf<bits>(b));
                return static_cast<double>(d) >= threshold ? red : 0u;
            });
        } else {
            mapColors2<bits>(image1, image2, target, [&](std::uint32_t a, std::uint32_t b) {
                return distanceOf(channelsOf<bits>(a), channelsOf<bits>(b), space) >= threshold ? red : 0u;
            });
        }
    });
}

namespace {

// Output of one emboss channel for every sum S = P + Q + neutral: the gain x pushes S away from the
// neutral value by trunc(S × x), then the result is clamped to 0..max.
class EmbossCurve {
public:
    EmbossCurve(int neutral, int max, double gain) : m_lowest(neutral - max) {
        for (int s = m_lowest; s <= max + 2 * neutral; ++s) {
            // In double: with a large strength the pushed value is far outside any integer type.
            double v = s;
            if (s > neutral) {
                v = s + std::trunc(s * gain);
            } else if (s < neutral) {
                v = s - std::trunc(s * gain);
            }
            m_values.push_back(static_cast<std::uint8_t>(std::clamp(v, 0.0, static_cast<double>(max))));
        }
    }
    std::uint32_t operator()(int s) const { return m_values[static_cast<std::size_t>(s - m_lowest)]; }

private:
    int m_lowest;
    std::vector<std::uint8_t> m_values;
};

// Emboss of rows [y0, y1); `source` is not the target, so bands may run at the same time.
template <int Bits>
void emboss(const DeviceBitmap& source, DeviceBitmap& target, int strength, int y0, int y1) {
    constexpr int bpp = Bits / 8;
    // The offset, at most the image's size (farther samples are outside the image anyway).
    const int k = std::min(strength / 7 + 1, std::max(source.width(), source.height()));
    const double gain = strength / 20.0;
    const int width = source.width();
    const int height = source.height();
    // Channel values of a pixel in the order blue, green, red: bytes, or raw 5/6-bit channels in 16 bits.
    const auto channels = [](const std::uint8_t* row, int x) -> std::array<int, 3> {
        if constexpr (Bits == 16) {
            const std::uint16_t w = loadWord(row + 2 * x);
            return {static_cast<int>(blue5Of(w)), static_cast<int>(green6Of(w)), static_cast<int>(red5Of(w))};
        } else {
            const std::uint8_t* p = row + pixelOffset(x, bpp);
            return {p[0], p[1], p[2]};
        }
    };
    constexpr std::array<int, 3> neutral =
        Bits == 16 ? std::array<int, 3>{15, 31, 15} : std::array<int, 3>{128, 128, 128};
    constexpr std::array<int, 3> max =
        Bits == 16 ? std::array<int, 3>{31, 63, 31} : std::array<int, 3>{255, 255, 255};
    const std::array<EmbossCurve, 3> curves{EmbossCurve(neutral[0], max[0], gain),
                                            EmbossCurve(neutral[1], max[1], gain),
                                            EmbossCurve(neutral[2], max[2], gain)};

    for (int y = y0; y < y1; ++y) {
        const std::uint8_t* ahead = y + k < height ? source.row(y + k) : nullptr;
        const std::uint8_t* behind = y - k >= 0 ? source.row(y - k) : nullptr;
        const std::uint8_t* current = source.row(y);
        std::uint8_t* out = target.row(y);
        for (int x = 0; x < width; ++x) {
            const bool hasAhead = ahead != nullptr && x + k < width;
            const bool hasBehind = behind != nullptr && x - k >= 0;
            const std::array<int, 3> p = hasAhead ? channels(ahead, x + k) : neutral;
            const std::array<int, 3> q = hasBehind ? channels(behind, x - k) : std::array<int, 3>{};
            std::array<std::uint32_t, 3> v{};
            for (std::size_t c = 0; c < 3; ++c) {
                const int minus = hasBehind ? -q[c] : neutral[c];
                v[c] = curves[c](p[c] + minus + neutral[c]);
            }
            std::uint8_t* o = out + pixelOffset(x, bpp);
            if constexpr (Bits == 16) {
                storeWord(o, pack565(v[2], v[1], v[0]));
            } else {
                o[0] = static_cast<std::uint8_t>(v[0]);
                o[1] = static_cast<std::uint8_t>(v[1]);
                o[2] = static_cast<std::uint8_t>(v[2]);
                if constexpr (Bits == 32) {
                    o[3] = current[pixelOffset(x, 4) + 3];
                }
            }
        }
    }
}

} // namespace

bool CFilter::EmbossImage(const DeviceBitmap& source, DeviceBitmap& target, int strength) const {
    if (!sameGeometry({&source, &target}) || strength < 0) {
        return false;
    }
    const UnaliasedSource input(source, target);
    if (!input.ok()) {
        return false;
    }
    return dispatchDepth(source.bitsPixel(), [&](auto depth) {
        forEachBand(source.height(), static_cast<std::size_t>(source.widthBytes()), [&](int, int y0, int y1) {
            emboss<decltype(depth)::value>(input.get(), target, strength, y0, y1);
        });
    });
}

bool CFilter::BlackToRed(const DeviceBitmap& source, DeviceBitmap& target) const {
    if (!sameGeometry({&source, &target})) {
        return false;
    }
    return dispatchDepth(source.bitsPixel(), [&](auto depth) {
        constexpr int bits = decltype(depth)::value;
        const std::uint32_t black = rawFromColor<bits>(kBlack);
        const std::uint32_t red = rawFromColor<bits>(kRed);
        mapColors<bits>(source, target, [&](std::uint32_t c) { return c == black ? red : black; });
    });
}

bool CFilter::RedToBlack(const DeviceBitmap& source, DeviceBitmap& target) const {
    if (!sameGeometry({&source, &target})) {
        return false;
    }
    return dispatchDepth(source.bitsPixel(), [&](auto depth) {
        constexpr int bits = decltype(depth)::value;
        const std::uint32_t black = rawFromColor<bits>(kBlack);
        const std::uint32_t red = rawFromColor<bits>(kRed);
        mapColors<bits>(source, target, [&](std::uint32_t c) { return c == red ? black : c; });
    });
}

} // namespace corvane
