#pragma once

#include "platform/DeviceBitmap.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QTemporaryDir>

#include <cstdint>
#include <string>
#include <vector>

// Helpers of the saving tests: file access, a strict reader of run-length data, pixel lists for exact
// comparison and ImageMagick where it is installed.
namespace corvane::test {

inline constexpr int kSurfaceDepths[] = {16, 24, 32};

struct SurfaceDepthName {
    std::string operator()(const ::testing::TestParamInfo<int>& param) const {
        return "Bits" + std::to_string(param.param);
    }
};

inline std::uint32_t le16(const QByteArray& b, qsizetype at) {
    return static_cast<std::uint32_t>(static_cast<std::uint8_t>(b[at]) | static_cast<std::uint8_t>(b[at + 1])
                                                                             << 8);
}
inline std::uint32_t le32(const QByteArray& b, qsizetype at) {
    return le16(b, at) | le16(b, at + 2) << 16;
}

inline QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline void writeAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

// The palette indices of an RLE4 or RLE8 BMP file, top row first. Fails the test on anything the
// format does not allow or a decoder could misread: runs past the row, an end of line before the row
// is full, delta escapes, unpadded absolute runs, data after the end of bitmap or none at all.
inline std::vector<int> rleIndices(const QByteArray& f) {
    const int width = static_cast<int>(le32(f, 18)), height = static_cast<int>(le32(f, 22));
    const bool four = le32(f, 30) == 2;
    const qsizetype start = le32(f, 10), end = start + le32(f, 34);
    EXPECT_EQ(end, f.size());
    std::vector<int> out(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), -1);
    auto at = [&](qsizetype i) {
        return static_cast<int>(static_cast<std::uint8_t>(f[i]));
    };
    auto put = [&](int& x, int row, int value) {
        if (x >= width || row >= height) {
            ADD_FAILURE() << "run past the row, row " << row;
            return false;
        }
        out[static_cast<std::size_t>((height - 1 - row) * width + x++)] = value;
        return true;
    };
    int x = 0, row = 0;
    for (qsizetype p = start; p + 2 <= end;) {
        const int n = at(p), v = at(p + 1);
        p += 2;
        if (n > 0) {
            for (int k = 0; k < n; ++k) {
                if (!put(x, row, four ? ((k & 1) ? v & 15 : v >> 4) : v)) {
                    return out;
                }
            }
        } else if (v == 0) {
            EXPECT_EQ(x, width) << "end of line before the row is full, row " << row;
            x = 0;
            ++row;
        } else if (v == 1) {
            EXPECT_EQ(row, height) << "end of bitmap before the last row";
            EXPECT_EQ(p, end) << "bytes after the end of bitmap";
            return out;
        } else {
            EXPECT_NE(v, 2) << "delta escape";
            const qsizetype bytes = four ? (v + 1) / 2 : v;
            for (int k = 0; k < v; ++k) {
                const int b = at(p + (four ? k / 2 : k));
                if (!put(x, row, four ? ((k & 1) ? b & 15 : b >> 4) : b)) {
                    return out;
                }
            }
            p += bytes + (bytes & 1); // absolute runs end on a 16-bit boundary
        }
    }
    ADD_FAILURE() << "no end of bitmap";
    return out;
}

// The colour table of a BMP file of 1, 4 or 8 bits as 0xFFRRGGBB.
inline std::vector<QRgb> bmpPalette(const QByteArray& f) {
    std::vector<QRgb> table;
    for (int i = 0; i < 1 << le16(f, 28); ++i) {
        const qsizetype at = 54 + 4 * i;
        table.push_back(qRgb(static_cast<std::uint8_t>(f[at + 2]), static_cast<std::uint8_t>(f[at + 1]),
                             static_cast<std::uint8_t>(f[at])));
    }
    return table;
}

// The surface's colours as 0xFFRRGGBB (16-bit channels widened), top row first.
inline std::vector<QRgb> surfaceColors(const DeviceBitmap& b) {
    std::vector<QRgb> out;
    for (int y = 0; y < b.height(); ++y) {
        for (int x = 0; x < b.width(); ++x) {
            const ColorRef c = b.pixel(x, y);
            out.push_back(qRgb(redOf(c), greenOf(c), blueOf(c)));
        }
    }
    return out;
}

// An image's pixels as non-premultiplied 0xAARRGGBB, top row first.
inline std::vector<QRgb> imageColors(const QImage& image) {
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    std::vector<QRgb> out;
    for (int y = 0; y < argb.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        out.insert(out.end(), row, row + argb.width());
    }
    return out;
}

// A surface whose pixels come from `colors` in runs of random length, as in real images.
inline DeviceBitmap paletteSurface(int width, int height, int bits, const std::vector<ColorRef>& colors,
                                   std::uint32_t seed) {
    DeviceBitmap b = DeviceBitmap::create(width, height, bits);
    std::uint32_t state = seed;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            state = state * 1664525u + 1013904223u;
            b.setPixel(x, y,
                       x > 0 && (state >> 24) >= 96 ? b.pixel(x - 1, y)
                                                    : colors[(state >> 8) % colors.size()]);
        }
    }
    return b;
}

// ImageMagick's tools, when installed; tests that need them skip otherwise.
inline QString imageMagick(const QString& tool) {
    return QStandardPaths::findExecutable(tool);
}
#define CORVANE_REQUIRE_TOOL(var, name)                                                                      \
    const QString var = ::corvane::test::imageMagick(QStringLiteral(name));                                  \
    if (var.isEmpty()) {                                                                                     \
        GTEST_SKIP() << name " (ImageMagick) is not installed";                                              \
    }

inline std::string runTool(const QString& program, const QStringList& args) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, args);
    process.waitForFinished(60000);
    return process.readAll().trimmed().toStdString();
}

// "FORMAT WIDTH HEIGHT" as ImageMagick identifies the file.
inline std::string identified(const QString& identify, const QString& path) {
    return runTool(identify, {QStringLiteral("-format"), QStringLiteral("%m %w %h"), path});
}

// How many pixels differ for ImageMagick (compare -metric AE), allowing `fuzzPercent`.
inline std::string imageMagickDifference(const QString& compare, const QString& a, const QString& b,
                                         int fuzzPercent = 0) {
    return runTool(compare, {QStringLiteral("-metric"), QStringLiteral("AE"), QStringLiteral("-fuzz"),
                             QString::number(fuzzPercent) + QLatin1Char('%'), a, b, QStringLiteral("null:")});
}

// The pixels as ImageMagick decodes them, top row first, as R, G, B, A bytes: colours under alpha 0
// included, which `compare` does not look at. `convert` is called by its versioned name.
inline QByteArray imageMagickRgba(const QString& convert, const QString& path, const QString& rawPath) {
    runTool(convert,
            {path, QStringLiteral("-depth"), QStringLiteral("8"), QStringLiteral("rgba:") + rawPath});
    return readAll(rawPath);
}

} // namespace corvane::test
