// The runners: what each comparison writes into the results, and the redraws it asks for.

#include "res/Strings.h"
#include "tests/app/SessionTestSupport.h"

namespace corvane::test {
namespace {

class Runners : public SessionFixture {};

INSTANTIATE_TEST_SUITE_P(AllDepths, Runners, ::testing::Values(16, 24, 32),
                         [](const auto& suffix) { return "Bits" + std::to_string(suffix.param); });

TEST_P(Runners, PixelComparisonMarksEqualPixelsRedAndTheRestInTheBackground) {
    const QImage picture = makePicture(30, 20, 1);
    setOriginals(picture, withPatch(picture, QRect(10, 5, 3, 2), qRgb(1, 2, 3)));
    session->setBackground(kBackgroundBlack);
    session->SelectProcessing(command::kPixel);
    EXPECT_EQ(pixelOf(kResult1, 0, 0), kRed);
    EXPECT_EQ(pixelOf(kResult1, 11, 6), kBlack);
    EXPECT_EQ(pixelOf(kResult2, 11, 6), kBlack);
    EXPECT_EQ(session->resultTransparentColor(0), kNoColor);
    EXPECT_EQ(host.areaRedraws.back(), std::make_pair(13, false));
    EXPECT_FALSE(session->originalsEqual());

    // With a shift the uncovered columns get the mismatch colour (here the checkerboard's white).
    session->setBackground(kBackgroundChecker);
    ASSERT_TRUE(session->stepShiftH(10));
    EXPECT_EQ(pixelOf(kResult1, 9, 0), kWhite);
}

TEST_P(Runners, IdenticalOriginalsGiveAllRedAndBlackGradation) {
    const QImage picture = makePicture(25, 15, 2);
    setOriginals(picture, picture);
    session->SelectProcessing(command::kPixelAfterEdges);
    for (int y = 0; y < 15; y += 7) {
        for (int x = 0; x < 25; x += 6) {
            EXPECT_EQ(pixelOf(kResult1, x, y), kRed);
        }
    }
    EXPECT_TRUE(session->originalsEqual());
    session->SelectProcessing(command::kGradation);
    EXPECT_EQ(pixelOf(kResult2, 12, 7), kBlack);
    EXPECT_EQ(host.areaRedraws.back(), std::make_pair(10, false));
}

TEST_P(Runners, OverlayMixesTheOriginalBackIn) {
    const QImage white = withPatch(makePicture(10, 10, 0), QRect(0, 0, 10, 10), qRgb(255, 255, 255));
    setOriginals(white, white);
    session->setBackground(kBackgroundBlack);
    session->setParameters(0, 0, 4);
    session->SelectProcessing(command::kPixel);
    // 204/255 of red over 51/255 of white.
    const ColorRef mixed = pixelOf(kResult1, 5, 5);
    if (bits() != 16) {
        EXPECT_EQ(mixed, makeColor(255, 51, 51));
    } else {
        EXPECT_EQ(redOf(mixed), 255);
        EXPECT_NEAR(greenOf(mixed), 51, 4);
    }
}

TEST_P(Runners, ExtractionOfAnImageWithItselfIsAllWhiteAndTransparent) {
    const QImage picture = makePicture(32, 24, 3);
    setOriginals(picture, picture);
    host.clearRecords();
    session->SelectProcessing(command::kDifferenceExtraction);
    EXPECT_EQ(pixelOf(kResult1, 16, 12), kWhite);
    EXPECT_EQ(pixelOf(kResult2, 0, 0), kWhite);
    EXPECT_EQ(session->resultTransparentColor(0), kWhite);
    EXPECT_EQ(session->resultTransparentColor(1), kWhite);
    // Progress from 0 to 7 and hidden again, under the wait cursor.
    ASSERT_GE(host.progress.size(), 8u);
    EXPECT_EQ(host.progress.front(), std::make_pair(std::int64_t{0}, std::int64_t{7}));
    EXPECT_EQ(host.progress.back(), std::make_pair(std::int64_t{0}, std::int64_t{0}));
    EXPECT_EQ(host.waitCursorChanges, (std::vector<bool>{true, false}));
}

TEST_P(Runners, ExtractionShowsEachOriginalInsideTheDifferenceRegion) {
    const QImage picture = withPatch(makePicture(40, 30, 0), QRect(0, 0, 40, 30), qRgb(90, 90, 90));
    setOriginals(picture, withPatch(picture, QRect(20, 12, 6, 5), qRgb(250, 250, 250)));
    session->SelectProcessing(command::kDifferenceExtraction);
    // Far from the patch: white; inside it: each original.
    EXPECT_EQ(pixelOf(kResult1, 2, 2), kWhite);
    EXPECT_EQ(pixelOf(kResult1, 22, 14), pixelOf(kOriginal1, 22, 14));
    EXPECT_EQ(pixelOf(kResult2, 22, 14), pixelOf(kOriginal2, 22, 14));

    // Adjust value 2 of 0 counts every pixel as different: the originals show unchanged.
    session->stepAdjust2(0);
    EXPECT_EQ(pixelOf(kResult1, 2, 2), pixelOf(kOriginal1, 2, 2));
}

// The pair (a, b) at shift (h, v) and the pair (b, a) at (−h, −v) lay the same pixels over each other.
TEST_P(Runners, ExtractionAtAShiftComparesOnlyTheOverlapAndIsTheSameBothWays) {
    const QImage plain = withPatch(makePicture(48, 36, 0), QRect(0, 0, 48, 36), qRgb(90, 90, 90));
    const QImage a = withPatch(plain, QRect(20, 14, 6, 5), qRgb(250, 250, 250));
    const QImage b = shifted(plain, 0, 0);
    const auto bytesOf = [](const DeviceBitmap& bitmap) {
        return std::vector<std::uint8_t>(bitmap.bits().begin(), bitmap.bits().end());
    };
    for (const QPoint shift : {QPoint(7, 4), QPoint(-5, 3), QPoint(0, -6)}) {
        SCOPED_TRACE(testing::Message() << shift.x() << "," << shift.y());
        session = std::make_unique<ComparisonSession>(host, bits());
        setOriginals(a, b);
        session->setShift(shift.x(), shift.y());
        session->SelectProcessing(command::kDifferenceExtraction);
        const DeviceBitmap result1 = session->surface(kResult1).clone();
        const DeviceBitmap result2 = session->surface(kResult2).clone();
        // The patch shows in original 1's result; far from it, and along the uncovered strip, all white.
        EXPECT_EQ(pixelOf(kResult1, 22, 16), pixelOf(kOriginal1, 22, 16));
        EXPECT_EQ(pixelOf(kResult1, 45, 2), kWhite);
        EXPECT_EQ(pixelOf(kResult1, shift.x() > 0 ? 0 : 47, 20), kWhite);
        // Original 2's result shows original 2 where the patch's pixels lie over it.
        EXPECT_EQ(pixelOf(kResult2, 22 - shift.x(), 16 - shift.y()),
                  pixelOf(kOriginal2, 22 - shift.x(), 16 - shift.y()));

        session = std::make_unique<ComparisonSession>(host, bits());
        setOriginals(b, a);
        session->setShift(-shift.x(), -shift.y());
        session->SelectProcessing(command::kDifferenceExtraction);
        EXPECT_EQ(bytesOf(session->surface(kResult1)), bytesOf(result2));
        EXPECT_EQ(bytesOf(session->surface(kResult2)), bytesOf(result1));
    }
}

TEST_P(Runners, ExtractionOfADifferenceInTheCornerAndOfIdenticalShiftedPairs) {
    const QImage plain = withPatch(makePicture(40, 30, 0), QRect(0, 0, 40, 30), qRgb(90, 90, 90));
    setOriginals(withPatch(plain, QRect(0, 0, 5, 4), qRgb(250, 250, 250)), plain);
    session->SelectProcessing(command::kDifferenceExtraction);
    // The patch's edges inside the picture show; everything away from them is white, also on the far side
    // of the band that cuts the corner off.
    EXPECT_EQ(pixelOf(kResult1, 4, 1), pixelOf(kOriginal1, 4, 1));
    EXPECT_EQ(pixelOf(kResult1, 30, 20), kWhite);
    EXPECT_EQ(pixelOf(kResult1, 39, 0), kWhite);

    // A picture and its own shifted copy are the same wherever they overlap.
    const QImage picture = makePicture(40, 30, 5);
    session = std::make_unique<ComparisonSession>(host, bits());
    setOriginals(picture, shifted(picture, -6, -3));
    session->setShift(6, 3);
    session->SelectProcessing(command::kDifferenceExtraction);
    for (const QPoint p : {QPoint(0, 0), QPoint(3, 15), QPoint(20, 1), QPoint(39, 29), QPoint(6, 3)}) {
        EXPECT_EQ(pixelOf(kResult1, p.x(), p.y()), kWhite) << p.x() << "," << p.y();
        EXPECT_EQ(pixelOf(kResult2, p.x(), p.y()), kWhite) << p.x() << "," << p.y();
    }
}

TEST_P(Runners, CompositeModesOfAnImageWithItself) {
    const QImage picture = makePicture(20, 20, 4);
    setOriginals(picture, picture);
    session->setParameters(0, 12, 0);
    session->SelectProcessing(command::kComposite);
    EXPECT_EQ(pixelOf(kResult1, 7, 3), kBlack);
    session->setBlendMode(13);
    EXPECT_EQ(pixelOf(kResult2, 7, 3), pixelOf(kOriginal1, 7, 3));
    EXPECT_EQ(host.areaRedraws.back(), std::make_pair(12, false));
    // Binarisation with 0 turns everything white.
    session->SelectProcessing(command::kCompositeBinarized);
    session->stepAdjust1(0);
    EXPECT_EQ(pixelOf(kResult1, 7, 3), kWhite);
}

TEST_P(Runners, HistogramsCountOriginal1AndTheShiftedOriginal2OverBlack) {
    const QImage white = withPatch(makePicture(10, 8, 0), QRect(0, 0, 10, 8), qRgb(255, 255, 255));
    setOriginals(white, white);
    session->setShift(3, 0);
    session->SelectProcessing(command::kHistogramFirst + 3);
    EXPECT_EQ(session->histogramVariant(), 3);
    EXPECT_DOUBLE_EQ(session->histogram(0)[255], 80.0);
    // The three uncovered columns are black, not what an earlier run left there.
    EXPECT_DOUBLE_EQ(session->histogram(1)[255], 56.0);
    EXPECT_DOUBLE_EQ(session->histogram(1)[0], 24.0);
}

TEST_P(Runners, ScanOfAShiftCountsOnlyTheOverlap) {
    const QImage picture = makePicture(50, 40, 5);
    setOriginals(picture, shifted(picture, -3, 0));
    session->setShift(3, 0);
    const auto scan = session->computeScan(-1);
    ASSERT_TRUE(scan);
    EXPECT_EQ(scan->columns[0], 0);
    EXPECT_EQ(scan->columns[2], 0);
    EXPECT_EQ(scan->columns[3], 40);
    EXPECT_EQ(scan->rows[0], 47);
    EXPECT_DOUBLE_EQ(scan->rate, 100.0);
}

} // namespace
} // namespace corvane::test
