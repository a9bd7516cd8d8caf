// What tells a user where they are: the window title, the file name and size after an original's label
// (never over its picture), and the hint in an original's empty area.

#include "app/window/AreaCaptions.h"
#include "tests/window/AreaTestSupport.h"

namespace corvane::test {
namespace {

TEST(AreaCaptions, WindowTitleNamesTheTwoFiles) {
    EXPECT_EQ(windowTitleFor({}, {}), QStringLiteral("Corvane"));
    EXPECT_EQ(windowTitleFor(QStringLiteral("/x/a.png"), QStringLiteral("/y/b.tiff")),
              QStringLiteral("a.png ↔ b.tiff - Corvane"));
    EXPECT_EQ(windowTitleFor(QStringLiteral("/x/a.png"), {}), QStringLiteral("a.png ↔ （未設定） - Corvane"));
    EXPECT_EQ(windowTitleFor({}, QStringLiteral("/y/b.png")), QStringLiteral("（未設定） ↔ b.png - Corvane"));
    // Two files of one name are told apart by their folders; the same file twice needs no folders.
    EXPECT_EQ(windowTitleFor(QStringLiteral("/r/before/shot.png"), QStringLiteral("/r/after/shot.png")),
              QStringLiteral("before/shot.png ↔ after/shot.png - Corvane"));
    EXPECT_EQ(windowTitleFor(QStringLiteral("/r/shot.png"), QStringLiteral("/r/shot.png")),
              QStringLiteral("shot.png ↔ shot.png - Corvane"));
    EXPECT_EQ(originalCaption(QStringLiteral("a.png"), QSize(640, 480)),
              QStringLiteral("a.png（640 × 480）"));
}

TEST(AreaCaptions, CaptionSpaceStaysOffThePicture) {
    const QRect frame(2, 0, 200, 100);
    // A picture moved down leaves the whole line free, up to 2 pixels inside the frame's right edge.
    EXPECT_EQ(captionSpace(frame, QRect(2, 25, 200, 50), 40, 3, 15), QRect(40, 3, 160, 15));
    // One pixel of air: a line ending right above the picture's row, or touching it, is not free.
    EXPECT_EQ(captionSpace(frame, QRect(2, 19, 200, 62), 40, 3, 15), QRect(40, 3, 160, 15));
    EXPECT_EQ(captionSpace(frame, QRect(2, 18, 200, 64), 40, 3, 15), QRect());
    // A picture moved right leaves the part left of it, less one pixel.
    EXPECT_EQ(captionSpace(frame, QRect(52, 0, 100, 100), 40, 3, 15), QRect(40, 3, 11, 15));
    EXPECT_EQ(captionSpace(frame, QRect(41, 0, 122, 100), 40, 3, 15), QRect());
    // A picture filling the frame leaves nothing; without a picture the line is free.
    EXPECT_EQ(captionSpace(frame, frame, 40, 3, 15), QRect());
    EXPECT_EQ(captionSpace(frame, QRect(), 40, 3, 15), QRect(40, 3, 160, 15));
    EXPECT_EQ(captionSpace(frame, QRect(), 200, 3, 15), QRect());
    // Lines must end 2 pixels above the frame's bottom.
    EXPECT_EQ(captionSpace(frame, QRect(), 3, 83, 15), QRect(3, 83, 197, 15));
    EXPECT_EQ(captionSpace(frame, QRect(), 3, 84, 15), QRect());
}

using AreaCaptionPaint = AreaView32Fixture;

bool anyRed(const QImage& image, const QRect& rect) {
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        for (int x = rect.left(); x <= rect.right(); ++x) {
            const QRgb c = image.pixel(x, y);
            if (qRed(c) > 200 && qGreen(c) < 80 && qBlue(c) < 80) {
                return true;
            }
        }
    }
    return false;
}

// Pixels of `rect` that are not `rgb`.
int othersThan(const QImage& image, const QRect& rect, QRgb rgb) {
    int count = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        for (int x = rect.left(); x <= rect.right(); ++x) {
            count += (image.pixel(x, y) & 0xFFFFFFu) != rgb ? 1 : 0;
        }
    }
    return count;
}

TEST_F(AreaCaptionPaint, FileNameAndSizeFollowTheLabelOutsideThePicture) {
    const QFontMetrics metrics(view->font());
    const QRect frame1 = geometry().frames[kOriginal1];
    const int afterLabel = frame1.x() + 3 + metrics.horizontalAdvance(QStringLiteral("原本1")) + 4;

    // A wide picture sits 25 pixels below the frame's top: the caption goes above it.
    setOriginal(kOriginal1, solidImage({200, 50}, 0x0000FF), QStringLiteral("wide-picture.png"));
    QImage image = grabbed();
    const QRect picture = geometry().pictures[kOriginal1];
    ASSERT_EQ(picture, QRect(2, 25, 200, 50));
    EXPECT_TRUE(anyRed(image, QRect(afterLabel, 3, rightEdge(frame1) - 2 - afterLabel, 20)));
    EXPECT_EQ(othersThan(image, picture, 0x0000FF), 0);
}

TEST_F(AreaCaptionPaint, BesideANarrowPictureNameAndSizeStackUnderTheLabel) {
    // A tall picture leaves strips at its sides too narrow for the caption on the label's line.
    setOriginal(kOriginal1, solidImage({60, 100}, 0x0000FF), QStringLiteral("tall.png"));
    const QImage image = grabbed();
    const QRect frame = geometry().frames[kOriginal1];
    const QRect picture = geometry().pictures[kOriginal1];
    ASSERT_EQ(picture, QRect(72, 0, 60, 100));
    const int lineHeight = QFontMetrics(view->font()).height();
    EXPECT_TRUE(anyRed(image, QRect(frame.x() + 3, 3 + lineHeight, picture.x() - 5, lineHeight)));     // name
    EXPECT_TRUE(anyRed(image, QRect(frame.x() + 3, 3 + 2 * lineHeight, picture.x() - 5, lineHeight))); // size
    EXPECT_EQ(othersThan(image, picture, 0x0000FF), 0);
}

TEST_F(AreaCaptionPaint, APictureFillingTheFrameKeepsEveryPixel) {
    const QFontMetrics metrics(view->font());
    const QRect frame1 = geometry().frames[kOriginal1];
    const int afterLabel = frame1.x() + 3 + metrics.horizontalAdvance(QStringLiteral("原本1")) + 4;
    setOriginal(kOriginal1, solidImage({200, 100}, 0x0000FF), QStringLiteral("full.png"));
    const QImage image = grabbed();
    ASSERT_EQ(geometry().pictures[kOriginal1], frame1);
    EXPECT_EQ(othersThan(image, QRect(afterLabel, 0, rightEdge(frame1) - afterLabel, 40), 0x0000FF), 0);
}

TEST_F(AreaCaptionPaint, EmptyOriginalsShowHowToSetOne) {
    // No image at all yet: both originals' areas show the hint in their middle, the results none.
    QImage image = grabbed();
    for (const int area : {kOriginal1, kOriginal2}) {
        const QRect frame = geometry().frames[static_cast<std::size_t>(area)];
        EXPECT_TRUE(anyRed(image, QRect(frame.x() + 4, frame.center().y() - 10, frame.width() - 8, 20)))
            << area;
    }
    const QRect result = geometry().frames[kResult1];
    EXPECT_FALSE(anyRed(image, QRect(result.x() + 4, result.center().y() - 10, result.width() - 8, 20)));

    setOriginal(kOriginal1, solidImage({200, 100}, 0x0000FF), QStringLiteral("a.png"));
    image = grabbed();
    EXPECT_EQ(othersThan(image, geometry().pictures[kOriginal1].adjusted(0, 30, 0, 0), 0x0000FF), 0);
    const QRect frame2 = geometry().frames[kOriginal2];
    EXPECT_TRUE(anyRed(image, QRect(frame2.x() + 4, frame2.center().y() - 10, frame2.width() - 8, 20)));
    // The grid stays whole over the hint.
    session->setGridOn(true);
    session->setGridPosition(QPoint(100, 50));
    image = grabbed();
    const QPoint origin2 = pictureOrigin(kOriginal2);
    for (int x = 0; x < 200; x += 7) {
        EXPECT_EQ(image.pixel(origin2 + QPoint(x, 50)) & 0xFFFFFFu, 0u) << x;
    }
}

} // namespace
} // namespace corvane::test
