#include "imagefiles/TiffSupport.h"

#include "imagefiles/ImageConversion.h"
#include "imagefiles/ImageFormat.h"

#include <tiffio.h>

#include <algorithm>
#include <climits>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>

namespace corvane {

namespace {

thread_local std::string t_lastError;

void keepError(const char* module, const char* format, va_list arguments) {
    char text[512];
    std::vsnprintf(text, sizeof text, format, arguments);
    t_lastError =
        module != nullptr && *module != '\0' ? std::string(module) + ": " + text : std::string(text);
}

// The TIFF file in memory, for libtiff's client interface (read only).
struct MemoryFile {
    const char* data = nullptr;
    toff_t size = 0;
    toff_t position = 0;
};

tsize_t readMemory(thandle_t handle, tdata_t buffer, tsize_t count) {
    auto* file = static_cast<MemoryFile*>(handle);
    if (count <= 0 || file->position >= file->size) {
        return 0;
    }
    const toff_t n = std::min<toff_t>(static_cast<toff_t>(count), file->size - file->position);
    std::memcpy(buffer, file->data + file->position, n);
    file->position += n;
    return static_cast<tsize_t>(n);
}

tsize_t writeNothing(thandle_t, tdata_t, tsize_t) {
    return 0;
}

toff_t seekMemory(thandle_t handle, toff_t offset, int whence) {
    auto* file = static_cast<MemoryFile*>(handle);
    toff_t base = 0;
    if (whence == SEEK_CUR) {
        base = file->position;
    } else if (whence == SEEK_END) {
        base = file->size;
    }
    // Offsets are unsigned: a negative move wraps, and a position past the end only makes reads empty.
    file->position = base + offset;
    return file->position;
}

int closeNothing(thandle_t) {
    return 0;
}

toff_t memorySize(thandle_t handle) {
    return static_cast<MemoryFile*>(handle)->size;
}

int mapMemory(thandle_t handle, tdata_t* base, toff_t* size) {
    auto* file = static_cast<MemoryFile*>(handle);
    *base = const_cast<char*>(file->data);
    *size = file->size;
    return 1;
}

void unmapNothing(thandle_t, tdata_t, toff_t) {}

struct TiffCloser {
    void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};

QString failureReason() {
    const QString error = takeTiffError();
    return error.isEmpty() ? QString() : error;
}

std::uint8_t toByte(double value) {
    return static_cast<std::uint8_t>(std::clamp(value, 0.0, 255.0) + 0.5);
}

// 16-bit CMYK samples to 8-bit RGB: each channel is (1 − ink) × (1 − black), as libtiff converts 8-bit
// CMYK, rounded to 8 bits.
QRgb cmyk16ToRgb(std::uint16_t c, std::uint16_t m, std::uint16_t y, std::uint16_t k) {
    const double white = (65535.0 - k) / 65535.0;
    return qRgb(toByte((65535.0 - c) * white / 257.0), toByte((65535.0 - m) * white / 257.0),
                toByte((65535.0 - y) * white / 257.0));
}

// Reads a 16-bit CMYK image strip by strip into `image` (Format_ARGB32 of its size). With the inks in
// planes, the same strip of each of the four planes is read. False when a strip is damaged (libtiff has
// said why) or memory runs out.
bool readCmyk16Strips(TIFF* tiff, std::uint32_t width, std::uint32_t height, std::uint16_t samples,
                      bool contiguous, QImage& image) {
    std::uint32_t rowsPerStrip = 0;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
    rowsPerStrip = std::clamp<std::uint32_t>(rowsPerStrip, 1, height);
    const std::uint32_t strips = (height + rowsPerStrip - 1) / rowsPerStrip;
    const tmsize_t stripBytes = TIFFStripSize(tiff);
    const std::size_t perPixel = contiguous ? samples : 1;
    const std::size_t valuesPerStrip = static_cast<std::size_t>(rowsPerStrip) * width * perPixel;
    if (stripBytes <= 0 || static_cast<std::size_t>(stripBytes) < valuesPerStrip * 2) {
        return false;
    }
    const std::size_t planes = contiguous ? 1 : 4;
    Buffer<std::uint16_t> buffer = allocateBuffer<std::uint16_t>(planes * valuesPerStrip);
    if (!buffer) {
        return false;
    }
    for (std::uint32_t strip = 0; strip < strips; ++strip) {
        for (std::size_t plane = 0; plane < planes; ++plane) {
            const auto index = static_cast<std::uint32_t>(plane * strips + strip);
            if (TIFFReadEncodedStrip(tiff, index, buffer.get() + plane * valuesPerStrip,
                                     static_cast<tmsize_t>(valuesPerStrip * 2)) < 0) {
                return false;
            }
        }
        const std::uint32_t first = strip * rowsPerStrip;
        const std::uint32_t rows = std::min(rowsPerStrip, height - first);
        for (std::uint32_t r = 0; r < rows; ++r) {
            auto* out = reinterpret_cast<QRgb*>(image.scanLine(static_cast<int>(first + r)));
            const std::uint16_t* line = buffer.get() + static_cast<std::size_t>(r) * width * perPixel;
            for (std::uint32_t x = 0; x < width; ++x) {
                if (contiguous) {
                    const std::uint16_t* p = line + static_cast<std::size_t>(x) * samples;
                    out[x] = cmyk16ToRgb(p[0], p[1], p[2], p[3]);
                } else {
                    out[x] = cmyk16ToRgb(line[x], line[valuesPerStrip + x], line[2 * valuesPerStrip + x],
                                         line[3 * valuesPerStrip + x]);
                }
            }
        }
    }
    return true;
}

} // namespace

void routeTiffMessages() {
    static std::once_flag once;
    std::call_once(once, [] {
        TIFFSetWarningHandler(nullptr);
        TIFFSetErrorHandler(keepError);
    });
}

QString takeTiffError() {
    QString error = QString::fromLocal8Bit(t_lastError.c_str());
    t_lastError.clear();
    return error;
}

std::optional<Status> decodeCmykTiff(const QByteArray& bytes, const QString& name, qint64 maxPixels,
                                     Buffer<std::uint8_t>& storage, QImage& out) {
    routeTiffMessages();
    takeTiffError();
    MemoryFile file{bytes.constData(), static_cast<toff_t>(bytes.size()), 0};
    const std::unique_ptr<TIFF, TiffCloser> tiff(TIFFClientOpen("tiff", "rm", &file, readMemory, writeNothing,
                                                                seekMemory, closeNothing, memorySize,
                                                                mapMemory, unmapNothing));
    std::uint16_t photometric = 0;
    if (!tiff || TIFFGetField(tiff.get(), TIFFTAG_PHOTOMETRIC, &photometric) != 1 ||
        photometric != PHOTOMETRIC_SEPARATED) {
        takeTiffError();
        return std::nullopt;
    }
    const QString format = QStringLiteral("tiff");
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint16_t bits = 0;
    std::uint16_t samples = 0;
    std::uint16_t planar = 0;
    std::uint16_t inks = 0;
    TIFFGetField(tiff.get(), TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tiff.get(), TIFFTAG_IMAGELENGTH, &height);
    TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_PLANARCONFIG, &planar);
    TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_INKSET, &inks);
    const QSize size(static_cast<int>(std::min<std::uint32_t>(width, INT32_MAX)),
                     static_cast<int>(std::min<std::uint32_t>(height, INT32_MAX)));
    if (size.isEmpty()) {
        return corruptImageStatus(name, format, QStringLiteral("画像の大きさを読めません"));
    }
    if (!withinImageLimits(size, maxPixels)) {
        return imageTooLargeStatus(name, size);
    }
    const auto unsupported = [&] {
        return Status::failure(fileMessage(
            name, QStringLiteral("は対応していない種類の TIFF です（%1 ビット、%2 チャンネルの CMYK%3）")
                      .arg(bits)
                      .arg(samples)
                      .arg(TIFFIsTiled(tiff.get()) != 0 ? QStringLiteral("、タイル") : QString())));
    };
    if (inks != INKSET_CMYK || samples < 4) {
        return unsupported();
    }
    QImage image = imageOnNewBuffer(size, QImage::Format_ARGB32, storage);
    if (image.isNull()) {
        return imageOutOfMemoryStatus(name);
    }
    char message[1024] = {};
    if (bits == 8 && TIFFRGBAImageOK(tiff.get(), message) != 0) {
        // libtiff's own conversion; its raster holds A, B, G, R from the low byte, as rows of the width.
        auto* raster = reinterpret_cast<std::uint32_t*>(image.bits());
        static_assert(sizeof(QRgb) == sizeof(std::uint32_t));
        if (TIFFReadRGBAImageOriented(tiff.get(), width, height, raster, ORIENTATION_TOPLEFT, 0) != 1) {
            return corruptImageStatus(name, format, failureReason());
        }
        for (int y = 0; y < size.height(); ++y) {
            auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < size.width(); ++x) {
                const std::uint32_t abgr = row[x];
                row[x] = qRgb(static_cast<int>(TIFFGetR(abgr)), static_cast<int>(TIFFGetG(abgr)),
                              static_cast<int>(TIFFGetB(abgr)));
            }
        }
    } else if (bits == 16 && TIFFIsTiled(tiff.get()) == 0) {
        if (!readCmyk16Strips(tiff.get(), width, height, samples, planar == PLANARCONFIG_CONTIG, image)) {
            const QString reason = failureReason();
            return reason.isEmpty() ? imageOutOfMemoryStatus(name) : corruptImageStatus(name, format, reason);
        }
    } else {
        return unsupported();
    }
    takeTiffError();
    out = std::move(image);
    return Status::success();
}

} // namespace corvane
