// What the image areas show, read back from the widget's pixels.

#include "tests/window/AreaTestSupport.h"

#include "platform/Blit.h"

#include <QPainter>

namespace corvane::test {
namespace {

constexpr QSize kImage(200, 100);

QRgb checkerAt(QPoint p) {
    return (p.x() % 16 < 8) == (p.y() % 16 < 8) ? 0x808080u : 0xC0C0C0u;
}

// Whether some pixel of `rect` has colour `rgb` (0xRRGGBB) or, with `reddish`, is strongly red.
bool anyPixel(const QImage& image, const QRect& rect, QRgb rgb, bool reddish = false) {
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        for (int x = rect.left(); x <= rect.right(); ++x) {
            const QRgb c = image.pixel(x, y);
            if ((c & 0xFFFFFFu) == rgb || (reddish && qRed(c) > 200 && qGreen(c) < 80 && qBlue(c) < 80)) {
                return true;
            }
        }
    }
    return false;
}

using AreaPaintTest = AreaViewFixture;
using AreaPaint32Test = AreaView32Fixture;

TEST_F(AreaPaint32Test, ResultBackgroundsFollowTheSession) {
    const QRect frame = geometry().frames[kResult2];
    for (const ColorRef background : {kBackgroundDefault, kBackgroundChecker, ColorRef{0x123456}}) {
        session->setBackground(background);
        const QImage image = grabbed();
        for (const QPoint p : {frame.center(), frame.bottomRight(), frame.center() + QPoint(9, 9)}) {
            EXPECT_EQ(image.pixel(p) & 0xFFFFFFu, checkerAt(p)) << background;
        }
    }
    session->setBackground(kBackgroundWhite);
    EXPECT_EQ(pixelAt(frame.center()), 0xFFFFFFu);
    session->setBackground(kBackgroundBlack);
    EXPECT_EQ(pixelAt(frame.center()), 0u);
    session->prepareProcessing(command::kVisual); // its tables go there instead
    EXPECT_EQ(pixelAt(frame.center()), windowColour());
    // Originals get a grey one-pixel frame.
    EXPECT_EQ(pixelAt(geometry().frames[kOriginal2].topLeft() + QPoint(50, 0)), 0x808080u);
    EXPECT_EQ(pixelAt(geometry().frames[kOriginal2].topLeft() + QPoint(50, 1)), windowColour());
}

TEST_P(AreaPaintTest, OriginalTwoIsDrawnMovedByTheShift) {
    setOriginal(kOriginal1, halves(kImage, 0xFF0000, 0x0000FF), QStringLiteral("a.png"));
    setOriginal(kOriginal2, halves(kImage, 0xFF0000, 0x0000FF), QStringLiteral("b.png"));
    const QPoint one = pictureOrigin(kOriginal1);
    const QPoint two = pictureOrigin(kOriginal2);
    EXPECT_TRUE(view->areaShowsImage(kOriginal1));
    EXPECT_FALSE(view->areaShowsImage(kResult1)); // nothing selected: results are not drawn

    session->setShift(30, 10);
    QImage image = grabbed();
    EXPECT_EQ(image.pixel(two + QPoint(10, 50)) & 0xFFFFFFu, windowColour()); // uncovered left
    EXPECT_EQ(image.pixel(two + QPoint(50, 5)) & 0xFFFFFFu, windowColour());  // and top
    EXPECT_EQ(image.pixel(two + QPoint(125, 50)) & 0xFFFFFFu, surfacePixel(kOriginal2, 95, 40));
    EXPECT_EQ(image.pixel(two + QPoint(135, 50)) & 0xFFFFFFu, surfacePixel(kOriginal2, 105, 40));
    EXPECT_EQ(image.pixel(one + QPoint(125, 50)) & 0xFFFFFFu, surfacePixel(kOriginal1, 125, 50));
}

TEST_P(AreaPaintTest, ResultsAreOpaqueOrShowTheBackgroundThroughTheirTransparentColour) {
    setOriginal(kOriginal1, halves(kImage, 0xFF0000, 0x0000FF), QStringLiteral("a.png"));
    setOriginal(kOriginal2, halves(kImage, 0xFF0000, 0x00FF00), QStringLiteral("b.png"));
    const QPoint result1 = pictureOrigin(kResult1);
    // Selected but not run: the new surfaces are black with black transparent.
    ASSERT_TRUE(session->prepareProcessing(command::kPixel));
    ASSERT_TRUE(fillSolidRect(session->surface(kResult1), {0, 0, 50, 100}, makeColor(0, 255, 0)));
    view->redrawAreas(kResult1, true);
    QImage image = grabbed();
    EXPECT_EQ(image.pixel(result1 + QPoint(10, 50)) & 0xFFFFFFu, 0x00FF00u);
    EXPECT_EQ(image.pixel(result1 + QPoint(100, 50)) & 0xFFFFFFu, checkerAt(result1 + QPoint(100, 50)));
    EXPECT_TRUE(view->areaShowsImage(kResult2));

    ASSERT_TRUE(session->RunProcessing());
    ASSERT_EQ(session->resultTransparentColor(0), kNoColor);
    image = grabbed();
    for (const QPoint p : {QPoint(30, 30), QPoint(150, 50)}) {
        EXPECT_EQ(image.pixel(result1 + p) & 0xFFFFFFu, surfacePixel(kResult1, p.x(), p.y()));
        EXPECT_EQ(image.pixel(pictureOrigin(kResult2) + p) & 0xFFFFFFu, surfacePixel(kResult2, p.x(), p.y()));
    }
}

TEST_F(AreaPaint32Test, GridLinesLabelsAndAreaLabels) {
    setOriginal(kOriginal1, halves(kImage, 0xFF0000, 0x0000FF), QStringLiteral("a.png"));
    session->setGridOn(true);
    session->setGridPosition(QPoint(-1, -1));
    grabbed();
    EXPECT_EQ(session->gridPosition(), QPoint(100, 50)); // centred by the paint

    session->setGridPosition(QPoint(50, 40));
    QImage image = grabbed();
    for (const int area : {kOriginal1, kOriginal2, kResult1}) {
        EXPECT_EQ(image.pixel(pictureOrigin(area) + QPoint(50, 5)) & 0xFFFFFFu, 0u) << area;
        EXPECT_EQ(image.pixel(pictureOrigin(area) + QPoint(150, 40)) & 0xFFFFFFu, 0u) << area;
    }
    const QPoint origin = pictureOrigin(kOriginal1);
    EXPECT_EQ(image.pixel(origin + QPoint(53, 43)) & 0xFFFFFFu, 0xFFFFFFu); // label background
    EXPECT_TRUE(anyPixel(image, QRect(origin + QPoint(53, 43), QSize(60, 20)), 0xFF0000u, true));
    // Area labels: red text with a white shadow, none over the visual comparison's tables.
    const auto label = [&](int area) {
        return QRect(geometry().frames[static_cast<std::size_t>(area)].topLeft() + QPoint(3, 3),
                     QSize(50, 20));
    };
    for (const int area : {kOriginal2, kResult2}) {
        EXPECT_TRUE(anyPixel(image, label(area), 0xFF0000u, true)) << area;
        EXPECT_TRUE(anyPixel(image, label(area), 0xFFFFFFu)) << area;
    }

    // Near the bottom-right corner the grid label goes to the upper left of the crossing.
    session->setGridPosition(QPoint(195, 95));
    image = grabbed();
    EXPECT_EQ(image.pixel(origin + QPoint(187, 87)) & 0xFFFFFFu, 0xFFFFFFu);
    EXPECT_EQ(image.pixel(origin + QPoint(198, 98)) & 0xFFFFFFu, surfacePixel(kOriginal1, 198, 98));

    session->prepareProcessing(command::kVisual);
    image = grabbed();
    EXPECT_NE(image.pixel(pictureOrigin(kResult1) + QPoint(195, 5)) & 0xFFFFFFu, 0u);
    // The table's top-left header cell (white, black "Pixel") lies where the label would begin; its data
    // cells may well be red.
    const QRect headerCell(geometry().frames[kResult1].topLeft() + QPoint(3, 3), QSize(28, 5));
    EXPECT_FALSE(anyPixel(image, headerCell, 0xFF0000u, true));
}

TEST_F(AreaPaint32Test, DocumentFrameTakesTheInverseOfThePaintedColour) {
    for (const auto& [colour, expected] : {std::pair{0xC81E1Eu, 0x37E1E1u}, std::pair{0x808080u, 0u}}) {
        setOriginal(kOriginal1, solidImage(kImage, colour), QStringLiteral("a%1.png").arg(colour));
        const QRect frame = documentFrameRect(geometry().pictures[kOriginal1], 1);
        ASSERT_TRUE(session->prepareProcessing(command::kDocumentEmbedding));
        ASSERT_TRUE(session->RunProcessing());
        view->documentFrameTick();
        ASSERT_EQ(session->documentFramePhase(), 1);
        // Near the middle grey the inverse would not show: black instead.
        EXPECT_EQ(pixelAt(frame.topLeft()), expected);
        EXPECT_EQ(pixelAt(frame.bottomRight()), expected);
        EXPECT_EQ(pixelAt(frame.topLeft() - QPoint(1, 1)), colour);
        view->documentFrameTick(); // even phase: no frame
        EXPECT_EQ(pixelAt(frame.topLeft()), colour);
    }
}

TEST(AreaOutlineTest, DottedOutlineInItsColourWithHandleMarks) {
    const auto paint = [](AreaOutline outline) {
        QImage image(60, 50, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        paintOutline(painter, outline);
        return image;
    };
    const QImage red = paint({QRect(10, 10, 30, 20), false, true});
    EXPECT_EQ(red.pixel(5, 5), qRgb(255, 0, 0)); // corner mark: 7 × 7 around (8, 8)
    EXPECT_EQ(red.pixel(4, 4), qRgb(255, 255, 255));
    EXPECT_EQ(red.pixel(25, 8), qRgb(255, 0, 0)); // middle mark
    EXPECT_TRUE(anyPixel(red, QRect(12, 10, 20, 1), 0xFF0000u));
    EXPECT_TRUE(anyPixel(red, QRect(12, 10, 20, 1), 0xFFFFFFu)); // dotted

    const QImage blue = paint({QRect(10, 10, 30, 20), true, false});
    EXPECT_TRUE(anyPixel(blue, QRect(39, 10, 1, 20), 0x0000FFu));
    EXPECT_FALSE(anyPixel(blue, QRect(10, 30, 31, 1), 0x0000FFu)); // nothing past the rectangle
    EXPECT_FALSE(anyPixel(blue, QRect(40, 10, 1, 21), 0x0000FFu));
    EXPECT_EQ(blue.pixel(8, 8), qRgb(255, 255, 255)); // no marks
}

TEST_F(AreaPaint32Test, ScaledCopiesAreMadeAgainOnlyForTheAreasARedrawNames) {
    setOriginal(kOriginal1, halves(kImage, 0xFF0000, 0x0000FF), QStringLiteral("a.png"));
    setOriginal(kOriginal2, halves(kImage, 0xFF0000, 0x0000FF), QStringLiteral("b.png"));
    ASSERT_TRUE(session->prepareProcessing(command::kPixel));
    grabbed();
    auto madeSince = [&, before = std::array<int, 4>{}]() mutable {
        std::array<int, 4> made{};
        for (int k = 0; k < 4; ++k) {
            made[static_cast<std::size_t>(k)] =
                view->scaledCopyCount(k) - before[static_cast<std::size_t>(k)];
            before[static_cast<std::size_t>(k)] = view->scaledCopyCount(k);
        }
        return made;
    };
    madeSince();
    session->setGridOn(true);
    session->setShift(5, 5); // moves the copy, does not change it
    grabbed();
    EXPECT_EQ(madeSince(), (std::array<int, 4>{0, 0, 0, 0}));
    view->redrawPictures(kOriginal2);
    grabbed();
    EXPECT_EQ(madeSince(), (std::array<int, 4>{0, 1, 0, 0}));
    view->redrawAreas(redraw::kAreas1To3, false);
    grabbed();
    EXPECT_EQ(madeSince(), (std::array<int, 4>{0, 1, 1, 1}));
    view->resize(506, 306); // a new picture size
    grabbed();
    EXPECT_EQ(madeSince(), (std::array<int, 4>{1, 1, 1, 1}));
}

INSTANTIATE_TEST_SUITE_P(Formats, AreaPaintTest, ::testing::Values(16, 24, 32));

} // namespace
} // namespace corvane::test
