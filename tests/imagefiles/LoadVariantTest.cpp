// Files that other readers accept and that once were refused: top-down BMPs, CMYK TIFFs, and TIFFs that
// libtiff warns about (its messages must not reach stderr).

#include "imagefiles/ImageLoader.h"
#include "tests/imagefiles/LoadTestSupport.h"

#include <gtest/gtest.h>

#include <QtEndian>

#include <tiffio.h>

#include <cstdio>
#include <unistd.h>

namespace corvane {
namespace {

using test::imageDifference;
using test::TempFiles;

QRgb patternPixel(int x, int y) {
    return qRgb((x * 40) & 0xFF, (y * 60) & 0xFF, ((x + y) * 20) & 0xFF);
}

QImage pattern(int width, int height) {
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            image.setPixel(x, y, patternPixel(x, y));
        }
    }
    return image;
}

void appendLe(QByteArray& out, quint32 value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.append(static_cast<char>((value >> (8 * i)) & 0xFF));
    }
}

// A BMP of the pattern at 8, 24 or 32 bits, stored top-down (negative height) or bottom-up. The 8-bit
// palette holds the colours the pattern uses, indexed in order of appearance.
QByteArray bmpFile(int width, int height, int bits, bool topDown, QImage& expected) {
    expected = pattern(width, height);
    QList<QRgb> palette;
    QByteArray pixels;
    for (int row = 0; row < height; ++row) {
        const int y = topDown ? row : height - 1 - row;
        QByteArray line;
        for (int x = 0; x < width; ++x) {
            const QRgb p = expected.pixel(x, y);
            if (bits == 8) {
                if (!palette.contains(p)) {
                    palette.push_back(p);
                }
                line.append(static_cast<char>(palette.indexOf(p)));
            } else {
                line.append(static_cast<char>(qBlue(p))).append(static_cast<char>(qGreen(p)));
                line.append(static_cast<char>(qRed(p)));
                if (bits == 32) {
                    line.append('\0');
                }
            }
        }
        while (line.size() % 4 != 0) {
            line.append('\0');
        }
        pixels += line;
    }
    QByteArray paletteBytes;
    for (const QRgb p : palette) {
        appendLe(paletteBytes, p & 0xFFFFFFu, 4);
    }
    const quint32 offset = static_cast<quint32>(14 + 40 + paletteBytes.size());
    QByteArray file("BM");
    appendLe(file, offset + static_cast<quint32>(pixels.size()), 4);
    appendLe(file, 0, 4);
    appendLe(file, offset, 4);
    appendLe(file, 40, 4);
    appendLe(file, static_cast<quint32>(width), 4);
    appendLe(file, static_cast<quint32>(topDown ? -height : height), 4);
    appendLe(file, 1, 2);
    appendLe(file, static_cast<quint32>(bits), 2);
    appendLe(file, 0, 4);
    appendLe(file, static_cast<quint32>(pixels.size()), 4);
    appendLe(file, 2835, 4);
    appendLe(file, 2835, 4);
    appendLe(file, static_cast<quint32>(palette.size()), 4);
    appendLe(file, 0, 4);
    return file + paletteBytes + pixels;
}

TEST(LoadVariants, TopDownBmpsOfEveryDepthLoadWithTheirRowsInOrder) {
    TempFiles files;
    for (const int bits : {8, 24, 32}) {
        SCOPED_TRACE(bits);
        QImage expected;
        const QString topDown = files.write(QStringLiteral("top.bmp"), bmpFile(7, 5, bits, true, expected));
        QImage decoded;
        ASSERT_TRUE(decodeImageFile(topDown, decoded)) << bits;
        EXPECT_EQ(imageDifference(decoded.convertToFormat(QImage::Format_ARGB32), expected), "");
        const QString bottomUp = files.write(QStringLiteral("up.bmp"), bmpFile(7, 5, bits, false, expected));
        ASSERT_TRUE(decodeImageFile(bottomUp, decoded));
        EXPECT_EQ(imageDifference(decoded.convertToFormat(QImage::Format_ARGB32), expected), "");
    }
}

// A CMYK TIFF written through libtiff: 16 or 8 bits per ink, inks contiguous or in planes.
bool writeCmykTiff(const QString& path, int width, int height, int bits, bool planar,
                   const std::function<std::array<quint16, 4>(int, int)>& inks) {
    TIFF* tiff = TIFFOpen(path.toLocal8Bit().constData(), "w");
    if (tiff == nullptr) {
        return false;
    }
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(width));
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(height));
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, static_cast<std::uint16_t>(bits));
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, static_cast<std::uint16_t>(4));
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, static_cast<std::uint16_t>(PHOTOMETRIC_SEPARATED));
    TIFFSetField(tiff, TIFFTAG_INKSET, static_cast<std::uint16_t>(INKSET_CMYK));
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG,
                 static_cast<std::uint16_t>(planar ? PLANARCONFIG_SEPARATE : PLANARCONFIG_CONTIG));
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, static_cast<std::uint16_t>(COMPRESSION_LZW));
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, static_cast<std::uint32_t>(2));
    std::vector<std::uint8_t> line(static_cast<std::size_t>(width) * 4 * 2);
    bool ok = true;
    const auto put = [&](std::size_t index, quint16 value) {
        if (bits == 16) {
            std::memcpy(line.data() + 2 * index, &value, 2);
        } else {
            line[index] = static_cast<std::uint8_t>(value >> 8);
        }
    };
    for (int plane = 0; plane < (planar ? 4 : 1); ++plane) {
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const std::array<quint16, 4> v = inks(x, y);
                if (planar) {
                    put(static_cast<std::size_t>(x), v[static_cast<std::size_t>(plane)]);
                } else {
                    for (std::size_t i = 0; i < 4; ++i) {
                        put(static_cast<std::size_t>(x) * 4 + i, v[i]);
                    }
                }
            }
            ok = ok && TIFFWriteScanline(tiff, line.data(), static_cast<std::uint32_t>(y),
                                         static_cast<std::uint16_t>(plane)) == 1;
        }
    }
    TIFFClose(tiff);
    return ok;
}

TEST(LoadVariants, CmykTiffsLoadAsRgb) {
    TempFiles files;
    // Each ink takes away its share of the white paper: cyan and black at half give (63, 127, 127).
    const auto inks = [](int x, int y) -> std::array<quint16, 4> {
        if (x == 0) {
            return {0x8080, 0, 0, 0x8080};
        }
        return {static_cast<quint16>(x * 0x1111), static_cast<quint16>(y * 0x2222), 0, 0};
    };
    for (const int bits : {16, 8}) {
        for (const bool planar : {false, true}) {
            SCOPED_TRACE(testing::Message() << bits << (planar ? " planar" : " contiguous"));
            const QString path = files.path(QStringLiteral("cmyk.tiff"));
            ASSERT_TRUE(writeCmykTiff(path, 6, 4, bits, planar, inks));
            QImage decoded;
            const Status status = decodeImageFile(path, decoded);
            ASSERT_TRUE(status) << status.message().toStdString();
            ASSERT_EQ(decoded.size(), QSize(6, 4));
            EXPECT_EQ(decoded.pixel(0, 0), qRgb(63, 127, 127)) << std::hex << decoded.pixel(0, 0);
            EXPECT_EQ(decoded.pixel(1, 0), qRgb(238, 255, 255)) << std::hex << decoded.pixel(1, 0);
            EXPECT_EQ(decoded.pixel(5, 3), qRgb(170, 153, 255)) << std::hex << decoded.pixel(5, 3);
        }
    }
}

// Runs `work` with the process's stderr going to a file, and gives what was written there.
QByteArray stderrOf(const std::function<void()>& work) {
    std::fflush(stderr);
    FILE* capture = std::tmpfile();
    const int saved = dup(fileno(stderr));
    dup2(fileno(capture), fileno(stderr));
    work();
    std::fflush(stderr);
    dup2(saved, fileno(stderr));
    close(saved);
    std::rewind(capture);
    QByteArray text;
    char buffer[256];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, capture)) > 0;) {
        text.append(buffer, static_cast<qsizetype>(n));
    }
    std::fclose(capture);
    return text;
}

// A 4 × 3 RGB TIFF, uncompressed, with a tag that no reader knows (65000) after the standard ones.
QByteArray tiffWithUnknownTag() {
    const QByteArray pixels(4 * 3 * 3, '\x60');
    struct Entry {
        quint16 tag, type;
        quint32 value;
    };
    const std::vector<Entry> entries = {{256, 3, 4}, {257, 3, 3}, {258, 3, 8}, {259, 3, 1},  {262, 3, 2},
                                        {273, 4, 0}, {277, 3, 3}, {278, 3, 3}, {279, 4, 36}, {65000, 3, 7}};
    const quint32 dataOffset = 8 + 2 + static_cast<quint32>(entries.size()) * 12 + 4;
    QByteArray file("II*\0", 4);
    appendLe(file, 8, 4);
    appendLe(file, static_cast<quint32>(entries.size()), 2);
    for (const Entry& e : entries) {
        appendLe(file, e.tag, 2);
        appendLe(file, e.type, 2);
        appendLe(file, 1, 4);
        appendLe(file, e.tag == 273 ? dataOffset : e.value, 4);
    }
    appendLe(file, 0, 4);
    return file + pixels;
}

TEST(LoadVariants, LibtiffMessagesStayOffStderrAndErrorsBecomeTheReason) {
    TempFiles files;
    const QString warned = files.write(QStringLiteral("warned.tiff"), tiffWithUnknownTag());
    QImage decoded;
    Status status;
    EXPECT_EQ(stderrOf([&] { status = decodeImageFile(warned, decoded); }), QByteArray());
    ASSERT_TRUE(status) << status.message().toStdString();
    EXPECT_EQ(decoded.pixel(3, 2), qRgb(0x60, 0x60, 0x60));

    // Strips that point past the end: a failure whose reason is libtiff's, on the status only.
    QByteArray cut = tiffWithUnknownTag();
    cut.truncate(cut.size() - 30);
    const QString damaged = files.write(QStringLiteral("damaged.tiff"), cut);
    EXPECT_EQ(stderrOf([&] { status = decodeImageFile(damaged, decoded); }), QByteArray());
    EXPECT_FALSE(status);
    EXPECT_TRUE(status.message().contains(QStringLiteral("damaged.tiff")));
}

} // namespace
} // namespace corvane
