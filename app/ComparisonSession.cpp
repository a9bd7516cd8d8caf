// The comparison session: processing selection, the dispatcher, parameters and modes.

#include "app/ComparisonSession.h"

#include "platform/Blit.h"
#include "res/Strings.h"

#include <QElapsedTimer>
#include <algorithm>

#include <memory>

namespace corvane {

namespace {

// The zoom comparison's first frame: half the image's width and height around its centre.
QRect centredHalf(QSize size) {
    const int w = size.width();
    const int h = size.height();
    return {w / 2 - w / 4, h / 2 - h / 4, 2 * (w / 4), 2 * (h / 4)};
}

ComparisonSession::Clock monotonicClock() {
    auto timer = std::make_shared<QElapsedTimer>();
    timer->start();
    return [timer] {
        return static_cast<long long>(timer->elapsed());
    };
}

} // namespace

ComparisonSession::ComparisonSession(Host& host, int displayBits, SettingsStore* settings)
    : m_host(host), m_displayBits(displayBits), m_settings(settings), m_clock(monotonicClock()),
      m_caption(noProcessingCaption()) {}

void ComparisonSession::stateChanged() {
    m_host.stateChanged();
}

void ComparisonSession::updateProcessingControls() {
    m_controls = processingControls(m_processing);
    m_instruction = m_controls.instruction;
    if (m_processing == ProcessingMode::CompositeBinarized) {
        m_adjust1 = 6;
    } else if (m_processing == ProcessingMode::DifferenceExtraction) {
        m_adjust1 = 64;
        m_adjust2 = 128;
    }
    stateChanged();
}

void ComparisonSession::setProcessingMenu(int position, const QString& caption) {
    m_menuPosition = position;
    m_caption = caption;
    stateChanged();
}

void ComparisonSession::SelectProcessing(int command) {
    if (prepareProcessing(command) && !RunProcessing()) {
        m_processing = ProcessingMode::None;
        updateProcessingControls();
        setProcessingMenu(0, noProcessingCaption());
    }
}

bool ComparisonSession::prepareProcessing(int command) {
    switch (command) {
    case command::kEndWatermark:
        endWatermarkMode();
        return false;
    case command::kEndZoom:
        ResetProcessing();
        m_host.redrawPictures(redraw::kOriginals);
        return false;
    case command::kEndDocument:
        m_host.redrawPictures(kOriginal1);
        ResetProcessing();
        return false;
    default:
        break;
    }
    const std::optional<ProcessingSelection> selection = selectionOfCommand(command);
    if (!selection) {
        return false;
    }
    // The variant and channel change at once, even when the run fails.
    if (selection->histogramVariant) {
        m_histogramVariant = *selection->histogramVariant;
    }
    if (selection->scanChannel) {
        m_scanChannel = *selection->scanChannel;
    }
    const ProcessingMode mode = selection->mode;
    const int menu = mode == ProcessingMode::Zoom                ? 1
                     : mode == ProcessingMode::Watermark         ? 2
                     : mode == ProcessingMode::DocumentEmbedding ? 3
                                                                 : 0;
    setProcessingMenu(menu, selection->caption);
    m_processing = mode;
    updateProcessingControls();
    return true;
}

bool ComparisonSession::HasBothOriginals() const {
    return !m_paths[0].isEmpty() && !m_paths[1].isEmpty();
}

bool ComparisonSession::RunProcessing() {
    switch (m_processing) {
    case ProcessingMode::Zoom:
        if (m_paths[kOriginal1].isEmpty() || m_surfaces[kOriginal1].isNull()) {
            return false;
        }
        m_zoomMode = true;
        setZoomFrame(kOriginal1, centredHalf(m_workingSize));
        m_host.focusMainWindow();
        m_transparent = {0, 0};
        m_host.redrawAreas(redraw::kAll, true);
        stateChanged();
        return true;
    case ProcessingMode::Watermark:
        // A parameter step (the shift controls stay enabled) runs the dispatcher again: the running mode
        // keeps its texts.
        return m_watermarkMode || startWatermarkMode();
    case ProcessingMode::DocumentEmbedding:
        return startDocumentMode();
    case ProcessingMode::Scan:
        if (m_scanChannel == -2) {
            FindBestMatch();
            m_scanChannel = -1;
            m_caption = QStringLiteral("水平・垂直比較 RGB");
            stateChanged();
        } else if (!m_instruction.isEmpty()) {
            // The found position is shown until the comparison runs again with other parameters.
            m_instruction.clear();
            stateChanged();
        }
        m_host.redrawAreas(redraw::kAll, true);
        return true;
    case ProcessingMode::Properties:
        return CompareProperties();
    default:
        break;
    }
    if (!HasBothOriginals()) {
        m_host.showMessage({}, kMsgNeedBothOriginals, MessageType::Stop);
        return false;
    }
    if (m_processing == ProcessingMode::Visual) {
        m_host.focusMainWindow();
        m_host.redrawAreas(redraw::kAll, true);
        return true;
    }
    m_visualPoint = {17, 17};
    const long long start = m_clock();
    // A runner reports its own failures; the dispatcher still shows the elapsed time.
    switch (m_processing) {
    case ProcessingMode::Pixel:
        RunPixelComparison(false);
        break;
    case ProcessingMode::PixelAfterEdges:
        RunPixelComparison(true);
        break;
    case ProcessingMode::Composite:
        RunCompositeComparison(false);
        break;
    case ProcessingMode::CompositeBinarized:
        RunCompositeComparison(true);
        break;
    case ProcessingMode::Gradation:
        RunGradationComparison(false);
        break;
    case ProcessingMode::GradationAfterEdges:
        RunGradationComparison(true);
        break;
    case ProcessingMode::DifferenceExtraction:
        RunDifferenceExtraction();
        break;
    case ProcessingMode::Histogram:
        RunHistogramComparison();
        break;
    default:
        break;
    }
    m_elapsed = formatElapsedTime(m_clock() - start);
    stateChanged();
    return true;
}

void ComparisonSession::ResetProcessing() {
    m_processing = ProcessingMode::None;
    m_pixelCount.reset();
    updateProcessingControls();
    setProcessingMenu(0, noProcessingCaption());
    m_zoomMode = false;
    m_zoomFrame = QRect();
    m_watermarkMode = false;
    // Other processings write the results: the next watermark composition is whole.
    m_watermarkComposer.reset();
    m_documentMode = false;
    stateChanged();
}

bool ComparisonSession::startDocumentMode() {
    if (!m_embeddedDocument.isEmpty() &&
        m_host.showMessage({}, kMsgReplaceDocument, MessageType::YesNo) != MessageButton::Yes) {
        return false;
    }
    m_documentMode = true;
    m_documentFramePhase = 0;
    stateChanged();
    return true;
}

int ComparisonSession::advanceDocumentFrame() {
    m_documentFramePhase = (m_documentFramePhase + 1) % 20;
    return m_documentFramePhase;
}

bool ComparisonSession::stepShiftH(int value) {
    if (std::abs(static_cast<long long>(value)) >= m_workingSize.width()) {
        return false;
    }
    m_shiftH = value;
    RunProcessing();
    return true;
}

bool ComparisonSession::stepShiftV(int value) {
    if (std::abs(static_cast<long long>(value)) >= m_workingSize.height()) {
        return false;
    }
    m_shiftV = value;
    RunProcessing();
    return true;
}

// The adjust controls range over 0 … 255; a step past either end stays at the end, so the filters always
// get a strength they accept.
void ComparisonSession::stepAdjust1(int value) {
    m_adjust1 = std::clamp(value, 0, 255);
    RunProcessing();
}

void ComparisonSession::stepAdjust2(int value) {
    m_adjust2 = std::clamp(value, 0, 255);
    RunProcessing();
}

void ComparisonSession::setColorSpace(int space) {
    m_colorSpace = std::clamp(space, 0, 2);
    RunProcessing();
}

void ComparisonSession::setBlendMode(int mode) {
    m_blendMode = std::clamp(mode, 0, 14);
    RunProcessing();
}

void ComparisonSession::advanceBlendMode() {
    setBlendMode(m_blendMode == 14 ? 0 : m_blendMode + 1);
}

void ComparisonSession::setOverlayLevel(int level) {
    m_overlayLevel = std::clamp(level, 0, 4);
    RunProcessing();
}

void ComparisonSession::setParameters(int colorSpace, int blendMode, int overlayLevel) {
    m_colorSpace = std::clamp(colorSpace, 0, 2);
    m_blendMode = std::clamp(blendMode, 0, 14);
    m_overlayLevel = std::clamp(overlayLevel, 0, 4);
}

void ComparisonSession::setAdjustValues(int adjust1, int adjust2) {
    m_adjust1 = std::clamp(adjust1, 0, 255);
    m_adjust2 = std::clamp(adjust2, 0, 255);
}

bool ComparisonSession::reportFailure(const QString& detail, int id) {
    m_host.showMessage(detail.isEmpty() ? QString() : detail + QLatin1Char('\n'), id, MessageType::Stop);
    return false;
}

} // namespace corvane
