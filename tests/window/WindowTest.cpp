// The main window: controls and texts, the processing menu, the parameter controls, the questions, the
// document mode and the keyboard.

#include "app/window/AreaView.h"
#include "app/window/DialogControls.h"
#include "res/Strings.h"
#include "tests/window/WindowTestSupport.h"

#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <QWheelEvent>
#include <QWindow>

namespace corvane::test {
namespace {

const QString kNothing = QStringLiteral("ここをクリックして処理を選択してください");

class Window : public WindowFixture {
protected:
    void SetUp() override {
        WindowFixture::SetUp();
        makeWindow();
    }
    UpDownControl* upDown(int id) { return qobject_cast<UpDownControl*>(window().control(id)); }
    bool enabled(int id) {
        auto* control = upDown(id);
        return control != nullptr ? control->arrowsEnabled() : window().control(id)->isEnabled();
    }
};

TEST_F(Window, JapaneseControlsAndTheTemplateLayout) {
    CSorvikDlg& w = window();
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Corvane"));
    // The font asked for by its Windows name resolves to an installed face with the Japanese glyphs.
    const QFontMetrics metrics(w.font());
    for (const QChar glyph : QStringLiteral("処理調整値①水平垂直終了透かし文字")) {
        EXPECT_TRUE(metrics.inFont(glyph)) << static_cast<int>(glyph.unicode());
    }
    EXPECT_EQ(text(1033), kNothing);
    EXPECT_EQ(text(344), QStringLiteral("00:00.000"));
    EXPECT_EQ(text(2), QStringLiteral("終了(&X)"));
    EXPECT_EQ(text(1029), QStringLiteral("合成"));
    EXPECT_EQ(text(1015), QStringLiteral("128"));
    QStringList labels;
    for (const QLabel* label : w.findChildren<QLabel*>()) {
        labels << label->text();
    }
    for (const char* expected :
         {"処理：", "調整値①", "水平：", "調整値②", "垂直：", "透かし文字：", "影："}) {
        EXPECT_TRUE(labels.contains(QString::fromUtf8(expected))) << expected;
    }
    EXPECT_EQ(
        upDown(1015)->edit()->toolTip(),
        QStringLiteral("階調使用時のしきい値などを調整します\n※ 処理によっては使用できないことがあります"));
    for (const int id : {1023, 1007, 1020, 1019, 198}) {
        auto* button = qobject_cast<QToolButton*>(w.control(id));
        EXPECT_TRUE(!button->icon().isNull() && button->toolTip().startsWith(QStringLiteral("【"))) << id;
    }
    EXPECT_EQ(w.commandAction(150)->text(), QStringLiteral("最大合致位置調査(&A)\t[RGB]"));
    EXPECT_EQ(w.commandAction(137)->text(), QStringLiteral("暗色適用(&E)"));

    // The template's size is the smallest; the areas start below the hidden progress bar's row.
    w.show();
    const QSize initial(w.dialogUnitsX(550), w.dialogUnitsY(274));
    EXPECT_EQ(w.size(), initial);
    EXPECT_FALSE(w.control(1032)->isVisible());
    EXPECT_EQ(w.areasTop(), w.dialogUnitsY(51) + w.dialogUnitsY(6));
    w.resize(initial + QSize(100, 80));
    EXPECT_EQ(w.areaView().geometry(), QRect(0, w.areasTop(), w.width(), w.height() - w.areasTop()));
    w.resize(100, 100);
    EXPECT_EQ(w.size(), initial);
    for (const int id : {1035, 1036, 1037, 1038, 1012, 1017}) {
        EXPECT_FALSE(w.control(id)->isVisible()) << id;
    }
}

// The caption, the instruction line and the enabled parameter controls of each processing.
TEST_F(Window, EachProcessingShowsItsCaptionInstructionAndControls) {
    setOriginals(makePicture(40, 30, 1), makePicture(40, 30, 2));
    struct Row {
        int command;
        const char* caption;
        const char* instruction;
        const char* enabled; // adjust 1, adjust 2, colour space, blend, overlay, value notation
        int end;
    };
    const Row rows[] = {
        {165, "目視比較", "目視したい箇所をクリックまたはドラッグしてください", "000001", 0},
        {193, "拡大比較", "", "000000", 195},
        {166, "ピクセル比較", "", "000010", 0},
        {167, "輪郭検出後、ピクセル比較", "", "000010", 0},
        {168, "合成比較", "", "000110", 0},
        {169, "合成後、２階調化比較", "調整値：①２階調化強度 0(弱)-255(強)", "101110", 0},
        {170, "差分階調比較", "", "001010", 0},
        {171, "輪郭検出後、差分階調比較", "", "001010", 0},
        {172, "差分抽出", "調整値：①２階調化強度 0(弱)-255(強), ②差分検出強度 0(弱)-255(強)", "111010", 0},
        {173, "透かし文字書き込みモード", "原本2のエリアに透かし文字を入力してください", "000000", 175},
        {32790, "文書埋め込みモード", "原本1に埋め込みたい文書をドラッグ＆ドロップしてください", "000000",
         32791},
        {214, "ヒストグラム 青[極小拡大]", "", "000000", 0},
        {116, "水平・垂直比較 RGB", "", "000010", 0},
    };
    auto* button = qobject_cast<QToolButton*>(window().control(1033));
    for (const Row& row : rows) {
        SCOPED_TRACE(row.command);
        command(row.command);
        EXPECT_EQ(text(1033), QString::fromUtf8(row.caption));
        EXPECT_EQ(text(343), QString::fromUtf8(row.instruction));
        QString shown;
        for (const int id : {1016, 1022, 1028, 1029, 1030, 1031}) {
            shown += enabled(id) ? QLatin1Char('1') : QLatin1Char('0');
        }
        EXPECT_EQ(shown, QString::fromLatin1(row.enabled));
        // The shift controls are never disabled; buddy edits are not touched.
        EXPECT_TRUE(enabled(1009) && enabled(1011) && upDown(1015)->edit()->isEnabled());
        if (row.end != 0) {
            // A modal processing offers only its ending item, which returns to nothing selected.
            ASSERT_EQ(button->menu()->actions().size(), 1);
            EXPECT_EQ(button->menu()->actions().front()->data().toInt(), row.end);
            command(row.end);
            EXPECT_EQ(text(1033), kNothing);
        }
        EXPECT_EQ(button->menu(), window().processingMenu(0));
    }
    EXPECT_TRUE(dialogs.messages.empty());
    command(166);
    EXPECT_EQ(text(344), session().elapsedText());
}

TEST_F(Window, BestMatchPutsTheShiftControlsAtTheFoundShift) {
    const QImage first = makePicture(48, 40, 3);
    setOriginals(first, first.copy(3, 2, 48, 40));
    command(150);
    EXPECT_EQ(text(1033), QStringLiteral("水平・垂直比較 RGB"));
    EXPECT_EQ(QPoint(session().shiftH(), session().shiftV()), QPoint(3, 2));
    EXPECT_EQ(text(1008) + text(1010), QStringLiteral("32"));
    EXPECT_FALSE(window().control(1032)->isVisible());
}

TEST_F(Window, ShiftAndAdjustSteps) {
    // Without an image the session refuses every shift step, but the control moves.
    step(1009, +1);
    EXPECT_EQ(text(1008), QStringLiteral("1"));
    EXPECT_EQ(session().shiftH(), 0);
    // One original: the controls go back to 0 with its range; an accepted step with nothing selected
    // runs the dispatcher, which needs both originals.
    session().dropFile(kOriginal1, writePng(QStringLiteral("a.png"), makePicture(40, 30, 1)), false);
    EXPECT_EQ(text(1008), QStringLiteral("0"));
    EXPECT_EQ(upDown(1011)->minimum(), -29);
    step(1011, -1);
    EXPECT_EQ(session().shiftV(), -1);
    EXPECT_EQ(dialogs.messageIds(), std::vector<int>{kMsgNeedBothOriginals});
    // A step to the width is refused: the session keeps its shift.
    session().dropFile(kOriginal2, writePng(QStringLiteral("b.png"), makePicture(40, 30, 2)), false);
    upDown(1009)->edit()->setText(QStringLiteral("39"));
    step(1009, +1);
    EXPECT_EQ(session().shiftH(), 0);
    step(1009, -1);
    EXPECT_EQ(session().shiftH(), 38);

    // The binarising composite runs with 6, and its edit shows it; one step up runs 7.
    command(169);
    EXPECT_EQ(session().adjust1(), 6);
    EXPECT_EQ(text(1015), QStringLiteral("6"));
    step(1016, +1);
    EXPECT_EQ(session().adjust1(), 7);
    EXPECT_EQ(text(1015), QStringLiteral("7"));
    step(1022, +1); // off in this processing
    EXPECT_EQ(text(1021), QStringLiteral("128"));
    // The extraction shows its 64 and 128; the Up key in a buddy steps too (the window's key handling
    // passes arrow keys on).
    command(172);
    EXPECT_EQ(text(1015), QStringLiteral("64"));
    EXPECT_EQ(text(1021), QStringLiteral("128"));
    activateWindow();
    upDown(1021)->edit()->setFocus();
    QTest::keyClick(upDown(1021)->edit(), Qt::Key_Up);
    EXPECT_EQ(session().adjust2(), 129);

    // A typed number is taken with Enter, kept within the range, and runs the processing again.
    QLineEdit* edit = upDown(1015)->edit();
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, QStringLiteral("300"));
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(session().adjust1(), 255);
    EXPECT_EQ(text(1015), QStringLiteral("255"));
    // Leaving the edit takes it too; the shift edits take typed numbers within their range.
    QLineEdit* shift = upDown(1010)->edit();
    shift->setFocus();
    shift->selectAll();
    QTest::keyClicks(shift, QStringLiteral("-7"));
    edit->setFocus();
    EXPECT_EQ(session().shiftV(), -7);
    shift->setFocus();
    shift->selectAll();
    QTest::keyClicks(shift, QStringLiteral("-999"));
    QTest::keyClick(shift, Qt::Key_Return);
    EXPECT_EQ(session().shiftV(), -29);
    EXPECT_EQ(text(1010), QStringLiteral("-29"));
}

// Records the processing that was current whenever the window brought its picture on the screen up to
// date (its repaint request, which paints what changed and puts the window's picture on the screen).
class PaintWatch : public QObject {
public:
    explicit PaintWatch(const ComparisonSession& session) : m_session(session) {}
    std::vector<ProcessingMode> modes;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::UpdateRequest) {
            modes.push_back(m_session.currentProcessing());
        }
        return false;
    }

private:
    const ComparisonSession& m_session;
};

TEST_F(Window, MenuCommandsStartOnceTheWindowHasBeenPaintedAgain) {
    setOriginals(makePicture(40, 30, 1), makePicture(40, 30, 2));
    activateWindow();
    QCoreApplication::processEvents();
    PaintWatch watch(session());
    window().installEventFilter(&watch);
    window().windowHandle()->installEventFilter(&watch);
    window().commandAction(172)->trigger();
    // Choosing the item has only scheduled the work: the menu is gone before it starts.
    EXPECT_EQ(session().currentProcessing(), ProcessingMode::None);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return session().currentProcessing() == ProcessingMode::DifferenceExtraction; }, 2000));
    // The window was brought up to date on the screen before the extraction began.
    ASSERT_FALSE(watch.modes.empty());
    EXPECT_EQ(watch.modes.front(), ProcessingMode::None);
    window().windowHandle()->removeEventFilter(&watch);
    window().removeEventFilter(&watch);
}

TEST_F(Window, ParameterMenusAndTheSplitButtons) {
    setOriginals(makePicture(40, 30, 1), makePicture(40, 30, 2));
    command(168);
    command(124 + 5);
    EXPECT_EQ(session().blendMode(), 5);
    // The blend button's own part advances the mode and its check mark.
    QTest::mouseClick(window().control(1029), Qt::LeftButton, {}, QPoint(4, 4));
    EXPECT_EQ(session().blendMode(), 6);
    EXPECT_TRUE(window().commandAction(130)->isChecked());
    EXPECT_FALSE(window().commandAction(129)->isChecked());
    // The grid button's own part toggles the grid; item 149 carries its state.
    QTest::mouseClick(window().control(1034), Qt::LeftButton, {}, QPoint(4, 4));
    EXPECT_TRUE(session().gridOn() && window().commandAction(149)->isChecked());
    session().setGridPosition({3, 3});
    command(151);
    EXPECT_EQ(session().gridPosition(), QPoint(20, 15));
    command(149);
    EXPECT_FALSE(session().gridOn() || window().commandAction(149)->isChecked());
    // The intersection becomes the visual comparison's point.
    command(155);
    EXPECT_TRUE(session().gridOn());
    EXPECT_EQ(session().visualPoint(), QPoint(20, 15));
    EXPECT_EQ(text(1033), QStringLiteral("目視比較"));
}

TEST_F(Window, QuestionsClearAndSwap) {
    const QString a = writePng(QStringLiteral("a.png"), makePicture(40, 30, 1));
    const QString small = writePng(QStringLiteral("small.png"), makePicture(20, 10, 3));
    session().dropFile(kOriginal1, a, false);
    // A second original of another size asks 30007 with the string table's text; No leaves it unset.
    dialogs.answerOpen(small);
    dialogs.answer(MessageButton::No);
    session().chooseOriginal(kOriginal2);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, stringText(kMsgSizeDiffers));
    EXPECT_EQ(dialogs.messages[0].type, MessageType::YesNo);
    EXPECT_TRUE(session().originalPath(kOriginal2).isEmpty());
    session().dropFile(kOriginal2, writePng(QStringLiteral("b.png"), makePicture(40, 30, 2)), false);
    // Replacing original 1 while both are set asks 30004: Cancel changes nothing.
    dialogs.answer(MessageButton::Cancel);
    session().dropFile(kOriginal1, small, false);
    EXPECT_EQ(dialogs.messages.back().type, MessageType::YesNoCancel);
    EXPECT_EQ(session().originalPath(kOriginal1), a);
    // Preprocessing with the other original showing asks 30009; no wait cursor stays behind.
    dialogs.answer(MessageButton::No);
    session().preprocessOriginal(kOriginal1, Preprocessing::Greyscale, true);
    EXPECT_EQ(dialogs.messageIds().back(), kMsgProcessBoth);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // Swapping keeps the results, the processing and its time.
    command(166);
    const QByteArray result = bytesOf(session().surface(kResult1));
    const QString elapsed = text(344);
    session().swapOriginals();
    EXPECT_EQ(session().originalPath(kOriginal2), a);
    EXPECT_EQ(bytesOf(session().surface(kResult1)), result);
    EXPECT_EQ(text(1033) + text(344), QStringLiteral("ピクセル比較") + elapsed);

    // Clear asks 30003; Yes empties the originals and ends the processing.
    dialogs.answer(MessageButton::No);
    QTest::mouseClick(window().control(1007), Qt::LeftButton);
    EXPECT_TRUE(session().HasBothOriginals());
    dialogs.answer(MessageButton::Yes);
    QTest::mouseClick(window().control(1007), Qt::LeftButton);
    EXPECT_EQ(dialogs.messageIds().back(), kMsgConfirmClear);
    EXPECT_TRUE(session().originalPath(kOriginal1).isEmpty() && session().originalPath(kOriginal2).isEmpty());
    EXPECT_EQ(text(1033), kNothing);
    EXPECT_FALSE(enabled(1030));
}

TEST_F(Window, DocumentModeFromStartToExtraction) {
    setOriginals(makePicture(64, 64, 5), makePicture(64, 64, 6));
    auto* extract = window().control(1023);
    EXPECT_FALSE(extract->isEnabled());
    command(32790);
    // The 50 ms timer steps the drop-invitation frame.
    EXPECT_TRUE(QTest::qWaitFor([this] { return session().documentFramePhase() >= 2; }, 3000));

    // The drop onto original 1 ends the mode, and its timer, and embeds through the save dialog.
    QFile document(path(QStringLiteral("memo.txt")));
    ASSERT_TRUE(document.open(QIODevice::WriteOnly));
    document.write("Corvane のメモ\n");
    document.close();
    const QString carrier = path(QStringLiteral("carrier.png"));
    dialogs.answerSave(carrier, 1);
    dialogs.answer(MessageButton::No); // 30018: do not show the folder
    session().dropFile(kOriginal1, document.fileName(), false);
    EXPECT_FALSE(session().documentModeOn());
    const int phase = session().documentFramePhase();
    QTest::qWait(150);
    EXPECT_EQ(session().documentFramePhase(), phase);
    EXPECT_EQ(dialogs.saveRequests.at(0).first, QStringLiteral("first"));
    EXPECT_EQ(dialogs.messageIds(), std::vector<int>{kMsgEmbedDone});

    // The carrier as original 1 shows the document's name and enables the extraction to the desktop.
    dialogs.answer(MessageButton::No); // 30004: keep original 2
    session().dropFile(kOriginal1, carrier, false);
    EXPECT_EQ(text(345), QStringLiteral("memo.txt"));
    EXPECT_TRUE(extract->isEnabled());
    dialogs.answer(MessageButton::Yes); // 30020
    QTest::mouseClick(extract, Qt::LeftButton);
    // The message says where the document went.
    EXPECT_EQ(dialogs.messages.back().text,
              QDir::toNativeSeparators(QDir(desktop()).filePath(QStringLiteral("memo.txt"))) +
                  QLatin1Char('\n') + stringText(kMsgExtractedToDesktop));
    QFile copied(QDir(desktop()).filePath(QStringLiteral("memo.txt")));
    ASSERT_TRUE(copied.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(copied.readAll()), QStringLiteral("Corvane のメモ\n"));

    // A new original ends a restarted mode as well, and the frame stops with it; a clear empties the field.
    dialogs.answer(MessageButton::Yes); // 30021: replace the embedded document
    command(32790);
    ASSERT_TRUE(session().documentModeOn());
    dialogs.answerOpen(writePng(QStringLiteral("c.png"), makePicture(64, 64, 7)));
    dialogs.answer(MessageButton::No); // 30004
    session().chooseOriginal(kOriginal2);
    EXPECT_FALSE(session().documentModeOn());
    const int stopped = session().documentFramePhase();
    QTest::qWait(150);
    EXPECT_EQ(session().documentFramePhase(), stopped);
    dialogs.answer(MessageButton::Yes);
    session().clearOriginals();
    EXPECT_TRUE(text(345).isEmpty());
    EXPECT_FALSE(extract->isEnabled());
}

TEST_F(Window, AcceleratorsComeBeforeTheFocusedControlAndEscCloses) {
    activateWindow();
    QLineEdit* edit = upDown(1008)->edit();
    edit->setFocus();
    edit->setCursorPosition(0);
    QSignalSpy issued(&window(), &CSorvikDlg::commandIssued);
    QTest::keyClick(edit, Qt::Key_F1);
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClick(edit, Qt::Key_Tab);
    QTest::keyClick(edit, Qt::Key_B, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_D, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_I, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_U, Qt::ControlModifier);
    std::vector<int> ids;
    for (const QList<QVariant>& arguments : issued) {
        ids.push_back(arguments.front().toInt());
    }
    EXPECT_EQ(ids, (std::vector<int>{196, 187, 179, 197, 177, 181, 180, 182}));
    // None of the keys reached the edit: nothing deleted or selected, the focus stayed.
    EXPECT_EQ(edit->text(), QStringLiteral("0"));
    EXPECT_FALSE(edit->hasSelectedText());
    EXPECT_EQ(QApplication::focusWidget(), edit);
    QTest::mouseClick(window().control(1019), Qt::LeftButton); // the help button: as F1
    EXPECT_EQ(issued.back().front().toInt(), 196);

    QTest::keyClick(edit, Qt::Key_Escape);
    EXPECT_FALSE(window().isVisible());
    EXPECT_TRUE(QFileInfo::exists(settingsFile()));
}

TEST_F(Window, CtrlWheelSizesTheHelpTextOnlyWhileThePaneIsShown) {
    store({{"fontRemSize", 9}});
    const auto turn = [this](int delta, Qt::KeyboardModifiers modifiers) {
        AreaView& areas = window().areaView();
        const QPointF at(20, 20);
        QWheelEvent event(at, areas.mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, modifiers,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(&areas, &event);
        return stored("fontRemSize").toInt();
    };
    EXPECT_EQ(turn(120, Qt::ControlModifier), 9); // the pane is hidden: the wheel is not its
    session().setHelpPaneShown(true);
    EXPECT_EQ(turn(120, Qt::NoModifier), 9);
    EXPECT_EQ(turn(120, Qt::ControlModifier), 8); // forward: smaller
    EXPECT_EQ(turn(120, Qt::ControlModifier), 8); // never below 8
    EXPECT_EQ(turn(-120, Qt::ControlModifier), 9);
    store({{"fontRemSize", 100}});
    EXPECT_EQ(turn(-120, Qt::ControlModifier), 100);
}

TEST_F(Window, VisualAndZoomComparisonsTakeTheFocus) {
    activateWindow();
    setOriginals(makePicture(64, 48, 1), makePicture(64, 48, 2));
    QLineEdit* edit = upDown(1008)->edit();
    for (const int processing : {command::kVisual, command::kZoom}) {
        edit->setFocus();
        session().SelectProcessing(processing);
        EXPECT_EQ(QApplication::focusWidget(), &window()) << processing;
        // A shift step runs the processing again: the arrow keys go to the window once more.
        edit->setFocus();
        QTest::keyClick(edit, Qt::Key_Up);
        EXPECT_EQ(QApplication::focusWidget(), &window()) << processing;
        session().ResetProcessing();
    }
}

} // namespace
} // namespace corvane::test
