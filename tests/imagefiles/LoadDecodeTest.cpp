// Decoding: lossless formats come out exactly, GIF frames with transparency and interlacing, size limits
// refused from the header, and drawing a decoded image into surfaces of any size and format.

#include "imagefiles/BmpWriter.h"
#include "imagefiles/ImageConversion.h"
#include "imagefiles/ImageLoader.h"
#include "platform/Blit.h"
#include "tests/imagefiles/CorruptFiles.h"
#include "tests/imagefiles/LoadTestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>

namespace corvane {
namespace {

using test::imageDifference;

// Random pixels, opaque or with random alpha.
QImage randomImage(int width, int height, bool alpha, std::uint32_t seed) {
    std::mt19937 random(seed);
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const auto value = static_cast<QRgb>(random());
            image.setPixel(x, y, alpha ? value : value | 0xFF000000u);
        }
    }
    return image;
}

QImage decoded(const QByteArray& bytes) {
    QImage out;
    const Status status = decodeImageBytes(bytes, QStringLiteral("test"), out);
    EXPECT_TRUE(status.ok()) << status.message().toStdString();
    return out;
}

QImage alphaOnly(const QImage& image) {
    QImage out = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < out.height(); ++y) {
        for (int x = 0; x < out.width(); ++x) {
            out.setPixel(x, y, out.pixel(x, y) & 0xFF000000u);
        }
    }
    return out;
}

TEST(Decode, LosslessFormatsAreExact) {
    const QImage opaque = randomImage(37, 23, false, 1);
    const QImage alpha = randomImage(37, 23, true, 2);
    EXPECT_EQ(imageDifference(test::loaded(test::rgbaPng(opaque)).image, opaque), "");
    EXPECT_EQ(imageDifference(decoded(test::rgbaPng(alpha)), alpha), "");
    EXPECT_EQ(imageDifference(test::loaded(test::makeBmp(opaque, 24)).image, opaque), "");
    EXPECT_EQ(imageDifference(test::loaded(test::makeBmp(opaque, 32)).image, opaque), "");
    EXPECT_EQ(imageDifference(test::loaded(test::makeTiff(opaque, false)).image, opaque), "");
    EXPECT_EQ(imageDifference(test::loaded(test::makeTiff(opaque, false, true)).image, opaque), "");
    // The TIFF reader premultiplies, so only the alpha of half-transparent pixels is exact (the document
    // reader needs no more); opaque pixels keep their colours.
    const QImage tiffAlpha = decoded(test::makeTiff(alpha, true));
    EXPECT_EQ(imageDifference(alphaOnly(tiffAlpha), alphaOnly(alpha)), "");
    EXPECT_EQ(tiffAlpha.format(), QImage::Format_ARGB32);
}

// 16-bit BMP files (ours are 5-6-5 bitfields) load with their channels widened to the full range, so a
// 16-bit surface saved and loaded again is the same surface (white stays white, not 248, 252, 248).
TEST(Decode, SixteenBitBmpChannelsWidenToTheFullRange) {
    std::mt19937 random(11);
    DeviceBitmap surface = DeviceBitmap::create(37, 5, 16);
    for (int y = 0; y < surface.height(); ++y) {
        for (int x = 0; x < surface.width(); ++x) {
            surface.setPixel(x, y,
                             makeColor(static_cast<std::uint8_t>(random()),
                                       static_cast<std::uint8_t>(random()),
                                       static_cast<std::uint8_t>(random())));
        }
    }
    surface.setPixel(0, 0, kWhite);
    LoadedImage loaded;
    ASSERT_TRUE(loadImageBytes(encodeBmp(surface, 16, BmpCompression::Bitfields), QStringLiteral("s.bmp"), 16,
                               loaded));
    EXPECT_EQ(loaded.image.pixel(0, 0), qRgb(255, 255, 255));
    DeviceBitmap back = DeviceBitmap::create(37, 5, 16);
    ASSERT_TRUE(renderImage(loaded.image, back));
    EXPECT_EQ(imageDifference(toImage(back), toImage(surface)), "");
}

TEST(Decode, JpegLoadsCloseToItsSource) {
    QImage smooth(64, 48, QImage::Format_ARGB32);
    for (int y = 0; y < 48; ++y) {
        for (int x = 0; x < 64; ++x) {
            smooth.setPixel(x, y, qRgb(x * 4, y * 5, 128));
        }
    }
    const LoadedImage out = test::loaded(test::makeJpeg(smooth));
    ASSERT_EQ(out.image.size(), smooth.size());
    EXPECT_EQ(out.keyColor, kNoColor);
    for (int y = 0; y < 48; ++y) {
        for (int x = 0; x < 64; ++x) {
            const QRgb a = out.image.pixel(x, y);
            const QRgb b = smooth.pixel(x, y);
            ASSERT_NEAR(qRed(a), qRed(b), 12) << x << "," << y;
            ASSERT_NEAR(qGreen(a), qGreen(b), 12) << x << "," << y;
            ASSERT_NEAR(qBlue(a), qBlue(b), 12) << x << "," << y;
            ASSERT_EQ(qAlpha(a), 255);
        }
    }
}

test::GifFrame gifFrame(int width, int height) {
    test::GifFrame frame;
    frame.screenWidth = frame.width = width;
    frame.screenHeight = frame.height = height;
    for (int i = 0; i < 16; ++i) {
        frame.palette.append(qRgb(i * 16, 255 - i * 16, (i * 97) & 255));
    }
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            frame.indices.push_back(static_cast<std::uint8_t>((x * 3 + y * 5) % 16));
        }
    }
    return frame;
}

QImage expectedGif(const test::GifFrame& frame) {
    QImage image(frame.screenWidth, frame.screenHeight, QImage::Format_ARGB32);
    image.fill(frame.transparentIndex >= 0 ? frame.palette[frame.transparentIndex] & 0x00FFFFFFu : 0u);
    for (int y = 0; y < frame.height; ++y) {
        for (int x = 0; x < frame.width; ++x) {
            const int index = frame.indices[static_cast<std::size_t>(y * frame.width + x)];
            if (frame.left + x < frame.screenWidth && frame.top + y < frame.screenHeight) {
                image.setPixel(frame.left + x, frame.top + y,
                               index == frame.transparentIndex ? frame.palette[index] & 0x00FFFFFFu
                                                               : frame.palette[index]);
            }
        }
    }
    return image;
}

TEST(DecodeGif, InterlacedAndPlainFramesGiveTheSamePicture) {
    for (const int height : {1, 2, 5, 8, 13, 21}) {
        test::GifFrame frame = gifFrame(11, height);
        EXPECT_EQ(imageDifference(decoded(test::makeGif(frame)), expectedGif(frame)), "") << height;
        frame.interlaced = true;
        EXPECT_EQ(imageDifference(decoded(test::makeGif(frame)), expectedGif(frame)), "")
            << "interlaced " << height;
    }
}

TEST(DecodeGif, TransparentIndexAndFramePlacement) {
    test::GifFrame frame = gifFrame(6, 4);
    frame.transparentIndex = 5;
    frame.screenWidth = 10;
    frame.screenHeight = 7;
    frame.left = 3;
    frame.top = 2;
    const QImage image = decoded(test::makeGif(frame));
    EXPECT_EQ(imageDifference(image, expectedGif(frame)), "");
    EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0); // outside the frame

    // Loaded, the transparent entry's colour is the key of every transparent pixel.
    const LoadedImage out = test::loaded(test::makeGif(frame));
    EXPECT_EQ(out.keyColor, makeColor(80, 175, (5 * 97) & 255));
    EXPECT_EQ(out.image.pixel(0, 0), qRgba(80, 175, (5 * 97) & 255, 0));

    // A frame reaching beyond the screen is clipped to it.
    frame.left = 7;
    frame.top = 5;
    EXPECT_EQ(imageDifference(decoded(test::makeGif(frame)), expectedGif(frame)), "");
}

TEST(Decode, SizesOverTheLimitsAreRefusedFromTheHeader) {
    // Files whose headers claim 40000 × 30000 pixels but hold a few bytes of pixels: the message gives
    // the claimed size, so the refusal came before any decoding.
    for (const char* format : {"png", "bmp", "gif", "tiff", "jpeg"}) {
        bool found = false;
        for (const test::CorruptFile& file : test::corruptFiles(QString::fromLatin1(format))) {
            if (file.what.find("40000 x 30000") == std::string::npos) {
                continue;
            }
            found = true;
            QImage out;
            const Status status = decodeImageBytes(file.bytes, QStringLiteral("big"), out);
            EXPECT_FALSE(status.ok());
            EXPECT_TRUE(status.message().contains(QStringLiteral("40000 × 30000")))
                << format << ": " << status.message().toStdString();
        }
        EXPECT_TRUE(found) << format;
    }
    // A 20000 × 20000 PNG (sides allowed, pixel count not) and a 32768 × 1 PNG.
    for (const QSize size : {QSize(20000, 20000), QSize(32768, 1)}) {
        QImage out;
        const Status status = decodeImageBytes(
            test::makePng(size.width(), size.height(), 1, 0, QByteArray(), {}), QStringLiteral("big"), out);
        EXPECT_TRUE(status.message().contains(QStringLiteral("%1 × %2").arg(size.width()).arg(size.height())))
            << status.message().toStdString();
    }
}

TEST(RenderImage, EqualSizesAreExactInEveryFormat) {
    const QImage image = randomImage(29, 17, true, 3);
    for (const int bits : {16, 24, 32}) {
        DeviceBitmap surface = DeviceBitmap::create(29, 17, bits);
        ASSERT_TRUE(renderImage(image, surface));
        const DeviceBitmap expected = toBitmap(image, bits);
        EXPECT_TRUE(std::equal(surface.bits().begin(), surface.bits().end(), expected.bits().begin()))
            << bits;
    }
}

TEST(RenderImage, ScaledBandsMatchOneStretchOverTheWholeSurface) {
    // Wide enough that the surface is drawn in more than one band of rows.
    const QImage image = randomImage(7, 5, false, 4);
    const int width = 20000;
    const int height = 120;
    const DeviceBitmap natural = toBitmap(image, 32);
    DeviceBitmap whole = DeviceBitmap::create(width, height, 32);
    ASSERT_TRUE(stretchBlt(whole, {0, 0, width, height}, natural, {0, 0, 7, 5}));
    const QImage wholeImage = toImage(whole);
    for (const int bits : {16, 32}) {
        DeviceBitmap surface = DeviceBitmap::create(width, height, bits);
        ASSERT_TRUE(renderImage(image, surface));
        const DeviceBitmap expected = toBitmap(wholeImage, bits);
        EXPECT_TRUE(std::equal(surface.bits().begin(), surface.bits().end(), expected.bits().begin()))
            << bits;
    }
    // Shrinking keeps a uniform picture uniform.
    QImage grey(300, 200, QImage::Format_RGB32);
    grey.fill(qRgb(90, 120, 150));
    DeviceBitmap small = DeviceBitmap::create(31, 19, 24);
    ASSERT_TRUE(renderImage(grey, small));
    EXPECT_EQ(small.pixel(0, 0), makeColor(90, 120, 150));
    EXPECT_EQ(small.pixel(30, 18), makeColor(90, 120, 150));
    DeviceBitmap none;
    EXPECT_FALSE(renderImage(grey, none));
    EXPECT_FALSE(renderImage(QImage(), small));
}

} // namespace
} // namespace corvane
