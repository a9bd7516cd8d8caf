// The text list: fitting, adding, selection rules, drags, handles, the band and the arrow keys.

#include "watermark/WatermarkList.h"
#include "tests/watermark/WatermarkTestSupport.h"

#include <gtest/gtest.h>

#include <vector>

namespace corvane::test {
namespace {

// A 640 × 480 image shown at scale 1 with its picture at (10, 20).
const QSize kWorking(640, 480);
const WatermarkView kView{QRect(10, 20, 640, 480), 1.0F};

WatermarkList listOf(const std::vector<QRect>& boxes) {
    std::vector<WatermarkText> texts;
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        texts.push_back(makeText(QStringLiteral("t%1").arg(i), boxes[i]));
    }
    WatermarkList list;
    list.assign(texts, kWorking);
    return list;
}

QRect boxOf(const WatermarkList& list, int i) {
    return list.text(i).box();
}

TEST(WatermarkListTest, BoxesAreFittedIntoTheImage) {
    WatermarkText text;
    // Too wide: 2 pixels narrower than the image, then moved back to end at its right edge.
    text.setBox(QRect(100, 10, 1000, 20));
    fitWatermarkBox(text, kWorking);
    EXPECT_EQ(text.box(), QRect(2, 10, 638, 20));
    text.setBox(QRect(-20, -5, 100, 20));
    fitWatermarkBox(text, kWorking);
    EXPECT_EQ(text.box(), QRect(0, 0, 100, 20));
    // Inverted and extreme boxes of a hostile file come out inside the image.
    text.left = INT32_MAX;
    text.right = INT32_MIN;
    text.top = 400;
    text.bottom = 300;
    fitWatermarkBox(text, kWorking);
    EXPECT_EQ(text.box(), QRect(0, 300, 638, 100));
    // An image of one pixel leaves an empty box, not an inverted one.
    text.setBox(QRect(0, 0, 5, 5));
    fitWatermarkBox(text, QSize(1, 1));
    EXPECT_LE(text.left, text.right);
    EXPECT_LE(text.top, text.bottom);
}

TEST(WatermarkListTest, AddedTextsAreCentredOnThePointUpToTheLimit) {
    WatermarkList list;
    ASSERT_TRUE(list.add(QPoint(320, 240), kWorking));
    EXPECT_EQ(boxOf(list, 0), QRect(160, 210, 320, 60));
    EXPECT_EQ(list.text(0).textString(), QStringLiteral("透かし文字"));
    EXPECT_EQ(list.text(0).size, 36);
    // Small images give smaller boxes; earlier selections stay.
    ASSERT_TRUE(list.add(QPoint(50, 20), QSize(100, 40)));
    EXPECT_EQ(boxOf(list, 1), QRect(0, 0, 100, 40));
    EXPECT_EQ(list.selectedCount(), 2);
    EXPECT_EQ(list.current(), 1);
    while (list.add(QPoint(1, 1), kWorking)) {
    }
    EXPECT_EQ(list.count(), 100);
    EXPECT_FALSE(list.add(QPoint(1, 1), kWorking));
}

TEST(WatermarkListTest, HitTestFindsTheFirstTextInListOrder) {
    const WatermarkList list = listOf({QRect(0, 0, 100, 50), QRect(50, 25, 100, 50)});
    EXPECT_EQ(list.hitTest(kView, QPoint(10 + 60, 20 + 30)), 0);
    EXPECT_EQ(list.hitTest(kView, QPoint(10 + 120, 20 + 60)), 1);
    EXPECT_EQ(list.hitTest(kView, QPoint(10 + 100, 20 + 10)), -1); // right edge is outside
    EXPECT_EQ(list.hitTest(WatermarkView{}, QPoint(60, 30)), -1);
}

TEST(WatermarkListTest, PressesSelectAsTheModifiersSay) {
    WatermarkList list = listOf({QRect(0, 0, 50, 20), QRect(100, 0, 50, 20), QRect(200, 0, 50, 20)});
    // No current text: the pressed one becomes current and selected.
    EXPECT_TRUE(list.pressOn(0, false, false));
    EXPECT_EQ(list.current(), 0);
    // An unselected text without Ctrl replaces the selection; with Ctrl it joins it.
    list.pressOn(1, false, false);
    EXPECT_EQ(list.selectedCount(), 1);
    list.pressOn(2, true, false);
    EXPECT_EQ(list.selectedCount(), 2);
    EXPECT_EQ(list.current(), 2);
    // A selected text pressed without keys keeps the others selected and becomes current (a drag then
    // moves them all); with Ctrl the same.
    list.pressOn(1, false, false);
    EXPECT_EQ(list.selectedCount(), 2);
    EXPECT_EQ(list.current(), 1);
    // Shift takes a selected text out; the current text moves to the first selected one.
    list.pressOn(1, false, true);
    EXPECT_EQ(list.text(1).selected, 0);
    EXPECT_EQ(list.current(), 2);
    list.pressOn(2, false, true);
    EXPECT_EQ(list.current(), -1);
    EXPECT_EQ(list.selectedCount(), 0);
}

TEST(WatermarkListTest, GroupDragLeavesTheTextAtTheEdgeAndReturnsExactly) {
    // Text 1 touches the picture's right edge: a drag to the right moves only text 0.
    WatermarkList list = listOf({QRect(100, 100, 50, 20), QRect(590, 100, 50, 20)});
    list.selectAll();
    const std::vector<QRect> start = list.boxes();
    EXPECT_TRUE(list.dragSelected(kView, start, QPoint(10, 5)));
    EXPECT_EQ(boxOf(list, 0), QRect(110, 105, 50, 20));
    EXPECT_EQ(boxOf(list, 1), QRect(590, 100, 50, 20));
    // Unselected texts stay.
    list.text(0).selected = 0;
    EXPECT_TRUE(list.dragSelected(kView, start, QPoint(-30, 0)));
    EXPECT_EQ(boxOf(list, 0), QRect(110, 105, 50, 20));
    EXPECT_EQ(boxOf(list, 1), QRect(560, 100, 50, 20));

    // At a fractional scale the sizes stay and the drag back to the start gives the start boxes.
    const WatermarkView third{QRect(0, 0, 213, 160), 1.0F / 3.0F};
    WatermarkList scaled = listOf({QRect(301, 100, 61, 31)});
    scaled.selectAll();
    const std::vector<QRect> from = scaled.boxes();
    for (int x = 1; x <= 20; ++x) {
        scaled.dragSelected(third, from, QPoint(x, x / 2));
        EXPECT_EQ(boxOf(scaled, 0).size(), QSize(61, 31));
    }
    EXPECT_GT(boxOf(scaled, 0).x(), 301 + 50);
    scaled.dragSelected(third, from, QPoint(0, 0));
    EXPECT_EQ(boxOf(scaled, 0), QRect(301, 100, 61, 31));
}

TEST(WatermarkListTest, ResizeOutlinesOfNinePixelsOrLessAreRefused) {
    const QRect box(110, 120, 100, 50); // screen box
    // Handle 2 (bottom-right) to 9 pixels wide: refused; 10 pixels: accepted.
    EXPECT_FALSE(watermarkResizeOutline(kView, box, 2, QPoint(119, 200)));
    EXPECT_EQ(watermarkResizeOutline(kView, box, 2, QPoint(120, 200)), QRect(110, 120, 10, 80));
    // Handle 4 moves the top edge only; a pointer beyond the picture is kept at its edge.
    EXPECT_EQ(watermarkResizeOutline(kView, box, 4, QPoint(0, -50)), QRect(110, 20, 100, 150));
    // Dragged past the opposite side, the outline is normalised.
    EXPECT_EQ(watermarkResizeOutline(kView, box, 7, QPoint(260, 130)), QRect(210, 120, 50, 50));
    EXPECT_FALSE(watermarkResizeOutline(kView, box, 6, QPoint(150, 125)));
}

TEST(WatermarkListTest, BandsCountWhenOneSideExceedsTenPixels) {
    WatermarkList list = listOf({QRect(0, 0, 5, 5), QRect(200, 200, 40, 20), QRect(300, 200, 40, 20)});
    // 10 × 10 selects nothing, even around a text that fits.
    EXPECT_FALSE(list.selectInBand(kView, QRect(8, 18, 10, 10)));
    EXPECT_EQ(list.selectedCount(), 0);
    // 11 × 2 counts.
    EXPECT_TRUE(list.selectInBand(kView, QRect(10, 20, 11, 2)));
    // Texts wholly inside are selected (far edges exclusive) and the first becomes current.
    EXPECT_TRUE(list.selectInBand(kView, QRect(10 + 190, 20 + 190, 200, 31)));
    EXPECT_EQ(list.text(1).selected, 1);
    EXPECT_EQ(list.text(2).selected, 1);
    EXPECT_EQ(list.current(), 1);
    WatermarkList tight = listOf({QRect(200, 200, 40, 20)});
    EXPECT_TRUE(tight.selectInBand(kView, QRect(10 + 200, 20 + 200, 40, 20)));
    EXPECT_EQ(tight.selectedCount(), 0);
    EXPECT_TRUE(tight.selectInBand(kView, QRect(10 + 200, 20 + 200, 41, 21)));
    EXPECT_EQ(tight.selectedCount(), 1);
}

TEST(WatermarkListTest, DeletingKeepsTheOthersInOrderAndResetsTheFreedSlots) {
    WatermarkList list = listOf({QRect(0, 0, 10, 10), QRect(20, 0, 10, 10), QRect(40, 0, 10, 10)});
    list.text(1).selected = 1;
    list.setEditing(2);
    list.deleteSelected();
    ASSERT_EQ(list.count(), 2);
    EXPECT_EQ(list.text(0).textString(), QStringLiteral("t0"));
    EXPECT_EQ(list.text(1).textString(), QStringLiteral("t2"));
    EXPECT_TRUE(list.text(2).textString().isEmpty());
    EXPECT_EQ(list.current(), 0);
    EXPECT_EQ(list.editing(), -1);
    list.selectAll();
    list.deleteSelected();
    EXPECT_EQ(list.count(), 0);
    EXPECT_EQ(list.current(), -1);
}

TEST(WatermarkListTest, StyleChangesReachOnlySelectedTextsAndStayInRange) {
    WatermarkList list = listOf({QRect(0, 0, 10, 10), QRect(20, 0, 10, 10)});
    list.toggle(WatermarkList::Style::Bold);
    EXPECT_EQ(list.text(0).bold, 0);
    list.text(1).selected = 1;
    list.setCurrent(1);
    list.toggle(WatermarkList::Style::Underline);
    list.setSize(500);
    list.setShadow(-101);
    EXPECT_TRUE(list.currentHas(WatermarkList::Style::Underline));
    EXPECT_EQ(list.text(1).size, 100);
    EXPECT_EQ(list.text(1).shadow, -100);
    EXPECT_EQ(list.text(0).size, 20);
    // A face that no record can hold changes nothing.
    EXPECT_FALSE(list.setFace(QString(32, QLatin1Char('F'))));
    EXPECT_FALSE(list.setFace(QStringLiteral("Noto Sans 한국어")));
    EXPECT_TRUE(list.setFace(QString(31, QLatin1Char('F'))));
    EXPECT_EQ(list.text(1).faceName(), QString(31, QLatin1Char('F')));
    EXPECT_EQ(list.text(0).faceName(), QStringLiteral("MS UI Gothic"));
}

TEST(WatermarkListTest, ArrowKeysKeepTheSelectedTextsInsideTheImage) {
    WatermarkList list = listOf({QRect(5, 5, 50, 20), QRect(600, 400, 30, 30)});
    EXPECT_FALSE(list.moveSelectedBy(QPoint(-10, 0), kWorking));
    list.selectAll();
    EXPECT_TRUE(list.moveSelectedBy(QPoint(-10, -10), kWorking));
    EXPECT_EQ(boxOf(list, 0), QRect(0, 0, 50, 20));
    EXPECT_EQ(boxOf(list, 1), QRect(590, 390, 30, 30));
    list.moveSelectedBy(QPoint(20, 100), kWorking);
    EXPECT_EQ(boxOf(list, 1), QRect(610, 450, 30, 30));
}

TEST(WatermarkListTest, ViewConversionsTruncateLikeTheWindow) {
    const WatermarkView half{QRect(10, 20, 320, 240), 0.5F};
    EXPECT_EQ(half.toScreen(QPoint(3, 5)), QPoint(11, 22));
    EXPECT_EQ(half.toImage(QPoint(11, 22)), QPoint(2, 4));
    EXPECT_EQ(half.toScreen(QRect(10, 10, 21, 11)), QRect(15, 25, 10, 5));
    EXPECT_EQ(half.lengthToImage(7), 14);
    EXPECT_EQ(WatermarkView{}.lengthToImage(7), 0);
}

} // namespace
} // namespace corvane::test
