#pragma once

#include "watermark/WatermarkText.h"

#include <QPoint>
#include <QRect>
#include <QSize>

#include <array>
#include <optional>
#include <span>
#include <vector>

namespace corvane {

// How many texts a list holds.
inline constexpr int kWatermarkCapacity = 100;

// Where the working image is shown on the screen: original 2's picture rectangle and the display scale.
// Conversions truncate toward zero in float, exactly as the window's area geometry does, so that texts
// land on the pixels the window paints.
struct WatermarkView {
    QRect picture;
    float scale = 0;

    bool isValid() const { return scale > 0; }
    QPoint toScreen(QPoint image) const;
    // A box converted corner by corner (far corner exclusive), then normalised.
    QRect toScreen(const QRect& image) const;
    QPoint toImage(QPoint screen) const;
    QRect toImage(const QRect& screen) const;
    // A length in screen pixels as image pixels.
    int lengthToImage(int length) const;
};

// Fits a box into a working image of `working` size: a box as wide (high) as the image or wider is made
// 2 pixels narrower (lower) than the image, then a box that ends beyond the right (bottom) edge is moved
// back to end there, or one that starts left of (above) the image is moved to start at 0. An inverted box
// is normalised first. Computed in 64 bits, so any coordinates of a file are safe.
void fitWatermarkBox(WatermarkText& text, QSize working);

// The outline a handle drag on a text's screen box `box` shows with the pointer at `pointer` (kept inside
// the picture): handle 0 moves the top-left corner to the pointer, 1 the top-right, 2 the bottom-right,
// 3 the bottom-left, 4 the top edge, 5 the right edge, 6 the bottom edge, 7 the left edge; normalised. None
// when it would be 9 screen pixels wide or high or less.
std::optional<QRect> watermarkResizeOutline(const WatermarkView& view, const QRect& box, int handle,
                                            QPoint pointer);

// The watermark texts of a session: up to 100 records, the texts being records 0 … count − 1 in drawing
// order (later texts over earlier ones), with their selection, the current text (whose style the style
// controls show and whose handles are drawn) and the text being edited in place. Every operation here is
// plain geometry and bookkeeping; the session and the window decide when to recompose and redraw.
class WatermarkList {
public:
    WatermarkList();

    // Every slot back to its reset values, no texts, no current or edited text.
    void clear();

    int count() const { return m_count; }
    bool isFull() const { return m_count >= kWatermarkCapacity; }
    const WatermarkText& text(int index) const { return m_texts[static_cast<std::size_t>(index)]; }
    WatermarkText& text(int index) { return m_texts[static_cast<std::size_t>(index)]; }
    std::span<const WatermarkText> texts() const {
        return std::span<const WatermarkText>(m_texts.data(), static_cast<std::size_t>(m_count));
    }
    bool isValidIndex(int index) const { return index >= 0 && index < m_count; }

    // −1 when none; setting an index outside the texts sets −1.
    int current() const { return m_current; }
    void setCurrent(int index) { m_current = isValidIndex(index) ? index : -1; }
    int editing() const { return m_editing; }
    void setEditing(int index) { m_editing = isValidIndex(index) ? index : -1; }

    // Replaces the texts by `texts` (at most 100; more are ignored), each box fitted into `working`.
    // The current and edited indexes stay where they still name a text.
    void assign(std::span<const WatermarkText> texts, QSize working);

    // Adds the text "透かし文字" around `point` (image pixels): the box reaches min(W / 2, 160) to either
    // side and min(H / 2, 30) above and below. The slot keeps its other values; the new text is selected
    // (other selections stay) and current. False when the list is full.
    bool add(QPoint point, QSize working);

    // All texts selected; the first becomes current when there was none.
    void selectAll();
    void clearSelection();
    int selectedCount() const;
    // Removes the selected texts; the others keep their order at the front, freed slots are reset. The
    // current text becomes the first when texts remain, none otherwise; no text stays in editing.
    void deleteSelected();

    // Style changes on every selected text.
    enum class Style { Bold, Italic, Strike, Underline };
    void toggle(Style style);
    // False (and nothing changed) when the name has no code page 932 form or is longer than 31 bytes.
    bool setFace(const QString& face);
    void setSize(int points);   // kept within 8 … 100
    void setShadow(int offset); // kept within −100 … 100
    void setColor(ColorRef color);
    void setShadowColor(ColorRef color);
    // Whether the current text has `style`.
    bool currentHas(Style style) const;

    // --- Geometry on the screen ---

    // The first text, in list order, whose screen box holds `point`; −1 if none.
    int hitTest(const WatermarkView& view, QPoint point) const;

    // The selection rule of a button press on text `index`: `ctrlOnly` and `shiftOnly` tell that exactly
    // that key was held with the left button. Returns whether the selection or the current text changed.
    bool pressOn(int index, bool ctrlOnly, bool shiftOnly);

    // A right click on text `index`: it is selected and made current unless it is already selected while
    // no text is current.
    void selectForMenu(int index);

    // The boxes of all texts, in list order: where a drag of the selected texts starts from.
    std::vector<QRect> boxes() const;
    // A drag of the selected texts `displacement` screen pixels away from `start` (boxes() taken when the
    // drag began). Each text goes where its starting screen box moved by the displacement lies, when that
    // stays inside the picture; a text that would leave the picture stays where it last was. A moved text
    // takes the image position under its new screen corner and keeps its size. Returns whether a box
    // changed.
    bool dragSelected(const WatermarkView& view, std::span<const QRect> start, QPoint displacement);

    // A rubber band released: when it is wider or higher than 10 screen pixels, the texts whose screen box
    // lies within it (top-left and bottom-right corners inside, far edges exclusive) are selected and the
    // first of them becomes current. Returns whether the band counted.
    bool selectInBand(const WatermarkView& view, const QRect& band);

    // The arrow keys: every selected text moves by `step` image pixels and is kept inside the working image.
    // Returns whether a text was selected.
    bool moveSelectedBy(QPoint step, QSize working);

private:
    std::array<WatermarkText, kWatermarkCapacity> m_texts;
    int m_count = 0;
    int m_current = -1;
    int m_editing = -1;
};

} // namespace corvane
