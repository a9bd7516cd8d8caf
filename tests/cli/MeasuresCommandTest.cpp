// corvane-cli pixel with a tolerance, ignored rectangles and anti-aliased pixels left out, and the
// metrics command: their counts, exit codes, JSON members and refusals.

#include "tests/cli/CommandLineFixture.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

namespace corvane::test {
namespace {

QJsonObject jsonOf(const QString& out) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(out.toUtf8(), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << out.toStdString();
    return document.object();
}

QString lastLine(const QString& text) {
    const QStringList lines = text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    return lines.isEmpty() ? QString() : lines.last();
}

void writeImage(const QString& path, QSize size, QRgb colour,
                const std::vector<std::pair<QPoint, QRgb>>& changes = {}) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    for (const auto& [point, changed] : changes) {
        image.setPixel(point, changed);
    }
    ASSERT_TRUE(image.save(path));
}

class Measures : public CommandLine {
protected:
    void SetUp() override {
        CommandLine::SetUp();
        // grey.png and nudged.png differ at (5, 5) by one step of red only, and at (40, 20) by black.
        writeImage(path("grey.png"), {48, 32}, qRgb(120, 120, 120));
        writeImage(path("nudged.png"), {48, 32}, qRgb(120, 120, 120),
                   {{{5, 5}, qRgb(121, 120, 120)}, {{40, 20}, qRgb(0, 0, 0)}});
    }

    // One line on stderr containing `needle`, nothing on stdout (with --json only the error object), and
    // with `withMap` no map written to the -o path added.
    void refused(const QStringList& words, const char* needle, bool withMap = true) {
        const QString map = path("refused-map.png");
        QStringList all = words;
        if (withMap) {
            all << "-o" << map;
        }
        EXPECT_EQ(run(all), 2) << words.join(' ').toStdString() << "\n" << out.toStdString();
        EXPECT_EQ(err.count(QLatin1Char('\n')), 1) << err.toStdString();
        EXPECT_TRUE(err.contains(QString::fromUtf8(needle))) << err.toStdString();
        EXPECT_TRUE(out.isEmpty()) << out.toStdString();
        EXPECT_FALSE(QFile::exists(map));
        all << "--json";
        EXPECT_EQ(run(all), 2);
        const QJsonObject o = jsonOf(out);
        EXPECT_TRUE(o[QStringLiteral("error")].toString().contains(QString::fromUtf8(needle)));
        EXPECT_EQ(o[QStringLiteral("exitCode")].toInt(), 2);
    }
};

TEST_F(Measures, ThresholdCountsColoursWithinItAsEqual) {
    ASSERT_EQ(run({"pixel", "@grey.png", "@nudged.png"}), 1);
    EXPECT_EQ(out, QStringLiteral("differ 2 of 1536 pixels (0.130 %)\n"));
    // One step of red is a YIQ difference of 0.5053·0.29889531² + 0.299·0.59597799² + 0.1957·0.21147017²
    // = 0.16010: above the limit 35215·T² at T = 0.002 (0.1409), within it at T = 0.0022 (0.1704).
    ASSERT_EQ(run({"pixel", "--threshold", "0.002", "@grey.png", "@nudged.png"}), 1);
    EXPECT_EQ(out, QStringLiteral("differ 2 of 1536 pixels (0.130 %)\n"));
    ASSERT_EQ(run({"pixel", "--threshold=0.0022", "@grey.png", "@nudged.png"}), 1);
    EXPECT_EQ(out, QStringLiteral("differ 1 of 1536 pixels (0.065 %)\n"));
    // Black against grey stays a difference up to the largest threshold.
    ASSERT_EQ(run({"pixel", "--threshold", "0.3", "@grey.png", "@nudged.png"}), 1);
    EXPECT_EQ(lastLine(out), QStringLiteral("differ 1 of 1536 pixels (0.065 %)"));
    ASSERT_EQ(run({"pixel", "--threshold", "1", "@grey.png", "@nudged.png"}), 0);
    EXPECT_EQ(lastLine(out), QStringLiteral("differ 0 of 1536 pixels (0.000 %)"));

    // The map shows the tolerance: red where equal, the mismatch colour at the one pixel beyond it.
    ASSERT_EQ(run({"pixel", "--threshold", "0.1", "--background", "white", "@grey.png", "@nudged.png", "-o",
                   "@tolerant.png"}),
              1);
    const QImage map(path("tolerant.png"));
    EXPECT_EQ(map.pixel(5, 5), qRgb(255, 0, 0));
    EXPECT_EQ(map.pixel(40, 20), qRgb(255, 255, 255));
    EXPECT_EQ(map.pixel(0, 0), qRgb(255, 0, 0));

    // The JSON object names the options used; threshold 0 is the exact comparison.
    ASSERT_EQ(run({"pixel", "--json", "--threshold", "0", "@grey.png", "@nudged.png"}), 1);
    QJsonObject o = jsonOf(out);
    EXPECT_EQ(o[QStringLiteral("differingPixels")].toInteger(), 2);
    const QJsonObject tolerance = o[QStringLiteral("tolerance")].toObject();
    EXPECT_EQ(tolerance[QStringLiteral("threshold")].toDouble(), 0.0);
    EXPECT_FALSE(tolerance[QStringLiteral("ignoreAntialiasing")].toBool());
    EXPECT_TRUE(tolerance[QStringLiteral("ignored")].toArray().isEmpty());
    // Without the options the object has no such member.
    ASSERT_EQ(run({"pixel", "--json", "@grey.png", "@nudged.png"}), 1);
    EXPECT_FALSE(jsonOf(out).contains(QStringLiteral("tolerance")));
}

TEST_F(Measures, IgnoredRectanglesAreNeitherComparedNorCounted) {
    // A rectangle over the black pixel leaves the nudged one; overlapping rectangles and one reaching
    // beyond the image's corner over the nudged pixel leave nothing.
    ASSERT_EQ(run({"pixel", "--ignore", "38,18,41,21", "@grey.png", "@nudged.png"}), 1);
    EXPECT_EQ(out, QStringLiteral("differ 1 of 1536 pixels (0.065 %)\n"));
    ASSERT_EQ(run({"pixel", "--json", "--ignore", "38,18,41,21", "--ignore=40,20,47,31", "--ignore",
                   "-3,-3,5,5", "@grey.png", "@nudged.png", "-o", "@ignored.png"}),
              0)
        << err.toStdString();
    QJsonObject o = jsonOf(out);
    EXPECT_TRUE(o[QStringLiteral("equal")].toBool());
    EXPECT_EQ(o[QStringLiteral("comparedPixels")].toInteger(), 1536);
    const QJsonArray ignored = o[QStringLiteral("tolerance")].toObject()[QStringLiteral("ignored")].toArray();
    ASSERT_EQ(ignored.size(), 3);
    EXPECT_EQ(ignored[2].toArray(), QJsonArray({-3, -3, 5, 5}));
    // Ignored pixels take the colour of equal ones.
    EXPECT_EQ(QImage(path("ignored.png")).pixel(40, 20), qRgb(255, 0, 0));
    // A single pixel at the image's last corner, inclusive coordinates.
    ASSERT_EQ(run({"pixel", "--ignore", "47,31,47,31", "--ignore", "40,20,40,20", "--ignore", "5,5,5,5",
                   "@grey.png", "@nudged.png"}),
              0);
    // The rectangles are in original 1's pixels: moving original 2 right by 2 moves the black pixel to
    // (42, 20) of the overlap, outside the rectangle.
    ASSERT_EQ(run({"pixel", "--shift", "2,0", "--ignore", "38,18,41,21", "--ignore", "5,5,8,8", "@grey.png",
                   "@nudged.png"}),
              1);
    EXPECT_EQ(out, QStringLiteral("differ 1 of 1472 pixels (0.068 %)\n"));
}

TEST_F(Measures, AntialiasedEdgesAreLeftOutOnRequest) {
    // A hard edge from black to white, and the same edge drawn with a grey column between them: the grey
    // pixels are an anti-aliased edge. A hard edge moved by a column is not.
    QImage hard(24, 16, QImage::Format_RGB32);
    QImage soft(24, 16, QImage::Format_RGB32);
    QImage moved(24, 16, QImage::Format_RGB32);
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 24; ++x) {
            hard.setPixel(x, y, x < 12 ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
            soft.setPixel(x, y, x < 12 ? qRgb(0, 0, 0) : x == 12 ? qRgb(128, 128, 128) : qRgb(255, 255, 255));
            moved.setPixel(x, y, x < 13 ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
        }
    }
    ASSERT_TRUE(hard.save(path("hard.png")));
    ASSERT_TRUE(soft.save(path("soft.png")));
    ASSERT_TRUE(moved.save(path("moved.png")));
    ASSERT_EQ(run({"pixel", "@hard.png", "@soft.png"}), 1);
    EXPECT_EQ(out, QStringLiteral("differ 16 of 384 pixels (4.167 %)\n"));
    ASSERT_EQ(run({"pixel", "--ignore-antialiasing", "@hard.png", "@soft.png", "-o", "@aa.png"}), 0);
    EXPECT_EQ(out, QStringLiteral("differ 0 of 384 pixels (0.000 %)\n"));
    // The pixels left out are yellow in the map.
    EXPECT_EQ(QImage(path("aa.png")).pixel(12, 8), qRgb(255, 255, 0));
    ASSERT_EQ(run({"pixel", "--ignore-antialiasing", "@hard.png", "@moved.png"}), 1);
    EXPECT_EQ(out, QStringLiteral("differ 16 of 384 pixels (4.167 %)\n"));
    ASSERT_EQ(
        run({"pixel", "--json", "--ignore-antialiasing", "--threshold", "0.1", "@hard.png", "@soft.png"}), 0);
    const QJsonObject tolerance = jsonOf(out)[QStringLiteral("tolerance")].toObject();
    EXPECT_TRUE(tolerance[QStringLiteral("ignoreAntialiasing")].toBool());
    EXPECT_DOUBLE_EQ(tolerance[QStringLiteral("threshold")].toDouble(), 0.1);
}

TEST_F(Measures, BadToleranceOptionsExitTwoAndWriteNothing) {
    const QStringList pair{path("grey.png"), path("nudged.png")};
    for (const char* threshold : {"1.5", "-0.1", "abc", "nan", "inf", "0,1"}) {
        refused(QStringList{"pixel", "--threshold", threshold} + pair, "--threshold");
    }
    for (const char* rectangle : {"1,2,3", "1,2,3,4,5", "a,b,c,d", "1.5,2,3,4", ",,,"}) {
        refused(QStringList{"pixel", "--ignore", rectangle} + pair, "--ignore");
    }
    refused(QStringList{"pixel", "--ignore=", "x"} + pair, "--ignore");
    refused(QStringList{"pixel", "--ignore", "10,5,9,8"} + pair, "逆向き");
    refused(QStringList{"pixel", "--ignore", "10,5,12,4"} + pair, "逆向き");
    // Wholly outside the 48 × 32 image: named with the image and its size.
    refused(QStringList{"pixel", "--ignore", "48,0,60,10"} + pair, "grey.png");
    refused(QStringList{"pixel", "--ignore", "0,-9,10,-1"} + pair, "48 × 32");
    refused(QStringList{"pixel", "--edge", "--threshold", "0.1"} + pair, "--edge");
    refused(QStringList{"composite", "--threshold", "0.1"} + pair, "composite");
    refused(QStringList{"gradation", "--ignore", "1,1,2,2"} + pair, "gradation");
    refused(QStringList{"extract", "--ignore-antialiasing"} + pair, "extract");
}

TEST_F(Measures, MetricsOfEqualAndOfKnownDifferentImages) {
    ASSERT_EQ(run({"metrics", "@a.png", "@same.png"}), 0) << err.toStdString();
    EXPECT_EQ(out, QStringLiteral("ae 0\nmae 0.000000\nrmse 0.000000\npsnr inf\nssim 1.000000\n"
                                  "deltae 0.000000\ndiffer 0 of 1536 pixels (0.000 %)\n"));
    ASSERT_EQ(run({"metrics", "--json", "@a.png", "@same.png"}), 0);
    QJsonObject o = jsonOf(out);
    QJsonObject m = o[QStringLiteral("metrics")].toObject();
    EXPECT_EQ(m[QStringLiteral("psnr")].toString(), QStringLiteral("inf"));
    EXPECT_DOUBLE_EQ(m[QStringLiteral("ssim")].toDouble(), 1.0);
    EXPECT_TRUE(o[QStringLiteral("equal")].toBool());
    EXPECT_EQ(o[QStringLiteral("command")].toString(), QStringLiteral("metrics"));

    // Every pixel differs by 12 in red only: mean absolute 4, mean squared 48, PSNR 10·log10(255²/48).
    writeImage(path("flat.png"), {32, 24}, qRgb(100, 100, 100));
    writeImage(path("redder.png"), {32, 24}, qRgb(112, 100, 100));
    ASSERT_EQ(run({"metrics", "--json", "@flat.png", "@redder.png"}), 1);
    o = jsonOf(out);
    m = o[QStringLiteral("metrics")].toObject();
    EXPECT_EQ(m[QStringLiteral("ae")].toInteger(), 32 * 24);
    EXPECT_DOUBLE_EQ(m[QStringLiteral("mae")].toDouble(), 4.0);
    EXPECT_DOUBLE_EQ(m[QStringLiteral("rmse")].toDouble(), std::sqrt(48.0));
    EXPECT_NEAR(m[QStringLiteral("psnr")].toDouble(), 10 * std::log10(255.0 * 255.0 / 48.0), 1e-9);
    // Flat pictures: SSIM is the luminance term (2·μx·μy + C1) / (μx² + μy² + C1) of the lumas.
    const double y1 = 100.0;
    const double y2 = 0.299 * 112 + 0.587 * 100 + 0.114 * 100;
    const double c1 = (0.01 * 255) * (0.01 * 255);
    EXPECT_NEAR(m[QStringLiteral("ssim")].toDouble(), (2 * y1 * y2 + c1) / (y1 * y1 + y2 * y2 + c1), 1e-6);
    EXPECT_GT(m[QStringLiteral("deltae")].toDouble(), 1.0);
    EXPECT_EQ(o[QStringLiteral("differingPixels")].toInteger(), 32 * 24);
    EXPECT_EQ(o[QStringLiteral("exitCode")].toInt(), 1);
    ASSERT_EQ(run({"metrics", "--quiet", "@flat.png", "@redder.png"}), 1);
    EXPECT_TRUE(out.startsWith(QStringLiteral("ae 768\nmae 4.000000\nrmse 6.928203\npsnr 31.318391\n")))
        << out.toStdString();
    EXPECT_FALSE(out.contains(QStringLiteral("differ")));

    // Under 11 pixels high there is no SSIM window.
    ASSERT_EQ(run({"metrics", "@small.png", "@small.png"}), 0);
    EXPECT_TRUE(out.contains(QStringLiteral("\nssim none\n"))) << out.toStdString();
    ASSERT_EQ(run({"metrics", "--json", "@small.png", "@small.png"}), 0);
    EXPECT_TRUE(jsonOf(out)[QStringLiteral("metrics")].toObject()[QStringLiteral("ssim")].isNull());
}

TEST_F(Measures, MetricsCoverTheOverlapAtTheShift) {
    // Original 2 is original 1 moved one column left (its last column new): at shift 1,0 the overlap is
    // equal.
    const QImage base = picture(40, 30, 3);
    QImage left = base.copy(1, 0, 40, 30);
    for (int y = 0; y < 30; ++y) {
        left.setPixel(39, y, qRgb(255, 0, 255));
    }
    ASSERT_TRUE(base.save(path("base.png")));
    ASSERT_TRUE(left.save(path("left.png")));
    ASSERT_EQ(run({"metrics", "@base.png", "@left.png"}), 1);
    ASSERT_EQ(run({"metrics", "--json", "--shift", "1,0", "@base.png", "@left.png"}), 0) << err.toStdString();
    const QJsonObject o = jsonOf(out);
    EXPECT_EQ(o[QStringLiteral("comparedPixels")].toInteger(), 39 * 30);
    EXPECT_EQ(o[QStringLiteral("metrics")].toObject()[QStringLiteral("ae")].toInteger(), 0);
    EXPECT_DOUBLE_EQ(o[QStringLiteral("metrics")].toObject()[QStringLiteral("ssim")].toDouble(), 1.0);
}

TEST_F(Measures, MetricsRefuseWhatTheyCannotMeasure) {
    // Different sizes: refused unless --yes, which measures where the two overlap (original 2 unscaled).
    ASSERT_EQ(run({"metrics", "@a.png", "@small.png"}), 2);
    EXPECT_TRUE(err.contains(QStringLiteral("small.png"))) << err.toStdString();
    EXPECT_EQ(err.count(QLatin1Char('\n')), 1);
    ASSERT_EQ(run({"metrics", "--yes", "@a.png", "@small.png"}), 1) << err.toStdString();
    EXPECT_TRUE(lastLine(out).contains(QStringLiteral(" of 200 pixels "))) << out.toStdString();
    // A part cut from a picture matches it exactly when laid where it was cut; at a shift the overlap is
    // what both cover; no overlap is an error.
    const QImage whole = picture(40, 30, 5);
    ASSERT_TRUE(whole.save(path("whole.png")));
    ASSERT_TRUE(whole.copy(5, 4, 20, 10).save(path("part.png")));
    ASSERT_EQ(run({"metrics", "--yes", "--json", "--shift", "5,4", "@whole.png", "@part.png"}), 0)
        << err.toStdString();
    EXPECT_EQ(jsonOf(out)[QStringLiteral("comparedPixels")].toInteger(), 200);
    ASSERT_EQ(run({"metrics", "--yes", "--json", "--shift", "-5,25", "@whole.png", "@part.png"}), 1);
    EXPECT_EQ(jsonOf(out)[QStringLiteral("comparedPixels")].toInteger(), 15 * 5);
    ASSERT_EQ(run({"metrics", "--yes", "--shift", "-20,0", "@whole.png", "@part.png"}), 2);
    EXPECT_EQ(err.count(QLatin1Char('\n')), 1) << err.toStdString();
    const QStringList pair{path("a.png"), path("b.png")};
    refused(QStringList{"metrics"} + pair, "-o");
    refused(QStringList{"metrics", "--threshold", "0.1"} + pair, "metrics", false);
    refused(QStringList{"metrics", "--edge"} + pair, "metrics", false);
    refused(QStringList{"metrics", "--shift", "48,0"} + pair, "--shift", false);
    ASSERT_EQ(run({"metrics", "@a.png"}), 2);
    ASSERT_EQ(run({"metrics", "@a.png", "@missing.png"}), 2);
    EXPECT_TRUE(err.contains(QStringLiteral("missing.png")));
}

} // namespace
} // namespace corvane::test
