// The help pane (its guide, placement, scrolling and font settings) and the About box.

#include "app/window/HelpPane.h"
#include "app/window/AreaView.h"
#include "app/window/CAboutDlg.h"
#include "res/HelpText.h"
#include "tests/window/WindowTestSupport.h"

#include <QApplication>
#include <QFontDatabase>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QWheelEvent>

#include <map>

namespace corvane::test {
namespace {

// The section each processing's help starts with.
const std::map<ProcessingMode, const char*> kSections = {
    {ProcessingMode::Visual, " (1) 目視比較"},
    {ProcessingMode::Zoom, " (2) 拡大比較"},
    {ProcessingMode::Histogram, " (3) ヒストグラム比較"},
    {ProcessingMode::Scan, " (4) 水平垂直比較"},
    {ProcessingMode::Properties, " (5) プロパティ比較"},
    {ProcessingMode::Pixel, " (6) ピクセル比較"},
    {ProcessingMode::PixelAfterEdges, " (7) 輪郭検出後、ピクセル比較"},
    {ProcessingMode::Composite, " (8) 合成比較"},
    {ProcessingMode::CompositeBinarized, " (9) 合成後、２階調化比較"},
    {ProcessingMode::Gradation, " (10) 差分階調比較"},
    {ProcessingMode::GradationAfterEdges, " (11) 輪郭検出後、差分階調比較"},
    {ProcessingMode::DifferenceExtraction, " (1) 差分抽出"},
    {ProcessingMode::Watermark, " (2) 透かし文字書き込み"},
    {ProcessingMode::DocumentEmbedding, " (3) 文書埋め込み"},
};

TEST(HelpText, LinesHeadingsAndTheSectionOfEachProcessing) {
    const QStringList lines = helpTextLines();
    ASSERT_EQ(lines.size(), kHelpTextLineCount);
    EXPECT_TRUE(lines.front().isEmpty());
    EXPECT_TRUE(lines.back().isEmpty());
    EXPECT_EQ(helpText().count(QStringLiteral("\r\n")), kHelpTextLineCount);
    EXPECT_FALSE(helpText().contains(QRegularExpression(QStringLiteral("[^\r]\n"))));
    QStringList headings;
    for (const QString& line : lines) {
        if (line.isEmpty() || line.startsWith(QStringLiteral("     "))) {
            continue; // body lines: five spaces, then text
        }
        EXPECT_FALSE(line.startsWith(QStringLiteral("  "))) << line.toStdString();
        if (!line.startsWith(QLatin1Char(' '))) {
            headings << line;
        }
    }
    EXPECT_EQ(headings,
              (QStringList{QStringLiteral("はじめに"), QStringLiteral("1 各部の説明"),
                           QStringLiteral("2 原本画像のセット方法"), QStringLiteral("3 グリッドについて"),
                           QStringLiteral("4 比較処理"), QStringLiteral("5 その他の処理")}));
    EXPECT_TRUE(lines[2].contains(QStringLiteral("Corvane")) &&
                lines[2].contains(QStringLiteral("イメージ比較ソフト")));
    // Scrolling lands every processing on its own section's heading.
    for (const auto& [mode, heading] : kSections) {
        EXPECT_EQ(lines[helpScrollLines(mode)], QString::fromUtf8(heading)) << static_cast<int>(mode);
    }
    EXPECT_EQ(helpScrollLines(ProcessingMode::None), 0);
}

TEST(HelpFont, StoredValuesAndTheirDefaults) {
    QTemporaryDir folder;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder.path());
    SettingsStore settings;
    EXPECT_EQ(readHelpFontSettings(settings), HelpFontSettings{});
    EXPECT_EQ(readHelpFontSettings(settings).face, QStringLiteral("MS UI Gothic"));

    // A name stored empty reads as the default face.
    settings.writeString(QStringLiteral("Last"), QStringLiteral("fontRemName"), QString());
    EXPECT_EQ(readHelpFontSettings(settings).face, QStringLiteral("MS UI Gothic"));

    const HelpFontSettings chosen{QStringLiteral("IPAGothic"), 20, 700, 0x0000FF};
    writeHelpFontSettings(settings, chosen);
    EXPECT_EQ(readHelpFontSettings(settings), chosen);

    // A damaged store gives a readable font.
    const auto store = [&settings](const char* name, int value) {
        settings.writeInt(QStringLiteral("Last"), QString::fromLatin1(name), value);
    };
    store("fontRemSize", 0);
    store("fontRemWeight", 0);
    store("refRemText", -1);
    HelpFontSettings read = readHelpFontSettings(settings);
    EXPECT_EQ(read.size, 12);
    EXPECT_EQ(read.weight, 400);
    EXPECT_EQ(read.color, 0xFFFFFFu);
    store("fontRemSize", -30);
    store("fontRemWeight", 5000);
    EXPECT_EQ(readHelpFontSettings(settings).size, 12);
    EXPECT_EQ(readHelpFontSettings(settings).weight, 1000);
    store("fontRemSize", 1 << 30);
    EXPECT_EQ(readHelpFontSettings(settings).size, 500);

    // The font: face by name, size as pixel height, weight; a point size is converted at the screen's dpi.
    const QFont font = helpFont(chosen, QFont());
    EXPECT_EQ(font.pixelSize(), 20);
    EXPECT_EQ(font.weight(), QFont::Bold);
    EXPECT_EQ(font.family(), QStringLiteral("IPAGothic"));
    QFont points(QStringLiteral("IPAGothic"));
    points.setPointSize(15);
    EXPECT_EQ(helpFontSettingsOf(points, 0, 96).size, 20);
    EXPECT_EQ(helpFontSettingsOf(font, 0x123456, 96), (HelpFontSettings{"IPAGothic", 20, 700, 0x123456}));
}

class HelpPaneWindow : public WindowFixture {
protected:
    void SetUp() override {
        WindowFixture::SetUp();
        makeWindow();
        ASSERT_NO_FATAL_FAILURE(activateWindow());
    }
    HelpPane& pane() { return window().helpPane(); }
    // Both result frames in the window's coordinates.
    QRect resultFrames() {
        const AreaGeometry& geometry = window().areaView().areaGeometry();
        const QPoint offset = window().areaView().pos();
        return geometry.frames[2].united(geometry.frames[3]).translated(offset);
    }
    void pressF1() {
        QWidget* focus = QApplication::focusWidget();
        QTest::keyClick(focus != nullptr ? focus : &window(), Qt::Key_F1);
    }
};

TEST_F(HelpPaneWindow, F1ShowsTheVisualComparisonsSectionOverTheResults) {
    setOriginals(makePicture(64, 48, 1), makePicture(64, 48, 2));
    session().SelectProcessing(command::kVisual);
    pressF1();
    EXPECT_TRUE(session().helpPaneShown());
    EXPECT_TRUE(pane().isVisible());
    EXPECT_EQ(pane().geometry(), resultFrames());
    EXPECT_EQ(pane().firstVisibleLine(), 40);
    EXPECT_FALSE(window().control(1033)->isEnabled());
    EXPECT_EQ(pane().toPlainText().split(QLatin1Char('\n')), helpTextLines());

    // The pane follows the window's size.
    window().resize(window().size() + QSize(180, 120));
    EXPECT_EQ(pane().geometry(), resultFrames());
    EXPECT_EQ(pane().firstVisibleLine(), 40);

    // The help button hides it again.
    QTest::mouseClick(window().control(1019), Qt::LeftButton);
    EXPECT_FALSE(session().helpPaneShown());
    EXPECT_FALSE(pane().isVisible());
    EXPECT_TRUE(window().control(1033)->isEnabled());
}

TEST_F(HelpPaneWindow, EverySectionComesToTheTop) {
    // Also the last ones, which lie within a pane's height of the text's end.
    const QRect region = window().areaView().geometry();
    for (const auto& [mode, heading] : kSections) {
        pane().showOver(region, helpScrollLines(mode));
        EXPECT_EQ(pane().firstVisibleLine(), helpScrollLines(mode)) << heading;
    }
    pane().showOver(region, 0);
    EXPECT_EQ(pane().firstVisibleLine(), 0);
}

TEST_F(HelpPaneWindow, AReleaseOverAnOriginalHidesThePane) {
    pressF1();
    ASSERT_TRUE(pane().isVisible());
    AreaView& areas = window().areaView();
    // Over a result (under the pane) nothing happens; the pane takes those clicks itself.
    QTest::mouseClick(&areas, Qt::LeftButton, {}, areas.areaGeometry().frames[2].center());
    EXPECT_TRUE(pane().isVisible());
    QTest::mouseClick(&areas, Qt::LeftButton, {}, areas.areaGeometry().frames[1].center());
    EXPECT_FALSE(session().helpPaneShown());
    EXPECT_FALSE(pane().isVisible());
    EXPECT_TRUE(window().control(1033)->isEnabled());
}

TEST_F(HelpPaneWindow, TheWheelSizesTheTextWithCtrlAndScrollsItWithout) {
    pressF1();
    ASSERT_EQ(pane().font().pixelSize(), 12);
    const auto turn = [](QWidget* target, int delta, Qt::KeyboardModifiers modifiers) {
        const QPointF at(10, 10);
        QWheelEvent event(at, target->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, modifiers,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(target, &event);
    };
    turn(&window().areaView(), -120, Qt::ControlModifier);
    EXPECT_EQ(stored("fontRemSize").toInt(), 13);
    EXPECT_EQ(pane().font().pixelSize(), 13);
    turn(pane().viewport(), 120, Qt::ControlModifier);
    EXPECT_EQ(pane().font().pixelSize(), 12);
    EXPECT_EQ(pane().firstVisibleLine(), 0);

    turn(pane().viewport(), -120, Qt::NoModifier);
    EXPECT_GT(pane().firstVisibleLine(), 0);
    EXPECT_EQ(stored("fontRemSize").toInt(), 12);
}

TEST_F(HelpPaneWindow, HelpSettingsWriteTheFourValuesEvenWhenCancelled) {
    store({{"fontRemName", QString()}, {"fontRemSize", 14}, {"refRemText", 0x00FF00}});
    makeWindow(); // reads the stored font
    HelpPane& help = pane();
    EXPECT_EQ(help.font().pixelSize(), 14);
    EXPECT_EQ(help.palette().color(QPalette::Text), QColor(0, 255, 0));

    QTest::mouseClick(window().control(198), Qt::LeftButton); // the font dialog is cancelled
    ASSERT_EQ(dialogs.fontsAskedWith.size(), 1u);
    EXPECT_EQ(dialogs.fontsAskedWith[0].pixelSize(), 14);
    // The dialog starts on the installed face that stands in for the stored one.
    EXPECT_TRUE(QFontDatabase::hasFamily(dialogs.fontsAskedWith[0].family()));
    EXPECT_TRUE(dialogs.colorsAskedWith.empty());
    EXPECT_EQ(stored("fontRemName").toString(), QStringLiteral("MS UI Gothic"));
    EXPECT_EQ(stored("fontRemSize").toInt(), 14);
    EXPECT_EQ(stored("fontRemWeight").toInt(), 400);
    EXPECT_EQ(stored("refRemText").toInt(), 0x00FF00);

    // A font chosen, the colour dialog cancelled: the colour stays.
    QFont chosen(QStringLiteral("IPAGothic"));
    chosen.setPointSize(15);
    chosen.setWeight(QFont::Bold);
    dialogs.answerFont(chosen);
    window().runCommand(198);
    ASSERT_EQ(dialogs.colorsAskedWith, std::vector<ColorRef>{0x00FF00});
    EXPECT_EQ(stored("fontRemName").toString(), QStringLiteral("IPAGothic"));
    EXPECT_EQ(stored("fontRemSize").toInt(), 20);
    EXPECT_EQ(stored("fontRemWeight").toInt(), 700);
    EXPECT_EQ(stored("refRemText").toInt(), 0x00FF00);
    EXPECT_EQ(help.font().pixelSize(), 20);
    EXPECT_EQ(help.font().weight(), QFont::Bold);

    // Both chosen.
    dialogs.answerFont(chosen);
    dialogs.answerColor(0x0000FF);
    window().runCommand(198);
    EXPECT_EQ(stored("refRemText").toInt(), 0x0000FF);
    EXPECT_EQ(help.textColor(), 0x0000FFu);
    EXPECT_EQ(help.palette().color(QPalette::Text), QColor(255, 0, 0));
}

TEST_F(HelpPaneWindow, TheVersionButtonShowsTheAboutBox) {
    QTest::mouseClick(window().control(1020), Qt::LeftButton);
    EXPECT_EQ(dialogs.aboutShown, 1);
}

TEST(AboutBox, TextsHistoryAndLibraries) {
    CAboutDlg about;
    EXPECT_EQ(about.windowTitle(), QStringLiteral("バージョン情報"));
    EXPECT_EQ(about.findChild<QLabel*>(QStringLiteral("product"))->text(),
              QStringLiteral("Corvane\n(イメージ比較ソフト)"));
    EXPECT_FALSE(about.findChild<QLabel*>(QStringLiteral("icon"))->pixmap().isNull());
    auto* ok = about.findChild<QPushButton*>(QStringLiteral("ok"));
    EXPECT_EQ(ok->text(), QStringLiteral("確認(&Y)"));

    // Newest first, each ended by a line end; the characters on light yellow.
    EXPECT_EQ(about.history()->toPlainText(),
              QStringLiteral("Ver. 1.02 Windows 11 対応\nVer. 1.01 2021.03.16 64bit版を追加\n"
                             "Ver. 1.00 2014.12.22 新規作成\n"));
    EXPECT_TRUE(about.history()->isReadOnly());
    const QTextBlock first = about.history()->document()->firstBlock();
    EXPECT_EQ(first.begin().fragment().charFormat().background().color(), QColor(0xFF, 0xFC, 0xB5));

    const QString libraries = about.libraries()->toPlainText();
    for (const QString& expected :
         {QStringLiteral("Qt  ") + QString::fromLatin1(qVersion()), QStringLiteral("zlib  "),
          QStringLiteral("OpenSSL  "), QStringLiteral("giflib  "), QStringLiteral("libimagequant  ")}) {
        EXPECT_TRUE(libraries.contains(expected)) << expected.toStdString();
    }
    for (const QString& line : libraries.split(QLatin1Char('\n'))) {
        EXPECT_FALSE(line.section(QStringLiteral("  "), 1).trimmed().isEmpty()) << line.toStdString();
    }

    about.show();
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_EQ(about.result(), QDialog::Accepted);
}

} // namespace
} // namespace corvane::test
