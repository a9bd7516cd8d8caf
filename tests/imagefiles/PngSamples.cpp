#include "tests/imagefiles/PngSamples.h"

#include "tests/imagefiles/CorruptFiles.h"

#include <QBuffer>
#include <QImageReader>

#include <zlib.h>

#include <cstdlib>

namespace corvane::test {

namespace {

QByteArray be32Bytes(std::uint32_t v) {
    QByteArray out;
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.append(static_cast<char>((v >> shift) & 0xFF));
    }
    return out;
}

int paeth(int a, int b, int c) {
    const int p = a + b - c;
    const int pa = std::abs(p - a);
    const int pb = std::abs(p - b);
    const int pc = std::abs(p - c);
    if (pa <= pb && pa <= pc) {
        return a;
    }
    return pb <= pc ? b : c;
}

// The filtered bytes of one row, from the row's samples and the previous row's (zeros above the first).
QByteArray filterRow(int filter, const std::uint8_t* row, const std::uint8_t* prior, std::size_t bytes,
                     std::size_t bpp) {
    QByteArray out;
    out.append(static_cast<char>(filter));
    for (std::size_t i = 0; i < bytes; ++i) {
        const int a = i >= bpp ? row[i - bpp] : 0;
        const int b = prior[i];
        const int c = i >= bpp ? prior[i - bpp] : 0;
        int predicted = 0;
        switch (filter) {
        case 1:
            predicted = a;
            break;
        case 2:
            predicted = b;
            break;
        case 3:
            predicted = (a + b) / 2;
            break;
        case 4:
            predicted = paeth(a, b, c);
            break;
        default:
            break;
        }
        out.append(static_cast<char>((row[i] - predicted) & 0xFF));
    }
    return out;
}

} // namespace

int pngChannels(int colourType) {
    switch (colourType) {
    case 2:
        return 3;
    case 4:
        return 2;
    case 6:
        return 4;
    default:
        return 1;
    }
}

QByteArray encodePng(const PngLayout& layout) {
    const auto bpp = static_cast<std::size_t>(pngChannels(layout.colourType));
    const std::size_t rowBytes = bpp * static_cast<std::size_t>(layout.width);
    const std::vector<std::uint8_t> zeros(rowBytes, 0);
    QByteArray rows;
    for (int y = 0; y < layout.height; ++y) {
        const std::uint8_t* row = layout.samples.data() + static_cast<std::size_t>(y) * rowBytes;
        const std::uint8_t* prior = y == 0 ? zeros.data() : row - rowBytes;
        const int filter =
            layout.filters.empty() ? 0 : layout.filters[static_cast<std::size_t>(y) % layout.filters.size()];
        rows.append(filterRow(filter, row, prior, rowBytes, bpp));
    }
    QByteArray compressed(static_cast<qsizetype>(compressBound(static_cast<uLong>(rows.size()))), '\0');
    auto length = static_cast<uLongf>(compressed.size());
    compress2(reinterpret_cast<Bytef*>(compressed.data()), &length,
              reinterpret_cast<const Bytef*>(rows.constData()), static_cast<uLong>(rows.size()), 9);
    compressed.truncate(static_cast<qsizetype>(length));

    QByteArray header = be32Bytes(static_cast<std::uint32_t>(layout.width)) +
                        be32Bytes(static_cast<std::uint32_t>(layout.height));
    header.append(static_cast<char>(8));
    header.append(static_cast<char>(layout.colourType));
    header.append(3, '\0');
    QByteArray png("\x89PNG\r\n\x1A\n", 8);
    png += pngChunk("IHDR", header);
    for (const QByteArray& chunk : layout.chunks) {
        png += chunk;
    }
    qsizetype at = 0;
    for (const int size : layout.split) {
        png += pngChunk("IDAT", compressed.mid(at, size));
        at += size;
    }
    if (layout.lastByteAlone) {
        png += pngChunk("IDAT", compressed.mid(at, compressed.size() - at - 1));
        at = compressed.size() - 1;
    }
    png += pngChunk("IDAT", compressed.mid(at));
    png += pngChunk("IEND", {});
    return png;
}

std::vector<std::uint8_t> randomSamples(std::size_t count, std::uint32_t seed) {
    std::vector<std::uint8_t> out(count);
    std::uint32_t state = seed * 2654435761u + 1;
    for (std::uint8_t& v : out) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        v = static_cast<std::uint8_t>(state >> 7);
    }
    return out;
}

QImage decodeWithQt(const QByteArray& png) {
    QBuffer buffer;
    buffer.setData(png);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "png");
    reader.setAutoDetectImageFormat(false);
    reader.setDecideFormatFromContent(false);
    QImage image;
    if (!reader.read(&image) || image.isNull()) {
        return {};
    }
    return image.convertToFormat(QImage::Format_ARGB32);
}

} // namespace corvane::test
