#include "tests/watermark/WatermarkTestSupport.h"

#include "tests/support/OffscreenApplication.h"

#include <QGuiApplication>

#include <gtest/gtest.h>

#include <memory>

namespace corvane::test {

namespace {

[[maybe_unused]] const ::testing::Environment* const registered =
    ::testing::AddGlobalTestEnvironment(new OffscreenApplication<QGuiApplication>("corvane-watermark-tests"));

} // namespace

WatermarkText makeText(const QString& string, const QRect& box) {
    WatermarkText text;
    text.reset();
    EXPECT_EQ(text.setText(string), FieldFit::Whole);
    text.setBox(box);
    text.color = kBlack;
    text.size = 20;
    return text;
}

QRect boundsOf(const DeviceBitmap& bitmap, ColorRef color, const QRect& area) {
    QRect bounds;
    const QRect inside = area.intersected(QRect(0, 0, bitmap.width(), bitmap.height()));
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
        for (int x = inside.left(); x <= inside.right(); ++x) {
            if (bitmap.pixel(x, y) == color) {
                bounds |= QRect(x, y, 1, 1);
            }
        }
    }
    return bounds;
}

int pixelsOtherThan(const DeviceBitmap& bitmap, ColorRef color) {
    int count = 0;
    for (int y = 0; y < bitmap.height(); ++y) {
        for (int x = 0; x < bitmap.width(); ++x) {
            count += bitmap.pixel(x, y) != color ? 1 : 0;
        }
    }
    return count;
}

} // namespace corvane::test
