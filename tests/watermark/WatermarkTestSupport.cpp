#include "tests/watermark/WatermarkTestSupport.h"

#include <QGuiApplication>

#include <gtest/gtest.h>

#include <memory>

// Fontconfig and the platform plugin keep caches for the life of the process; they are not leaks of ours.
extern "C" const char* __lsan_default_suppressions();
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig\nleak:libQt6Gui\nleak:libQt6Core\nleak:libglib\nleak:libdbus\n";
}

namespace corvane::test {

namespace {

// One GUI application for the whole program, on the offscreen platform: text needs its font database.
class ApplicationEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "corvane-watermark-tests";
        static char* argv[] = {name, nullptr};
        m_application = std::make_unique<QGuiApplication>(argc, argv);
    }
    void TearDown() override { m_application.reset(); }

private:
    std::unique_ptr<QGuiApplication> m_application;
};

[[maybe_unused]] const ::testing::Environment* const registered =
    ::testing::AddGlobalTestEnvironment(new ApplicationEnvironment);

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
