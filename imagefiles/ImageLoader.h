#pragma once

#include "imagefiles/DocumentContainer.h"
#include "imagefiles/ImageFormat.h"
#include "platform/Color.h"
#include "platform/DeviceBitmap.h"
#include "platform/Status.h"

#include <QByteArray>
#include <QImage>
#include <QString>

#include <optional>

namespace corvane {

// Files larger than this are refused before they are read.
inline constexpr qint64 kMaxImageFileBytes = qint64{1} << 30;

// A decoded image ready to be drawn into a surface: its pixels (Format_ARGB32, not premultiplied) and the
// key colour (kNoColor when the image has none), the colour that stands for its transparent pixels.
// With a key colour, fully transparent pixels carry exactly the key colour, half-transparent pixels are
// mixed with it by their alpha, and no opaque pixel shows as the key colour in the surface format (such
// pixels get green moved by 8); alpha values stay as decoded. A BMP keeps its colours as they are (its
// key colour is the colour of its first pixel whose fourth byte is 0 or 237). Without a key colour every
// pixel is opaque: a partly transparent image is composited over the colour of its pixel (0, 0).
struct LoadedImage {
    // The pixels of `image` when the decoder wrote them into a buffer of ours (declared first, so that
    // the image goes before its buffer).
    Buffer<std::uint8_t> storage;
    QImage image;
    ColorRef keyColor = kNoColor;
    // The document its alpha values carry, read before the transparency resolution (which may replace
    // them), so that nobody has to decode the file a second time to look for one.
    std::optional<EmbeddedDocument> document;
};

// Reads and decodes an image file. `format` is the canonical name ClassifyImageExtension() gave the path
// and must be one of the five; the content is recognised by its signature (so a PNG named .jpg still
// loads, and nothing else is ever handed to a decoder). Images over the size limits are refused from
// their header, before decoding. `displayBits` is the surface format: below 24 bits, near-white and
// near-black pixels are changed so that they stay apart from a white or black key colour, and any other
// key colour becomes white. A failure names the file and the reason; `out` is then unchanged.
Status LoadImageFile(const QString& path, const QString& format, int displayBits, LoadedImage& out);

// Decodes an image file as it is, alpha included (Format_ARGB32, not premultiplied), with the same
// format and size checks (for the document reader).
Status decodeImageFile(const QString& path, QImage& out);

// The same two on bytes already in memory; `name` only names the file in messages. `maxPixels` lowers
// the pixel limit (for the fuzzer); the side limit stays.
Status decodeImageBytes(const QByteArray& bytes, const QString& name, QImage& out,
                        qint64 maxPixels = kMaxImagePixels);
Status loadImageBytes(const QByteArray& bytes, const QString& name, int displayBits, LoadedImage& out,
                      qint64 maxPixels = kMaxImagePixels);

// Draws the image into the whole of `surface` (any size and pixel format; alpha ignored): exactly when
// the sizes are equal, smoothly scaled otherwise (in 32 bits, then converted to the surface's format).
// Works in bands of rows, so the memory beyond one 32-bit copy of the image stays small. False when the
// image or the surface is null or memory runs out (the surface may then hold part of the image).
bool renderImage(const QImage& image, DeviceBitmap& surface);

// The loaded image as a surface of its own size in `bitsPerPixel`: a 32-bit surface takes the decoded
// buffer over where it can (then `loaded.image` becomes null), saving a copy of the whole image; any
// other case converts. Null when memory runs out.
DeviceBitmap takeSurface(LoadedImage& loaded, int bitsPerPixel);

} // namespace corvane
