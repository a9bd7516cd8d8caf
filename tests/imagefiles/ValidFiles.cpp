// The valid image files the tests make with their own code, in the five formats.

#include "tests/imagefiles/CorruptFiles.h"

#include "tests/imagefiles/ByteFields.h"

#include <QBuffer>
#include <QImageWriter>

#include <zlib.h>

#include <algorithm>

namespace corvane::test {

namespace {

// 8 × 6 pixels of a 4-entry table, entry 3 transparent.
GifFrame validGifFrame() {
    GifFrame frame;
    frame.screenWidth = frame.width = 8;
    frame.screenHeight = frame.height = 6;
    frame.palette = {qRgb(255, 0, 0), qRgb(0, 128, 0), qRgb(20, 40, 250), qRgb(255, 255, 255)};
    for (int y = 0; y < 6; ++y) {
        for (int x = 0; x < 8; ++x) {
            frame.indices.push_back(static_cast<std::uint8_t>((x + 2 * y) % 4));
        }
    }
    frame.transparentIndex = 3;
    return frame;
}

} // namespace

// Codes of `width` bits packed from the low bit up, in sub-blocks of at most 255 bytes, with the
// terminating empty block.
QByteArray gifCodeBlocks(const std::vector<int>& codes, int width) {
    QByteArray data;
    std::uint32_t accumulator = 0;
    int bitCount = 0;
    for (const int code : codes) {
        accumulator |= static_cast<std::uint32_t>(code) << bitCount;
        bitCount += width;
        while (bitCount >= 8) {
            data.append(static_cast<char>(accumulator & 0xFF));
            accumulator >>= 8;
            bitCount -= 8;
        }
    }
    if (bitCount > 0) {
        data.append(static_cast<char>(accumulator & 0xFF));
    }
    QByteArray out;
    for (qsizetype at = 0; at < data.size(); at += 255) {
        const QByteArray block = data.mid(at, 255);
        out.append(static_cast<char>(block.size()));
        out.append(block);
    }
    out.append('\0');
    return out;
}

QByteArray pngChunk(const char* type, const QByteArray& data) {
    QByteArray out;
    putBe32(out, static_cast<std::uint32_t>(data.size()));
    const QByteArray typeAndData = QByteArray(type, 4) + data;
    out.append(typeAndData);
    putBe32(out, static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(typeAndData.constData()),
                                                  static_cast<uInt>(typeAndData.size()))));
    return out;
}

QByteArray makePng(int width, int height, int bitDepth, int colourType, const QByteArray& rows,
                   const QList<QByteArray>& extra) {
    QByteArray ihdr;
    putBe32(ihdr, static_cast<std::uint32_t>(width));
    putBe32(ihdr, static_cast<std::uint32_t>(height));
    ihdr.append(static_cast<char>(bitDepth));
    ihdr.append(static_cast<char>(colourType));
    ihdr.append(QByteArray(3, '\0'));
    QByteArray filtered;
    const qsizetype rowBytes = height > 0 ? rows.size() / height : 0;
    for (int y = 0; y < height; ++y) {
        filtered.append('\0');
        filtered.append(rows.mid(y * rowBytes, rowBytes));
    }
    QByteArray compressed(static_cast<qsizetype>(compressBound(static_cast<uLong>(filtered.size()))), '\0');
    uLongf length = static_cast<uLongf>(compressed.size());
    compress(reinterpret_cast<Bytef*>(compressed.data()), &length,
             reinterpret_cast<const Bytef*>(filtered.constData()), static_cast<uLong>(filtered.size()));
    compressed.truncate(static_cast<qsizetype>(length));
    QByteArray out("\x89PNG\r\n\x1A\n", 8);
    out.append(pngChunk("IHDR", ihdr));
    for (const QByteArray& chunk : extra) {
        out.append(chunk);
    }
    out.append(pngChunk("IDAT", compressed));
    out.append(pngChunk("IEND", {}));
    return out;
}

QByteArray rgbaPng(const QImage& image, const QList<QByteArray>& extra) {
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    QByteArray rows;
    for (int y = 0; y < argb.height(); ++y) {
        for (int x = 0; x < argb.width(); ++x) {
            const QRgb p = argb.pixel(x, y);
            for (const int v : {qRed(p), qGreen(p), qBlue(p), qAlpha(p)}) {
                rows.append(static_cast<char>(v));
            }
        }
    }
    return makePng(argb.width(), argb.height(), 8, 6, rows, extra);
}

QByteArray bkgdRgb(int red, int green, int blue) {
    QByteArray data;
    for (const int v : {red, green, blue}) {
        data.append('\0');
        data.append(static_cast<char>(v));
    }
    return pngChunk("bKGD", data);
}

QByteArray bkgdGrey(int grey) {
    return pngChunk("bKGD", QByteArray(1, '\0') + QByteArray(1, static_cast<char>(grey)));
}

QByteArray makeBmp(const QImage& image, int bits) {
    const int width = image.width();
    const int height = image.height();
    const int rowBytes = (width * bits / 8 + 3) / 4 * 4;
    QByteArray out("BM");
    putLe32(out, static_cast<std::uint32_t>(54 + rowBytes * height));
    putLe32(out, 0);
    putLe32(out, 54);
    putLe32(out, 40);
    putLe32(out, static_cast<std::uint32_t>(width));
    putLe32(out, static_cast<std::uint32_t>(height));
    putLe16(out, 1);
    putLe16(out, static_cast<std::uint32_t>(bits));
    putLe32(out, 0);
    putLe32(out, static_cast<std::uint32_t>(rowBytes * height));
    putLe32(out, 2835);
    putLe32(out, 2835);
    putLe32(out, 0);
    putLe32(out, 0);
    for (int y = height - 1; y >= 0; --y) {
        QByteArray row;
        for (int x = 0; x < width; ++x) {
            const QRgb p = image.pixel(x, y);
            row.append(static_cast<char>(qBlue(p)));
            row.append(static_cast<char>(qGreen(p)));
            row.append(static_cast<char>(qRed(p)));
            if (bits == 32) {
                row.append(static_cast<char>(qAlpha(p)));
            }
        }
        row.append(QByteArray(rowBytes - row.size(), '\0'));
        out.append(row);
    }
    return out;
}

QByteArray makeGif(const GifFrame& frame) {
    int tableBits = 1;
    while ((1 << tableBits) < frame.palette.size()) {
        ++tableBits;
    }
    QByteArray out("GIF89a");
    putLe16(out, static_cast<std::uint32_t>(frame.screenWidth));
    putLe16(out, static_cast<std::uint32_t>(frame.screenHeight));
    out.append(static_cast<char>(0x80 | (tableBits - 1)));
    out.append('\0');
    out.append('\0');
    for (int i = 0; i < (1 << tableBits); ++i) {
        const QRgb c = i < frame.palette.size() ? frame.palette[i] : 0;
        out.append(static_cast<char>(qRed(c)));
        out.append(static_cast<char>(qGreen(c)));
        out.append(static_cast<char>(qBlue(c)));
    }
    if (frame.transparentIndex >= 0) {
        out.append("\x21\xF9\x04\x01\x00\x00", 6);
        out.append(static_cast<char>(frame.transparentIndex));
        out.append('\0');
    }
    out.append(',');
    putLe16(out, static_cast<std::uint32_t>(frame.left));
    putLe16(out, static_cast<std::uint32_t>(frame.top));
    putLe16(out, static_cast<std::uint32_t>(frame.width));
    putLe16(out, static_cast<std::uint32_t>(frame.height));
    out.append(frame.interlaced ? '\x40' : '\0');

    const int codeSize = std::max(2, tableBits);
    const int clear = 1 << codeSize;
    const int width = codeSize + 1;
    std::vector<int> codes;
    std::vector<int> rows;
    if (frame.interlaced) {
        for (const auto& [start, step] : {std::pair{0, 8}, {4, 8}, {2, 4}, {1, 2}}) {
            for (int y = start; y < frame.height; y += step) {
                rows.push_back(y);
            }
        }
    } else {
        for (int y = 0; y < frame.height; ++y) {
            rows.push_back(y);
        }
    }
    int sinceClear = clear; // forces a clear first
    for (const int y : rows) {
        for (int x = 0; x < frame.width; ++x) {
            if (sinceClear >= clear - 2) {
                codes.push_back(clear);
                sinceClear = 0;
            }
            codes.push_back(frame.indices[static_cast<std::size_t>(y * frame.width + x)]);
            ++sinceClear;
        }
    }
    codes.push_back(clear + 1);
    out.append(static_cast<char>(codeSize));
    out.append(gifCodeBlocks(codes, width));
    out.append(';');
    return out;
}

QByteArray makeTiff(const QImage& image, bool alpha, bool bigEndian) {
    const int samples = alpha ? 4 : 3;
    const int width = image.width();
    const int height = image.height();
    QByteArray pixels;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const QRgb p = image.pixel(x, y);
            for (int s = 0; s < samples; ++s) {
                pixels.append(static_cast<char>(s == 0   ? qRed(p)
                                                : s == 1 ? qGreen(p)
                                                : s == 2 ? qBlue(p)
                                                         : qAlpha(p)));
            }
        }
    }
    QByteArray out;
    const auto put16 = [&](std::uint32_t v) {
        if (bigEndian) {
            out.append(static_cast<char>((v >> 8) & 0xFF));
            out.append(static_cast<char>(v & 0xFF));
        } else {
            putLe16(out, v);
        }
    };
    const auto put32 = [&](std::uint32_t v) {
        if (bigEndian) {
            putBe32(out, v);
        } else {
            putLe32(out, v);
        }
    };
    out.append(bigEndian ? "MM" : "II");
    put16(42);
    put32(0); // directory offset, set below
    const auto pixelOffset = static_cast<std::uint32_t>(out.size());
    out.append(pixels);
    if (out.size() % 2 != 0) {
        out.append('\0');
    }
    const auto bitsOffset = static_cast<std::uint32_t>(out.size());
    for (int s = 0; s < samples; ++s) {
        put16(8);
    }
    const auto directory = static_cast<std::uint32_t>(out.size());
    struct Entry {
        std::uint32_t tag, type, count, value;
    };
    std::vector<Entry> entries = {
        {256, 3, 1, static_cast<std::uint32_t>(width)},
        {257, 3, 1, static_cast<std::uint32_t>(height)},
        {258, 3, static_cast<std::uint32_t>(samples), bitsOffset},
        {259, 3, 1, 1},
        {262, 3, 1, 2},
        {273, 4, 1, pixelOffset},
        {277, 3, 1, static_cast<std::uint32_t>(samples)},
        {278, 3, 1, static_cast<std::uint32_t>(height)},
        {279, 4, 1, static_cast<std::uint32_t>(pixels.size())},
        {284, 3, 1, 1},
    };
    if (alpha) {
        entries.push_back({338, 3, 1, 2});
    }
    put16(static_cast<std::uint32_t>(entries.size()));
    for (const Entry& e : entries) {
        put16(e.tag);
        put16(e.type);
        put32(e.count);
        if (e.type == 3 && e.count == 1) {
            put16(e.value);
            put16(0);
        } else {
            put32(e.value);
        }
    }
    put32(0);
    QByteArray offset;
    const QByteArray saved = out;
    out.clear();
    put32(directory);
    offset = out;
    out = saved;
    out.replace(4, 4, offset);
    return out;
}

QByteArray makeJpeg(const QImage& image) {
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(90);
    writer.write(image.convertToFormat(QImage::Format_RGB32));
    return out;
}

QImage patternImage(int width, int height) {
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            image.setPixel(x, y, qRgb((x * 37 + y * 11) & 255, (y * 53 + 7) & 255, (x * y * 29 + 90) & 255));
        }
    }
    return image;
}

QByteArray validFile(const QString& format) {
    const QImage image = patternImage(8, 6);
    if (format == QLatin1String("png")) {
        return rgbaPng(image);
    }
    if (format == QLatin1String("bmp")) {
        return makeBmp(image, 24);
    }
    if (format == QLatin1String("gif")) {
        return makeGif(validGifFrame());
    }
    if (format == QLatin1String("tiff")) {
        return makeTiff(image, false);
    }
    return makeJpeg(image);
}

} // namespace corvane::test
