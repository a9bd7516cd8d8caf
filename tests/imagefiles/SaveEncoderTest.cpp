#include "imagefiles/GifWriter.h"
#include "imagefiles/ImageConversion.h"
#include "imagefiles/ImageSaver.h"
#include "tests/imagefiles/SaveTestSupport.h"
#include "tests/support/TestImages.h"

#include <QFileInfo>
#include <QImageReader>

namespace corvane::test {
namespace {

const QString kExtensions[] = {QStringLiteral("png"), QStringLiteral("tiff"), QStringLiteral("bmp"),
                               QStringLiteral("gif"), QStringLiteral("jpeg")};

// Read with the format named, as the loader does.
QImage readBack(const QString& path, const QString& format) {
    return QImageReader(path, format.toLatin1()).read();
}

TEST(SaveEncoder, FiveExtensionsHaveEncodersAndOthersWriteNothing) {
    for (const char* ext : {"jpeg", "png", "tiff", "gif", "bmp", "PNG", "Jpeg"}) {
        EXPECT_TRUE(hasEncoder(QString::fromLatin1(ext))) << ext;
    }
    for (const char* ext : {"jpg", "tif", "webp", "", ".png"}) {
        EXPECT_FALSE(hasEncoder(QString::fromLatin1(ext))) << ext;
    }
    QTemporaryDir dir;
    const DeviceBitmap surface = randomBitmap(8, 8, 32, 1);
    const QString existing = dir.filePath(QStringLiteral("a.jpg"));
    writeAll(existing, "old");
    for (const QString& ext : {QStringLiteral("jpg"), QStringLiteral("tif")}) {
        for (const QString& path : {dir.filePath(QStringLiteral("b.") + ext), existing}) {
            EXPECT_EQ(SaveBitmapWithEncoder(surface, path, ext, 80).kind(), Status::Kind::NoEncoder);
            EXPECT_EQ(SaveTransparentWithEncoder(surface, path, ext).kind(), Status::Kind::NoEncoder);
            EXPECT_EQ(saveImageWithEncoder(toImage(surface), path, ext, 80).kind(), Status::Kind::NoEncoder);
        }
        EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("b.") + ext)));
    }
    EXPECT_EQ(readAll(existing), "old");
}

class SaveEncoderSurface : public testing::TestWithParam<int> {};

TEST_P(SaveEncoderSurface, EverySaveTypeReadsBack) {
    QTemporaryDir dir;
    const DeviceBitmap surface = randomBitmap(41, 27, GetParam(), 9);
    for (const QString& ext : kExtensions) {
        const QString path = dir.filePath(QStringLiteral("r.") + ext);
        ASSERT_TRUE(SaveBitmapWithEncoder(surface, path, ext, 100).ok()) << ext.toStdString();
        const QImage image = readBack(path, ext);
        ASSERT_FALSE(image.isNull()) << ext.toStdString();
        if (ext == QLatin1String("gif")) {
            EXPECT_EQ(imageColors(image), imageColors(quantizeTo256Colors(toImage(surface))));
        } else if (ext != QLatin1String("jpeg")) {
            EXPECT_FALSE(image.hasAlphaChannel()) << ext.toStdString();
            EXPECT_EQ(imageColors(image), surfaceColors(surface)) << ext.toStdString();
        }
    }
    // JPEG: close to a smooth surface at quality 100, and the quality reaches the encoder.
    DeviceBitmap smooth = DeviceBitmap::create(64, 48, GetParam());
    for (int y = 0; y < 48; ++y) {
        for (int x = 0; x < 64; ++x) {
            smooth.setPixel(
                x, y, makeColor(static_cast<std::uint8_t>(x * 4), static_cast<std::uint8_t>(y * 5), 128));
        }
    }
    const QString high = dir.filePath(QStringLiteral("high.jpeg"));
    const QString low = dir.filePath(QStringLiteral("low.jpeg"));
    ASSERT_TRUE(SaveBitmapWithEncoder(smooth, high, QStringLiteral("jpeg"), 100).ok());
    ASSERT_TRUE(SaveBitmapWithEncoder(smooth, low, QStringLiteral("JPEG"), 10).ok());
    const std::vector<QRgb> decoded = imageColors(readBack(high, QStringLiteral("jpeg")));
    const std::vector<QRgb> original = surfaceColors(smooth);
    for (std::size_t i = 0; i < decoded.size(); ++i) {
        ASSERT_NEAR(qGreen(decoded[i]), qGreen(original[i]), 6) << "pixel " << i;
    }
    EXPECT_LT(QFileInfo(low).size(), QFileInfo(high).size() / 2);
}

TEST_P(SaveEncoderSurface, TransparentVariantsMakeOnlyPureWhiteTransparent) {
    QTemporaryDir dir;
    const ColorRef nearWhite = GetParam() == 16 ? makeColor(255, 251, 255) : makeColor(255, 254, 255);
    const DeviceBitmap surface = paletteSurface(23, 11, GetParam(), {kWhite, nearWhite, kRed, kBlack}, 5);
    const std::vector<QRgb> colors = surfaceColors(surface);
    for (const QString& ext :
         {QStringLiteral("png"), QStringLiteral("tiff"), QStringLiteral("bmp"), QStringLiteral("gif")}) {
        const QString path = dir.filePath(QStringLiteral("t.") + ext);
        ASSERT_TRUE(SaveTransparentWithEncoder(surface, path, ext).ok()) << ext.toStdString();
        const std::vector<QRgb> decoded = imageColors(readBack(path, ext));
        ASSERT_EQ(decoded.size(), colors.size());
        for (std::size_t i = 0; i < decoded.size(); ++i) {
            const bool white = colors[i] == qRgb(255, 255, 255);
            // GIF stores no colour for its transparent entry, and Qt's TIFF reader premultiplies it away;
            // PNG and BMP keep white under alpha 0.
            const bool colourUnderAlphaKept = ext == QLatin1String("png") || ext == QLatin1String("bmp");
            if (white && !colourUnderAlphaKept) {
                ASSERT_EQ(qAlpha(decoded[i]), 0) << ext.toStdString() << " pixel " << i;
                continue;
            }
            const QRgb expected = white ? 0x00FFFFFFu : colors[i];
            ASSERT_EQ(decoded[i], expected) << ext.toStdString() << " pixel " << i;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(AllFormats, SaveEncoderSurface, testing::ValuesIn(kSurfaceDepths),
                         SurfaceDepthName());

// Carriers of hidden data: colour bytes and alpha must come back exactly as written, whatever they are.
TEST(SaveEncoder, ArgbImagesKeepColourAndAlphaExactly) {
    QImage image(64, 40, QImage::Format_ARGB32);
    std::uint32_t state = 3;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            state = state * 1664525u + 1013904223u;
            const int alpha = y < 4 ? (x * 4 + y) % 256 : 229 + static_cast<int>((state >> 4) % 27);
            image.setPixel(x, y, (state >> 8 & 0xFFFFFFu) | static_cast<QRgb>(alpha) << 24);
        }
    }
    QTemporaryDir dir;
    const QString convert = imageMagick(QStringLiteral("convert-im6.q16"));
    const QImage rgba = image.convertToFormat(QImage::Format_RGBA8888);
    const QByteArray rawBytes(reinterpret_cast<const char*>(rgba.constBits()), rgba.sizeInBytes());
    for (const QString& ext : {QStringLiteral("png"), QStringLiteral("tiff"), QStringLiteral("bmp")}) {
        const QString path = dir.filePath(QStringLiteral("c.") + ext);
        ASSERT_TRUE(saveImageWithEncoder(image, path, ext, 100).ok());
        const QImage back = readBack(path, ext);
        if (ext != QLatin1String("tiff")) {
            EXPECT_EQ(back.format(), QImage::Format_ARGB32) << ext.toStdString() << " read unpremultiplied";
        }
        if (ext == QLatin1String("tiff")) {
            // The file stores unassociated alpha with the colour bytes as they are (ImageMagick below
            // reads them exactly); Qt's TIFF reader premultiplies on the way in, so through Qt only the
            // alpha comes back exactly, which is what a carrier needs.
            const auto alphas = [](const std::vector<QRgb>& colors) {
                std::vector<int> a;
                for (const QRgb c : colors) {
                    a.push_back(qAlpha(c));
                }
                return a;
            };
            EXPECT_EQ(alphas(imageColors(back)), alphas(imageColors(image)));
        } else {
            EXPECT_EQ(imageColors(back), imageColors(image)) << ext.toStdString();
        }
        if (!convert.isEmpty()) {
            EXPECT_EQ(imageMagickRgba(convert, path, dir.filePath(QStringLiteral("c.raw"))), rawBytes)
                << "ImageMagick reads " << ext.toStdString();
        }
    }
    const QByteArray bmp = readAll(dir.filePath(QStringLiteral("c.bmp")));
    EXPECT_EQ(le32(bmp, 14), 124u) << "BITMAPV5 header";
    EXPECT_EQ(le32(bmp, 14 + 52), 0xFF000000u) << "alpha mask";
}

TEST(SaveEncoder, ImageMagickIdentifiesEverySaveType) {
    CORVANE_REQUIRE_TOOL(identify, "identify");
    QTemporaryDir dir;
    const DeviceBitmap surface = randomBitmap(31, 17, 24, 2);
    for (const QString& ext : kExtensions) {
        for (bool transparent : {false, true}) {
            const QString path = dir.filePath(QStringLiteral("i%1.").arg(transparent) + ext);
            ASSERT_TRUE((transparent ? SaveTransparentWithEncoder(surface, path, ext)
                                     : SaveBitmapWithEncoder(surface, path, ext, 90))
                            .ok());
            // A 24-bit BMP has the 40-byte header, which ImageMagick calls BMP3.
            const QString magick =
                ext == QLatin1String("bmp") && !transparent ? QStringLiteral("BMP3") : ext.toUpper();
            EXPECT_EQ(identified(identify, path), magick.toStdString() + " 31 17");
        }
    }
}

TEST(SaveEncoder, FailedSaveLeavesTheExistingFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("keep.gif"));
    writeAll(path, "previous file");
    const DeviceBitmap surface = randomBitmap(30, 30, 16, 4);
    {
        AllocationFailureScope failing(0);
        EXPECT_EQ(SaveBitmapWithEncoder(surface, path, QStringLiteral("gif"), 100).kind(),
                  Status::Kind::OutOfMemory);
    }
    for (const QString& ext : kExtensions) {
        EXPECT_FALSE(SaveBitmapWithEncoder(surface, dir.path(), ext, 100).ok()) << "a folder is no file";
        EXPECT_FALSE(SaveTransparentWithEncoder(surface, path + QStringLiteral("/x.") + ext, ext).ok());
    }
    EXPECT_EQ(readAll(path), "previous file");
}

} // namespace
} // namespace corvane::test
