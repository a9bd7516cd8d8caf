#include "imagefiles/ImageConversion.h"

namespace corvane {

QImage imageOnNewBuffer(QSize size, QImage::Format format, Buffer<std::uint8_t>& storage) {
    const int depth = QImage::toPixelFormat(format).bitsPerPixel();
    if (size.isEmpty() || depth <= 0) {
        return {};
    }
    const qsizetype bytesPerLine = ((qsizetype{size.width()} * depth + 31) / 32) * 4;
    storage = allocateBuffer<std::uint8_t>(static_cast<std::size_t>(bytesPerLine) *
                                           static_cast<std::size_t>(size.height()));
    if (!storage) {
        return {};
    }
    return QImage(storage.get(), size.width(), size.height(), bytesPerLine, format);
}

QImage toImage(const DeviceBitmap& bitmap) {
    if (bitmap.isNull()) {
        return {};
    }
    QImage image(bitmap.width(), bitmap.height(), QImage::Format_RGB32);
    if (image.isNull()) {
        return {};
    }
    bitmap.toArgb32(image.bits(), image.bytesPerLine());
    if (bitmap.bitsPixel() == 32) {
        // The fourth byte of a surface is no alpha: the image is opaque.
        for (int y = 0; y < image.height(); ++y) {
            auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                row[x] |= 0xFF000000u;
            }
        }
    }
    return image;
}

DeviceBitmap toBitmap(const QImage& image, int bitsPerPixel) {
    if (image.isNull()) {
        return {};
    }
    const QImage rgb = image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32
                           ? image
                           : image.convertToFormat(QImage::Format_ARGB32);
    if (rgb.isNull()) {
        return {};
    }
    DeviceBitmap bitmap = DeviceBitmap::create(rgb.width(), rgb.height(), bitsPerPixel);
    if (!bitmap.isNull()) {
        // Surfaces carry no alpha: the fourth byte is 0 as on a freshly created surface.
        bitmap.assignArgb32(rgb.constBits(), rgb.bytesPerLine(), /*keepAlpha=*/false);
    }
    return bitmap;
}

} // namespace corvane
