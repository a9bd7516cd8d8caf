// The PNG reader against Qt's reader on arbitrary bytes: a file ours decodes must decode in Qt's to the
// same pixels, and a file ours refuses as damaged must be refused by Qt's too. Files ours declines go to
// Qt's reader alone in the program and are not compared. Reading with the image data joined in the file's
// own bytes must give the same and leave the bytes as they were. Images are limited to one megapixel.

#include "imagefiles/PngReader.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <QtGlobal>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr qint64 kFuzzMaxPixels = qint64{1} << 20;

void quiet(QtMsgType, const QMessageLogContext&, const QString&) {}

[[noreturn]] void differs(const char* what) {
    std::fprintf(stderr, "PNG reader differs: %s\n", what);
    std::abort();
}

// True when a chunk walk from the start reaches a chunk that claims more than a megabyte beyond the end of
// the file. Qt's reader sets about reading such a chunk (zeroing a buffer of its size) before it finds
// the file too short, which takes seconds; ours refuses it at once, and such files are not compared.
bool claimsHugeChunk(const std::uint8_t* data, std::size_t size) {
    for (std::size_t at = 8; size - at >= 8;) {
        const std::size_t length = (std::size_t{data[at]} << 24) | (std::size_t{data[at + 1]} << 16) |
                                   (std::size_t{data[at + 2]} << 8) | data[at + 3];
        if (length > size - at - 8) {
            return length - (size - at - 8) > (std::size_t{1} << 20);
        }
        if (std::memcmp(data + at + 4, "IEND", 4) == 0 || size - at - 8 - length < 4) {
            return false;
        }
        at += 12 + length;
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const QtMessageHandler previous = qInstallMessageHandler(quiet);
    static_cast<void>(previous);
    // The loader hands only files with the signature to a PNG reader.
    if (size < 8 || std::memcmp(data, "\x89PNG\r\n\x1A\n", 8) != 0) {
        return 0;
    }
    corvane::PngImage ours;
    const corvane::PngResult result = corvane::readPng({data, size}, ours, kFuzzMaxPixels);
    // Joining the image data in the file's own bytes gives the same and puts every byte back.
    std::vector<std::uint8_t> copy(data, data + size);
    corvane::PngImage inPlace;
    if (corvane::readPngInPlace(copy, inPlace, kFuzzMaxPixels).outcome != result.outcome ||
        std::memcmp(copy.data(), data, size) != 0) {
        differs("joined in place");
    }
    if (result.outcome != corvane::PngOutcome::Decoded && result.outcome != corvane::PngOutcome::Corrupt) {
        return 0;
    }
    if (result.outcome == corvane::PngOutcome::Decoded &&
        std::memcmp(inPlace.pixels.get(), ours.pixels.get(),
                    std::size_t{4} * static_cast<std::size_t>(ours.width) *
                        static_cast<std::size_t>(ours.height)) != 0) {
        differs("pixels joined in place");
    }
    if (result.outcome == corvane::PngOutcome::Corrupt && claimsHugeChunk(data, size)) {
        return 0;
    }
    QBuffer buffer;
    buffer.setData(
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "png");
    reader.setAutoDetectImageFormat(false);
    reader.setDecideFormatFromContent(false);
    QImage theirs;
    const bool read = reader.read(&theirs) && !theirs.isNull();
    if (result.outcome == corvane::PngOutcome::Corrupt) {
        if (read) {
            differs(qPrintable(QStringLiteral("ours refuses (%1), Qt's decodes").arg(result.reason)));
        }
        return 0;
    }
    if (!read) {
        differs("ours decodes, Qt's refuses");
    }
    theirs.convertTo(QImage::Format_ARGB32);
    if (theirs.width() != ours.width || theirs.height() != ours.height) {
        differs("sizes");
    }
    bool translucent = false;
    for (int y = 0; y < ours.height; ++y) {
        const std::uint8_t* row = ours.pixels.get() + std::size_t{4} * static_cast<std::size_t>(ours.width) *
                                                          static_cast<std::size_t>(y);
        if (std::memcmp(row, theirs.constScanLine(y),
                        std::size_t{4} * static_cast<std::size_t>(ours.width)) != 0) {
            differs("pixels");
        }
        for (int x = 0; x < ours.width; ++x) {
            translucent = translucent || row[4 * x + 3] != 255;
        }
    }
    if (translucent != ours.translucent) {
        differs("translucency");
    }
    return 0;
}
