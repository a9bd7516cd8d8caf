#include "tests/window/WindowTestSupport.h"

#include "app/window/DialogControls.h"
#include "res/Strings.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QSettings>
#include <QTest>

#include <utility>

namespace corvane::test {

MessageButton ScriptedDialogs::message(QWidget*, const QString& text, MessageType type) {
    messages.push_back({text, type});
    if (type == MessageType::Stop || type == MessageType::Information) {
        return MessageButton::Ok;
    }
    if (m_answers.empty()) {
        ++unexpectedQuestions;
        return MessageButton::No;
    }
    const MessageButton button = m_answers.front();
    m_answers.pop_front();
    return button;
}

std::optional<QString> ScriptedDialogs::openFile(QWidget*, const QString&, const QString&) {
    if (m_open.empty()) {
        return std::nullopt;
    }
    const QString path = m_open.front();
    m_open.pop_front();
    return path;
}

std::optional<SaveChoice> ScriptedDialogs::saveFile(QWidget*, const QString&, const QString& filter,
                                                    const QString& defaultName, const QString&,
                                                    int filterIndex) {
    saveRequests.emplace_back(defaultName, filterIndex);
    lastSaveFilter = filter;
    if (m_save.empty()) {
        return std::nullopt;
    }
    const SaveChoice choice = m_save.front();
    m_save.pop_front();
    return choice;
}

std::optional<int> ScriptedDialogs::quality(QWidget*, int initial) {
    qualityAskedWith.push_back(initial);
    return m_quality;
}

std::optional<QFont> ScriptedDialogs::chooseFont(QWidget*, const QFont& initial, const QString&) {
    fontsAskedWith.push_back(initial);
    return std::exchange(m_font, std::nullopt);
}

std::optional<ColorRef> ScriptedDialogs::chooseColor(QWidget*, ColorRef initial, const QString&) {
    colorsAskedWith.push_back(initial);
    return std::exchange(m_color, std::nullopt);
}

bool ScriptedDialogs::showFileLocation(const QString& path) {
    shownLocations.push_back(path);
    return true;
}

std::vector<int> ScriptedDialogs::messageIds() const {
    std::vector<int> ids;
    for (const Shown& shown : messages) {
        int found = 0;
        for (int id = 30001; id <= 30149 && found == 0; ++id) {
            if (!stringText(id).isEmpty() && shown.text.endsWith(stringText(id))) {
                found = id;
            }
        }
        ids.push_back(found);
    }
    return ids;
}

QImage makePicture(int width, int height, int seed) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            image.setPixel(x, y,
                           qRgb((x * 7 + seed * 31) & 0xFF, (y * 11 + seed) & 0xFF, (x * 5 ^ y * 13) & 0xFF));
        }
    }
    return image;
}

QByteArray bytesOf(const DeviceBitmap& bitmap) {
    const auto bits = bitmap.bits();
    return QByteArray(reinterpret_cast<const char*>(bits.data()), static_cast<qsizetype>(bits.size()));
}

void WindowFixture::SetUp() {
    ASSERT_TRUE(m_config.isValid() && m_files.isValid() && m_desktop.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_config.path());
    m_oldTemp = qgetenv("TMPDIR");
    qputenv("TMPDIR", m_files.path().toLocal8Bit());
    dialogs.setDesktop(m_desktop.path());
}

void WindowFixture::TearDown() {
    m_window.reset();
    qputenv("TMPDIR", m_oldTemp);
    EXPECT_EQ(dialogs.unusedAnswers(), 0u) << "scripted answers left over";
    EXPECT_EQ(dialogs.unexpectedQuestions, 0) << "questions without a scripted answer";
}

CSorvikDlg& WindowFixture::makeWindow() {
    m_window.reset();
    m_window = std::make_unique<CSorvikDlg>(32, settings, dialogs);
    return *m_window;
}

void WindowFixture::activateWindow() {
    m_window->show();
    QApplication::setActiveWindow(m_window.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_window.get(), 5000));
}

QString WindowFixture::writePng(const QString& name, const QImage& image) {
    EXPECT_TRUE(image.save(path(name), "PNG"));
    return path(name);
}

QVariant WindowFixture::stored(const char* name) const {
    return QSettings(QStringLiteral("Pellucora"), QStringLiteral("Corvane"))
        .value(QStringLiteral("Last/") + QString::fromLatin1(name));
}

void WindowFixture::store(const std::vector<std::pair<const char*, QVariant>>& values) {
    QSettings file(QStringLiteral("Pellucora"), QStringLiteral("Corvane"));
    for (const auto& [name, value] : values) {
        file.setValue(QStringLiteral("Last/") + QString::fromLatin1(name), value);
    }
}

void WindowFixture::setOriginals(const QImage& first, const QImage& second) {
    session().dropFile(kOriginal1, writePng(QStringLiteral("first.png"), first), false);
    session().dropFile(kOriginal2, writePng(QStringLiteral("second.png"), second), false);
    ASSERT_TRUE(session().HasBothOriginals());
}

void WindowFixture::command(int id) {
    QAction* action = window().commandAction(id);
    ASSERT_NE(action, nullptr) << id;
    action->trigger();
    // Menu commands start from the event loop, once the window has been painted.
    ASSERT_TRUE(QTest::qWaitFor([] { return pendingAfterRepaint() == 0; }, 2000));
}

void WindowFixture::step(int id, int delta) {
    auto* control = qobject_cast<UpDownControl*>(window().control(id));
    ASSERT_NE(control, nullptr) << id;
    QTest::mouseClick(delta > 0 ? control->upArrow() : control->downArrow(), Qt::LeftButton);
}

QString WindowFixture::text(int id) const {
    QWidget* widget = m_window->control(id);
    if (auto* upDown = qobject_cast<UpDownControl*>(widget)) {
        return upDown->edit()->text();
    }
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        return edit->text();
    }
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        return label->text();
    }
    auto* button = qobject_cast<QAbstractButton*>(widget);
    return button != nullptr ? button->text() : QString();
}

} // namespace corvane::test
