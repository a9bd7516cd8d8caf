// Speed of the tolerant comparison against the exact ComparePixels, and of the quality metrics, on
// 4000 × 3000 pairs, measured in the same run: the engine benchmark's pair (random pixels, 5 % changed),
// a photo-like pair with a few drawn changes, the same picture drawn again with some of its shapes moved
// by a third of a pixel, and the picture with every pixel nudged.

#include "bench/BenchReport.h"
#include "imaging/Filter.h"
#include "imaging/Metrics.h"
#include "imaging/Tolerance.h"
#include "platform/Blit.h"
#include "tests/support/TestImages.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

using namespace corvane;

namespace {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;

struct Images {
    DeviceBitmap a;
    DeviceBitmap b;
    DeviceBitmap out;
};

// A smooth picture: gradients under soft-edged discs, of which every tenth is moved by `move` pixels.
DeviceBitmap photoLike(int bits, double move = 0) {
    std::vector<std::uint8_t> argb(static_cast<std::size_t>(kWidth) * kHeight * 4);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            std::uint8_t* p = &argb[(static_cast<std::size_t>(y) * kWidth + static_cast<std::size_t>(x)) * 4];
            p[0] = static_cast<std::uint8_t>(60 + 120 * y / kHeight);
            p[1] = static_cast<std::uint8_t>(40 + 100 * (x + y) / (kWidth + kHeight));
            p[2] = static_cast<std::uint8_t>(200 - 150 * x / kWidth);
            p[3] = 255;
        }
    }
    std::mt19937 random(7);
    for (int d = 0; d < 400; ++d) {
        const double cx = static_cast<double>(random() % kWidth) + (d % 10 == 0 ? move : 0);
        const double cy = static_cast<double>(random() % kHeight) + (d % 10 == 0 ? move : 0);
        const int radius = 10 + static_cast<int>(random() % 150);
        const auto colour = static_cast<std::uint32_t>(random());
        const int x0 = static_cast<int>(cx) - radius - 1, y0 = static_cast<int>(cy) - radius - 1;
        for (int y = std::max(0, y0); y < std::min(kHeight, y0 + 2 * radius + 4); ++y) {
            for (int x = std::max(0, x0); x < std::min(kWidth, x0 + 2 * radius + 4); ++x) {
                const double distance = std::hypot(x - cx, y - cy);
                const double c = std::clamp(radius + 0.5 - distance, 0.0, 1.0);
                std::uint8_t* p =
                    &argb[(static_cast<std::size_t>(y) * kWidth + static_cast<std::size_t>(x)) * 4];
                for (int k = 0; k < 3; ++k) {
                    const double v = static_cast<double>((colour >> (8 * k)) & 0xFF);
                    p[k] = static_cast<std::uint8_t>(p[k] * (1 - c) + v * c);
                }
            }
        }
    }
    return DeviceBitmap::fromArgb32(argb.data(), kWidth, kHeight, kWidth * 4, bits);
}

// A copy with every channel moved by −2 … 2.
DeviceBitmap nudged(const DeviceBitmap& image) {
    std::vector<std::uint8_t> argb(static_cast<std::size_t>(kWidth) * kHeight * 4);
    image.toArgb32(argb.data(), kWidth * 4);
    std::mt19937 random(9);
    for (std::size_t i = 0; i < argb.size(); ++i) {
        if (i % 4 != 3) {
            argb[i] =
                static_cast<std::uint8_t>(std::clamp(argb[i] + static_cast<int>(random() % 5) - 2, 0, 255));
        }
    }
    return DeviceBitmap::fromArgb32(argb.data(), kWidth, kHeight, kWidth * 4, image.bitsPixel());
}

Images& images(const std::string& pair, int bits) {
    static std::map<std::string, std::unique_ptr<Images>> cache;
    auto& slot = cache[pair + std::to_string(bits)];
    if (!slot) {
        slot = std::make_unique<Images>();
        if (pair == "random") {
            slot->a = test::randomBitmap(kWidth, kHeight, bits, 1);
            slot->b = test::perturbedCopy(slot->a, 5, 2);
        } else {
            slot->a = photoLike(bits);
            if (pair == "rendering") {
                slot->b = photoLike(bits, 0.3);
            } else if (pair == "photo") {
                // Two drawn changes and a band of the picture redrawn a pixel to the right.
                slot->b = slot->a.clone();
                fillSolidRect(slot->b, {100, 100, 200, 100}, makeColor(255, 0, 0));
                fillSolidRect(slot->b, {1900, 1400, 200, 200}, makeColor(0, 255, 0));
                bitBlt(slot->b, 2501, 0, 600, kHeight, slot->a, 2500, 0);
            } else {
                slot->b = nudged(slot->a);
            }
        }
        slot->out = DeviceBitmap::create(kWidth, kHeight, bits);
    }
    return *slot;
}

const CFilter filter;

ToleranceOptions tolerant() {
    ToleranceOptions options;
    options.threshold = 0.1;
    options.ignoreAntialiasing = true;
    return options;
}

template <class Run>
void registerRun(const std::string& name, Run run) {
    benchmark::RegisterBenchmark(name.c_str(),
                                 [run](benchmark::State& state) {
                                     for (auto _ : state) {
                                         if (!run()) {
                                             state.SkipWithError("operation failed");
                                             break;
                                         }
                                         benchmark::ClobberMemory();
                                     }
                                 })
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    std::map<std::string, bench::Expectation> expectations;
    for (const int bits : {32, 16}) {
        for (const std::string pair : {"random", "photo", "rendering", "nudged"}) {
            const std::string suffix = " " + pair + "/" + std::to_string(bits);
            const std::string exact = "ComparePixels" + suffix;
            registerRun(exact, [=] {
                Images& im = images(pair, bits);
                return filter.ComparePixels(im.a, im.b, im.out, 0, 0, 0x808080);
            });
            // Without options the count comes with the exact map, which must stay ComparePixels'.
            const std::string counted = "exact with count" + suffix;
            Images& im = images(pair, bits);
            DeviceBitmap plainMap = DeviceBitmap::create(kWidth, kHeight, bits);
            filter.ComparePixels(im.a, im.b, plainMap, 0, 0, 0x808080);
            const bool same = compareWithTolerance(im.a, im.b, im.out, 0, 0, 0x808080, {}) &&
                              test::samePixels(plainMap, im.out);
            expectations[counted] = {exact, 1.5, 0, same ? "yes" : "NO"};
            registerRun(counted, [=] {
                Images& i = images(pair, bits);
                return compareWithTolerance(i.a, i.b, i.out, 0, 0, 0x808080, {}).has_value();
            });
            const auto exactCount = compareWithTolerance(im.a, im.b, im.out, 0, 0, 0x808080, {});
            const auto tolerantCount = compareWithTolerance(im.a, im.b, im.out, 0, 0, 0x808080, tolerant());
            std::printf("%s: %lld pixels differ, %lld beyond threshold 0.1 and not anti-aliased\n",
                        suffix.c_str() + 1, exactCount ? static_cast<long long>(*exactCount) : -1LL,
                        tolerantCount ? static_cast<long long>(*tolerantCount) : -1LL);
            const std::string name = "tolerant 0.1 + AA" + suffix;
            expectations[name] = {exact, 2, 0, ""};
            registerRun(name, [=] {
                Images& i = images(pair, bits);
                return compareWithTolerance(i.a, i.b, i.out, 0, 0, 0x808080, tolerant()).has_value();
            });
            const std::string metrics = "computeMetrics" + suffix;
            expectations[metrics] = {"", 0, 500, ""};
            registerRun(metrics, [=] {
                Images& i = images(pair, bits);
                return computeMetrics(i.a, i.b, 0, 0).has_value();
            });
            const std::string ssim = "meanSsim" + suffix;
            expectations[ssim] = {"", 0, 0, ""};
            registerRun(ssim, [=] {
                Images& i = images(pair, bits);
                return meanSsim(i.a, i.b, 0, 0).has_value();
            });
        }
    }
    bench::RatioReporter reporter(expectations);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return reporter.allGoalsMet() ? 0 : 1;
}
