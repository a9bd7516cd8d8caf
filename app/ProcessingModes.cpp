#include "app/ProcessingModes.h"

#include <algorithm>
#include <array>

namespace corvane {

QString noProcessingCaption() {
    return QStringLiteral("ここをクリックして処理を選択してください");
}

QString modeCaption(ProcessingMode mode) {
    static const std::array<QString, 12> names = {
        QStringLiteral("目視比較"),           QStringLiteral("拡大比較"),
        QStringLiteral("ピクセル比較"),       QStringLiteral("輪郭検出後、ピクセル比較"),
        QStringLiteral("合成比較"),           QStringLiteral("合成後、２階調化比較"),
        QStringLiteral("差分階調比較"),       QStringLiteral("輪郭検出後、差分階調比較"),
        QStringLiteral("差分抽出"),           QStringLiteral("透かし文字書き込みモード"),
        QStringLiteral("文書埋め込みモード"), QString(),
    };
    const int index = static_cast<int>(mode);
    return index >= 0 && index < static_cast<int>(names.size()) ? names[static_cast<std::size_t>(index)]
                                                                : QString();
}

std::optional<ProcessingSelection> selectionOfCommand(int c) {
    using namespace command;
    const auto simple = [](ProcessingMode mode) {
        return ProcessingSelection{mode, modeCaption(mode), {}, {}};
    };
    switch (c) {
    case kVisual:
        return simple(ProcessingMode::Visual);
    case kZoom:
        return simple(ProcessingMode::Zoom);
    case kPixel:
        return simple(ProcessingMode::Pixel);
    case kPixelAfterEdges:
        return simple(ProcessingMode::PixelAfterEdges);
    case kComposite:
        return simple(ProcessingMode::Composite);
    case kCompositeBinarized:
        return simple(ProcessingMode::CompositeBinarized);
    case kGradation:
        return simple(ProcessingMode::Gradation);
    case kGradationAfterEdges:
        return simple(ProcessingMode::GradationAfterEdges);
    case kDifferenceExtraction:
        return simple(ProcessingMode::DifferenceExtraction);
    case kWatermark:
        return simple(ProcessingMode::Watermark);
    case kDocumentEmbedding:
        return simple(ProcessingMode::DocumentEmbedding);
    case kProperties:
        return ProcessingSelection{ProcessingMode::Properties, QStringLiteral("プロパティの比較"), {}, {}};
    default:
        break;
    }
    if (c >= kHistogramFirst && c <= kHistogramLast) {
        static const std::array<QString, 8> labels = {
            QStringLiteral("赤[全量表示]"),  QStringLiteral("緑[全量表示]"),  QStringLiteral("青[全量表示]"),
            QStringLiteral("RGB[全量表示]"), QStringLiteral("赤[極小拡大]"),  QStringLiteral("緑[極小拡大]"),
            QStringLiteral("青[極小拡大]"),  QStringLiteral("RGB[極小拡大]"),
        };
        const int variant = c - kHistogramFirst;
        return ProcessingSelection{ProcessingMode::Histogram,
                                   QStringLiteral("ヒストグラム ") +
                                       labels[static_cast<std::size_t>(variant)],
                                   variant,
                                   {}};
    }
    const auto scan = [](int channel, const char* label) {
        return ProcessingSelection{
            ProcessingMode::Scan, QStringLiteral("水平・垂直比較 ") + QString::fromUtf8(label), {}, channel};
    };
    switch (c) {
    case kScanRed:
        return scan(0, "赤");
    case kScanGreen:
        return scan(1, "緑");
    case kScanBlue:
        return scan(2, "青");
    case kScanRgb:
        return scan(-1, "RGB");
    case kBestMatch:
        return scan(-2, "最大合致位置調査");
    default:
        return std::nullopt;
    }
}

ProcessingControls processingControls(ProcessingMode mode) {
    ProcessingControls c;
    switch (mode) {
    case ProcessingMode::Visual:
        c.instruction = QStringLiteral("目視したい箇所をクリックまたはドラッグしてください");
        c.valueNotation = true;
        break;
    case ProcessingMode::Pixel:
    case ProcessingMode::PixelAfterEdges:
    case ProcessingMode::Scan:
        c.overlay = true;
        break;
    case ProcessingMode::Composite:
        c.blendMode = c.overlay = true;
        break;
    case ProcessingMode::CompositeBinarized:
        c.instruction = QStringLiteral("調整値：①２階調化強度 0(弱)-255(強)");
        c.adjust1 = c.colorSpace = c.blendMode = c.overlay = true;
        break;
    case ProcessingMode::Gradation:
    case ProcessingMode::GradationAfterEdges:
        c.colorSpace = c.overlay = true;
        break;
    case ProcessingMode::DifferenceExtraction:
        c.instruction = QStringLiteral("調整値：①２階調化強度 0(弱)-255(強), ②差分検出強度 0(弱)-255(強)");
        c.adjust1 = c.adjust2 = c.colorSpace = c.overlay = true;
        break;
    case ProcessingMode::Watermark:
        c.instruction = QStringLiteral("原本2のエリアに透かし文字を入力してください");
        break;
    case ProcessingMode::DocumentEmbedding:
        c.instruction = QStringLiteral("原本1に埋め込みたい文書をドラッグ＆ドロップしてください");
        break;
    case ProcessingMode::None:
    case ProcessingMode::Zoom:
    case ProcessingMode::Histogram:
    case ProcessingMode::Properties:
        break;
    }
    return c;
}

QString formatElapsedTime(long long milliseconds) {
    const long long elapsed = std::max(milliseconds, 0LL);
    const long long seconds = elapsed / 1000;
    return QStringLiteral("%1:%2.%3")
        .arg((seconds / 60) % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'))
        .arg(elapsed % 1000, 3, 10, QLatin1Char('0'));
}

QString formatElapsedSeconds(long long milliseconds) {
    const long long elapsed = std::max(milliseconds, 0LL);
    return QStringLiteral("%1.%2").arg(elapsed / 1000).arg(elapsed % 1000, 3, 10, QLatin1Char('0'));
}

} // namespace corvane
