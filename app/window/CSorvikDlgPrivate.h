#pragma once

// What the main window's source files share: the ids of its controls and commands, and the controls
// themselves. Only CSorvikDlg*.cpp include this.

#include "app/window/CSorvikDlg.h"
#include "app/window/DialogControls.h"
#include "app/window/DifferenceCountLabel.h"

#include <QFontComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

#include <array>
#include <map>
#include <vector>

namespace corvane {

// Ids of the window's controls, as in its template.
namespace id {
constexpr int kExit = 2;
constexpr int kHelpSettings = 198;
constexpr int kInstruction = 343;
constexpr int kElapsed = 344;
constexpr int kDocumentName = 345;
constexpr int kClear = 1007;
constexpr int kShiftHEdit = 1008;
constexpr int kShiftH = 1009;
constexpr int kShiftVEdit = 1010;
constexpr int kShiftV = 1011;
constexpr int kWatermarkSizeEdit = 1012;
constexpr int kWatermarkSize = 1014;
constexpr int kAdjust1Edit = 1015;
constexpr int kAdjust1 = 1016;
constexpr int kWatermarkShadowEdit = 1017;
constexpr int kWatermarkShadow = 1018;
constexpr int kHelp = 1019;
constexpr int kVersion = 1020;
constexpr int kAdjust2Edit = 1021;
constexpr int kAdjust2 = 1022;
constexpr int kExtract = 1023;
constexpr int kColorSpace = 1028;
constexpr int kBlend = 1029;
constexpr int kOverlay = 1030;
constexpr int kNotation = 1031;
constexpr int kProgress = 1032;
constexpr int kProcessing = 1033;
constexpr int kGrid = 1034;
constexpr int kWatermarkFont = 1035;
constexpr int kWatermarkColor = 1036;
constexpr int kWatermarkShadowColor = 1037;
constexpr int kWatermarkBackground = 1038;
} // namespace id

// Commands of the grid, value-notation and accelerator menus that the window handles itself.
namespace cmd {
constexpr int kNotationFirst = 145; // 145 … 148: value notation 0 … 3
constexpr int kGridToggle = 149;
constexpr int kGridCentre = 151;
constexpr int kGridVisual = 155;
constexpr int kBold = 177;
constexpr int kDeleteWatermarks = 179;
constexpr int kItalic = 180;
constexpr int kStrike = 181;
constexpr int kUnderline = 182;
constexpr int kSelectAllWatermarks = 187;
constexpr int kHelpPane = 196;
constexpr int kZoomTarget = 197;
constexpr int kEndZoomFromNavi = 194;
} // namespace cmd

struct CSorvikDlg::Controls {
    bool built = false;
    int baseX = 6;
    int baseY = 13;

    QToolButton* processing = nullptr;
    QLabel* elapsed = nullptr;
    UpDownControl* adjust1 = nullptr;
    UpDownControl* adjust2 = nullptr;
    UpDownControl* shiftH = nullptr;
    UpDownControl* shiftV = nullptr;
    QToolButton* extract = nullptr;
    QToolButton* clear = nullptr;
    QToolButton* version = nullptr;
    QToolButton* help = nullptr;
    QToolButton* helpSettings = nullptr;
    QPushButton* exit = nullptr;
    QLineEdit* instruction = nullptr;
    QLineEdit* documentName = nullptr;
    QToolButton* colorSpace = nullptr;
    QToolButton* blend = nullptr;
    QToolButton* overlay = nullptr;
    QToolButton* notation = nullptr;
    QToolButton* grid = nullptr;
    std::vector<QWidget*> watermarkStyle; // hidden until the watermark mode uses them
    QLabel* watermarkBackgroundLabel = nullptr;
    ColorButton* watermarkColor = nullptr;
    ColorButton* watermarkShadowColor = nullptr;
    ColorButton* watermarkBackground = nullptr;
    QFontComboBox* watermarkFont = nullptr;
    UpDownControl* watermarkSize = nullptr;
    UpDownControl* watermarkShadow = nullptr;
    QProgressBar* progress = nullptr;
    DifferenceCountLabel* differenceCount = nullptr; // in the progress bar's row while the bar is hidden

    std::array<QMenu*, 4> processingMenus{};
    std::map<int, QAction*> actions;
    std::map<int, QWidget*> byId;
    QTimer documentTimer;
    int waitCursors = 0;
};

} // namespace corvane
