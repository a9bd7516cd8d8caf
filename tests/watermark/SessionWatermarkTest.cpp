// The session's watermark mode: start and end, the commands, layout files and the settings.

#include "app/ComparisonSession.h"
#include "platform/Settings.h"
#include "res/Strings.h"
#include "tests/app/ScriptedHost.h"
#include "tests/watermark/WatermarkTestSupport.h"
#include "watermark/WatermarkFile.h"
#include "watermark/WatermarkSettings.h"

#include <QFile>
#include <QImage>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace corvane::test {
namespace {

// A scripted host that also records the requests to edit a text in place and to finish the edit.
class WatermarkHost : public ScriptedHost {
public:
    void startWatermarkEdit(int index) override { editsStarted.push_back(index); }
    void finishWatermarkEdit() override { ++editsFinished; }

    std::vector<int> editsStarted;
    int editsFinished = 0;
};

QImage picture(int width, int height, int seed) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            image.setPixel(x, y, qRgb((x * 5 + seed) & 0xFF, (y * 3 + seed) & 0xFF, (x + y) & 0xFF));
        }
    }
    return image;
}

class SessionWatermarkTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_folder.isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_folder.path());
        session = std::make_unique<ComparisonSession>(host, 32, &settings);
    }
    void TearDown() override {
        session.reset();
        EXPECT_EQ(host.unusedAnswers(), 0u);
        EXPECT_EQ(host.unexpectedQuestions, 0);
    }
    QString path(const QString& name) const { return m_folder.filePath(name); }
    void setOriginals() {
        const QImage first = picture(200, 100, 1);
        ASSERT_TRUE(first.save(path(QStringLiteral("first.png"))));
        ASSERT_TRUE(picture(200, 100, 90).save(path(QStringLiteral("second.png"))));
        ASSERT_TRUE(session->setOriginalFromFile(kOriginal1, path(QStringLiteral("first.png"))));
        ASSERT_TRUE(session->setOriginalFromFile(kOriginal2, path(QStringLiteral("second.png"))));
    }
    // Starts the mode on both originals; no stored set unless the test stored one.
    void start() {
        setOriginals();
        session->SelectProcessing(command::kWatermark);
        ASSERT_TRUE(session->watermarkModeOn());
    }
    QByteArray bytesOf(int surface) const {
        const auto bits = session->surface(surface).bits();
        return QByteArray(reinterpret_cast<const char*>(bits.data()), static_cast<qsizetype>(bits.size()));
    }
    const WatermarkList& texts() const { return session->watermarks(); }

    WatermarkHost host;
    SettingsStore settings;
    std::unique_ptr<ComparisonSession> session;

private:
    QTemporaryDir m_folder;
};

TEST_F(SessionWatermarkTest, NoOriginal1NoMode) {
    session->SelectProcessing(command::kWatermark);
    EXPECT_FALSE(session->watermarkModeOn());
    EXPECT_EQ(session->currentProcessing(), ProcessingMode::None);
    EXPECT_EQ(host.messageIds(), std::vector<int>{kMsgNoOriginal1});
}

TEST_F(SessionWatermarkTest, AFreshStartAddsOneTextAtTheCentreAndEditsIt) {
    start();
    ASSERT_EQ(texts().count(), 1);
    EXPECT_EQ(texts().text(0).box(), QRect(0, 20, 200, 60));
    EXPECT_EQ(texts().current(), 0);
    EXPECT_EQ(host.editsStarted, std::vector<int>{0});
    EXPECT_EQ(session->instructionText(), QStringLiteral("原本2のエリアに透かし文字を入力してください"));
    // Original 2's surface holds the background; the results are the composition, drawn opaque.
    EXPECT_EQ(pixelsOtherThan(session->surface(kOriginal2), kWhite), 0);
    EXPECT_EQ(session->resultTransparentColor(0), kNoColor);
    EXPECT_NE(bytesOf(kResult1), bytesOf(kOriginal1));
    EXPECT_EQ(session->surface(kResult1).pixel(2, 2), session->surface(kOriginal1).pixel(2, 2));
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(SessionWatermarkTest, TheStoredSetIsOfferedAndRestoredWithBoxesFitted) {
    std::vector<WatermarkText> stored = {makeText(QStringLiteral("a"), QRect(150, 10, 100, 20)),
                                         makeText(QStringLiteral("b"), QRect(-20, 50, 40, 20))};
    stored[0].size = 300; // out of range in a hand-edited store
    saveWatermarks(settings, stored);
    host.answer(MessageButton::Yes);
    start();
    EXPECT_EQ(host.messageIds(), (std::vector<int>{kMsgRestoreLast, kMsgWatermarkAdjusted}));
    ASSERT_EQ(texts().count(), 2);
    EXPECT_EQ(texts().text(0).box(), QRect(100, 10, 100, 20));
    EXPECT_EQ(texts().text(1).box(), QRect(0, 50, 40, 20));
    EXPECT_EQ(texts().text(0).size, 100);
    EXPECT_TRUE(host.editsStarted.empty());
    session->SelectProcessing(command::kEndWatermark);

    // No: a fresh text. A stored count outside 1 … 100 asks nothing.
    host.answer(MessageButton::No);
    session->SelectProcessing(command::kWatermark);
    EXPECT_EQ(texts().count(), 1);
    session->SelectProcessing(command::kEndWatermark);
    settings.writeInt(QStringLiteral("Obj"), QStringLiteral("Max"), 101);
    host.clearRecords();
    session->SelectProcessing(command::kWatermark);
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(texts().count(), 1);
}

TEST_F(SessionWatermarkTest, EndingStoresTheTextsReloadsOriginal2AndBlackensTheResults) {
    start();
    const int finishedBefore = host.editsFinished;
    session->SelectProcessing(command::kEndWatermark);
    EXPECT_FALSE(session->watermarkModeOn());
    EXPECT_EQ(session->currentProcessing(), ProcessingMode::None);
    EXPECT_EQ(host.editsFinished, finishedBefore + 1);
    EXPECT_EQ(storedWatermarkCount(settings), 1);
    EXPECT_EQ(settings.readString(QStringLiteral("Obj"), QStringLiteral("Text0")),
              QStringLiteral("透かし文字"));
    const QImage second(path(QStringLiteral("second.png")));
    EXPECT_EQ(session->surface(kOriginal2).pixel(7, 9),
              makeColor(static_cast<std::uint8_t>(qRed(second.pixel(7, 9))),
                        static_cast<std::uint8_t>(qGreen(second.pixel(7, 9))),
                        static_cast<std::uint8_t>(qBlue(second.pixel(7, 9)))));
    EXPECT_EQ(pixelsOtherThan(session->surface(kResult1), kBlack), 0);
    EXPECT_EQ(session->resultTransparentColor(1), kBlack);
}

TEST_F(SessionWatermarkTest, EndingWithNoTextsKeepsTheStoredSet) {
    saveWatermarks(settings, std::vector<WatermarkText>{makeText(QStringLiteral("a"), QRect(0, 0, 50, 20)),
                                                        makeText(QStringLiteral("b"), QRect(0, 30, 50, 20))});
    host.answer(MessageButton::No);
    start();
    session->selectAllWatermarks();
    host.answer(MessageButton::Yes);
    session->deleteWatermarks();
    EXPECT_EQ(texts().count(), 0);
    session->SelectProcessing(command::kEndWatermark);
    EXPECT_EQ(storedWatermarkCount(settings), 2);
    host.answer(MessageButton::Yes);
    session->SelectProcessing(command::kWatermark);
    EXPECT_EQ(texts().count(), 2);
}

TEST_F(SessionWatermarkTest, AShiftStepKeepsTheRunningModesTexts) {
    start();
    ASSERT_TRUE(session->addWatermarkText(QPoint(30, 30)));
    session->stepShiftH(1);
    EXPECT_TRUE(session->watermarkModeOn());
    EXPECT_EQ(texts().count(), 2);
    EXPECT_EQ(host.editsStarted.size(), 1u);
}

TEST_F(SessionWatermarkTest, CommandsActOnlyInTheModeAndAskBeforeDeleting) {
    setOriginals();
    EXPECT_FALSE(session->addWatermarkText(QPoint(10, 10)));
    session->deleteWatermarks(); // no question outside the mode
    session->SelectProcessing(command::kWatermark);
    // A point on the area's margin puts the text at the image's edge.
    ASSERT_TRUE(session->addWatermarkText(QPoint(500, -40)));
    EXPECT_EQ(texts().text(1).box(), QRect(99, -30, 200, 60));
    host.answer(MessageButton::No);
    session->deleteWatermarks();
    EXPECT_EQ(texts().count(), 2);
    host.answer(MessageButton::Yes);
    session->deleteWatermarks();
    EXPECT_EQ(texts().count(), 0);
    // Bold with nothing selected changes nothing and still repaints the view.
    session->addWatermarkText(QPoint(50, 50));
    session->watermarks().clearSelection();
    host.clearRecords();
    session->toggleWatermarkStyle(WatermarkList::Style::Bold);
    EXPECT_EQ(texts().text(0).bold, 0);
    EXPECT_EQ(host.pictureRedraws, std::vector<int>{kOriginal2});
    while (!texts().isFull()) {
        session->addWatermarkText(QPoint(50, 50));
    }
    host.clearRecords();
    EXPECT_FALSE(session->addWatermarkText(QPoint(50, 50)));
    EXPECT_EQ(host.messageIds(), std::vector<int>{kMsgTooManyWatermarks});
}

TEST_F(SessionWatermarkTest, StyleChangesRecomposeAndTheBackgroundTints) {
    start();
    const QByteArray before = bytesOf(kResult1);
    session->setWatermarkSize(8);
    EXPECT_EQ(texts().text(0).size, 8);
    EXPECT_NE(bytesOf(kResult1), before);
    session->chooseWatermarkBackground(makeColor(128, 128, 128));
    EXPECT_EQ(session->watermarkBackground(), makeColor(128, 128, 128));
    EXPECT_EQ(session->surface(kOriginal2).pixel(0, 0), makeColor(128, 128, 128));
    const ColorRef original = session->surface(kOriginal1).pixel(1, 1);
    EXPECT_EQ(session->surface(kResult1).pixel(1, 1),
              makeColor(static_cast<std::uint8_t>(redOf(original) * 128 / 255),
                        static_cast<std::uint8_t>(greenOf(original) * 128 / 255),
                        static_cast<std::uint8_t>(blueOf(original) * 128 / 255)));
}

TEST_F(SessionWatermarkTest, LayoutFilesAreSavedAndLoadedWithEveryFailureNamed) {
    start();
    host.answerSaveDialog(path(QStringLiteral("layout.wcd")), 1);
    session->saveWatermarkFile();
    EXPECT_EQ(host.lastSaveFilter, QStringLiteral("透かし文字ファイル |*.wcd||"));
    EXPECT_EQ(host.lastSaveDefaultName, QStringLiteral("無題"));
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].prefix, QStringLiteral("ファイルへの保存、"));
    EXPECT_EQ(host.messages[0].id, kMsgDone);
    EXPECT_EQ(QFileInfo(path(QStringLiteral("layout.wcd"))).size(), 4 + 384);

    // A damaged file: the reason and 30016, the list as it was.
    QFile bad(path(QStringLiteral("bad.wcd")));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write(QByteArray("\0\0\0\x65", 4));
    bad.close();
    session->addWatermarkText(QPoint(10, 10));
    host.clearRecords();
    host.answerOpenDialog(path(QStringLiteral("bad.wcd")));
    session->loadWatermarkFile();
    EXPECT_EQ(host.messageIds(), std::vector<int>{kMsgReadFailed});
    EXPECT_TRUE(host.messages[0].prefix.startsWith(QStringLiteral("「bad.wcd」")));
    EXPECT_EQ(texts().count(), 2);
    host.answerOpenDialog(path(QStringLiteral("missing.wcd")));
    session->loadWatermarkFile();
    EXPECT_EQ(host.messageIds().back(), kMsgOpenFailed);

    // A good file replaces the list; the results follow at the next recomposition.
    const QByteArray results = bytesOf(kResult1);
    host.clearRecords();
    host.answerOpenDialog(path(QStringLiteral("layout.wcd")));
    session->loadWatermarkFile();
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(texts().count(), 1);
    EXPECT_EQ(host.pictureRedraws, std::vector<int>{redraw::kAreas1To3});
    EXPECT_EQ(bytesOf(kResult1), results);

    // Nothing to save: no dialog.
    session->watermarks().selectAll();
    host.answer(MessageButton::Yes);
    session->deleteWatermarks();
    host.clearRecords();
    host.answerSaveDialog(path(QStringLiteral("empty.wcd")), 1);
    session->saveWatermarkFile();
    EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("empty.wcd"))));
    host.chooseSaveFile({}, {}, {}, {}, 1); // the unused scripted choice
}

TEST_F(SessionWatermarkTest, EditedTextsWithCharactersFilesCannotHoldAreRefused) {
    start();
    EXPECT_FALSE(session->storeEditedWatermarkText(0, QStringLiteral("𠮷野家"), false));
    EXPECT_EQ(host.messageIds(), std::vector<int>{kMsgWatermarkUnencodable});
    EXPECT_EQ(host.messages[0].prefix, QStringLiteral("「𠮷」\n"));
    EXPECT_EQ(texts().text(0).textString(), QStringLiteral("透かし文字"));
    // Forced (the mode ends, the window closes): stored with "?" and said so.
    EXPECT_TRUE(session->storeEditedWatermarkText(0, QStringLiteral("𠮷野家"), true));
    EXPECT_EQ(texts().text(0).textString(), QStringLiteral("?野家"));
    EXPECT_EQ(host.messageIds().back(), kMsgWatermarkAdjusted);
    EXPECT_TRUE(session->storeEditedWatermarkText(0, QStringLiteral("一\n二"), false));
    EXPECT_EQ(texts().text(0).textString(), QStringLiteral("一\r\n二"));
}

TEST_F(SessionWatermarkTest, ClosingTheWindowStoresTheTextsOnlyInTheMode) {
    setOriginals();
    session->watermarkWindowClosing();
    EXPECT_EQ(storedWatermarkCount(settings), 0);
    session->SelectProcessing(command::kWatermark);
    session->watermarkWindowClosing();
    EXPECT_EQ(storedWatermarkCount(settings), 1);
}

TEST_F(SessionWatermarkTest, ALayoutIsComposedForTheCommandLine) {
    setOriginals();
    ASSERT_TRUE(writeWatermarkFile(
        path(QStringLiteral("l.wcd")),
        std::vector<WatermarkText>{makeText(QStringLiteral("■"), QRect(190, 40, 80, 40))}));
    QString error;
    QStringList adjustments;
    ASSERT_TRUE(session->composeWatermarkLayout(path(QStringLiteral("l.wcd")), kWhite, error, adjustments));
    EXPECT_EQ(texts().text(0).box(), QRect(120, 40, 80, 40));
    EXPECT_EQ(session->surface(kResult1).pixel(140, 60), kBlack);
    EXPECT_FALSE(
        session->composeWatermarkLayout(path(QStringLiteral("none.wcd")), kWhite, error, adjustments));
    EXPECT_TRUE(error.startsWith(QStringLiteral("「none.wcd」")));
}

} // namespace
} // namespace corvane::test
