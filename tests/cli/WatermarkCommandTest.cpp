// corvane-cli watermark, run as its own process (it draws text through the GUI application's fonts on the
// offscreen platform, so it needs no display): outputs, the both-or-nothing rule and the errors.

#include "watermark/WatermarkFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace corvane {
namespace {

class ApplicationEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "corvane-watermark-command-tests";
        static char* argv[] = {name, nullptr};
        m_application = std::make_unique<QCoreApplication>(argc, argv);
    }
    void TearDown() override { m_application.reset(); }

private:
    std::unique_ptr<QCoreApplication> m_application;
};

[[maybe_unused]] const ::testing::Environment* const registered =
    ::testing::AddGlobalTestEnvironment(new ApplicationEnvironment);

WatermarkText blackSquare(const QRect& box) {
    WatermarkText text;
    text.reset();
    text.setText(QStringLiteral("■"));
    text.setBox(box);
    text.color = 0;
    text.size = 24;
    return text;
}

class WatermarkCommand : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_folder.isValid());
        QImage image(120, 80, QImage::Format_RGB32);
        image.fill(qRgb(200, 180, 160));
        ASSERT_TRUE(image.save(path("image.png")));
        // The box reaches past the right edge: it is fitted into the image first.
        ASSERT_TRUE(writeWatermarkFile(path("layout.wcd"),
                                       std::vector<WatermarkText>{blackSquare(QRect(100, 20, 60, 40))}));
    }

    QString path(const char* name) const { return m_folder.filePath(QString::fromUtf8(name)); }

    int run(const QStringList& words) {
        QStringList arguments;
        for (const QString& word : words) {
            arguments.push_back(word.startsWith(QLatin1Char('@')) ? path(word.mid(1).toUtf8().constData())
                                                                  : word);
        }
        QProcess process;
        process.start(QStringLiteral(CORVANE_CLI_PATH), arguments);
        EXPECT_TRUE(process.waitForFinished(30000));
        out = QString::fromUtf8(process.readAllStandardOutput());
        err = QString::fromUtf8(process.readAllStandardError());
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }

    QString out;
    QString err;

private:
    QTemporaryDir m_folder;
};

TEST_F(WatermarkCommand, WritesMultiplyAndDarkenOfTheFittedLayout) {
    ASSERT_EQ(run({"watermark", "@image.png", "@layout.wcd", "-o", "@r1.png", "--output2", "@r2.bmp"}), 0)
        << err.toStdString();
    EXPECT_TRUE(out.isEmpty());
    const QImage first(path("r1.png"));
    const QImage second(path("r2.bmp"));
    ASSERT_FALSE(first.isNull());
    ASSERT_FALSE(second.isNull());
    // Outside the text: the image unchanged (white background); inside the fitted box: black.
    EXPECT_EQ(first.pixel(5, 5) & 0xFFFFFFu, 0xC8B4A0u);
    EXPECT_EQ(second.pixel(5, 5) & 0xFFFFFFu, 0xC8B4A0u);
    int black = 0;
    for (int y = 20; y < 60; ++y) {
        for (int x = 60; x < 120; ++x) {
            black += (first.pixel(x, y) & 0xFFFFFFu) == 0 ? 1 : 0;
        }
    }
    EXPECT_GT(black, 100);
    // A coloured background tints result 1 everywhere.
    ASSERT_EQ(run({"watermark", "@image.png", "@layout.wcd", "-o", "@tinted.png", "--background", "0x808080",
                   "--bits-per-pixel", "16"}),
              0)
        << err.toStdString();
    EXPECT_LT(qRed(QImage(path("tinted.png")).pixel(5, 5)), 110);
}

TEST_F(WatermarkCommand, ErrorsExitTwoWithOneLineAndWriteNothing) {
    QFile hostile(path("hostile.wcd"));
    ASSERT_TRUE(hostile.open(QIODevice::WriteOnly));
    hostile.write(QByteArray("\x7F\xFF\xFF\xFF", 4));
    hostile.close();
    const std::vector<QStringList> failing = {
        {"watermark", "@image.png", "@hostile.wcd", "-o", "@x1.png", "--output2", "@x2.png"},
        {"watermark", "@image.png", "@missing.wcd", "-o", "@x1.png"},
        {"watermark", "@image.png", "@layout.wcd"},
        {"watermark", "@image.png", "@layout.wcd", "-o", "@x1.png", "--background", "checker"},
        {"watermark", "@image.png", "@layout.wcd", "-o", "@x1.png", "--output2", "@x1.png"},
        {"watermark", "@image.png", "@layout.wcd", "-o", "@x1.png", "--shift", "1,1"},
        // Result 2 cannot be written: result 1 is not left behind either.
        {"watermark", "@image.png", "@layout.wcd", "-o", "@x1.png", "--output2", "@no/such/folder/x2.png"},
        {"watermark", "@image.png", "@layout.wcd", "-o", "@x1.png", "--output2", "@x2.jpg"},
    };
    for (const QStringList& words : failing) {
        SCOPED_TRACE(words.join(QLatin1Char(' ')).toStdString());
        EXPECT_EQ(run(words), 2);
        EXPECT_EQ(err.count(QLatin1Char('\n')), 1) << err.toStdString();
        EXPECT_TRUE(err.startsWith(QStringLiteral("corvane-cli: ")));
        EXPECT_FALSE(QFileInfo::exists(path("x1.png")));
    }
    EXPECT_EQ(run({"watermark", "@image.png", "@hostile.wcd", "-o", "@x1.png"}), 2);
    EXPECT_TRUE(err.contains(
        QStringLiteral("「hostile.wcd」の透かし文字の数 2147483647 は上限の 100 を超えています")))
        << err.toStdString();
    // No temporary file is left in the folder.
    EXPECT_TRUE(QDir(path("."))
                    .entryList(QStringList{QStringLiteral(".corvane-*")}, QDir::Hidden | QDir::Files)
                    .isEmpty());
}

TEST_F(WatermarkCommand, ValuesBroughtIntoRangeAreListed) {
    WatermarkText big = blackSquare(QRect(0, 0, 50, 30));
    big.size = 400;
    ASSERT_TRUE(writeWatermarkFile(path("big.wcd"), std::vector<WatermarkText>{big}));
    ASSERT_EQ(run({"watermark", "@image.png", "@big.wcd", "-o", "@big.png"}), 0) << err.toStdString();
    EXPECT_EQ(out, QStringLiteral("「big.wcd」：透かし文字 1 の文字サイズ 400 を 100 にしました\n"));
}

} // namespace
} // namespace corvane
