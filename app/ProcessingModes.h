#pragma once

#include <QString>

#include <optional>

namespace corvane {

// The current processing of a session.
enum class ProcessingMode : int {
    None = -1,
    Visual = 0,
    Zoom = 1,
    Pixel = 2,
    PixelAfterEdges = 3,
    Composite = 4,
    CompositeBinarized = 5,
    Gradation = 6,
    GradationAfterEdges = 7,
    DifferenceExtraction = 8,
    Watermark = 9,
    DocumentEmbedding = 10,
    Histogram = 100,
    Scan = 200,
    Properties = 201,
};

// Command ids of the processing menu and of the parameter menus.
namespace command {
inline constexpr int kVisual = 165;
inline constexpr int kZoom = 193;
inline constexpr int kPixel = 166;
inline constexpr int kPixelAfterEdges = 167;
inline constexpr int kComposite = 168;
inline constexpr int kCompositeBinarized = 169;
inline constexpr int kGradation = 170;
inline constexpr int kGradationAfterEdges = 171;
inline constexpr int kDifferenceExtraction = 172;
inline constexpr int kWatermark = 173;
inline constexpr int kDocumentEmbedding = 32790;
inline constexpr int kHistogramFirst = 208; // 208 … 215: histogram variants 0 … 7
inline constexpr int kHistogramLast = 215;
inline constexpr int kScanRed = 152;
inline constexpr int kScanGreen = 153;
inline constexpr int kScanBlue = 154;
inline constexpr int kScanRgb = 116;
inline constexpr int kBestMatch = 150;
inline constexpr int kProperties = 117;
inline constexpr int kEndWatermark = 175;
inline constexpr int kEndZoom = 195;
inline constexpr int kEndDocument = 32791;
inline constexpr int kColorSpaceFirst = 121; // 121 … 123: RGB, HSV, HLS
inline constexpr int kBlendFirst = 124;      // 124 … 138: blend modes 0 … 14
inline constexpr int kOverlayFirst = 139;    // 139 … 143: overlay levels 0 … 4
} // namespace command

// The caption of the processing button when nothing is selected.
QString noProcessingCaption();

// What choosing a processing command selects: the mode, the caption, and for histogram and scan items
// the variant or channel they set. Empty for a command that is no processing.
struct ProcessingSelection {
    ProcessingMode mode = ProcessingMode::None;
    QString caption;
    std::optional<int> histogramVariant;
    std::optional<int> scanChannel; // 0 red, 1 green, 2 blue, −1 all, −2 best-match search
};
std::optional<ProcessingSelection> selectionOfCommand(int command);

// The caption of a mode from the name table (empty for modes that take their caption from the command).
QString modeCaption(ProcessingMode mode);

// The instruction line and the parameter controls enabled for a processing.
struct ProcessingControls {
    QString instruction;
    bool adjust1 = false;
    bool adjust2 = false;
    bool colorSpace = false;
    bool blendMode = false;
    bool overlay = false;
    bool valueNotation = false;
};
ProcessingControls processingControls(ProcessingMode mode);

// "MM:SS.mmm" of an elapsed time in milliseconds: minutes (hours dropped), seconds and milliseconds.
QString formatElapsedTime(long long milliseconds);
// "S.mmm" of an elapsed time in milliseconds: whole seconds and milliseconds (the best-match search).
QString formatElapsedSeconds(long long milliseconds);

} // namespace corvane
