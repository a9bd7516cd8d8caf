// Key colours and transparency: the BMP and PNG key-colour readers, and how a loaded image's transparent
// and half-transparent pixels are resolved against its key colour in the 16- and 32-bit formats.

#include "imagefiles/ImageLoader.h"
#include "imagefiles/KeyColour.h"
#include "tests/imagefiles/CorruptFiles.h"
#include "tests/imagefiles/LoadTestSupport.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

using test::loaded;
using test::rgbaPng;
using test::rowImage;

constexpr ColorRef kBlue = makeColor(0, 0, 255);

QRgb argb(int r, int g, int b, int a = 255) {
    return qRgba(r, g, b, a);
}

QByteArray paletteChunk(std::initializer_list<QRgb> colours) {
    QByteArray data;
    for (const QRgb c : colours) {
        data.append(static_cast<char>(qRed(c)));
        data.append(static_cast<char>(qGreen(c)));
        data.append(static_cast<char>(qBlue(c)));
    }
    return test::pngChunk("PLTE", data);
}

QByteArray trnsChunk(std::initializer_list<int> alphas) {
    QByteArray data;
    for (const int a : alphas) {
        data.append(static_cast<char>(a));
    }
    return test::pngChunk("tRNS", data);
}

// A palette PNG of one row of indices, entries 0-7 of distinct colours, entry 5 half and 6 fully
// transparent.
QByteArray palettePng(const QByteArray& indices) {
    return test::makePng(static_cast<int>(indices.size()), 1, 8, 3, indices,
                         {paletteChunk({argb(0, 0, 0), argb(1, 1, 1), argb(2, 2, 2), argb(3, 3, 3),
                                        argb(4, 4, 4), argb(90, 80, 70), argb(9, 9, 9), argb(7, 7, 7)}),
                          trnsChunk({255, 255, 255, 255, 255, 128, 0, 255})});
}

TEST(ReadBmpKeyColour, FirstPixelInFileOrderWithFourthByte0Or237) {
    // Rows are stored bottom-up: the bottom row comes first in the file.
    const QImage image = [] {
        QImage i(2, 2, QImage::Format_ARGB32);
        i.setPixel(0, 0, argb(0, 255, 0, 0)); // last row in the file
        i.setPixel(1, 0, argb(1, 2, 3, 255));
        i.setPixel(0, 1, argb(0, 0, 255, 200)); // first pixel in the file
        i.setPixel(1, 1, argb(255, 0, 0, 237));
        return i;
    }();
    ColorRef key = kNoColor;
    EXPECT_TRUE(ReadBmpKeyColour(test::makeBmp(image, 32), key));
    EXPECT_EQ(key, kRed);

    QImage zero = image;
    zero.setPixel(1, 1, argb(255, 0, 0, 1));
    EXPECT_TRUE(ReadBmpKeyColour(test::makeBmp(zero, 32), key));
    EXPECT_EQ(key, makeColor(0, 255, 0));

    key = kNoColor;
    EXPECT_FALSE(ReadBmpKeyColour(test::makeBmp(image, 24), key));
    QImage opaque = image;
    opaque.fill(argb(4, 5, 6, 255));
    EXPECT_FALSE(ReadBmpKeyColour(test::makeBmp(opaque, 32), key));
    EXPECT_EQ(key, kNoColor);
}

TEST(ReadBmpKeyColour, NeverReadsOutsideTheFile) {
    QImage opaque(4, 4, QImage::Format_ARGB32);
    opaque.fill(argb(4, 5, 6, 255));
    const QByteArray valid = test::makeBmp(opaque, 32);
    ColorRef key = kNoColor;
    // The image-size field claims far more pixels than the file holds.
    QByteArray claims = valid;
    claims[37] = 0x7F;
    EXPECT_FALSE(ReadBmpKeyColour(claims, key));
    // Pixel data starting beyond the end, and files cut anywhere.
    QByteArray beyond = valid;
    beyond[13] = 0x10;
    EXPECT_FALSE(ReadBmpKeyColour(beyond, key));
    for (qsizetype cut = 0; cut < valid.size(); ++cut) {
        EXPECT_FALSE(ReadBmpKeyColour(valid.left(cut), key));
    }
    EXPECT_FALSE(ReadBmpKeyColour("PK\x03\x04", key));
    EXPECT_EQ(key, kNoColor);
}

TEST(ReadPngKeyColour, BackgroundWhiteAndPaletteKeys) {
    const QImage pixel = rowImage({argb(1, 2, 3, 0)});
    ColorRef key = 0;
    EXPECT_TRUE(CPNGSub::ReadPngKeyColour(rgbaPng(pixel, {test::bkgdRgb(10, 20, 30)}), key));
    EXPECT_EQ(key, makeColor(10, 20, 30));
    EXPECT_TRUE(CPNGSub::ReadPngKeyColour(rgbaPng(pixel), key));
    EXPECT_EQ(key, kWhite);
    EXPECT_TRUE(
        CPNGSub::ReadPngKeyColour(test::makePng(1, 1, 8, 4, QByteArray(2, '\0'), {test::bkgdGrey(77)}), key));
    EXPECT_EQ(key, makeColor(77, 77, 77));
    // The first entry that is not opaque, half or fully transparent.
    EXPECT_TRUE(CPNGSub::ReadPngKeyColour(palettePng(QByteArray(1, 6)), key));
    EXPECT_EQ(key, makeColor(90, 80, 70));
    // No key: RGB, grey, a palette without tRNS or with only opaque entries.
    for (const QByteArray& none :
         {test::makePng(1, 1, 8, 2, QByteArray(3, '\0')), test::makePng(1, 1, 8, 0, QByteArray(1, '\0')),
          test::makePng(1, 1, 8, 3, QByteArray(1, 0), {paletteChunk({argb(5, 5, 5)})}),
          test::makePng(1, 1, 8, 3, QByteArray(1, 0), {paletteChunk({argb(5, 5, 5)}), trnsChunk({255})})}) {
        key = 0;
        EXPECT_TRUE(CPNGSub::ReadPngKeyColour(none, key));
        EXPECT_EQ(key, kNoColor);
    }
}

TEST(ReadPngKeyColour, PositionsOutsideTheFileCountAsNotFound) {
    const QByteArray signature("\x89PNG\r\n\x1A\n", 8);
    const QByteArray ihdrRgba = QByteArray("\0\0\0\x0DIHDR\0\0\0\1\0\0\0\1\x08\x06\0\0\0", 21);
    ColorRef key = 0;
    EXPECT_FALSE(CPNGSub::ReadPngKeyColour(signature, key));
    EXPECT_FALSE(CPNGSub::ReadPngKeyColour(signature + "\0\0\0\0IEND\0\0\0\0", key));
    EXPECT_FALSE(CPNGSub::ReadPngKeyColour(QByteArray("\x89PNG\r\n\x1A\r", 8) + ihdrRgba, key));
    // IHDR whose colour type byte lies beyond the end.
    EXPECT_FALSE(CPNGSub::ReadPngKeyColour(signature + QByteArray("\0\0\0\x0DIHDR\0\0\0\1\0", 13), key));
    EXPECT_EQ(key, 0u);
    // A bKGD whose samples are cut off: white.
    EXPECT_TRUE(
        CPNGSub::ReadPngKeyColour(signature + ihdrRgba + QByteArray("\0\0\0\6bKGD\0\x10\0\x20\0", 13), key));
    EXPECT_EQ(key, kWhite);
    // A palette image whose tRNS or PLTE entries run past the end: none.
    const QByteArray ihdrPalette = QByteArray("\0\0\0\x0DIHDR\0\0\0\1\0\0\0\1\x08\x03\0\0\0", 21);
    EXPECT_TRUE(CPNGSub::ReadPngKeyColour(
        signature + ihdrPalette + QByteArray("\0\0\0\3PLTE\1\2\3\0\0\0\x08tRNS\xFF", 20), key));
    EXPECT_EQ(key, kNoColor);
    EXPECT_TRUE(CPNGSub::ReadPngKeyColour(
        signature + ihdrPalette + QByteArray("\0\0\0\2tRNS\xFF\x00\0\0\0\3PLTE\1\2\3\4\5", 23), key));
    EXPECT_EQ(key, kNoColor);
    // Every cut of a valid file stays inside it.
    const QByteArray valid = palettePng(QByteArray(3, 6));
    for (qsizetype cut = 0; cut < valid.size(); ++cut) {
        CPNGSub::ReadPngKeyColour(valid.left(cut), key);
    }
}

TEST(LoadKeyColour, PngBackgroundBecomesTheKeyOfAllTransparentPixels) {
    const LoadedImage out =
        loaded(rgbaPng(rowImage({argb(0, 0, 0, 0), argb(10, 20, 30), argb(0, 0, 0, 0), argb(7, 7, 7, 0)}),
                       {test::bkgdRgb(0, 0, 255)}));
    EXPECT_EQ(out.keyColor, kBlue);
    EXPECT_EQ(test::imageDifference(out.image, rowImage({argb(0, 0, 255, 0), argb(10, 20, 30),
                                                         argb(0, 0, 255, 0), argb(0, 0, 255, 0)})),
              "");
}

TEST(LoadKeyColour, PngWithoutBackgroundUsesWhiteAndMovesOpaqueWhite) {
    const LoadedImage out = loaded(
        rgbaPng(rowImage({argb(255, 0, 0, 0), argb(255, 255, 255), argb(0, 255, 0, 0), argb(1, 2, 3)})));
    EXPECT_EQ(out.keyColor, kWhite);
    EXPECT_EQ(test::imageDifference(out.image, rowImage({argb(255, 255, 255, 0), argb(255, 247, 255),
                                                         argb(255, 255, 255, 0), argb(1, 2, 3)})),
              "");
}

TEST(LoadKeyColour, PalettePngTakesTheFirstNonOpaqueEntry) {
    const LoadedImage out = loaded(palettePng(QByteArray("\x01\x06\x07", 3)));
    EXPECT_EQ(out.keyColor, makeColor(90, 80, 70));
    EXPECT_EQ(test::imageDifference(out.image, rowImage({argb(1, 1, 1), argb(90, 80, 70, 0), argb(7, 7, 7)})),
              "");
}

TEST(LoadKeyColour, HalfTransparentPixelsAreMixedWithTheKeyAndTruncated) {
    const LoadedImage white = loaded(
        rgbaPng(rowImage({argb(9, 9, 9, 0), argb(0, 0, 0, 128), argb(0, 0, 0, 1), argb(200, 100, 0, 64)})));
    // 200 × 64/255 + 255 × 191/255 = 241.2…; 100 → 216.1…; 0 → 191.
    EXPECT_EQ(test::imageDifference(white.image, rowImage({argb(255, 255, 255, 0), argb(127, 127, 127, 128),
                                                           argb(254, 254, 254, 1), argb(241, 216, 191, 64)})),
              "");
    const LoadedImage black =
        loaded(rgbaPng(rowImage({argb(9, 9, 9, 0), argb(100, 100, 100, 254)}), {test::bkgdRgb(0, 0, 0)}));
    EXPECT_EQ(black.keyColor, kBlack);
    EXPECT_EQ(test::imageDifference(black.image, rowImage({argb(0, 0, 0, 0), argb(99, 99, 99, 254)})), "");
}

TEST(LoadKeyColour, OpaquePixelsOfTheKeyColourMoveAway) {
    // Green moves by 8, up when the key's green is below 8; half-transparent pixels are only mixed.
    const LoadedImage low = loaded(rgbaPng(
        rowImage({argb(0, 0, 0, 0), argb(10, 3, 20), argb(10, 3, 20, 100)}), {test::bkgdRgb(10, 3, 20)}));
    EXPECT_EQ(test::imageDifference(low.image,
                                    rowImage({argb(10, 3, 20, 0), argb(10, 11, 20), argb(10, 3, 20, 100)})),
              "");
    const LoadedImage high =
        loaded(rgbaPng(rowImage({argb(0, 0, 0, 0), argb(10, 30, 20)}), {test::bkgdRgb(10, 30, 20)}));
    EXPECT_EQ(test::imageDifference(high.image, rowImage({argb(10, 30, 20, 0), argb(10, 22, 20)})), "");
}

TEST(LoadKeyColour, SixteenBitDisplaysKeepNearWhiteAndNearBlackApartFromTheKey) {
    const QImage whiteKeyed =
        rowImage({argb(0, 0, 0, 0), argb(250, 250, 250), argb(239, 250, 250), argb(255, 255, 255)});
    const LoadedImage white = loaded(rgbaPng(whiteKeyed, {test::bkgdRgb(255, 255, 255)}), 16);
    EXPECT_EQ(white.keyColor, kWhite);
    EXPECT_EQ(test::imageDifference(white.image, rowImage({argb(255, 255, 255, 0), argb(255, 247, 255),
                                                           argb(239, 250, 250), argb(255, 247, 255)})),
              "");

    const QImage blackKeyed = rowImage({argb(9, 9, 9, 0), argb(5, 5, 5), argb(16, 5, 5), argb(0, 0, 0)});
    const LoadedImage black = loaded(rgbaPng(blackKeyed, {test::bkgdRgb(0, 0, 0)}), 16);
    EXPECT_EQ(black.keyColor, kBlack);
    EXPECT_EQ(test::imageDifference(
                  black.image, rowImage({argb(0, 0, 0, 0), argb(0, 8, 0), argb(16, 5, 5), argb(0, 8, 0)})),
              "");

    // Any other key becomes white. Opaque pixels that a 16-bit surface would show as white move away
    // from it too: a 16-bit surface stores (252, 252, 252) as white, (250, 250, 250) not.
    const QImage blueKeyed = rowImage(
        {argb(0, 0, 0, 0), argb(255, 255, 255), argb(252, 252, 252), argb(250, 250, 250), argb(0, 0, 255)});
    const LoadedImage blue16 = loaded(rgbaPng(blueKeyed, {test::bkgdRgb(0, 0, 255)}), 16);
    EXPECT_EQ(blue16.keyColor, kWhite);
    EXPECT_EQ(test::imageDifference(blue16.image,
                                    rowImage({argb(255, 255, 255, 0), argb(255, 247, 255),
                                              argb(255, 247, 255), argb(250, 250, 250), argb(0, 0, 255)})),
              "");
    const LoadedImage blue32 = loaded(rgbaPng(blueKeyed, {test::bkgdRgb(0, 0, 255)}), 32);
    EXPECT_EQ(blue32.keyColor, kBlue);
    EXPECT_EQ(test::imageDifference(blue32.image,
                                    rowImage({argb(0, 0, 255, 0), argb(255, 255, 255), argb(252, 252, 252),
                                              argb(250, 250, 250), argb(0, 8, 255)})),
              "");
}

TEST(LoadKeyColour, WithoutKeyPartlyTransparentImagesAreDrawnOverTheirFirstPixel) {
    const LoadedImage out =
        loaded(rgbaPng(rowImage({argb(10, 20, 30, 200), argb(200, 100, 50, 100), argb(1, 2, 3)})));
    EXPECT_EQ(out.keyColor, kNoColor);
    // (200 × 100 + 10 × 155 + 127) / 255 = 85, …
    EXPECT_EQ(test::imageDifference(out.image, rowImage({argb(10, 20, 30), argb(85, 51, 38), argb(1, 2, 3)})),
              "");
}

TEST(LoadKeyColour, BmpKeepsItsColoursAsTheyAre) {
    QImage image(3, 1, QImage::Format_ARGB32);
    image.setPixel(0, 0, argb(255, 0, 0, 237));
    image.setPixel(1, 0, argb(255, 0, 0, 255));
    image.setPixel(2, 0, argb(30, 60, 90, 0));
    const LoadedImage keyed = loaded(test::makeBmp(image, 32));
    EXPECT_EQ(keyed.keyColor, kRed);
    EXPECT_EQ(test::imageDifference(keyed.image.convertToFormat(QImage::Format_RGB32),
                                    image.convertToFormat(QImage::Format_RGB32)),
              "");
    const LoadedImage plain = loaded(test::makeBmp(image, 24));
    EXPECT_EQ(plain.keyColor, kNoColor);
    EXPECT_EQ(
        test::imageDifference(plain.image, rowImage({argb(255, 0, 0), argb(255, 0, 0), argb(30, 60, 90)})),
        "");
}

} // namespace
} // namespace corvane
