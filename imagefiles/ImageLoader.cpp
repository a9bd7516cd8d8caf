#include "imagefiles/ImageLoader.h"

#include "imagefiles/GifReader.h"
#include "imagefiles/ImageConversion.h"
#include "imagefiles/KeyColour.h"
#include "imagefiles/PngReader.h"
#include "imagefiles/TiffSupport.h"
#include "platform/Blit.h"
#include "platform/Pixel565.h"
#include "platform/SafeFile.h"

#include <QBuffer>
#include <QImageReader>

#include <algorithm>
#include <array>
#include <bit>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace corvane {

namespace {

// Qt refuses by default to decode images of more than a few hundred megabytes. The size limits are
// checked from the header before decoding, so the reader may allocate what an image within them needs:
// 8 bytes per pixel for 16-bit-per-channel PNG and TIFF files.
constexpr int kReaderAllocationMegabytes = 1024;

void raiseReaderAllocationLimit() {
    static std::once_flag once;
    std::call_once(once, [] {
        if (QImageReader::allocationLimit() < kReaderAllocationMegabytes) {
            QImageReader::setAllocationLimit(kReaderAllocationMegabytes);
        }
    });
}

bool isImageFormat(const QString& format) {
    return format == QLatin1String("jpeg") || format == QLatin1String("gif") ||
           format == QLatin1String("bmp") || format == QLatin1String("png") ||
           format == QLatin1String("tiff");
}

// Little-endian fields of a file; 0 for a field that would reach past the end of the bytes.
std::uint32_t leField(const QByteArray& bytes, qsizetype offset, int size) {
    if (offset < 0 || offset > bytes.size() - size) {
        return 0;
    }
    std::uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i) {
        value = (value << 8) | static_cast<std::uint8_t>(bytes.at(offset + i));
    }
    return value;
}
std::uint32_t le32(const QByteArray& bytes, qsizetype offset) {
    return leField(bytes, offset, 4);
}
std::uint32_t le16(const QByteArray& bytes, qsizetype offset) {
    return leField(bytes, offset, 2);
}

// The BMP header: the size against the limits, the pixel data's offset, and, where the pixel data has a
// fixed size (no run-length coding), that it is all there. Qt's BMP reader fills what the file lacks
// with black and reports success, so a truncated file would load as a partly black image.
Status checkBmpHeader(const QByteArray& bytes, const QString& name, qint64 maxPixels) {
    const QString bmp = QStringLiteral("bmp");
    if (bytes.size() < 26) {
        return corruptImageStatus(name, bmp, QStringLiteral("ヘッダーが途中で終わっています"));
    }
    const qint64 pixelOffset = le32(bytes, 10);
    const std::uint32_t headerSize = le32(bytes, 14);
    qint64 width = 0;
    qint64 height = 0;
    std::uint32_t bitCount = 0;
    std::uint32_t compression = 0;
    if (headerSize == 12) {
        width = le16(bytes, 18);
        height = le16(bytes, 20);
        bitCount = le16(bytes, 24);
    } else if (headerSize >= 40) {
        if (bytes.size() < 34) {
            return corruptImageStatus(name, bmp, QStringLiteral("ヘッダーが途中で終わっています"));
        }
        width = static_cast<std::int32_t>(le32(bytes, 18));
        height = static_cast<std::int32_t>(le32(bytes, 22));
        bitCount = le16(bytes, 28);
        compression = le32(bytes, 30);
    } else {
        return corruptImageStatus(name, bmp, QStringLiteral("ヘッダーの大きさが正しくありません"));
    }
    // A size over the limits is reported as such, even when the file holds no pixels for it.
    if (width != 0 && height != 0 &&
        (std::abs(width) > kMaxImageSide || std::abs(height) > kMaxImageSide ||
         std::abs(width) * std::abs(height) > maxPixels)) {
        return imageTooLargeStatus(name,
                                   QSize(static_cast<int>(std::min<qint64>(std::abs(width), INT_MAX)),
                                         static_cast<int>(std::min<qint64>(std::abs(height), INT_MAX))));
    }
    if (pixelOffset > bytes.size() || pixelOffset < 14 + qint64{headerSize}) {
        return corruptImageStatus(name, bmp, QStringLiteral("画像データの位置が正しくありません"));
    }
    constexpr std::uint32_t kRgb = 0;
    constexpr std::uint32_t kBitFields = 3;
    constexpr std::uint32_t kAlphaBitFields = 6;
    if (compression != kRgb && compression != kBitFields && compression != kAlphaBitFields) {
        return Status::success();
    }
    const qint64 rowBytes = (std::abs(width) * bitCount + 31) / 32 * 4;
    if (rowBytes * std::abs(height) > bytes.size() - pixelOffset) {
        return corruptImageStatus(name, bmp, QStringLiteral("画像データが途中で終わっています"));
    }
    return Status::success();
}

// The PNG reader looks at the size only after reading every chunk up to the image data; the size in
// IHDR (always the first chunk) is checked at once, so an oversized image is reported as such.
Status checkPngHeader(const QByteArray& bytes, const QString& name, qint64 maxPixels) {
    if (bytes.size() < 24 || bytes.mid(12, 4) != "IHDR") {
        return Status::success();
    }
    const auto be32 = [&](qsizetype offset) {
        const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.constData()) + offset;
        return (qint64{p[0]} << 24) | (qint64{p[1]} << 16) | (qint64{p[2]} << 8) | qint64{p[3]};
    };
    const qint64 width = be32(16);
    const qint64 height = be32(20);
    if (width != 0 && height != 0 &&
        (width > kMaxImageSide || height > kMaxImageSide || width * height > maxPixels)) {
        return imageTooLargeStatus(name, QSize(static_cast<int>(std::min<qint64>(width, INT_MAX)),
                                               static_cast<int>(std::min<qint64>(height, INT_MAX))));
    }
    return Status::success();
}

// Qt widens the 5- and 6-bit channels of 16-bit BMP files by shifting, so that their white comes out
// as (248, 252, 248). The program widens such channels to the full range everywhere else (31 → 255), so
// the decoded channels are widened again the same way: c = value >> (8 − bits), then c × 255 / top,
// rounded. Masks are read from the file (5-5-5 without them).
void widenSixteenBitBmp(const QByteArray& bytes, QImage& image) {
    if (bytes.size() < 34 || le32(bytes, 14) < 40 || le16(bytes, 28) != 16) {
        return;
    }
    constexpr std::uint32_t kBitFields = 3;
    std::array<std::uint32_t, 3> masks = {0x7C00, 0x03E0, 0x001F};
    if (le32(bytes, 30) == kBitFields && bytes.size() >= 66) {
        masks = {le32(bytes, 54), le32(bytes, 58), le32(bytes, 62)};
    }
    std::array<std::array<std::uint8_t, 256>, 3> tables{};
    for (std::size_t c = 0; c < 3; ++c) {
        const int bits = std::popcount(masks[c]);
        for (unsigned v = 0; v < 256; ++v) {
            if (bits == 0 || bits >= 8) {
                tables[c][v] = static_cast<std::uint8_t>(v);
                continue;
            }
            const unsigned top = (1u << bits) - 1;
            const unsigned level = v >> (8 - bits);
            tables[c][v] = static_cast<std::uint8_t>((level * 510 + top) / (2 * top));
        }
    }
    const int width = image.width();
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const QRgb p = row[x];
            row[x] = qRgba(tables[0][static_cast<std::size_t>(qRed(p))],
                           tables[1][static_cast<std::size_t>(qGreen(p))],
                           tables[2][static_cast<std::size_t>(qBlue(p))], qAlpha(p));
        }
    }
}

struct Decoded {
    Buffer<std::uint8_t> storage;
    QImage image;
    QString format;
    bool hasAlpha = false; // false when the decoder said every pixel is opaque
};

Status decodeWithQt(const QByteArray& bytes, const QString& name, const QString& format, qint64 maxPixels,
                    Decoded& out) {
    if (format == QLatin1String("bmp")) {
        if (Status checked = checkBmpHeader(bytes, name, maxPixels); !checked) {
            return checked;
        }
    }
    if (format == QLatin1String("png")) {
        if (Status checked = checkPngHeader(bytes, name, maxPixels); !checked) {
            return checked;
        }
    }
    const bool tiff = format == QLatin1String("tiff");
    if (tiff) {
        // CMYK files are converted here; any other TIFF goes to Qt's reader, whose libtiff messages become
        // the reason of a failure instead of lines on stderr.
        if (std::optional<Status> cmyk = decodeCmykTiff(bytes, name, maxPixels, out.storage, out.image)) {
            if (*cmyk) {
                out.format = format;
                out.hasAlpha = false;
            }
            return *cmyk;
        }
        takeTiffError();
    }
    raiseReaderAllocationLimit();
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    // The format is named and detection is off, so no other installed image plugin ever sees the bytes.
    QImageReader reader(&buffer, format.toLatin1());
    reader.setAutoDetectImageFormat(false);
    reader.setDecideFormatFromContent(false);
    reader.setAutoTransform(false);
    if (!reader.canRead()) {
        if (reader.error() == QImageReader::UnsupportedFormatError) {
            return Status::failure(
                fileMessage(name, QStringLiteral("を読み込めません（%1 形式を読む部品が見つかりません）")
                                      .arg(format.toUpper())));
        }
        return corruptImageStatus(name, format, tiff ? takeTiffError() : QString());
    }
    QSize size = reader.size();
    if (format == QLatin1String("bmp") && size.height() < 0) {
        // A top-down BMP stores its height negated, and Qt's reader reports the size as stored.
        size.setHeight(-size.height());
    }
    if (!size.isValid() || size.isEmpty()) {
        return corruptImageStatus(name, format, QStringLiteral("画像の大きさを読めません"));
    }
    if (!withinImageLimits(size, maxPixels)) {
        return imageTooLargeStatus(name, size);
    }
    // Decoders of RGB32 and ARGB32 images write into an image of the right size and format that they are
    // given; ours gets large pages, which spares most of the page faults of a first touch.
    QImage image;
    const QImage::Format decoded = reader.imageFormat();
    if (decoded == QImage::Format_RGB32 || decoded == QImage::Format_ARGB32) {
        image = imageOnNewBuffer(size, decoded, out.storage);
    }
    if (!reader.read(&image) || image.isNull()) {
        // The reader says no more than that it failed; when a picture of this size cannot even be
        // allocated, memory is what ran out.
        if (QImage(size, QImage::Format_ARGB32).isNull()) {
            return imageOutOfMemoryStatus(name);
        }
        return corruptImageStatus(name, format, tiff ? takeTiffError() : QString());
    }
    if (!withinImageLimits(image.size(), maxPixels)) {
        return imageTooLargeStatus(name, image.size());
    }
    out.hasAlpha = image.hasAlphaChannel();
    if (image.format() == QImage::Format_RGB32 && out.storage && image.constBits() == out.storage.get()) {
        // Opaque pixels 0xFFRRGGBB are ARGB32 pixels already: the decoded buffer is relabelled, not copied.
        image = QImage(out.storage.get(), image.width(), image.height(), image.bytesPerLine(),
                       QImage::Format_ARGB32);
    }
    image.convertTo(QImage::Format_ARGB32);
    if (format == QLatin1String("bmp")) {
        widenSixteenBitBmp(bytes, image);
    }
    if (image.isNull() || image.format() != QImage::Format_ARGB32) {
        return imageOutOfMemoryStatus(name);
    }
    out.image = std::move(image);
    out.format = format;
    return Status::success();
}

// 8-bit PNG files go through our own reader, straight into a buffer that a surface can take over; the
// kinds it declines (16-bit and sub-byte samples, interlacing, ...) go on to Qt's reader. `handled` is
// false when it declined.
// `writable`, when not null, is the bytes' own storage, which the reader may use as working space (it
// puts every byte back).
Status decodePng(const QByteArray& bytes, std::uint8_t* writable, const QString& name, qint64 maxPixels,
                 Decoded& out, bool& handled) {
    handled = true;
    if (Status checked = checkPngHeader(bytes, name, maxPixels); !checked) {
        return checked;
    }
    PngImage png;
    const auto size = static_cast<std::size_t>(bytes.size());
    const PngResult result =
        writable != nullptr
            ? readPngInPlace({writable, size}, png, maxPixels)
            : readPng({reinterpret_cast<const std::uint8_t*>(bytes.constData()), size}, png, maxPixels);
    const QString format = QStringLiteral("png");
    switch (result.outcome) {
    case PngOutcome::Decoded:
        out.storage = std::move(png.pixels);
        out.image =
            QImage(out.storage.get(), png.width, png.height, qsizetype{4} * png.width, QImage::Format_ARGB32);
        out.format = format;
        // Only a pixel below full alpha needs a key colour; an opaque image needs none either way.
        out.hasAlpha = png.translucent;
        return Status::success();
    case PngOutcome::Corrupt:
        return corruptImageStatus(name, format, result.reason);
    case PngOutcome::TooLarge:
        return imageTooLargeStatus(name, QSize(png.width, png.height));
    case PngOutcome::OutOfMemory:
        return imageOutOfMemoryStatus(name);
    case PngOutcome::Declined:
        break;
    }
    handled = false;
    return Status::success();
}

Status decode(const QByteArray& bytes, const QString& name, qint64 maxPixels, Decoded& out,
              std::uint8_t* writable = nullptr) {
    if (bytes.isEmpty()) {
        return Status::failure(fileMessage(name, QStringLiteral("は空のファイルです")));
    }
    const QString format = formatFromContent(bytes);
    if (format.isEmpty()) {
        return Status::failure(fileMessage(
            name, QStringLiteral("の内容は JPEG、GIF、BMP、PNG、TIFF のどの画像でもないため読み込めません")));
    }
    if (format == QLatin1String("gif")) {
        out.format = format;
        out.hasAlpha = true;
        return decodeGif(bytes, name, out.image, maxPixels);
    }
    if (format == QLatin1String("png")) {
        bool handled = false;
        if (Status status = decodePng(bytes, writable, name, maxPixels, out, handled); !status || handled) {
            return status;
        }
    }
    return decodeWithQt(bytes, name, format, maxPixels, out);
}

// Pixel helpers on Format_ARGB32 words (0xAARRGGBB).
ColorRef colorOf(QRgb pixel) {
    return makeColor(static_cast<std::uint8_t>(qRed(pixel)), static_cast<std::uint8_t>(qGreen(pixel)),
                     static_cast<std::uint8_t>(qBlue(pixel)));
}
QRgb withColor(ColorRef color, QRgb alphaFrom) {
    return (alphaFrom & 0xFF000000u) | (QRgb{redOf(color)} << 16) | (QRgb{greenOf(color)} << 8) |
           blueOf(color);
}

template <class F>
void forEachPixel(QImage& image, F&& f) {
    const int width = image.width();
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            f(row[x]);
        }
    }
}

bool allOpaque(const QImage& image) {
    const int width = image.width();
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < width; ++x) {
            if (qAlpha(row[x]) != 255) {
                return false;
            }
        }
    }
    return true;
}

// What drawing the image over the opaque colour of its pixel (0, 0) shows; every pixel becomes opaque.
void compositeOverFirstPixel(QImage& image) {
    const QRgb background = image.pixel(0, 0);
    const std::array<unsigned, 3> under = {static_cast<unsigned>(qRed(background)),
                                           static_cast<unsigned>(qGreen(background)),
                                           static_cast<unsigned>(qBlue(background))};
    forEachPixel(image, [&](QRgb& p) {
        const auto a = static_cast<unsigned>(qAlpha(p));
        const std::array<unsigned, 3> over = {static_cast<unsigned>(qRed(p)),
                                              static_cast<unsigned>(qGreen(p)),
                                              static_cast<unsigned>(qBlue(p))};
        unsigned out[3];
        for (std::size_t c = 0; c < 3; ++c) {
            out[c] = (over[c] * a + under[c] * (255 - a) + 127) / 255;
        }
        p = qRgb(static_cast<int>(out[0]), static_cast<int>(out[1]), static_cast<int>(out[2]));
    });
}

const QRgb* firstTransparentPixel(const QImage& image) {
    const int width = image.width();
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < width; ++x) {
            if (qAlpha(row[x]) == 0) {
                return row + x;
            }
        }
    }
    return nullptr;
}

constexpr ColorRef kSubstituteWhite = makeColor(255, 247, 255);
constexpr ColorRef kSubstituteBlack = makeColor(0, 8, 0);

// Below 24 bits a white or black key would swallow the pixels that narrow to the same 5-6-5 word, so
// near-white and near-black pixels are moved away from it, and any other key colour is replaced by white
// (which 5-6-5 shows exactly). Returns the key colour to use.
ColorRef adjustForSixteenBits(QImage& image, ColorRef key) {
    const auto near = [](QRgb p, int low, int high) {
        return qRed(p) >= low && qRed(p) <= high && qGreen(p) >= low && qGreen(p) <= high &&
               qBlue(p) >= low && qBlue(p) <= high;
    };
    if (key == kWhite) {
        forEachPixel(image, [&](QRgb& p) {
            if (colorOf(p) != kWhite && near(p, 240, 255)) {
                p = withColor(kSubstituteWhite, p);
            }
        });
        return key;
    }
    if (key == kBlack) {
        forEachPixel(image, [&](QRgb& p) {
            if (colorOf(p) != kBlack && near(p, 0, 15)) {
                p = withColor(kSubstituteBlack, p);
            }
        });
        return key;
    }
    forEachPixel(image, [&](QRgb& p) {
        if (qAlpha(p) == 0) {
            p = withColor(kWhite, p);
        } else if (colorOf(p) == kWhite) {
            p = withColor(kSubstituteWhite, p);
        }
    });
    return kWhite;
}

// Resolves every pixel against the key colour: fully transparent pixels take it; half-transparent ones
// are mixed with it by their alpha (in single precision, truncated); an opaque pixel that the surface
// would show as the key colour gets green moved by 8 (up when the key's green is below 8), so that no
// opaque pixel is drawn transparent. On a 16-bit surface "shows as" means "stores the same 5-6-5 word":
// after the 16-bit adjustments the key is white or black, and a near-white pixel that the adjustments
// leave alone can still narrow to white. Alpha values stay.
void resolveAgainstKey(QImage& image, ColorRef key, int displayBits) {
    const std::array<float, 3> keyChannel = {static_cast<float>(redOf(key)), static_cast<float>(greenOf(key)),
                                             static_cast<float>(blueOf(key))};
    const int keyGreen = greenOf(key);
    const ColorRef avoidingKey = makeColor(
        redOf(key), static_cast<std::uint8_t>(keyGreen < 8 ? keyGreen + 8 : keyGreen - 8), blueOf(key));
    // A 16-bit surface stores the top 5, 6 and 5 bits of each channel (see toBitmap()).
    const bool sixteenBits = displayBits < 24;
    const auto stored565 = [](ColorRef c) {
        return pack565(redOf(c) >> 3u, greenOf(c) >> 2u, blueOf(c) >> 3u);
    };
    const std::uint16_t keyWord = stored565(key);
    const auto showsAsKey = [&](ColorRef c) {
        return sixteenBits ? stored565(c) == keyWord : c == key;
    };

    forEachPixel(image, [&](QRgb& p) {
        const int a = qAlpha(p);
        if (a == 0) {
            p = withColor(key, p);
            return;
        }
        if (a != 255) {
            const float w = static_cast<float>(a) / 255.0f;
            const float denominator = (w + 1.0f) - w;
            const std::array<float, 3> c = {static_cast<float>(qRed(p)), static_cast<float>(qGreen(p)),
                                            static_cast<float>(qBlue(p))};
            int mixed[3];
            for (std::size_t i = 0; i < 3; ++i) {
                const float value = (c[i] * w + keyChannel[i] * (1.0f - w)) / denominator;
                mixed[i] = std::clamp(static_cast<int>(value), 0, 255);
            }
            p = qRgba(mixed[0], mixed[1], mixed[2], a);
            return;
        }
        if (showsAsKey(colorOf(p))) {
            p = withColor(avoidingKey, p);
        }
    });
}

// The key colour and the transparency resolution of a decoded image.
void applyKeyColour(Decoded& decoded, const QByteArray& bytes, int displayBits, LoadedImage& out) {
    QImage& image = decoded.image;
    out.keyColor = kNoColor;
    if (decoded.format == QLatin1String("bmp")) {
        ColorRef key = kNoColor;
        if (ReadBmpKeyColour(bytes, key)) {
            out.keyColor = key;
        } else if (decoded.hasAlpha && !allOpaque(image)) {
            compositeOverFirstPixel(image);
        }
        out.image = std::move(image);
        return;
    }
    if (!decoded.hasAlpha) {
        out.image = std::move(image);
        return;
    }
    const QRgb* first = firstTransparentPixel(image);
    if (first == nullptr) {
        if (!allOpaque(image)) {
            compositeOverFirstPixel(image);
        }
        out.image = std::move(image);
        return;
    }
    ColorRef key = colorOf(*first);
    ColorRef pngKey = kNoColor;
    if (decoded.format == QLatin1String("png") && CPNGSub::ReadPngKeyColour(bytes, pngKey) &&
        pngKey != kNoColor && pngKey != key) {
        key = pngKey;
    }
    if (displayBits < 24) {
        key = adjustForSixteenBits(image, key);
    }
    resolveAgainstKey(image, key, displayBits);
    out.keyColor = key;
    out.image = std::move(image);
}

} // namespace

Status decodeImageBytes(const QByteArray& bytes, const QString& name, QImage& out, qint64 maxPixels) {
    Decoded decoded;
    if (Status status = decode(bytes, name, maxPixels, decoded); !status) {
        return status;
    }
    // An image over the decode buffer must not outlive it: hand out a copy that owns its pixels.
    out = decoded.storage ? decoded.image.copy() : std::move(decoded.image);
    return Status::success();
}

namespace {

// loadImageBytes(), where `writable` (may be null) is the bytes' own storage, which a decoder may use as
// working space as long as it puts the bytes back.
Status loadBytes(const QByteArray& bytes, std::uint8_t* writable, const QString& name, int displayBits,
                 LoadedImage& out, qint64 maxPixels) {
    Decoded decoded;
    if (Status status = decode(bytes, name, maxPixels, decoded, writable); !status) {
        return status;
    }
    out.document = decoded.hasAlpha ? readContainer(decoded.image) : std::nullopt;
    out.storage = std::move(decoded.storage);
    applyKeyColour(decoded, bytes, displayBits, out);
    return Status::success();
}

} // namespace

Status loadImageBytes(const QByteArray& bytes, const QString& name, int displayBits, LoadedImage& out,
                      qint64 maxPixels) {
    return loadBytes(bytes, nullptr, name, displayBits, out, maxPixels);
}

Status LoadImageFile(const QString& path, const QString& format, int displayBits, LoadedImage& out) {
    if (!isImageFormat(format.toLower())) {
        return Status::failure(fileMessage(
            path,
            QStringLiteral("は画像ファイルではありません（読み込めるのは JPEG、GIF、BMP、PNG、TIFF です）")));
    }
    QByteArray bytes;
    Buffer<char> storage;
    if (Status read = readWholeFile(path, storage, bytes, kMaxImageFileBytes); !read) {
        return read;
    }
    return loadBytes(bytes, reinterpret_cast<std::uint8_t*>(storage.get()), path, displayBits, out,
                     kMaxImagePixels);
}

Status decodeImageFile(const QString& path, QImage& out) {
    QByteArray bytes;
    if (Status read = readWholeFile(path, bytes, kMaxImageFileBytes); !read) {
        return read;
    }
    return decodeImageBytes(bytes, path, out);
}

DeviceBitmap takeSurface(LoadedImage& loaded, int bitsPerPixel) {
    QImage& image = loaded.image;
    const bool ownBuffer = loaded.storage && image.constBits() == loaded.storage.get();
    if (bitsPerPixel != 32 || !ownBuffer || image.bytesPerLine() != qsizetype{4} * image.width() ||
        (image.format() != QImage::Format_RGB32 && image.format() != QImage::Format_ARGB32)) {
        return toBitmap(image, bitsPerPixel);
    }
    // B, G, R stay where they are; the fourth byte, alpha in the image, is 0 on a surface.
    const int width = image.width();
    const int height = image.height();
    std::uint8_t* pixels = loaded.storage.get();
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    // Whole words masked, which the compiler turns into vector code (a store to every fourth byte
    // stays one byte at a time).
    constexpr std::uint32_t kColourBytes =
        std::endian::native == std::endian::little ? 0x00FFFFFFu : 0xFFFFFF00u;
    for (std::size_t i = 0; i < count; ++i) {
        std::uint32_t word = 0;
        std::memcpy(&word, pixels + 4 * i, 4);
        word &= kColourBytes;
        std::memcpy(pixels + 4 * i, &word, 4);
    }
    image = QImage();
    return DeviceBitmap::adopt(std::move(loaded.storage), width, height, 32);
}

bool renderImage(const QImage& image, DeviceBitmap& surface) {
    if (image.isNull() || surface.isNull()) {
        return false;
    }
    const QImage source = image.format() == QImage::Format_ARGB32 || image.format() == QImage::Format_RGB32
                              ? image
                              : image.convertToFormat(QImage::Format_ARGB32);
    if (source.isNull()) {
        return false;
    }
    const int width = surface.width();
    const int height = surface.height();
    const int bits = surface.bitsPixel();
    constexpr qint64 kBandBytes = qint64{8} << 20;
    constexpr qint64 kStretchBytes = qint64{32} << 20;

    // A band of rows of a 32-bit image, converted to the surface's format and copied into it at row y.
    const auto copyBand = [&](const std::uint8_t* rows, qsizetype stride, int y, int rowCount) {
        const QImage band(rows, width, rowCount, stride, QImage::Format_ARGB32);
        const DeviceBitmap converted = toBitmap(band, bits);
        return !converted.isNull() && bitBlt(surface, 0, y, converted);
    };

    if (source.size() == QSize(width, height)) {
        surface.assignArgb32(source.constBits(), source.bytesPerLine(), /*keepAlpha=*/false);
        return true;
    }

    // Scaled: the whole image in 32 bits once, then the surface band by band. Each band is the part of
    // one stretch over the whole surface that falls inside it, so the bands join seamlessly; the
    // stretch's intermediate rows are bounded by the source rows one band reads.
    const DeviceBitmap natural = toBitmap(source, 32);
    if (natural.isNull()) {
        return false;
    }
    const qint64 sourceRowsPerBand = std::max<qint64>(3, kStretchBytes / (qint64{8} * width));
    qint64 bandRows = std::max<qint64>(1, kBandBytes / (qint64{4} * width));
    bandRows = std::min(bandRows, std::max<qint64>(1, (sourceRowsPerBand - 2) * height / source.height()));
    bandRows = std::min<qint64>(bandRows, height);
    DeviceBitmap band = DeviceBitmap::create(width, static_cast<int>(bandRows), 32);
    if (band.isNull()) {
        return false;
    }
    const IntRect sourceRect{0, 0, source.width(), source.height()};
    for (int y = 0; y < height; y += static_cast<int>(bandRows)) {
        const int rowCount = std::min(static_cast<int>(bandRows), height - y);
        if (!stretchBlt(band, {0, -y, width, height}, natural, sourceRect)) {
            return false;
        }
        const bool copied = bits == 32 ? bitBlt(surface, 0, y, width, rowCount, band, 0, 0)
                                       : copyBand(band.row(0), band.widthBytes(), y, rowCount);
        if (!copied) {
            return false;
        }
    }
    return true;
}

} // namespace corvane
