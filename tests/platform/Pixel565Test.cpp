#include "platform/Pixel565.h"

#include "platform/DeviceBitmap.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

namespace corvane {
namespace {

// floor(i × 255 / top + 0.5), computed in floating point as an independent reference.
int expandReference(int index, int top) {
    return static_cast<int>(std::floor(index * 255.0 / top + 0.5));
}

// The narrowing rule written out literally: the first table entry not below v; its index if it equals
// v; the index below it if it exceeds v by at most `slack`; else its own index.
int quantizeReference(int v, const std::vector<int>& table, int slack) {
    for (int i = 0; i < static_cast<int>(table.size()); ++i) {
        const int entry = table[static_cast<std::size_t>(i)];
        if (entry < v) {
            continue;
        }
        if (entry == v) {
            return i;
        }
        return entry - v <= slack ? i - 1 : i;
    }
    return 0;
}

std::vector<int> referenceTable(int bits) {
    const int top = (1 << bits) - 1;
    std::vector<int> table;
    for (int i = 0; i <= top; ++i) {
        table.push_back(expandReference(i, top));
    }
    return table;
}

TEST(Pixel565, ExpandTablesMatchTheirDefinition) {
    for (int i = 0; i < 32; ++i) {
        EXPECT_EQ(Expand5(static_cast<unsigned>(i)), expandReference(i, 31)) << "index " << i;
    }
    for (int i = 0; i < 64; ++i) {
        EXPECT_EQ(Expand6(static_cast<unsigned>(i)), expandReference(i, 63)) << "index " << i;
    }
    // Published values, so that a wrong reference cannot hide a wrong table.
    const int first5[] = {0, 8, 16, 25, 33, 41, 49, 58};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(Expand5(static_cast<unsigned>(i)), first5[i]) << "index " << i;
    }
    EXPECT_EQ(Expand5(29), 239);
    EXPECT_EQ(Expand5(30), 247);
    EXPECT_EQ(Expand5(31), 255);
    const int first6[] = {0, 4, 8, 12};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(Expand6(static_cast<unsigned>(i)), first6[i]) << "index " << i;
    }
    EXPECT_EQ(Expand6(10), 40);
    EXPECT_EQ(Expand6(11), 45);
    EXPECT_EQ(Expand6(12), 49);
    EXPECT_EQ(Expand6(61), 247);
    EXPECT_EQ(Expand6(62), 251);
    EXPECT_EQ(Expand6(63), 255);
}

TEST(Pixel565, NarrowingEdgeValues) {
    EXPECT_EQ(Quantize5(0), 0);
    EXPECT_EQ(Quantize5(1), 1);
    EXPECT_EQ(Quantize5(5), 1);
    EXPECT_EQ(Quantize5(6), 0);
    EXPECT_EQ(Quantize5(7), 0);
    EXPECT_EQ(Quantize5(8), 1);
    EXPECT_EQ(Quantize5(131), 15); // 132 is entry 16, two above
    EXPECT_EQ(Quantize5(255), 31);
    EXPECT_EQ(Quantize6(0), 0);
    EXPECT_EQ(Quantize6(2), 1);
    EXPECT_EQ(Quantize6(3), 0);
    EXPECT_EQ(Quantize6(44), 10); // 45 is entry 11, one above
    EXPECT_EQ(Quantize6(255), 63);
}

TEST(Pixel565, NarrowingFollowsItsDefinitionForEveryValue) {
    const std::vector<int> table5 = referenceTable(5);
    const std::vector<int> table6 = referenceTable(6);
    for (int v = 0; v < 256; ++v) {
        EXPECT_EQ(Quantize5(static_cast<unsigned>(v)), quantizeReference(v, table5, 2)) << "value " << v;
        EXPECT_EQ(Quantize6(static_cast<unsigned>(v)), quantizeReference(v, table6, 1)) << "value " << v;
    }
    // Every table entry narrows back to its own index, so widening and narrowing again never drifts.
    for (unsigned i = 0; i < 32; ++i) {
        EXPECT_EQ(Quantize5(Expand5(i)), i);
    }
    for (unsigned i = 0; i < 64; ++i) {
        EXPECT_EQ(Quantize6(Expand6(i)), i);
    }
}

TEST(Pixel565, WideningOfWords) {
    EXPECT_EQ(colorFromWord(0xFFFF), makeColor(255, 255, 255));
    EXPECT_EQ(colorFromWord(0xF800), makeColor(255, 0, 0));
    EXPECT_EQ(colorFromWord(0x07E0), makeColor(0, 255, 0));
    EXPECT_EQ(colorFromWord(0x001F), makeColor(0, 0, 255));
    EXPECT_EQ(colorFromWord(0x0000), makeColor(0, 0, 0));

    // The green index as ((high byte & 7) × 8 + low byte / 32) is bits 10..5, for every word.
    for (unsigned word = 0; word < 0x10000; ++word) {
        const unsigned low = word & 0xFF;
        const unsigned high = word >> 8;
        ASSERT_EQ(green6Of(static_cast<std::uint16_t>(word)), (high & 7) * 8 + low / 32) << "word " << word;
    }
}

TEST(Pixel565, ConstantColours) {
    EXPECT_EQ(QuantizeColor16(kBlack), kBlack);
    EXPECT_EQ(QuantizeColor16(kWhite), kWhite);
    EXPECT_EQ(QuantizeColor16(kRed), kRed);
    EXPECT_EQ(wordFromColor(kBlack), 0x0000);
    EXPECT_EQ(wordFromColor(kWhite), 0xFFFF);
    EXPECT_EQ(wordFromColor(kRed), 0xF800);
    EXPECT_EQ(wordFromColor(makeColor(0, 0, 255)), 0x001F);

    // Each channel is narrowed on its own and widened again: red 1 → index 1 → 8, green 3 → 0,
    // blue 131 → 15 → 123.
    EXPECT_EQ(QuantizeColor16(makeColor(1, 3, 131)), makeColor(8, 0, 123));
    EXPECT_EQ(wordFromColor(makeColor(1, 3, 131)), pack565(1, 0, 15));

    // A narrowed colour is a fixed point.
    for (unsigned v = 0; v < 256; ++v) {
        const ColorRef c = makeColor(static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(255 - v),
                                     static_cast<std::uint8_t>(v ^ 0x5A));
        EXPECT_EQ(QuantizeColor16(QuantizeColor16(c)), QuantizeColor16(c)) << "value " << v;
        EXPECT_EQ(colorFromWord(wordFromColor(c)), QuantizeColor16(c)) << "value " << v;
    }
}

TEST(Pixel565, WordLayoutInA16BitBitmap) {
    // Red in bits 15..11, green in 10..5, blue in 4..0, low byte first.
    DeviceBitmap b = DeviceBitmap::create(3, 1, 16);
    ASSERT_FALSE(b.isNull());
    b.setPixel(0, 0, kRed);
    b.setPixel(1, 0, makeColor(0, 255, 0));
    b.setPixel(2, 0, makeColor(0, 0, 255));
    const std::uint8_t expected[] = {0x00, 0xF8, 0xE0, 0x07, 0x1F, 0x00};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(b.bits()[static_cast<std::size_t>(i)], expected[i]) << "byte " << i;
    }
}

} // namespace
} // namespace corvane
