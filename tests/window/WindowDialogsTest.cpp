// The window's dialogs (message boxes, save dialog, quality dialog) and the start-up checks.

#include "app/window/CAssukuDlg.h"
#include "app/window/Startup.h"
#include "res/Strings.h"
#include "tests/window/WindowTestSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QTimer>

namespace corvane::test {
namespace {

TEST(Dialogs, MessageBoxesAndTheSaveDialog) {
    const auto question = createMessageBox(nullptr, QStringLiteral("質問"), MessageType::YesNoCancel);
    EXPECT_EQ(question->windowTitle(), QStringLiteral("Corvane"));
    EXPECT_EQ(question->icon(), QMessageBox::Question);
    QStringList texts;
    for (const QAbstractButton* button : question->buttons()) {
        texts << button->text();
    }
    texts.sort();
    EXPECT_EQ(texts,
              (QStringList{QStringLiteral("いいえ"), QStringLiteral("はい"), QStringLiteral("キャンセル")}));
    EXPECT_EQ(createMessageBox(nullptr, {}, MessageType::Stop)->icon(), QMessageBox::Critical);
    // The real provider answers with the button pressed; Esc on a yes/no box is No.
    DialogProvider provider;
    QTimer::singleShot(0, [] { QTest::keyClick(QApplication::activeModalWidget(), Qt::Key_Escape); });
    EXPECT_EQ(provider.message(nullptr, QStringLiteral("質問"), MessageType::YesNo), MessageButton::No);

    EXPECT_EQ(
        qtNameFilters(QStringLiteral("イメージファイル(png, tiff) |*.png;*.tiff|PNGファイル(*.png)|*.png||")),
        (QStringList{QStringLiteral("イメージファイル(png, tiff) (*.png *.tiff)"),
                     QStringLiteral("PNGファイル(*.png) (*.png)")}));
    const auto dialog = createSaveDialog(
        nullptr, QStringLiteral("保存するファイルを指定"),
        QStringLiteral(
            "モノクロ BITMAPファイル(*.bmp)|*.bmp|JPEGファイル(*.jpeg)|*.jpeg|PNGファイル(*.png)|*.png||"),
        QStringLiteral("無題"), QStringLiteral("png"), 3);
    EXPECT_TRUE(dialog->testOption(QFileDialog::DontConfirmOverwrite));
    // The types read as written (the patterns are hidden); the preselected one gives the extension.
    EXPECT_EQ(dialog->selectedNameFilter(), QStringLiteral("PNGファイル(*.png)"));
    EXPECT_EQ(dialog->defaultSuffix(), QStringLiteral("png"));
    dialog->selectNameFilter(dialog->nameFilters()[1]);
    emit dialog->filterSelected(dialog->selectedNameFilter());
    EXPECT_EQ(dialog->defaultSuffix(), QStringLiteral("jpeg"));
}

TEST(Dialogs, QualityDialog) {
    CAssukuDlg dialog(70);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("画質設定"));
    auto* slider = dialog.findChild<QSlider*>(QStringLiteral("qualitySlider"));
    auto* value = dialog.findChild<QLabel*>(QStringLiteral("qualityValue"));
    EXPECT_EQ(QPoint(slider->minimum(), slider->maximum()), QPoint(10, 100));
    EXPECT_EQ(value->text(), QStringLiteral("70"));
    QStringList labels;
    for (const QLabel* label : dialog.findChildren<QLabel*>()) {
        labels << label->text();
    }
    EXPECT_TRUE(labels.contains(QStringLiteral("画質：")) &&
                labels.contains(QStringLiteral("低画質　←・→　高画質")));
    QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("preset30")), Qt::LeftButton);
    EXPECT_EQ(slider->value(), 30);
    EXPECT_EQ(value->text(), QStringLiteral("30"));
    slider->setValue(55);
    EXPECT_EQ(value->text(), QStringLiteral("55"));
    dialog.show();
    QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("ok")), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.quality(), 55);

    CAssukuDlg cancelled(5);
    EXPECT_EQ(cancelled.quality(), 10);
    cancelled.show();
    QTest::mouseClick(cancelled.findChild<QPushButton*>(QStringLiteral("cancel")), Qt::LeftButton);
    EXPECT_EQ(cancelled.result(), QDialog::Rejected);
}

class Saving : public WindowFixture {};

TEST_F(Saving, JpegSaveStartsAtTheStoredQualityAndKeepsTheChoice) {
    store({{"Quality", 40}});
    makeWindow();
    setOriginals(makePicture(40, 30, 1), makePicture(40, 30, 2));
    command(166);
    const QString target = path(QStringLiteral("result.jpeg"));
    dialogs.answerSave(target, 9);
    dialogs.answerQuality(80);
    dialogs.answer(MessageButton::Yes); // 30069: show the folder
    session().SaveResultImage(kResult1);
    EXPECT_EQ(dialogs.saveRequests.at(0), std::make_pair(QStringLiteral("無題"), 11));
    EXPECT_EQ(qtNameFilters(dialogs.lastSaveFilter).size(), 16);
    EXPECT_EQ(dialogs.qualityAskedWith, std::vector<int>{40});
    EXPECT_EQ(stored("Quality").toInt(), 80);
    EXPECT_GT(QFileInfo(target).size(), 0);
    EXPECT_EQ(dialogs.shownLocations, std::vector<QString>{target});
}

TEST(Startup, DisplayDepthCheck) {
    ScriptedDialogs dialogs;
    EXPECT_EQ(checkDisplayDepth(8, nullptr, 32, dialogs), 0);
    EXPECT_EQ(checkDisplayDepth(0, "8", 32, dialogs), 0);
    EXPECT_EQ(checkDisplayDepth(0, nullptr, 8, dialogs), 0);
    ASSERT_EQ(dialogs.messages.size(), 3u);
    for (const ScriptedDialogs::Shown& shown : dialogs.messages) {
        EXPECT_EQ(shown.text,
                  QStringLiteral("現在のモニタ色深度は、8ビットです\n") + stringText(kMsgUnsupportedDepth));
        EXPECT_EQ(shown.type, MessageType::Information);
    }
    EXPECT_EQ(checkDisplayDepth(0, nullptr, 24, dialogs), 32);
    EXPECT_EQ(checkDisplayDepth(0, "24", 16, dialogs), 24);
    EXPECT_EQ(checkDisplayDepth(16, "32", 24, dialogs), 16);
    EXPECT_EQ(dialogs.messages.size(), 3u);
}

TEST(Startup, ArgumentsDisplayAndSamplePair) {
    EXPECT_EQ(parseStartupArguments({QStringLiteral("a.png"), QStringLiteral("b.png")}).originals.size(), 2);
    EXPECT_EQ(parseStartupArguments({QStringLiteral("--bits-per-pixel"), QStringLiteral("8")}).forcedBits, 8);
    EXPECT_EQ(parseStartupArguments({QStringLiteral("--bits-per-pixel=24")}).forcedBits, 24);
    for (const QString& wrong :
         {QStringLiteral("--bits-per-pixel x"), QStringLiteral("a b c"), QStringLiteral("--sample-pair d a"),
          QStringLiteral("--sample-pair"), QStringLiteral("--nope")}) {
        EXPECT_FALSE(parseStartupArguments(wrong.split(QLatin1Char(' '))).error.isEmpty())
            << wrong.toStdString();
    }
    EXPECT_FALSE(displayAvailable(nullptr, "", nullptr));
    EXPECT_TRUE(displayAvailable(nullptr, nullptr, "offscreen"));
    EXPECT_NE(noDisplayMessage("build/corvane").find("xvfb-run -a build/corvane"), std::string::npos);

    // The pair is written once: files already there are kept.
    QTemporaryDir folder;
    QStringList paths;
    ASSERT_TRUE(writeSamplePair(folder.filePath(QStringLiteral("pair/deeper")), paths));
    ASSERT_EQ(paths.size(), 2);
    EXPECT_EQ(QImage(paths[0]).size(), QImage(paths[1]).size());
    EXPECT_NE(QImage(paths[0]), QImage(paths[1]));
    QFile keep(paths[0]);
    ASSERT_TRUE(keep.open(QIODevice::WriteOnly));
    keep.write("mine");
    keep.close();
    ASSERT_TRUE(writeSamplePair(folder.filePath(QStringLiteral("pair/deeper")), paths));
    ASSERT_TRUE(keep.open(QIODevice::ReadOnly));
    EXPECT_EQ(keep.readAll(), QByteArray("mine"));
}

} // namespace
} // namespace corvane::test
