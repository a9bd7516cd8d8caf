#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Conversion to and from the Japanese code page 932, in which stored texts (file names inside document
// containers, watermark records) are kept so that files made on Windows read the same here.
namespace corvane {

// The text in code page 932; empty when a character has no code there.
std::optional<QByteArray> toCp932(const QString& text);

// The text of code page 932 bytes; empty when the bytes are not valid code page 932.
std::optional<QString> fromCp932(const QByteArray& bytes);

} // namespace corvane
