// The shared contract of the pixel operations on bad input: mismatched or null bitmaps, parameters out
// of range and failed allocations give false and leave every bitmap exactly as it was.

#include "platform/Allocation.h"
#include "tests/imaging/ImagingTestSupport.h"
#include "tests/imaging/Implementations.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <string>
#include <vector>

namespace corvane::test {
namespace {

// One writing operation: (first source, second source, target) → result. One-source operations ignore
// the second source.
struct WritingOp {
    std::string name;
    int sources;
    std::function<bool(const DeviceBitmap&, const DeviceBitmap&, DeviceBitmap&)> engine;
    std::function<bool(const DeviceBitmap&, const DeviceBitmap&, DeviceBitmap&)> reference;
};

template <class F>
WritingOp makeOp(std::string name, int sources, F f) {
    return {std::move(name), sources,
            [f](const DeviceBitmap& a, const DeviceBitmap& b, DeviceBitmap& t) {
                return f(EngineImpl{}, a, b, t);
            },
            [f](const DeviceBitmap& a, const DeviceBitmap& b, DeviceBitmap& t) {
                return f(ReferenceImpl{}, a, b, t);
            }};
}

std::vector<WritingOp> writingOps() {
    return {
        makeOp("GreyscaleImage", 1,
               [](auto i, const auto& a, const auto&, auto& t) { return i.GreyscaleImage(a, t, 200); }),
        makeOp("BlurImage", 1,
               [](auto i, const auto& a, const auto&, auto& t) { return i.BlurImage(a, t, 3); }),
        makeOp("ReduceTo64Colors", 1,
               [](auto i, const auto& a, const auto&, auto& t) { return i.ReduceTo64Colors(a, t); }),
        makeOp("DetectEdges", 1,
               [](auto i, const auto& a, const auto&, auto& t) { return i.DetectEdges(a, t); }),
        makeOp("ComparePixels", 2,
               [](auto i, const auto& a, const auto& b, auto& t) {
                   return i.ComparePixels(a, b, t, 1, -1, 0x808080);
               }),
        makeOp("BlendImages", 2,
               [](auto i, const auto& a, const auto& b, auto& t) { return i.BlendImages(a, b, t, 2); }),
        makeOp("Binarize", 1,
               [](auto i, const auto& a, const auto&, auto& t) {
                   return i.Binarize(a, t, 100, ColorSpace::Hsv);
               }),
        makeOp("GradationImage", 2,
               [](auto i, const auto& a, const auto& b, auto& t) {
                   return i.GradationImage(a, b, t, ColorSpace::Hls);
               }),
        makeOp("DifferenceMask", 2,
               [](auto i, const auto& a, const auto& b, auto& t) {
                   return i.DifferenceMask(a, b, t, ColorSpace::Rgb, 64);
               }),
        makeOp("EmbossImage", 1,
               [](auto i, const auto& a, const auto&, auto& t) { return i.EmbossImage(a, t, 4); }),
        makeOp("BlackToRed", 1,
               [](auto i, const auto& a, const auto&, auto& t) { return i.BlackToRed(a, t); }),
        makeOp("RedToBlack", 1,
               [](auto i, const auto& a, const auto&, auto& t) { return i.RedToBlack(a, t); }),
    };
}

struct Size {
    int width;
    int height;
};

int otherDepth(int bits) {
    return bits == 32 ? 16 : bits + 8;
}

class Contract : public ::testing::TestWithParam<int> {
protected:
    int bits() const { return GetParam(); }
};

// Each slot in turn gets a bitmap of another width, height or depth, or a null bitmap.
TEST_P(Contract, MismatchedOrNullBitmapsChangeNothing) {
    const int w = 5;
    const int h = 3;
    std::vector<std::pair<std::string, DeviceBitmap>> misfits;
    misfits.emplace_back("wider", randomMarked(w + 1, h, bits(), 1));
    misfits.emplace_back("narrower", randomMarked(w - 1, h, bits(), 2));
    misfits.emplace_back("taller", randomMarked(w, h + 1, bits(), 3));
    misfits.emplace_back("other depth", randomMarked(w, h, otherDepth(bits()), 4));
    misfits.emplace_back("null", DeviceBitmap{});

    const DeviceBitmap first = randomMarked(w, h, bits(), 5);
    const DeviceBitmap second = randomMarked(w, h, bits(), 6);
    const DeviceBitmap target = randomMarked(w, h, bits(), 7);

    for (const WritingOp& op : writingOps()) {
        for (const auto& [kind, misfit] : misfits) {
            const int slots = op.sources + 1;
            for (int slot = 0; slot < slots; ++slot) {
                SCOPED_TRACE(op.name + ": " + kind + " bitmap in slot " + std::to_string(slot));
                DeviceBitmap bitmaps[3] = {first.clone(), second.clone(), target.clone()};
                const int targetSlot = 2;
                const int replaced = slot == op.sources ? targetSlot : slot;
                bitmaps[replaced] = misfit.isNull() ? DeviceBitmap{} : misfit.clone();
                const DeviceBitmap before[3] = {bitmaps[0].clone(), bitmaps[1].clone(), bitmaps[2].clone()};
                EXPECT_FALSE(op.engine(bitmaps[0], bitmaps[1], bitmaps[targetSlot]));
                DeviceBitmap referenceTarget = bitmaps[targetSlot].clone();
                EXPECT_FALSE(op.reference(before[0], before[1], referenceTarget)) << "reference";
                for (int i = 0; i < 3; ++i) {
                    EXPECT_EQ(byteDifference(before[i], bitmaps[i]), "") << "bitmap " << i << " changed";
                }
            }
        }
    }
}

TEST_P(Contract, ParametersOutOfRangeChangeNothing) {
    const DeviceBitmap source = randomMarked(6, 5, bits(), 11);
    const DeviceBitmap target = randomMarked(6, 5, bits(), 12);
    CFilter filter;
    const auto unchanged = [&](const char* what, const std::function<bool(DeviceBitmap&)>& call) {
        DeviceBitmap t = target.clone();
        EXPECT_FALSE(call(t)) << what;
        EXPECT_EQ(byteDifference(target, t), "") << what;
        DeviceBitmap inPlace = source.clone();
        EXPECT_FALSE(call(inPlace)) << what << " in place";
    };
    for (const int window : {0, -1, 2, 4, 12, INT_MIN}) {
        unchanged("blur window", [&](DeviceBitmap& t) { return filter.BlurImage(source, t, window); });
        DeviceBitmap t = target.clone();
        EXPECT_FALSE(reference::BlurImage(source, t, window)) << window;
    }
    for (const int mode : {-1, 15, INT_MAX, INT_MIN}) {
        unchanged("blend mode", [&](DeviceBitmap& t) { return filter.BlendImages(source, source, t, mode); });
        DeviceBitmap t = target.clone();
        EXPECT_FALSE(reference::BlendImages(source, source, t, mode)) << mode;
    }
    for (const int factor : {-1, 256, INT_MIN, INT_MAX}) {
        unchanged("greyscale factor",
                  [&](DeviceBitmap& t) { return filter.GreyscaleImage(source, t, factor); });
        DeviceBitmap t = target.clone();
        EXPECT_FALSE(reference::GreyscaleImage(source, t, factor)) << factor;
    }
    for (const int strength : {-1, INT_MIN}) {
        unchanged("emboss strength",
                  [&](DeviceBitmap& t) { return filter.EmbossImage(source, t, strength); });
        DeviceBitmap t = target.clone();
        EXPECT_FALSE(reference::EmbossImage(source, t, strength)) << strength;
    }
}

TEST_P(Contract, ReadingOperationsRefuseBadInput) {
    const DeviceBitmap a = randomBitmap(7, 4, bits(), 13);
    const DeviceBitmap wider = randomBitmap(8, 4, bits(), 14);
    const DeviceBitmap deeper = randomBitmap(7, 4, otherDepth(bits()), 15);
    const DeviceBitmap null;
    CFilter filter;

    const auto refused = [&](const char* what, const DeviceBitmap& x, const DeviceBitmap& y,
                             std::size_t rowCount, std::size_t columnCount) {
        std::vector<int> rows(rowCount, 42);
        std::vector<int> columns(columnCount, 43);
        double total = 4.5;
        EXPECT_FALSE(filter.ScanMatch(x, y, 0, 0, rows, columns, total, ScanChannel::Rgb)) << what;
        EXPECT_EQ(rows, std::vector<int>(rowCount, 42)) << what;
        EXPECT_EQ(columns, std::vector<int>(columnCount, 43)) << what;
        EXPECT_EQ(total, 4.5) << what;
        EXPECT_FALSE(reference::ScanMatch(x, y, 0, 0, rows, columns, total, ScanChannel::Rgb)) << what;
    };
    refused("wider B", a, wider, 8, 8);
    refused("wider A", wider, a, 8, 8);
    refused("other depth", a, deeper, 8, 8);
    refused("null A", null, a, 8, 8);
    refused("null B", a, null, 8, 8);
    refused("too few rows", a, a, 3, 7);
    refused("too few columns", a, a, 4, 6);

    Histogram histogram;
    histogram.fill(3);
    EXPECT_FALSE(filter.ComputeHistogram(null, histogram));
    EXPECT_EQ(histogram, [] {
        Histogram h;
        h.fill(3);
        return h;
    }());

    EXPECT_FALSE(filter.SearchBestMatch(a, wider).has_value());
    EXPECT_FALSE(filter.SearchBestMatch(a, deeper).has_value());
    EXPECT_FALSE(filter.SearchBestMatch(null, a).has_value());
    EXPECT_FALSE(filter.SearchBestMatch(a, null).has_value());
    EXPECT_FALSE(reference::SearchBestMatch(a, wider).has_value());
}

// Every allocation of an operation fails in turn (the first, the second, ...): each failure leaves the
// target as it was, also when it is a source, and once enough allocations succeed the result is exact.
TEST_P(Contract, FailedAllocationsChangeNothing) {
    constexpr long kMaxAllocations = 64;
    for (const Size size : {Size{1, 1}, Size{37, 23}}) {
        const DeviceBitmap first = randomMarked(size.width, size.height, bits(), 21);
        const DeviceBitmap second = perturbedCopy(first, 50, 22);
        const DeviceBitmap target = randomMarked(size.width, size.height, bits(), 23);
        for (const WritingOp& op : writingOps()) {
            for (const char* variant : {"separate target", "target is the first source"}) {
                SCOPED_TRACE(op.name + " " + std::to_string(size.width) + "x" + std::to_string(size.height) +
                             ", " + variant);
                const bool inPlace = variant[0] == 't';
                const DeviceBitmap& initial = inPlace ? first : target;
                DeviceBitmap expected = initial.clone();
                ASSERT_TRUE(op.reference(inPlace ? expected : first, second, expected));
                bool succeeded = false;
                for (long successes = 0; successes <= kMaxAllocations && !succeeded; ++successes) {
                    DeviceBitmap out = initial.clone();
                    {
                        const AllocationFailureScope failing(successes);
                        succeeded = op.engine(inPlace ? out : first, second, out);
                    }
                    if (succeeded) {
                        EXPECT_EQ(byteDifference(expected, out), "")
                            << "after " << successes << " allocations";
                    } else {
                        EXPECT_EQ(byteDifference(initial, out), "")
                            << "failure after " << successes << " allocations";
                    }
                }
                EXPECT_TRUE(succeeded);
            }
        }
    }
}

TEST_P(Contract, FailedAllocationsInReadingOperations) {
    const DeviceBitmap a = randomBitmap(30, 21, bits(), 31);
    const DeviceBitmap b = perturbedCopy(a, 30, 32);
    CFilter filter;
    for (long successes = 0; successes <= 8; ++successes) {
        SCOPED_TRACE(successes);
        std::vector<int> rows(21, -5);
        std::vector<int> columns(30, -6);
        double total = 0.5;
        Histogram histogram;
        histogram.fill(-1);
        bool scanned = false;
        bool counted = false;
        std::optional<ShiftMatch> found;
        {
            const AllocationFailureScope failing(successes);
            scanned = filter.ScanMatch(a, b, 2, -1, rows, columns, total, ScanChannel::Green);
        }
        {
            const AllocationFailureScope failing(successes);
            counted = filter.ComputeHistogram(a, histogram);
        }
        {
            const AllocationFailureScope failing(successes);
            found = filter.SearchBestMatch(a, b);
        }
        if (scanned) {
            std::vector<int> expectedRows(21);
            std::vector<int> expectedColumns(30);
            double expectedTotal = 0.5;
            reference::ScanMatch(a, b, 2, -1, expectedRows, expectedColumns, expectedTotal,
                                 ScanChannel::Green);
            EXPECT_EQ(rows, expectedRows);
            EXPECT_EQ(columns, expectedColumns);
            EXPECT_EQ(total, expectedTotal);
        } else {
            EXPECT_EQ(rows, std::vector<int>(21, -5));
            EXPECT_EQ(columns, std::vector<int>(30, -6));
            EXPECT_EQ(total, 0.5);
        }
        if (counted) {
            Histogram expected;
            reference::ComputeHistogram(a, expected);
            EXPECT_EQ(histogram, expected);
        } else {
            Histogram untouched;
            untouched.fill(-1);
            EXPECT_EQ(histogram, untouched);
        }
        if (found) {
            const std::optional<ShiftMatch> expected = reference::SearchBestMatch(a, b);
            ASSERT_TRUE(expected.has_value());
            EXPECT_EQ(found->shiftH, expected->shiftH);
            EXPECT_EQ(found->shiftV, expected->shiftV);
            EXPECT_EQ(found->rate, expected->rate);
        }
    }
}

// The search reports progress as it goes, without the report changing the outcome.
TEST_P(Contract, SearchProgressIsOrderedAndHarmless) {
    const DeviceBitmap a = randomBitmap(41, 29, bits(), 41);
    const DeviceBitmap b = perturbedCopy(a, 20, 42);
    CFilter filter;
    std::vector<std::pair<int, int>> reports;
    const std::optional<ShiftMatch> withProgress =
        filter.SearchBestMatch(a, b, [&](int done, int total) { reports.emplace_back(done, total); });
    const std::optional<ShiftMatch> without = filter.SearchBestMatch(a, b);
    ASSERT_TRUE(withProgress.has_value());
    ASSERT_TRUE(without.has_value());
    EXPECT_EQ(withProgress->shiftH, without->shiftH);
    EXPECT_EQ(withProgress->shiftV, without->shiftV);
    EXPECT_EQ(withProgress->rate, without->rate);
    for (std::size_t i = 0; i < reports.size(); ++i) {
        EXPECT_GE(reports[i].first, 0);
        EXPECT_LE(reports[i].first, reports[i].second);
        if (i > 0) {
            EXPECT_GE(reports[i].first, reports[i - 1].first) << "progress went back";
            EXPECT_EQ(reports[i].second, reports[i - 1].second) << "the total changed";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(AllDepths, Contract, ::testing::Values(16, 24, 32),
                         [](const ::testing::TestParamInfo<int>& p) { return depthName(p.param); });

} // namespace
} // namespace corvane::test
