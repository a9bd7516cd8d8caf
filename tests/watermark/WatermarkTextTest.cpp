// The watermark record: its byte layout and the code page 932 fields.

#include "watermark/WatermarkText.h"
#include "tests/watermark/WatermarkTestSupport.h"

#include <gtest/gtest.h>

#include <array>

namespace corvane::test {
namespace {

using Record = std::array<std::uint8_t, kWatermarkRecordBytes>;

std::uint32_t le32(const Record& bytes, std::size_t offset) {
    return std::uint32_t{bytes[offset]} | (std::uint32_t{bytes[offset + 1]} << 8) |
           (std::uint32_t{bytes[offset + 2]} << 16) | (std::uint32_t{bytes[offset + 3]} << 24);
}

QString repeated(const QString& piece, int times) {
    QString text;
    for (int i = 0; i < times; ++i) {
        text += piece;
    }
    return text;
}

TEST(WatermarkTextTest, RecordBytesFollowTheFileLayoutAndSurviveARoundTrip) {
    WatermarkText text = makeText(QStringLiteral("透かし"), QRect(QPoint(-5, 7), QPoint(99, 49)));
    text.color = 0x123456;
    text.setFace(QStringLiteral("Meiryo UI"));
    text.size = 72;
    text.bold = 1;
    text.strike = 1;
    text.shadow = -3;
    text.shadowColor = 0xABCDEF;
    text.selected = 1;
    // Bytes after a terminator are carried as they are.
    text.text[250] = 'Z';
    text.face[30] = 'Q';

    Record bytes{};
    text.encode(bytes);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(bytes.data()), 7),
              QByteArray("\x93\xa7\x82\xa9\x82\xb5\0", 7));
    EXPECT_EQ(bytes[250], 'Z');
    EXPECT_EQ(le32(bytes, 300), 0x123456u);
    EXPECT_EQ(static_cast<std::int32_t>(le32(bytes, 304)), -5);
    EXPECT_EQ(le32(bytes, 308), 7u);
    EXPECT_EQ(le32(bytes, 312), 100u);
    EXPECT_EQ(le32(bytes, 316), 50u);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(bytes.data() + 320)), QByteArray("Meiryo UI"));
    EXPECT_EQ(bytes[350], 'Q');
    const std::array<std::uint32_t, 8> tail = {72, 1, 0, 1, 0, static_cast<std::uint32_t>(-3), 0xABCDEF, 1};
    for (std::size_t i = 0; i < tail.size(); ++i) {
        EXPECT_EQ(le32(bytes, 352 + 4 * i), tail[i]) << "field at " << 352 + 4 * i;
    }
    EXPECT_EQ(WatermarkText::decode(bytes), text);
}

TEST(WatermarkTextTest, ResetGivesTheSlotValues) {
    WatermarkText text = makeText(QStringLiteral("x"), QRect(1, 2, 3, 4));
    text.shadow = 40;
    text.selected = 1;
    text.reset();
    EXPECT_TRUE(text.textString().isEmpty());
    EXPECT_EQ(text.color, 0x808080u);
    EXPECT_EQ(text.faceName(), QStringLiteral("MS UI Gothic"));
    EXPECT_EQ(text.size, 36);
    EXPECT_EQ(text.shadow, 0);
    EXPECT_EQ(text.shadowColor, 0xC0C0C0u);
    EXPECT_EQ(text.selected, 0);
    EXPECT_EQ(text.box(), QRect());
}

TEST(WatermarkTextTest, TextsAreStoredWithCrLfAndCutAtCharacterBoundaries) {
    WatermarkText text;
    EXPECT_EQ(text.setText(QStringLiteral("一行目\n二行目")), FieldFit::Whole);
    EXPECT_EQ(text.textString(), QStringLiteral("一行目\r\n二行目"));

    // 299 bytes fit: one single-byte character and 149 double-byte ones.
    EXPECT_EQ(text.setText(QStringLiteral("a") + repeated(QStringLiteral("あ"), 149)), FieldFit::Whole);
    EXPECT_EQ(text.textString().size(), 150);
    // One byte more: the last double-byte character goes whole, never half of it.
    EXPECT_EQ(text.setText(QStringLiteral("ab") + repeated(QStringLiteral("あ"), 149)), FieldFit::Cut);
    EXPECT_EQ(text.textString(), QStringLiteral("ab") + repeated(QStringLiteral("あ"), 148));
    EXPECT_EQ(text.text[298], '\0');
    // A line break is not split from its LF either.
    EXPECT_EQ(text.setText(repeated(QStringLiteral("a"), 298) + QStringLiteral("\nb")), FieldFit::Cut);
    EXPECT_EQ(text.textString(), repeated(QStringLiteral("a"), 298));

    // A character the code page lacks refuses the text and keeps the stored one.
    EXPECT_EQ(text.setText(QStringLiteral("𠮷野家")), FieldFit::Unencodable);
    EXPECT_EQ(text.textString(), repeated(QStringLiteral("a"), 298));
    EXPECT_EQ(charactersOutsideCp932(QStringLiteral("𠮷é𠮷〜")), QStringLiteral("𠮷é"));
}

TEST(WatermarkTextTest, FacesAreCutTo31BytesAndAnEmptyFaceIsTheDefault) {
    WatermarkText text;
    text.face.fill('\0');
    EXPECT_EQ(text.faceName(), QStringLiteral("MS UI Gothic"));
    EXPECT_EQ(text.setFace(repeated(QStringLiteral("F"), 40)), FieldFit::Cut);
    EXPECT_EQ(text.faceName(), repeated(QStringLiteral("F"), 31));
    EXPECT_EQ(text.setFace(QStringLiteral("ＭＳ ゴシック")), FieldFit::Whole);
    EXPECT_EQ(text.faceName(), QStringLiteral("ＭＳ ゴシック"));
}

TEST(WatermarkTextTest, BoxesOfAnyCoordinatesGiveNormalisedRectangles) {
    WatermarkText text;
    text.left = 50;
    text.right = 10;
    text.top = 8;
    text.bottom = 2;
    EXPECT_EQ(text.box(), QRect(10, 2, 40, 6));
    text.left = INT32_MIN;
    text.right = INT32_MAX;
    const QRect box = text.box();
    EXPECT_LT(box.x(), 0);
    EXPECT_GT(box.width(), 0);
}

} // namespace
} // namespace corvane::test
