#pragma once

#include "platform/Color.h"
#include "platform/DeviceBitmap.h"
#include "watermark/WatermarkList.h"

#include <QFont>
#include <QRect>
#include <QString>

#include <array>
#include <optional>
#include <vector>

class QPainter;

namespace corvane {

// The blend modes of the two results: result 1 multiplies, result 2 darkens.
inline constexpr int kWatermarkBlend1 = 5;
inline constexpr int kWatermarkBlend2 = 13;

// The character height in pixels of a font of `points` (at least 2) at 96 dots per inch, rounded:
// (points × 96 + 36) / 72. The same on every machine, so a layout gives the same picture everywhere.
int watermarkFontPixels(int points);

// The font of a text drawn at `points`: the text's face (a face the system lacks is asked for by name and
// drawn with the font system's substitute), bold 700 or 400, italic, strike-out and underline as the text
// has them, greyscale antialiasing only, no hinting.
QFont watermarkFont(const WatermarkText& text, int points);

// Draws `text` (lines separated by CR LF, nothing else breaks a line) from the top-left corner of `box`,
// clipped to the box, in the painter's pen and font.
void drawWatermarkString(QPainter& painter, const QString& text, const QRect& box);

// The pixels a text can draw: its box and its shadow's box; empty for an empty text or box.
QRect watermarkFootprint(const WatermarkText& text);

// Makes the text layer: `layer` filled with `background`, then for each text in list order its shadow at
// (shadow, shadow) from its box in the shadow colour and the text in its colour over it, at image
// resolution. False when the layer is null.
bool renderWatermarkLayer(const WatermarkList& texts, ColorRef background, DeviceBitmap& layer);
// The same inside `region` only (image coordinates); the layer's pixels elsewhere stay as they are.
bool renderWatermarkLayer(const WatermarkList& texts, ColorRef background, DeviceBitmap& layer,
                          const QRect& region);

// One recomposition: the layer rendered, then result 1 = `base` multiplied with the layer and result 2 =
// `base` darkened with it (BlendImages modes 5 and 13, `base` on top). All four bitmaps must have one size
// and format; false (results as they were) otherwise.
bool composeWatermarks(const WatermarkList& texts, ColorRef background, const DeviceBitmap& base,
                       DeviceBitmap& layer, DeviceBitmap& result1, DeviceBitmap& result2);

// Recompositions that redo only what changed: remembers what the last composition drew into which
// bitmaps, and when only some texts changed since (a drag step, a typed letter), renders and blends again
// only the rectangle their old and new places cover. The results equal those of composeWatermarks().
class WatermarkComposer {
public:
    // The next composition is whole (call it when anything else wrote the layer or the results).
    void reset();
    // As composeWatermarks(); returns the rectangle of the image that changed (empty when nothing did,
    // the whole image at the first composition or after reset()), std::nullopt on failure.
    std::optional<QRect> compose(const WatermarkList& texts, ColorRef background, const DeviceBitmap& base,
                                 DeviceBitmap& layer, DeviceBitmap& result1, DeviceBitmap& result2);

private:
    struct Composed {
        std::vector<WatermarkText> texts;
        ColorRef background = kNoColor;
        std::array<const void*, 4> bitmaps{}; // base, layer, result 1, result 2
        BitmapGeometry geometry;
    };
    std::optional<Composed> m_composed;
};

} // namespace corvane
