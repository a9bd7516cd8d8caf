// Editing the watermark texts in the main window: the in-place editor, the pointer gestures, the keys,
// the context menus, the style controls and the painting of the watermark view.

#include "app/window/AreaView.h"
#include "app/window/CMyEdit.h"
#include "app/window/DialogControls.h"
#include "app/window/WatermarkEditor.h"
#include "res/Strings.h"
#include "tests/window/WindowTestSupport.h"
#include "watermark/WatermarkSettings.h"

#include <QAction>
#include <QApplication>
#include <QFontComboBox>
#include <QMenu>
#include <QTest>

namespace corvane::test {
namespace {

// Command ids of the watermark menus.
constexpr int kEditText = 176;
constexpr int kBold = 177;
constexpr int kAdd = 178;
constexpr int kDelete = 179;
constexpr int kEndMode = 175;

QAction* findAction(const QMenu& menu, int id) {
    for (QAction* action : menu.actions()) {
        if (action->data().toInt() == id) {
            return action;
        }
    }
    return nullptr;
}

class WatermarkWindow : public WindowFixture {
protected:
    void SetUp() override {
        WindowFixture::SetUp();
        makeWindow();
        window().resize(1000, 700);
        ASSERT_NO_FATAL_FAILURE(activateWindow());
        // 400 × 300 images: original 2's picture shows them at a scale below 1.
        setOriginals(makePicture(400, 300, 1), makePicture(400, 300, 2));
        command(command::kWatermark);
        ASSERT_TRUE(session().watermarkModeOn());
    }

    AreaView& areas() { return window().areaView(); }
    WatermarkEditor& editor() { return areas().watermarkEditor(); }
    const WatermarkList& texts() { return session().watermarks(); }
    WatermarkView view() {
        const AreaGeometry& geometry = areas().areaGeometry();
        return {geometry.pictures[kOriginal2], geometry.scale};
    }
    QRect screenBox(int i) { return view().toScreen(texts().text(i).box()); }
    QPoint inPicture(int x, int y) { return view().picture.topLeft() + QPoint(x, y); }

    void press(QPoint point, Qt::KeyboardModifiers keys = {}) {
        QTest::mousePress(&areas(), Qt::LeftButton, keys, point);
    }
    void moveTo(QPoint point) {
        // QTest's move carries no button state for widgets; a move event with the left button held does.
        QMouseEvent event(QEvent::MouseMove, point, areas().mapToGlobal(point), Qt::NoButton, Qt::LeftButton,
                          Qt::NoModifier);
        QApplication::sendEvent(&areas(), &event);
    }
    void release(QPoint point) { QTest::mouseRelease(&areas(), Qt::LeftButton, {}, point); }
    void drag(QPoint from, QPoint to) {
        press(from);
        moveTo((from + to) / 2);
        moveTo(to);
        release(to);
    }
    // Commits the edit opened by the mode's start with a click on an empty place of the picture.
    void commitStartEdit() {
        ASSERT_TRUE(editor().isEditing());
        const QPoint empty = inPicture(5, 5);
        press(empty);
        release(empty);
        ASSERT_FALSE(editor().isEditing());
    }
    bool styleShown() { return window().control(1036)->isVisible(); }
    QByteArray resultBytes() {
        const auto bits = session().surface(kResult1).bits();
        return QByteArray(reinterpret_cast<const char*>(bits.data()), static_cast<qsizetype>(bits.size()));
    }
};

TEST_F(WatermarkWindow, TheModeStartsEditingANewTextAndTheEditBoxOwnsTheKeys) {
    ASSERT_TRUE(editor().isEditing());
    CMyEdit* edit = editor().editBox();
    EXPECT_EQ(edit->toPlainText(), QStringLiteral("透かし文字"));
    EXPECT_EQ(edit->geometry(), screenBox(0));
    EXPECT_EQ(QApplication::focusWidget(), edit);
    EXPECT_TRUE(window().control(1038)->isVisible());
    EXPECT_FALSE(styleShown());

    // Delete and Ctrl+A edit the text instead of deleting or selecting texts.
    edit->moveCursor(QTextCursor::Start);
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    edit->insertPlainText(QStringLiteral("社外秘"));
    QTest::keyClick(edit, Qt::Key_Return);
    QTest::keyClicks(edit, QStringLiteral("copy"));
    // An arrow key moves the caret, not the text.
    const QRect before = texts().text(0).box();
    QTest::keyClick(edit, Qt::Key_Left);
    EXPECT_EQ(texts().text(0).box(), before);
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(texts().count(), 1);

    commitStartEdit();
    EXPECT_EQ(texts().text(0).textString(), QStringLiteral("社外秘\r\ncopy"));
    EXPECT_EQ(texts().text(0).box(), before);
    // Now the accelerators act on the texts again.
    dialogs.answer(MessageButton::No);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Delete);
    EXPECT_EQ(dialogs.messageIds(), std::vector<int>{kMsgDeleteWatermark});
}

TEST_F(WatermarkWindow, AnEditWithCharactersFilesCannotHoldStaysOpen) {
    CMyEdit* edit = editor().editBox();
    edit->setPlainText(QStringLiteral("𠮷野家"));
    const QPoint empty = inPicture(5, 5);
    press(empty);
    release(empty);
    EXPECT_EQ(dialogs.messageIds(), std::vector<int>{kMsgWatermarkUnencodable});
    ASSERT_TRUE(editor().isEditing());
    EXPECT_EQ(texts().text(0).textString(), QStringLiteral("透かし文字"));
    edit->setPlainText(QStringLiteral("吉野家"));
    press(empty);
    release(empty);
    EXPECT_FALSE(editor().isEditing());
    EXPECT_EQ(texts().text(0).textString(), QStringLiteral("吉野家"));
}

TEST_F(WatermarkWindow, AClickSelectsAndShowsTheStyleAndADragMovesAndRecomposes) {
    commitStartEdit();
    EXPECT_FALSE(styleShown());
    const QRect box = texts().text(0).box();
    const QPoint grab = screenBox(0).center();
    const QByteArray composed = resultBytes();
    const int wholeCopies = areas().scaledCopyCount(kResult1);
    drag(grab, grab + QPoint(20, 10));
    EXPECT_TRUE(styleShown());
    EXPECT_EQ(text(1012), QStringLiteral("36"));
    // The text's face is shown by its name, also where the system draws it with a substitute.
    EXPECT_EQ(qobject_cast<QFontComboBox*>(window().control(1035))->currentText(),
              texts().text(0).faceName());
    EXPECT_EQ(texts().current(), 0);
    const QRect moved = texts().text(0).box();
    EXPECT_EQ(moved.size(), box.size());
    EXPECT_EQ(moved.topLeft(), view().toImage(view().toScreen(box).topLeft() + QPoint(20, 10)));
    EXPECT_NE(resultBytes(), composed);
    // The results' scaled copies, made again only where the drag changed them, show what whole ones do.
    EXPECT_EQ(areas().scaledCopyCount(kResult1), wholeCopies);
    const QImage shown = areas().grab().toImage();
    areas().redrawPictures(redraw::kAll);
    EXPECT_EQ(areas().grab().toImage(), shown);

    // The style controls act on the selected text.
    const int copiesBeforeStyle = areas().scaledCopyCount(kResult2);
    step(1014, +1);
    EXPECT_EQ(texts().text(0).size, 37);
    EXPECT_EQ(areas().scaledCopyCount(kResult2), copiesBeforeStyle);
    step(1018, -1);
    EXPECT_EQ(texts().text(0).shadow, -1);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_B, Qt::ControlModifier);
    EXPECT_EQ(texts().text(0).bold, 1);
    // The arrow keys move it by the step in image pixels.
    const QRect beforeKey = texts().text(0).box();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Left, Qt::ControlModifier);
    EXPECT_EQ(texts().text(0).box(), beforeKey.translated(-view().lengthToImage(1), 0));
}

TEST_F(WatermarkWindow, HandlesResizeOnlyToOutlinesTheyAccepted) {
    commitStartEdit();
    const QPoint centre = screenBox(0).center();
    press(centre);
    release(centre);
    const QRect screen = screenBox(0);
    const QPoint corner(screen.x() + screen.width() + 2, screen.y() + screen.height() + 2); // handle 2
    const QRect box = texts().text(0).box();
    // A press and release on a handle without a move changes nothing.
    press(corner);
    release(corner);
    EXPECT_EQ(texts().text(0).box(), box);
    // Outlines of 9 pixels or less are not taken; the last accepted one is.
    press(corner);
    moveTo(QPoint(screen.x() + 40, screen.y() + 30));
    moveTo(QPoint(screen.x() + 5, screen.y() + 5));
    release(QPoint(screen.x() + 5, screen.y() + 5));
    EXPECT_EQ(texts().text(0).box(), view().toImage(QRect(screen.topLeft(), QSize(40, 30))));
}

TEST_F(WatermarkWindow, TheBandSelectsTheTextsInsideAndHidesTheStyle) {
    commitStartEdit();
    const QPoint centre = screenBox(0).center();
    press(centre);
    release(centre);
    ASSERT_TRUE(styleShown());
    const QRect screen = screenBox(0);
    // A band of 10 × 10 pixels selects nothing.
    drag(inPicture(1, 1), inPicture(11, 11));
    EXPECT_FALSE(styleShown());
    EXPECT_EQ(texts().selectedCount(), 0);
    EXPECT_EQ(texts().current(), -1);
    drag(screen.topLeft() - QPoint(3, 3), screen.bottomRight() + QPoint(3, 3));
    EXPECT_EQ(texts().selectedCount(), 1);
    EXPECT_EQ(texts().current(), 0);
}

TEST_F(WatermarkWindow, ADoubleClickEditsAndAResizeCommits) {
    commitStartEdit();
    const QPoint centre = screenBox(0).center();
    QTest::mouseDClick(&areas(), Qt::LeftButton, {}, centre);
    ASSERT_TRUE(editor().isEditing());
    EXPECT_EQ(texts().editing(), 0);
    EXPECT_EQ(texts().selectedCount(), 1);
    editor().editBox()->setPlainText(QStringLiteral("改"));
    window().resize(1100, 760);
    QCoreApplication::processEvents();
    EXPECT_FALSE(editor().isEditing());
    EXPECT_EQ(texts().text(0).textString(), QStringLiteral("改"));
}

TEST_F(WatermarkWindow, ContextMenusOfTheTextsAndOfTheView) {
    commitStartEdit();
    // A text under the pointer: its menu, with the current text's styles checked.
    std::unique_ptr<QMenu> menu = areas().makeContextMenu(screenBox(0).center());
    ASSERT_NE(menu, nullptr);
    for (const int id : {kEditText, kBold, 180, 181, 182, kDelete}) {
        EXPECT_NE(findAction(*menu, id), nullptr) << id;
    }
    findAction(*menu, kBold)->trigger();
    menu = areas().makeContextMenu(screenBox(0).center());
    EXPECT_TRUE(findAction(*menu, kBold)->isChecked());
    findAction(*menu, kEditText)->trigger();
    EXPECT_TRUE(editor().isEditing());
    commitStartEdit();

    // Elsewhere in original 2's frame: the view's menu; adding puts a text at the clicked point.
    const QPoint point = inPicture(60, 40);
    menu = areas().makeContextMenu(point);
    ASSERT_NE(menu, nullptr);
    findAction(*menu, kAdd)->trigger();
    ASSERT_EQ(texts().count(), 2);
    EXPECT_EQ(texts().text(1).box().center(), view().toImage(point) - QPoint(1, 1));
    // Ending the mode from the menu hides the style controls and stores the texts.
    QTest::mouseClick(&areas(), Qt::LeftButton, {}, screenBox(1).center());
    EXPECT_TRUE(styleShown());
    menu = areas().makeContextMenu(inPicture(2, 2));
    findAction(*menu, kEndMode)->trigger();
    EXPECT_FALSE(session().watermarkModeOn());
    EXPECT_FALSE(styleShown());
    EXPECT_FALSE(window().control(1038)->isVisible());
    EXPECT_EQ(storedWatermarkCount(settings), 2);
}

TEST_F(WatermarkWindow, ClosingWhileEditingStoresWhatWasTyped) {
    editor().editBox()->setPlainText(QStringLiteral("閉じる前"));
    window().close();
    EXPECT_EQ(settings.readString(QStringLiteral("Obj"), QStringLiteral("Text0")),
              QStringLiteral("閉じる前"));
}

TEST_F(WatermarkWindow, TheViewPaintsTheTextsAndTheSelectionOutline) {
    commitStartEdit();
    QTest::mouseClick(&areas(), Qt::LeftButton, {}, screenBox(0).center());
    const QImage shot = areas().grab().toImage();
    const QRect screen = screenBox(0);
    // Grey text on the white background inside the box; a red dotted outline 2 pixels outside it.
    int grey = 0;
    for (int y = screen.top(); y <= screen.bottom(); ++y) {
        for (int x = screen.left(); x <= screen.right(); ++x) {
            const QRgb pixel = shot.pixel(x, y) & 0xFFFFFFu;
            grey +=
                pixel != 0xFFFFFFu && qRed(pixel) == qGreen(pixel) && qGreen(pixel) == qBlue(pixel) ? 1 : 0;
        }
    }
    EXPECT_GT(grey, 20);
    int red = 0;
    for (int x = screen.left(); x < screen.right(); ++x) {
        red += (shot.pixel(x, screen.top() - 2) & 0xFFFFFFu) == 0xFF0000u ? 1 : 0;
    }
    EXPECT_GT(red, screen.width() / 4);
}

} // namespace
} // namespace corvane::test
