// The comparison session: the watermark mode, its commands, its files and its settings.

#include "app/ComparisonSession.h"

#include "platform/Blit.h"
#include "platform/Settings.h"
#include "res/Strings.h"
#include "watermark/WatermarkCompositor.h"
#include "watermark/WatermarkFile.h"
#include "watermark/WatermarkSettings.h"

#include <QFileInfo>

namespace corvane {

namespace {

const QString kLayoutFilter = QStringLiteral("透かし文字ファイル |*.wcd||");

} // namespace

bool ComparisonSession::startWatermarkMode() {
    if (m_paths[kOriginal1].isEmpty() || m_surfaces[kOriginal1].isNull()) {
        m_host.showMessage({}, kMsgNoOriginal1, MessageType::Stop);
        return false;
    }
    m_watermarkMode = true;
    m_watermarks.clear();
    // The results start black; original 1 as it is now is the base the texts are blended into.
    for (const int result : {kResult1, kResult2}) {
        fillSolid(m_surfaces[static_cast<std::size_t>(result)], kBlack);
    }
    m_transparent = {kBlack, kBlack};
    bitBlt(m_surfaces[kWork1], 0, 0, m_surfaces[kOriginal1]);
    fillSolid(m_surfaces[kOriginal2], m_watermarkBackground);
    m_watermarkComposer.reset();
    stateChanged();

    const int stored = m_settings != nullptr ? storedWatermarkCount(*m_settings) : 0;
    if (stored >= 1 && stored <= kWatermarkCapacity &&
        m_host.showMessage({}, kMsgRestoreLast, MessageType::YesNo) == MessageButton::Yes) {
        QStringList adjustments;
        const std::vector<WatermarkText> texts = loadWatermarks(*m_settings, stored, adjustments);
        m_watermarks.assign(texts, m_workingSize);
        recomposeWatermarks();
        m_host.redrawAreas(redraw::kAreas1To3, true);
        reportWatermarkAdjustments(QStringLiteral("前回の透かし文字"), adjustments);
        return true;
    }
    m_host.redrawAreas(redraw::kAll, true);
    if (addWatermarkText(QPoint(m_workingSize.width() / 2, m_workingSize.height() / 2))) {
        m_host.startWatermarkEdit(0);
    }
    return true;
}

void ComparisonSession::endWatermarkMode() {
    m_host.finishWatermarkEdit();
    // Ending the mode keeps the originals and clears the results, as starting it found them.
    const bool wasOn = m_watermarkMode;
    ResetProcessing();
    if (wasOn) {
        saveWatermarksToSettings();
    }
    if (!m_paths[kOriginal2].isEmpty()) {
        ReloadOriginal(kOriginal2);
    }
    for (const int result : {kResult1, kResult2}) {
        if (!m_surfaces[static_cast<std::size_t>(result)].isNull()) {
            fillSolid(m_surfaces[static_cast<std::size_t>(result)], kBlack);
        }
    }
    m_transparent = {kBlack, kBlack};
    m_host.redrawAreas(redraw::kAll, true);
}

void ComparisonSession::saveWatermarksToSettings() {
    if (m_settings != nullptr) {
        saveWatermarks(*m_settings, m_watermarks.texts());
    }
}

void ComparisonSession::watermarkWindowClosing() {
    if (m_watermarkMode) {
        m_host.finishWatermarkEdit();
        saveWatermarksToSettings();
    }
}

void ComparisonSession::reportWatermarkAdjustments(const QString& source, const QStringList& adjustments) {
    if (adjustments.isEmpty()) {
        return;
    }
    // A long list is shortened: the first lines say what kind of values were out of range.
    constexpr qsizetype kShown = 8;
    QStringList lines = adjustments.mid(0, kShown);
    if (adjustments.size() > kShown) {
        lines.push_back(QStringLiteral("ほか %1 件").arg(adjustments.size() - kShown));
    }
    m_host.showMessage(source + QLatin1Char('\n') + lines.join(QLatin1Char('\n')) + QLatin1Char('\n'),
                       kMsgWatermarkAdjusted, MessageType::Information);
}

bool ComparisonSession::recomposeWatermarks() {
    // Original 2's surface got the background when the mode started or the background changed; nothing
    // else writes it while the mode is on, so it is not filled again at every step of a drag.
    const std::optional<QRect> changed =
        m_watermarkComposer.compose(m_watermarks, m_watermarkBackground, m_surfaces[kWork1],
                                    m_surfaces[kWork2], m_surfaces[kResult1], m_surfaces[kResult2]);
    m_watermarkChange = changed.value_or(QRect(QPoint(0, 0), m_workingSize));
    if (!changed) {
        return false;
    }
    m_transparent = {kNoColor, kNoColor};
    return true;
}

void ComparisonSession::recomposeAndRedrawWatermarks() {
    recomposeWatermarks();
    m_host.redrawChangedPictures(redraw::kAreas1To3, m_watermarkChange);
}

bool ComparisonSession::addWatermarkText(QPoint imagePoint) {
    if (!m_watermarkMode) {
        return false;
    }
    if (m_watermarks.isFull()) {
        m_host.showMessage({}, kMsgTooManyWatermarks, MessageType::Stop);
        return false;
    }
    // A point right of or below the picture (a click on the area's margin) puts the text at the edge.
    const QPoint point(std::clamp(imagePoint.x(), 0, std::max(0, m_workingSize.width() - 1)),
                       std::clamp(imagePoint.y(), 0, std::max(0, m_workingSize.height() - 1)));
    m_watermarks.add(point, m_workingSize);
    recomposeAndRedrawWatermarks();
    return true;
}

void ComparisonSession::selectAllWatermarks() {
    if (!m_watermarkMode || m_watermarks.count() == 0) {
        return;
    }
    m_watermarks.selectAll();
    recomposeWatermarks();
    m_host.redrawPictures(kOriginal2);
}

void ComparisonSession::deleteWatermarks() {
    if (!m_watermarkMode || m_watermarks.count() == 0 ||
        m_host.showMessage({}, kMsgDeleteWatermark, MessageType::YesNo) != MessageButton::Yes) {
        return;
    }
    m_host.finishWatermarkEdit();
    m_watermarks.deleteSelected();
    recomposeAndRedrawWatermarks();
}

void ComparisonSession::toggleWatermarkStyle(WatermarkList::Style style) {
    if (!m_watermarkMode || m_watermarks.count() == 0) {
        return;
    }
    // The results follow at the next recomposition; the view shows the style at once.
    m_watermarks.toggle(style);
    m_host.redrawPictures(kOriginal2);
}

bool ComparisonSession::setWatermarkFace(const QString& face) {
    if (!m_watermarkMode || !m_watermarks.setFace(face)) {
        return false;
    }
    m_host.redrawPictures(kOriginal2);
    return true;
}

void ComparisonSession::setWatermarkSize(int points) {
    if (!m_watermarkMode) {
        return;
    }
    m_watermarks.setSize(points);
    recomposeAndRedrawWatermarks();
}

void ComparisonSession::setWatermarkShadow(int offset) {
    if (!m_watermarkMode) {
        return;
    }
    m_watermarks.setShadow(offset);
    recomposeAndRedrawWatermarks();
}

void ComparisonSession::setWatermarkColor(ColorRef color) {
    if (!m_watermarkMode) {
        return;
    }
    m_watermarks.setColor(color);
    recomposeAndRedrawWatermarks();
}

void ComparisonSession::setWatermarkShadowColor(ColorRef color) {
    if (!m_watermarkMode) {
        return;
    }
    m_watermarks.setShadowColor(color);
    recomposeAndRedrawWatermarks();
}

void ComparisonSession::chooseWatermarkBackground(ColorRef color) {
    m_watermarkBackground = color;
    if (!m_watermarkMode) {
        return;
    }
    fillSolid(m_surfaces[kOriginal2], m_watermarkBackground);
    recomposeAndRedrawWatermarks();
}

void ComparisonSession::saveWatermarkFile() {
    if (!m_watermarkMode || m_watermarks.count() == 0) {
        return;
    }
    const std::optional<SaveChoice> choice =
        m_host.chooseSaveFile(QStringLiteral("保存するファイルを指定"), kLayoutFilter, QStringLiteral("無題"),
                              QStringLiteral("wcd"), 1);
    if (!choice || choice->path.isEmpty()) {
        return;
    }
    if (const Status written = writeWatermarkFile(choice->path, m_watermarks.texts()); !written) {
        m_host.showMessage(written.message() + QLatin1Char('\n'), kMsgOpenFailed, MessageType::Stop);
        return;
    }
    m_host.showMessage(QStringLiteral("ファイルへの保存、"), kMsgDone, MessageType::Information);
}

void ComparisonSession::loadWatermarkFile() {
    if (!m_watermarkMode) {
        return;
    }
    const std::optional<QString> path =
        m_host.chooseOpenFile(QStringLiteral("読込みファイルを指定"), kLayoutFilter);
    if (!path || path->isEmpty()) {
        return;
    }
    const WatermarkFileContents contents = readWatermarkFile(*path);
    if (!contents.status) {
        // The list stays as it was.
        m_host.showMessage(contents.status.message() + QLatin1Char('\n'),
                           contents.opened ? kMsgReadFailed : kMsgOpenFailed, MessageType::Stop);
        return;
    }
    // The edited text's index would name another text of the new list.
    m_host.finishWatermarkEdit();
    m_watermarks.assign(contents.texts, m_workingSize);
    m_host.redrawPictures(redraw::kAreas1To3);
    reportWatermarkAdjustments(fileMessage(*path, {}), contents.adjustments);
}

bool ComparisonSession::storeEditedWatermarkText(int index, const QString& text, bool force) {
    if (!m_watermarks.isValidIndex(index)) {
        return true;
    }
    WatermarkText& record = m_watermarks.text(index);
    QString stored = text;
    stored.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    stored.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    if (stored == record.textString()) {
        return true;
    }
    const QString outside = charactersOutsideCp932(stored);
    if (!outside.isEmpty()) {
        if (!force) {
            m_host.showMessage(QStringLiteral("「%1」\n").arg(outside), kMsgWatermarkUnencodable,
                               MessageType::Stop);
            return false;
        }
        for (const uint codePoint : outside.toUcs4()) {
            stored.replace(QString::fromUcs4(reinterpret_cast<const char32_t*>(&codePoint), 1),
                           QStringLiteral("?"));
        }
        reportWatermarkAdjustments(QStringLiteral("透かし文字 %1").arg(index + 1),
                                   {QStringLiteral("使えない文字「%1」を「?」にしました").arg(outside)});
    }
    record.setText(stored);
    return true;
}

bool ComparisonSession::composeWatermarkLayout(const QString& layoutPath, ColorRef background, QString& error,
                                               QStringList& adjustments) {
    if (m_paths[kOriginal1].isEmpty() || m_surfaces[kOriginal1].isNull()) {
        error = stringText(kMsgNoOriginal1);
        return false;
    }
    const WatermarkFileContents contents = readWatermarkFile(layoutPath);
    if (!contents.status) {
        error = contents.status.message();
        return false;
    }
    adjustments = contents.adjustments;
    m_watermarks.clear();
    m_watermarks.assign(contents.texts, m_workingSize);
    m_watermarkBackground = background;
    m_watermarkComposer.reset();
    if (!bitBlt(m_surfaces[kWork1], 0, 0, m_surfaces[kOriginal1]) ||
        !fillSolid(m_surfaces[kOriginal2], background) || !recomposeWatermarks()) {
        error = stringText(kMsgOutOfMemory);
        return false;
    }
    return true;
}

} // namespace corvane
