// The comparison session: the tolerant pixel count and the quality metrics of the originals.

#include "app/ComparisonSession.h"

#include "platform/Blit.h"

#include <algorithm>
#include <cstdlib>

namespace corvane {

std::optional<PixelRect> clipToImage(const PixelRect& rect, QSize size) {
    if (rect.x1 > rect.x2 || rect.y1 > rect.y2 || rect.x2 < 0 || rect.y2 < 0 || rect.x1 >= size.width() ||
        rect.y1 >= size.height()) {
        return std::nullopt;
    }
    return PixelRect{std::max(rect.x1, 0), std::max(rect.y1, 0), std::min(rect.x2, size.width() - 1),
                     std::min(rect.y2, size.height() - 1)};
}

ToleranceOptions ComparisonSession::toleranceForWorkingImage() const {
    // The rectangles were given for the image of their time; a new original may have changed its size.
    ToleranceOptions options = m_tolerance;
    options.ignored.clear();
    for (const PixelRect& rect : m_tolerance.ignored) {
        if (const std::optional<PixelRect> clipped = clipToImage(rect, m_workingSize)) {
            options.ignored.push_back(*clipped);
        }
    }
    return options;
}

ComparisonSession::OverlapCount ComparisonSession::overlapCount(std::int64_t differing) const {
    const long long width = m_workingSize.width() - std::abs(static_cast<long long>(m_shiftH));
    const long long height = m_workingSize.height() - std::abs(static_cast<long long>(m_shiftV));
    return OverlapCount{width > 0 && height > 0 ? width * height : 0, differing};
}

std::optional<ComparisonSession::OverlapCount> ComparisonSession::countWithTolerance() {
    const DeviceBitmap& original1 = m_surfaces[kOriginal1];
    if (original1.isNull() || m_surfaces[kOriginal2].isNull()) {
        return std::nullopt;
    }
    if (overlapCount(0).compared == 0) {
        return OverlapCount{};
    }
    // Original 2 is drawn at the shift as the pixel comparison draws it; the map goes to a work surface.
    DeviceBitmap& second = m_surfaces[kWork2];
    drawShiftedOriginal2(second);
    const std::optional<std::int64_t> differing = compareWithTolerance(
        original1, second, m_surfaces[kWork3], m_shiftH, m_shiftV, m_background, toleranceForWorkingImage());
    if (!differing) {
        return std::nullopt;
    }
    return overlapCount(*differing);
}

std::optional<ImageMetrics> ComparisonSession::measureMetrics() {
    const DeviceBitmap& original1 = m_surfaces[kOriginal1];
    const DeviceBitmap& original2 = m_surfaces[kOriginal2];
    if (original1.isNull() || original2.isNull()) {
        return std::nullopt;
    }
    // Unshifted, original 2 is measured where it is, without a copy.
    if (m_shiftH == 0 && m_shiftV == 0) {
        return computeMetrics(original1, original2, 0, 0);
    }
    drawShiftedOriginal2(m_surfaces[kWork2]);
    return computeMetrics(original1, m_surfaces[kWork2], m_shiftH, m_shiftV);
}

} // namespace corvane
