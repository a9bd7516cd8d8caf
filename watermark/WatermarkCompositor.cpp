#include "watermark/WatermarkCompositor.h"

#include "imaging/Filter.h"
#include "platform/Blit.h"
#include "platform/FontSubstitutes.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <span>

namespace corvane {

namespace {

// The bitmap's bytes seen as an image of the same format, for drawing into it in place.
QImage imageView(DeviceBitmap& bitmap) {
    QImage::Format format = QImage::Format_Invalid;
    switch (bitmap.bitsPixel()) {
    case 16:
        format = QImage::Format_RGB16;
        break;
    case 24:
        format = QImage::Format_BGR888;
        break;
    case 32:
        format = QImage::Format_RGB32;
        break;
    default:
        return {};
    }
    return QImage(bitmap.bits().data(), bitmap.width(), bitmap.height(), bitmap.widthBytes(), format);
}

QColor toColor(ColorRef color) {
    return {redOf(color), greenOf(color), blueOf(color)};
}

bool sameShape(const DeviceBitmap& a, const DeviceBitmap& b) {
    return !a.isNull() && !b.isNull() && a.width() == b.width() && a.height() == b.height() &&
           a.bitsPixel() == b.bitsPixel();
}

// `bitmap` filled with `color` as fillSolid() fills it: the first row pixel by pixel, the others as
// copies of its pixel bytes (the padding of 24-bit rows is not touched), which runs at the speed of a
// memory copy on the large layer that every recomposition fills.
bool fillLayer(DeviceBitmap& bitmap, ColorRef color) {
    if (bitmap.isNull() || !fillSolidRect(bitmap, {0, 0, bitmap.width(), 1}, color)) {
        return false;
    }
    const auto rowBytes =
        static_cast<std::size_t>(bitmap.width()) * static_cast<std::size_t>(bitmap.bytesPerPixel());
    const std::uint8_t* first = bitmap.row(0);
    for (int y = 1; y < bitmap.height(); ++y) {
        std::memcpy(bitmap.row(y), first, rowBytes);
    }
    return true;
}

} // namespace

int watermarkFontPixels(int points) {
    const long long p = std::max(points, 2);
    return static_cast<int>((p * 96 + 36) / 72);
}

QFont watermarkFont(const WatermarkText& text, int points) {
    installJapaneseFontSubstitutes();
    QFont font(text.faceName());
    font.setPixelSize(watermarkFontPixels(points));
    font.setWeight(text.bold != 0 ? QFont::Bold : QFont::Normal);
    font.setItalic(text.italic != 0);
    font.setStrikeOut(text.strike != 0);
    font.setUnderline(text.underline != 0);
    // Subpixel antialiasing would tint the edges of the glyphs by the screen's subpixel order, and the
    // desktop's hinting settings would move them: neither may change a result between the window, the
    // command line and another machine.
    font.setStyleStrategy(QFont::NoSubpixelAntialias);
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setKerning(false);
    return font;
}

void drawWatermarkString(QPainter& painter, const QString& text, const QRect& box) {
    if (box.isEmpty() || text.isEmpty()) {
        return;
    }
    painter.save();
    painter.setClipRect(box, Qt::IntersectClip);
    const int lineHeight = QFontMetrics(painter.font()).height();
    int y = box.y();
    // Only CR LF breaks a line; a lone CR or LF inside a line is drawn as a space.
    for (const QString& line : text.split(QStringLiteral("\r\n"))) {
        if (y >= box.y() + box.height()) {
            break;
        }
        if (!line.isEmpty()) {
            painter.drawText(QRect(box.x(), y, box.width(), lineHeight),
                             Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine | Qt::TextDontClip, line);
        }
        y += lineHeight;
    }
    painter.restore();
}

QRect watermarkFootprint(const WatermarkText& text) {
    const QRect box = text.box();
    if (box.isEmpty() || text.textString().isEmpty()) {
        return {};
    }
    return box | box.translated(text.shadow, text.shadow);
}

bool renderWatermarkLayer(const WatermarkList& texts, ColorRef background, DeviceBitmap& layer) {
    return renderWatermarkLayer(texts, background, layer, QRect(0, 0, layer.width(), layer.height()));
}

bool renderWatermarkLayer(const WatermarkList& texts, ColorRef background, DeviceBitmap& layer,
                          const QRect& region) {
    const QRect part = region.intersected(QRect(0, 0, layer.width(), layer.height()));
    const bool whole = part.size() == QSize(layer.width(), layer.height());
    if (layer.isNull() ||
        !(whole ? fillLayer(layer, background)
                : fillSolidRect(layer, {part.x(), part.y(), part.width(), part.height()}, background))) {
        return false;
    }
    if (texts.count() == 0 || part.isEmpty()) {
        return true;
    }
    QImage view = imageView(layer);
    if (view.isNull()) {
        return false;
    }
    QPainter painter(&view);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.setBackgroundMode(Qt::TransparentMode);
    // A clip of whole pixels leaves the pixels inside it exactly as an unclipped drawing makes them.
    painter.setClipRect(part);
    for (const WatermarkText& text : texts.texts()) {
        const QString string = text.textString();
        if (string.isEmpty() || !watermarkFootprint(text).intersects(part)) {
            continue;
        }
        painter.setFont(watermarkFont(text, text.size));
        const QRect box = text.box();
        // The shadow goes first, so that the text covers it (also when its offset is 0).
        painter.setPen(toColor(text.shadowColor));
        drawWatermarkString(painter, string, box.translated(text.shadow, text.shadow));
        painter.setPen(toColor(text.color));
        drawWatermarkString(painter, string, box);
    }
    return true;
}

namespace {

// Whether two texts draw the same pixels: every field but the selection.
bool drawsAlike(WatermarkText a, WatermarkText b) {
    a.selected = 0;
    b.selected = 0;
    return a == b;
}

// The layer rendered and both results blended inside `region` only (all of it for the whole image).
bool composeRegion(const WatermarkList& texts, ColorRef background, const DeviceBitmap& base,
                   DeviceBitmap& layer, DeviceBitmap& result1, DeviceBitmap& result2, const QRect& region) {
    if (!sameShape(base, layer) || !sameShape(base, result1) || !sameShape(base, result2) ||
        !renderWatermarkLayer(texts, background, layer, region)) {
        return false;
    }
    const IntRect part{region.x(), region.y(), region.width(), region.height()};
    const CFilter filter;
    return filter.BlendImages(base, layer, result1, kWatermarkBlend1, part) &&
           filter.BlendImages(base, layer, result2, kWatermarkBlend2, part);
}

} // namespace

bool composeWatermarks(const WatermarkList& texts, ColorRef background, const DeviceBitmap& base,
                       DeviceBitmap& layer, DeviceBitmap& result1, DeviceBitmap& result2) {
    return composeRegion(texts, background, base, layer, result1, result2,
                         QRect(0, 0, base.width(), base.height()));
}

void WatermarkComposer::reset() {
    m_composed.reset();
}

std::optional<QRect> WatermarkComposer::compose(const WatermarkList& texts, ColorRef background,
                                                const DeviceBitmap& base, DeviceBitmap& layer,
                                                DeviceBitmap& result1, DeviceBitmap& result2) {
    const QRect image(0, 0, base.width(), base.height());
    const std::array<const void*, 4> bitmaps = {base.bits().data(), layer.bits().data(),
                                                result1.bits().data(), result2.bits().data()};
    QRect changed = image;
    if (m_composed && m_composed->background == background && m_composed->bitmaps == bitmaps &&
        m_composed->geometry == base.geometry()) {
        // The pixels that may differ lie in the old and the new places of the texts that changed (a
        // text's shadow and text are clipped to its box), whatever their order.
        changed = QRect();
        const std::vector<WatermarkText>& before = m_composed->texts;
        const std::span<const WatermarkText> now = texts.texts();
        for (std::size_t i = 0; i < std::max(before.size(), now.size()); ++i) {
            const bool inBefore = i < before.size();
            const bool inNow = i < now.size();
            if (inBefore && inNow && drawsAlike(before[i], now[i])) {
                continue;
            }
            if (inBefore) {
                changed |= watermarkFootprint(before[i]);
            }
            if (inNow) {
                changed |= watermarkFootprint(now[i]);
            }
        }
        changed &= image;
    }
    m_composed.reset();
    if (!changed.isEmpty() && !composeRegion(texts, background, base, layer, result1, result2, changed)) {
        return std::nullopt;
    }
    m_composed = Composed{{texts.texts().begin(), texts.texts().end()}, background, bitmaps, base.geometry()};
    return changed;
}

} // namespace corvane
