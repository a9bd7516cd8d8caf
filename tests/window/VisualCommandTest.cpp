// The visual comparison's commands in the main window: the grid intersection and the value notation.

#include "tests/window/WindowTestSupport.h"

#include "app/window/AreaView.h"

#include <QAction>

namespace corvane::test {
namespace {

class VisualCommands : public WindowFixture {
protected:
    void SetUp() override {
        WindowFixture::SetUp();
        makeWindow();
        setOriginals(makePicture(40, 30, 1), makePicture(40, 30, 2));
    }
};

TEST_F(VisualCommands, GridIntersectionStartsTheComparisonWithoutInstruction) {
    // A grid position beyond the image (left by a larger image) is taken as it is.
    session().setGridPosition({-4, 300});
    command(155);
    EXPECT_TRUE(session().gridOn());
    EXPECT_TRUE(window().commandAction(149)->isChecked());
    EXPECT_EQ(session().visualPoint(), QPoint(-4, 300));
    EXPECT_EQ(session().currentProcessing(), ProcessingMode::Visual);
    EXPECT_EQ(text(1033), QStringLiteral("目視比較"));
    EXPECT_EQ(text(343), QString());
    // Its neighbourhood lies outside the image: the tables show it so, and nothing is read outside.
    window().areaView().grab();

    // Chosen from the processing menu, the comparison gives its instruction; the grid command then keeps
    // the processing and the instruction as they are.
    session().ResetProcessing();
    command(command::kVisual);
    const QString instruction = text(343);
    EXPECT_FALSE(instruction.isEmpty());
    session().setGridPosition({10, 12});
    command(155);
    EXPECT_EQ(session().visualPoint(), QPoint(10, 12));
    EXPECT_EQ(text(343), instruction);
}

TEST_F(VisualCommands, ValueNotationIsCheckedAndKept) {
    command(command::kVisual);
    for (const int notation : {0, 2, 3, 1}) {
        command(145 + notation);
        EXPECT_EQ(session().valueNotation(), notation);
        for (int other = 0; other < 4; ++other) {
            EXPECT_EQ(window().commandAction(145 + other)->isChecked(), other == notation) << notation;
        }
    }
    command(148);
    window().saveSettings();
    EXPECT_EQ(stored("ColFormat").toInt(), 3);
    // The notation does not run the comparison again.
    EXPECT_EQ(session().currentProcessing(), ProcessingMode::Visual);
}

} // namespace
} // namespace corvane::test
