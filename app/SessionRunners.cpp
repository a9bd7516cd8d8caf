// The comparison session: the runners of the image-producing comparisons, the histograms and the
// best-match search.

#include "app/ComparisonSession.h"

#include "platform/Blit.h"
#include "res/Strings.h"

#include <algorithm>
#include <cstdlib>
#include <new>

namespace corvane {

namespace {
// Progress steps of the difference extraction.
constexpr int kExtractionSteps = 7;
} // namespace

// Original 2 drawn at the shift over black: the strip the shifted image leaves uncovered is black, not
// whatever an earlier run left there, so results never depend on the history of the session.
void ComparisonSession::drawShiftedOriginal2(DeviceBitmap& target) {
    fillSolid(target, kBlack);
    bitBlt(target, m_shiftH, m_shiftV, m_surfaces[kOriginal2]);
}

void ComparisonSession::copyOriginalsToWork() {
    bitBlt(m_surfaces[kWork1], 0, 0, m_surfaces[kOriginal1]);
    drawShiftedOriginal2(m_surfaces[kWork2]);
}

bool ComparisonSession::runEdgesOnWork() {
    DeviceBitmap& work1 = m_surfaces[kWork1];
    DeviceBitmap& work2 = m_surfaces[kWork2];
    return (m_filter.DetectEdges(work1, work1) && m_filter.DetectEdges(work2, work2)) ||
           reportFailure({}, kMsgOutOfMemory);
}

bool ComparisonSession::RunPixelComparison(bool edgesFirst) {
    // The originals are compared through work copies only where a copy differs from them: the edge images,
    // or original 2 moved by the shift. Otherwise they are read where they are, which gives the same map
    // without writing two more images.
    m_pixelCount.reset();
    const bool shifted = m_shiftH != 0 || m_shiftV != 0;
    if (edgesFirst) {
        copyOriginalsToWork();
        if (!runEdgesOnWork()) {
            return false;
        }
    } else if (shifted) {
        drawShiftedOriginal2(m_surfaces[kWork2]);
    }
    const DeviceBitmap& first = m_surfaces[edgesFirst ? kWork1 : kOriginal1];
    const DeviceBitmap& second = m_surfaces[edgesFirst || shifted ? kWork2 : kOriginal2];
    std::optional<OverlapCount> count;
    if (m_tolerance.exact()) {
        if (!m_filter.ComparePixels(first, second, m_surfaces[kResult1], m_shiftH, m_shiftV, m_background)) {
            return reportFailure({}, kMsgOutOfMemory);
        }
        count = countDifferingPixels();
    } else {
        const std::optional<std::int64_t> differing =
            compareWithTolerance(first, second, m_surfaces[kResult1], m_shiftH, m_shiftV, m_background,
                                 toleranceForWorkingImage());
        if (!differing) {
            return reportFailure({}, kMsgOutOfMemory);
        }
        // The map's count is the originals' unless it was made of their edges.
        count = edgesFirst ? countWithTolerance() : std::optional(overlapCount(*differing));
    }
    if (!count) {
        return reportFailure({}, kMsgOutOfMemory);
    }
    m_pixelCount = count;
    bitBlt(m_surfaces[kResult2], 0, 0, m_surfaces[kResult1]);
    if (m_overlayLevel > 0) {
        OverlayOriginals();
    }
    m_transparent = {kNoColor, kNoColor};
    m_host.redrawAreas(redraw::kAreas1To3, false);
    return true;
}

bool ComparisonSession::RunCompositeComparison(bool binarize) {
    copyOriginalsToWork();
    const ColorSpace space = colorSpaceFromInt(m_colorSpace);
    // Result 1 is original 1 laid over original 2, result 2 the other way round. A failed step leaves its
    // result as it was and the run goes on.
    m_filter.BlendImages(m_surfaces[kWork1], m_surfaces[kWork2], m_surfaces[kResult1], m_blendMode);
    m_filter.BlendImages(m_surfaces[kWork2], m_surfaces[kWork1], m_surfaces[kResult2], m_blendMode);
    if (binarize) {
        m_filter.Binarize(m_surfaces[kResult1], m_surfaces[kResult1], m_adjust1, space);
        m_filter.Binarize(m_surfaces[kResult2], m_surfaces[kResult2], m_adjust1, space);
    }
    if (m_overlayLevel > 0) {
        OverlayOriginals();
    }
    m_transparent = {kNoColor, kNoColor};
    m_host.redrawAreas(redraw::kResults, false);
    return true;
}

bool ComparisonSession::OverlayOriginals() {
    const int alpha = m_overlayLevel * 51;
    for (const int r : {0, 1}) {
        DeviceBitmap& result = m_surfaces[static_cast<std::size_t>(kResult1 + r)];
        DeviceBitmap& work = m_surfaces[static_cast<std::size_t>(kWork1 + r)];
        bitBlt(work, 0, 0, result);
        bitBlt(result, 0, 0, m_surfaces[static_cast<std::size_t>(kOriginal1 + r)]);
        if (!alphaBlend(result, 0, 0, work, alpha)) {
            return false;
        }
    }
    return true;
}

bool ComparisonSession::RunGradationComparison(bool edgesFirst) {
    copyOriginalsToWork();
    if (edgesFirst && !runEdgesOnWork()) {
        return false;
    }
    if (!m_filter.GradationImage(m_surfaces[kWork1], m_surfaces[kWork2], m_surfaces[kWork3],
                                 colorSpaceFromInt(m_colorSpace))) {
        return reportFailure({}, kMsgOutOfMemory);
    }
    bitBlt(m_surfaces[kResult1], 0, 0, m_surfaces[kWork3]);
    bitBlt(m_surfaces[kResult2], 0, 0, m_surfaces[kWork3]);
    if (m_overlayLevel > 0) {
        OverlayOriginals();
    }
    m_transparent = {kNoColor, kNoColor};
    m_host.redrawAreas(redraw::kAll, false);
    return true;
}

void ComparisonSession::beginLongOperation(std::int64_t steps) {
    m_host.setWaitCursor(true);
    m_host.showProgress(0, steps);
}

void ComparisonSession::endLongOperation() {
    m_host.showProgress(0, 0);
    m_host.setWaitCursor(false);
}

namespace {

// Where original 2, moved by the shift, covers original 1, in original 1's pixels; empty when the shift
// leaves no overlap.
IntRect comparedRegion(QSize size, int shiftH, int shiftV) {
    const long long width = size.width() - std::abs(static_cast<long long>(shiftH));
    const long long height = size.height() - std::abs(static_cast<long long>(shiftV));
    if (width <= 0 || height <= 0) {
        return {};
    }
    return {std::max(shiftH, 0), std::max(shiftV, 0), static_cast<int>(width), static_cast<int>(height)};
}

} // namespace

bool ComparisonSession::RunDifferenceExtraction() {
    const DeviceBitmap& original1 = m_surfaces[kOriginal1];
    const DeviceBitmap& original2 = m_surfaces[kOriginal2];
    DeviceBitmap& work1 = m_surfaces[kWork1];
    DeviceBitmap& work2 = m_surfaces[kWork2];
    const ColorSpace space = colorSpaceFromInt(m_colorSpace);
    const IntRect region = comparedRegion(m_workingSize, m_shiftH, m_shiftV);
    const bool whole = region == IntRect{0, 0, m_workingSize.width(), m_workingSize.height()};
    beginLongOperation(kExtractionSteps);
    int position = 0;
    // Each step that succeeds moves the progress on; the first that fails ends the run, with the cursor
    // and the progress bar restored.
    const auto step = [&](bool ok) {
        if (ok) {
            m_host.showProgress(++position, kExtractionSteps);
        }
        return ok;
    };
    // Only the pixel pairs that the shift lays over each other are compared: the two images are cut to
    // that region first, so that nothing outside it (the strip the shifted original 2 leaves uncovered)
    // counts as a difference or disturbs the relief at the region's edge. Unshifted, the region is the
    // whole image and the work surfaces hold the pair.
    DeviceBitmap cut1;
    DeviceBitmap cut2;
    if (!whole && region.width > 0) {
        cut1 = DeviceBitmap::create(region.width, region.height, m_displayBits);
        cut2 = DeviceBitmap::create(region.width, region.height, m_displayBits);
        if (cut1.isNull() || cut2.isNull()) {
            endLongOperation();
            return reportFailure({}, kMsgOutOfMemory);
        }
        bitBlt(cut1, 0, 0, region.width, region.height, original1, region.x, region.y);
        bitBlt(cut2, 0, 0, region.width, region.height, original2, region.x - m_shiftH, region.y - m_shiftV);
    }
    DeviceBitmap& first = whole ? work1 : cut1;
    DeviceBitmap& mask = whole ? work2 : cut2;
    const bool ok =
        region.width == 0 ||
        (step(m_filter.GreyscaleImage(whole ? original1 : cut1, first, m_adjust1) &&
              m_filter.GreyscaleImage(whole ? original2 : cut2, mask, m_adjust1)) &&
         step(m_filter.EmbossImage(first, first, 4) && m_filter.EmbossImage(mask, mask, 4)) &&
         step(m_filter.DifferenceMask(first, mask, mask, space, m_adjust2)) &&
         step(m_filter.BlurImage(mask, mask, 3)) &&
         // Pure black now means "no difference anywhere in the blur window": those become red, the
         // neighbourhoods of differences black.
         step(m_filter.BlackToRed(mask, mask)) &&
         // The red areas that reach the region's edges turn white; enclosed red areas stay red and become
         // black, so every difference region is a solid black area on white, also where it touches an edge.
         step(floodFillFromEdges(mask, kBlack, kWhite) && m_filter.RedToBlack(mask, mask)));
    if (!ok) {
        endLongOperation();
        return reportFailure({}, kMsgOutOfMemory);
    }
    // Each result shows its own original inside the difference regions, placed where they lie in that
    // original: work 1 holds the regions in original 1's pixels, work 2 in original 2's.
    if (!whole) {
        fillSolid(work1, kWhite);
        fillSolid(work2, kWhite);
        if (region.width > 0) {
            bitBlt(work1, region.x, region.y, cut2);
            bitBlt(work2, region.x - m_shiftH, region.y - m_shiftV, cut2);
        }
    } else {
        bitBlt(work1, 0, 0, work2);
    }
    bitBlt(m_surfaces[kResult1], 0, 0, original1);
    bitBlt(m_surfaces[kResult2], 0, 0, original2);
    transparentBlt(m_surfaces[kResult1], 0, 0, work1, kBlack);
    transparentBlt(m_surfaces[kResult2], 0, 0, work2, kBlack);
    m_host.showProgress(kExtractionSteps, kExtractionSteps);
    if (m_overlayLevel == 0) {
        m_transparent = {kWhite, kWhite};
    } else {
        OverlayOriginals();
        m_transparent = {kNoColor, kNoColor};
    }
    endLongOperation();
    m_host.redrawAreas(redraw::kAll, false);
    return true;
}

bool ComparisonSession::RunHistogramComparison() {
    DeviceBitmap& work1 = m_surfaces[kWork1];
    drawShiftedOriginal2(work1);
    if (!m_filter.ComputeHistogram(m_surfaces[kOriginal1], m_histograms[0]) ||
        !m_filter.ComputeHistogram(work1, m_histograms[1])) {
        return reportFailure({}, kMsgOutOfMemory);
    }
    m_host.redrawAreas(redraw::kAll, false);
    return true;
}

bool ComparisonSession::FindBestMatch() {
    const int width = m_workingSize.width();
    const int height = m_workingSize.height();
    if (std::abs(static_cast<long long>(m_shiftH)) >= width ||
        std::abs(static_cast<long long>(m_shiftV)) >= height || m_surfaces[kOriginal1].isNull()) {
        return false;
    }
    const long long start = m_clock();
    beginLongOperation(1);
    const std::optional<ShiftMatch> best = m_filter.SearchBestMatch(
        m_surfaces[kOriginal1], m_surfaces[kOriginal2],
        [this](std::int64_t done, std::int64_t total) { m_host.showProgress(done, total); });
    endLongOperation();
    if (!best) {
        return reportFailure({}, kMsgOutOfMemory);
    }
    m_elapsed = formatElapsedSeconds(m_clock() - start);
    m_shiftH = best->shiftH;
    m_shiftV = best->shiftV;
    m_host.redrawAreas(redraw::kAll, true);
    // The found position stays in the instruction line until the next run or processing changes it.
    m_instruction = QStringLiteral("最大合致位置は、水平:%1 垂直:%2 です。").arg(m_shiftH).arg(m_shiftV);
    stateChanged();
    return true;
}

std::optional<ScanResult> ComparisonSession::computeScan(int channel) {
    const int width = m_workingSize.width();
    const int height = m_workingSize.height();
    if (m_surfaces[kOriginal1].isNull() || std::abs(static_cast<long long>(m_shiftV)) >= height) {
        return std::nullopt;
    }
    bitBlt(m_surfaces[kWork1], 0, 0, m_surfaces[kOriginal1]);
    drawShiftedOriginal2(m_surfaces[kWork2]);
    ScanResult scan;
    try {
        scan.rows.resize(static_cast<std::size_t>(height));
        scan.columns.resize(static_cast<std::size_t>(width));
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
    const ScanChannel scanChannel = channel == 0   ? ScanChannel::Red
                                    : channel == 1 ? ScanChannel::Green
                                    : channel == 2 ? ScanChannel::Blue
                                                   : ScanChannel::Rgb;
    if (!m_filter.ScanMatch(m_surfaces[kWork1], m_surfaces[kWork2], m_shiftH, m_shiftV, scan.rows,
                            scan.columns, scan.total, scanChannel)) {
        return std::nullopt;
    }
    scan.rate = matchRate(scan.total, width, height, m_shiftH, m_shiftV);
    return scan;
}

bool ComparisonSession::originalsEqual() {
    const std::optional<OverlapCount> count = countDifferingPixels();
    return count && count->compared > 0 && count->differing == 0;
}

std::optional<ComparisonSession::OverlapCount> ComparisonSession::countDifferingPixels() {
    const DeviceBitmap& original1 = m_surfaces[kOriginal1];
    const DeviceBitmap& original2 = m_surfaces[kOriginal2];
    if (original1.isNull() || original2.isNull()) {
        return std::nullopt;
    }
    if (!m_tolerance.exact()) {
        return countWithTolerance();
    }
    const int width = m_workingSize.width();
    const int height = m_workingSize.height();
    const long long overlapWidth = width - std::abs(static_cast<long long>(m_shiftH));
    const long long overlapHeight = height - std::abs(static_cast<long long>(m_shiftV));
    // (Both factors are checked: two negative ones would make a positive area.)
    if (overlapWidth <= 0 || overlapHeight <= 0) {
        return OverlapCount{};
    }
    const long long overlap = overlapWidth * overlapHeight;
    double total = 0;
    if (m_shiftH == 0 && m_shiftV == 0) {
        // Without a shift the originals are compared where they are, without drawing copies.
        std::vector<int> rows;
        std::vector<int> columns;
        try {
            rows.resize(static_cast<std::size_t>(height));
            columns.resize(static_cast<std::size_t>(width));
        } catch (const std::bad_alloc&) {
            return std::nullopt;
        }
        if (!m_filter.ScanMatch(original1, original2, 0, 0, rows, columns, total, ScanChannel::Rgb)) {
            return std::nullopt;
        }
    } else {
        const std::optional<ScanResult> scan = computeScan(-1);
        if (!scan) {
            return std::nullopt;
        }
        total = scan->total;
    }
    // The total counts whole pixels and stays far below 2^53, so it converts exactly.
    return OverlapCount{overlap, overlap - static_cast<long long>(total)};
}

} // namespace corvane
