#pragma once

#include "platform/Progress.h"
#include "views/ColorStatistics.h"

#include <QString>

#include <cstdint>
#include <vector>

namespace corvane {

// What the property comparison shows of one original.
struct OriginalProperties {
    QString path;
    std::int64_t fileSize = 0;
    int width = 0;
    int height = 0;
    double distinctColors = 0;
    PureColorCounts colorCounts{};
    QString crc;
    QString md5;
    QString sha256;
};

// Fills the file size (0 when the file cannot be opened) and the digests (empty then) of `path`.
// `progress`, when given, is told (bytes digested, file size) as the digests are computed.
void readFileProperties(OriginalProperties& properties, const ProgressFn& progress = {});

// One row of the table: number, result ("合致" or "×"), label, and the two originals' values.
struct PropertyRow {
    QString number;
    QString result;
    QString label;
    QString value1;
    QString value2;
};

// The fifteen rows: file size, size, pixel count, distinct colours, the eight colour counts, SHA-256,
// MD5 and CRC; the result says whether the two value texts are equal.
std::vector<PropertyRow> buildPropertyRows(const OriginalProperties& original1,
                                           const OriginalProperties& original2);

// Commas every three digits for texts of 4 to 9 characters (a minus sign counts as one, but no comma
// directly follows it); shorter and longer texts unchanged.
QString FormatThousands(const QString& text);

} // namespace corvane
