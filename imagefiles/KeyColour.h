#pragma once

#include "platform/Color.h"

#include <QByteArray>

namespace corvane {

// The key colour of a 32-bit BMP file: the colour of the first pixel (in file order) whose fourth byte
// is 0 or 237. False when the file is no 32-bit BMP or has no such pixel (`key` unchanged). Never reads
// outside `file`.
bool ReadBmpKeyColour(const QByteArray& file, ColorRef& key);

// Reading of PNG key colours, by byte scans of the whole file.
class CPNGSub {
public:
    // The key colour of a PNG file: its bKGD colour for grey or RGB with alpha (white without bKGD), the
    // palette entry of the first non-opaque tRNS entry for palette images, else none (kNoColor). False
    // (`key` unchanged) when the file has no PNG signature or no IHDR. Chunks are found by plain byte
    // scans, and a position derived from a hit that lies outside `file` counts as not found.
    static bool ReadPngKeyColour(const QByteArray& file, ColorRef& key);
};

} // namespace corvane
