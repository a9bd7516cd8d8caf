// The settings restored at start and saved at close, the placement, odd or corrupt stores, and the
// originals of the command line.

#include "app/window/DialogControls.h"
#include "res/Strings.h"
#include "tests/window/WindowTestSupport.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QTest>

#include <limits>

namespace corvane::test {
namespace {

class WindowSettings : public WindowFixture {
protected:
    bool checked(int command) { return window().commandAction(command)->isChecked(); }
    ColorButton* colorButton(int id) { return qobject_cast<ColorButton*>(window().control(id)); }
};

// A write on its own reaches the file at once; inside a batch the values reach it together at the end
// (closing writes a few dozen values: one write and sync of the file each made it take seconds).
TEST_F(WindowSettings, ABatchWritesItsValuesOnceAtItsEnd) {
    {
        const SettingsBatch batch(settings);
        settings.writeInt(QStringLiteral("Last"), QStringLiteral("Grid"), 1);
        settings.writeString(QStringLiteral("Last"), QStringLiteral("FilePath0"), QStringLiteral("/a.png"));
        EXPECT_EQ(settings.readInt(QStringLiteral("Last"), QStringLiteral("Grid"), 0), 1);
        {
            const SettingsBatch inner(settings);
            settings.writeInt(QStringLiteral("Last"), QStringLiteral("Bk"), 0);
        }
        EXPECT_FALSE(QFile::exists(settingsFile()));
    }
    EXPECT_EQ(stored("Grid").toInt(), 1);
    EXPECT_EQ(stored("Bk").toInt(), 0);
    EXPECT_EQ(stored("FilePath0").toString(), QStringLiteral("/a.png"));
    settings.writeInt(QStringLiteral("Last"), QStringLiteral("Grid"), 0);
    EXPECT_EQ(stored("Grid").toInt(), 0);
}

TEST_F(WindowSettings, FirstRunGivesTheDefaults) {
    CSorvikDlg& w = makeWindow();
    w.restoreSession();
    const ComparisonSession& s = session();
    EXPECT_TRUE(s.originalPath(0).isEmpty() && s.originalPath(1).isEmpty());
    EXPECT_EQ(std::vector<int>({s.colorSpace(), s.blendMode(), s.overlayLevel(), s.valueNotation()}),
              std::vector<int>({0, 0, 0, 1}));
    EXPECT_FALSE(s.gridOn());
    EXPECT_EQ(s.background(), 0x808080u);
    EXPECT_TRUE(checked(121) && checked(124) && checked(139) && checked(146) && !checked(149));
    EXPECT_EQ(text(1008) + text(1010) + text(1015) + text(1014) + text(1017), QStringLiteral("00128360"));
    EXPECT_EQ(colorButton(1037)->color(), 0xC0C0C0u);
    // 640 × 480 at (0, 0), which the template's size overrides where it is larger.
    EXPECT_EQ(w.pos(), QPoint(0, 0));
    EXPECT_EQ(w.size(), QSize(640, 480).expandedTo(w.minimumSize()));
    EXPECT_FALSE(w.windowState() & Qt::WindowMaximized);
    w.close();
    EXPECT_EQ(stored("ZureH").toInt(), 100);
    EXPECT_EQ(stored("Bk").toInt(), 0x808080);
    EXPECT_EQ(stored("SX").toInt(), w.width());
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(WindowSettings, WhatChangedComesBackAtTheNextStart) {
    const QString a = writePng(QStringLiteral("a.png"), makePicture(40, 30, 1));
    const QString b = writePng(QStringLiteral("b.png"), makePicture(40, 30, 2));
    CSorvikDlg& first = makeWindow();
    first.restoreSession();
    session().dropFile(kOriginal1, a, false);
    session().dropFile(kOriginal2, b, false);
    for (const int id : {122, 129, 141, 148, 149}) {
        command(id);
    }
    session().setBackground(0);
    step(1009, +1);
    step(1009, +1);
    step(1011, -1);
    colorButton(1036)->setColor(0x123456);
    qobject_cast<UpDownControl*>(first.control(1018))->setPosition(-20);
    first.show();
    first.move(30, 40);
    first.resize(first.minimumSize() + QSize(50, 20));
    first.close();
    EXPECT_EQ(stored("FilePath1").toString(), b);
    EXPECT_EQ(stored("FileExt1").toString(), QStringLiteral("png"));
    EXPECT_EQ(stored("ZureH").toInt(), 102);
    EXPECT_EQ(stored("ZureV").toInt(), 99);
    EXPECT_EQ(stored("iKage").toInt(), 80);

    CSorvikDlg& w = makeWindow();
    w.restoreSession();
    EXPECT_EQ(session().originalPath(kOriginal1), a);
    EXPECT_EQ(session().originalPath(kOriginal2), b);
    EXPECT_EQ(std::vector<int>({session().colorSpace(), session().blendMode(), session().overlayLevel(),
                                session().valueNotation()}),
              std::vector<int>({1, 5, 2, 3}));
    EXPECT_TRUE(session().gridOn());
    EXPECT_EQ(session().background(), 0u);
    EXPECT_TRUE(checked(122) && checked(129) && checked(141) && checked(148) && checked(149));
    EXPECT_EQ(colorButton(1036)->color(), 0x123456u);
    EXPECT_EQ(text(1017), QStringLiteral("-20"));
    // The restored originals put the shift controls back to 0; the session is unshifted.
    EXPECT_EQ(text(1008), QStringLiteral("0"));
    EXPECT_EQ(session().shiftH(), 0);
    EXPECT_EQ(QRect(w.pos(), w.size()), QRect(QPoint(30, 40), w.minimumSize() + QSize(50, 20)));
}

TEST_F(WindowSettings, MaximisedWindowKeepsItsNormalRectangle) {
    CSorvikDlg& first = makeWindow();
    first.restoreSession();
    first.show();
    first.move(20, 10);
    first.showMaximized();
    ASSERT_TRUE(QTest::qWaitFor([&first] { return first.isMaximized(); }, 3000));
    first.close();
    EXPECT_EQ(stored("Zoomed").toInt(), 1);
    EXPECT_EQ(QPoint(stored("PX").toInt(), stored("PY").toInt()), QPoint(20, 10));
    EXPECT_EQ(stored("SX").toInt(), first.minimumWidth());

    CSorvikDlg& w = makeWindow();
    w.restoreSession();
    w.show();
    EXPECT_TRUE(w.isMaximized());
    // A window dragged partly off the left edge stores 0.
    w.showNormal();
    w.move(-50, 5);
    w.close();
    EXPECT_EQ(stored("PX").toInt(), 0);
    EXPECT_EQ(stored("Zoomed").toInt(), 0);
}

TEST_F(WindowSettings, OddAndCorruptValues) {
    // A stored shift shows without shifting; a position off the desktop keeps the template's place and
    // size; values out of range are brought into it; unreadable ones give the defaults.
    store({{"ZureH", 105},
           {"ZureV", 999999},
           {"PX", 5000},
           {"SX", 1200},
           {"ColorSpace", QStringLiteral("banana")},
           {"MixedMode", 99},
           {"Size", QStringLiteral("abc")},
           {"FontCombo", 1000000},
           {"iKage", std::numeric_limits<int>::min()},
           {"FilePath0", path(QStringLiteral("gone.png"))},
           {"FilePath1", QStringLiteral("/etc")}});
    CSorvikDlg& w = makeWindow();
    const QPoint initial = w.pos();
    w.restoreSession();
    EXPECT_EQ(text(1008), QStringLiteral("5"));
    EXPECT_EQ(text(1010), QStringLiteral("100"));
    EXPECT_EQ(session().shiftH(), 0);
    EXPECT_EQ(QRect(w.pos(), w.size()), QRect(initial, w.minimumSize()));
    EXPECT_EQ(session().colorSpace(), 0);
    EXPECT_EQ(session().blendMode(), 14);
    EXPECT_TRUE(checked(121) && checked(138));
    EXPECT_EQ(text(1014) + text(1017), QStringLiteral("36-100"));
    // The stored original that no longer loads stays unset; the loader says why.
    EXPECT_TRUE(session().originalPath(kOriginal1).isEmpty() && session().originalPath(kOriginal2).isEmpty());
    ASSERT_EQ(dialogs.messageIds(), std::vector<int>{kMsgReadFailed});
    EXPECT_TRUE(dialogs.messages[0].text.contains(QStringLiteral("gone.png")));
    w.close();
    EXPECT_EQ(stored("FilePath0").toString(), QString());
}

TEST_F(WindowSettings, GarbageOrUnreadableStoreGivesTheDefaults) {
    QDir().mkpath(QFileInfo(settingsFile()).path());
    QFile file(settingsFile());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    const char lines[] = "\x00\xff\xfe[Last\nColorSpace=\x01\x02\nGrid=\n[[[\n=5\nBk=0x\nSX=99999999999\n";
    QByteArray junk(lines, sizeof lines - 1);
    for (int i = 0; i < 4096; ++i) {
        junk.append(static_cast<char>((i * 131 + 7) & 0xFF));
    }
    file.write(junk);
    file.close();
    makeWindow().restoreSession();
    EXPECT_EQ(session().colorSpace(), 0);
    EXPECT_FALSE(session().gridOn());
    EXPECT_EQ(session().background(), 0x808080u);
    window().close();

    // A folder where the file should be: nothing can be read or written, and nothing breaks.
    ASSERT_TRUE(QFile::remove(settingsFile()));
    ASSERT_TRUE(QDir().mkpath(settingsFile()));
    makeWindow().restoreSession();
    EXPECT_EQ(session().valueNotation(), 1);
    window().close();
    EXPECT_TRUE(QFileInfo(settingsFile()).isDir());
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(WindowSettings, CommandLineOriginalsReplaceTheStoredOnesWithoutQuestions) {
    store({{"FilePath0", writePng(QStringLiteral("stored.png"), makePicture(40, 30, 1))}});
    const QString big = writePng(QStringLiteral("big.png"), makePicture(40, 30, 2));
    const QString small = writePng(QStringLiteral("small.png"), makePicture(20, 10, 3));
    makeWindow().restoreSession({big, small});
    EXPECT_EQ(session().originalPath(kOriginal1), big);
    EXPECT_EQ(session().originalPath(kOriginal2), small);
    EXPECT_EQ(session().workingSize(), QSize(40, 30));
    EXPECT_TRUE(dialogs.messages.empty());

    // A relative name is made absolute; a file that is no image is reported, the other still set.
    const QString current = QDir::currentPath();
    QDir::setCurrent(QFileInfo(big).path());
    makeWindow().restoreSession({QStringLiteral("big.png"), QStringLiteral("notes.txt")});
    QDir::setCurrent(current);
    EXPECT_EQ(session().originalPath(kOriginal1), big);
    EXPECT_TRUE(session().originalPath(kOriginal2).isEmpty());
    ASSERT_EQ(dialogs.messageIds(), std::vector<int>{kMsgReadFailed});
    EXPECT_TRUE(dialogs.messages[0].text.startsWith(QStringLiteral("「notes.txt」")));
}

} // namespace
} // namespace corvane::test
