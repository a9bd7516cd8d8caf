#include "imagefiles/ImageSaver.h"

#include "imagefiles/BmpWriter.h"
#include "imagefiles/GifWriter.h"
#include "imagefiles/ImageConversion.h"
#include "platform/PixelAccess.h"
#include "platform/SafeFile.h"

#include <QBuffer>
#include <QImageWriter>

namespace corvane {

namespace {

Status noEncoder(const QString& path, const QString& extension) {
    return Status::failure(
        fileMessage(path,
                    QStringLiteral("：拡張子「%1」の画像を書き出すエンコーダーがありません").arg(extension)),
        Status::Kind::NoEncoder);
}

Status outOfMemory(const QString& path) {
    return Status::failure(fileMessage(path, QStringLiteral("：メモリの確保に失敗しました")),
                           Status::Kind::OutOfMemory);
}

Status writeEncoded(const QString& path, const QByteArray& bytes) {
    if (bytes.isEmpty()) {
        return outOfMemory(path);
    }
    return writeFileAtomically(path, bytes);
}

// JPEG, PNG and TIFF through Qt's writers, with the format named so that the file name's extension
// never picks another plugin. `path` only names the file in messages.
Status encodeWithQt(const QImage& image, QIODevice& out, const QString& path, const QString& format,
                    int quality) {
    QImageWriter writer(&out, format.toLatin1());
    if (format == QLatin1String("jpeg")) {
        writer.setQuality(qBound(0, quality, 100));
    } else if (format == QLatin1String("png")) {
        // Qt maps the PNG quality q to zlib level (100 − q) × 9 / 91: 67 gives level 3, which writes a
        // 12-megapixel photograph in a third of the default level's time for files about a tenth
        // larger. (Quality 100 would mean no compression at all.)
        writer.setQuality(67);
    } else if (format == QLatin1String("tiff")) {
        // LZW: lossless and small for results with flat areas. Alpha is stored as unassociated alpha,
        // the colour bytes as they are, which every TIFF reader understands.
        writer.setCompression(1);
    }
    if (!writer.write(image)) {
        return Status::failure(
            fileMessage(path, QStringLiteral("：画像を書き込めません（%1）").arg(writer.errorString())));
    }
    return Status::success();
}

Status writeWithQt(const QImage& image, const QString& path, const QString& format, int quality) {
    return writeFileAtomically(
        path, [&](QIODevice& out) { return encodeWithQt(image, out, path, format, quality); });
}

} // namespace

bool hasEncoder(const QString& extension) {
    const QString ext = extension.toLower();
    return ext == QLatin1String("jpeg") || ext == QLatin1String("png") || ext == QLatin1String("tiff") ||
           ext == QLatin1String("gif") || ext == QLatin1String("bmp");
}

Status saveImageWithEncoder(const QImage& image, const QString& path, const QString& extension, int quality) {
    const QString ext = extension.toLower();
    if (!hasEncoder(ext)) {
        return noEncoder(path, extension);
    }
    if (image.isNull()) {
        return Status::failure(fileMessage(path, QStringLiteral("：保存する画像がありません")));
    }
    if (ext == QLatin1String("gif")) {
        return writeEncoded(path, encodeGif(image));
    }
    if (ext == QLatin1String("bmp")) {
        return writeEncoded(path, encodeBmpImage(image));
    }
    return writeWithQt(image, path, ext, quality);
}

Status encodeImageWithEncoder(const QImage& image, const QString& path, const QString& extension, int quality,
                              QByteArray& out) {
    const QString ext = extension.toLower();
    if (!hasEncoder(ext)) {
        return noEncoder(path, extension);
    }
    if (image.isNull()) {
        return Status::failure(fileMessage(path, QStringLiteral("：保存する画像がありません")));
    }
    try {
        if (ext == QLatin1String("gif") || ext == QLatin1String("bmp")) {
            out = ext == QLatin1String("gif") ? encodeGif(image) : encodeBmpImage(image);
            return out.isEmpty() ? outOfMemory(path) : Status::success();
        }
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        if (const Status encoded = encodeWithQt(image, buffer, path, ext, quality); !encoded) {
            return encoded;
        }
        buffer.close();
        out = std::move(bytes);
        return Status::success();
    } catch (const std::bad_alloc&) {
        return outOfMemory(path);
    }
}

Status SaveBitmapWithEncoder(const DeviceBitmap& bitmap, const QString& path, const QString& extension,
                             int quality) {
    if (!hasEncoder(extension)) {
        return noEncoder(path, extension);
    }
    const QImage image = toImage(bitmap);
    if (image.isNull()) {
        return outOfMemory(path);
    }
    const bool jpeg = extension.toLower() == QLatin1String("jpeg");
    return saveImageWithEncoder(image, path, extension, jpeg ? quality : 100);
}

Status SaveTransparentWithEncoder(const DeviceBitmap& bitmap, const QString& path, const QString& extension) {
    if (!hasEncoder(extension)) {
        return noEncoder(path, extension);
    }
    if (bitmap.isNull()) {
        return outOfMemory(path);
    }
    QImage image(bitmap.width(), bitmap.height(), QImage::Format_ARGB32);
    if (image.isNull()) {
        return outOfMemory(path);
    }
    bitmap.toArgb32(image.bits(), image.bytesPerLine());
    // Pure white (a 16-bit 0xFFFF widens to it) becomes fully transparent, everything else opaque; the
    // colour bytes stay as they are.
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb rgb = row[x] & 0x00FFFFFFu;
            row[x] = rgb == 0x00FFFFFFu ? rgb : rgb | 0xFF000000u;
        }
    }
    return saveImageWithEncoder(image, path, extension, 100);
}

bool ReduceTo256Colors(DeviceBitmap& surface) {
    if (surface.isNull()) {
        return false;
    }
    const QImage image = toImage(surface);
    if (image.isNull()) {
        return false;
    }
    const QImage reduced = quantizeTo256Colors(image);
    if (reduced.isNull()) {
        return false;
    }
    return dispatchDepth(surface.bitsPixel(), [&](auto depth) {
        constexpr int Bits = decltype(depth)::value;
        for (int y = 0; y < surface.height(); ++y) {
            const auto* src = reinterpret_cast<const QRgb*>(reduced.constScanLine(y));
            std::uint8_t* dst = surface.row(y);
            for (int x = 0; x < surface.width(); ++x) {
                const QRgb c = src[x];
                storeRgb<Bits>(dst + x * (Bits / 8),
                               Rgb8{static_cast<std::uint8_t>(qRed(c)), static_cast<std::uint8_t>(qGreen(c)),
                                    static_cast<std::uint8_t>(qBlue(c))});
            }
        }
    });
}

} // namespace corvane
