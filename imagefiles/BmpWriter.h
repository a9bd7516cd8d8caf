#pragma once

#include "platform/DeviceBitmap.h"
#include "platform/Status.h"

#include <QByteArray>
#include <QImage>
#include <QString>

namespace corvane {

enum class BmpCompression { Rgb, Rle4, Rle8, Bitfields };

// The bytes of a BMP file of the surface at `bitCount` bits (1, 4, 8, 16, 24 or 32) with `compression`
// (Rgb for 1, 4, 8 and 24 bits; Rle4 with 4; Rle8 with 8; Bitfields with 16 and 32): a 14-byte file
// header, a 40-byte info header with its colour table (2, 16 or 256 entries) or three masks, and bottom-up
// rows padded to four bytes (or the run-length data). Info blocks are 48, 104, 1064, 52, 40 and 52 bytes;
// the pixels start right after them.
//   1 bit: black and white; a pixel is white when its luminance (0.299 R + 0.587 G + 0.114 B) is at
//          least 128.
//   4, 8 bits: a palette of at most 16 or 256 colours (exact when the surface has no more colours than
//          that, else libimagequant's, without dithering); the table always has all 16 or 256 entries.
//   16 bits: 5-6-5 masks; a 16-bit surface's words are stored as they are, 8-bit channels keep their
//          top 5, 6 and 5 bits (as a 16-bit surface made from them would).
//   24 bits: B, G, R;  32 bits: 8-8-8 masks, B, G, R and a zero fourth byte.
// Empty when the surface is null, the combination is not one of these, the file would exceed 4 GiB or
// memory runs out.
QByteArray encodeBmp(const DeviceBitmap& bitmap, int bitCount, BmpCompression compression);

// The bytes of a BMP file of an image: when the image format has an alpha channel, 32 bits with a
// BITMAPV5 header (124 bytes, sRGB) whose masks include alpha 0xFF000000, storing each pixel's colour and
// alpha unchanged (not premultiplied); otherwise 24 bits with a 40-byte header. Empty when the image is
// null, too large or memory runs out.
QByteArray encodeBmpImage(const QImage& image);

// Writes encodeBmp() to `path` atomically: a failure leaves an existing file as it was.
Status WriteBmpFile(const DeviceBitmap& bitmap, const QString& path, int bitCount,
                    BmpCompression compression);

} // namespace corvane
