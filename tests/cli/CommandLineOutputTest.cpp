// corvane-cli for people and scripts: help and version, the summary line, the JSON object, and what bad
// command lines get.

#include "cli/CommandTable.h"
#include "platform/Version.h"
#include "tests/cli/CommandLineFixture.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

namespace corvane::test {
namespace {

// The one JSON object printed on stdout; fails the test when stdout is anything else.
QJsonObject jsonOut(const QString& out) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(out.toUtf8(), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString() << "\n"
                                                     << out.toStdString();
    EXPECT_TRUE(document.isObject()) << out.toStdString();
    EXPECT_EQ(out.count(QLatin1Char('\n')), 1) << "not one line: " << out.toStdString();
    return document.object();
}

QString lastLine(const QString& text) {
    return text.split(QLatin1Char('\n'), Qt::SkipEmptyParts).last();
}

void writeSolid(const QString& path, QSize size, QRgb colour, QPoint odd = {-1, -1}) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    if (odd.x() >= 0) {
        image.setPixel(odd, qRgb(0, 0, 0));
    }
    ASSERT_TRUE(image.save(path));
}

TEST(CommandTable, EveryCommandAndOptionIsInTheManualPage) {
    QFile page(QStringLiteral(CORVANE_SOURCE_DIR "/dist/man/corvane-cli.1"));
    ASSERT_TRUE(page.open(QIODevice::ReadOnly));
    const QString text =
        QString::fromUtf8(page.readAll()).replace(QStringLiteral("\\-"), QStringLiteral("-"));
    for (const CommandEntry& command : commandTable()) {
        EXPECT_TRUE(text.contains(QStringLiteral(".BR %1 ").arg(QLatin1String(command.name))) ||
                    text.contains(QStringLiteral(".BI \"%1 ").arg(QLatin1String(command.name))))
            << command.name << " has no entry";
    }
    for (const OptionEntry& option : optionTable()) {
        EXPECT_TRUE(text.contains(QLatin1String(option.name))) << option.name;
    }
    EXPECT_TRUE(text.contains(QStringLiteral("--version")));
}

TEST(CommandTable, SummaryLineRatesAreNeverRoundedToNoneOrAll) {
    EXPECT_EQ(differenceSummary(12345, 12000000),
              QStringLiteral("differ 12345 of 12000000 pixels (0.103 %)"));
    EXPECT_EQ(differenceSummary(0, 1536), QStringLiteral("differ 0 of 1536 pixels (0.000 %)"));
    EXPECT_EQ(differenceSummary(1536, 1536), QStringLiteral("differ 1536 of 1536 pixels (100.000 %)"));
    EXPECT_EQ(differenceSummary(1, 12000000), QStringLiteral("differ 1 of 12000000 pixels (< 0.001 %)"));
    EXPECT_EQ(differenceSummary(11999999, 12000000),
              QStringLiteral("differ 11999999 of 12000000 pixels (> 99.999 %)"));
    EXPECT_EQ(differenceSummary(0, 0), QStringLiteral("differ 0 of 0 pixels (0.000 %)"));
}

TEST_F(CommandLine, VersionAndHelpGoToStdoutWithExitZero) {
    ASSERT_EQ(run({"--version"}), 0);
    EXPECT_EQ(out, QStringLiteral("corvane-cli %1\n").arg(QLatin1String(kVersion)));
    EXPECT_TRUE(
        QString::fromLatin1(kVersion).contains(QRegularExpression(QStringLiteral("^\\d+\\.\\d+\\.\\d+$"))));

    for (const QStringList& words : {QStringList{"--help"}, QStringList{"-h"}}) {
        ASSERT_EQ(run(words), 0);
        EXPECT_TRUE(err.isEmpty());
        for (const CommandEntry& command : commandTable()) {
            EXPECT_TRUE(out.contains(QStringLiteral("corvane-cli %1 ").arg(QLatin1String(command.name))))
                << command.name;
        }
    }
    const auto fitsATerminal = [](const QString& text) {
        for (const QString& line : text.split(QLatin1Char('\n'))) {
            EXPECT_LE(line.size(), 80) << line.toStdString();
        }
    };
    fitsATerminal(out);
    // Each command's help names its own options and needs none of its files.
    for (const CommandEntry& command : commandTable()) {
        ASSERT_EQ(run({QString::fromLatin1(command.name), "--help"}), 0) << command.name;
        fitsATerminal(out);
        EXPECT_TRUE(
            out.startsWith(QStringLiteral("usage: corvane-cli %1 ").arg(QLatin1String(command.name))));
        for (const QString& option : command.options) {
            EXPECT_TRUE(out.contains(option)) << command.name << " " << option.toStdString();
        }
        EXPECT_TRUE(out.contains(QStringLiteral("exit status")));
    }
    ASSERT_EQ(run({"pixel", "--help"}), 0);
    EXPECT_TRUE(out.contains(QStringLiteral("--background")));
    EXPECT_FALSE(out.contains(QStringLiteral("--channel")));
    EXPECT_EQ(run({"nonsense", "--help"}), 2);
}

TEST_F(CommandLine, ComparisonsEndWithTheSummaryOfTheComparedRegion) {
    ASSERT_EQ(run({"pixel", "@a.png", "@b.png"}), 1);
    EXPECT_EQ(out, QStringLiteral("differ 1 of 1536 pixels (0.065 %)\n"));
    ASSERT_EQ(run({"gradation", "@a.png", "@same.png"}), 0);
    EXPECT_EQ(out, QStringLiteral("differ 0 of 1536 pixels (0.000 %)\n"));

    // Only the overlap at the shift counts: the odd pixel of original 2 at (1, 1) lies inside it when
    // original 2 moves right and outside when it moves left.
    writeSolid(path("grey.png"), {48, 32}, qRgb(90, 90, 90));
    writeSolid(path("odd.png"), {48, 32}, qRgb(90, 90, 90), {1, 1});
    ASSERT_EQ(run({"pixel", "--shift", "3,0", "@grey.png", "@odd.png"}), 1);
    EXPECT_EQ(lastLine(out), QStringLiteral("differ 1 of 1440 pixels (0.069 %)"));
    ASSERT_EQ(run({"pixel", "--shift=-3,-2", "@grey.png", "@odd.png"}), 0);
    EXPECT_EQ(lastLine(out), QStringLiteral("differ 0 of 1350 pixels (0.000 %)"));

    // --quiet leaves the command's own output alone.
    ASSERT_EQ(run({"histogram", "--quiet", "@a.png", "@b.png"}), 1);
    EXPECT_EQ(out.count(QLatin1Char('\n')), 257);
    EXPECT_FALSE(out.contains(QStringLiteral("differ")));
    ASSERT_EQ(run({"--quiet", "pixel", "@a.png", "@b.png"}), 1);
    EXPECT_TRUE(out.isEmpty());
    // File commands have no summary.
    ASSERT_EQ(run({"convert", "@a.png", "-o", "@c.png"}), 0);
    EXPECT_TRUE(out.isEmpty());
}

TEST_F(CommandLine, JsonHoldsTheFactsOfTheRun) {
    ASSERT_EQ(run({"pixel", "--json", "--shift", "1,0", "@a.png", "@b.png", "-o", "@map.png", "--output2",
                   "@map2.bmp"}),
              1)
        << err.toStdString();
    QJsonObject o = jsonOut(out);
    EXPECT_EQ(o[QStringLiteral("command")].toString(), QStringLiteral("pixel"));
    EXPECT_EQ(o[QStringLiteral("files")].toArray(), QJsonArray({path("a.png"), path("b.png")}));
    const QJsonArray sizes = o[QStringLiteral("sizes")].toArray();
    ASSERT_EQ(sizes.size(), 2);
    EXPECT_EQ(sizes[1].toObject()[QStringLiteral("width")].toInt(), 48);
    EXPECT_EQ(sizes[1].toObject()[QStringLiteral("height")].toInt(), 32);
    EXPECT_EQ(o[QStringLiteral("shift")].toObject()[QStringLiteral("h")].toInt(), 1);
    EXPECT_EQ(o[QStringLiteral("shift")].toObject()[QStringLiteral("v")].toInt(), 0);
    EXPECT_EQ(o[QStringLiteral("comparedPixels")].toInteger(), 47 * 32);
    const qint64 differing = o[QStringLiteral("differingPixels")].toInteger();
    EXPECT_GT(differing, 1);
    EXPECT_NEAR(o[QStringLiteral("rate")].toDouble(), static_cast<double>(differing) * 100.0 / (47 * 32),
                1e-9);
    EXPECT_FALSE(o[QStringLiteral("equal")].toBool());
    EXPECT_EQ(o[QStringLiteral("outputs")].toArray(), QJsonArray({path("map.png"), path("map2.bmp")}));
    EXPECT_EQ(o[QStringLiteral("exitCode")].toInt(), 1);
    EXPECT_TRUE(QFile::exists(path("map2.bmp")));
    EXPECT_TRUE(err.isEmpty());

    // The commands' own output becomes members instead of text.
    ASSERT_EQ(run({"histogram", "--json", "@a.png", "@same.png"}), 0);
    o = jsonOut(out);
    EXPECT_TRUE(o[QStringLiteral("equal")].toBool());
    const QJsonArray red = o[QStringLiteral("histogram")]
                               .toObject()[QStringLiteral("original2")]
                               .toObject()[QStringLiteral("red")]
                               .toArray();
    ASSERT_EQ(red.size(), 256);
    double pixels = 0;
    for (const QJsonValue& count : red) {
        pixels += count.toDouble();
    }
    EXPECT_EQ(pixels, 1536.0);
    ASSERT_EQ(run({"scan", "--json", "--channel", "blue", "@a.png", "@b.png"}), 1);
    o = jsonOut(out)[QStringLiteral("scan")].toObject();
    EXPECT_EQ(o[QStringLiteral("channel")].toString(), QStringLiteral("blue"));
    EXPECT_EQ(o[QStringLiteral("rows")].toArray().size(), 32);
    EXPECT_EQ(o[QStringLiteral("columns")].toArray().size(), 48);
    ASSERT_EQ(run({"properties", "--json", "@a.png", "@b.png"}), 1);
    EXPECT_EQ(jsonOut(out)[QStringLiteral("properties")].toArray().size(), 15);
    ASSERT_EQ(run({"bestmatch", "--json", "@a.png", "@same.png"}), 0);
    EXPECT_DOUBLE_EQ(jsonOut(out)[QStringLiteral("bestMatch")].toObject()[QStringLiteral("rate")].toDouble(),
                     100.0);
    ASSERT_EQ(run({"preprocess", "--json", "blur3", "@a.png", "-o", "@blur.png"}), 0);
    o = jsonOut(out);
    EXPECT_EQ(o[QStringLiteral("operation")].toString(), QStringLiteral("blur3"));
    EXPECT_EQ(o[QStringLiteral("outputs")].toArray(), QJsonArray({path("blur.png")}));
}

TEST_F(CommandLine, BadCommandLinesExitTwoWithOneLineAndWriteNothing) {
    const auto oneErrorLine = [this](const char* needle) {
        EXPECT_EQ(err.count(QLatin1Char('\n')), 1) << err.toStdString();
        EXPECT_TRUE(err.contains(QString::fromUtf8(needle))) << err.toStdString();
    };
    EXPECT_EQ(run({"pixel", "--frobnicate", "@a.png", "@b.png"}), 2);
    oneErrorLine("--frobnicate");
    EXPECT_TRUE(out.isEmpty());
    EXPECT_EQ(run({"pixel", "@a.png", "@b.png", "-o"}), 2);
    oneErrorLine("-o");
    // A value is not taken from the next option.
    EXPECT_EQ(run({"pixel", "@a.png", "@b.png", "-o", "--quiet"}), 2);
    oneErrorLine("-o");
    EXPECT_EQ(run({"pixel", "--edge=yes", "@a.png", "@b.png"}), 2);
    oneErrorLine("--edge");
    EXPECT_EQ(run({"scan", "--edge", "@a.png", "@b.png"}), 2);
    oneErrorLine("--edge");
    EXPECT_EQ(run({}), 2);
    oneErrorLine("--help");
    EXPECT_EQ(run({"--quiet"}), 2);

    // Results are written all or none: an output without an encoder, or both outputs on one file, stops
    // the run before the first is written.
    EXPECT_EQ(run({"pixel", "@a.png", "@b.png", "-o", "@first.png", "--output2", "@second.jpg"}), 2);
    oneErrorLine("second.jpg");
    EXPECT_FALSE(QFile::exists(path("first.png")));
    EXPECT_EQ(run({"pixel", "@a.png", "@b.png", "-o", "@same.png", "--output2", "@same.png"}), 2);
    oneErrorLine("same.png");
    EXPECT_EQ(run({"preprocess", "greyscale", "@a.png", "-o", "@grey.tif"}), 2);
    oneErrorLine("grey.tif");

    // With --json the error is also the object on stdout.
    for (const QStringList& words :
         {QStringList{"pixel", "--json", "@a.png", "@missing.png"}, QStringList{"--json", "pixel", "--nope"},
          QStringList{"--json", "nonsense"}, QStringList{"--json", "pixel", "@a.png", "@b.png", "--shift"},
          QStringList{"convert", "--json", "@a.png", "-o", "@a.jpg"}}) {
        EXPECT_EQ(run(words), 2) << words.join(QLatin1Char(' ')).toStdString();
        EXPECT_EQ(err.count(QLatin1Char('\n')), 1);
        const QJsonObject o = jsonOut(out);
        EXPECT_FALSE(o[QStringLiteral("error")].toString().isEmpty());
        EXPECT_EQ(o[QStringLiteral("error")].toString(), err.mid(13).trimmed()); // after "corvane-cli: "
        EXPECT_EQ(o[QStringLiteral("exitCode")].toInt(), 2);
    }
    EXPECT_TRUE(jsonOut(out)[QStringLiteral("command")].toString() == QStringLiteral("convert"));
    EXPECT_FALSE(QFile::exists(path("a.jpg")));
    ASSERT_EQ(run({"pixel", "--json", "@a.png", "@missing.png"}), 2);
    EXPECT_TRUE(jsonOut(out)[QStringLiteral("error")].toString().contains(QStringLiteral("missing.png")));
}

TEST_F(CommandLine, ExtractDocumentMakesAMissingFolderButNeedsOne) {
    QFile document(path("notes.txt"));
    ASSERT_TRUE(document.open(QIODevice::WriteOnly));
    document.write("notes");
    document.close();
    ASSERT_EQ(run({"embed", "@notes.txt", "@a.png", "-o", "@carrier.png"}), 0) << err.toStdString();
    ASSERT_EQ(run({"extract-document", "@carrier.png", "-o", "@made/here", "--json"}), 0)
        << err.toStdString();
    const QString written = QDir(path("made/here")).filePath(QStringLiteral("notes.txt"));
    EXPECT_EQ(jsonOut(out)[QStringLiteral("outputs")].toArray(), QJsonArray({written}));
    QFile extracted(written);
    ASSERT_TRUE(extracted.open(QIODevice::ReadOnly));
    EXPECT_EQ(extracted.readAll(), QByteArray("notes"));
    // A file where the folder should be is refused.
    EXPECT_EQ(run({"extract-document", "@carrier.png", "-o", "@notes.txt"}), 2);
    EXPECT_TRUE(err.contains(QStringLiteral("notes.txt")));
}

TEST_F(CommandLine, DoubleDashEndsTheOptions) {
    ASSERT_TRUE(QFile::copy(path("b.png"), path("-b.png")));
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(QFileInfo(path("a.png")).absolutePath()));
    EXPECT_EQ(run({"pixel", "--", "a.png", "-b.png"}), 1) << err.toStdString();
    EXPECT_EQ(run({"pixel", "a.png", "-b.png"}), 2);
    QDir::setCurrent(previous);
}

} // namespace
} // namespace corvane::test
