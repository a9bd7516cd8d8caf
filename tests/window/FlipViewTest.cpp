// Holding Space flips the originals between their areas; the count of differing pixels in the progress
// bar's row after the pixel comparison.

#include "app/window/FlipView.h"
#include "app/window/AreaView.h"
#include "app/window/DialogControls.h"
#include "app/window/DifferenceCountLabel.h"
#include "app/window/WatermarkEditor.h"
#include "tests/window/WindowTestSupport.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>

namespace corvane::test {
namespace {

QImage solid(QSize size, QRgb colour) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

const QRgb kFirst = qRgb(200, 40, 40);
const QRgb kSecond = qRgb(30, 60, 210);

class Flip : public WindowFixture {
protected:
    void SetUp() override {
        WindowFixture::SetUp();
        makeWindow();
        ASSERT_NO_FATAL_FAILURE(activateWindow());
    }

    AreaView& areas() { return window().areaView(); }
    // The key as the keyboard sends it: to the focus widget, or to the window when none has the focus.
    void key(QEvent::Type type, bool autoRepeat = false, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QWidget* focus = QApplication::focusWidget();
        QKeyEvent event(type, FlipView::kKey, modifiers, QStringLiteral(" "), autoRepeat);
        QApplication::sendEvent(focus != nullptr ? focus : &window(), &event);
    }
    // The colour at the centre of area k's picture as painted now.
    QRgb centre(int area) {
        const QImage shot = areas().grab().toImage();
        return shot.pixel(areas().areaGeometry().pictures[static_cast<std::size_t>(area)].center()) &
               0xFFFFFFu;
    }
    DifferenceCountLabel& countLabel() { return *window().findChild<DifferenceCountLabel*>(); }
};

TEST_F(Flip, HeldSpaceShowsEachOriginalInTheOthersArea) {
    setOriginals(solid({64, 48}, kFirst), solid({64, 48}, kSecond));
    areas().setFocus();
    ASSERT_EQ(centre(kOriginal1), kFirst & 0xFFFFFFu);
    ASSERT_EQ(centre(kOriginal2), kSecond & 0xFFFFFFu);

    key(QEvent::KeyPress);
    EXPECT_TRUE(areas().originalsFlipped());
    EXPECT_EQ(areas().originalShownIn(kOriginal1), kOriginal2);
    EXPECT_EQ(areas().originalShownIn(kOriginal2), kOriginal1);
    EXPECT_EQ(centre(kOriginal1), kSecond & 0xFFFFFFu);
    EXPECT_EQ(centre(kOriginal2), kFirst & 0xFFFFFFu);
    // Held: the keyboard repeats press and release pairs, which change nothing.
    for (int i = 0; i < 3; ++i) {
        key(QEvent::KeyRelease, true);
        key(QEvent::KeyPress, true);
    }
    EXPECT_TRUE(areas().originalsFlipped());
    key(QEvent::KeyRelease);
    EXPECT_FALSE(areas().originalsFlipped());
    EXPECT_EQ(centre(kOriginal1), kFirst & 0xFFFFFFu);
    EXPECT_EQ(centre(kOriginal2), kSecond & 0xFFFFFFu);

    // An auto-repeated press alone (the key was pressed before the window had it) does not flip.
    key(QEvent::KeyPress, true);
    EXPECT_FALSE(areas().originalsFlipped());
    key(QEvent::KeyRelease);
    // With Ctrl it is no flip either.
    key(QEvent::KeyPress, false, Qt::ControlModifier);
    EXPECT_FALSE(areas().originalsFlipped());
    key(QEvent::KeyRelease, false, Qt::ControlModifier);

    // Losing the window's activation flips back, since the release may go elsewhere.
    key(QEvent::KeyPress);
    ASSERT_TRUE(areas().originalsFlipped());
    QEvent deactivate(QEvent::WindowDeactivate);
    QApplication::sendEvent(&window(), &deactivate);
    EXPECT_FALSE(areas().originalsFlipped());
}

TEST_F(Flip, OriginalTwoKeepsItsShiftInEitherArea) {
    setOriginals(solid({64, 48}, kFirst), solid({64, 48}, kSecond));
    step(1009, 1);
    areas().setFocus();
    const auto leftEdge = [this](int area) {
        const QRect& picture = areas().areaGeometry().pictures[static_cast<std::size_t>(area)];
        return areas().grab().toImage().pixel(picture.left(), picture.center().y()) & 0xFFFFFFu;
    };
    // Moved right, original 2 leaves its picture's left edge to the background.
    ASSERT_EQ(leftEdge(kOriginal1), kFirst & 0xFFFFFFu);
    ASSERT_NE(leftEdge(kOriginal2), kSecond & 0xFFFFFFu);
    key(QEvent::KeyPress);
    EXPECT_NE(leftEdge(kOriginal1), kSecond & 0xFFFFFFu);
    EXPECT_EQ(centre(kOriginal1), kSecond & 0xFFFFFFu);
    EXPECT_EQ(leftEdge(kOriginal2), kFirst & 0xFFFFFFu);
    key(QEvent::KeyRelease);
}

TEST_F(Flip, NoFlipInTextInputsOrWithoutBothOriginals) {
    session().dropFile(kOriginal1, writePng(QStringLiteral("only.png"), solid({64, 48}, kFirst)), false);
    areas().setFocus();
    key(QEvent::KeyPress);
    EXPECT_FALSE(areas().originalsFlipped());
    key(QEvent::KeyRelease);

    setOriginals(solid({64, 48}, kFirst), solid({64, 48}, kSecond));
    // The number edits take Space as text.
    auto* shift = qobject_cast<UpDownControl*>(window().control(1008));
    ASSERT_NE(shift, nullptr);
    shift->edit()->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), shift->edit());
    key(QEvent::KeyPress);
    EXPECT_FALSE(areas().originalsFlipped());
    key(QEvent::KeyRelease);

    // In the watermark mode original 2's area is the texts' view, no original.
    areas().setFocus();
    session().SelectProcessing(command::kWatermark);
    ASSERT_TRUE(session().watermarkModeOn());
    window().areaView().watermarkEditor().commitEdit(true);
    areas().setFocus();
    key(QEvent::KeyPress);
    EXPECT_FALSE(areas().originalsFlipped());
    key(QEvent::KeyRelease);
}

TEST_F(Flip, ThePixelComparisonsCountShowsInTheProgressRow) {
    QImage changed = solid({64, 48}, kFirst);
    for (int x = 0; x < 10; ++x) {
        changed.setPixel(x, 7, qRgb(0, 0, 0));
    }
    setOriginals(solid({64, 48}, kFirst), changed);
    EXPECT_TRUE(differenceCountText(session()).isEmpty());
    EXPECT_FALSE(countLabel().isVisible());

    command(command::kPixel);
    EXPECT_EQ(countLabel().text(), QStringLiteral("相違 10 / 3,072 画素（0.326 %）"));
    EXPECT_TRUE(countLabel().isVisible());
    // In the progress bar's row, and hidden while the bar shows.
    EXPECT_EQ(countLabel().geometry().bottom(), window().control(1032)->geometry().bottom());
    window().showProgress(1, 4);
    EXPECT_FALSE(countLabel().isVisible());
    window().showProgress(0, 0);
    EXPECT_TRUE(countLabel().isVisible());

    // A shift re-runs the comparison over the new overlap.
    step(1009, 1);
    EXPECT_EQ(countLabel().text(), QStringLiteral("相違 10 / 3,024 画素（0.331 %）"));
    // Another processing or a reset takes the count away.
    command(command::kComposite);
    EXPECT_FALSE(countLabel().isVisible());
    command(command::kPixelAfterEdges);
    EXPECT_TRUE(countLabel().text().startsWith(QStringLiteral("相違 10 / 3,024 画素")));
    session().ResetProcessing();
    EXPECT_TRUE(countLabel().text().isEmpty());
    EXPECT_FALSE(countLabel().isVisible());
}

} // namespace
} // namespace corvane::test
