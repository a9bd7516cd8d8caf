#pragma once

#include "platform/DeviceBitmap.h"
#include "platform/Status.h"

#include <QByteArray>
#include <QString>

namespace corvane {

enum class BmpCompression { Rgb, Rle4, Rle8, Bitfields };

// The bytes of a BMP file of the surface at `bitCount` bits (1, 4, 8, 16, 24 or 32) with `compression`
// (Rgb for 1, 4, 8 and 24 bits; Rle4 with 4; Rle8 with 8; Bitfields with 16 and 32): a 14-byte file
// header, a 40-byte info header with its colour table (2, 16 or 256 entries) or three masks, and bottom-up
// rows padded to four bytes (or the run-length data). Empty when the combination is not one of these or
// memory runs out.
QByteArray encodeBmp(const DeviceBitmap& bitmap, int bitCount, BmpCompression compression);

// Writes encodeBmp() to `path` atomically: a failure leaves an existing file as it was.
Status WriteBmpFile(const DeviceBitmap& bitmap, const QString& path, int bitCount,
                    BmpCompression compression);

} // namespace corvane
