#include "imagefiles/GifWriter.h"
#include "imagefiles/ImageSaver.h"
#include "platform/Pixel565.h"
#include "tests/imagefiles/SaveTestSupport.h"
#include "tests/support/TestImages.h"

#include <QDir>

#include <cstdlib>
#include <set>

namespace corvane::test {
namespace {

// An image whose pixels run through `colors` (0xAARRGGBB) in order, repeating.
QImage imageOf(int width, int height, const std::vector<QRgb>& colors,
               QImage::Format format = QImage::Format_RGB32) {
    QImage image(width, height, format);
    for (int i = 0; i < width * height; ++i) {
        image.setPixel(i % width, i / width, colors[static_cast<std::size_t>(i) % colors.size()]);
    }
    return image;
}

std::vector<QRgb> distinctOpaque(int count) {
    std::vector<QRgb> colors;
    for (int i = 0; i < count; ++i) {
        colors.push_back(qRgb(i, (i * 37) & 255, 255 - i));
    }
    return colors;
}

// Where our files have the graphic control extension: right after the global colour table.
qsizetype extensionOffset(const QByteArray& gif) {
    return 13 + 3 * (qsizetype{2} << (gif[10] & 7));
}

// The file rebuilt with its colour table as the image's local table and no global one: the layout in
// which the patch looks for the extension at offset 13 and the table at 31.
QByteArray withLocalTable(const QByteArray& gif) {
    const qsizetype table = extensionOffset(gif) - 13;
    QByteArray out = gif.left(13);
    out[10] = static_cast<char>(gif[10] & 0x70);
    out += gif.mid(13 + table, 8);
    QByteArray descriptor = gif.mid(13 + table + 8, 10);
    descriptor[9] = static_cast<char>(0x80 | (gif[10] & 7));
    return out + descriptor + gif.mid(13, table) + gif.mid(13 + table + 18);
}

TEST(SaveGif, FewColoursRoundTripExactly) {
    const QImage image = imageOf(40, 30, distinctOpaque(200));
    const QByteArray gif = encodeGif(image);
    ASSERT_TRUE(gif.startsWith("GIF89a"));
    ASSERT_TRUE(gif[10] & 0x80) << "global colour table";
    const qsizetype t = extensionOffset(gif);
    EXPECT_EQ(gif.mid(t, 3), QByteArray("\x21\xF9\x04", 3)) << "graphic control extension after the table";
    EXPECT_EQ(gif[t + 3] & 1, 0) << "opaque image: no transparent colour";
    EXPECT_EQ(imageColors(QImage::fromData(gif, "GIF")), imageColors(image));
}

TEST(SaveGif, AlphaZeroBecomesTheTransparentIndex) {
    // With 256 opaque colours there is no room left for the transparent entry: the quantiser makes it.
    for (int opaqueColors : {5, 256}) {
        std::vector<QRgb> colors = distinctOpaque(opaqueColors);
        colors.insert(colors.end(), {qRgba(255, 255, 255, 0), qRgba(10, 20, 30, 0), qRgba(200, 100, 50, 1)});
        const QImage image = imageOf(37, 29, colors, QImage::Format_ARGB32);
        const QByteArray gif = encodeGif(image);
        EXPECT_EQ(gif[extensionOffset(gif) + 3] & 1, 1);
        const std::vector<QRgb> decoded = imageColors(QImage::fromData(gif, "GIF"));
        const std::vector<QRgb> original = imageColors(image);
        for (std::size_t i = 0; i < decoded.size(); ++i) {
            ASSERT_EQ(qAlpha(decoded[i]), qAlpha(original[i]) == 0 ? 0 : 255) << "pixel " << i;
            if (opaqueColors == 5 && qAlpha(original[i]) != 0) {
                ASSERT_EQ(decoded[i], original[i] | 0xFF000000u) << "pixel " << i;
            }
        }
    }
}

TEST(SaveGif, ManyColoursStoreTheQuantisedImage) {
    // Small noise, and a gradient large enough for the palette to come from a sample of its pixels.
    QImage noise(64, 48, QImage::Format_RGB32);
    std::uint32_t state = 1;
    for (int i = 0; i < 64 * 48; ++i) {
        state = state * 1664525u + 1013904223u;
        noise.setPixel(i % 64, i / 64, state >> 8);
    }
    QImage gradient(1420, 1420, QImage::Format_RGB32);
    for (int y = 0; y < gradient.height(); ++y) {
        for (int x = 0; x < gradient.width(); ++x) {
            gradient.setPixel(x, y, qRgb(x / 8 * 9 % 256, y / 8 * 9 % 256, (x + y) / 32 * 8 % 256));
        }
    }
    for (const QImage& image : {noise, gradient}) {
        const std::vector<QRgb> colors = imageColors(quantizeTo256Colors(image));
        EXPECT_LE(std::set<QRgb>(colors.begin(), colors.end()).size(), 256u);
        EXPECT_EQ(imageColors(QImage::fromData(encodeGif(image), "GIF")), colors);
        const std::vector<QRgb> original = imageColors(image);
        double error = 0;
        for (std::size_t i = 0; i < colors.size(); ++i) {
            error += std::abs(qRed(colors[i]) - qRed(original[i])) +
                     std::abs(qGreen(colors[i]) - qGreen(original[i])) +
                     std::abs(qBlue(colors[i]) - qBlue(original[i]));
        }
        EXPECT_LT(error / static_cast<double>(colors.size()), image.width() > 64 ? 40.0 : 120.0);
    }
}

TEST(SaveGif, EveryPixelGetsItsNearestPaletteEntry) {
    // Large enough for the remapping to remember its answers per colour; colours repeat.
    QImage noise(257, 256, QImage::Format_RGB32);
    std::uint32_t state = 7;
    for (int i = 0; i < 257 * 256; ++i) {
        state = state * 1664525u + 1013904223u;
        noise.setPixel(i % 257, i / 257, (state >> 8) & 0xF0F0F0u);
    }
    for (int colors : {16, 256}) {
        const PalettedImage paletted = quantizeImage(noise, colors, false);
        ASSERT_LE(paletted.colorCount, colors);
        for (int y = 0; y < noise.height(); ++y) {
            for (int x = 0; x < noise.width(); ++x) {
                const QRgb c = noise.pixel(x, y);
                int best = 0, bestDistance = 1 << 30;
                for (int i = 0; i < paletted.colorCount; ++i) {
                    const QRgb p = paletted.palette[static_cast<std::size_t>(i)];
                    const int d = (qRed(p) - qRed(c)) * (qRed(p) - qRed(c)) +
                                  (qGreen(p) - qGreen(c)) * (qGreen(p) - qGreen(c)) +
                                  (qBlue(p) - qBlue(c)) * (qBlue(p) - qBlue(c));
                    if (d < bestDistance) {
                        bestDistance = d;
                        best = i;
                    }
                }
                ASSERT_EQ(paletted.row(y)[x], best) << x << "," << y << ", " << colors << " colours";
            }
        }
    }
}

class SaveGifSurface : public testing::TestWithParam<int> {};

TEST_P(SaveGifSurface, ReduceTo256ColorsInPlace) {
    const int bits = GetParam();
    std::vector<ColorRef> few;
    for (unsigned i = 0; i < 200; ++i) {
        few.push_back(makeColor(Expand5(i), Expand6(i * 3), Expand5(i / 7)));
    }
    DeviceBitmap kept = paletteSurface(50, 40, bits, few, 1);
    const DeviceBitmap keptBefore = kept.clone();
    ASSERT_TRUE(ReduceTo256Colors(kept));
    EXPECT_TRUE(samePixels(kept, keptBefore)) << firstDifference(kept, keptBefore);

    DeviceBitmap reduced = randomBitmap(70, 50, bits, 2);
    const DeviceBitmap before = reduced.clone();
    {
        AllocationFailureScope failing(0);
        EXPECT_FALSE(ReduceTo256Colors(reduced));
    }
    EXPECT_TRUE(samePixels(reduced, before));
    ASSERT_TRUE(ReduceTo256Colors(reduced));
    const std::vector<QRgb> colors = surfaceColors(reduced);
    EXPECT_LE(std::set<QRgb>(colors.begin(), colors.end()).size(), 256u);
    for (int y = 0; bits == 32 && y < reduced.height(); ++y) {
        for (int x = 0; x < reduced.width(); ++x) {
            ASSERT_EQ(reduced.row(y)[4 * x + 3], before.row(y)[4 * x + 3]) << "fourth byte kept";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(AllFormats, SaveGifSurface, testing::ValuesIn(kSurfaceDepths), SurfaceDepthName());

// Only the packed byte and the index of the extension at `t` may change.
void expectPatched(const QByteArray& before, const QByteArray& after, qsizetype t, int index) {
    QByteArray expected = before;
    expected[t + 3] = static_cast<char>(before[t + 3] | 1);
    expected[t + 6] = static_cast<char>(index);
    EXPECT_EQ(after, expected);
}

TEST(MarkGifTransparent, PicksTheEntryNearestToTheKeyColourFirstOnTies) {
    const struct {
        std::vector<QRgb> colors;
        int expected;
    } cases[] = {
        {{qRgb(255, 255, 255), qRgb(255, 247, 255), qRgb(0, 0, 0)}, 1}, // an exact match beats white
        {{qRgb(0, 0, 0), qRgb(255, 247, 250), qRgb(250, 247, 255)}, 1}, // a tie at 5: the first
        {{qRgb(0, 0, 0), qRgb(10, 10, 10), qRgb(255, 255, 255)}, 2},
    };
    for (const auto& c : cases) {
        const QByteArray gif = encodeGif(imageOf(3, 2, c.colors));
        QByteArray patched = gif;
        ASSERT_TRUE(CGIFSub::markGifTransparent(patched));
        expectPatched(gif, patched, extensionOffset(gif), c.expected);
        const std::vector<QRgb> decoded = imageColors(QImage::fromData(patched, "GIF"));
        for (std::size_t i = 0; i < decoded.size(); ++i) {
            EXPECT_EQ(qAlpha(decoded[i]), i % 3 == static_cast<std::size_t>(c.expected) ? 0 : 255);
        }
        const QByteArray local = withLocalTable(gif);
        ASSERT_EQ(imageColors(QImage::fromData(local, "GIF")), imageColors(QImage::fromData(gif, "GIF")));
        QByteArray localPatched = local;
        ASSERT_TRUE(CGIFSub::markGifTransparent(localPatched));
        expectPatched(local, localPatched, 13, c.expected);
    }
}

TEST(MarkGifTransparent, LeavesBytesAloneWithoutTheExtensionOrWhenTruncated) {
    const QByteArray gif = encodeGif(imageOf(5, 4, distinctOpaque(7)));
    const qsizetype t = extensionOffset(gif);
    QByteArray wrongLabel = gif;
    wrongLabel[t + 1] = static_cast<char>(0xFE); // a comment extension
    QByteArray noTables = gif.left(13) + gif.mid(t);
    noTables[10] = 0;
    for (const QByteArray& bytes : {gif.left(t) + gif.mid(t + 8), wrongLabel, noTables}) {
        QByteArray copy = bytes;
        EXPECT_FALSE(CGIFSub::markGifTransparent(copy));
        EXPECT_EQ(copy, bytes);
    }
    for (const QByteArray& whole : {gif, withLocalTable(gif)}) {
        const qsizetype needed = whole == gif ? t + 7 : 31 + (t - 13); // extension or local table complete
        for (qsizetype length = 0; length <= whole.size(); ++length) {
            QByteArray prefix = whole.left(length);
            ASSERT_EQ(CGIFSub::markGifTransparent(prefix), length >= needed) << "length " << length;
            ASSERT_EQ(prefix.size(), length);
        }
    }
}

TEST(MarkGifTransparent, PatchesFilesAtomicallyAndOnlyGifs) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("t.gif"));
    const DeviceBitmap surface = paletteSurface(9, 7, 24, {kWhite, kBlack, kRed}, 4);
    ASSERT_TRUE(SaveBitmapWithEncoder(surface, path, QStringLiteral("gif"), 100).ok());
    ASSERT_TRUE(CGIFSub::MarkGifTransparent(path).ok());
    const std::vector<QRgb> decoded = imageColors(QImage(path));
    const std::vector<QRgb> colors = surfaceColors(surface);
    for (std::size_t i = 0; i < decoded.size(); ++i) {
        EXPECT_EQ(qAlpha(decoded[i]), colors[i] == qRgb(255, 255, 255) ? 0 : 255);
    }
    const QString other = dir.filePath(QStringLiteral("other.gif"));
    const QByteArray notGif("\x89PNG\r\n\x1A\n and more bytes than a GIF header needs", 48);
    writeAll(other, notGif);
    const Status status = CGIFSub::MarkGifTransparent(other);
    EXPECT_FALSE(status.ok());
    EXPECT_TRUE(status.message().contains(QStringLiteral("other.gif")));
    EXPECT_EQ(readAll(other), notGif);
    EXPECT_FALSE(CGIFSub::MarkGifTransparent(dir.filePath(QStringLiteral("missing.gif"))).ok());
}

// The fuzz target's seed corpus is made here; CORVANE_WRITE_GIF_SEEDS=1 (re)writes it.
TEST(MarkGifTransparent, SeedCorpus) {
    std::vector<QRgb> withHole = distinctOpaque(6);
    withHole.push_back(0);
    const QByteArray sixteen = encodeGif(imageOf(8, 8, distinctOpaque(16)));
    QByteArray marked = sixteen;
    ASSERT_TRUE(CGIFSub::markGifTransparent(marked));
    const std::pair<QString, QByteArray> seeds[] = {
        {QStringLiteral("opaque_2.gif"), encodeGif(imageOf(3, 2, distinctOpaque(2)))},
        {QStringLiteral("transparent_7.gif"), encodeGif(imageOf(4, 4, withHole, QImage::Format_ARGB32))},
        {QStringLiteral("local_table_16.gif"), withLocalTable(sixteen)},
        {QStringLiteral("marked_16.gif"), marked}};
    const QDir corpus(QStringLiteral(CORVANE_SOURCE_DIR "/fuzz/corpus/fuzz_gif_patch"));
    for (const auto& [name, bytes] : seeds) {
        if (qEnvironmentVariableIsSet("CORVANE_WRITE_GIF_SEEDS")) {
            writeAll(corpus.filePath(name), bytes);
        }
        EXPECT_EQ(readAll(corpus.filePath(name)), bytes) << name.toStdString() << " is out of date";
    }
}

} // namespace
} // namespace corvane::test
