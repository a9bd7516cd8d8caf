// The seed corpora of the fuzz targets fuzz_load, fuzz_png_key_colour and fuzz_bmp_key_colour are made
// here: the test checks that the checked-in seeds are the ones this code makes, and writes them afresh
// when the environment variable CORVANE_WRITE_LOAD_SEEDS is set.

#include "tests/imagefiles/CorruptFiles.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <map>
#include <string>

namespace corvane {
namespace {

using Seeds = std::map<std::string, QByteArray>;

QImage smallRgba() {
    QImage image = test::patternImage(5, 4);
    image.setPixel(1, 1, qRgba(0, 0, 0, 0));
    image.setPixel(3, 2, qRgba(200, 100, 50, 128));
    image.setPixel(4, 3, qRgba(255, 255, 255, 255));
    return image;
}

QByteArray palettePng() {
    const QByteArray plte("\0\0\0\xFF\xFF\xFF\x10\x20\x30\x90\x80\x70", 12);
    return test::makePng(3, 2, 8, 3, QByteArray("\0\1\2\3\2\1", 6),
                         {test::pngChunk("PLTE", plte), test::pngChunk("tRNS", QByteArray("\xFF\x80\0", 3))});
}

Seeds pngSeeds() {
    return {
        {"png_rgba_bkgd", test::rgbaPng(smallRgba(), {test::bkgdRgb(0, 0, 255)})},
        {"png_rgba_white", test::rgbaPng(smallRgba())},
        {"png_grey_alpha_bkgd",
         test::makePng(2, 2, 8, 4, QByteArray("\x10\0\x20\xFF\x30\x80\x40\xFF", 8), {test::bkgdGrey(77)})},
        {"png_palette_trns", palettePng()},
        {"png_rgb", test::validFile(QStringLiteral("png"))},
    };
}

Seeds bmpSeeds() {
    QImage keyed = test::patternImage(4, 3);
    keyed.setPixel(2, 2, qRgba(255, 0, 0, 237));
    QImage zero = test::patternImage(3, 2);
    zero.setPixel(0, 1, qRgba(9, 8, 7, 0));
    return {
        {"bmp32_key_237", test::makeBmp(keyed, 32)},
        {"bmp32_key_0", test::makeBmp(zero, 32)},
        {"bmp24", test::validFile(QStringLiteral("bmp"))},
    };
}

Seeds loadSeeds() {
    Seeds seeds = pngSeeds();
    seeds.merge(bmpSeeds());
    test::GifFrame frame;
    frame.screenWidth = 7;
    frame.screenHeight = 9;
    frame.left = 1;
    frame.top = 1;
    frame.width = 5;
    frame.height = 8;
    frame.palette = {qRgb(0, 0, 0), qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255)};
    for (int i = 0; i < 40; ++i) {
        frame.indices.push_back(static_cast<std::uint8_t>(i % 4));
    }
    frame.transparentIndex = 2;
    frame.interlaced = true;
    seeds["gif_interlaced_offset"] = test::makeGif(frame);
    seeds["gif"] = test::validFile(QStringLiteral("gif"));
    seeds["tiff_rgb"] = test::validFile(QStringLiteral("tiff"));
    seeds["tiff_rgba_big_endian"] = test::makeTiff(smallRgba(), true, true);
    seeds["jpeg"] = test::validFile(QStringLiteral("jpeg"));
    // A few damaged files of each format.
    for (const char* format : {"png", "bmp", "gif", "tiff", "jpeg"}) {
        const std::vector<test::CorruptFile> damaged = test::corruptFiles(QString::fromLatin1(format));
        for (const std::size_t pick : {damaged.size() / 3, damaged.size() * 2 / 3, damaged.size() - 1}) {
            seeds[std::string(format) + "_damaged_" + std::to_string(pick)] = damaged[pick].bytes;
        }
    }
    return seeds;
}

void checkOrWrite(const char* target, const Seeds& seeds) {
    const QDir folder(QStringLiteral(CORVANE_FUZZ_CORPUS "/") + QString::fromLatin1(target));
    const bool write = qEnvironmentVariableIsSet("CORVANE_WRITE_LOAD_SEEDS");
    for (const auto& [name, bytes] : seeds) {
        QFile file(folder.filePath(QString::fromStdString(name)));
        if (write) {
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(bytes);
            continue;
        }
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << target << "/" << name << " is missing";
        EXPECT_TRUE(file.readAll() == bytes) << target << "/" << name << " differs from what the tests make";
    }
}

TEST(LoadFuzzSeeds, CheckedInSeedsAreTheOnesTheTestsMake) {
    checkOrWrite("fuzz_png_key_colour", pngSeeds());
    checkOrWrite("fuzz_bmp_key_colour", bmpSeeds());
    checkOrWrite("fuzz_load", loadSeeds());
}

} // namespace
} // namespace corvane
