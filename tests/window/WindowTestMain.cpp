// The window tests run on Qt's offscreen platform, with one application object for the whole program.

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// Fontconfig and the platform plugin keep caches for the life of the process; they are not leaks of
// ours.
extern "C" const char* __lsan_default_suppressions();
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig\nleak:libQt6Gui\nleak:libQt6Core\nleak:libglib\nleak:libdbus\n";
}

int main(int argc, char** argv) {
    // One 1920 × 1080 screen at 96 dpi, so that placements as on a usual desktop can be tested.
    QTemporaryDir folder;
    const QString screens = folder.filePath(QStringLiteral("screens.json"));
    QFile config(screens);
    if (folder.isValid() && config.open(QIODevice::WriteOnly)) {
        config.write(R"({"screens":[{"name":"test","x":0,"y":0,"width":1920,"height":1080,)"
                     R"("logicalDpi":96,"logicalBaseDpi":96,"dpr":1}]})");
        config.close();
        qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + screens.toLocal8Bit());
    } else {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
