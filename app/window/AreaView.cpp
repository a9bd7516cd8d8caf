// The image areas: painting from the session's state, the scaled copies and the redraw requests.

#include "app/window/AreaView.h"

#include "app/ComparisonSession.h"
#include "app/window/AreaCaptions.h"
#include "app/window/AreaScaling.h"
#include "app/window/AreaViewPrivate.h"
#include "views/HistogramChart.h"
#include "views/VisualTable.h"

#include <QFileInfo>
#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>
#include <QRegion>

#include <cstdlib>

namespace corvane {

namespace {

const QColor kFrameColor(0x80, 0x80, 0x80);
const QColor kLabelRed(255, 0, 0);

// The four labels of the areas, by ImageSlot.
QString areaLabel(int area) {
    static const std::array<QString, 4> labels = {QStringLiteral("原本1"), QStringLiteral("原本2"),
                                                  QStringLiteral("結果1"), QStringLiteral("結果2")};
    return labels[static_cast<std::size_t>(area)];
}

QColor toQColor(ColorRef color) {
    return {redOf(color), greenOf(color), blueOf(color)};
}

// 8 × 8 squares, grey at the top left and bottom right of each 16 × 16 tile, silver elsewhere.
const QBrush& checkerBrush() {
    static const QBrush brush = [] {
        QImage tile(16, 16, QImage::Format_RGB32);
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 16; ++x) {
                tile.setPixel(x, y, (x < 8) == (y < 8) ? 0xFF808080u : 0xFFC0C0C0u);
            }
        }
        return QBrush(tile);
    }();
    return brush;
}

// A one-pixel frame on the edge pixels of `rect`.
void frameRect(QPainter& painter, const QRect& rect, const QColor& color) {
    if (rect.isEmpty()) {
        return;
    }
    painter.fillRect(QRect(rect.x(), rect.y(), rect.width(), 1), color);
    painter.fillRect(QRect(rect.x(), rect.y() + rect.height() - 1, rect.width(), 1), color);
    painter.fillRect(QRect(rect.x(), rect.y(), 1, rect.height()), color);
    painter.fillRect(QRect(rect.x() + rect.width() - 1, rect.y(), 1, rect.height()), color);
}

QFont gridLabelFont() {
    QFont font(QStringLiteral("MS UI Gothic"));
    font.setPointSize(10);
    return font;
}

bool isChartOrTable(ProcessingMode mode) {
    return mode == ProcessingMode::Visual || mode == ProcessingMode::Histogram ||
           mode == ProcessingMode::Scan;
}

} // namespace

std::vector<int> areasOf(int which) {
    switch (which) {
    case 0:
    case 1:
    case 2:
    case 3:
        return {which};
    case redraw::kAll:
        return {0, 1, 2, 3};
    case redraw::kOriginals:
        return {0, 1};
    case redraw::kResults:
        return {2, 3};
    case redraw::kAreas1To3:
        return {1, 2, 3};
    default:
        return {};
    }
}

void paintOutline(QPainter& painter, const AreaOutline& outline) {
    if (outline.rect.isEmpty()) {
        return;
    }
    const QColor color = outline.handleDrag ? QColor(0, 0, 255) : QColor(255, 0, 0);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setBackgroundMode(Qt::TransparentMode);
    QPen pen(color, 0, Qt::DotLine);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    // drawRect covers one pixel more than the rectangle on the right and bottom.
    painter.drawRect(outline.rect.adjusted(0, 0, -1, -1));
    if (outline.handles) {
        painter.setPen(QPen(color, 0));
        painter.setBrush(color);
        const std::array<QRect, 8> marks = handleMarks(outline.rect);
        for (std::size_t i = 0; i < marks.size(); ++i) {
            const QRect mark = marks[i].adjusted(0, 0, -1, -1);
            if (i < 4) {
                painter.drawRect(mark);
            } else {
                painter.drawEllipse(mark);
            }
        }
    }
    painter.restore();
}

AreaView::AreaView(ComparisonSession& session, QWidget* parent)
    : QWidget(parent), m_session(session), m_private(std::make_unique<Private>()) {
    // Every paint covers its whole region, so Qt need not erase first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setAcceptDrops(true);
    setFocusPolicy(Qt::ClickFocus);
    // The watermark editor watches the view's events from the start (modifiers of presses, double clicks).
    watermarkEditor();
}

AreaView::~AreaView() = default;

int AreaView::scaledCopyCount(int area) const {
    return m_private->copies[static_cast<std::size_t>(area)].count;
}

std::uint64_t AreaView::surfaceRevision(int area) const {
    return m_private->revisions[static_cast<std::size_t>(area)];
}

int AreaView::scanComputations() const {
    return m_private->scanChart.computations();
}

void AreaView::setOriginalsFlipped(bool flipped) {
    if (m_private->originalsFlipped != flipped) {
        m_private->originalsFlipped = flipped;
        repaintNamed(redraw::kOriginals, false);
    }
}

bool AreaView::originalsFlipped() const {
    return m_private->originalsFlipped;
}

int AreaView::originalShownIn(int area) const {
    const bool flip = m_private->originalsFlipped && (area == kOriginal1 || area == kOriginal2) &&
                      !m_session.originalPath(kOriginal1).isEmpty() &&
                      !m_session.originalPath(kOriginal2).isEmpty() && !m_session.watermarkModeOn();
    return flip ? 1 - area : area;
}

void AreaView::layoutAreas() {
    m_geometry = computeAreaGeometry(rect(), 0, m_session.workingSize());
}

void AreaView::invalidateScaledCopies(int which, const std::optional<QRect>& changed) {
    for (const int k : areasOf(which)) {
        ScaledCopy& copy = m_private->copies[static_cast<std::size_t>(k)];
        if (changed) {
            copy.changed |= *changed;
        } else {
            copy.stale = true;
        }
        ++m_private->revisions[static_cast<std::size_t>(k)];
    }
}

void AreaView::redrawAreas(int which, bool /*erase*/) {
    // Every paint draws the whole state over the background, so erasing first changes nothing.
    invalidateScaledCopies(which);
    repaintNamed(which, false);
}

void AreaView::redrawPictures(int which) {
    invalidateScaledCopies(which);
    repaintNamed(which, true);
}

void AreaView::redrawPictures(int which, const QRect& changed) {
    invalidateScaledCopies(which, changed);
    repaintNamed(which, true);
}

void AreaView::repaintNamed(int which, bool picturesOnly) {
    const std::array<QRect, 4> before = m_geometry.pictures;
    layoutAreas();
    // A new working size moves the pictures: everything is painted again.
    if (before != m_geometry.pictures) {
        repaint();
        return;
    }
    const std::array<QRect, 4>& rects = picturesOnly ? m_geometry.pictures : m_geometry.frames;
    QRegion region;
    for (const int k : areasOf(which)) {
        region += rects[static_cast<std::size_t>(k)];
    }
    repaint(region);
}

void AreaView::documentFrameTick() {
    m_session.advanceDocumentFrame();
    repaintNamed(kOriginal1, true);
}

void AreaView::setOutline(const std::optional<AreaOutline>& outline) {
    // The marks reach 2 + 3 pixels beyond the rectangle.
    QRegion region;
    if (m_private->outline) {
        region += m_private->outline->rect.adjusted(-6, -6, 6, 6);
    }
    if (outline) {
        region += outline->rect.adjusted(-6, -6, 6, 6);
    }
    m_private->outline = outline;
    repaint(region);
}

void AreaView::resizeEvent(QResizeEvent* event) {
    layoutAreas();
    QWidget::resizeEvent(event);
}

void AreaView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    m_showsImage = paintScene(painter);
    paintDocumentFrame(painter);
    if (m_private->outline) {
        paintOutline(painter, *m_private->outline);
    }
    emit painted();
}

std::array<bool, 4> AreaView::paintScene(QPainter& painter) {
    layoutAreas();
    std::array<bool, 4> showsImage{};
    painter.fillRect(rect(), palette().color(QPalette::Window));
    // The checkerboard is laid from the window's top-left corner, not the areas'.
    painter.setBrushOrigin(-pos());
    const ProcessingMode mode = m_session.currentProcessing();
    for (int k = 0; k < 4; ++k) {
        const QRect& frame = m_geometry.frames[static_cast<std::size_t>(k)];
        if (k < kResult1) {
            frameRect(painter, frame, kFrameColor);
        } else if (!isChartOrTable(mode) && !m_session.helpPaneShown()) {
            const ColorRef background = m_session.background();
            if (background == kBackgroundBlack || background == kBackgroundWhite) {
                painter.fillRect(frame, toQColor(background));
            } else {
                painter.fillRect(frame, checkerBrush());
            }
        }
    }
    // Under anything drawn on the areas (the grid), so that it stays whole.
    for (int k = 0; k < kResult1; ++k) {
        paintEmptyOriginalHint(painter, k);
    }
    for (int k = 0; k < 4; ++k) {
        if (k >= kResult1 && m_session.helpPaneShown()) {
            break;
        }
        paintArea(painter, k, showsImage);
    }
    paintAreaLabels(painter);
    return showsImage;
}

void AreaView::paintArea(QPainter& painter, int area, std::array<bool, 4>& showsImage) {
    if (!m_geometry.hasPictures()) {
        return;
    }
    const auto uk = static_cast<std::size_t>(area);
    const QRect& picture = m_geometry.pictures[uk];
    const ProcessingMode mode = m_session.currentProcessing();
    const QSize working = m_session.workingSize();
    if (m_session.watermarkModeOn() && area == kOriginal2) {
        painter.fillRect(picture, toQColor(m_session.watermarkBackground()));
        paintWatermarkTexts(painter);
    } else if (area < kResult1 && !m_session.originalPath(area).isEmpty()) {
        showsImage[uk] = paintSurface(painter, area, kNoColor);
        if (mode == ProcessingMode::Visual) {
            paintVisualCrossHair(painter, area);
        }
    } else if (area == kResult1 && mode == ProcessingMode::Visual) {
        paintVisualTables(painter);
    } else if (area == kResult1 && mode == ProcessingMode::Histogram) {
        paintHistogramChart(painter);
    } else if (area == kResult1 && mode == ProcessingMode::Scan) {
        if (std::abs(m_session.shiftH()) < working.width()) {
            paintScanChart(painter);
        }
    } else if (area >= kResult1 && mode != ProcessingMode::None && !isChartOrTable(mode) &&
               mode != ProcessingMode::Properties && !m_session.zoomModeOn()) {
        showsImage[uk] = paintSurface(painter, area, m_session.resultTransparentColor(area - kResult1));
    }
    const bool gridHere = area < kResult1 || (mode != ProcessingMode::Visual &&
                                              mode != ProcessingMode::Histogram && !m_session.zoomModeOn());
    if (m_session.gridOn() && !m_session.surface(area).isNull() && gridHere) {
        paintGrid(painter, area);
    }
    if (m_session.zoomModeOn() && area < kResult1 && showsImage[uk]) {
        paintZoomFrame(painter, area);
    }
}

const QImage& AreaView::scaledCopy(int area, QSize size, ColorRef transparent) {
    ScaledCopy& copy = m_private->copies[static_cast<std::size_t>(area)];
    const DeviceBitmap& surface = m_session.surface(area);
    // Besides the redraw requests, a surface replaced by another (set, swapped, recreated) or a new
    // transparent colour makes the copy again; comparing them costs nothing.
    const bool current = !copy.stale && copy.image.size() == size && copy.transparent == transparent &&
                         copy.source == surface.bits().data() && copy.geometry == surface.geometry();
    if (current && !copy.changed.isEmpty() &&
        !rescaleSurfaceRect(surface, copy.image, copy.changed, transparent)) {
        copy.stale = true;
    }
    if (!current || copy.stale) {
        copy.image = scaleSurface(surface, size, transparent);
        copy.stale = copy.image.isNull();
        copy.transparent = transparent;
        copy.source = surface.bits().data();
        copy.geometry = surface.geometry();
        ++copy.count;
    }
    copy.changed = QRect();
    return copy.image;
}

bool AreaView::paintSurface(QPainter& painter, int area, ColorRef transparent) {
    // An original's area may show the other original (flipped). Original 2 keeps its shift wherever it is
    // drawn, so each point of a picture shows the two pixels that are compared there, one after the other.
    const int source = originalShownIn(area);
    if (m_session.surface(source).isNull()) {
        return false;
    }
    const QRect& picture = m_geometry.pictures[static_cast<std::size_t>(area)];
    const QImage& copy = scaledCopy(source, picture.size(), transparent);
    if (copy.isNull()) {
        return false;
    }
    if (source == kOriginal2 && (m_session.shiftH() != 0 || m_session.shiftV() != 0)) {
        // Original 2 is drawn moved by the shift; the part of the picture it leaves uncovered shows the
        // area's background.
        const float scale = m_geometry.scale;
        const QPoint offset(static_cast<int>(static_cast<float>(m_session.shiftH()) * scale),
                            static_cast<int>(static_cast<float>(m_session.shiftV()) * scale));
        painter.save();
        painter.setClipRect(picture, Qt::IntersectClip);
        painter.drawImage(picture.topLeft() + offset, copy);
        painter.restore();
    } else {
        painter.drawImage(picture.topLeft(), copy);
    }
    return true;
}

void AreaView::paintGrid(QPainter& painter, int area) {
    QPoint grid = m_session.gridPosition();
    if (grid == QPoint(-1, -1)) {
        const QSize working = m_session.workingSize();
        grid = {working.width() / 2, working.height() / 2};
        m_session.setGridPosition(grid);
    }
    const QRect& picture = m_geometry.pictures[static_cast<std::size_t>(area)];
    const QPoint offset = gridLineOffset(m_geometry, grid);
    const int x = picture.x() + offset.x();
    const int y = picture.y() + offset.y();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(Qt::black, 0));
    painter.drawLine(x, picture.y(), x, picture.y() + picture.height() - 1);
    painter.drawLine(picture.x(), y, picture.x() + picture.width() - 1, y);

    const QString text = QStringLiteral(" %1,%2 ").arg(grid.x()).arg(grid.y());
    const QFont font = gridLabelFont();
    const QFontMetrics metrics(font);
    const QRect label =
        gridLabelRect(picture, offset, QSize(metrics.horizontalAdvance(text), metrics.height()));
    painter.fillRect(label, Qt::white);
    painter.setFont(font);
    painter.setPen(kLabelRed);
    painter.drawText(label, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
    painter.restore();
}

void AreaView::paintAreaLabels(QPainter& painter) {
    const ProcessingMode mode = m_session.currentProcessing();
    const QFontMetrics metrics(font());
    painter.save();
    painter.setFont(font());
    painter.setBackgroundMode(Qt::TransparentMode);
    for (int k = 0; k < 4; ++k) {
        if (k >= kResult1 && (mode == ProcessingMode::Visual || mode == ProcessingMode::Histogram)) {
            continue;
        }
        const QRect& frame = m_geometry.frames[static_cast<std::size_t>(k)];
        const QString text = areaLabel(k < kResult1 ? originalShownIn(k) : k);
        // Red text over a white copy moved by one pixel: readable on any picture.
        painter.setPen(Qt::white);
        painter.drawText(frame.topLeft() + QPoint(4, 4 + metrics.ascent()), text);
        painter.setPen(kLabelRed);
        painter.drawText(frame.topLeft() + QPoint(3, 3 + metrics.ascent()), text);
        if (k < kResult1) {
            paintOriginalCaption(painter, k, frame.x() + 3 + metrics.horizontalAdvance(text));
        }
    }
    painter.restore();
}

void AreaView::paintEmptyOriginalHint(QPainter& painter, int area) {
    // The watermark view takes original 2's place; it is no original.
    if (!m_session.originalPath(area).isEmpty() || (m_session.watermarkModeOn() && area == kOriginal2)) {
        return;
    }
    const QFontMetrics metrics(painter.font());
    const QRect& frame = m_geometry.frames[static_cast<std::size_t>(area)];
    const QStringList lines = emptyOriginalHint().split(QLatin1Char('\n'));
    const int lineHeight = metrics.height();
    int y = frame.y() + (frame.height() - lineHeight * static_cast<int>(lines.size())) / 2;
    if (y < frame.y() + 4 + lineHeight) {
        return; // no room below the label
    }
    painter.save();
    painter.setBackgroundMode(Qt::TransparentMode);
    for (const QString& line : lines) {
        const QString shown = metrics.elidedText(line, Qt::ElideRight, frame.width() - 8);
        const int x = frame.x() + (frame.width() - metrics.horizontalAdvance(shown)) / 2;
        painter.setPen(Qt::white);
        painter.drawText(QPoint(x + 1, y + 1 + metrics.ascent()), shown);
        painter.setPen(kLabelRed);
        painter.drawText(QPoint(x, y + metrics.ascent()), shown);
        y += lineHeight;
    }
    painter.restore();
}

void AreaView::paintOriginalCaption(QPainter& painter, int area, int labelEnd) {
    const QString& path = m_session.originalPath(originalShownIn(area));
    if (path.isEmpty() || (m_session.watermarkModeOn() && area == kOriginal2)) {
        return;
    }
    // File name and natural size after the label, only where they cover no part of the picture: on the
    // label's line when the picture leaves it free, else on two lines of their own under the label, in
    // the strip left of the picture.
    const QFontMetrics metrics(painter.font());
    const QRect& frame = m_geometry.frames[static_cast<std::size_t>(area)];
    const QRect& picture = m_geometry.pictures[static_cast<std::size_t>(area)];
    const QString name = QFileInfo(path).fileName();
    const QSize size = m_session.naturalSize(originalShownIn(area));
    const int lineHeight = metrics.height();
    const auto draw = [&](const QRect& space, const QString& text) {
        painter.setPen(Qt::white);
        painter.drawText(space.topLeft() + QPoint(1, 1 + metrics.ascent()), text);
        painter.setPen(kLabelRed);
        painter.drawText(space.topLeft() + QPoint(0, metrics.ascent()), text);
    };
    // The shadow takes a pixel more than the text.
    const auto fits = [&metrics](const QString& text, const QRect& space) {
        return !text.isEmpty() && metrics.horizontalAdvance(text) < space.width();
    };
    // A name elided to fit `width`, its middle giving way so that the extension stays; empty when
    // hardly anything of it would be left.
    const auto elided = [&](int width) {
        const QString text = metrics.elidedText(name, Qt::ElideMiddle, width);
        return text.size() >= std::min<qsizetype>(name.size(), 6) ? text : QString();
    };

    const int gap = metrics.horizontalAdvance(QLatin1Char(' ')) * 2;
    const QRect line = captionSpace(frame, picture, labelEnd + gap, frame.y() + 3, lineHeight + 1);
    const int sizeWidth = metrics.horizontalAdvance(originalCaption(QString(), size));
    const QString onLine = elided(line.width() - 1 - sizeWidth);
    if (fits(originalCaption(onLine, size), line)) {
        draw(line, originalCaption(onLine, size));
        return;
    }
    const QRect nameLine =
        captionSpace(frame, picture, frame.x() + 3, frame.y() + 3 + lineHeight, lineHeight + 1);
    const QRect sizeLine =
        captionSpace(frame, picture, frame.x() + 3, frame.y() + 3 + 2 * lineHeight, lineHeight + 1);
    const QString nameText = elided(nameLine.width() - 1);
    if (fits(nameText, nameLine) && fits(sizeCaption(size), sizeLine)) {
        draw(nameLine, nameText);
        draw(sizeLine, sizeCaption(size));
    }
}

void AreaView::paintDocumentFrame(QPainter& painter) {
    const int phase = m_session.documentFramePhase();
    if (!m_session.documentModeOn() || phase % 2 == 0 || !m_geometry.hasPictures()) {
        return;
    }
    const QRect frame = documentFrameRect(m_geometry.pictures[kOriginal1], phase);
    if (frame.isEmpty()) {
        return;
    }
    // The frame takes the inverse of the colour painted at its corner, so that it shows on any picture;
    // that pixel is painted again on its own to read it.
    QImage sample(1, 1, QImage::Format_RGB32);
    sample.fill(palette().color(QPalette::Window));
    {
        QPainter samplePainter(&sample);
        samplePainter.translate(-frame.topLeft());
        paintScene(samplePainter);
    }
    const QRgb under = sample.pixel(0, 0);
    const QColor inverse(255 - qRed(under), 255 - qGreen(under), 255 - qBlue(under));
    const QColor color = std::abs(inverse.red() - 128) < 64 ? QColor(Qt::black) : inverse;
    frameRect(painter, frame, color);
}

// --- Hooks of the features drawn over the areas ---

void AreaView::paintVisualCrossHair(QPainter& painter, int area) {
    // Unscaled, centred on the visual point's place in the picture; the shift does not apply.
    PaintCrossHair(painter, m_geometry.imageToScreen(area, m_session.visualPoint()));
}

void AreaView::paintVisualTables(QPainter& painter) {
    VisualTables tables;
    tables.point = m_session.visualPoint();
    tables.shiftH = m_session.shiftH();
    tables.shiftV = m_session.shiftV();
    tables.notation = m_session.valueNotation();
    tables.samples =
        sampleVisualNeighbourhoods(m_session.surface(kOriginal1), m_session.surface(kOriginal2),
                                   m_session.workingSize(), tables.point, tables.shiftH, tables.shiftV);
    PaintVisualTables(painter, {m_geometry.frames[kResult1], m_geometry.frames[kResult2]}, tables);
}

void AreaView::paintHistogramChart(QPainter& painter) {
    PaintHistogramChart(painter, {m_geometry.frames[kResult1], m_geometry.frames[kResult2]},
                        m_session.histogram(0), m_session.histogram(1), m_session.histogramVariant());
}

void AreaView::paintScanChart(QPainter& painter) {
    ScanChartInput input;
    input.original1 = &m_session.surface(kOriginal1);
    input.original2 = &m_session.surface(kOriginal2);
    input.work = &m_session.surface(kWork2);
    input.image = m_session.workingSize();
    input.shiftH = m_session.shiftH();
    input.shiftV = m_session.shiftV();
    input.channel = m_session.scanChannel() >= 0 ? m_session.scanChannel() : -1;
    input.overlayLevel = m_session.overlayLevel();
    input.revisions = {surfaceRevision(kOriginal1), surfaceRevision(kOriginal2)};
    // Nothing drawn (no counts for this shift) leaves the results as the window's background.
    PaintScanChart(painter, {m_geometry.frames[kResult1], m_geometry.frames[kResult2]}, input,
                   m_private->scanChart);
}

} // namespace corvane
