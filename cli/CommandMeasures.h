#pragma once

#include "imaging/Metrics.h"
#include "imaging/Tolerance.h"

#include <QJsonObject>
#include <QSize>
#include <QString>
#include <QStringList>

#include <optional>

namespace corvane {

// The words of the pixel comparison's tolerance options: --threshold's value (empty when not given),
// whether --ignore-antialiasing was given, and each --ignore's value in order.
struct ToleranceWords {
    QString threshold;
    bool ignoreAntialiasing = false;
    QStringList ignored;

    bool any() const { return !threshold.isEmpty() || ignoreAntialiasing || !ignored.isEmpty(); }
};

// The options the words give; empty with the one error line in `error` for a threshold that is no
// number within 0 … 1 and for a rectangle that is not four integers "X1,Y1,X2,Y2" or is inverted.
std::optional<ToleranceOptions> parseToleranceOptions(const ToleranceWords& words, QString& error);

// Whether every ignored rectangle has a pixel inside original 1 (of `imageSize`, named by `imagePath`);
// false with the error line for the first that lies wholly outside. Rectangles reaching beyond the image
// are cut to it when the comparison runs.
bool checkIgnoredRectangles(const ToleranceOptions& options, QSize imageSize, const QString& imagePath,
                            QString& error);

// The options as the JSON object's "tolerance" member: threshold, ignoreAntialiasing and ignored (an
// array of [x1, y1, x2, y2] as given).
QJsonObject toleranceJson(const ToleranceOptions& options);

// The metrics command's lines "ae N", "mae V", "rmse V", "psnr V", "ssim V", "deltae V": values with six
// decimals, psnr "inf" for equal pixels, ssim "none" when the region is too small for its window.
QString metricsText(const ImageMetrics& metrics);

// The metrics as the JSON object's "metrics" member: numbers, psnr the string "inf" for equal pixels,
// ssim null when the region is too small for its window.
QJsonObject metricsJson(const ImageMetrics& metrics);

} // namespace corvane
