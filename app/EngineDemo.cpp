// A demonstration of the pixel engine on a generated pair of pictures: runs every comparison and
// writes the results as PNG files. Stands in for the main window until it exists.

#include "app/SamplePair.h"
#include "imaging/Filter.h"
#include "platform/Blit.h"
#include "platform/DisplayFormat.h"

#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

using namespace corvane;

namespace {

QImage toImage(const DeviceBitmap& bitmap) {
    QImage image(bitmap.width(), bitmap.height(), QImage::Format_RGB32);
    bitmap.toArgb32(image.bits(), image.bytesPerLine());
    return image;
}

DeviceBitmap toBitmap(const QImage& image, int bits) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    return DeviceBitmap::fromArgb32(rgb.constBits(), rgb.width(), rgb.height(), rgb.bytesPerLine(), bits);
}

} // namespace

int main(int argc, char** argv) {
    int forced = 0;
    QString outDir = QDir::temp().filePath(QStringLiteral("corvane-demo"));
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--bits-per-pixel") == 0 && i + 1 < argc) {
            forced = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "-o") == 0 && i + 1 < argc) {
            outDir = QString::fromLocal8Bit(argv[++i]);
        } else {
            std::fprintf(stderr, "usage: corvane [--bits-per-pixel 16|24|32] [-o FOLDER]\n");
            return 2;
        }
    }
    const int bits = chooseDisplayBits(forced, std::getenv(kBitsPerPixelVariable), 32);
    if (bits == 0) {
        std::fprintf(stderr, "corvane: the surface format must be 16, 24 or 32 bits per pixel\n");
        return 2;
    }
    QGuiApplication::setApplicationName(QStringLiteral("Corvane"));
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QGuiApplication app(argc, argv);
    if (!QDir().mkpath(outDir)) {
        std::fprintf(stderr, "corvane: cannot create the folder %s\n", qPrintable(outDir));
        return 2;
    }

    const SamplePair pair = makeSamplePair(800, 600);
    const DeviceBitmap original1 = toBitmap(pair.original1, bits);
    const DeviceBitmap original2 = toBitmap(pair.original2, bits);
    DeviceBitmap result = DeviceBitmap::create(800, 600, bits);
    DeviceBitmap work = DeviceBitmap::create(800, 600, bits);
    if (original1.isNull() || original2.isNull() || result.isNull() || work.isNull()) {
        std::fprintf(stderr, "corvane: not enough memory for the demonstration images\n");
        return 2;
    }
    const CFilter filter;
    std::printf("Corvane engine demonstration, %d bits per pixel, results in %s\n", bits, qPrintable(outDir));

    struct Step {
        const char* name;
        std::function<bool()> run;
    };
    const std::vector<Step> steps = {
        {"pixel",
         [&] {
             return filter.ComparePixels(original1, original2, result, 0, 0, 0x808080);
         }},
        {"edges",
         [&] {
             return filter.DetectEdges(original1, result);
         }},
        {"overlay",
         [&] {
             return filter.BlendImages(original1, original2, result, 0);
         }},
        {"difference",
         [&] {
             return filter.BlendImages(original1, original2, result, 12);
         }},
        {"gradation-rgb",
         [&] {
             return filter.GradationImage(original1, original2, result, ColorSpace::Rgb);
         }},
        {"gradation-hls",
         [&] {
             return filter.GradationImage(original1, original2, result, ColorSpace::Hls);
         }},
        {"mask",
         [&] {
             return filter.DifferenceMask(original1, original2, result, ColorSpace::Rgb, 128);
         }},
        {"greyscale",
         [&] {
             return filter.GreyscaleImage(original1, result, 255);
         }},
        {"colors64",
         [&] {
             return filter.ReduceTo64Colors(original1, result);
         }},
        {"blur11",
         [&] {
             return filter.BlurImage(original1, result, 11);
         }},
        {"emboss",
         [&] {
             return filter.EmbossImage(original1, result, 4);
         }},
        {"binarize",
         [&] {
             return filter.Binarize(original1, result, 128, ColorSpace::Rgb);
         }},
        {"overlay-originals",
         [&] {
             return filter.ComparePixels(original1, original2, work, 0, 0, kWhite) &&
                    bitBlt(result, 0, 0, original1) && alphaBlend(result, 0, 0, work, 102);
         }},
    };
    toImage(original1).save(QDir(outDir).filePath(QStringLiteral("original1.png")));
    toImage(original2).save(QDir(outDir).filePath(QStringLiteral("original2.png")));
    for (const Step& step : steps) {
        QElapsedTimer timer;
        timer.start();
        const bool ok = step.run();
        const double ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
        const QString file = QDir(outDir).filePath(QString::fromLatin1(step.name) + QStringLiteral(".png"));
        const bool saved = ok && toImage(result).save(file);
        std::printf("  %-18s %7.2f ms  %s\n", step.name, ms, saved ? qPrintable(file) : "failed");
    }
    std::vector<int> rows(600);
    std::vector<int> columns(800);
    double total = 0;
    filter.ScanMatch(original1, original2, 0, 0, rows, columns, total, ScanChannel::Rgb);
    std::printf("  scan match          %.3f%% 合致\n", matchRate(total, 800, 600, 0, 0));
    if (const auto best = filter.SearchBestMatch(original1, original2)) {
        std::printf("  best match          shift %d,%d at %.3f%%\n", best->shiftH, best->shiftV, best->rate);
    }
    return 0;
}
