#pragma once

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

// True when an image of `size` may be decoded.
bool withinImageLimits(QSize size);

} // namespace corvane
