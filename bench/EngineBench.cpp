// Speed of the pixel engine on a 4000 × 3000 pair, each operation next to the memory floor of the bytes
// it must read and write, measured in the same run, and each checked once against the plain definition.

#include "bench/BenchReport.h"
#include "imaging/Filter.h"
#include "platform/Blit.h"
#include "tests/support/ReferenceFilter.h"
#include "tests/support/TestImages.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
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

// A pair of random images of which 5 % of the pixels differ, and a target; made once per format.
Images& images(int bits) {
    static std::map<int, std::unique_ptr<Images>> cache;
    auto& slot = cache[bits];
    if (!slot) {
        slot = std::make_unique<Images>();
        slot->a = test::randomBitmap(kWidth, kHeight, bits, 1);
        slot->b = test::perturbedCopy(slot->a, 5, 2);
        slot->out = DeviceBitmap::create(kWidth, kHeight, bits);
    }
    return *slot;
}

// The memory floor of an operation: a memcpy of the bytes it must read and write. An operation that
// writes the target copies original 1 into it and reads original 2 (when it has two inputs); an operation
// that only reads copies each input once into a scratch image, since a memcpy cannot read without writing.
std::uint64_t readAll(const DeviceBitmap& image) {
    const auto* p = image.bits().data();
    const std::size_t words = image.sizeBytes() / 8;
    std::uint64_t sum = 0;
    for (std::size_t i = 0; i < words; ++i) {
        std::uint64_t v;
        std::memcpy(&v, p + 8 * i, 8);
        sum ^= v;
    }
    return sum;
}

void floorRun(int bits, int inputs, bool writes) {
    Images& im = images(bits);
    std::memcpy(im.out.bits().data(), im.a.bits().data(), im.a.sizeBytes());
    if (inputs == 2) {
        if (writes) {
            benchmark::DoNotOptimize(readAll(im.b));
        } else {
            std::memcpy(im.out.bits().data(), im.b.bits().data(), im.b.sizeBytes());
        }
    }
    benchmark::ClobberMemory();
}

std::string floorName(int bits, int inputs, bool writes) {
    return "floor " + std::to_string(inputs) + "→" + (writes ? "1" : "0") + "/" + std::to_string(bits);
}

struct Operation {
    std::string name;
    int inputs;
    bool writes;
    double maxFloorRatio; // 0: no goal
    // Runs the engine's operation on (a, b) into out.
    std::function<bool(const DeviceBitmap& a, const DeviceBitmap& b, DeviceBitmap& out)> run;
    // Runs the plain definition of the same operation.
    std::function<bool(const DeviceBitmap& a, const DeviceBitmap& b, DeviceBitmap& out)> reference;
};

const CFilter filter;

std::vector<Operation> operations() {
    return {
        {"ComparePixels", 2, true, 2,
         [](auto& a, auto& b, auto& o) { return filter.ComparePixels(a, b, o, 0, 0, 0x808080); },
         [](auto& a, auto& b, auto& o) {
             return reference::ComparePixels(a, b, o, 0, 0, 0x808080);
         }},
        {"BlendImages multiply", 2, true, 2,
         [](auto& a, auto& b, auto& o) { return filter.BlendImages(a, b, o, 5); },
         [](auto& a, auto& b, auto& o) {
             return reference::BlendImages(a, b, o, 5);
         }},
        {"BlendImages dodge", 2, true, 2,
         [](auto& a, auto& b, auto& o) { return filter.BlendImages(a, b, o, 8); },
         [](auto& a, auto& b, auto& o) {
             return reference::BlendImages(a, b, o, 8);
         }},
        {"BlendImages difference", 2, true, 2,
         [](auto& a, auto& b, auto& o) { return filter.BlendImages(a, b, o, 12); },
         [](auto& a, auto& b, auto& o) {
             return reference::BlendImages(a, b, o, 12);
         }},
        {"BlendImages soft light", 2, true, 0,
         [](auto& a, auto& b, auto& o) { return filter.BlendImages(a, b, o, 2); },
         [](auto& a, auto& b, auto& o) {
             return reference::BlendImages(a, b, o, 2);
         }},
        {"GradationImage RGB", 2, true, 2,
         [](auto& a, auto& b, auto& o) { return filter.GradationImage(a, b, o, ColorSpace::Rgb); },
         [](auto& a, auto& b, auto& o) {
             return reference::GradationImage(a, b, o, ColorSpace::Rgb);
         }},
        {"GradationImage HLS", 2, true, 0,
         [](auto& a, auto& b, auto& o) { return filter.GradationImage(a, b, o, ColorSpace::Hls); },
         [](auto& a, auto& b, auto& o) {
             return reference::GradationImage(a, b, o, ColorSpace::Hls);
         }},
        {"DifferenceMask RGB", 2, true, 0,
         [](auto& a, auto& b, auto& o) { return filter.DifferenceMask(a, b, o, ColorSpace::Rgb, 128); },
         [](auto& a, auto& b, auto& o) {
             return reference::DifferenceMask(a, b, o, ColorSpace::Rgb, 128);
         }},
        {"ScanMatch", 2, false, 2,
         [](auto& a, auto& b, auto&) {
             static std::vector<int> r(kHeight), c(kWidth);
             double total = 0;
             return filter.ScanMatch(a, b, 3, -2, r, c, total, ScanChannel::Rgb);
         },
         nullptr},
        {"ComputeHistogram", 1, false, 2,
         [](auto& a, auto&, auto&) {
             Histogram h;
             return filter.ComputeHistogram(a, h);
         },
         nullptr},
        {"BlurImage 3", 1, true, 8, [](auto& a, auto&, auto& o) { return filter.BlurImage(a, o, 3); },
         [](auto& a, auto&, auto& o) {
             return reference::BlurImage(a, o, 3);
         }},
        {"BlurImage 7", 1, true, 8, [](auto& a, auto&, auto& o) { return filter.BlurImage(a, o, 7); },
         [](auto& a, auto&, auto& o) {
             return reference::BlurImage(a, o, 7);
         }},
        {"BlurImage 11", 1, true, 8, [](auto& a, auto&, auto& o) { return filter.BlurImage(a, o, 11); },
         [](auto& a, auto&, auto& o) {
             return reference::BlurImage(a, o, 11);
         }},
        {"DetectEdges", 1, true, 8, [](auto& a, auto&, auto& o) { return filter.DetectEdges(a, o); },
         [](auto& a, auto&, auto& o) {
             return reference::DetectEdges(a, o);
         }},
        {"GreyscaleImage", 1, true, 0,
         [](auto& a, auto&, auto& o) { return filter.GreyscaleImage(a, o, 64); },
         [](auto& a, auto&, auto& o) {
             return reference::GreyscaleImage(a, o, 64);
         }},
        {"ReduceTo64Colors", 1, true, 0,
         [](auto& a, auto&, auto& o) { return filter.ReduceTo64Colors(a, o); },
         [](auto& a, auto&, auto& o) {
             return reference::ReduceTo64Colors(a, o);
         }},
        {"EmbossImage", 1, true, 0, [](auto& a, auto&, auto& o) { return filter.EmbossImage(a, o, 4); },
         [](auto& a, auto&, auto& o) {
             return reference::EmbossImage(a, o, 4);
         }},
        {"Binarize RGB", 1, true, 0,
         [](auto& a, auto&, auto& o) { return filter.Binarize(a, o, 100, ColorSpace::Rgb); },
         [](auto& a, auto&, auto& o) {
             return reference::Binarize(a, o, 100, ColorSpace::Rgb);
         }},
        {"BlackToRed", 1, true, 0, [](auto& a, auto&, auto& o) { return filter.BlackToRed(a, o); },
         [](auto& a, auto&, auto& o) {
             return reference::BlackToRed(a, o);
         }},
    };
}

// Whether the engine gives the plain definition's bytes on this pair.
std::string checkExact(const Operation& op, int bits) {
    if (!op.reference) {
        return "";
    }
    Images& im = images(bits);
    DeviceBitmap fast = DeviceBitmap::create(kWidth, kHeight, bits);
    DeviceBitmap plain = DeviceBitmap::create(kWidth, kHeight, bits);
    if (!op.run(im.a, im.b, fast) || !op.reference(im.a, im.b, plain)) {
        return "failed";
    }
    const std::string difference = test::firstDifference(fast, plain);
    if (!difference.empty()) {
        std::fprintf(stderr, "%s/%d differs from its definition at %s\n", op.name.c_str(), bits,
                     difference.c_str());
        return "NO";
    }
    return "yes";
}

// The read-only operations against their definitions on the benchmark pair.
std::string checkHistogramExact(int bits) {
    Histogram fast;
    Histogram plain;
    const Images& im = images(bits);
    if (!filter.ComputeHistogram(im.a, fast) || !reference::ComputeHistogram(im.a, plain)) {
        return "failed";
    }
    return fast == plain ? "yes" : "NO";
}

std::string checkScanExact(int bits) {
    const Images& im = images(bits);
    std::vector<int> rows(kHeight), columns(kWidth), plainRows(kHeight), plainColumns(kWidth);
    double total = 0;
    double plainTotal = 0;
    if (!filter.ScanMatch(im.a, im.b, 3, -2, rows, columns, total, ScanChannel::Rgb) ||
        !reference::ScanMatch(im.a, im.b, 3, -2, plainRows, plainColumns, plainTotal, ScanChannel::Rgb)) {
        return "failed";
    }
    return rows == plainRows && columns == plainColumns && total == plainTotal ? "yes" : "NO";
}

// The best-match search checked on a smaller pair against the slow definition (1,600 full passes).
std::string checkSearchExact(int bits) {
    const DeviceBitmap a = test::randomBitmap(400, 300, bits, 5);
    DeviceBitmap b = DeviceBitmap::create(400, 300, bits);
    // Original 2 is original 1 moved by (−7, 4), with a few changed pixels.
    bitBlt(b, -7, 4, a);
    b = test::perturbedCopy(b, 3, 6);
    const auto fast = filter.SearchBestMatch(a, b);
    const auto plain = reference::SearchBestMatch(a, b);
    if (!fast || !plain) {
        return "failed";
    }
    return fast->shiftH == plain->shiftH && fast->shiftV == plain->shiftV && fast->rate == plain->rate ? "yes"
                                                                                                       : "NO";
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    std::map<std::string, bench::Expectation> expectations;
    for (const int bits : {32, 16}) {
        for (const bool writes : {true, false}) {
            for (const int inputs : {1, 2}) {
                const std::string name = floorName(bits, inputs, writes);
                benchmark::RegisterBenchmark(name.c_str(),
                                             [=](benchmark::State& state) {
                                                 for (auto _ : state) {
                                                     floorRun(bits, inputs, writes);
                                                 }
                                             })
                    ->Unit(benchmark::kMillisecond)
                    ->UseRealTime();
            }
        }
        for (const Operation& op : operations()) {
            const std::string name = op.name + "/" + std::to_string(bits);
            const std::string exact = op.name == "ComputeHistogram" ? checkHistogramExact(bits)
                                      : op.name == "ScanMatch"      ? checkScanExact(bits)
                                                                    : checkExact(op, bits);
            expectations[name] = {floorName(bits, op.inputs, op.writes), op.maxFloorRatio, 0, exact};
            benchmark::RegisterBenchmark(name.c_str(),
                                         [op, bits](benchmark::State& state) {
                                             Images& im = images(bits);
                                             for (auto _ : state) {
                                                 if (!op.run(im.a, im.b, im.out)) {
                                                     state.SkipWithError("operation failed");
                                                     break;
                                                 }
                                                 benchmark::ClobberMemory();
                                             }
                                         })
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime();
        }
        // The 40 × 40 shift search over a 12-megapixel pair, one search per iteration.
        const std::string search = "SearchBestMatch 40×40/" + std::to_string(bits);
        expectations[search] = {"", 0, 1000, checkSearchExact(bits)};
        benchmark::RegisterBenchmark(search.c_str(),
                                     [bits](benchmark::State& state) {
                                         Images& im = images(bits);
                                         for (auto _ : state) {
                                             benchmark::DoNotOptimize(filter.SearchBestMatch(im.a, im.b));
                                         }
                                     })
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime()
            ->MinTime(2.0);
    }
    bench::RatioReporter reporter(expectations);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return reporter.allGoalsMet() ? 0 : 1;
}
