#pragma once

#include "platform/Status.h"

#include <QByteArray>
#include <QSize>
#include <QString>

namespace corvane {

// Images larger than this are refused before they are decoded.
inline constexpr qint64 kMaxImagePixels = 100'000'000;
inline constexpr int kMaxImageSide = 32767;

// The canonical format name of a path by its extension, case-insensitive: "jpg"/"jpeg" → "jpeg", "gif",
// "bmp", "png", "tif"/"tiff" → "tiff"; anything else, or no extension, → empty (not an image).
QString ClassifyImageExtension(const QString& path);

// The canonical format name of file content by its signature, or empty when it is none of the five.
QString formatFromContent(const QByteArray& head);

// True when an image of `size` may be decoded: both sides positive and at most kMaxImageSide, and at
// most `maxPixels` pixels.
bool withinImageLimits(QSize size, qint64 maxPixels = kMaxImagePixels);

// The failures the decoders report, naming the file (`path` may be a bare name) and the reason.
// `format` is a canonical format name; `detail` (may be empty) says what is wrong.
Status corruptImageStatus(const QString& path, const QString& format, const QString& detail = {});
Status imageTooLargeStatus(const QString& path, QSize size);
Status imageOutOfMemoryStatus(const QString& path);

} // namespace corvane
