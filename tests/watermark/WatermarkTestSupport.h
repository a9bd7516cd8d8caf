#pragma once

#include "platform/DeviceBitmap.h"
#include "watermark/WatermarkText.h"

#include <QRect>
#include <QString>

namespace corvane::test {

// A text with `string` in `box` (image pixels), black, 20 points, otherwise the slot's reset values.
WatermarkText makeText(const QString& string, const QRect& box);

// The bounding box of the pixels of `bitmap` inside `area` whose colour is `color`; empty when none.
QRect boundsOf(const DeviceBitmap& bitmap, ColorRef color, const QRect& area);

// The number of pixels of `bitmap` that differ from `color`.
int pixelsOtherThan(const DeviceBitmap& bitmap, ColorRef color);

} // namespace corvane::test
