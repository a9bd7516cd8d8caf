// Layout files: the exact bytes, round trips, and the refusal of damaged or hostile files.

#include "watermark/WatermarkFile.h"
#include "tests/watermark/WatermarkTestSupport.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <vector>

namespace corvane::test {
namespace {

std::vector<WatermarkText> threeTexts() {
    std::vector<WatermarkText> texts = {
        makeText(QStringLiteral("社外秘"), QRect(10, 10, 200, 50)),
        makeText(QStringLiteral("二行の\n透かし"), QRect(50, 100, 300, 80)),
        makeText(QStringLiteral("COPY"), QRect(-5, 0, 60, 30)),
    };
    texts[1].bold = 1;
    texts[1].shadow = -3;
    texts[2].selected = 1;
    return texts;
}

class WatermarkFileTest : public ::testing::Test {
protected:
    QString path(const QString& name) const { return m_folder.filePath(name); }
    QString write(const QString& name, const QByteArray& bytes) const {
        QFile file(path(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path(name);
    }

private:
    QTemporaryDir m_folder;
};

TEST_F(WatermarkFileTest, ThreeTextsMake1156BytesAndReadBackUnchanged) {
    const std::vector<WatermarkText> texts = threeTexts();
    const QString file = path(QStringLiteral("three.wcd"));
    ASSERT_TRUE(writeWatermarkFile(file, texts));
    QFile written(file);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    const QByteArray bytes = written.readAll();
    ASSERT_EQ(bytes.size(), 1156);
    EXPECT_EQ(bytes.left(4), QByteArray("\0\0\0\3", 4));
    EXPECT_EQ(bytes, encodeWatermarkFile(texts));

    const WatermarkFileContents read = readWatermarkFile(file);
    ASSERT_TRUE(read.status) << read.status.message().toStdString();
    EXPECT_EQ(read.texts, texts);
    EXPECT_TRUE(read.adjustments.isEmpty());
    EXPECT_EQ(read.texts[1].textString(), QStringLiteral("二行の\r\n透かし"));
}

TEST_F(WatermarkFileTest, DamagedAndHostileFilesAreRefusedWithTheirReason) {
    const QByteArray good = encodeWatermarkFile(threeTexts());
    QByteArray noTextEnd = good;
    noTextEnd.replace(4, 300, QByteArray(300, 'A'));
    QByteArray noFaceEnd = good;
    noFaceEnd.replace(4 + 384 + 320, 32, QByteArray(32, 'F'));
    QByteArray badCodes = good;
    badCodes[4] = '\x81'; // a lead byte followed by the terminator
    badCodes[5] = '\0';
    QByteArray many = good;
    many[3] = 101;
    QByteArray huge = good;
    huge[0] = '\xFF';
    const struct {
        const char* name;
        QByteArray bytes;
        const char* reason;
    } cases[] = {
        {"empty", QByteArray(), "は空です"},
        {"three bytes", QByteArray("\0\0\0", 3), "3 バイトしかなく"},
        {"count over 100", many, "の透かし文字の数 101 は上限の 100 を超えています"},
        {"count of four billion", huge, "上限の 100 を超えています"},
        {"shorter than its count", good.left(1000),
         "1000 バイトが透かし文字 3 個分の 1156 バイトと合いません"},
        {"longer than its count", good + QByteArray(1, '\0'), "1157 バイト"},
        {"text without end", noTextEnd, "の透かし文字 1 の文字列に終端がありません"},
        {"face without end", noFaceEnd, "の透かし文字 2 のフォント名に終端がありません"},
        {"not code page 932", badCodes, "の透かし文字 1 の文字列が正しいシフトJIS"},
    };
    for (const auto& c : cases) {
        const QString file = write(QStringLiteral("bad.wcd"), c.bytes);
        const WatermarkFileContents read = readWatermarkFile(file);
        EXPECT_FALSE(read.status) << c.name;
        EXPECT_TRUE(read.opened) << c.name;
        EXPECT_TRUE(read.texts.empty()) << c.name;
        EXPECT_TRUE(read.status.message().startsWith(QStringLiteral("「bad.wcd」"))) << c.name;
        EXPECT_TRUE(read.status.message().contains(QString::fromUtf8(c.reason)))
            << c.name << ": " << read.status.message().toStdString();
    }
    // A file longer than any layout is refused without being read whole.
    const WatermarkFileContents big =
        readWatermarkFile(write(QStringLiteral("big.wcd"), QByteArray(1 << 20, '\0')));
    EXPECT_FALSE(big.status);
    EXPECT_TRUE(big.status.message().contains(QStringLiteral("大きすぎます")));
    const WatermarkFileContents missing = readWatermarkFile(path(QStringLiteral("missing.wcd")));
    EXPECT_FALSE(missing.status);
    EXPECT_FALSE(missing.opened);
}

TEST_F(WatermarkFileTest, ValuesOutOfRangeAreBroughtIntoRangeAndListed) {
    std::vector<WatermarkText> texts = threeTexts();
    texts[0].size = 1000;
    texts[1].shadow = -500;
    texts[2].italic = 7;
    const WatermarkFileContents read =
        decodeWatermarkFile(encodeWatermarkFile(texts), QStringLiteral("x.wcd"));
    ASSERT_TRUE(read.status);
    EXPECT_EQ(read.texts[0].size, 100);
    EXPECT_EQ(read.texts[1].shadow, -100);
    EXPECT_EQ(read.texts[2].italic, 1);
    ASSERT_EQ(read.adjustments.size(), 2);
    EXPECT_EQ(read.adjustments[0], QStringLiteral("透かし文字 1 の文字サイズ 1000 を 100 にしました"));
    EXPECT_EQ(read.adjustments[1], QStringLiteral("透かし文字 2 の影の長さ -500 を -100 にしました"));
    // An empty layout is a layout.
    EXPECT_TRUE(decodeWatermarkFile(QByteArray(4, '\0'), QStringLiteral("x.wcd")).status);
}

TEST_F(WatermarkFileTest, AFailedSaveNamesTheFile) {
    const Status written = writeWatermarkFile(path(QStringLiteral("missing/x.wcd")), threeTexts());
    EXPECT_FALSE(written);
    EXPECT_TRUE(written.message().startsWith(QStringLiteral("「x.wcd」"))) << written.message().toStdString();
}

} // namespace
} // namespace corvane::test
