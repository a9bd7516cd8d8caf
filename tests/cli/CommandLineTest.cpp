// corvane-cli's contract: commands, outputs and exit codes.

#include "tests/cli/CommandLineFixture.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QRegularExpression>

#include <vector>

namespace corvane::test {
namespace {

TEST_F(CommandLine, ComparisonsExitZeroWhenEqualAndOneWhenDifferent) {
    EXPECT_EQ(run({"pixel", "@a.png", "@same.png"}), 0) << err.toStdString();
    EXPECT_EQ(run({"pixel", "@a.png", "@b.png", "-o", "@map.png", "--background", "black"}), 1)
        << err.toStdString();
    const QImage map(path("map.png"));
    ASSERT_FALSE(map.isNull());
    EXPECT_EQ(map.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(map.pixel(10, 10), qRgb(0, 0, 0));
    EXPECT_TRUE(err.isEmpty());

    EXPECT_EQ(run({"gradation", "--edge", "--space", "hls", "@a.png", "@b.png"}), 1);
    EXPECT_EQ(run({"composite", "--blend", "12", "--binarize", "--adjust1", "3", "@a.png", "@same.png",
                   "--output2", "@blend.bmp", "--bmp-bits", "8rle"}),
              0);
    EXPECT_FALSE(QImage(path("blend.bmp")).isNull());
    EXPECT_EQ(
        run({"extract", "--adjust1", "64", "--adjust2", "10", "@a.png", "@b.png", "-o", "@extract.tiff"}), 1);
    EXPECT_FALSE(QImage(path("extract.tiff")).isNull());
}

// A pixel comparison without -o or --output2 draws no result images; its count and exit code are those of
// a run that saves them, with a shift, after edge detection and in JSON too.
TEST_F(CommandLine, PixelCountIsTheSameWithoutResultImages) {
    const std::vector<QStringList> variants = {
        {}, {"--shift", "3,-2"}, {"--edge"}, {"--json"}, {"--bits-per-pixel", "16", "--shift", "-1,1"}};
    for (const QStringList& options : variants) {
        const QStringList counted = QStringList{"pixel", "@a.png", "@b.png"} + options;
        const int code = run(counted);
        const QString summary = out;
        EXPECT_EQ(code, 1) << options.join(' ').toStdString() << ": " << err.toStdString();
        ASSERT_EQ(run(counted + QStringList{"-o", "@r1.png", "--output2", "@r2.bmp"}), code)
            << err.toStdString();
        const QImage map = QImage(path("r1.png")).convertToFormat(QImage::Format_RGB32);
        ASSERT_FALSE(map.isNull());
        if (!options.contains(QStringLiteral("--shift")) && !options.contains(QStringLiteral("--edge"))) {
            // The changed pixel shows in the map (not an empty surface saved).
            EXPECT_NE(map.pixel(10, 10), map.pixel(0, 0)) << options.join(' ').toStdString();
        }
        EXPECT_EQ(map, QImage(path("r2.bmp")).convertToFormat(QImage::Format_RGB32));
        if (options.contains(QStringLiteral("--json"))) {
            // The outputs differ by the files written, and only there.
            EXPECT_EQ(QString(out).replace(QRegularExpression(QStringLiteral("\"outputs\":\\[[^]]*\\]")),
                                           QStringLiteral("\"outputs\":[]")),
                      summary);
        } else {
            EXPECT_EQ(out, summary) << options.join(' ').toStdString();
        }
    }
    EXPECT_EQ(run({"pixel", "@a.png", "@same.png"}), 0);
    EXPECT_EQ(out, QStringLiteral("differ 0 of 1536 pixels (0.000 %)\n"));
    // The tolerance options count alike with and without result images.
    for (const QStringList& options : std::vector<QStringList>{
             {"--ignore", "5,5,15,15"}, {"--threshold", "0.01", "--ignore-antialiasing"}}) {
        const QStringList counted = QStringList{"pixel", "@a.png", "@b.png"} + options;
        const int code = run(counted);
        const QString summary = out;
        EXPECT_EQ(run(counted + QStringList{"-o", "@t1.png"}), code) << err.toStdString();
        EXPECT_EQ(out, summary) << options.join(' ').toStdString();
    }
    EXPECT_EQ(run({"pixel", "--ignore", "5,5,15,15", "@a.png", "@b.png"}), 0);
}

TEST_F(CommandLine, ReportsOfHistogramScanBestMatchAndProperties) {
    ASSERT_EQ(run({"histogram", "@a.png", "@same.png"}), 0);
    const QStringList lines = out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 258); // the CSV, then the summary line
    EXPECT_EQ(lines[257], QStringLiteral("differ 0 of 1536 pixels (0.000 %)"));
    EXPECT_EQ(lines[0], QStringLiteral("value,red1,green1,blue1,red2,green2,blue2"));
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("0,")));

    ASSERT_EQ(run({"scan", "--channel", "green", "--shift", "2,0", "@a.png", "@a.png"}), 1);
    const QStringList scan = out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(scan.size(), 4);
    EXPECT_TRUE(scan[3].startsWith(QStringLiteral("differ "))) << scan[3].toStdString();
    EXPECT_TRUE(scan[0].startsWith(QStringLiteral("rate ")));
    EXPECT_TRUE(scan[1].startsWith(QStringLiteral("rows ")));
    EXPECT_EQ(scan[2].split(QLatin1Char(',')).size(), 48);

    ASSERT_EQ(run({"bestmatch", "@a.png", "@same.png"}), 0);
    EXPECT_EQ(out, QStringLiteral("shift 0 0\nrate 100.000\ndiffer 0 of 1536 pixels (0.000 %)\n"));

    ASSERT_EQ(run({"properties", "@a.png", "@b.png"}), 1);
    const QStringList rows = out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(rows.size(), 16);
    EXPECT_EQ(rows[15], QStringLiteral("differ 1 of 1536 pixels (0.065 %)"));
    EXPECT_EQ(rows[0].split(QLatin1Char('\t')).size(), 5);
    EXPECT_TRUE(rows[2].startsWith(QStringLiteral("3\t合致\t総ピクセル数\t1,536\t1,536")));
}

TEST_F(CommandLine, SizeMismatchNeedsYes) {
    EXPECT_EQ(run({"pixel", "@a.png", "@small.png"}), 2);
    EXPECT_TRUE(err.contains(QStringLiteral("small.png"))) << err.toStdString();
    EXPECT_EQ(err.count(QLatin1Char('\n')), 1);
    EXPECT_EQ(run({"pixel", "--yes", "@a.png", "@small.png"}), 1);
}

TEST_F(CommandLine, ErrorsExitTwoWithOneLineNamingTheFile) {
    EXPECT_EQ(run({"pixel", "@a.png", "@missing.png"}), 2);
    EXPECT_TRUE(err.contains(QStringLiteral("missing.png")));
    EXPECT_EQ(run({"pixel", "@a.png"}), 2);
    EXPECT_EQ(run({"nonsense"}), 2);
    EXPECT_EQ(run({"pixel", "--blend", "3", "@a.png", "@b.png"}), 2);
    EXPECT_EQ(run({"composite", "--blend", "15", "@a.png", "@b.png"}), 2);
    EXPECT_EQ(run({"pixel", "--shift", "48,0", "@a.png", "@b.png"}), 2);
    EXPECT_EQ(run({"histogram", "@a.png", "@b.png", "-o", "@h.png"}), 2);
    EXPECT_EQ(run({"convert", "@a.png", "-o", "@x.jpg"}), 2);
    EXPECT_TRUE(err.contains(QStringLiteral("x.jpg")));
    EXPECT_FALSE(QFile::exists(path("x.jpg")));
    QFile text(path("notes.txt"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("hello");
    text.close();
    EXPECT_EQ(run({"convert", "@notes.txt", "-o", "@x.png"}), 2);
    EXPECT_EQ(run({"--help"}), 0);
    EXPECT_TRUE(out.contains(QStringLiteral("corvane-cli pixel")));
}

TEST_F(CommandLine, ConvertAndPreprocessWriteByExtension) {
    ASSERT_EQ(run({"convert", "@a.png", "-o", "@a4.bmp", "--bmp-bits", "4rle"}), 0) << err.toStdString();
    EXPECT_FALSE(QImage(path("a4.bmp")).isNull());
    ASSERT_EQ(run({"convert", "@a.png", "-o", "@a.jpeg", "--quality", "50", "--bits-per-pixel", "16"}), 0);
    EXPECT_EQ(QImage(path("a.jpeg")).size(), QSize(48, 32));
    ASSERT_EQ(run({"convert", "@a.png", "-o", "@copy.png"}), 0);
    EXPECT_EQ(QImage(path("copy.png")).convertToFormat(QImage::Format_RGB32),
              QImage(path("a.png")).convertToFormat(QImage::Format_RGB32));
    ASSERT_EQ(run({"preprocess", "greyscale", "@a.png", "-o", "@grey.png"}), 0);
    const QImage grey(path("grey.png"));
    EXPECT_EQ(qRed(grey.pixel(5, 5)), qBlue(grey.pixel(5, 5)));
    EXPECT_EQ(run({"preprocess", "sharpen", "@a.png", "-o", "@s.png"}), 2);
}

TEST_F(CommandLine, EmbedAndExtractADocument) {
    QFile document(path("report.txt"));
    ASSERT_TRUE(document.open(QIODevice::WriteOnly));
    document.write("the report");
    document.close();
    ASSERT_EQ(run({"embed", "@report.txt", "@a.png", "-o", "@carrier.png"}), 0) << err.toStdString();
    // An existing output is replaced only with --yes.
    EXPECT_EQ(run({"embed", "@report.txt", "@a.png", "-o", "@carrier.png"}), 2);
    ASSERT_EQ(run({"extract-document", "@carrier.png"}), 0) << err.toStdString();
    QFile extracted(out.trimmed());
    ASSERT_TRUE(extracted.open(QIODevice::ReadOnly));
    EXPECT_EQ(extracted.readAll(), QByteArray("the report"));

    ASSERT_TRUE(QDir().mkpath(path("out")));
    ASSERT_EQ(run({"extract-document", "@carrier.png", "-o", "@out"}), 0);
    EXPECT_EQ(out.trimmed(), QDir(path("out")).filePath(QStringLiteral("report.txt")));
    EXPECT_EQ(run({"extract-document", "@carrier.png", "-o", "@out"}), 2);
    EXPECT_EQ(run({"extract-document", "@a.png"}), 2);

    // Formats that do not keep alpha exactly cannot carry a document: refused, nothing written.
    for (const char* carrier : {"@carrier.jpeg", "@carrier.gif", "@carrier.bmp"}) {
        EXPECT_EQ(run({"embed", "@report.txt", "@a.png", "-o", carrier}), 2) << carrier;
        EXPECT_EQ(err.count(QLatin1Char('\n')), 1) << err.toStdString();
        EXPECT_TRUE(err.contains(QString::fromLatin1(carrier + 1))) << err.toStdString();
        EXPECT_FALSE(QFile::exists(path(carrier + 1)));
    }
}

} // namespace
} // namespace corvane::test
