#include "app/window/HelpPane.h"

#include "app/window/AreaGeometry.h"
#include "app/window/Dialogs.h"
#include "platform/Settings.h"
#include "res/HelpText.h"

#include <QContextMenuEvent>
#include <QFontDatabase>
#include <QFontInfo>
#include <QMenu>
#include <QScrollBar>
#include <QTextBlock>

#include <algorithm>
#include <cmath>

namespace corvane {

namespace {

const QString kLast = QStringLiteral("Last");
const QString kDefaultFace = QStringLiteral("MS UI Gothic");
constexpr int kDefaultSize = 12;
constexpr int kDefaultWeight = 400;
constexpr int kMaximumSize = 500;
// The text keeps this distance from the pane's left and right edges.
constexpr int kSideMargin = 10;

} // namespace

HelpFontSettings readHelpFontSettings(const SettingsStore& settings) {
    HelpFontSettings values;
    values.face = settings.readString(kLast, QStringLiteral("fontRemName"), kDefaultFace);
    if (values.face.isEmpty()) {
        values.face = kDefaultFace;
    }
    const int size = settings.readInt(kLast, QStringLiteral("fontRemSize"), kDefaultSize);
    values.size = size < 1 ? kDefaultSize : std::min(size, kMaximumSize);
    // Weight 0 is the font system's "any weight": the normal one.
    const int weight = settings.readInt(kLast, QStringLiteral("fontRemWeight"), kDefaultWeight);
    values.weight = weight < 1 ? kDefaultWeight : std::min(weight, 1000);
    values.color =
        static_cast<ColorRef>(settings.readInt(kLast, QStringLiteral("refRemText"), 0)) & 0xFFFFFFu;
    return values;
}

void writeHelpFontSettings(SettingsStore& settings, const HelpFontSettings& values) {
    settings.writeString(kLast, QStringLiteral("fontRemName"), values.face);
    settings.writeInt(kLast, QStringLiteral("fontRemSize"), values.size);
    settings.writeInt(kLast, QStringLiteral("fontRemWeight"), values.weight);
    settings.writeInt(kLast, QStringLiteral("refRemText"), static_cast<int>(values.color));
}

QFont helpFont(const HelpFontSettings& values, const QFont& base) {
    QFont font = base;
    font.setFamilies({values.face});
    font.setPixelSize(std::clamp(values.size, 1, kMaximumSize));
    font.setWeight(static_cast<QFont::Weight>(std::clamp(values.weight, 1, 1000)));
    font.setStretch(QFont::AnyStretch);
    return font;
}

HelpFontSettings helpFontSettingsOf(const QFont& font, ColorRef color, int dpi) {
    HelpFontSettings values;
    values.face = font.family().isEmpty() ? kDefaultFace : font.family();
    int size = font.pixelSize();
    if (size <= 0) {
        size = static_cast<int>(std::lround(font.pointSizeF() * std::max(dpi, 1) / 72.0));
    }
    values.size = std::clamp(size, 1, kMaximumSize);
    values.weight = std::clamp(static_cast<int>(font.weight()), 1, 1000);
    values.color = color & 0xFFFFFFu;
    return values;
}

int helpScrollLines(ProcessingMode mode) {
    switch (mode) {
    case ProcessingMode::Visual:
        return 40;
    case ProcessingMode::Zoom:
        return 48;
    case ProcessingMode::Histogram:
        return 54;
    case ProcessingMode::Scan:
        return 60;
    case ProcessingMode::Properties:
        return 67;
    case ProcessingMode::Pixel:
        return 71;
    case ProcessingMode::PixelAfterEdges:
        return 76;
    case ProcessingMode::Composite:
        return 80;
    case ProcessingMode::CompositeBinarized:
        return 88;
    case ProcessingMode::Gradation:
        return 93;
    case ProcessingMode::GradationAfterEdges:
        return 100;
    case ProcessingMode::DifferenceExtraction:
        return 105;
    case ProcessingMode::Watermark:
        return 111;
    case ProcessingMode::DocumentEmbedding:
        return 117;
    case ProcessingMode::None:
        break;
    }
    return 0;
}

QRect helpPaneRegion(QSize areasSize) {
    const AreaGeometry geometry = computeAreaGeometry(QRect(QPoint(0, 0), areasSize), 0, QSize());
    return normalisedRect(geometry.frames[2].topLeft(),
                          QPoint(rightEdge(geometry.frames[3]), bottomEdge(geometry.frames[3])));
}

HelpPane::HelpPane(SettingsStore& settings, QWidget* parent) : QPlainTextEdit(parent), m_settings(settings) {
    setObjectName(QStringLiteral("control192"));
    setReadOnly(true);
    setFrameShape(QFrame::StyledPanel);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    // Lets the last sections come to the top too, instead of stopping where the text's end meets the
    // pane's bottom.
    setCenterOnScroll(true);
    // The margins lie outside the viewport: painted in the viewport's colour, they read as part of the text.
    setViewportMargins(kSideMargin, 0, kSideMargin, 0);
    setAutoFillBackground(true);
    setPlainText(helpTextLines().join(QLatin1Char('\n')));
    hide();
    applySettings();
}

void HelpPane::applySettings() {
    useSettings(readHelpFontSettings(m_settings), font());
}

void HelpPane::useSettings(const HelpFontSettings& values, const QFont& base) {
    m_color = values.color;
    QPalette colours = palette();
    const QColor text(redOf(m_color), greenOf(m_color), blueOf(m_color));
    colours.setColor(QPalette::Text, text);
    colours.setColor(QPalette::Window, colours.color(QPalette::Base));
    setPalette(colours);
    setFont(helpFont(values, base));
}

void HelpPane::showOver(const QRect& region, int firstLine) {
    setGeometry(region);
    show();
    raise();
    const QTextBlock block = document()->findBlockByNumber(std::clamp(firstLine, 0, blockCount() - 1));
    verticalScrollBar()->setValue(block.isValid() ? block.firstLineNumber() : 0);
}

void HelpPane::placeOver(const QRect& region) {
    const int top = firstVisibleLine();
    setGeometry(region);
    // A new width wraps the lines differently: the same line stays at the top.
    verticalScrollBar()->setValue(document()->findBlockByNumber(top).firstLineNumber());
}

void HelpPane::chooseSettings(DialogProvider& dialogs, QWidget* owner) {
    QFont base = font();
    // The dialog lists installed families only: a face that stands in for another is offered as itself, so
    // that the dialog starts on the font the pane shows.
    QFont initial = base;
    if (!QFontDatabase::hasFamily(initial.family())) {
        initial.setFamilies({QFontInfo(base).family()});
    }
    if (const std::optional<QFont> chosen =
            dialogs.chooseFont(owner, initial, QStringLiteral("ヘルプのフォント"))) {
        // The chosen font's other attributes (italic, underline, …) stay until the next start.
        base = *chosen;
        m_color =
            dialogs.chooseColor(owner, m_color, QStringLiteral("ヘルプのテキストの色")).value_or(m_color);
    }
    const HelpFontSettings values = helpFontSettingsOf(base, m_color, logicalDpiY());
    writeHelpFontSettings(m_settings, values);
    useSettings(values, base);
}

int HelpPane::firstVisibleLine() const {
    return firstVisibleBlock().blockNumber();
}

void HelpPane::contextMenuEvent(QContextMenuEvent* event) {
    // The guide can be copied; nothing else applies to a read-only text.
    QMenu menu(this);
    QAction* copyAction = menu.addAction(QStringLiteral("コピー(&C)"), this, &QPlainTextEdit::copy);
    copyAction->setEnabled(textCursor().hasSelection());
    menu.addAction(QStringLiteral("すべて選択(&A)"), this, &QPlainTextEdit::selectAll);
    menu.exec(event->globalPos());
}

} // namespace corvane
