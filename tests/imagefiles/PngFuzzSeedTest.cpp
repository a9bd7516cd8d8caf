// The seed corpus of the fuzz target fuzz_png_reader is made here: the test checks that the checked-in
// seeds are the ones this code makes, and writes them afresh when CORVANE_WRITE_PNG_SEEDS is set.

#include "tests/imagefiles/CorruptFiles.h"
#include "tests/imagefiles/PngSamples.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <map>
#include <string>

namespace corvane {
namespace {

std::map<std::string, QByteArray> seeds() {
    std::map<std::string, QByteArray> out;
    const auto make = [](int colourType, int width, QList<QByteArray> chunks = {}) {
        test::PngLayout layout;
        layout.width = width;
        layout.height = 4;
        layout.colourType = colourType;
        layout.filters = {0, 1, 2, 3, 4};
        layout.samples =
            test::randomSamples(static_cast<std::size_t>(width * 4 * test::pngChannels(colourType)),
                                static_cast<std::uint32_t>(width));
        layout.chunks = std::move(chunks);
        return layout;
    };
    const QByteArray plte =
        test::pngChunk("PLTE", QByteArray("\x10\x20\x30\xF0\xE0\xD0\0\0\xFF\x80\x80\x80", 12));
    out["grey"] = test::encodePng(make(0, 5));
    out["grey_trns"] = test::encodePng(make(0, 6, {test::pngChunk("tRNS", QByteArray("\0\x2A", 2))}));
    out["rgb"] = test::encodePng(make(2, 7));
    out["rgb_trns"] =
        test::encodePng(make(2, 3, {test::pngChunk("tRNS", QByteArray("\0\x10\0\x20\0\x30", 6))}));
    out["palette_trns"] =
        test::encodePng(make(3, 9, {plte, test::pngChunk("tRNS", QByteArray("\x80\0", 2))}));
    out["grey_alpha"] = test::encodePng(make(4, 4));
    out["rgba"] = test::encodePng(make(6, 5));
    test::PngLayout split = make(6, 11);
    split.split = {3, 4, 5};
    split.lastByteAlone = true;
    out["rgba_split"] = test::encodePng(split);
    QByteArray text = out["rgb"];
    text.insert(33, test::pngChunk("tEXt", QByteArray("key\0value", 9)));
    out["rgb_text"] = text;
    QByteArray noCrc = out["grey_alpha"];
    noCrc.chop(4);
    out["grey_alpha_iend_without_crc"] = noCrc;
    const std::vector<test::CorruptFile> damaged = test::corruptFiles(QStringLiteral("png"));
    for (const std::size_t pick : {damaged.size() / 4, damaged.size() / 2, damaged.size() - 2}) {
        out["damaged_" + std::to_string(pick)] = damaged[pick].bytes;
    }
    return out;
}

TEST(PngFuzzSeeds, CheckedInSeedsAreTheOnesTheTestsMake) {
    const QDir folder(QStringLiteral(CORVANE_FUZZ_CORPUS "/fuzz_png_reader"));
    const bool write = qEnvironmentVariableIsSet("CORVANE_WRITE_PNG_SEEDS");
    for (const auto& [name, bytes] : seeds()) {
        QFile file(folder.filePath(QString::fromStdString(name)));
        if (write) {
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(bytes);
            continue;
        }
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << name << " is missing";
        EXPECT_TRUE(file.readAll() == bytes) << name << " differs from what the tests make";
    }
}

} // namespace
} // namespace corvane
