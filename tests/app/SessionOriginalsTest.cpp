// Setting, replacing, clearing, swapping, reloading and preprocessing the originals.

#include "res/Strings.h"
#include "tests/app/SessionTestSupport.h"

#include <QFile>

namespace corvane::test {
namespace {

class Originals : public SessionFixture {};

INSTANTIATE_TEST_SUITE_P(AllDepths, Originals, ::testing::Values(16, 24, 32),
                         [](const auto& suffix) { return "Bits" + std::to_string(suffix.param); });

TEST_P(Originals, TheFirstOriginalFixesTheWorkingSize) {
    ASSERT_TRUE(
        session->setOriginalFromFile(kOriginal2, writePng(QStringLiteral("a.png"), makePicture(31, 17, 1))));
    EXPECT_EQ(session->workingSize(), QSize(31, 17));
    EXPECT_EQ(session->surface(kWork3).geometry().bmBitsPixel, bits());
    EXPECT_EQ(session->gridPosition(), QPoint(15, 8));
    ASSERT_EQ(host.shiftControlResets.size(), 1u);
    EXPECT_EQ(host.shiftControlResets[0], std::make_pair(30, 16));
    EXPECT_TRUE(host.messages.empty());
}

TEST_P(Originals, ASecondOriginalOfAnotherSizeIsAskedForAndScaled) {
    ASSERT_TRUE(
        session->setOriginalFromFile(kOriginal1, writePng(QStringLiteral("a.png"), makePicture(40, 30, 1))));
    const QString other = writePng(QStringLiteral("b.png"), makePicture(80, 60, 2));
    host.answer(MessageButton::No);
    EXPECT_FALSE(session->setOriginalFromFile(kOriginal2, other));
    EXPECT_TRUE(session->originalPath(kOriginal2).isEmpty());
    host.answer(MessageButton::Yes);
    ASSERT_TRUE(session->setOriginalFromFile(kOriginal2, other));
    EXPECT_EQ(host.messageIds(), (std::vector<int>{kMsgSizeDiffers, kMsgSizeDiffers}));
    EXPECT_EQ(session->workingSize(), QSize(40, 30));
    EXPECT_EQ(session->naturalSize(kOriginal2), QSize(80, 60));
    EXPECT_EQ(session->surface(kOriginal2).width(), 40);
}

TEST_P(Originals, ReplacingAnOriginalAsksWhetherToClearTheOther) {
    setOriginals(makePicture(40, 30, 1), makePicture(40, 30, 2));
    const QString big = writePng(QStringLiteral("big.png"), makePicture(50, 20, 3));
    const QString same = writePng(QStringLiteral("same.png"), makePicture(40, 30, 4));

    host.answer(MessageButton::Cancel);
    EXPECT_FALSE(session->setOriginalFromFile(kOriginal1, big));
    EXPECT_EQ(session->workingSize(), QSize(40, 30));

    // No keeps original 2; a file of the same size asks nothing more.
    host.answer(MessageButton::No);
    ASSERT_TRUE(session->setOriginalFromFile(kOriginal1, same));
    EXPECT_EQ(session->originalPath(kOriginal1), same);
    EXPECT_FALSE(session->originalPath(kOriginal2).isEmpty());

    // No with another size asks about the size too.
    host.answer(MessageButton::No);
    host.answer(MessageButton::No);
    EXPECT_FALSE(session->setOriginalFromFile(kOriginal1, big));

    // Yes starts over with the new image's size and drops original 2.
    host.answer(MessageButton::Yes);
    ASSERT_TRUE(session->setOriginalFromFile(kOriginal1, big));
    EXPECT_EQ(session->workingSize(), QSize(50, 20));
    EXPECT_TRUE(session->originalPath(kOriginal2).isEmpty());
}

TEST_P(Originals, UnreadableAndNonImageFilesChangeNothing) {
    setOriginals(makePicture(20, 10, 1), makePicture(20, 10, 2));
    const QString before = session->originalPath(kOriginal1);
    const QString broken = path(QStringLiteral("broken.png"));
    QFile file(broken);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("\x89PNG\r\n\x1a\n not really");
    file.close();
    // The file is read before any question, so nothing is asked.
    EXPECT_FALSE(session->setOriginalFromFile(kOriginal1, broken));
    ASSERT_FALSE(host.messages.empty());
    EXPECT_EQ(host.messages.back().id, kMsgReadFailed);
    EXPECT_TRUE(host.messages.back().prefix.contains(QStringLiteral("broken.png")));
    EXPECT_EQ(session->originalPath(kOriginal1), before);

    host.clearRecords();
    session->dropFile(kOriginal1, path(QStringLiteral("notes.txt")), false);
    session->dropFile(kOriginal1, path(QString()), true);
    session->dropFile(kResult1, writePng(QStringLiteral("c.png"), makePicture(20, 10, 3)), false);
    session->dropFile(-1, path(QStringLiteral("c.png")), false);
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(session->originalPath(kOriginal1), before);
}

TEST_P(Originals, ADropOnAnOriginalSetsIt) {
    setOriginals(makePicture(20, 10, 1), makePicture(20, 10, 2));
    const QString dropped = writePng(QStringLiteral("d.png"), makePicture(20, 10, 5));
    host.answer(MessageButton::No);
    session->dropFile(kOriginal2, dropped, false);
    EXPECT_EQ(session->originalPath(kOriginal2), dropped);
    EXPECT_EQ(session->originalType(kOriginal2), QStringLiteral("png"));
    ASSERT_FALSE(host.areaRedraws.empty());
    EXPECT_EQ(host.areaRedraws.back(), std::make_pair(10, true));
}

TEST_P(Originals, ClearAsksFirstAndSwapKeepsTheResults) {
    setOriginals(makePicture(20, 10, 1), makePicture(20, 10, 2));
    session->SelectProcessing(command::kPixel);
    const ColorRef result = pixelOf(kResult1, 3, 3);
    const ColorRef first = pixelOf(kOriginal1, 3, 3);
    const ColorRef second = pixelOf(kOriginal2, 3, 3);
    const QString firstPath = session->originalPath(kOriginal1);

    session->swapOriginals();
    EXPECT_EQ(pixelOf(kOriginal1, 3, 3), second);
    EXPECT_EQ(pixelOf(kOriginal2, 3, 3), first);
    EXPECT_EQ(session->originalPath(kOriginal2), firstPath);
    EXPECT_EQ(pixelOf(kResult1, 3, 3), result);
    EXPECT_EQ(session->currentProcessing(), ProcessingMode::Pixel);

    host.answer(MessageButton::No);
    session->clearOriginals();
    EXPECT_FALSE(session->originalPath(kOriginal1).isEmpty());
    host.answer(MessageButton::Yes);
    session->clearOriginals();
    EXPECT_TRUE(session->originalPath(kOriginal1).isEmpty());
    EXPECT_TRUE(session->originalPath(kOriginal2).isEmpty());
    EXPECT_TRUE(session->surface(kOriginal1).isNull());
    EXPECT_EQ(session->currentProcessing(), ProcessingMode::None);
}

TEST_P(Originals, PreprocessingOneOrBothAndReloadUndoesIt) {
    const QImage colourful = makePicture(24, 16, 6);
    setOriginals(colourful, colourful);
    const ColorRef before = pixelOf(kOriginal1, 5, 5);

    // The other original shows an image: No processes only this one.
    host.answer(MessageButton::No);
    session->preprocessOriginal(kOriginal1, Preprocessing::Greyscale, true);
    const ColorRef grey = pixelOf(kOriginal1, 5, 5);
    EXPECT_EQ(redOf(grey), blueOf(grey));
    EXPECT_EQ(pixelOf(kOriginal2, 5, 5), before);

    host.answer(MessageButton::Cancel);
    session->preprocessOriginal(kOriginal2, Preprocessing::Blur11, true);
    EXPECT_EQ(pixelOf(kOriginal2, 5, 5), before);

    host.answer(MessageButton::Yes);
    session->preprocessOriginal(kOriginal2, Preprocessing::Colors64, true);
    for (const int k : {kOriginal1, kOriginal2}) {
        const ColorRef c = pixelOf(k, 5, 5);
        for (const int channel : {redOf(c), greenOf(c), blueOf(c)}) {
            EXPECT_EQ(bits() == 16 ? 0 : channel % 85, 0) << "channel " << channel;
        }
    }
    EXPECT_EQ(host.waitCursorChanges, (std::vector<bool>{true, false, true, false}));

    host.answer(MessageButton::Yes);
    session->preprocessOriginal(kOriginal1, Preprocessing::Reload, true);
    EXPECT_EQ(pixelOf(kOriginal1, 5, 5), before);
    EXPECT_EQ(pixelOf(kOriginal2, 5, 5), before);

    // 256 colours leave an image of few colours as it is.
    const QImage flat = withPatch(makePicture(24, 16, 0).copy(), QRect(0, 0, 24, 16), qRgb(10, 200, 30));
    host.answer(MessageButton::Yes);
    ASSERT_TRUE(session->setOriginalFromFile(kOriginal1, writePng(QStringLiteral("flat.png"), flat)));
    const ColorRef flatColor = pixelOf(kOriginal1, 1, 1);
    session->preprocessOriginal(kOriginal1, Preprocessing::Colors256, false);
    EXPECT_EQ(pixelOf(kOriginal1, 1, 1), flatColor);
}

} // namespace
} // namespace corvane::test
