// The watermark texts in the settings' section "Obj".

#include "watermark/WatermarkSettings.h"
#include "platform/Settings.h"
#include "tests/watermark/WatermarkTestSupport.h"

#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

namespace corvane::test {
namespace {

class WatermarkSettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_folder.isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_folder.path());
    }
    void put(const QString& name, const QVariant& value) {
        QSettings(QStringLiteral("Pellucora"), QStringLiteral("Corvane"))
            .setValue(QStringLiteral("Obj/") + name, value);
    }
    QVariant stored(const QString& name) const {
        return QSettings(QStringLiteral("Pellucora"), QStringLiteral("Corvane"))
            .value(QStringLiteral("Obj/") + name);
    }

    SettingsStore settings;

private:
    QTemporaryDir m_folder;
};

TEST_F(WatermarkSettingsTest, TextsRoundTripUnderTheirValueNames) {
    std::vector<WatermarkText> texts = {makeText(QStringLiteral("社外秘\n複製禁止"), QRect(10, 20, 300, 60)),
                                        makeText(QStringLiteral("DRAFT"), QRect(-4, 0, 100, 40))};
    texts[0].italic = 1;
    texts[0].underline = 1;
    texts[1].strike = 1;
    texts[1].shadow = -7;
    texts[1].shadowColor = 0x112233;
    texts[1].setFace(QStringLiteral("Meiryo UI"));
    texts[1].selected = 1;
    saveWatermarks(settings, texts);

    EXPECT_EQ(stored(QStringLiteral("Max")).toInt(), 2);
    EXPECT_EQ(stored(QStringLiteral("Text0")).toString(), QStringLiteral("社外秘\r\n複製禁止"));
    EXPECT_EQ(stored(QStringLiteral("iKage1")).toInt(), 93);
    EXPECT_EQ(stored(QStringLiteral("Del1")).toInt(), 1);
    EXPECT_EQ(stored(QStringLiteral("L1")).toInt(), -4);
    EXPECT_EQ(stored(QStringLiteral("FontName0")).toString(), QStringLiteral("MS UI Gothic"));

    QStringList adjustments;
    const std::vector<WatermarkText> loaded =
        loadWatermarks(settings, storedWatermarkCount(settings), adjustments);
    ASSERT_EQ(loaded.size(), 2u);
    EXPECT_TRUE(adjustments.isEmpty());
    texts[1].selected = 0; // the selection is not stored
    for (std::size_t i = 0; i < loaded.size(); ++i) {
        EXPECT_EQ(loaded[i].textString(), texts[i].textString());
        EXPECT_EQ(loaded[i].faceName(), texts[i].faceName());
        EXPECT_EQ(loaded[i].box(), texts[i].box());
        EXPECT_EQ(std::tie(loaded[i].size, loaded[i].bold, loaded[i].italic, loaded[i].strike,
                           loaded[i].underline, loaded[i].shadow, loaded[i].shadowColor, loaded[i].color,
                           loaded[i].selected),
                  std::tie(texts[i].size, texts[i].bold, texts[i].italic, texts[i].strike, texts[i].underline,
                           texts[i].shadow, texts[i].shadowColor, texts[i].color, texts[i].selected));
    }
}

TEST_F(WatermarkSettingsTest, NoTextsLeaveTheEarlierSetAndLargerSetsKeepTheirTail) {
    saveWatermarks(settings, std::vector<WatermarkText>{makeText(QStringLiteral("a"), QRect(0, 0, 9, 9)),
                                                        makeText(QStringLiteral("b"), QRect(0, 0, 9, 9))});
    saveWatermarks(settings, std::vector<WatermarkText>{});
    EXPECT_EQ(storedWatermarkCount(settings), 2);
    saveWatermarks(settings, std::vector<WatermarkText>{makeText(QStringLiteral("c"), QRect(0, 0, 9, 9))});
    EXPECT_EQ(storedWatermarkCount(settings), 1);
    EXPECT_EQ(stored(QStringLiteral("Text1")).toString(), QStringLiteral("b"));
}

TEST_F(WatermarkSettingsTest, MissingAndBadValuesGiveDefaultsOrComeIntoRange) {
    put(QStringLiteral("Size0"), 500);
    put(QStringLiteral("iKage0"), 999);
    put(QStringLiteral("Text0"), QString(200, QChar(0x3042)) /* 400 bytes */);
    put(QStringLiteral("FontName0"), QStringLiteral("Noto Sans 한국어"));
    put(QStringLiteral("Text1"), QStringLiteral("𠮷野家"));
    put(QStringLiteral("Size1"), QStringLiteral("not a number"));
    QStringList adjustments;
    const std::vector<WatermarkText> texts = loadWatermarks(settings, 3, adjustments);
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[0].size, 100);
    EXPECT_EQ(texts[0].shadow, 100);
    EXPECT_EQ(texts[0].textString(), QString(149, QChar(0x3042)));
    EXPECT_EQ(texts[0].faceName(), QStringLiteral("MS UI Gothic"));
    EXPECT_EQ(texts[1].textString(), QStringLiteral("?野家"));
    EXPECT_EQ(texts[1].size, 36);
    // Text 2 has no values at all: the defaults.
    EXPECT_TRUE(texts[2].textString().isEmpty());
    EXPECT_EQ(texts[2].color, 0x808080u);
    EXPECT_EQ(texts[2].shadowColor, 0xC0C0C0u);
    EXPECT_EQ(texts[2].shadow, 0);
    EXPECT_EQ(texts[2].box(), QRect());
    EXPECT_EQ(adjustments.size(), 5);
}

} // namespace
} // namespace corvane::test
