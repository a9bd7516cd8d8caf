// The document container reader on images made from the input.
//
// Input: one control byte, then the payload. Bit 0 of the control byte chooses what the payload is:
// 0 — the alpha values of the image's pixels, in pixel order (missing values at the end are 255);
// 1 — a container stream, written into the alpha ten values per byte as a carrier holds it, so that the
//     fuzzer steers the header fields directly.
// Bits 1-7 are the image's width minus 1; the height is as small as the payload allows.
// Whatever the reader accepts must be a plain file name and must survive a second round trip unchanged.

#include "imagefiles/DocumentContainer.h"

#include <QImage>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace corvane;

namespace {

void check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

QImage alphaImage(const std::uint8_t* values, std::size_t count, int width) {
    const auto height =
        static_cast<int>((count + static_cast<std::size_t>(width) - 1) / static_cast<std::size_t>(width));
    QImage image(width, height, QImage::Format_ARGB32);
    if (image.isNull()) {
        return image;
    }
    image.fill(qRgba(0x40, 0x80, 0xC0, 255));
    for (std::size_t k = 0; k < count; ++k) {
        const auto x = static_cast<int>(k % static_cast<std::size_t>(width));
        const auto y = static_cast<int>(k / static_cast<std::size_t>(width));
        image.setPixel(x, y, qRgba(0x40, 0x80, 0xC0, values[k]));
    }
    return image;
}

QImage streamImage(const std::uint8_t* bytes, std::size_t count, int width) {
    const std::size_t pixels = 10 * count;
    const auto height =
        static_cast<int>((pixels + static_cast<std::size_t>(width) - 1) / static_cast<std::size_t>(width));
    const DeviceBitmap work = DeviceBitmap::create(width, height, 32);
    return EncodeContainerIntoImage(
        work, QByteArray(reinterpret_cast<const char*>(bytes), static_cast<qsizetype>(count)));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) {
        return 0;
    }
    const bool asStream = (data[0] & 1) != 0;
    const int width = 1 + (data[0] >> 1);
    const QImage image =
        asStream ? streamImage(data + 1, size - 1, width) : alphaImage(data + 1, size - 1, width);
    if (image.isNull()) {
        return 0;
    }
    const auto document = readContainer(image);
    if (!document) {
        return 0;
    }
    check(isPlainDocumentName(document->name));
    check(10 * (11 + document->bytes.size()) <= qint64{image.width()} * image.height());

    const auto stream = buildContainer(document->name, document->bytes);
    check(stream.has_value());
    const QSize size2 = carrierSize(QSize(1, 1), stream->size());
    const QImage again =
        EncodeContainerIntoImage(DeviceBitmap::create(size2.width(), size2.height(), 24), *stream);
    check(!again.isNull());
    const auto reread = readContainer(again);
    check(reread && reread->name == document->name && reread->bytes == document->bytes);
    return 0;
}
