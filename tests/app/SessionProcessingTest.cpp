// Selecting processings, the dispatcher, the parameter controls and the elapsed time.

#include "app/ProcessingModes.h"
#include "res/Strings.h"
#include "tests/app/SessionTestSupport.h"

namespace corvane::test {
namespace {

class Processing : public SessionFixture {};

INSTANTIATE_TEST_SUITE_P(AllDepths, Processing, ::testing::Values(16, 24, 32),
                         [](const auto& suffix) { return "Bits" + std::to_string(suffix.param); });

TEST(ProcessingTable, CaptionsAndControlsOfEveryProcessing) {
    EXPECT_EQ(selectionOfCommand(command::kPixel)->caption, QStringLiteral("ピクセル比較"));
    EXPECT_EQ(selectionOfCommand(command::kDocumentEmbedding)->caption, QStringLiteral("文書埋め込みモード"));
    EXPECT_EQ(selectionOfCommand(command::kHistogramFirst + 7)->caption,
              QStringLiteral("ヒストグラム RGB[極小拡大]"));
    EXPECT_EQ(selectionOfCommand(command::kScanRgb)->caption, QStringLiteral("水平・垂直比較 RGB"));
    EXPECT_EQ(*selectionOfCommand(command::kBestMatch)->scanChannel, -2);
    EXPECT_EQ(selectionOfCommand(command::kProperties)->caption, QStringLiteral("プロパティの比較"));
    EXPECT_FALSE(selectionOfCommand(999));

    const ProcessingControls extraction = processingControls(ProcessingMode::DifferenceExtraction);
    EXPECT_TRUE(extraction.adjust1 && extraction.adjust2 && extraction.colorSpace && extraction.overlay);
    EXPECT_FALSE(extraction.blendMode || extraction.valueNotation);
    const ProcessingControls composite = processingControls(ProcessingMode::Composite);
    EXPECT_TRUE(composite.blendMode && composite.overlay);
    EXPECT_FALSE(composite.adjust1 || composite.colorSpace);
    EXPECT_TRUE(processingControls(ProcessingMode::Visual).valueNotation);
    const ProcessingControls none = processingControls(ProcessingMode::None);
    EXPECT_FALSE(none.adjust1 || none.adjust2 || none.colorSpace || none.blendMode || none.overlay ||
                 none.valueNotation);
    EXPECT_TRUE(none.instruction.isEmpty());
}

TEST(ProcessingTable, ElapsedTimeShowsMinutesSecondsAndTheirMilliseconds) {
    EXPECT_EQ(formatElapsedTime(75010), QStringLiteral("01:15.010"));
    EXPECT_EQ(formatElapsedTime((3600 + 61) * 1000 + 5), QStringLiteral("01:01.005"));
    EXPECT_EQ(formatElapsedTime(999), QStringLiteral("00:00.999"));
    // 8 ms is 00:00.008 whenever it starts: no second taken from another clock.
    EXPECT_EQ(formatElapsedTime(8), QStringLiteral("00:00.008"));
    EXPECT_EQ(formatElapsedSeconds(1084), QStringLiteral("1.084"));
    EXPECT_EQ(formatElapsedSeconds(65432), QStringLiteral("65.432"));
}

TEST_P(Processing, WithoutBothOriginalsTheSelectionFallsBackToNothing) {
    session->SelectProcessing(command::kPixel);
    EXPECT_EQ(host.messageIds(), std::vector<int>{kMsgNeedBothOriginals});
    EXPECT_EQ(session->currentProcessing(), ProcessingMode::None);
    EXPECT_EQ(session->processingCaption(), noProcessingCaption());

    // The zoom needs original 1 and fails silently without it.
    host.clearRecords();
    session->SelectProcessing(command::kZoom);
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(session->processingCaption(), noProcessingCaption());
    EXPECT_FALSE(session->zoomModeOn());
}

TEST_P(Processing, SelectionsSetTheirAdjustValuesAndSteppingRunsWithTheStep) {
    setOriginals(makePicture(40, 30, 1), makePicture(40, 30, 2));
    session->SelectProcessing(command::kCompositeBinarized);
    EXPECT_EQ(session->adjust1(), 6);
    EXPECT_TRUE(session->controls().adjust1);
    EXPECT_EQ(session->instructionText(), QStringLiteral("調整値：①２階調化強度 0(弱)-255(強)"));
    // The control still stands at 128; one step up runs with 129.
    session->stepAdjust1(128 + 1);
    EXPECT_EQ(session->adjust1(), 129);

    session->SelectProcessing(command::kDifferenceExtraction);
    EXPECT_EQ(session->adjust1(), 64);
    EXPECT_EQ(session->adjust2(), 128);
    EXPECT_TRUE(session->controls().adjust1 && session->controls().adjust2);
    // Steps past the control's ends stay at the ends.
    session->stepAdjust2(256);
    EXPECT_EQ(session->adjust2(), 255);
    session->stepAdjust1(-1);
    EXPECT_EQ(session->adjust1(), 0);
}

TEST_P(Processing, ShiftStepsAreRefusedAtTheImageSize) {
    setOriginals(makePicture(40, 30, 1), makePicture(40, 30, 2));
    session->SelectProcessing(command::kPixel);
    EXPECT_FALSE(session->stepShiftH(40));
    EXPECT_EQ(session->shiftH(), 0);
    EXPECT_TRUE(session->stepShiftH(-39));
    EXPECT_EQ(session->shiftH(), -39);
    EXPECT_FALSE(session->stepShiftV(-30));
    EXPECT_TRUE(session->stepShiftV(29));
    EXPECT_EQ(session->shiftV(), 29);
}

TEST_P(Processing, TheDispatcherAndTheSearchTakeTheElapsedTimeFromOneClock) {
    setOriginals(makePicture(20, 10, 1), makePicture(20, 10, 1));
    // A run from 999 ms to 1007 ms crosses a second of the clock but lasts 8 ms.
    long long now = 991;
    session->setClock([&] { return now += 8; });
    session->SelectProcessing(command::kPixel);
    EXPECT_EQ(session->elapsedText(), QStringLiteral("00:00.008"));

    session->setClock([&] { return now += 1084; });
    session->SelectProcessing(command::kBestMatch);
    EXPECT_EQ(session->elapsedText(), QStringLiteral("1.084"));
}

TEST_P(Processing, BestMatchRunsOnceAndLeavesTheRgbScan) {
    const QImage picture = makePicture(60, 50, 3);
    setOriginals(picture, shifted(picture, 3, -2));
    session->SelectProcessing(command::kBestMatch);
    EXPECT_EQ(session->shiftH(), -3);
    EXPECT_EQ(session->shiftV(), 2);
    EXPECT_EQ(session->scanChannel(), -1);
    EXPECT_EQ(session->processingCaption(), QStringLiteral("水平・垂直比較 RGB"));
    EXPECT_EQ(session->instructionText(), QStringLiteral("最大合致位置は、水平:-3 垂直:2 です。"));
    const auto scan = session->computeScan(-1);
    ASSERT_TRUE(scan);
    EXPECT_DOUBLE_EQ(scan->rate, 100.0);
    EXPECT_TRUE(session->originalsEqual());
    // A shift step draws the chart again without a search; the found position is no longer shown.
    EXPECT_TRUE(session->stepShiftH(-2));
    EXPECT_EQ(session->shiftH(), -2);
    EXPECT_TRUE(session->instructionText().isEmpty());
    // The progress bar and the wait cursor were shown and hidden again.
    ASSERT_FALSE(host.progress.empty());
    EXPECT_EQ(host.progress.back().second, 0);
    EXPECT_EQ(host.waitCursorChanges, (std::vector<bool>{true, false}));
}

TEST_P(Processing, ModesEndThroughTheirCommands) {
    setOriginals(makePicture(20, 10, 1), makePicture(20, 10, 2));
    session->SelectProcessing(command::kDocumentEmbedding);
    EXPECT_TRUE(session->documentModeOn());
    EXPECT_EQ(session->processingMenuPosition(), 3);
    EXPECT_EQ(session->instructionText(),
              QStringLiteral("原本1に埋め込みたい文書をドラッグ＆ドロップしてください"));
    for (int i = 0; i < 21; ++i) {
        session->advanceDocumentFrame();
    }
    EXPECT_EQ(session->documentFramePhase(), 1);
    session->SelectProcessing(command::kEndDocument);
    EXPECT_FALSE(session->documentModeOn());
    EXPECT_EQ(session->currentProcessing(), ProcessingMode::None);

    session->SelectProcessing(command::kZoom);
    EXPECT_TRUE(session->zoomModeOn());
    EXPECT_EQ(session->resultTransparentColor(0), 0u);
    session->SelectProcessing(command::kEndZoom);
    EXPECT_FALSE(session->zoomModeOn());
}

TEST_P(Processing, ParameterMenusRerunTheProcessing) {
    const QImage picture = makePicture(30, 20, 4);
    setOriginals(picture, withPatch(picture, QRect(5, 5, 4, 4), qRgb(255, 255, 255)));
    session->SelectProcessing(command::kComposite);
    const ColorRef before = pixelOf(kResult1, 6, 6);
    session->setBlendMode(12);
    // Difference of the patch against the picture is no longer the plain overlay's value.
    EXPECT_NE(pixelOf(kResult1, 6, 6), before);
    session->advanceBlendMode();
    EXPECT_EQ(session->blendMode(), 13);
    session->setBlendMode(14);
    session->advanceBlendMode();
    EXPECT_EQ(session->blendMode(), 0);
}

} // namespace
} // namespace corvane::test
