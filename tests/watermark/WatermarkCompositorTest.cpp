// Compositing: the text layer at image resolution and the two blends, in the three surface formats.

#include "watermark/WatermarkCompositor.h"
#include "imaging/Filter.h"
#include "platform/Blit.h"
#include "tests/support/TestImages.h"
#include "tests/watermark/WatermarkTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

namespace corvane::test {
namespace {

constexpr ColorRef kShadowRed = makeColor(255, 0, 0);
const QString kSquare = QStringLiteral("■");

// A base image with structure in every channel.
DeviceBitmap makeBase(int width, int height, int bits) {
    DeviceBitmap base = DeviceBitmap::create(width, height, bits);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            base.setPixel(x, y,
                          makeColor(static_cast<std::uint8_t>(x * 3), static_cast<std::uint8_t>(y * 5),
                                    static_cast<std::uint8_t>(x ^ y)));
        }
    }
    return base;
}

WatermarkList listWith(const std::vector<WatermarkText>& texts, QSize working) {
    WatermarkList list;
    list.assign(texts, working);
    return list;
}

class CompositorTest : public ::testing::TestWithParam<int> {
protected:
    int bits() const { return GetParam(); }
    DeviceBitmap layer(int width = 160, int height = 120) const {
        return DeviceBitmap::create(width, height, bits());
    }
};

TEST(CompositorFontTest, HeightsAreAt96DotsPerInch) {
    EXPECT_EQ(watermarkFontPixels(8), 11);
    EXPECT_EQ(watermarkFontPixels(36), 48);
    EXPECT_EQ(watermarkFontPixels(100), 133);
    // Sizes below 2 points (a small text at a small display scale) draw at 2 points.
    EXPECT_EQ(watermarkFontPixels(0), 3);
    WatermarkText text = makeText(QStringLiteral("a"), QRect());
    text.bold = 1;
    text.strike = 1;
    const QFont font = watermarkFont(text, 8);
    EXPECT_EQ(font.pixelSize(), 11);
    EXPECT_EQ(font.weight(), QFont::Bold);
    EXPECT_TRUE(font.strikeOut());
    EXPECT_FALSE(font.underline());
    EXPECT_EQ(font.family(), QStringLiteral("MS UI Gothic"));
    EXPECT_TRUE(font.styleStrategy() & QFont::NoSubpixelAntialias);
}

TEST_P(CompositorTest, WithoutTextsTheResultsAreTheBlendWithThePlainBackground) {
    const DeviceBitmap base = makeBase(90, 70, bits());
    DeviceBitmap work = layer(90, 70);
    DeviceBitmap result1 = layer(90, 70);
    DeviceBitmap result2 = layer(90, 70);
    const WatermarkList none;
    // White leaves original 1 as it is in both results.
    ASSERT_TRUE(composeWatermarks(none, kWhite, base, work, result1, result2));
    EXPECT_TRUE(std::equal(base.bits().begin(), base.bits().end(), result1.bits().begin()));
    EXPECT_TRUE(std::equal(base.bits().begin(), base.bits().end(), result2.bits().begin()));
    // A coloured background tints: exactly the blends with a layer of that colour.
    const ColorRef tint = makeColor(200, 120, 40);
    ASSERT_TRUE(composeWatermarks(none, tint, base, work, result1, result2));
    DeviceBitmap plain = layer(90, 70);
    DeviceBitmap expected1 = layer(90, 70);
    DeviceBitmap expected2 = layer(90, 70);
    fillSolid(plain, tint);
    const CFilter filter;
    ASSERT_TRUE(filter.BlendImages(base, plain, expected1, 5));
    ASSERT_TRUE(filter.BlendImages(base, plain, expected2, 13));
    EXPECT_TRUE(std::equal(expected1.bits().begin(), expected1.bits().end(), result1.bits().begin()));
    EXPECT_TRUE(std::equal(expected2.bits().begin(), expected2.bits().end(), result2.bits().begin()));
    // Bitmaps of different sizes are refused.
    DeviceBitmap small = layer(10, 10);
    EXPECT_FALSE(composeWatermarks(none, kWhite, base, small, result1, result2));
}

TEST_P(CompositorTest, ShadowsLieAtTheirOffsetOnBothAxes) {
    for (const int shadow : {-3, 3}) {
        WatermarkText text = makeText(kSquare, QRect(40, 30, 80, 60));
        text.shadow = shadow;
        text.shadowColor = kShadowRed;
        DeviceBitmap work = layer();
        ASSERT_TRUE(renderWatermarkLayer(listWith({text}, QSize(160, 120)), kWhite, work));
        const QRect all(0, 0, 160, 120);
        const QRect square = boundsOf(work, kBlack, all);
        const QRect shade = boundsOf(work, kShadowRed, all);
        ASSERT_FALSE(square.isEmpty());
        EXPECT_EQ(shade, square.translated(shadow, shadow)) << "shadow " << shadow;
        // Drawn from the box's top-left corner.
        EXPECT_LT(square.left() - 40, 10);
        EXPECT_GE(square.left(), 40);
        EXPECT_GE(square.top(), 30);
    }
    // Offset 0: the text covers its shadow.
    WatermarkText flat = makeText(kSquare, QRect(40, 30, 80, 60));
    flat.shadowColor = kShadowRed;
    DeviceBitmap work = layer();
    ASSERT_TRUE(renderWatermarkLayer(listWith({flat}, QSize(160, 120)), kWhite, work));
    EXPECT_TRUE(boundsOf(work, kShadowRed, QRect(0, 0, 160, 120)).isEmpty());
}

TEST_P(CompositorTest, TextsAreClippedToTheirBoxAndBrokenOnlyAtCrLf) {
    // A box smaller than the glyph: nothing is drawn outside it.
    WatermarkText clipped = makeText(kSquare, QRect(50, 50, 12, 9));
    clipped.size = 48;
    DeviceBitmap work = layer();
    ASSERT_TRUE(renderWatermarkLayer(listWith({clipped}, QSize(160, 120)), kWhite, work));
    const QRect drawn = boundsOf(work, kBlack, QRect(0, 0, 160, 120));
    ASSERT_FALSE(drawn.isEmpty());
    EXPECT_TRUE(QRect(50, 50, 12, 9).contains(drawn));
    EXPECT_EQ(pixelsOtherThan(work, kWhite), [&] {
        int inside = 0;
        for (int y = 50; y < 59; ++y) {
            for (int x = 50; x < 62; ++x) {
                inside += work.pixel(x, y) != kWhite ? 1 : 0;
            }
        }
        return inside;
    }());

    // "■ LF ■" stays on one line; "■ CR LF ■" takes two.
    WatermarkText lone = makeText(QString(), QRect(0, 0, 160, 120));
    std::memcpy(lone.text.data(), "\x81\xA1\n\x81\xA1", 6);
    WatermarkText pair = makeText(kSquare + QStringLiteral("\n") + kSquare, QRect(0, 0, 160, 120));
    ASSERT_TRUE(renderWatermarkLayer(listWith({lone}, QSize(160, 120)), kWhite, work));
    const QRect oneLine = boundsOf(work, kBlack, QRect(0, 0, 160, 120));
    ASSERT_TRUE(renderWatermarkLayer(listWith({pair}, QSize(160, 120)), kWhite, work));
    const QRect twoLines = boundsOf(work, kBlack, QRect(0, 0, 160, 120));
    EXPECT_GT(oneLine.width(), twoLines.width());
    EXPECT_GT(twoLines.height(), oneLine.height() + 10);
}

TEST_P(CompositorTest, LaterTextsAreDrawnOverEarlierOnes) {
    WatermarkText under = makeText(kSquare, QRect(20, 20, 80, 60));
    WatermarkText over = makeText(kSquare, QRect(20, 20, 80, 60));
    over.color = makeColor(0, 0, 255);
    DeviceBitmap work = layer();
    ASSERT_TRUE(renderWatermarkLayer(listWith({under, over}, QSize(160, 120)), kWhite, work));
    EXPECT_TRUE(boundsOf(work, kBlack, QRect(0, 0, 160, 120)).isEmpty());
    EXPECT_FALSE(boundsOf(work, makeColor(0, 0, 255), QRect(0, 0, 160, 120)).isEmpty());
}

TEST_P(CompositorTest, BlackTextDarkensBothResults) {
    const DeviceBitmap base = makeBase(160, 120, bits());
    DeviceBitmap work = layer();
    DeviceBitmap result1 = layer();
    DeviceBitmap result2 = layer();
    const WatermarkList texts = listWith({makeText(kSquare, QRect(40, 30, 80, 60))}, QSize(160, 120));
    ASSERT_TRUE(composeWatermarks(texts, kWhite, base, work, result1, result2));
    const QRect square = boundsOf(work, kBlack, QRect(0, 0, 160, 120));
    ASSERT_FALSE(square.isEmpty());
    const QPoint inside = square.center();
    EXPECT_EQ(result1.pixel(inside.x(), inside.y()), kBlack);
    EXPECT_EQ(result2.pixel(inside.x(), inside.y()), kBlack);
    EXPECT_EQ(result1.pixel(5, 5), base.pixel(5, 5));
    EXPECT_EQ(result2.pixel(150, 110), base.pixel(150, 110));
}

TEST_P(CompositorTest, ComposerRedoesOnlyWhatChangedAndMatchesAWholeComposition) {
    const QSize working(320, 240);
    const DeviceBitmap base = makeBase(working.width(), working.height(), bits());
    DeviceBitmap work = layer(working.width(), working.height());
    DeviceBitmap result1 = layer(working.width(), working.height());
    DeviceBitmap result2 = layer(working.width(), working.height());
    WatermarkText first = makeText(QStringLiteral("社外秘 Wa\r\nfy"), QRect(20, 30, 150, 70));
    first.shadow = 3;
    first.shadowColor = kShadowRed;
    first.italic = 1;
    WatermarkText second = makeText(QStringLiteral("CONFIDENTIAL"), QRect(100, 60, 180, 40));
    second.shadow = -4;
    second.size = 28;
    const WatermarkText third = makeText(kSquare, QRect(250, 180, 60, 50));
    WatermarkList texts = listWith({first, second, third}, working);
    WatermarkComposer composer;

    // After every edit the composer's layer and results equal a whole composition of the texts.
    const auto expectWhole = [&](const char* edit, ColorRef background = kWhite) {
        DeviceBitmap wholeLayer = layer(working.width(), working.height());
        DeviceBitmap whole1 = layer(working.width(), working.height());
        DeviceBitmap whole2 = layer(working.width(), working.height());
        ASSERT_TRUE(composeWatermarks(texts, background, base, wholeLayer, whole1, whole2));
        EXPECT_TRUE(samePixels(work, wholeLayer)) << edit;
        EXPECT_TRUE(samePixels(result1, whole1)) << edit;
        EXPECT_TRUE(samePixels(result2, whole2)) << edit;
    };
    EXPECT_EQ(composer.compose(texts, kWhite, base, work, result1, result2), QRect(QPoint(0, 0), working));
    expectWhole("first");
    // Selecting changes no pixel.
    texts.text(1).selected = 1;
    EXPECT_EQ(composer.compose(texts, kWhite, base, work, result1, result2), QRect());

    // A drag step: the old and the new place of the text with its shadow, nothing else.
    const QRect before = watermarkFootprint(texts.text(0));
    texts.text(0).setBox(texts.text(0).box().translated(5, 2));
    EXPECT_EQ(composer.compose(texts, kWhite, base, work, result1, result2),
              before | watermarkFootprint(texts.text(0)));
    expectWhole("moved");
    texts.text(1).shadow = 6;
    texts.text(2).italic = 1;
    ASSERT_TRUE(composer.compose(texts, kWhite, base, work, result1, result2));
    expectWhole("restyled");
    // Half outside the picture, then deleted: the texts after it move up one place.
    texts.text(2).setBox(QRect(290, -20, 60, 50));
    ASSERT_TRUE(composer.compose(texts, kWhite, base, work, result1, result2));
    expectWhole("outside");
    texts.text(0).selected = 1;
    texts.text(1).selected = 0;
    texts.text(2).selected = 0;
    texts.deleteSelected();
    ASSERT_TRUE(composer.compose(texts, kWhite, base, work, result1, result2));
    expectWhole("deleted");
    // Another background is a whole composition.
    const ColorRef tint = makeColor(250, 240, 200);
    EXPECT_EQ(composer.compose(texts, tint, base, work, result1, result2), QRect(QPoint(0, 0), working));
    expectWhole("background", tint);
}

INSTANTIATE_TEST_SUITE_P(Formats, CompositorTest, ::testing::Values(16, 24, 32));

} // namespace
} // namespace corvane::test
