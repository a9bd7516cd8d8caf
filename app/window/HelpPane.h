#pragma once

#include "app/ProcessingModes.h"
#include "platform/Color.h"

#include <QFont>
#include <QPlainTextEdit>
#include <QRect>
#include <QSize>
#include <QString>

namespace corvane {

class DialogProvider;
class SettingsStore;

// The help pane's font and text colour, kept in section "Last" as "fontRemName", "fontRemSize",
// "fontRemWeight" and "refRemText".
struct HelpFontSettings {
    QString face = QStringLiteral("MS UI Gothic"); // never empty
    int size = 12;                                 // character height in pixels
    int weight = 400;                              // 100 thin … 400 normal … 700 bold … 900 black
    ColorRef color = kBlack;

    bool operator==(const HelpFontSettings&) const = default;
};

// The stored values, with the defaults for missing ones. An empty face reads as "MS UI Gothic"; values
// that no font can have (a height below 1 pixel or above 500, a weight outside 1 … 1000, colour bits
// above the 24 of a colour) are replaced by the default or kept within those limits, so that a damaged
// store never gives an unreadable or absurd font.
HelpFontSettings readHelpFontSettings(const SettingsStore& settings);
void writeHelpFontSettings(SettingsStore& settings, const HelpFontSettings& values);

// The font of `values`: the face asked for by name (the font system substitutes a missing one), the size
// as a pixel height, the weight; the other attributes (italic, underline, …) kept from `base`.
QFont helpFont(const HelpFontSettings& values, const QFont& base);
// What `font` stores: its family, its height in pixels (a point size converted at `dpi` dots per inch)
// and its weight, with `color`.
HelpFontSettings helpFontSettingsOf(const QFont& font, ColorRef color, int dpi);

// The line the help text is scrolled to for a processing: the first line of its section (0 for none and
// for processings without a section of their own).
int helpScrollLines(ProcessingMode mode);

// Where the pane lies among areas of `areasSize`: from result 1's frame's top-left corner to result 2's
// frame's bottom-right corner, in the areas' coordinates.
QRect helpPaneRegion(QSize areasSize);

// The read-only help pane laid over the two result areas: the user guide, in the font and colour of the
// settings, with 10-pixel margins left and right. The window shows, places and hides it; the pane keeps
// its font and colour in step with the settings.
class HelpPane : public QPlainTextEdit {
    Q_OBJECT
public:
    // `settings` is used, not owned. The pane starts hidden.
    HelpPane(SettingsStore& settings, QWidget* parent);

    // Reads the font and colour from the settings and uses them (at start and after a Ctrl+wheel step).
    void applySettings();
    // Covers `region` (parent coordinates) and shows the guide from line `firstLine` on.
    void showOver(const QRect& region, int firstLine);
    // Covers `region`, keeping the lines shown.
    void placeOver(const QRect& region);
    // The help settings: the font dialog, then, when a font was chosen, the colour dialog (both through
    // `dialogs`, owned by `owner`). Whatever they answer, the four values are written (a cancelled dialog
    // writes the font and colour in use) and the font is applied again.
    void chooseSettings(DialogProvider& dialogs, QWidget* owner);

    ColorRef textColor() const { return m_color; }
    // The index of the line at the top of the pane.
    int firstVisibleLine() const;

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    // Uses `values`, with the other attributes of `base`.
    void useSettings(const HelpFontSettings& values, const QFont& base);

    SettingsStore& m_settings;
    ColorRef m_color = kBlack;
};

} // namespace corvane
