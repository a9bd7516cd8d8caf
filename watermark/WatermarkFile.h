#pragma once

#include "platform/Status.h"
#include "watermark/WatermarkText.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <span>
#include <vector>

// Watermark layout files (extension wcd): the number of texts n as four bytes, most significant first,
// then n records of 384 bytes exactly as WatermarkText holds them. No signature and no version.
namespace corvane {

// The largest file a list can take: 100 records.
inline constexpr qint64 kWatermarkFileMaxBytes = 4 + qint64{384} * 100;

// What reading a layout gave: the texts and, for values outside their ranges that were brought into
// them, one line each. `opened` is false when the file could not be opened or read at all (the status
// then says why); a file that was read but refused has `opened` true and a failed status.
struct WatermarkFileContents {
    Status status;
    bool opened = false;
    std::vector<WatermarkText> texts;
    QStringList adjustments;
};

// The bytes of a layout file holding `texts`.
QByteArray encodeWatermarkFile(std::span<const WatermarkText> texts);

// Checks and decodes the bytes of a layout file; `path` names the file in the messages. Refused (failed
// status, no texts): fewer than 4 bytes, a count over 100, a length other than 4 + 384 × count, a text or
// face without its terminator inside its field, or one that is not valid code page 932. Sizes and shadow
// offsets outside 8 … 100 and −100 … 100 are brought into range (listed in `adjustments`); style and
// selection flags other than 0 count as 1. Boxes are left as they are (the list fits them).
WatermarkFileContents decodeWatermarkFile(const QByteArray& bytes, const QString& path);

// Reads and decodes `path`; a file longer than any layout is refused before it is read.
WatermarkFileContents readWatermarkFile(const QString& path);

// Writes the texts to `path` atomically: a failure leaves an existing file as it was.
Status writeWatermarkFile(const QString& path, std::span<const WatermarkText> texts);

} // namespace corvane
