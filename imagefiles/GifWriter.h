#pragma once

#include "platform/Allocation.h"
#include "platform/Status.h"

#include <QByteArray>
#include <QImage>
#include <QString>

#include <array>
#include <cstdint>

namespace corvane {

// An image of at most 256 colours: one palette index per pixel, rows top to bottom without padding.
struct PalettedImage {
    int width = 0;
    int height = 0;
    std::array<QRgb, 256> palette{}; // 0xAARRGGBB; entries past `colorCount` are 0
    int colorCount = 0;              // entries in use, the transparent one included
    int transparentIndex = -1;       // the entry of pixels with alpha 0, or -1
    Buffer<std::uint8_t> indices;

    bool isNull() const { return !indices; }
    const std::uint8_t* row(int y) const {
        return indices.get() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
    }
};

// The image reduced to at most `maxColors` (2 … 256) colours without dithering. An image that has no
// more colours than that keeps them exactly (palette in order of first appearance); otherwise
// libimagequant makes the palette (from a sample of the pixels of images over 2 megapixels) and every
// pixel takes its nearest entry (squared RGB distance, first entry on ties). With `keepTransparency`,
// pixels with alpha 0 share one extra entry (colour 0, alpha 0; it counts towards `maxColors`) and every
// other pixel counts as opaque; without it alpha is ignored. Null when the image is null or memory runs
// out.
PalettedImage quantizeImage(const QImage& image, int maxColors, bool keepTransparency);

// The bytes of a GIF89a file of the image, quantised to at most 256 colours, with a graphic control
// extension right after the global colour table; pixels with alpha 0 become its transparent index when
// the image has any. Empty when the image is null, a side exceeds 65535 pixels or memory runs out.
QByteArray encodeGif(const QImage& image);

// The image's colours reduced to 256 exactly as encodeGif() stores an opaque image (alpha ignored), as
// Format_RGB32. Null when the image is null or memory runs out.
QImage quantizeTo256Colors(const QImage& image);

// GIF palette patching.
class CGIFSub {
public:
    // Makes the palette entry nearest to (255, 247, 255) (sum of absolute channel differences, first
    // entry on ties) the transparent colour of the file's graphic control extension, which must follow
    // the global colour table, or the screen descriptor when only the first image has a local table.
    // The file is read whole, patched in memory and written back atomically. A failure (no colour
    // table, no extension where one must be, a truncated file, a read or write error) names the file
    // and leaves it byte-identical.
    static Status MarkGifTransparent(const QString& path);

    // The same on the bytes; false (bytes unchanged) when they cannot be patched. Never reads or writes
    // outside the array.
    static bool markGifTransparent(QByteArray& file);
};

} // namespace corvane
