// The engine's colour models and channel tables against the plain definitions, over the whole 8-bit
// range of each table and a dense grid of colours.

#include "tests/imaging/Implementations.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace corvane::test {
namespace {

// Every fourth level in each channel plus the top one: 65³ colours, all greys and both ends of every
// channel included.
std::vector<int> gridLevels() {
    std::vector<int> levels;
    for (int v = 0; v < 256; v += 4) {
        levels.push_back(v);
    }
    levels.push_back(255);
    return levels;
}

TEST(ColorModelExactness, ChannelTables) {
    for (int i = 0; i < 32; ++i) {
        EXPECT_EQ(EngineImpl::Expand5(i), ReferenceImpl::Expand5(i)) << i;
    }
    for (int i = 0; i < 64; ++i) {
        EXPECT_EQ(EngineImpl::Expand6(i), ReferenceImpl::Expand6(i)) << i;
    }
    for (int v = 0; v < 256; ++v) {
        EXPECT_EQ(EngineImpl::Quantize5(v), ReferenceImpl::Quantize5(v)) << v;
        EXPECT_EQ(EngineImpl::Quantize6(v), ReferenceImpl::Quantize6(v)) << v;
        const ColorRef c = makeColor(static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(255 - v),
                                     static_cast<std::uint8_t>(v * 5));
        EXPECT_EQ(EngineImpl::QuantizeColor16(c), ReferenceImpl::QuantizeColor16(c)) << v;
    }
}

TEST(ColorModelExactness, HsvAndHlsOnAGrid) {
    const std::vector<int> levels = gridLevels();
    for (const int r : levels) {
        for (const int g : levels) {
            for (const int b : levels) {
                const Hsv e = EngineImpl::RgbToHsv(r, g, b);
                const Hsv x = ReferenceImpl::RgbToHsv(r, g, b);
                const Hls eh = EngineImpl::RgbToHls(r, g, b);
                const Hls xh = ReferenceImpl::RgbToHls(r, g, b);
                if (e.hue != x.hue || e.saturation != x.saturation || e.value != x.value ||
                    eh.hue != xh.hue || eh.lightness != xh.lightness || eh.saturation != xh.saturation) {
                    ADD_FAILURE() << "(" << r << ", " << g << ", " << b << "): HSV " << e.hue << " "
                                  << e.saturation << " " << e.value << " vs " << x.hue << " " << x.saturation
                                  << " " << x.value << "; HLS " << eh.hue << " " << eh.lightness << " "
                                  << eh.saturation << " vs " << xh.hue << " " << xh.lightness << " "
                                  << xh.saturation;
                    return;
                }
                for (const ColorSpace space : {ColorSpace::Rgb, ColorSpace::Hsv, ColorSpace::Hls}) {
                    const double en = EngineImpl::ColorNormSquared(r, g, b, space);
                    const double xn = ReferenceImpl::ColorNormSquared(r, g, b, space);
                    if (en != xn) {
                        ADD_FAILURE() << "norm of (" << r << ", " << g << ", " << b << ") in space "
                                      << static_cast<int>(space) << ": " << en << " vs " << xn;
                        return;
                    }
                }
            }
        }
    }
}

TEST(ColorModelExactness, DistancesOfRandomPairs) {
    std::mt19937 random(2024);
    const auto level = [&] {
        return static_cast<int>(random() % 256);
    };
    for (int i = 0; i < 200000; ++i) {
        const int r1 = level(), g1 = level(), b1 = level();
        // Every other pair is close, where the float sums are most sensitive to their order.
        const bool close = i % 2 == 0;
        const auto near = [&](int v) {
            return close ? std::clamp(v + level() % 7 - 3, 0, 255) : level();
        };
        const int r2 = near(r1), g2 = near(g1), b2 = near(b1);
        for (const ColorSpace space : {ColorSpace::Rgb, ColorSpace::Hsv, ColorSpace::Hls}) {
            const double e = EngineImpl::ColorDistanceSquared(r1, g1, b1, r2, g2, b2, space);
            const double x = ReferenceImpl::ColorDistanceSquared(r1, g1, b1, r2, g2, b2, space);
            if (e != x) {
                ADD_FAILURE() << "(" << r1 << ", " << g1 << ", " << b1 << ") to (" << r2 << ", " << g2 << ", "
                              << b2 << ") in space " << static_cast<int>(space) << ": " << e << " vs " << x;
                return;
            }
        }
    }
}

} // namespace
} // namespace corvane::test
