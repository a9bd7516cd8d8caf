// The whole load path on arbitrary bytes: recognition, header checks, the decoders, key colours and the
// transparency resolution for 16- and 32-bit surfaces, and drawing into a surface of another size.
// Images are limited to one megapixel so that each input decodes quickly.

#include "imagefiles/ImageLoader.h"

#include <QByteArray>
#include <QtGlobal>

#include <cstddef>
#include <cstdint>

namespace {

constexpr qint64 kFuzzMaxPixels = qint64{1} << 20;

void quiet(QtMsgType, const QMessageLogContext&, const QString&) {}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const QtMessageHandler previous = qInstallMessageHandler(quiet);
    static_cast<void>(previous);
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString name = QStringLiteral("fuzz");
    for (const int bits : {16, 32}) {
        corvane::LoadedImage loaded;
        if (!corvane::loadImageBytes(bytes, name, bits, loaded, kFuzzMaxPixels)) {
            return 0;
        }
        corvane::DeviceBitmap surface = corvane::DeviceBitmap::create(13, 7, bits);
        corvane::renderImage(loaded.image, surface);
    }
    QImage decoded;
    corvane::decodeImageBytes(bytes, name, decoded, kFuzzMaxPixels);
    return 0;
}
