#pragma once

// Helpers shared by the loading tests.

#include "imagefiles/ImageLoader.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QString>
#include <QTemporaryDir>

#include <initializer_list>
#include <string>

namespace corvane::test {

// A one-row image of the given ARGB pixels.
inline QImage rowImage(std::initializer_list<QRgb> pixels) {
    QImage image(static_cast<int>(pixels.size()), 1, QImage::Format_ARGB32);
    int x = 0;
    for (const QRgb p : pixels) {
        image.setPixel(x++, 0, p);
    }
    return image;
}

// Where two images first differ in their ARGB values ("" when equal in size and pixels).
inline std::string imageDifference(const QImage& actual, const QImage& expected) {
    if (actual.size() != expected.size()) {
        return "size " + std::to_string(actual.width()) + "x" + std::to_string(actual.height()) +
               " instead of " + std::to_string(expected.width()) + "x" + std::to_string(expected.height());
    }
    for (int y = 0; y < actual.height(); ++y) {
        for (int x = 0; x < actual.width(); ++x) {
            if (actual.pixel(x, y) != expected.pixel(x, y)) {
                return "pixel (" + std::to_string(x) + ", " + std::to_string(y) + ") is " +
                       QString::number(actual.pixel(x, y), 16).toStdString() + " instead of " +
                       QString::number(expected.pixel(x, y), 16).toStdString();
            }
        }
    }
    return {};
}

// A throw-away folder for files the tests write.
class TempFiles {
public:
    QString write(const QString& name, const QByteArray& bytes) {
        const QString path = m_dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }
    QString path(const QString& name) const { return m_dir.filePath(name); }

private:
    QTemporaryDir m_dir;
};

// Loads bytes as a file of the given name would be loaded, failing the test on an error.
inline LoadedImage loaded(const QByteArray& bytes, int displayBits = 32) {
    LoadedImage out;
    const Status status = loadImageBytes(bytes, QStringLiteral("test"), displayBits, out);
    EXPECT_TRUE(status.ok()) << status.message().toStdString();
    return out;
}

} // namespace corvane::test
