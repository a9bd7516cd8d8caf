// The zoom comparison's magnifier window in the main window: shown and hidden with the mode, what it
// paints, its keys, menu and dragging, and its placement.

#include "tests/window/WindowTestSupport.h"

#include "app/window/AreaView.h"
#include "app/window/CNaviDlg.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QScreen>
#include <QSettings>
#include <QTest>

namespace corvane::test {
namespace {

constexpr QRgb kLeft = 0xC80000;
constexpr QRgb kRight = 0x0000C8;

QImage halves(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(kRight);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width / 2; ++x) {
            image.setPixel(x, y, kLeft | 0xFF000000u);
        }
    }
    return image;
}

class Magnifier : public WindowFixture {
protected:
    void SetUp() override {
        WindowFixture::SetUp();
        makeWindow();
        window().show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window()));
    }
    CNaviDlg& navi() { return window().navi(); }
    // Starts the zoom comparison on two halves pictures of 200 × 100 (or only original 1).
    void startZoom(bool both = true) {
        session().dropFile(kOriginal1, writePng(QStringLiteral("one.png"), halves(200, 100)), false);
        if (both) {
            session().dropFile(kOriginal2, writePng(QStringLiteral("two.png"), halves(200, 100)), false);
        }
        window().areaView().grab();
        session().SelectProcessing(command::kZoom);
        ASSERT_TRUE(session().zoomModeOn());
    }
    QRgb shown(QPoint point) { return navi().grab().toImage().pixel(point) & 0xFFFFFFu; }
    void key(QWidget* widget, Qt::Key key) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(widget, &press);
    }
    void mouse(QEvent::Type type, QPoint local, QPoint global, Qt::MouseButton button) {
        QMouseEvent event(type, local, global, button, type == QEvent::MouseMove ? Qt::LeftButton : button,
                          Qt::NoModifier);
        QApplication::sendEvent(&navi(), &event);
    }
};

TEST_F(Magnifier, ShownWhileTheZoomComparisonRuns) {
    EXPECT_FALSE(navi().isVisible());
    startZoom();
    EXPECT_TRUE(navi().isVisible());
    // The main window keeps the keyboard (its arrow keys move the frame).
    EXPECT_EQ(QApplication::focusWidget(), &window());
    session().ResetProcessing();
    EXPECT_FALSE(navi().isVisible());
    EXPECT_TRUE(session().zoomFrame().isEmpty());

    // Esc in the magnifier ends the comparison; so does its menu's item.
    session().SelectProcessing(command::kZoom);
    ASSERT_TRUE(navi().isVisible());
    key(&navi(), Qt::Key_Escape);
    EXPECT_FALSE(session().zoomModeOn() || navi().isVisible());
    EXPECT_EQ(text(1033), noProcessingCaption());
    session().SelectProcessing(command::kZoom);
    std::unique_ptr<QMenu> menu = navi().makeContextMenu();
    ASSERT_EQ(menu->actions().size(), 3); // two items and a separator
    EXPECT_EQ(menu->actions()[0]->data().toInt(), 197);
    EXPECT_EQ(menu->actions()[2]->data().toInt(), 194);
    menu->actions()[2]->trigger();
    EXPECT_FALSE(session().zoomModeOn() || navi().isVisible());
    // Closed by the desktop: the same.
    session().SelectProcessing(command::kZoom);
    navi().close();
    EXPECT_FALSE(session().zoomModeOn() || navi().isVisible());
}

TEST_F(Magnifier, PaintsTheFramedPartFittedAndOriginalTwoAtTheShift) {
    startZoom();
    navi().resize(200, 200);
    // A 100 × 50 frame across the halves' border (x = 100): 200 × 100 at 50 pixels from the top.
    session().setZoomFrame(kOriginal1, QRect(30, 20, 100, 50));
    EXPECT_EQ(shown({100, 20}), 0xFFFFFFu);
    EXPECT_EQ(shown({100, 180}), 0xFFFFFFu);
    EXPECT_EQ(shown({20, 100}), kLeft);
    EXPECT_EQ(shown({135, 100}), kLeft);
    EXPECT_EQ(shown({145, 100}), kRight);

    // Original 2 is read 10 pixels further right: the border comes 20 window pixels earlier.
    session().setShift(10, 0);
    window().runCommand(197);
    ASSERT_EQ(session().zoomTarget(), kOriginal2);
    EXPECT_EQ(shown({115, 100}), kLeft);
    EXPECT_EQ(shown({125, 100}), kRight);

    // The frame dragged beyond the picture (or a shift) may reach outside the image: white there.
    session().setZoomFrame(kOriginal2, QRect(150, 20, 100, 50));
    EXPECT_EQ(shown({50, 100}), kRight);
    EXPECT_EQ(shown({190, 100}), 0xFFFFFFu);
    // No frame: the whole image.
    session().setZoomFrame(kOriginal1, QRect());
    EXPECT_EQ(shown({100, 20}), 0xFFFFFFu);
    EXPECT_EQ(shown({20, 100}), kLeft);
    EXPECT_EQ(shown({180, 100}), kRight);
}

TEST_F(Magnifier, FollowsTheFrameAndTheTargetLive) {
    startZoom();
    QCoreApplication::processEvents();
    const int before = navi().paints();
    // The frame moved by an arrow key: the magnifier paints again, once.
    window().areaView().arrowKey(10, 0);
    QTRY_COMPARE_WITH_TIMEOUT(navi().paints(), before + 1, 2000);
    // A repaint of the areas that changes nothing it shows does not repaint it.
    window().areaView().repaint();
    QCoreApplication::processEvents();
    EXPECT_EQ(navi().paints(), before + 1);
    // Tab in the magnifier switches the target.
    key(&navi(), Qt::Key_Tab);
    EXPECT_EQ(session().zoomTarget(), kOriginal2);
    QTRY_COMPARE_WITH_TIMEOUT(navi().paints(), before + 2, 2000);
}

TEST_F(Magnifier, TabDoesNothingWithOnlyOriginalOne) {
    startZoom(false);
    key(&navi(), Qt::Key_Tab);
    EXPECT_EQ(session().zoomTarget(), kOriginal1);
    EXPECT_TRUE(navi().isVisible());
}

TEST_F(Magnifier, DraggedByItsClientAreaWithinTheScreen) {
    startZoom();
    navi().move(300, 300);
    const QRect desktop = navi().screen()->availableGeometry();
    mouse(QEvent::MouseButtonPress, {50, 40}, {350, 340}, Qt::LeftButton);
    EXPECT_EQ(navi().cursor().shape(), Qt::SizeAllCursor);
    mouse(QEvent::MouseMove, {60, 45}, {360, 345}, Qt::NoButton);
    EXPECT_EQ(navi().pos(), QPoint(310, 305));
    // Far beyond the screen: kept on it.
    mouse(QEvent::MouseMove, QPoint(9000, -500) - navi().pos(), {9000, -500}, Qt::NoButton);
    EXPECT_EQ(navi().pos(), QPoint(desktop.right() + 1 - navi().width(), desktop.top()));
    mouse(QEvent::MouseButtonRelease, {50, 40}, {9000, -500}, Qt::LeftButton);
    // Its edges size it.
    const QSize size = navi().size();
    const QPoint corner(size.width() - 1, size.height() - 1);
    const QPoint global = navi().pos() + corner;
    mouse(QEvent::MouseButtonPress, corner, global, Qt::LeftButton);
    mouse(QEvent::MouseMove, corner, global + QPoint(-30, 20), Qt::NoButton);
    mouse(QEvent::MouseButtonRelease, corner, global + QPoint(-30, 20), Qt::LeftButton);
    EXPECT_EQ(navi().size(), size + QSize(-30, 20));
}

TEST_F(Magnifier, PlacedCentredOnFirstRunAndPulledBackOnTheScreen) {
    // First run: centred on the main window.
    window().restoreSession();
    const QPoint centre = navi().geometry().center();
    EXPECT_NEAR(centre.x(), window().frameGeometry().center().x(), 1);
    EXPECT_NEAR(centre.y(), window().frameGeometry().center().y(), 1);
    const QSize initial = navi().size();

    // A saved place beyond the right edge: flush with it, at the saved size.
    QSettings file(QStringLiteral("Pellucora"), QStringLiteral("Corvane"));
    file.setValue(QStringLiteral("Navi/LastPX"), 5000);
    file.setValue(QStringLiteral("Navi/LastPY"), 30);
    file.setValue(QStringLiteral("Navi/LastSX"), 300);
    file.setValue(QStringLiteral("Navi/LastSY"), 240);
    file.sync();
    makeWindow().restoreSession();
    const QRect desktop = navi().screen()->availableGeometry();
    EXPECT_EQ(navi().geometry(), QRect(desktop.right() + 1 - 300, 30, 300, 240));
    EXPECT_FALSE(navi().isVisible());

    // Closing the window saves the magnifier's place and size.
    navi().setGeometry(120, 80, 260, 180);
    window().show();
    window().close();
    QSettings saved(QStringLiteral("Pellucora"), QStringLiteral("Corvane"));
    EXPECT_EQ(saved.value(QStringLiteral("Navi/LastPX")).toInt(), 120);
    EXPECT_EQ(saved.value(QStringLiteral("Navi/LastPY")).toInt(), 80);
    EXPECT_EQ(saved.value(QStringLiteral("Navi/LastSX")).toInt(), 260);
    EXPECT_EQ(saved.value(QStringLiteral("Navi/LastSY")).toInt(), 180);
    EXPECT_GT(initial.width(), 40);
}

} // namespace
} // namespace corvane::test
