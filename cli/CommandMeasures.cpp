#include "cli/CommandMeasures.h"

#include "platform/Status.h"

#include <QJsonArray>
#include <QJsonValue>

#include <cmath>

namespace corvane {

namespace {

// "X1,Y1,X2,Y2": four integers, both corners included.
std::optional<PixelRect> parseRectangle(const QString& text) {
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 4) {
        return std::nullopt;
    }
    int values[4] = {};
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        values[i] = parts[i].trimmed().toInt(&ok);
        if (!ok) {
            return std::nullopt;
        }
    }
    return PixelRect{values[0], values[1], values[2], values[3]};
}

QString rectangleText(const PixelRect& rect) {
    return QStringLiteral("%1,%2,%3,%4").arg(rect.x1).arg(rect.y1).arg(rect.x2).arg(rect.y2);
}

QString decimals(double value) {
    return QString::asprintf("%0.6f", value);
}

} // namespace

std::optional<ToleranceOptions> parseToleranceOptions(const ToleranceWords& words, QString& error) {
    ToleranceOptions options;
    if (!words.threshold.isEmpty()) {
        bool ok = false;
        const double threshold = words.threshold.toDouble(&ok);
        // (Written so that NaN fails too.)
        if (!ok || !(threshold >= 0 && threshold <= 1)) {
            error = QStringLiteral("--threshold は 0 から 1 までの数です（%1）").arg(words.threshold);
            return std::nullopt;
        }
        options.threshold = threshold;
    }
    options.ignoreAntialiasing = words.ignoreAntialiasing;
    for (const QString& text : words.ignored) {
        const std::optional<PixelRect> rect = parseRectangle(text);
        if (!rect) {
            error = QStringLiteral("--ignore は X1,Y1,X2,Y2 の形の整数です（両端の画素を含む）: \"%1\"")
                        .arg(text);
            return std::nullopt;
        }
        if (rect->x2 < rect->x1 || rect->y2 < rect->y1) {
            error = QStringLiteral("--ignore %1 は逆向きです（X2 は X1 以上、Y2 は Y1 以上）").arg(text);
            return std::nullopt;
        }
        options.ignored.push_back(*rect);
    }
    return options;
}

bool checkIgnoredRectangles(const ToleranceOptions& options, QSize imageSize, const QString& imagePath,
                            QString& error) {
    for (const PixelRect& rect : options.ignored) {
        const bool outside =
            rect.x2 < 0 || rect.y2 < 0 || rect.x1 >= imageSize.width() || rect.y1 >= imageSize.height();
        if (outside) {
            error = fileMessage(imagePath, QStringLiteral("（%1 × %2）の外に --ignore %3 があります")
                                               .arg(imageSize.width())
                                               .arg(imageSize.height())
                                               .arg(rectangleText(rect)));
            return false;
        }
    }
    return true;
}

QJsonObject toleranceJson(const ToleranceOptions& options) {
    QJsonArray ignored;
    for (const PixelRect& rect : options.ignored) {
        ignored.push_back(QJsonArray{rect.x1, rect.y1, rect.x2, rect.y2});
    }
    return QJsonObject{{QStringLiteral("threshold"), options.threshold},
                       {QStringLiteral("ignoreAntialiasing"), options.ignoreAntialiasing},
                       {QStringLiteral("ignored"), ignored}};
}

QString metricsText(const ImageMetrics& metrics) {
    QString text = QStringLiteral("ae %1\n").arg(metrics.ae);
    text += QStringLiteral("mae ") + decimals(metrics.mae) + QLatin1Char('\n');
    text += QStringLiteral("rmse ") + decimals(metrics.rmse) + QLatin1Char('\n');
    text += QStringLiteral("psnr ") +
            (std::isinf(metrics.psnr) ? QStringLiteral("inf") : decimals(metrics.psnr)) + QLatin1Char('\n');
    text += QStringLiteral("ssim ") + (metrics.ssim ? decimals(*metrics.ssim) : QStringLiteral("none")) +
            QLatin1Char('\n');
    text += QStringLiteral("deltae ") + decimals(metrics.deltae) + QLatin1Char('\n');
    return text;
}

QJsonObject metricsJson(const ImageMetrics& metrics) {
    return QJsonObject{
        {QStringLiteral("ae"), static_cast<double>(metrics.ae)},
        {QStringLiteral("mae"), metrics.mae},
        {QStringLiteral("rmse"), metrics.rmse},
        {QStringLiteral("psnr"),
         std::isinf(metrics.psnr) ? QJsonValue(QStringLiteral("inf")) : QJsonValue(metrics.psnr)},
        {QStringLiteral("ssim"), metrics.ssim ? QJsonValue(*metrics.ssim) : QJsonValue()},
        {QStringLiteral("deltae"), metrics.deltae},
    };
}

} // namespace corvane
