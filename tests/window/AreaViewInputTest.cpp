// The pointer, the context menus, dropped files and the arrow keys of the image areas.

#include "app/window/DialogControls.h"
#include "tests/window/AreaTestSupport.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QTest>
#include <QUrl>

namespace corvane::test {
namespace {

constexpr QRgb kLeft = 0xFF4000; // two halves that differ in every channel
constexpr QRgb kRight = 0x00C8FF;

QAction* findAction(const QMenu& menu, int command) {
    for (QAction* action : menu.actions()) {
        QAction* found = action->menu() != nullptr           ? findAction(*action->menu(), command)
                         : action->data().toInt() == command ? action
                                                             : nullptr;
        if (found != nullptr) {
            return found;
        }
    }
    return nullptr;
}

class AreaInputTest : public AreaView32Fixture {
protected:
    // Drops `urls` at `point` and lets the view take the file.
    bool drop(const QList<QUrl>& urls, QPoint point) {
        QMimeData data;
        data.setUrls(urls);
        QDragEnterEvent enter(point, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view.get(), &enter);
        QDropEvent event(QPointF(point), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view.get(), &event);
        QCoreApplication::processEvents();
        return enter.isAccepted();
    }
    QAction* action(QPoint point, int command) {
        m_menu = view->makeContextMenu(point);
        return findAction(*m_menu, command);
    }
    void command(QPoint point, int id) {
        action(point, id)->trigger();
        // Menu commands start from the event loop, once the window has been painted.
        ASSERT_TRUE(QTest::qWaitFor([] { return pendingAfterRepaint() == 0; }, 2000));
    }
    QPoint centre(int area) const { return geometry().frames[static_cast<std::size_t>(area)].center(); }
    void setBoth() {
        setOriginal(kOriginal1, halves(QSize(200, 100), kLeft, kRight), QStringLiteral("a.png"));
        setOriginal(kOriginal2, halves(QSize(200, 100), kLeft, kRight), QStringLiteral("b.png"));
        grabbed();
    }
    // A pointer move without a button (QTest would move the real cursor for it).
    Qt::CursorShape hover(QPoint point) {
        QMouseEvent event(QEvent::MouseMove, point, view->mapToGlobal(point), Qt::NoButton, Qt::NoButton,
                          Qt::NoModifier);
        QApplication::sendEvent(view.get(), &event);
        return view->cursor().shape();
    }
    void drag(QPoint from, QPoint to) {
        QTest::mousePress(view.get(), Qt::LeftButton, {}, from);
        QTest::mouseMove(view.get(), to);
        QTest::mouseRelease(view.get(), Qt::LeftButton, {}, to);
    }

private:
    std::unique_ptr<QMenu> m_menu;
};

TEST_F(AreaInputTest, DropsSetTheOriginalOfTheFrameHit) {
    // 100 × 100 images in 200 × 100 frames leave margins beside the pictures.
    const QImage square = halves(QSize(100, 100), kLeft, kRight);
    const QString first = writePng(QStringLiteral("first.png"), square);
    const QString second = writePng(QStringLiteral("second.png"), square);
    EXPECT_TRUE(drop({QUrl::fromLocalFile(first)}, centre(kOriginal1)));
    EXPECT_EQ(session->originalPath(kOriginal1), first);
    const QPoint margin = geometry().frames[kOriginal2].topLeft() + QPoint(10, 50);
    ASSERT_EQ(geometry().originalAt(margin), -1);
    drop({QUrl::fromLocalFile(second), QUrl::fromLocalFile(first)}, margin);
    EXPECT_EQ(session->originalPath(kOriginal2), second);

    // A path longer than 254 characters is taken whole.
    QString deep = folder->path();
    while (deep.size() < 300) {
        deep += QStringLiteral("/a-folder-name-of-some-length");
    }
    ASSERT_TRUE(QDir().mkpath(deep));
    const QString longPath = writePng(deep.mid(folder->path().size() + 1) + QStringLiteral("/x.png"), square);
    host.answer(MessageButton::No); // replace original 2 without clearing original 1
    drop({QUrl::fromLocalFile(longPath)}, centre(kOriginal2));
    EXPECT_EQ(session->originalPath(kOriginal2), longPath);

    // Results, the gaps, folders and files that are not local are ignored.
    const QString third = writePng(QStringLiteral("third.png"), square);
    for (const QPoint p : {centre(kResult1), centre(kResult2), QPoint(203, 50)}) {
        drop({QUrl::fromLocalFile(third)}, p);
    }
    drop({QUrl::fromLocalFile(folder->path())}, centre(kOriginal1));
    EXPECT_FALSE(drop({QUrl(QStringLiteral("https://example.org/x.png"))}, centre(kOriginal1)));
    EXPECT_EQ(session->originalPath(kOriginal1), first);
    EXPECT_EQ(session->originalPath(kOriginal2), longPath);
    EXPECT_EQ(host.messageIds(), std::vector<int>{30004});
}

TEST_F(AreaInputTest, OriginalMenuStatesAndCommands) {
    // "Set here" outside every frame does nothing: the chosen file is left for the next command.
    const QString path2 = writePng(QStringLiteral("b.png"), halves(QSize(200, 100), kLeft, kRight));
    host.answerOpenDialog(path2);
    EXPECT_FALSE(action(QPoint(203, 50), 203)->isEnabled());
    command(QPoint(203, 50), 101);
    EXPECT_EQ(view->clickedArea(), -1);
    EXPECT_TRUE(session->originalPath(kOriginal1).isEmpty());
    command(centre(kOriginal2), 101);
    ASSERT_EQ(session->originalPath(kOriginal2), path2);
    setOriginal(kOriginal1, halves(QSize(200, 100), kLeft, kRight), QStringLiteral("a.png"));
    grabbed();
    EXPECT_TRUE(action(centre(kOriginal1), 203)->isEnabled());

    // Greyscale on original 1 while original 2 shows its image: asked; No processes original 1 only.
    host.answer(MessageButton::No);
    command(centre(kOriginal1), 164);
    EXPECT_EQ(host.messageIds(), std::vector<int>{30009});
    const QRgb grey = surfacePixel(kOriginal1, 10, 10);
    EXPECT_TRUE(qRed(grey) == qGreen(grey) && qGreen(grey) == qBlue(grey));
    EXPECT_EQ(surfacePixel(kOriginal2, 10, 10), kLeft);
    // Blur on original 2 with Yes: both; reload undoes it for the clicked original.
    const QRgb edge1 = surfacePixel(kOriginal1, 100, 50);
    host.answer(MessageButton::Yes);
    command(centre(kOriginal2), 158);
    EXPECT_NE(surfacePixel(kOriginal2, 100, 50), kRight);
    EXPECT_NE(surfacePixel(kOriginal1, 100, 50), edge1);
    host.answer(MessageButton::No);
    command(centre(kOriginal1), 118);
    EXPECT_EQ(surfacePixel(kOriginal1, 10, 10), kLeft);

    command(centre(kOriginal2), 204);
    EXPECT_EQ(host.shownLocations, std::vector<QString>{path2});
    command(centre(kOriginal1), 203);
    EXPECT_EQ(session->originalPath(kOriginal1), path2);
}

TEST_F(AreaInputTest, ResultMenuStatesAndCommands) {
    // The document mode draws results, but without originals there are none to show or save.
    ASSERT_TRUE(session->prepareProcessing(command::kDocumentEmbedding) && session->RunProcessing());
    grabbed();
    EXPECT_FALSE(action(centre(kResult1), 102)->isEnabled());
    session->ResetProcessing();
    setBoth();
    EXPECT_FALSE(action(centre(kResult2), 102)->isEnabled()); // nothing selected: no result shown
    EXPECT_EQ(view->clickedArea(), kResult2);
    EXPECT_TRUE(action(centre(kResult1), 205)->isChecked()); // the default 0x808080
    for (const auto& [id, value] : {std::pair{206, kBackgroundWhite}, std::pair{207, kBackgroundBlack},
                                    std::pair{205, kBackgroundChecker}}) {
        command(centre(kResult1), id);
        EXPECT_EQ(session->background(), value);
        for (const int other : {205, 206, 207}) {
            EXPECT_EQ(action(centre(kResult1), other)->isChecked(), other == id);
        }
    }
    command(centre(kResult1), 206);
    EXPECT_EQ(pixelAt(centre(kResult2)), 0xFFFFFFu);

    session->prepareProcessing(command::kPixel);
    ASSERT_TRUE(session->RunProcessing());
    ASSERT_TRUE(action(centre(kResult2), 102)->isEnabled());
    const QString target = folder->filePath(QStringLiteral("result.png"));
    host.answerSaveDialog(target, 11);
    host.answer(MessageButton::No); // saved; show the folder?
    command(centre(kResult2), 102);
    EXPECT_TRUE(QFileInfo::exists(target));
}

TEST_F(AreaInputTest, EverySaveTypeFromTheResultMenu) {
    setBoth();
    session->prepareProcessing(command::kPixel);
    ASSERT_TRUE(session->RunProcessing());
    grabbed();
    const char* extensions[] = {"bmp",  "bmp", "bmp", "bmp",  "bmp", "bmp", "bmp", "bmp",
                                "jpeg", "gif", "png", "tiff", "bmp", "gif", "png", "tiff"};
    for (int index = 1; index <= 16; ++index) {
        SCOPED_TRACE(index);
        const QString target = folder->filePath(QStringLiteral("type%1.").arg(index) +
                                                QString::fromLatin1(extensions[index - 1]));
        host.answerSaveDialog(target, index);
        if (index == 9) {
            host.answerQuality(75);
        }
        host.answer(MessageButton::No); // saved; show the folder?
        command(centre(kResult1), 102);
        const QImage saved(target);
        ASSERT_FALSE(saved.isNull());
        EXPECT_EQ(saved.size(), session->workingSize());
    }
}

TEST_F(AreaInputTest, GridCursorsAndDragsOnEveryArea) {
    setBoth();
    session->setGridOn(true);
    session->setGridPosition(QPoint(100, 50));
    const QPoint one = pictureOrigin(kOriginal1);
    EXPECT_EQ(hover(one + QPoint(103, 20)), Qt::SizeHorCursor);
    EXPECT_EQ(hover(one + QPoint(104, 20)), Qt::ArrowCursor);
    EXPECT_EQ(hover(one + QPoint(20, 47)), Qt::SizeVerCursor);
    EXPECT_EQ(hover(one + QPoint(101, 49)), Qt::SizeAllCursor);

    // The vertical line taken on result 1 moves the same image column on all four areas.
    const QPoint result = pictureOrigin(kResult1);
    drag(result + QPoint(102, 20), result + QPoint(150, 70));
    EXPECT_EQ(session->gridPosition(), QPoint(150, 50));
    const QImage image = grabbed();
    for (int area = 0; area < 4; ++area) {
        EXPECT_EQ(image.pixel(pictureOrigin(area) + QPoint(150, 5)) & 0xFFFFFFu, 0u) << area;
    }
    // The crossing moves both ways; after the release, moves no longer drag.
    drag(one + QPoint(151, 51), one + QPoint(30, 20));
    hover(one + QPoint(60, 80));
    EXPECT_EQ(session->gridPosition(), QPoint(30, 20));
}

TEST_F(AreaInputTest, VisualComparisonLoupeAndArrowKeys) {
    setBoth();
    view->arrowKey(5, 0); // not the visual comparison: nothing
    EXPECT_EQ(session->visualPoint(), QPoint(17, 17));
    session->prepareProcessing(command::kVisual);
    EXPECT_EQ(hover(pictureOrigin(kOriginal2) + QPoint(50, 50)), Qt::BitmapCursor);
    EXPECT_EQ(hover(pictureOrigin(kResult1) + QPoint(50, 50)), Qt::ArrowCursor);

    view->arrowKey(5, 0);
    view->arrowKey(0, -1);
    EXPECT_EQ(session->visualPoint(), QPoint(22, 16));
    // The point keeps its 5 × 5 neighbourhood inside the 200 × 100 image.
    session->setVisualPoint(QPoint(195, 97));
    view->arrowKey(5, 0);
    view->arrowKey(0, 1);
    EXPECT_EQ(session->visualPoint(), QPoint(195, 97));
}

TEST_F(AreaInputTest, VisualPointFromThePointerKeepsItsNeighbourhoodInside) {
    setBoth();
    session->prepareProcessing(command::kVisual);
    const QPoint two = pictureOrigin(kOriginal2);
    QTest::mouseClick(view.get(), Qt::LeftButton, {}, two + QPoint(1, 60));
    EXPECT_EQ(session->visualPoint(), QPoint(2, 60));
    EXPECT_EQ(session->resultTransparentColor(0), 0xFFF7FFu);
    EXPECT_EQ(session->resultTransparentColor(1), 0xFFF7FFu);
    // Dragged to the picture's last column and row: the point stops three pixels inside.
    drag(pictureOrigin(kOriginal1) + QPoint(40, 40), pictureOrigin(kOriginal1) + QPoint(199, 99));
    EXPECT_EQ(session->visualPoint(), QPoint(197, 97));
    QTest::mouseClick(view.get(), Qt::LeftButton, {}, pictureOrigin(kResult1) + QPoint(50, 50));
    EXPECT_EQ(session->visualPoint(), QPoint(197, 97));
}

class ZoomFrameTest : public AreaInputTest {
protected:
    void SetUp() override {
        AreaInputTest::SetUp();
        setBoth();
        session->SelectProcessing(command::kZoom);
        grabbed();
    }
    QPoint one() const { return pictureOrigin(kOriginal1); }
    QPoint two() const { return pictureOrigin(kOriginal2); }
    QRect frame() const { return session->zoomFrame(); }
};

TEST_F(ZoomFrameTest, StartsCentredAndIsPaintedOnBothOriginals) {
    EXPECT_TRUE(session->zoomModeOn());
    EXPECT_EQ(frame(), QRect(50, 25, 100, 50));
    EXPECT_EQ(session->zoomTarget(), kOriginal1);
    // The target shows the handle marks (a filled square at each corner), the other original only the
    // outline.
    EXPECT_EQ(pixelAt(one() + QPoint(48, 23)), 0xFF0000u);
    EXPECT_NE(pixelAt(two() + QPoint(48, 23)), 0xFF0000u);
    EXPECT_EQ(hover(one() + QPoint(100, 50)), Qt::SizeAllCursor);
    EXPECT_EQ(hover(one() + QPoint(152, 77)), Qt::SizeFDiagCursor);
    EXPECT_EQ(hover(one() + QPoint(100, 23)), Qt::SizeVerCursor);
    EXPECT_EQ(hover(two() + QPoint(100, 50)), Qt::ArrowCursor);

    session->ResetProcessing();
    EXPECT_TRUE(frame().isEmpty());
}

TEST_F(ZoomFrameTest, MovedAndResizedWithinThePicture) {
    drag(one() + QPoint(60, 30), one() + QPoint(80, 40));
    EXPECT_EQ(frame(), QRect(70, 35, 100, 50));
    // A move over the picture's edge is refused.
    drag(one() + QPoint(100, 50), one() + QPoint(140, 50));
    EXPECT_EQ(frame(), QRect(70, 35, 100, 50));

    // The bottom-right handle (the frame's corner grown by 2) sets the right and bottom sides.
    drag(one() + QPoint(172, 87), one() + QPoint(190, 95));
    EXPECT_EQ(frame(), QRect(70, 35, 120, 60));
    // Away from the picture the frame keeps the size of the last point over it; below 10 image pixels
    // it keeps its size.
    QTest::mousePress(view.get(), Qt::LeftButton, {}, one() + QPoint(192, 97));
    QTest::mouseMove(view.get(), one() + QPoint(199, 99));
    QTest::mouseMove(view.get(), one() + QPoint(260, 160));
    QTest::mouseRelease(view.get(), Qt::LeftButton, {}, one() + QPoint(260, 160));
    EXPECT_EQ(frame(), QRect(70, 35, 129, 64));
    drag(one() + QPoint(68, 33), one() + QPoint(195, 50));
    EXPECT_EQ(frame(), QRect(70, 35, 129, 64));
}

TEST_F(ZoomFrameTest, RubberBandsMakeANewFrameAndTarget) {
    // 10 × 3 screen pixels count: only one side has to exceed 9.
    drag(two() + QPoint(5, 5), two() + QPoint(15, 8));
    EXPECT_EQ(frame(), QRect(5, 5, 10, 3));
    EXPECT_EQ(session->zoomTarget(), kOriginal2);
    drag(one() + QPoint(5, 5), one() + QPoint(14, 14));
    EXPECT_EQ(frame(), QRect(5, 5, 10, 3));

    // Released over the other original, the band ends at the last point seen over its own.
    QTest::mousePress(view.get(), Qt::LeftButton, {}, one() + QPoint(20, 20));
    QTest::mouseMove(view.get(), one() + QPoint(60, 50));
    QTest::mouseMove(view.get(), two() + QPoint(90, 90));
    QTest::mouseRelease(view.get(), Qt::LeftButton, {}, two() + QPoint(90, 90));
    EXPECT_EQ(frame(), QRect(20, 20, 40, 30));
    EXPECT_EQ(session->zoomTarget(), kOriginal1);
}

TEST_F(ZoomFrameTest, ArrowKeysAndTargetSwitch) {
    view->arrowKey(10, 0);
    EXPECT_EQ(frame(), QRect(60, 25, 100, 50));
    view->arrowKey(70, -40); // kept inside the image
    EXPECT_EQ(frame(), QRect(100, 0, 100, 50));

    view->switchZoomTarget();
    EXPECT_EQ(session->zoomTarget(), kOriginal2);
    EXPECT_EQ(frame(), QRect(100, 0, 100, 50));
    // With original 2 cleared away nothing shows there, so the target stays on original 1.
    view->switchZoomTarget();
    session->ResetProcessing();
    host.answer(MessageButton::Yes);
    session->clearOriginals();
    setOriginal(kOriginal1, halves(QSize(200, 100), kLeft, kRight), QStringLiteral("c.png"));
    session->SelectProcessing(command::kZoom);
    grabbed();
    view->switchZoomTarget();
    EXPECT_EQ(session->zoomTarget(), kOriginal1);
}

TEST_F(AreaInputTest, WatermarkModeKeepsTheOriginalsUnchangeable) {
    setBoth();
    session->SelectProcessing(command::kWatermark);
    ASSERT_TRUE(session->watermarkModeOn());
    EXPECT_NE(action(centre(kOriginal1), 102), nullptr);
    EXPECT_EQ(action(centre(kOriginal1), 101), nullptr);
    // Original 2's area is the watermark view, with the watermark menus instead of the originals' one.
    const std::unique_ptr<QMenu> viewMenu = view->makeContextMenu(centre(kOriginal2));
    ASSERT_NE(viewMenu, nullptr);
    EXPECT_EQ(findAction(*viewMenu, 101), nullptr);

    // The gap between two areas belongs to none: the results' menu, with nothing to save there.
    const QRect left = geometry().frames[kOriginal1];
    const QPoint gap(left.x() + left.width(), left.center().y());
    ASSERT_EQ(geometry().frameAt(gap), -1);
    QAction* save = action(gap, 102);
    ASSERT_NE(save, nullptr);
    EXPECT_FALSE(save->isEnabled());
    EXPECT_FALSE(view->areaShowsImage(-1));
    EXPECT_FALSE(view->areaShowsImage(4));
}

TEST_F(AreaInputTest, HelpPaneTakesThePointer) {
    setBoth();
    session->setGridOn(true);
    session->setGridPosition(QPoint(100, 50));
    session->setHelpPaneShown(true);
    drag(pictureOrigin(kOriginal1) + QPoint(100, 50), pictureOrigin(kOriginal1) + QPoint(10, 10));
    EXPECT_EQ(session->gridPosition(), QPoint(100, 50));
    // The release on an original's area hid the pane; the next drag moves the grid.
    EXPECT_FALSE(session->helpPaneShown());
    drag(pictureOrigin(kOriginal1) + QPoint(100, 50), pictureOrigin(kOriginal1) + QPoint(10, 10));
    EXPECT_EQ(session->gridPosition(), QPoint(10, 10));
}

} // namespace
} // namespace corvane::test
