#include "tests/views/ViewTestSupport.h"

#include "tests/support/OffscreenApplication.h"

#include <QGuiApplication>

#include <gtest/gtest.h>

#include <memory>

namespace corvane::test {

namespace {

[[maybe_unused]] const ::testing::Environment* const registered =
    ::testing::AddGlobalTestEnvironment(new OffscreenApplication<QGuiApplication>("corvane-view-tests"));

} // namespace

DeviceBitmap makeBitmap(int width, int height, int bits, const std::function<ColorRef(int, int)>& colour) {
    DeviceBitmap bitmap = DeviceBitmap::create(width, height, bits);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            bitmap.setPixel(x, y, colour(x, y));
        }
    }
    return bitmap;
}

DeviceBitmap solidBitmap(int width, int height, int bits, ColorRef colour) {
    return makeBitmap(width, height, bits, [colour](int, int) { return colour; });
}

QImage canvas(int width, int height, QRgb fill) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(fill);
    return image;
}

QRgb rgbAt(const QImage& image, int x, int y) {
    return image.pixel(x, y) & 0xFFFFFFu;
}

QRgb rgbOf(ColorRef colour) {
    return qRgb(redOf(colour), greenOf(colour), blueOf(colour)) & 0xFFFFFFu;
}

bool allPixels(const QImage& image, const QRect& rect, QRgb rgb) {
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        for (int x = rect.left(); x <= rect.right(); ++x) {
            if (rgbAt(image, x, y) != rgb) {
                return false;
            }
        }
    }
    return true;
}

bool anyPixel(const QImage& image, const QRect& rect, QRgb rgb) {
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        for (int x = rect.left(); x <= rect.right(); ++x) {
            if (rgbAt(image, x, y) == rgb) {
                return true;
            }
        }
    }
    return false;
}

} // namespace corvane::test
