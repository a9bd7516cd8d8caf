#pragma once

#include "platform/Allocation.h"
#include "platform/Status.h"

#include <QByteArray>
#include <QImage>
#include <QString>

#include <optional>

namespace corvane {

// libtiff (which Qt's TIFF reader uses too) writes its warnings and errors to stderr unless told
// otherwise. Once this has run, warnings are dropped and errors are kept, per thread, for the decoder to
// give as the reason of a failure. Idempotent and thread-safe.
void routeTiffMessages();
// The last libtiff error of this thread since the last call, and the record cleared; empty when none.
QString takeTiffError();

// CMYK ("separated") TIFFs, which Qt's reader does not convert: decoded here into Format_ARGB32 through
// libtiff, 8-bit ones as libtiff converts them, 16-bit ones with the same arithmetic at 16 bits. Empty
// (nothing done) when the bytes are no TIFF or no CMYK TIFF, so that the caller decodes them as usual; a
// failure naming the file and the reason when it is one that cannot be read (another ink set, another
// depth, tiles at 16 bits, a damaged file) or is over the limits. `storage` receives the pixels' buffer.
std::optional<Status> decodeCmykTiff(const QByteArray& bytes, const QString& name, qint64 maxPixels,
                                     Buffer<std::uint8_t>& storage, QImage& out);

} // namespace corvane
