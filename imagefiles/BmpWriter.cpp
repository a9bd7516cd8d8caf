#include "imagefiles/BmpWriter.h"

#include "imagefiles/GifWriter.h"
#include "imagefiles/ImageConversion.h"
#include "platform/PixelAccess.h"
#include "platform/SafeFile.h"

#include <cstring>
#include <limits>
#include <new>

namespace corvane {

namespace {

constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiRle8 = 1;
constexpr std::uint32_t kBiRle4 = 2;
constexpr std::uint32_t kBiBitfields = 3;

constexpr int kFileHeaderSize = 14;
constexpr int kInfoHeaderSize = 40;
constexpr int kV5HeaderSize = 124;

void put16(std::uint8_t* p, std::uint32_t value) {
    p[0] = static_cast<std::uint8_t>(value & 0xFF);
    p[1] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
}
void put32(std::uint8_t* p, std::uint32_t value) {
    put16(p, value & 0xFFFF);
    put16(p + 2, value >> 16);
}

// Bytes of one stored row: bits rounded up to whole 32-bit words.
std::uint64_t paddedRowBytes(int width, int bitCount) {
    return (static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(bitCount) + 31) / 32 * 4;
}

// The file header and the 40-byte part of the info block; `info` is the whole info block's size.
void writeHeaders(std::uint8_t* p, int info, int width, int height, int bitCount, std::uint32_t compression,
                  std::uint32_t sizeImage) {
    const auto offset = static_cast<std::uint32_t>(kFileHeaderSize + info);
    p[0] = 'B';
    p[1] = 'M';
    put32(p + 2, offset + sizeImage);
    put32(p + 6, 0);
    put32(p + 10, offset);
    std::uint8_t* h = p + kFileHeaderSize;
    put32(h, static_cast<std::uint32_t>(info == kV5HeaderSize ? kV5HeaderSize : kInfoHeaderSize));
    put32(h + 4, static_cast<std::uint32_t>(width));
    put32(h + 8, static_cast<std::uint32_t>(height)); // positive: rows bottom-up
    put16(h + 12, 1);
    put16(h + 14, static_cast<std::uint32_t>(bitCount));
    put32(h + 16, compression);
    put32(h + 20, sizeImage);
    put32(h + 24, 0); // no resolution, as the platform's own writer leaves it
    put32(h + 28, 0);
    put32(h + 32, 0); // colours used: 0 = the full table of the depth
    put32(h + 36, 0);
}

// A file of `info` bytes of info block and `sizeImage` bytes of pixels, headers written, the rest zero.
// Empty when it would exceed the 32-bit size fields.
QByteArray makeFile(int info, int width, int height, int bitCount, std::uint32_t compression,
                    std::uint64_t sizeImage) {
    const std::uint64_t total = static_cast<std::uint64_t>(kFileHeaderSize + info) + sizeImage;
    if (total > std::numeric_limits<std::uint32_t>::max() ||
        total > static_cast<std::uint64_t>(std::numeric_limits<qsizetype>::max())) {
        return {};
    }
    QByteArray file(static_cast<qsizetype>(total), '\0');
    writeHeaders(reinterpret_cast<std::uint8_t*>(file.data()), info, width, height, bitCount, compression,
                 static_cast<std::uint32_t>(sizeImage));
    return file;
}

std::uint8_t* fileBytes(QByteArray& file) {
    return reinterpret_cast<std::uint8_t*>(file.data());
}

void putPalette(std::uint8_t* table, const QRgb* colors, int count) {
    for (int i = 0; i < count; ++i) {
        table[4 * i] = static_cast<std::uint8_t>(qBlue(colors[i]));
        table[4 * i + 1] = static_cast<std::uint8_t>(qGreen(colors[i]));
        table[4 * i + 2] = static_cast<std::uint8_t>(qRed(colors[i]));
        table[4 * i + 3] = 0;
    }
}

// ---- Direct-colour depths, straight from the surface ----

template <int Bits>
void surfaceRowTo24(const std::uint8_t* src, int width, std::uint8_t* dst) {
    if constexpr (Bits == 24) {
        std::memcpy(dst, src, static_cast<std::size_t>(width) * 3);
    } else {
        for (int x = 0; x < width; ++x) {
            const Rgb8 c = loadRgb<Bits>(src + x * (Bits / 8));
            dst[3 * x] = c.b;
            dst[3 * x + 1] = c.g;
            dst[3 * x + 2] = c.r;
        }
    }
}

template <int Bits>
void surfaceRowTo32(const std::uint8_t* src, int width, std::uint8_t* dst) {
    for (int x = 0; x < width; ++x) {
        const Rgb8 c = loadRgb<Bits>(src + x * (Bits / 8));
        dst[4 * x] = c.b;
        dst[4 * x + 1] = c.g;
        dst[4 * x + 2] = c.r;
        dst[4 * x + 3] = 0; // the surface's fourth byte is no alpha
    }
}

template <int Bits>
void surfaceRowTo16(const std::uint8_t* src, int width, std::uint8_t* dst) {
    if constexpr (Bits == 16) {
        std::memcpy(dst, src, static_cast<std::size_t>(width) * 2);
    } else {
        // Top bits, as DeviceBitmap::fromArgb32 narrows: the file holds what a 16-bit surface made from
        // this one would hold.
        for (int x = 0; x < width; ++x) {
            const Rgb8 c = loadRgb<Bits>(src + x * (Bits / 8));
            storeWord(dst + 2 * x, pack565(unsigned{c.r} >> 3, unsigned{c.g} >> 2, unsigned{c.b} >> 3));
        }
    }
}

template <int Bits>
void surfaceRowTo1(const std::uint8_t* src, int width, std::uint8_t* dst) {
    for (int x = 0; x < width; ++x) {
        const Rgb8 c = loadRgb<Bits>(src + x * (Bits / 8));
        // Luminance 0.299 R + 0.587 G + 0.114 B at least mid-grey (128), in integers.
        const unsigned luminance = 299u * c.r + 587u * c.g + 114u * c.b;
        if (luminance >= 128'000u) {
            dst[x >> 3] = static_cast<std::uint8_t>(dst[x >> 3] | (0x80u >> (x & 7)));
        }
    }
}

QByteArray encodeDirect(const DeviceBitmap& bitmap, int bitCount) {
    const int width = bitmap.width();
    const int height = bitmap.height();
    const std::uint64_t rowBytes = paddedRowBytes(width, bitCount);
    int info = kInfoHeaderSize;
    std::uint32_t compression = kBiRgb;
    if (bitCount == 1) {
        info += 2 * 4;
    } else if (bitCount == 16 || bitCount == 32) {
        info += 3 * 4;
        compression = kBiBitfields;
    }
    QByteArray file =
        makeFile(info, width, height, bitCount, compression, rowBytes * static_cast<std::uint64_t>(height));
    if (file.isEmpty()) {
        return {};
    }
    std::uint8_t* tail = fileBytes(file) + kFileHeaderSize + kInfoHeaderSize;
    if (bitCount == 1) {
        const QRgb blackWhite[2] = {qRgb(0, 0, 0), qRgb(255, 255, 255)};
        putPalette(tail, blackWhite, 2);
    } else if (bitCount == 16) {
        put32(tail, 0xF800);
        put32(tail + 4, 0x07E0);
        put32(tail + 8, 0x001F);
    } else if (bitCount == 32) {
        put32(tail, 0x00FF0000);
        put32(tail + 4, 0x0000FF00);
        put32(tail + 8, 0x000000FF);
    }
    std::uint8_t* pixels = fileBytes(file) + kFileHeaderSize + info;
    dispatchDepth(bitmap.bitsPixel(), [&](auto depth) {
        constexpr int Bits = decltype(depth)::value;
        for (int y = 0; y < height; ++y) {
            std::uint8_t* dst = pixels + static_cast<std::size_t>(height - 1 - y) * rowBytes;
            const std::uint8_t* src = bitmap.row(y);
            switch (bitCount) {
            case 1:
                surfaceRowTo1<Bits>(src, width, dst);
                break;
            case 16:
                surfaceRowTo16<Bits>(src, width, dst);
                break;
            case 24:
                surfaceRowTo24<Bits>(src, width, dst);
                break;
            default:
                surfaceRowTo32<Bits>(src, width, dst);
                break;
            }
        }
    });
    return file;
}

// ---- Palette depths ----

void packRow4(const std::uint8_t* indices, int width, std::uint8_t* dst) {
    for (int x = 0; x < width; ++x) {
        dst[x >> 1] = static_cast<std::uint8_t>(dst[x >> 1] | ((x & 1) ? indices[x] : indices[x] << 4));
    }
}

void appendByte(QByteArray& out, unsigned value) {
    out.append(static_cast<char>(value & 0xFF));
}

// One row of RLE8: encoded runs (count, index) of up to 255 equal pixels, absolute runs (0, n, n
// indices, padded to a 16-bit boundary; n ≥ 3) for stretches without runs of three, and an end of line.
void encodeRle8Row(const std::uint8_t* row, int width, QByteArray& out) {
    int i = 0;
    while (i < width) {
        int run = 1;
        while (i + run < width && run < 255 && row[i + run] == row[i]) {
            ++run;
        }
        if (run >= 2) {
            appendByte(out, static_cast<unsigned>(run));
            appendByte(out, row[i]);
            i += run;
            continue;
        }
        // A literal stretch ends where a run of three begins: a run of two costs no more inside it.
        int end = i + 1;
        while (end < width && end - i < 255 &&
               !(end + 2 < width && row[end] == row[end + 1] && row[end] == row[end + 2])) {
            ++end;
        }
        const int count = end - i;
        if (count < 3) {
            // Counts 1 and 2 after a zero are escapes, so short stretches go as runs of one.
            for (int k = 0; k < count; ++k) {
                appendByte(out, 1);
                appendByte(out, row[i + k]);
            }
        } else {
            appendByte(out, 0);
            appendByte(out, static_cast<unsigned>(count));
            out.append(reinterpret_cast<const char*>(row + i), count);
            if (count & 1) {
                appendByte(out, 0);
            }
        }
        i = end;
    }
    appendByte(out, 0);
    appendByte(out, 0);
}

// Length (up to 255) of the stretch from `i` that one RLE4 encoded run can hold: its pixels alternate
// between the indices of its first two pixels (equal indices make a plain run).
int rle4Run(const std::uint8_t* row, int width, int i) {
    if (i + 1 >= width) {
        return 1;
    }
    int run = 2;
    while (i + run < width && run < 255 && row[i + run] == row[i + run - 2]) {
        ++run;
    }
    return run;
}

bool rle4RunAtLeast4(const std::uint8_t* row, int width, int i) {
    return i + 3 < width && row[i + 2] == row[i] && row[i + 3] == row[i + 1];
}

// One row of RLE4: encoded runs (count, two alternating nibbles), absolute runs (0, n, n nibbles packed
// two per byte, padded to a 16-bit boundary; n ≥ 3), an end of line.
void encodeRle4Row(const std::uint8_t* row, int width, QByteArray& out) {
    int i = 0;
    while (i < width) {
        const int run = rle4Run(row, width, i);
        if (run >= 4) {
            appendByte(out, static_cast<unsigned>(run));
            appendByte(out, static_cast<unsigned>(row[i] << 4 | row[i + 1]));
            i += run;
            continue;
        }
        int end = i + 1;
        while (end < width && end - i < 255 && !rle4RunAtLeast4(row, width, end)) {
            ++end;
        }
        const int count = end - i;
        if (count < 3) {
            appendByte(out, static_cast<unsigned>(count));
            appendByte(out, static_cast<unsigned>(row[i] << 4 | (count == 2 ? row[i + 1] : 0)));
        } else {
            appendByte(out, 0);
            appendByte(out, static_cast<unsigned>(count));
            const int bytes = (count + 1) / 2;
            for (int k = 0; k < bytes; ++k) {
                const unsigned high = row[i + 2 * k];
                const unsigned low = 2 * k + 1 < count ? row[i + 2 * k + 1] : 0u;
                appendByte(out, high << 4 | low);
            }
            if (bytes & 1) {
                appendByte(out, 0);
            }
        }
        i = end;
    }
    appendByte(out, 0);
    appendByte(out, 0);
}

QByteArray encodePaletted(const DeviceBitmap& bitmap, int bitCount, bool rle) {
    const int colors = bitCount == 4 ? 16 : 256;
    const PalettedImage paletted = quantizeImage(toImage(bitmap), colors, false);
    if (paletted.isNull()) {
        return {};
    }
    const int width = paletted.width;
    const int height = paletted.height;
    const int info = kInfoHeaderSize + 4 * colors;

    QByteArray file;
    if (rle) {
        QByteArray data;
        data.reserve(static_cast<qsizetype>(std::min<std::uint64_t>(
            paddedRowBytes(width, bitCount) * static_cast<std::uint64_t>(height) / 4 + 64, 1u << 26)));
        for (int y = height - 1; y >= 0; --y) {
            if (bitCount == 4) {
                encodeRle4Row(paletted.row(y), width, data);
            } else {
                encodeRle8Row(paletted.row(y), width, data);
            }
        }
        appendByte(data, 0); // end of bitmap
        appendByte(data, 1);
        file = makeFile(info, width, height, bitCount, bitCount == 4 ? kBiRle4 : kBiRle8,
                        static_cast<std::uint64_t>(data.size()));
        if (file.isEmpty()) {
            return {};
        }
        std::memcpy(fileBytes(file) + kFileHeaderSize + info, data.constData(),
                    static_cast<std::size_t>(data.size()));
    } else {
        const std::uint64_t rowBytes = paddedRowBytes(width, bitCount);
        file = makeFile(info, width, height, bitCount, kBiRgb, rowBytes * static_cast<std::uint64_t>(height));
        if (file.isEmpty()) {
            return {};
        }
        std::uint8_t* pixels = fileBytes(file) + kFileHeaderSize + info;
        for (int y = 0; y < height; ++y) {
            std::uint8_t* dst = pixels + static_cast<std::size_t>(height - 1 - y) * rowBytes;
            if (bitCount == 4) {
                packRow4(paletted.row(y), width, dst);
            } else {
                std::memcpy(dst, paletted.row(y), static_cast<std::size_t>(width));
            }
        }
    }
    putPalette(fileBytes(file) + kFileHeaderSize + kInfoHeaderSize, paletted.palette.data(), colors);
    return file;
}

bool validCombination(int bitCount, BmpCompression compression) {
    switch (bitCount) {
    case 1:
    case 24:
        return compression == BmpCompression::Rgb;
    case 4:
        return compression == BmpCompression::Rgb || compression == BmpCompression::Rle4;
    case 8:
        return compression == BmpCompression::Rgb || compression == BmpCompression::Rle8;
    case 16:
    case 32:
        return compression == BmpCompression::Bitfields;
    default:
        return false;
    }
}

} // namespace

QByteArray encodeBmp(const DeviceBitmap& bitmap, int bitCount, BmpCompression compression) {
    if (bitmap.isNull() || !isSupportedDepth(bitmap.bitsPixel()) ||
        !validCombination(bitCount, compression)) {
        return {};
    }
    // QByteArray reports a failed allocation by throwing; here it is an empty result like every other
    // failure.
    try {
        if (bitCount == 4 || bitCount == 8) {
            return encodePaletted(bitmap, bitCount, compression != BmpCompression::Rgb);
        }
        return encodeDirect(bitmap, bitCount);
    } catch (const std::bad_alloc&) {
        return {};
    }
}

QByteArray encodeBmpImage(const QImage& source) {
    if (source.isNull()) {
        return {};
    }
    const bool alpha = source.hasAlphaChannel();
    const QImage::Format format = alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32;
    const QImage image = source.format() == format ? source : source.convertToFormat(format);
    if (image.isNull()) {
        return {};
    }
    const int width = image.width();
    const int height = image.height();
    const int bitCount = alpha ? 32 : 24;
    const std::uint64_t rowBytes = paddedRowBytes(width, bitCount);
    try {
        QByteArray file =
            makeFile(alpha ? kV5HeaderSize : kInfoHeaderSize, width, height, bitCount,
                     alpha ? kBiBitfields : kBiRgb, rowBytes * static_cast<std::uint64_t>(height));
        if (file.isEmpty()) {
            return {};
        }
        std::uint8_t* header = fileBytes(file) + kFileHeaderSize;
        std::uint8_t* pixels = header + (alpha ? kV5HeaderSize : kInfoHeaderSize);
        if (alpha) {
            put32(header + 40, 0x00FF0000); // red, green, blue and alpha masks
            put32(header + 44, 0x0000FF00);
            put32(header + 48, 0x000000FF);
            put32(header + 52, 0xFF000000);
            put32(header + 56, 0x73524742); // LCS_sRGB ('sRGB')
            put32(header + 108, 4);         // LCS_GM_IMAGES
        }
        for (int y = 0; y < height; ++y) {
            const auto* src = reinterpret_cast<const QRgb*>(image.constScanLine(y));
            std::uint8_t* dst = pixels + static_cast<std::size_t>(height - 1 - y) * rowBytes;
            for (int x = 0; x < width; ++x) {
                const QRgb c = src[x];
                if (alpha) {
                    put32(dst + 4 * x, c);
                } else {
                    dst[3 * x] = static_cast<std::uint8_t>(qBlue(c));
                    dst[3 * x + 1] = static_cast<std::uint8_t>(qGreen(c));
                    dst[3 * x + 2] = static_cast<std::uint8_t>(qRed(c));
                }
            }
        }
        return file;
    } catch (const std::bad_alloc&) {
        return {};
    }
}

Status WriteBmpFile(const DeviceBitmap& bitmap, const QString& path, int bitCount,
                    BmpCompression compression) {
    if (bitmap.isNull() || !isSupportedDepth(bitmap.bitsPixel()) ||
        !validCombination(bitCount, compression)) {
        return Status::failure(
            fileMessage(path, QStringLiteral("：この形式のビットマップファイルは保存できません")));
    }
    const QByteArray bytes = encodeBmp(bitmap, bitCount, compression);
    if (bytes.isEmpty()) {
        return Status::failure(
            fileMessage(
                path,
                QStringLiteral(
                    "：ビットマップファイルの保存に失敗しました（メモリが足りないか、画像が大きすぎます）")),
            Status::Kind::OutOfMemory);
    }
    return writeFileAtomically(path, bytes);
}

} // namespace corvane
