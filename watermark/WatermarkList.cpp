#include "watermark/WatermarkList.h"

#include <algorithm>
#include <cstdint>

namespace corvane {

namespace {

// A box counts as too small when a side is this many screen pixels or less.
constexpr int kMinimumOutline = 9;
// A rubber band counts when one side is longer than this many screen pixels.
constexpr int kMinimumBand = 10;

// float → int, truncated toward zero; values beyond any screen are held at ±2^30 instead of overflowing.
int truncated(float value) {
    constexpr float kLimit = 1073741824.0F;
    return static_cast<int>(std::clamp(value, -kLimit, kLimit));
}

QPoint farCorner(const QRect& rect) {
    return {rect.x() + rect.width(), rect.y() + rect.height()};
}

QRect between(QPoint a, QPoint b) {
    const int left = std::min(a.x(), b.x());
    const int top = std::min(a.y(), b.y());
    return {left, top, std::max(a.x(), b.x()) - left, std::max(a.y(), b.y()) - top};
}

bool holds(const QRect& outer, const QRect& inner) {
    return inner.x() >= outer.x() && inner.y() >= outer.y() && farCorner(inner).x() <= farCorner(outer).x() &&
           farCorner(inner).y() <= farCorner(outer).y();
}

std::int32_t& styleField(WatermarkText& text, WatermarkList::Style style) {
    switch (style) {
    case WatermarkList::Style::Bold:
        return text.bold;
    case WatermarkList::Style::Italic:
        return text.italic;
    case WatermarkList::Style::Strike:
        return text.strike;
    case WatermarkList::Style::Underline:
        break;
    }
    return text.underline;
}

// One axis of the fitting: (low, high) of a box in an image of `extent` pixels.
void fitAxis(std::int64_t& low, std::int64_t& high, std::int64_t extent) {
    if (high - low >= extent) {
        // At least an empty box, also for images of one or two pixels.
        high = std::max(low, low + extent - 2);
    }
    std::int64_t offset = 0;
    if (high > extent) {
        offset = extent - high;
    } else if (low < 0) {
        offset = -low;
    }
    low += offset;
    high += offset;
}

std::int32_t toInt32(std::int64_t value) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, INT32_MIN, INT32_MAX));
}

// The rectangle `box` with the sides that handle `handle` moves set to `point`, normalised.
QRect resizedByHandle(const QRect& box, int handle, QPoint point) {
    int left = box.x();
    int top = box.y();
    int right = farCorner(box).x();
    int bottom = farCorner(box).y();
    const bool movesLeft = handle == 0 || handle == 3 || handle == 7;
    const bool movesRight = handle == 1 || handle == 2 || handle == 5;
    const bool movesTop = handle == 0 || handle == 1 || handle == 4;
    const bool movesBottom = handle == 2 || handle == 3 || handle == 6;
    if (movesLeft) {
        left = point.x();
    }
    if (movesRight) {
        right = point.x();
    }
    if (movesTop) {
        top = point.y();
    }
    if (movesBottom) {
        bottom = point.y();
    }
    return between({left, top}, {right, bottom});
}

} // namespace

QPoint WatermarkView::toScreen(QPoint image) const {
    return {picture.x() + truncated(static_cast<float>(image.x()) * scale),
            picture.y() + truncated(static_cast<float>(image.y()) * scale)};
}

QRect WatermarkView::toScreen(const QRect& image) const {
    return between(toScreen(image.topLeft()), toScreen(farCorner(image)));
}

QPoint WatermarkView::toImage(QPoint screen) const {
    if (!isValid()) {
        return {};
    }
    return {truncated(static_cast<float>(screen.x() - picture.x()) / scale),
            truncated(static_cast<float>(screen.y() - picture.y()) / scale)};
}

QRect WatermarkView::toImage(const QRect& screen) const {
    return between(toImage(screen.topLeft()), toImage(farCorner(screen)));
}

int WatermarkView::lengthToImage(int length) const {
    return isValid() ? truncated(static_cast<float>(length) / scale) : 0;
}

void fitWatermarkBox(WatermarkText& text, QSize working) {
    std::int64_t left = std::min(text.left, text.right);
    std::int64_t right = std::max(text.left, text.right);
    std::int64_t top = std::min(text.top, text.bottom);
    std::int64_t bottom = std::max(text.top, text.bottom);
    fitAxis(left, right, working.width());
    fitAxis(top, bottom, working.height());
    text.left = toInt32(left);
    text.right = toInt32(right);
    text.top = toInt32(top);
    text.bottom = toInt32(bottom);
}

std::optional<QRect> watermarkResizeOutline(const WatermarkView& view, const QRect& box, int handle,
                                            QPoint pointer) {
    if (!view.isValid() || handle < 0 || handle > 7) {
        return std::nullopt;
    }
    const QRect& picture = view.picture;
    const QPoint clamped(std::clamp(pointer.x(), picture.x(), farCorner(picture).x()),
                         std::clamp(pointer.y(), picture.y(), farCorner(picture).y()));
    const QRect outline = resizedByHandle(box, handle, clamped);
    if (outline.width() <= kMinimumOutline || outline.height() <= kMinimumOutline) {
        return std::nullopt;
    }
    return outline;
}

WatermarkList::WatermarkList() {
    clear();
}

void WatermarkList::clear() {
    for (WatermarkText& text : m_texts) {
        text.reset();
    }
    m_count = 0;
    m_current = -1;
    m_editing = -1;
}

void WatermarkList::assign(std::span<const WatermarkText> texts, QSize working) {
    const std::size_t count = std::min<std::size_t>(texts.size(), kWatermarkCapacity);
    for (std::size_t i = 0; i < m_texts.size(); ++i) {
        if (i < count) {
            m_texts[i] = texts[i];
            fitWatermarkBox(m_texts[i], working);
        } else {
            m_texts[i].reset();
        }
    }
    m_count = static_cast<int>(count);
    setCurrent(m_current);
    setEditing(m_editing);
}

bool WatermarkList::add(QPoint point, QSize working) {
    if (isFull()) {
        return false;
    }
    WatermarkText& text = m_texts[static_cast<std::size_t>(m_count)];
    const int dx = std::min(working.width() / 2, 160);
    const int dy = std::min(working.height() / 2, 30);
    text.setBox(QRect(point - QPoint(dx, dy), point + QPoint(dx, dy) - QPoint(1, 1)));
    text.setText(QStringLiteral("透かし文字"));
    text.selected = 1;
    m_current = m_count;
    ++m_count;
    return true;
}

void WatermarkList::selectAll() {
    for (int i = 0; i < m_count; ++i) {
        text(i).selected = 1;
    }
    if (m_current < 0 && m_count > 0) {
        m_current = 0;
    }
}

void WatermarkList::clearSelection() {
    for (int i = 0; i < m_count; ++i) {
        text(i).selected = 0;
    }
}

int WatermarkList::selectedCount() const {
    return static_cast<int>(std::count_if(m_texts.begin(), m_texts.begin() + m_count,
                                          [](const WatermarkText& text) { return text.selected != 0; }));
}

void WatermarkList::deleteSelected() {
    int kept = 0;
    for (int i = 0; i < m_count; ++i) {
        if (text(i).selected == 0) {
            if (kept != i) {
                text(kept) = text(i);
            }
            ++kept;
        }
    }
    for (int i = kept; i < m_count; ++i) {
        text(i).reset();
    }
    m_count = kept;
    m_current = kept > 0 ? 0 : -1;
    m_editing = -1;
}

void WatermarkList::toggle(Style style) {
    for (int i = 0; i < m_count; ++i) {
        if (text(i).selected != 0) {
            std::int32_t& field = styleField(text(i), style);
            field = field != 0 ? 0 : 1;
        }
    }
}

bool WatermarkList::setFace(const QString& face) {
    const std::optional<Cp932Field> field = cp932Field(face, kWatermarkFaceBytes - 1);
    if (!field || field->cut) {
        return false;
    }
    for (int i = 0; i < m_count; ++i) {
        if (text(i).selected != 0) {
            text(i).setFace(face);
        }
    }
    return true;
}

void WatermarkList::setSize(int points) {
    const int size = std::clamp(points, kWatermarkMinSize, kWatermarkMaxSize);
    for (int i = 0; i < m_count; ++i) {
        if (text(i).selected != 0) {
            text(i).size = size;
        }
    }
}

void WatermarkList::setShadow(int offset) {
    const int shadow = std::clamp(offset, kWatermarkMinShadow, kWatermarkMaxShadow);
    for (int i = 0; i < m_count; ++i) {
        if (text(i).selected != 0) {
            text(i).shadow = shadow;
        }
    }
}

void WatermarkList::setColor(ColorRef color) {
    for (int i = 0; i < m_count; ++i) {
        if (text(i).selected != 0) {
            text(i).color = color;
        }
    }
}

void WatermarkList::setShadowColor(ColorRef color) {
    for (int i = 0; i < m_count; ++i) {
        if (text(i).selected != 0) {
            text(i).shadowColor = color;
        }
    }
}

bool WatermarkList::currentHas(Style style) const {
    if (!isValidIndex(m_current)) {
        return false;
    }
    WatermarkText copy = text(m_current);
    return styleField(copy, style) != 0;
}

int WatermarkList::hitTest(const WatermarkView& view, QPoint point) const {
    if (!view.isValid()) {
        return -1;
    }
    for (int i = 0; i < m_count; ++i) {
        if (view.toScreen(text(i).box()).contains(point)) {
            return i;
        }
    }
    return -1;
}

bool WatermarkList::pressOn(int index, bool ctrlOnly, bool shiftOnly) {
    if (!isValidIndex(index)) {
        return false;
    }
    const int before = m_current;
    WatermarkText& hit = text(index);
    bool selectionChanged = false;
    if (m_current < 0) {
        selectionChanged = hit.selected == 0;
        hit.selected = 1;
        m_current = index;
    } else if (hit.selected == 0) {
        if (!ctrlOnly) {
            clearSelection();
        }
        hit.selected = 1;
        m_current = index;
        selectionChanged = true;
    } else if (shiftOnly) {
        hit.selected = 0;
        selectionChanged = true;
        if (m_current == index) {
            m_current = -1;
            for (int i = 0; i < m_count && m_current < 0; ++i) {
                if (text(i).selected != 0) {
                    m_current = i;
                }
            }
        }
    } else {
        m_current = index;
    }
    return selectionChanged || before != m_current;
}

void WatermarkList::selectForMenu(int index) {
    if (!isValidIndex(index)) {
        return;
    }
    if (text(index).selected == 0 || m_current >= 0) {
        text(index).selected = 1;
        m_current = index;
    }
}

std::vector<QRect> WatermarkList::boxes() const {
    std::vector<QRect> result;
    result.reserve(static_cast<std::size_t>(m_count));
    for (int i = 0; i < m_count; ++i) {
        result.push_back(text(i).box());
    }
    return result;
}

bool WatermarkList::dragSelected(const WatermarkView& view, std::span<const QRect> start,
                                 QPoint displacement) {
    if (!view.isValid()) {
        return false;
    }
    bool changed = false;
    const int count = std::min(m_count, static_cast<int>(start.size()));
    for (int i = 0; i < count; ++i) {
        WatermarkText& t = text(i);
        if (t.selected == 0) {
            continue;
        }
        const QRect& from = start[static_cast<std::size_t>(i)];
        QRect box = from;
        // Back at the start, every text is exactly where it was (the screen position of a box at a
        // fractional scale need not convert back to the same image position).
        if (!displacement.isNull()) {
            const QRect screen = view.toScreen(from).translated(displacement);
            if (!holds(view.picture, screen)) {
                continue;
            }
            box = QRect(view.toImage(screen.topLeft()), from.size());
        }
        if (box != t.box()) {
            t.setBox(box);
            changed = true;
        }
    }
    return changed;
}

bool WatermarkList::selectInBand(const WatermarkView& view, const QRect& band) {
    if (!view.isValid() || (band.width() <= kMinimumBand && band.height() <= kMinimumBand)) {
        return false;
    }
    bool first = true;
    for (int i = 0; i < m_count; ++i) {
        const QRect screen = view.toScreen(text(i).box());
        if (band.contains(screen.topLeft()) && band.contains(farCorner(screen))) {
            text(i).selected = 1;
            if (first) {
                m_current = i;
                first = false;
            }
        }
    }
    return true;
}

bool WatermarkList::moveSelectedBy(QPoint step, QSize working) {
    bool any = false;
    for (int i = 0; i < m_count; ++i) {
        WatermarkText& t = text(i);
        if (t.selected == 0) {
            continue;
        }
        any = true;
        QRect box = t.box().translated(step);
        if (farCorner(box).x() > working.width()) {
            box.moveRight(working.width() - 1);
        } else if (box.x() < 0) {
            box.moveLeft(0);
        }
        if (farCorner(box).y() > working.height()) {
            box.moveBottom(working.height() - 1);
        } else if (box.y() < 0) {
            box.moveTop(0);
        }
        t.setBox(box);
    }
    return any;
}

} // namespace corvane
