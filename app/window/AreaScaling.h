#pragma once

#include "platform/Color.h"
#include "platform/DeviceBitmap.h"

#include <QImage>
#include <QRect>
#include <QSize>

namespace corvane {

// The whole of `surface` resampled to `size` for the screen: every target pixel is the average of the
// source area it covers (weighted by the covered fraction of each source pixel), which shrinks large
// images smoothly and enlarges small ones as blocks with blended edges. Reads 16-, 24- and 32-bit
// surfaces directly (the fourth byte of 32-bit pixels is ignored).
//
// With `transparent` = kNoColor the result is opaque (Format_RGB32). Otherwise pixels of that colour (as
// the surface's format shows it) are transparent and the result is Format_ARGB32_Premultiplied, partly
// transparent where a target pixel covers both kinds. Null when the surface is null, the size is empty or
// memory runs out.
QImage scaleSurface(const DeviceBitmap& surface, QSize size, ColorRef transparent = kNoColor);

// Makes again the pixels of `image`, made by scaleSurface() from `surface` with `transparent`, whose
// source areas meet `changed` (surface coordinates), after the surface changed only there: the result is
// the image scaleSurface() would make now, at the cost of the changed part. False (image untouched) when
// the image does not fit the surface and transparency.
bool rescaleSurfaceRect(const DeviceBitmap& surface, QImage& image, const QRect& changed,
                        ColorRef transparent = kNoColor);

} // namespace corvane
