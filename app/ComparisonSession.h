#pragma once

#include "app/ProcessingModes.h"
#include "imagefiles/ImageLoader.h"
#include "imaging/Filter.h"
#include "imaging/Metrics.h"
#include "imaging/Tolerance.h"
#include "platform/Color.h"
#include "platform/DeviceBitmap.h"
#include "platform/Host.h"
#include "platform/Status.h"
#include "views/PropertyTable.h"
#include "watermark/WatermarkCompositor.h"
#include "watermark/WatermarkList.h"

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

#include <algorithm>
#include <array>
#include <functional>
#include <optional>
#include <vector>

namespace corvane {

class SettingsStore;

// Indexes of the four areas and their surfaces; the work surfaces follow them.
enum ImageSlot : int { kOriginal1 = 0, kOriginal2 = 1, kResult1 = 2, kResult2 = 3 };
inline constexpr int kWork1 = 4;
inline constexpr int kWork2 = 5;
inline constexpr int kWork3 = 6;
inline constexpr int kSurfaceCount = 8;

// Which-values of the redraw requests.
namespace redraw {
inline constexpr int kAll = 10;
inline constexpr int kOriginals = 11;
inline constexpr int kResults = 12;
inline constexpr int kAreas1To3 = 13;
} // namespace redraw

// The background of the result areas, also the mismatch colour of the pixel comparison.
inline constexpr ColorRef kBackgroundWhite = 0xFFFFFF;
inline constexpr ColorRef kBackgroundBlack = 0;
inline constexpr ColorRef kBackgroundChecker = kNoColor;
inline constexpr ColorRef kBackgroundDefault = 0x808080;

// The preprocessing commands of an original.
enum class Preprocessing { Greyscale, Colors256, Colors64, Blur3, Blur7, Blur11, Reload };

// The scan match of the current shift: counts per row and column, and the match rate in percent.
struct ScanResult {
    std::vector<int> rows;
    std::vector<int> columns;
    double total = 0;
    double rate = 0;
};

// How a surface is written to a file: through the BMP writer at a depth (bmpBits 1, 4, 8, 16, 24, 32;
// rle for 4 and 8), or through the encoder of the path's extension, with the JPEG quality and pure white
// made transparent when asked.
struct SaveOptions {
    int bmpBits = 0; // 0: the encoder of the extension
    bool rle = false;
    int quality = 100;
    bool transparent = false;
};

// `rect` (both corners included) cut to an image of `size`; empty when it is inverted or no pixel of it
// lies inside the image.
std::optional<PixelRect> clipToImage(const PixelRect& rect, QSize size);

// One comparison session: the two originals, the eight surfaces (four areas and four work surfaces, all
// of the working image size), the current processing and every parameter a processing reads. It runs
// the processings, asks its questions and shows its messages through the Host, and asks for redraws by
// area. The main window and the command line each own one. No widget is involved.
class ComparisonSession {
public:
    // The monotonic clock of the elapsed-time display, in milliseconds from any fixed start. Seconds and
    // milliseconds are both taken from it, so the milliseconds are the fraction of the shown seconds.
    using Clock = std::function<long long()>;

    // `displayBits` (16, 24 or 32) is the format of every surface; `settings` may be null (nothing is
    // remembered, e.g. on the command line).
    ComparisonSession(Host& host, int displayBits, SettingsStore* settings = nullptr);

    void setClock(Clock clock) { m_clock = std::move(clock); }

    // --- Processing selection and dispatch ---

    // The processing menu: selects and runs the processing of a menu command (or ends a modal mode).
    void SelectProcessing(int command);
    // The selection part of SelectProcessing without the run: true when a processing was made current
    // (the caller then runs it, e.g. after adjusting parameters that the selection set).
    bool prepareProcessing(int command);
    // Runs the current processing; false when it could not start.
    bool RunProcessing();
    // Back to nothing selected; ends the zoom, watermark and document modes.
    void ResetProcessing();
    bool HasBothOriginals() const;

    ProcessingMode currentProcessing() const { return m_processing; }
    const QString& processingCaption() const { return m_caption; }
    // Which popup the processing button offers: 0 the processings, 1 end zoom, 2 end watermark, 3 end
    // document embedding.
    int processingMenuPosition() const { return m_menuPosition; }
    const QString& instructionText() const { return m_instruction; }
    // Empties the instruction line (a processing made current without its instruction).
    void clearInstruction() {
        m_instruction.clear();
        stateChanged();
    }
    const QString& elapsedText() const { return m_elapsed; }
    // The parameter controls enabled for the current processing (the shift controls are always on).
    ProcessingControls controls() const { return m_controls; }

    // --- Parameters; each change re-runs the current processing ---

    // A step of a shift control to `value`: accepted (and the processing re-run) when |value| is below
    // the working width (height); false and nothing changed otherwise.
    bool stepShiftH(int value);
    bool stepShiftV(int value);
    // A step of an adjust control to `value`, kept within the control's range 0 … 255.
    void stepAdjust1(int value);
    void stepAdjust2(int value);
    void setColorSpace(int space);   // 0 RGB, 1 HSV, 2 HLS
    void setBlendMode(int mode);     // 0 … 14
    void setOverlayLevel(int level); // 0 … 4
    // The blend-mode button pressed without choosing an item: the next mode, from 14 back to 0.
    void advanceBlendMode();

    // Parameters set without re-running (start-up restore, command line).
    void setShift(int h, int v) {
        m_shiftH = h;
        m_shiftV = v;
    }
    void setParameters(int colorSpace, int blendMode, int overlayLevel);
    void setAdjustValues(int adjust1, int adjust2);
    void setBackground(ColorRef background) { m_background = background; }
    // Colour of original 2's picture in the watermark mode, where the watermark texts are typed.
    void setWatermarkBackground(ColorRef color) { m_watermarkBackground = color; }

    int shiftH() const { return m_shiftH; }
    int shiftV() const { return m_shiftV; }
    int adjust1() const { return m_adjust1; }
    int adjust2() const { return m_adjust2; }
    int colorSpace() const { return m_colorSpace; }
    int blendMode() const { return m_blendMode; }
    int overlayLevel() const { return m_overlayLevel; }
    ColorRef background() const { return m_background; }
    ColorRef watermarkBackground() const { return m_watermarkBackground; }
    int histogramVariant() const { return m_histogramVariant; }
    int scanChannel() const { return m_scanChannel; }
    QPoint visualPoint() const { return m_visualPoint; }
    QPoint gridPosition() const { return m_gridPosition; }
    void setGridPosition(QPoint position) { m_gridPosition = position; }
    bool gridOn() const { return m_gridOn; }
    void setGridOn(bool on) { m_gridOn = on; }
    // How the visual comparison labels its cells: 0 no values, 1 decimal, 2 and 3 upper- and lower-case
    // hexadecimal. Kept within 0 … 3.
    int valueNotation() const { return m_valueNotation; }
    void setValueNotation(int notation) { m_valueNotation = std::clamp(notation, 0, 3); }
    void setVisualPoint(QPoint point) { m_visualPoint = point; }

    // --- Originals ---

    // Loads `path` (of canonical `type`) into original k. With `ask`, the size questions are asked.
    // The caller stores path and type after a true result (setOriginalFromFile does).
    bool SetOriginal(int k, const QString& path, const QString& type, bool ask);
    // Classifies, sets and stores the original; false when the file is no image or was not set.
    bool setOriginalFromFile(int k, const QString& path, bool ask = true);
    // Sets both originals from files that are decoded at the same time (the command line's comparisons).
    bool setOriginalsFromFiles(const QString& path1, const QString& path2, bool ask);
    // The set-original command: asks for a file, then sets it.
    void chooseOriginal(int k);
    // A file dropped on area `area` (0 … 3, or −1 outside the areas); `isDirectory` for folders.
    void dropFile(int area, const QString& path, bool isDirectory);
    bool CreateSurfaces(int width, int height);
    bool ReloadOriginal(int k);
    // The clear button: asks, then clears both originals.
    void clearOriginals();
    void swapOriginals();
    // A preprocessing command on original k; `otherShowsImage` when the other original's area showed an
    // image (then the user is asked whether to process both).
    void preprocessOriginal(int k, Preprocessing operation, bool otherShowsImage);
    void openOriginalLocation(int k);

    const QString& originalPath(int k) const { return m_paths[static_cast<std::size_t>(k)]; }
    const QString& originalType(int k) const { return m_types[static_cast<std::size_t>(k)]; }
    QSize naturalSize(int k) const { return m_naturalSizes[static_cast<std::size_t>(k)]; }
    QSize workingSize() const { return m_workingSize; }
    int displayBits() const { return m_displayBits; }
    // Surface 0 … 7; null before the first original.
    const DeviceBitmap& surface(int index) const { return m_surfaces[static_cast<std::size_t>(index)]; }
    DeviceBitmap& surface(int index) { return m_surfaces[static_cast<std::size_t>(index)]; }
    // −1: the result is drawn opaque; any other colour is transparent when it is drawn.
    ColorRef resultTransparentColor(int result) const {
        return m_transparent[static_cast<std::size_t>(result)];
    }
    void setResultTransparentColors(ColorRef color) { m_transparent = {color, color}; }

    // --- Runners ---

    bool RunPixelComparison(bool edgesFirst);
    bool RunCompositeComparison(bool binarize);
    bool OverlayOriginals();
    bool RunGradationComparison(bool edgesFirst);
    bool RunDifferenceExtraction();
    bool RunHistogramComparison();
    bool FindBestMatch();
    bool CompareProperties();

    const Histogram& histogram(int k) const { return m_histograms[static_cast<std::size_t>(k)]; }
    // The scan match of the current shift and `channel` (0 red, 1 green, 2 blue, −1 all), as the scan
    // charts draw it; empty when the shift leaves no rows or memory runs out.
    std::optional<ScanResult> computeScan(int channel);
    // The rows of the last property comparison.
    const std::vector<PropertyRow>& propertyRows() const { return m_propertyRows; }
    // True when the originals are equal over the region they overlap at the current shift.
    bool originalsEqual();
    // The pixels of the region the originals overlap at the current shift, and how many of them differ
    // in colour; empty without originals or when memory runs out.
    struct OverlapCount {
        long long compared = 0;
        long long differing = 0;
    };
    std::optional<OverlapCount> countDifferingPixels();

    // --- Tolerance and metrics (SessionMeasures.cpp) ---

    // The tolerance of the pixel comparison (exact by default): colours within the threshold count as
    // equal, anti-aliased pixels and the ignored rectangles (original 1's pixels) are not counted. The
    // rectangles are cut to the working image when the comparison runs; those outside it are dropped.
    // With options set, countDifferingPixels counts with them too.
    void setToleranceOptions(ToleranceOptions options) { m_tolerance = std::move(options); }
    const ToleranceOptions& toleranceOptions() const { return m_tolerance; }
    // The count of the last pixel comparison (countDifferingPixels at that run); empty before one ran,
    // when it failed, and after the results were reset.
    const std::optional<OverlapCount>& pixelComparisonCount() const { return m_pixelCount; }
    // The quality metrics of the originals over the region they overlap at the current shift, original 2
    // drawn at the shift as the comparisons draw it; empty without originals or when memory runs out.
    std::optional<ImageMetrics> measureMetrics();

    // --- Modes ---

    bool zoomModeOn() const { return m_zoomMode; }
    // The zoom comparison's frame in image pixels (empty: none) and the original it magnifies (0 or 1).
    // Starting the comparison puts a frame of half the image's size at its centre on original 1; a reset
    // empties it.
    const QRect& zoomFrame() const { return m_zoomFrame; }
    int zoomTarget() const { return m_zoomTarget; }
    void setZoomFrame(int target, const QRect& frame) {
        m_zoomTarget = std::clamp(target, 0, 1);
        m_zoomFrame = frame;
    }
    // Whether the help pane covers the result areas (the areas then ignore the pointer).
    bool helpPaneShown() const { return m_helpPaneShown; }
    void setHelpPaneShown(bool shown) { m_helpPaneShown = shown; }
    bool watermarkModeOn() const { return m_watermarkMode; }
    bool documentModeOn() const { return m_documentMode; }
    // One tick of the document mode's drop-invitation frame: the next phase 0 … 19.
    int advanceDocumentFrame();
    int documentFramePhase() const { return m_documentFramePhase; }
    // Hides `documentPath` in a copy of original 1 saved as PNG or TIFF, asking where.
    void EmbedDocument(const QString& documentPath);
    const QString& embeddedDocumentPath() const { return m_embeddedDocument; }
    // The file name of the embedded document.
    QString embeddedDocumentName() const;
    // What the field under the extraction button shows: the embedded document's name after original 1
    // was set, empty after a clear (which keeps the document itself).
    const QString& documentFieldText() const { return m_documentField; }
    // Copies the embedded document to the desktop, asking first.
    void ExtractToDesktop();
    // Copies the embedded document into `folder` (made when missing) under its name, replacing a file of
    // that name; `target` is the written path. A failure names the file and the reason.
    Status copyEmbeddedDocument(const QString& folder, QString& target) const;

    // --- Watermark texts (SessionWatermark.cpp) ---

    WatermarkList& watermarks() { return m_watermarks; }
    const WatermarkList& watermarks() const { return m_watermarks; }
    // Results 1 and 2 made again from the blend base and the texts; both drawn opaque. The caller
    // redraws. (Original 2's surface holds the watermark background from the mode's start on.) Only the
    // part of the image that the texts changed since the last recomposition is made again.
    bool recomposeWatermarks();
    // The part of the image the last recomposition changed (empty when none did).
    const QRect& lastWatermarkChange() const { return m_watermarkChange; }
    // Recomposes and asks for the results to be redrawn where the texts changed them.
    void recomposeAndRedrawWatermarks();
    // The commands of the watermark mode; each does nothing while the mode is off. They recompose and
    // redraw as the mode's rules say.
    // A text centred at `imagePoint` of the working image (kept inside it); message 30012 when full.
    bool addWatermarkText(QPoint imagePoint);
    void selectAllWatermarks();
    // Asks 30013, then deletes the selected texts.
    void deleteWatermarks();
    void toggleWatermarkStyle(WatermarkList::Style style);
    // False when the face's name does not fit a record (nothing changes then).
    bool setWatermarkFace(const QString& face);
    void setWatermarkSize(int points);
    void setWatermarkShadow(int offset);
    void setWatermarkColor(ColorRef color);
    void setWatermarkShadowColor(ColorRef color);
    // The background colour chosen with its button: stored, and in the mode recomposed.
    void chooseWatermarkBackground(ColorRef color);
    // Layout files: asks for the file, then writes or reads it; every failure names the file and why.
    void saveWatermarkFile();
    void loadWatermarkFile();
    // The text typed into text `index`'s edit box, stored when it differs (cut to the field at a character
    // boundary). Characters the record cannot hold refuse it with a message (false), unless `force`:
    // then they are stored as "?" and the message says so.
    bool storeEditedWatermarkText(int index, const QString& text, bool force);
    // The window closes: in the watermark mode the texts are stored in the settings.
    void watermarkWindowClosing();
    // The command line: original 1 with the layout of `layoutPath` (boxes fitted into the image) on
    // `background`, composed into results 1 and 2. False with the reason in `error`.
    // Values of the file brought into their ranges are listed in `adjustments`.
    bool composeWatermarkLayout(const QString& layoutPath, ColorRef background, QString& error,
                                QStringList& adjustments);

    // --- Saving ---

    // The save command of a result area: asks for a file and type, then saves.
    void SaveResultImage(int area);
    // Writes surface `index` to `path` as `options` say; a failure names the file and the reason.
    Status saveSurface(int index, const QString& path, const SaveOptions& options);

private:
    // Sets original k from a decoded image; `converted`, when given, is the image already in the surface
    // format at its own size, taken over as the surface when that is the working size.
    bool setLoadedOriginal(int k, const QString& path, const LoadedImage& loaded, bool ask,
                           DeviceBitmap* converted = nullptr);
    void updateProcessingControls();
    void setProcessingMenu(int position, const QString& caption);
    bool startDocumentMode();
    bool startWatermarkMode();
    void endWatermarkMode();
    void saveWatermarksToSettings();
    // Shows the values that were brought into range while texts were loaded, if any.
    void reportWatermarkAdjustments(const QString& source, const QStringList& adjustments);
    void drawShiftedOriginal2(DeviceBitmap& target);
    // The tolerance options with the ignored rectangles cut to the working image.
    ToleranceOptions toleranceForWorkingImage() const;
    // countDifferingPixels with the tolerance options (a work surface takes the map).
    std::optional<OverlapCount> countWithTolerance();
    // The overlap at the current shift with `differing` of its pixels differing.
    OverlapCount overlapCount(std::int64_t differing) const;
    void copyOriginalsToWork();
    bool runEdgesOnWork();
    void beginLongOperation(std::int64_t steps);
    void endLongOperation();
    bool reportFailure(const QString& detail, int id);
    bool applyPreprocessing(int k, Preprocessing operation);
    void resetShiftControls();
    void stateChanged();

    Host& m_host;
    int m_displayBits;
    SettingsStore* m_settings;
    Clock m_clock;
    CFilter m_filter;

    std::array<QString, 2> m_paths;
    std::array<QString, 2> m_types;
    std::array<QSize, 2> m_naturalSizes{};
    QSize m_workingSize{0, 0};
    std::array<DeviceBitmap, kSurfaceCount> m_surfaces;
    std::array<ColorRef, 2> m_transparent{0, 0};

    ProcessingMode m_processing = ProcessingMode::None;
    QString m_caption;
    int m_menuPosition = 0;
    QString m_instruction;
    QString m_elapsed = QStringLiteral("00:00.000");
    ProcessingControls m_controls;

    int m_histogramVariant = 3;
    int m_scanChannel = -1;
    int m_adjust1 = 128;
    int m_adjust2 = 128;
    int m_shiftH = 0;
    int m_shiftV = 0;
    int m_colorSpace = 0;
    int m_blendMode = 0;
    int m_overlayLevel = 0;
    ColorRef m_background = kBackgroundDefault;
    ColorRef m_watermarkBackground = kBackgroundWhite;
    QPoint m_gridPosition{-1, -1};
    bool m_gridOn = false;
    QPoint m_visualPoint{17, 17};
    int m_valueNotation = 1;

    bool m_zoomMode = false;
    QRect m_zoomFrame;
    int m_zoomTarget = 0;
    bool m_helpPaneShown = false;
    bool m_watermarkMode = false;
    WatermarkList m_watermarks;
    WatermarkComposer m_watermarkComposer;
    QRect m_watermarkChange;
    bool m_documentMode = false;
    int m_documentFramePhase = 0;
    QString m_embeddedDocument;
    QString m_documentField; // the name shown under the extraction button

    ToleranceOptions m_tolerance;
    std::optional<OverlapCount> m_pixelCount;
    std::array<Histogram, 2> m_histograms{};
    std::vector<PropertyRow> m_propertyRows;
};

} // namespace corvane
