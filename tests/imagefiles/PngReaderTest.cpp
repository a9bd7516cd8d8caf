// The PNG reader against Qt's: the same pixels for every colour type, row filter and odd width, for
// transparency chunks and split image data, for the PngSuite files, and the same judgement of damaged and
// unusual files; its refusals say what is wrong; limits and failed allocations.

#include "imagefiles/PngReader.h"
#include "imagefiles/ImageLoader.h"
#include "platform/Allocation.h"
#include "tests/imagefiles/CorruptFiles.h"
#include "tests/imagefiles/LoadTestSupport.h"
#include "tests/imagefiles/PngSamples.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QtGlobal>

#include <functional>
#include <string>
#include <tuple>

namespace corvane {
namespace {

PngResult read(const QByteArray& png, PngImage& image) {
    return readPng(
        {reinterpret_cast<const std::uint8_t*>(png.constData()), static_cast<std::size_t>(png.size())},
        image);
}

QImage view(const PngImage& image) {
    return QImage(image.pixels.get(), image.width, image.height, qsizetype{4} * image.width,
                  QImage::Format_ARGB32);
}

// "" when our reader decodes the file to exactly Qt's pixels.
std::string decodesAsQt(const QByteArray& png) {
    PngImage image;
    const PngResult result = read(png, image);
    if (result.outcome != PngOutcome::Decoded) {
        return "not decoded (" + std::to_string(static_cast<int>(result.outcome)) + ": " +
               result.reason.toStdString() + ")";
    }
    const QImage qt = test::decodeWithQt(png);
    if (qt.isNull()) {
        return "Qt refuses it";
    }
    bool translucent = false;
    for (int y = 0; y < qt.height(); ++y) {
        for (int x = 0; x < qt.width(); ++x) {
            translucent = translucent || qAlpha(qt.pixel(x, y)) != 255;
        }
    }
    if (translucent != image.translucent) {
        return "translucency wrong";
    }
    return test::imageDifference(view(image), qt);
}

QByteArray palette(int entries, std::uint32_t seed) {
    const std::vector<std::uint8_t> rgb = test::randomSamples(static_cast<std::size_t>(entries) * 3, seed);
    return test::pngChunk("PLTE", QByteArray(reinterpret_cast<const char*>(rgb.data()), entries * 3));
}

// Random samples over the full range, or over a few levels, which makes the Paeth predictor's ties common.
std::vector<std::uint8_t> samples(std::size_t count, std::uint32_t seed, bool fewLevels) {
    std::vector<std::uint8_t> out = test::randomSamples(count, seed);
    if (fewLevels) {
        for (std::uint8_t& v : out) {
            v = static_cast<std::uint8_t>((v & 3) * 85);
        }
    }
    return out;
}

TEST(PngReader, EveryColourTypeFilterAndOddWidthGivesQtsPixels) {
    const test::QuietWarnings quiet;
    std::uint32_t seed = 1;
    for (const int colourType : {0, 2, 3, 4, 6}) {
        // Filters 0 to 4 on every row; all five mixed from row to row; and every ordered pair of sub,
        // average and Paeth on two rows, which may be reconstructed together.
        const std::vector<int> pairs = {1, 1, 1, 3, 1, 4, 3, 1, 3, 3, 3, 4, 4, 1, 4, 3, 4, 4};
        for (int filter = 0; filter <= 6; ++filter) {
            for (int width = 1; width <= 17; ++width) {
                test::PngLayout layout;
                layout.width = width;
                layout.height = filter == 6 ? 19 : 5;
                layout.colourType = colourType;
                layout.filters = filter < 5    ? std::vector<int>{filter}
                                 : filter == 5 ? std::vector<int>{4, 0, 3, 1, 2}
                                               : pairs;
                const std::size_t count = static_cast<std::size_t>(width) *
                                          static_cast<std::size_t>(layout.height) *
                                          static_cast<std::size_t>(test::pngChannels(colourType));
                layout.samples = samples(count, ++seed, width % 2 == 0 && colourType != 3);
                if (colourType == 3) {
                    // 200 entries: indices beyond them show entry 0.
                    layout.chunks.append(palette(200, seed));
                }
                if (width % 4 == 1) {
                    // Image data in pieces of 5 bytes, its last byte alone.
                    layout.split = {5, 5, 5};
                    layout.lastByteAlone = true;
                }
                const QByteArray png = test::encodePng(layout);
                EXPECT_EQ(decodesAsQt(png), "")
                    << "colour type " << colourType << ", filter " << filter << ", width " << width;
            }
        }
    }
}

TEST(PngReader, TransparencyChunksGiveQtsPixels) {
    const test::QuietWarnings quiet;
    struct Case {
        const char* what;
        int colourType;
        std::function<QList<QByteArray>(const std::vector<std::uint8_t>&)> chunks;
    };
    const auto trns = [](QByteArray data) {
        return test::pngChunk("tRNS", data);
    };
    const std::vector<Case> cases = {
        {"grey level of the first pixel", 0,
         [&](const auto& s) {
             return QList<QByteArray>{trns(QByteArray("\0", 1) + char(s[0]))};
         }},
        {"grey level beyond 8 bits", 0,
         [&](const auto& s) {
             return QList<QByteArray>{trns(QByteArray("\1", 1) + char(s[0]))};
         }},
        {"colour of the first pixel", 2,
         [&](const auto& s) {
             return QList<QByteArray>{trns(QByteArray(1, '\0') + char(s[0]) + QByteArray(1, '\0') +
                                           char(s[1]) + QByteArray(1, '\0') + char(s[2]))};
         }},
        // Only the low bytes of the 16-bit samples count.
        {"colour with high bytes set", 2,
         [&](const auto& s) {
             return QList<QByteArray>{trns(QByteArray(1, '\x01') + char(s[0]) + QByteArray(1, '\x7F') +
                                           char(s[1]) + QByteArray(1, '\xFF') + char(s[2]))};
         }},
        {"palette alphas for part of the palette", 3,
         [&](const auto&) {
             const std::vector<std::uint8_t> alpha = test::randomSamples(100, 77);
             return QList<QByteArray>{palette(200, 5),
                                      trns(QByteArray(reinterpret_cast<const char*>(alpha.data()), 100))};
         }},
        {"palette alphas all 255", 3,
         [&](const auto&) {
             return QList<QByteArray>{palette(200, 5), trns(QByteArray(50, '\xFF'))};
         }},
        {"second tRNS ignored", 3,
         [&](const auto&) {
             return QList<QByteArray>{palette(200, 5), trns(QByteArray(5, '\x10')),
                                      trns(QByteArray(9, '\0'))};
         }},
        {"tRNS longer than the palette ignored", 3,
         [&](const auto&) {
             return QList<QByteArray>{palette(200, 5), trns(QByteArray(201, '\0'))};
         }},
        {"empty tRNS ignored", 3,
         [&](const auto&) {
             return QList<QByteArray>{palette(200, 5), trns({})};
         }},
        {"tRNS before the palette ignored", 3,
         [&](const auto&) {
             return QList<QByteArray>{trns(QByteArray(9, '\0')), palette(200, 5)};
         }},
        {"tRNS with a wrong CRC ignored", 2,
         [&](const auto& s) {
             QByteArray chunk = trns(QByteArray(1, '\0') + char(s[0]) + QByteArray(1, '\0') + char(s[1]) +
                                     QByteArray(1, '\0') + char(s[2]));
             chunk[chunk.size() - 1] = static_cast<char>(chunk[chunk.size() - 1] ^ 1);
             return QList<QByteArray>{chunk};
         }},
        {"tRNS of the wrong length ignored", 0,
         [&](const auto& s) {
             return QList<QByteArray>{trns(QByteArray("\0", 1) + char(s[0]) + 'x')};
         }},
        {"tRNS in an image with alpha ignored", 6,
         [&](const auto&) {
             return QList<QByteArray>{trns(QByteArray(6, '\0'))};
         }},
    };
    for (const Case& c : cases) {
        test::PngLayout layout;
        layout.width = 13;
        layout.height = 7;
        layout.colourType = c.colourType;
        layout.filters = {0, 1, 2, 3, 4};
        layout.samples = samples(static_cast<std::size_t>(13 * 7 * test::pngChannels(c.colourType)), 99,
                                 c.colourType != 3);
        layout.chunks = c.chunks(layout.samples);
        EXPECT_EQ(decodesAsQt(test::encodePng(layout)), "") << c.what;
    }
}

TEST(PngReader, PngSuiteFilesAreDecodedOrRefusedAsQtDoes) {
    const test::QuietWarnings quiet;
    const QDir folder(QStringLiteral(CORVANE_PNGSUITE));
    const QStringList names = folder.entryList({QStringLiteral("*.png")}, QDir::Files, QDir::Name);
    if (names.isEmpty()) {
        GTEST_SKIP() << "PngSuite is not at " << folder.path().toStdString();
    }
    for (const QString& name : names) {
        QFile file(folder.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        PngImage image;
        const PngResult result = read(bytes, image);
        const QImage qt = test::decodeWithQt(bytes);
        // Every undamaged file of 8-bit samples without interlacing is ours.
        const bool ours =
            !name.startsWith(QLatin1Char('x')) && bytes.size() > 28 && bytes[24] == 8 && bytes[28] == 0;
        EXPECT_EQ(result.outcome == PngOutcome::Decoded, ours) << name.toStdString();
        if (result.outcome == PngOutcome::Decoded) {
            EXPECT_EQ(decodesAsQt(bytes), "") << name.toStdString();
        } else if (result.outcome == PngOutcome::Corrupt) {
            EXPECT_TRUE(qt.isNull()) << name.toStdString() << " is refused: " << result.reason.toStdString();
        }
        // Whoever reads it, the loader refuses exactly the damaged files (names starting with x).
        QImage loaded;
        const Status status = decodeImageBytes(bytes, name, loaded);
        EXPECT_EQ(status.ok(), !name.startsWith(QLatin1Char('x'))) << name.toStdString();
        if (status.ok()) {
            EXPECT_EQ(test::imageDifference(loaded, qt), "") << name.toStdString();
        }
    }
}

// A small valid RGB file and ways of changing it.
QByteArray rgbFile(int split = 0) {
    test::PngLayout layout;
    layout.width = 6;
    layout.height = 4;
    layout.colourType = 2;
    layout.filters = {1, 4, 3, 2};
    layout.samples = test::randomSamples(6 * 4 * 3, 3);
    if (split > 0) {
        layout.split = {split};
    }
    return test::encodePng(layout);
}

qsizetype chunkAt(const QByteArray& png, const char* type) {
    return png.indexOf(type) - 4;
}

// Recomputes the CRC of the chunk starting at `at`.
void fixCrc(QByteArray& png, qsizetype at) {
    const auto length =
        static_cast<qsizetype>(static_cast<std::uint32_t>(static_cast<std::uint8_t>(png[at])) << 24 |
                               static_cast<std::uint32_t>(static_cast<std::uint8_t>(png[at + 1])) << 16 |
                               static_cast<std::uint32_t>(static_cast<std::uint8_t>(png[at + 2])) << 8 |
                               static_cast<std::uint8_t>(png[at + 3]));
    png.replace(at, 8 + length + 4, test::pngChunk(png.mid(at + 4, 4).constData(), png.mid(at + 8, length)));
}

QByteArray flipped(QByteArray bytes, qsizetype at) {
    bytes[at] = static_cast<char>(bytes[at] ^ 1);
    return bytes;
}

// The stream of a single IDAT chunk, changed and put back.
QByteArray withStream(const QByteArray& png, const std::function<QByteArray(QByteArray)>& change) {
    const qsizetype idat = chunkAt(png, "IDAT");
    const qsizetype iend = chunkAt(png, "IEND");
    const QByteArray stream = png.mid(idat + 8, iend - idat - 12);
    return png.left(idat) + test::pngChunk("IDAT", change(stream)) + png.mid(iend);
}

TEST(PngReader, DamagedAndUnusualFilesAreJudgedAsQtJudgesThem) {
    const test::QuietWarnings quiet;
    const QByteArray valid = rgbFile();
    const qsizetype idat = chunkAt(valid, "IDAT");
    const qsizetype iend = chunkAt(valid, "IEND");
    const QByteArray text = test::pngChunk("tEXt", QByteArray("a\0b", 3));
    const QByteArray iendChunk = test::pngChunk("IEND", {});
    struct Case {
        const char* what;
        QByteArray bytes;
        bool declined = false; // left to Qt's reader
    };
    const std::vector<Case> cases = {
        {"IEND CRC missing", valid.chopped(4)},
        {"IEND CRC half there", valid.chopped(2)},
        {"IEND cut in its type", valid.chopped(6)},
        {"no IEND", valid.left(iend)},
        {"IEND CRC wrong", flipped(valid, valid.size() - 1)},
        {"IEND with data", valid.left(iend) + test::pngChunk("IEND", "abcd")},
        {"chunks after IEND", valid + text + "garbage"},
        {"text after the image data", valid.left(iend) + text + valid.mid(iend)},
        {"ancillary chunk with a wrong CRC",
         valid.left(idat) + flipped(text, text.size() - 1) + valid.mid(idat)},
        {"text between IDAT chunks after the stream",
         valid.left(iend) + text + test::pngChunk("IDAT", "xyz") + iendChunk},
        {"text between IDAT chunks inside the stream",
         [] {
             const QByteArray split = rgbFile(10);
             const qsizetype second = split.indexOf("IDAT", chunkAt(split, "IDAT") + 8) - 4;
             return split.left(second) + test::pngChunk("tEXt", QByteArray("a\0b", 3)) + split.mid(second);
         }(),
         true},
        {"empty IDAT chunks around the data", valid.left(idat) + test::pngChunk("IDAT", {}) +
                                                  valid.mid(idat, iend - idat) + test::pngChunk("IDAT", {}) +
                                                  iendChunk},
        {"only empty IDAT chunks", valid.left(idat) + test::pngChunk("IDAT", {}) + iendChunk},
        {"garbage after the zlib stream", withStream(valid, [](QByteArray s) { return s + "garbage"; })},
        // Damage inside the stream is judged by where it lies: refused when the image's bytes run short,
        // the image shown when they all came out before it (as with an Adler-32 in an IDAT of its own).
        {"adler-32 wrong", withStream(valid, [](QByteArray s) { return flipped(s, s.size() - 1); }), true},
        {"adler-32 wrong, last byte in an IDAT of its own",
         [&] {
             const QByteArray bad = withStream(valid, [](QByteArray s) { return flipped(s, s.size() - 1); });
             const qsizetype at = chunkAt(bad, "IDAT");
             const qsizetype end = chunkAt(bad, "IEND");
             const QByteArray stream = bad.mid(at + 8, end - at - 12);
             return bad.left(at) + test::pngChunk("IDAT", stream.chopped(1)) +
                    test::pngChunk("IDAT", stream.right(1)) + bad.mid(end);
         }(),
         true},
        {"adler-32 missing", withStream(valid, [](QByteArray s) { return s.chopped(4); }), true},
        {"deflate data cut in half", withStream(valid, [](QByteArray s) { return s.left(s.size() / 2); }),
         true},
        {"zlib header check wrong", withStream(valid, [](QByteArray s) { return flipped(s, 1); })},
        {"preset dictionary flag", withStream(valid,
                                              [](QByteArray s) {
                                                  s[1] = static_cast<char>(0xBB); // 0x78BB: FDICT, check ok
                                                  return s;
                                              })},
        {"IDAT CRC wrong", flipped(valid, iend - 1)},
        {"IHDR CRC wrong", flipped(valid, 29)},
        {"unknown critical chunk", valid.left(idat) + test::pngChunk("ABCD", "x") + valid.mid(idat)},
        {"unknown critical chunk after the data", valid.left(iend) + test::pngChunk("ABCD", "x") + iendChunk},
        {"chunk type not letters", valid.left(idat) + test::pngChunk("ab1d", "x") + valid.mid(idat)},
        {"second IHDR", valid.left(idat) + valid.mid(8, 25) + valid.mid(idat)},
        {"IEND before the data", valid.left(idat) + iendChunk + valid.mid(idat)},
        {"first chunk not IHDR", valid.left(8) + text + valid.mid(8)},
        {"chunk length beyond the file",
         [&] {
             QByteArray b = valid;
             b[idat + 2] = 0x40;
             return b;
         }()},
        {"chunk length over 2^31",
         [&] {
             QByteArray b = valid;
             b[idat] = static_cast<char>(0x80);
             return b;
         }()},
        {"suggested palette in an RGB image", valid.left(idat) + palette(3, 1) + valid.mid(idat)},
        {"suggested palette after tRNS",
         valid.left(idat) + test::pngChunk("tRNS", QByteArray(6, '\0')) + palette(3, 1) + valid.mid(idat),
         true},
        {"second suggested palette", valid.left(idat) + palette(3, 1) + palette(2, 1) + valid.mid(idat)},
        {"suggested palette of a bad length",
         valid.left(idat) + test::pngChunk("PLTE", "ab") + valid.mid(idat)},
        {"image data longer than the image",
         withStream(valid,
                    [](QByteArray) {
                        test::PngLayout layout;
                        layout.width = 6;
                        layout.height = 5;
                        layout.samples = test::randomSamples(6 * 5 * 3, 3);
                        const QByteArray longer = test::encodePng(layout);
                        const qsizetype at = chunkAt(longer, "IDAT");
                        return longer.mid(at + 8, chunkAt(longer, "IEND") - at - 12);
                    }),
         true},
    };
    for (const Case& c : cases) {
        PngImage image;
        const PngResult result = read(c.bytes, image);
        EXPECT_EQ(result.outcome == PngOutcome::Declined, c.declined) << c.what;
        QImage loaded;
        const Status status = decodeImageBytes(c.bytes, QStringLiteral("t.png"), loaded);
        const QImage qt = test::decodeWithQt(c.bytes);
        EXPECT_EQ(status.ok(), !qt.isNull()) << c.what << ": " << status.message().toStdString();
        if (status.ok() && !qt.isNull()) {
            EXPECT_EQ(test::imageDifference(loaded, qt), "") << c.what;
        }
    }
}

TEST(PngReader, JoiningImageDataInPlacePutsEveryByteBack) {
    test::PngLayout layout;
    layout.width = 17;
    layout.height = 9;
    layout.colourType = 6;
    layout.filters = {0, 1, 2, 3, 4};
    layout.samples = test::randomSamples(17 * 9 * 4, 11);
    layout.split = {1, 0, 7, 3};
    layout.lastByteAlone = true;
    const QByteArray split = test::encodePng(layout);
    layout.height = 8; // the same data is one row too long for this header
    QByteArray tooLong = test::encodePng(layout);
    const qsizetype tooLongIdat = chunkAt(tooLong, "IDAT");
    tooLong = tooLong.left(tooLongIdat) + split.mid(chunkAt(split, "IDAT"));
    tooLong.replace(20, 4, QByteArray("\0\0\0\x08", 4));
    fixCrc(tooLong, 8);
    QByteArray tooShort = tooLong; // and a row too short for this one
    tooShort[23] = 10;
    fixCrc(tooShort, 8);
    for (const auto& [what, file, outcome] : {std::tuple{"split", split, PngOutcome::Decoded},
                                              std::tuple{"too long", tooLong, PngOutcome::Declined},
                                              std::tuple{"too short", tooShort, PngOutcome::Corrupt}}) {
        QByteArray bytes = file;
        bytes.detach();
        PngImage inPlace;
        EXPECT_EQ(readPngInPlace(
                      {reinterpret_cast<std::uint8_t*>(bytes.data()), static_cast<std::size_t>(bytes.size())},
                      inPlace)
                      .outcome,
                  outcome)
            << what;
        EXPECT_TRUE(bytes == file) << what;
        if (outcome == PngOutcome::Decoded) {
            PngImage copied;
            ASSERT_EQ(read(file, copied).outcome, PngOutcome::Decoded);
            EXPECT_EQ(test::imageDifference(view(inPlace), view(copied)), "");
            EXPECT_EQ(decodesAsQt(file), "");
        }
    }
}

TEST(PngReader, RefusalsSayWhatIsWrong) {
    const QByteArray valid = rgbFile();
    const qsizetype iend = chunkAt(valid, "IEND");
    const auto reason = [](const QByteArray& png) {
        PngImage image;
        const PngResult result = read(png, image);
        EXPECT_EQ(result.outcome, PngOutcome::Corrupt);
        return result.reason.toStdString();
    };
    // Raw rows, the third with filter type 5.
    QByteArray rows;
    for (int y = 0; y < 4; ++y) {
        rows.append(static_cast<char>(y == 2 ? 5 : 0));
        rows.append(QByteArray(18, static_cast<char>(y)));
    }
    const QByteArray filter5 = withStream(valid, [&](QByteArray) { return qCompress(rows).mid(4); });
    EXPECT_NE(reason(filter5).find("3 行目のフィルターの種類 5"), std::string::npos);
    EXPECT_NE(reason(flipped(valid, iend - 1)).find("IDAT チャンクの検査値（CRC）"), std::string::npos);
    EXPECT_NE(reason(valid.left(iend - 3)).find("IDAT チャンクがファイルの終わりを越えています"),
              std::string::npos);
    EXPECT_NE(reason(valid.left(iend)).find("IEND チャンクの前でファイルが終わっています"),
              std::string::npos);
    EXPECT_NE(reason(withStream(valid, [](QByteArray s) { return flipped(s, 1); })).find("zlib ヘッダー"),
              std::string::npos);
    const QByteArray threeRows(3 * 19, '\0');
    EXPECT_NE(
        reason(withStream(valid, [&](QByteArray) { return qCompress(threeRows).mid(4); })).find("足りません"),
        std::string::npos);
    {
        QByteArray zeroWidth = valid;
        zeroWidth.replace(16, 4, QByteArray(4, '\0'));
        fixCrc(zeroWidth, 8);
        EXPECT_NE(reason(zeroWidth).find("幅または高さが 0"), std::string::npos);
    }
    // And the loader puts the reason after the file's name.
    QImage image;
    const Status status = decodeImageBytes(filter5, QStringLiteral("f.png"), image);
    EXPECT_EQ(status.message().toStdString(), "「f.png」は PNG ファイルとして壊れているため読み込めません（3 "
                                              "行目のフィルターの種類 5 が正しくありません）");
}

TEST(PngReader, LimitsAreCheckedBeforeAllocatingAndFailedAllocationsAreReported) {
    const QByteArray valid = rgbFile(7);
    QByteArray huge = valid;
    huge.replace(16, 8, QByteArray("\0\0\x9C\x40\0\0\x75\x30", 8)); // 40000 × 30000
    fixCrc(huge, 8);
    {
        const AllocationFailureScope noAllocations(0);
        PngImage image;
        const PngResult result = read(huge, image);
        EXPECT_EQ(result.outcome, PngOutcome::TooLarge);
        EXPECT_EQ(image.width, 40000);
        EXPECT_EQ(image.height, 30000);
    }
    // Each of the reader's allocations failing in turn: the pixels, the rows, the joined stream.
    for (long successes = 0; successes < 3; ++successes) {
        const AllocationFailureScope failing(successes);
        PngImage image;
        EXPECT_EQ(read(valid, image).outcome, PngOutcome::OutOfMemory) << successes;
        EXPECT_FALSE(image.pixels);
    }
    PngImage image;
    EXPECT_EQ(read(valid, image).outcome, PngOutcome::Decoded);
}

TEST(PngReader, LoadedImageBecomesTheSurfaceWithoutACopy) {
    const QByteArray png = rgbFile();
    LoadedImage loaded = test::loaded(png);
    ASSERT_TRUE(loaded.storage);
    EXPECT_EQ(loaded.image.constBits(), loaded.storage.get());
    const QImage expected = test::decodeWithQt(png);
    const std::uint8_t* buffer = loaded.storage.get();
    const DeviceBitmap surface = takeSurface(loaded, 32);
    EXPECT_TRUE(loaded.image.isNull());
    ASSERT_FALSE(surface.isNull());
    EXPECT_EQ(surface.bits().data(), buffer);
    for (int y = 0; y < surface.height(); ++y) {
        for (int x = 0; x < surface.width(); ++x) {
            EXPECT_EQ(surface.pixel(x, y), makeColor(static_cast<std::uint8_t>(qRed(expected.pixel(x, y))),
                                                     static_cast<std::uint8_t>(qGreen(expected.pixel(x, y))),
                                                     static_cast<std::uint8_t>(qBlue(expected.pixel(x, y)))));
        }
    }
}

} // namespace
} // namespace corvane
