#include "platform/DisplayFormat.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

TEST(DisplayFormat, ScreenDepths) {
    EXPECT_EQ(bitsForScreenDepth(16), 16);
    EXPECT_EQ(bitsForScreenDepth(24), 32);
    EXPECT_EQ(bitsForScreenDepth(32), 32);
    for (const int depth : {0, 1, 8, 15, 30, 48, -16}) {
        EXPECT_EQ(bitsForScreenDepth(depth), 0) << depth;
    }
}

TEST(DisplayFormat, ParsesOnlyTheThreeFormats) {
    EXPECT_EQ(parseBitsPerPixel("16"), 16);
    EXPECT_EQ(parseBitsPerPixel("24"), 24);
    EXPECT_EQ(parseBitsPerPixel("32"), 32);
    for (const char* text :
         {"", "8", "15", "0", "-16", "024", " 24", "24 ", "24bit", "32.0", "0x10", "sixteen"}) {
        EXPECT_EQ(parseBitsPerPixel(text), 0) << '"' << text << '"';
    }
}

TEST(DisplayFormat, Precedence) {
    // A forced value wins over the environment, which wins over the screen; a forced or environment
    // value may pick 24 bits, which the screen never does.
    EXPECT_EQ(chooseDisplayBits(16, "32", 24), 16);
    EXPECT_EQ(chooseDisplayBits(24, "16", 16), 24);
    EXPECT_EQ(chooseDisplayBits(32, nullptr, 16), 32);
    EXPECT_EQ(chooseDisplayBits(0, "24", 16), 24);
    EXPECT_EQ(chooseDisplayBits(0, "16", 32), 16);
    EXPECT_EQ(chooseDisplayBits(0, nullptr, 16), 16);
    EXPECT_EQ(chooseDisplayBits(0, nullptr, 24), 32);
    EXPECT_EQ(chooseDisplayBits(0, nullptr, 32), 32);
    EXPECT_EQ(chooseDisplayBits(0, nullptr, 8), 0);
}

TEST(DisplayFormat, BadValuesGiveNoFormat) {
    // A bad forced value is not passed over in favour of the environment or the screen, and neither is
    // a bad environment value in favour of the screen.
    for (const int forced : {8, 15, 17, 64, -16, -32}) {
        EXPECT_EQ(chooseDisplayBits(forced, "32", 32), 0) << forced;
        EXPECT_EQ(chooseDisplayBits(forced, nullptr, 16), 0) << forced;
    }
    for (const char* environment : {"8", "15", "x", "24 ", "032"}) {
        EXPECT_EQ(chooseDisplayBits(0, environment, 32), 0) << '"' << environment << '"';
        EXPECT_EQ(chooseDisplayBits(16, environment, 32), 16) << '"' << environment << '"';
    }
}

} // namespace
} // namespace corvane
