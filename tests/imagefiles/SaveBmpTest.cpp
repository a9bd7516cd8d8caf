#include "imagefiles/BmpWriter.h"
#include "imagefiles/ImageConversion.h"
#include "platform/PixelAccess.h"
#include "tests/imagefiles/SaveTestSupport.h"
#include "tests/support/TestImages.h"

#include <set>

namespace corvane::test {
namespace {

struct Kind {
    int bits;
    BmpCompression compression;
    std::uint32_t code; // biCompression
    int info;           // info block size
};
constexpr Kind kKinds[] = {
    {1, BmpCompression::Rgb, 0, 48},    {4, BmpCompression::Rgb, 0, 104},
    {4, BmpCompression::Rle4, 2, 104},  {8, BmpCompression::Rgb, 0, 1064},
    {8, BmpCompression::Rle8, 1, 1064}, {16, BmpCompression::Bitfields, 3, 52},
    {24, BmpCompression::Rgb, 0, 40},   {32, BmpCompression::Bitfields, 3, 52},
};

const std::vector<ColorRef> kSixteen = {
    makeColor(0, 0, 0),       makeColor(255, 255, 255), makeColor(255, 0, 0),     makeColor(0, 255, 0),
    makeColor(0, 0, 255),     makeColor(255, 255, 0),   makeColor(0, 255, 255),   makeColor(255, 0, 255),
    makeColor(132, 130, 132), makeColor(66, 65, 66),    makeColor(24, 130, 214),  makeColor(214, 101, 24),
    makeColor(99, 32, 0),     makeColor(0, 97, 33),     makeColor(247, 190, 156), makeColor(8, 4, 8)};

// 256 colours that 16-bit surfaces hold exactly.
std::vector<ColorRef> colors256() {
    std::vector<ColorRef> colors;
    for (unsigned i = 0; i < 256; ++i) {
        colors.push_back(makeColor(Expand5(i * 7), Expand6(i * 13), Expand5(i / 3)));
    }
    return colors;
}

TEST(SaveBmp, HeaderValuesOfEveryKind) {
    const DeviceBitmap surface = paletteSurface(100, 100, 32, kSixteen, 1);
    for (const Kind& kind : kKinds) {
        SCOPED_TRACE(testing::Message() << kind.bits << " bits, compression " << kind.code);
        const QByteArray file = encodeBmp(surface, kind.bits, kind.compression);
        ASSERT_FALSE(file.isEmpty());
        EXPECT_EQ(le32(file, 14), 40u);
        EXPECT_EQ(le16(file, 26), 1u);
        EXPECT_EQ(le16(file, 28), static_cast<std::uint32_t>(kind.bits));
        EXPECT_EQ(le32(file, 30), kind.code);
        EXPECT_EQ(le32(file, 10), static_cast<std::uint32_t>(14 + kind.info));
        EXPECT_EQ(le32(file, 2), static_cast<std::uint32_t>(file.size()));
        EXPECT_EQ(le32(file, 2), 14 + static_cast<std::uint32_t>(kind.info) + le32(file, 34));
        if (kind.code != 1 && kind.code != 2) {
            EXPECT_EQ(le32(file, 34), static_cast<std::uint32_t>((kind.bits * 100 + 31) / 32 * 4 * 100));
        }
    }
    EXPECT_EQ(encodeBmp(surface, 4, BmpCompression::Rgb).size(), 5318);

    const QByteArray small = encodeBmp(DeviceBitmap::create(3, 1, 24), 24, BmpCompression::Rgb);
    EXPECT_EQ(small.size(), 66);
    EXPECT_EQ(le32(small, 34), 12u);
    EXPECT_EQ(le32(small, 10), 54u);

    const QByteArray mono = encodeBmp(surface, 1, BmpCompression::Rgb);
    EXPECT_EQ(bmpPalette(mono), (std::vector<QRgb>{qRgb(0, 0, 0), qRgb(255, 255, 255)}));
    const QByteArray masks16 = encodeBmp(surface, 16, BmpCompression::Bitfields);
    EXPECT_EQ(masks16.mid(54, 12), QByteArray("\x00\xF8\0\0\xE0\x07\0\0\x1F\0\0\0", 12));
    const QByteArray masks32 = encodeBmp(surface, 32, BmpCompression::Bitfields);
    EXPECT_EQ(masks32.mid(54, 12), QByteArray("\0\0\xFF\0\0\xFF\0\0\xFF\0\0\0", 12));

    // Combinations that do not exist.
    EXPECT_TRUE(encodeBmp(surface, 4, BmpCompression::Rle8).isEmpty());
    EXPECT_TRUE(encodeBmp(surface, 24, BmpCompression::Bitfields).isEmpty());
    EXPECT_TRUE(encodeBmp(surface, 16, BmpCompression::Rgb).isEmpty());
    EXPECT_TRUE(encodeBmp(surface, 2, BmpCompression::Rgb).isEmpty());
    EXPECT_TRUE(encodeBmp(DeviceBitmap(), 24, BmpCompression::Rgb).isEmpty());
}

class SaveBmpSurface : public testing::TestWithParam<int> {};

TEST_P(SaveBmpSurface, DirectColourDepthsStoreThePixelsExactly) {
    const DeviceBitmap surface = randomBitmap(37, 23, GetParam(), 7);
    const std::vector<QRgb> expected = surfaceColors(surface);
    for (int bits : {24, 32}) {
        const QByteArray file =
            encodeBmp(surface, bits, bits == 24 ? BmpCompression::Rgb : BmpCompression::Bitfields);
        EXPECT_EQ(imageColors(QImage::fromData(file, "BMP")), expected) << bits << " bits read by Qt";
    }
    const QByteArray file32 = encodeBmp(surface, 32, BmpCompression::Bitfields);
    EXPECT_EQ(file32[le32(file32, 10) + 3], 0) << "the fourth byte is no alpha";

    // 16 bits: a 16-bit surface's words as they are, else the top 5, 6 and 5 bits.
    const QByteArray file16 = encodeBmp(surface, 16, BmpCompression::Bitfields);
    const qsizetype stride = (37 * 2 + 3) / 4 * 4;
    for (int y = 0; y < 23; ++y) {
        for (int x = 0; x < 37; ++x) {
            const ColorRef c = surface.pixel(x, y);
            const std::uint32_t word = GetParam() == 16
                                           ? loadWord(surface.row(y) + 2 * x)
                                           : pack565(redOf(c) >> 3u, greenOf(c) >> 2u, blueOf(c) >> 3u);
            ASSERT_EQ(le16(file16, le32(file16, 10) + stride * (22 - y) + 2 * x), word) << x << "," << y;
        }
    }
}

TEST_P(SaveBmpSurface, PaletteDepthsAreExactUpToTheirColourCount) {
    const DeviceBitmap sixteen = paletteSurface(61, 17, GetParam(), kSixteen, 3);
    const DeviceBitmap many = paletteSurface(61, 17, GetParam(), colors256(), 4);
    const DeviceBitmap noise = randomBitmap(45, 31, GetParam(), 5);
    for (const auto& [surface, bits] :
         {std::pair{&sixteen, 4}, std::pair{&many, 8}, std::pair{&noise, 4}, std::pair{&noise, 8}}) {
        const QByteArray plain = encodeBmp(*surface, bits, BmpCompression::Rgb);
        const QByteArray rle =
            encodeBmp(*surface, bits, bits == 4 ? BmpCompression::Rle4 : BmpCompression::Rle8);
        const std::vector<QRgb> decoded = imageColors(QImage::fromData(plain, "BMP"));
        EXPECT_EQ(imageColors(QImage::fromData(rle, "BMP")), decoded)
            << "both encodings store the same pixels";
        const std::vector<QRgb> palette = bmpPalette(plain);
        EXPECT_EQ(bmpPalette(rle), palette);
        std::vector<QRgb> fromIndices;
        for (int index : rleIndices(rle)) {
            fromIndices.push_back(index >= 0 && index < (1 << bits) ? palette[static_cast<std::size_t>(index)]
                                                                    : 0);
        }
        EXPECT_EQ(fromIndices, decoded) << "every pixel is its palette entry";
        if (surface != &noise) {
            EXPECT_EQ(decoded, surfaceColors(*surface)) << bits << " bits";
        } else {
            const std::size_t used = std::set<QRgb>(decoded.begin(), decoded.end()).size();
            EXPECT_LE(used, std::size_t{1} << bits);
            EXPECT_GT(used, std::size_t{1} << (bits - 1)) << "the palette is put to use";
        }
    }
}

TEST_P(SaveBmpSurface, OneBitIsWhiteFromMidGreyLuminanceUp) {
    const std::vector<std::pair<ColorRef, bool>> cases = {
        {makeColor(0, 0, 0), false},       {makeColor(255, 255, 255), true}, {makeColor(132, 130, 132), true},
        {makeColor(123, 125, 123), false}, {makeColor(255, 0, 0), false},    {makeColor(0, 255, 0), true},
        {makeColor(255, 255, 0), true},    {makeColor(0, 0, 255), false}};
    DeviceBitmap surface = DeviceBitmap::create(static_cast<int>(cases.size()), 1, GetParam());
    for (std::size_t i = 0; i < cases.size(); ++i) {
        surface.setPixel(static_cast<int>(i), 0, cases[i].first);
    }
    const std::vector<QRgb> decoded =
        imageColors(QImage::fromData(encodeBmp(surface, 1, BmpCompression::Rgb), "BMP"));
    for (std::size_t i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(decoded[i], cases[i].second ? qRgb(255, 255, 255) : qRgb(0, 0, 0)) << "pixel " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(AllFormats, SaveBmpSurface, testing::ValuesIn(kSurfaceDepths), SurfaceDepthName());

// Rows built to hit the encoders' boundaries: runs of 1 … 4, 254 … 257, 511 and 1000 pixels, the same
// lengths of alternating pairs and of stretches without runs, odd widths and a single pixel.
TEST(SaveBmp, RunLengthEncodingDecodesRight) {
    const ColorRef a = kSixteen[2], b = kSixteen[4], c = kSixteen[9];
    std::vector<std::vector<ColorRef>> rows = {{a, a, b}, {a, b, b, c, c, c, a, b, c, a, a, b, c}};
    for (std::size_t n : {1, 2, 3, 4, 254, 255, 256, 257, 511, 1000}) {
        std::vector<ColorRef> same(n, a), alternating, literal;
        for (std::size_t i = 0; i < n; ++i) {
            alternating.push_back(i % 2 ? b : a);
            literal.push_back(kSixteen[i * 7 % 16]);
        }
        rows.insert(rows.end(), {same, alternating, literal});
    }
    for (const auto& row : rows) {
        const int width = static_cast<int>(row.size());
        DeviceBitmap surface = DeviceBitmap::create(width, 3, 24);
        for (int y = 0; y < 3; ++y) {
            for (int x = 0; x < width; ++x) {
                surface.setPixel(x, y, row[static_cast<std::size_t>((x + y) % width)]); // rows differ
            }
        }
        const std::vector<QRgb> expected = surfaceColors(surface);
        for (auto [bits, compression] :
             {std::pair{4, BmpCompression::Rle4}, std::pair{8, BmpCompression::Rle8}}) {
            const QByteArray file = encodeBmp(surface, bits, compression);
            const std::vector<QRgb> palette = bmpPalette(file);
            std::vector<QRgb> decoded;
            for (int index : rleIndices(file)) {
                decoded.push_back(index >= 0 ? palette[static_cast<std::size_t>(index)] : 0);
            }
            ASSERT_EQ(decoded, expected) << bits << "-bit RLE, width " << width;
            ASSERT_EQ(imageColors(QImage::fromData(file, "BMP")), expected)
                << "Qt, " << bits << " bits, width " << width;
        }
    }
    // A flat 1000-pixel row is four encoded runs and an end of line.
    EXPECT_EQ(encodeBmp(solidBitmap(1000, 100, 32, 0x336699), 8, BmpCompression::Rle8).size(),
              14 + 1064 + 100 * (4 * 2 + 2) + 2);
}

TEST(SaveBmp, ImageMagickReadsEveryKind) {
    CORVANE_REQUIRE_TOOL(identify, "identify");
    CORVANE_REQUIRE_TOOL(compare, "compare");
    QTemporaryDir dir;
    const DeviceBitmap surface = paletteSurface(53, 29, 32, kSixteen, 11);
    for (const Kind& kind : kKinds) {
        SCOPED_TRACE(testing::Message() << kind.bits << " bits, compression " << kind.code);
        const QString path = dir.filePath(QStringLiteral("k%1_%2.bmp").arg(kind.bits).arg(kind.code));
        ASSERT_TRUE(WriteBmpFile(surface, path, kind.bits, kind.compression).ok());
        EXPECT_EQ(identified(identify, path), "BMP3 53 29"); // ImageMagick's name for the 40-byte header
        // The intended pixels: Qt's decoding, except for 16 bits, which Qt widens by shifting (31 → 248);
        // there the surface's colours narrowed to 5-6-5 and widened through Expand5/Expand6.
        const QImage intended = kind.bits == 16 ? toImage(toBitmap(toImage(surface), 16))
                                                : QImage::fromData(readAll(path), "BMP");
        const QString reference = dir.filePath(QStringLiteral("ref.png"));
        ASSERT_TRUE(intended.save(reference, "PNG"));
        // ImageMagick widens 5- and 6-bit channels by bit replication, which differs from Expand5 and
        // Expand6 by at most one level.
        EXPECT_EQ(imageMagickDifference(compare, path, reference, kind.bits == 16 ? 1 : 0), "0");
    }
}

TEST(SaveBmp, FailedWriteLeavesTheExistingFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("keep.bmp"));
    writeAll(path, "existing content");
    const DeviceBitmap surface = randomBitmap(20, 20, 24, 3);
    {
        AllocationFailureScope failing(0);
        EXPECT_EQ(WriteBmpFile(surface, path, 8, BmpCompression::Rle8).kind(), Status::Kind::OutOfMemory);
    }
    const Status refused = WriteBmpFile(surface, path, 16, BmpCompression::Rgb);
    EXPECT_FALSE(refused.ok());
    EXPECT_TRUE(refused.message().contains(QStringLiteral("keep.bmp")));
    EXPECT_EQ(readAll(path), "existing content");
    EXPECT_FALSE(WriteBmpFile(surface, dir.path(), 24, BmpCompression::Rgb).ok()) << "a folder is no file";
    ASSERT_TRUE(WriteBmpFile(surface, path, 24, BmpCompression::Rgb).ok());
    EXPECT_EQ(readAll(path), encodeBmp(surface, 24, BmpCompression::Rgb));
}

} // namespace
} // namespace corvane::test
