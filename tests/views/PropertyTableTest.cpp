// The fifteen rows of the property comparison for real files.

#include "views/PropertyTable.h"
#include "imagefiles/ImageConversion.h"
#include "views/ColorStatistics.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QTemporaryDir>

#include <string>

using namespace corvane;

namespace {

// clang-format off
const char* const kLabels[15] = {"ファイルサイズ(bytes)", "大きさ(横 × 縦 pixel)", "総ピクセル数", "総色数",
    "白色数 RGB(255,255,255)", "黄色数 RGB(255,255,0)", "紫色数 RGB(255,0,255)", "赤色数 RGB(255,0,0)",
    "緑色数 RGB(0,255,0)", "水色数 RGB(0,255,255)", "青色数 RGB(0,0,255)", "黒色数 RGB(0,0,0)",
    "SHA256", "MD5", "CRC"};
// clang-format on

// What the property comparison gathers for one original: the file's data and the statistics of the
// surface the decoded image is drawn into.
OriginalProperties propertiesOf(const QString& path, int bits) {
    OriginalProperties p;
    p.path = path;
    readFileProperties(p);
    const QImage image = QImageReader(path).read();
    const DeviceBitmap surface = toBitmap(image, bits);
    p.width = image.width();
    p.height = image.height();
    p.colorCounts = countPureColors(surface);
    p.distinctColors = countDistinctColors(surface);
    return p;
}

class PropertyRows : public ::testing::TestWithParam<int> {};

} // namespace

TEST_P(PropertyRows, SamePixelsInDifferentFiles) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    QImage white(4, 4, QImage::Format_RGB32);
    white.fill(Qt::white);
    const QString png = folder.filePath(QStringLiteral("white.png"));
    const QString bmp = folder.filePath(QStringLiteral("white.bmp"));
    ASSERT_TRUE(white.save(png, "png"));
    ASSERT_TRUE(white.save(bmp, "bmp"));

    const auto rows = buildPropertyRows(propertiesOf(png, GetParam()), propertiesOf(bmp, GetParam()));
    ASSERT_EQ(rows.size(), 15u);
    for (int i = 0; i < 15; ++i) {
        const PropertyRow& row = rows[static_cast<std::size_t>(i)];
        EXPECT_EQ(row.number, QString::number(i + 1));
        EXPECT_EQ(row.label, QString::fromUtf8(kLabels[i]));
        if (i >= 1 && i <= 11) {
            EXPECT_EQ(row.result, QStringLiteral("合致")) << i + 1;
        } else if (i >= 12) {
            EXPECT_EQ(row.result, QStringLiteral("×")) << i + 1;
        }
        EXPECT_EQ(row.result == QStringLiteral("合致"), row.value1 == row.value2);
    }
    EXPECT_EQ(rows[1].value1, QStringLiteral("4 × 4"));
    EXPECT_EQ(rows[2].value1, QStringLiteral("16"));
    EXPECT_EQ(rows[3].value1, QStringLiteral("1"));
    EXPECT_EQ(rows[4].value1, QStringLiteral("16"));
    for (int i = 5; i < 12; ++i) {
        EXPECT_EQ(rows[static_cast<std::size_t>(i)].value1, QStringLiteral("0"));
    }
}

INSTANTIATE_TEST_SUITE_P(Depths, PropertyRows, ::testing::Values(16, 24, 32),
                         [](const auto& p) { return "Bits" + std::to_string(p.param); });

TEST(PropertyTable, ValuesAreFormattedAndMissingFilesCompareEqual) {
    OriginalProperties one;
    one.path = QStringLiteral("/nonexistent/one.png");
    readFileProperties(one);
    EXPECT_EQ(one.fileSize, 0);
    EXPECT_TRUE(one.sha256.isEmpty() && one.md5.isEmpty() && one.crc.isEmpty());

    OriginalProperties two = one;
    two.fileSize = 1234567;
    two.width = 40000;
    two.height = 40000;
    two.distinctColors = 16777216;
    two.colorCounts[7] = 999;
    const auto rows = buildPropertyRows(one, two);
    EXPECT_EQ(rows[0].value2, QStringLiteral("1,234,567"));
    EXPECT_EQ(rows[1].value2, QStringLiteral("40,000 × 40,000"));
    // 1 600 000 000 has ten digits: no commas.
    EXPECT_EQ(rows[2].value2, QStringLiteral("1600000000"));
    EXPECT_EQ(rows[3].value2, QStringLiteral("16,777,216"));
    EXPECT_EQ(rows[11].value2, QStringLiteral("999"));
    EXPECT_EQ(rows[0].value1, QStringLiteral("0"));
    // Two files that cannot be read have equal (empty) digests.
    for (int i = 12; i < 15; ++i) {
        EXPECT_EQ(rows[static_cast<std::size_t>(i)].result, QStringLiteral("合致"));
    }
    EXPECT_EQ(rows[0].result, QStringLiteral("×"));
}
