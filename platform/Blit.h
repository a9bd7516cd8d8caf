#pragma once

#include "platform/Color.h"
#include "platform/DeviceBitmap.h"

// Exact drawing operations on device bitmaps, for the processings that read their results back.
// Every operation needs bitmaps of one pixel format and returns false (drawing nothing) otherwise or
// when a bitmap is null. Areas reaching outside a bitmap are clipped; pixels outside the drawn area keep
// their content.
namespace corvane {

struct IntRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    friend bool operator==(const IntRect&, const IntRect&) = default;
};

// Copies width × height pixels from (srcX, srcY) of `src` to (x, y) of `dst`, all four bytes of 32-bit
// pixels included. `src` and `dst` may be the same bitmap, with overlapping areas.
bool bitBlt(DeviceBitmap& dst, int x, int y, int width, int height, const DeviceBitmap& src, int srcX,
            int srcY);

// Copies the whole of `src` with its top-left corner at (x, y) of `dst`.
inline bool bitBlt(DeviceBitmap& dst, int x, int y, const DeviceBitmap& src) {
    return bitBlt(dst, x, y, src.width(), src.height(), src, 0, 0);
}

// Fills `rect` with `color` (narrowed to 5-6-5 in the 16-bit format; fourth byte 0 in the 32-bit format).
bool fillSolidRect(DeviceBitmap& dst, const IntRect& rect, ColorRef color);
inline bool fillSolid(DeviceBitmap& dst, ColorRef color) {
    return fillSolidRect(dst, {0, 0, dst.width(), dst.height()}, color);
}

// Copies the whole of `src` to (x, y) of `dst`, skipping the pixels whose colour equals `keyColor`
// (compared as the format shows that colour; the fourth byte of a 32-bit pixel is not compared).
bool transparentBlt(DeviceBitmap& dst, int x, int y, const DeviceBitmap& src, ColorRef keyColor);

// Blends the whole of `src` over `dst` at (x, y) with a constant alpha 0..255: per channel
// (src × alpha + dst × (255 − alpha) + 127) / 255. 16-bit channels are widened, blended and narrowed;
// in the 32-bit format the fourth byte is blended like a channel. False for an alpha outside 0..255.
bool alphaBlend(DeviceBitmap& dst, int x, int y, const DeviceBitmap& src, int alpha);

// Fills the 4-connected area around (x, y) of pixels whose colour is not `borderColor` with `fillColor`.
// Starting on a border-coloured pixel fills nothing. False when (x, y) lies outside the bitmap or the
// work buffer cannot be allocated (then nothing is filled).
bool floodFill(DeviceBitmap& dst, int x, int y, ColorRef borderColor, ColorRef fillColor);

// The same from every pixel on the bitmap's edges: every area of non-border pixels that touches an edge
// is filled, enclosed areas are not. False when the work buffers cannot be allocated (nothing filled).
bool floodFillFromEdges(DeviceBitmap& dst, ColorRef borderColor, ColorRef fillColor);

// Draws `srcRect` of `src` scaled into `dstRect` of `dst`. Equal sizes copy exactly; otherwise each axis
// is resampled smoothly (area average when shrinking, linear interpolation when enlarging), 16-bit
// channels widened and narrowed. `srcRect` must lie inside `src` and both rectangles must have
// positive sizes; `dstRect` is clipped to `dst`. `src` and `dst` must be different bitmaps unless the
// sizes are equal.
bool stretchBlt(DeviceBitmap& dst, const IntRect& dstRect, const DeviceBitmap& src, const IntRect& srcRect);

} // namespace corvane
