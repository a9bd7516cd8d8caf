#pragma once

#include "app/window/CSorvikDlg.h"
#include "app/window/Dialogs.h"

#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>
#include <vector>

namespace corvane::test {

// A dialog provider that answers from a script and records what it was asked.
class ScriptedDialogs : public DialogProvider {
public:
    struct Shown {
        QString text;
        MessageType type;
    };

    void answer(MessageButton button) { m_answers.push_back(button); }
    void answerOpen(const QString& path) { m_open.push_back(path); }
    void answerSave(const QString& path, int filterIndex) { m_save.push_back(SaveChoice{path, filterIndex}); }
    void answerQuality(int quality) { m_quality = quality; }
    void setDesktop(const QString& folder) { m_desktop = folder; }
    // The next font dialog's and colour dialog's answers (each used once; unanswered dialogs are cancelled).
    void answerFont(const QFont& font) { m_font = font; }
    void answerColor(ColorRef color) { m_color = color; }

    // Questions without a scripted answer get No and are counted; notices get OK.
    MessageButton message(QWidget* parent, const QString& text, MessageType type) override;
    std::optional<QString> openFile(QWidget*, const QString&, const QString&) override;
    std::optional<SaveChoice> saveFile(QWidget*, const QString&, const QString& filter,
                                       const QString& defaultName, const QString&, int filterIndex) override;
    std::optional<int> quality(QWidget*, int initial) override;
    bool showFileLocation(const QString& path) override;
    QString desktopFolder() override { return m_desktop; }
    std::optional<QFont> chooseFont(QWidget*, const QFont& initial, const QString&) override;
    std::optional<ColorRef> chooseColor(QWidget*, ColorRef initial, const QString&) override;
    void about(QWidget*) override { ++aboutShown; }
    // Modal dialogs are not run: `onModal` (when set) looks at the dialog, which then counts as closed.
    int runModal(QDialog& dialog) override {
        ++modalDialogs;
        if (onModal) {
            onModal(dialog);
        }
        return 0;
    }

    // The string-table ids of the messages shown, in order.
    std::vector<int> messageIds() const;
    std::size_t unusedAnswers() const { return m_answers.size(); }

    std::vector<Shown> messages;
    std::vector<std::pair<QString, int>> saveRequests; // default name, filter index
    QString lastSaveFilter;
    std::vector<QString> shownLocations;
    std::vector<int> qualityAskedWith;
    std::vector<QFont> fontsAskedWith;
    std::vector<ColorRef> colorsAskedWith;
    int aboutShown = 0;
    int unexpectedQuestions = 0;
    int modalDialogs = 0;
    std::function<void(QDialog&)> onModal;

private:
    std::deque<MessageButton> m_answers;
    std::deque<QString> m_open;
    std::deque<SaveChoice> m_save;
    std::optional<int> m_quality;
    std::optional<QFont> m_font;
    std::optional<ColorRef> m_color;
    QString m_desktop;
};

QImage makePicture(int width, int height, int seed);
QByteArray bytesOf(const DeviceBitmap& bitmap);

// Each test gets its own settings folder (QSettings' user scope), temporary folder (so the work folder)
// and desktop, and main windows on a scripted dialog provider.
class WindowFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A new window (the previous one is destroyed first).
    CSorvikDlg& makeWindow();
    // Shows the window and waits until it is the active window (a fatal failure when it does not become
    // active in 5 s).
    void activateWindow();
    CSorvikDlg& window() { return *m_window; }
    ComparisonSession& session() { return m_window->session(); }

    QString writePng(const QString& name, const QImage& image);
    QString path(const QString& name) const { return m_files.filePath(name); }
    QString desktop() const { return m_desktop.path(); }
    QString settingsFile() const { return m_config.filePath(QStringLiteral("Pellucora/Corvane.conf")); }
    QVariant stored(const char* name) const;
    void store(const std::vector<std::pair<const char*, QVariant>>& values);
    // Both originals through the drop path (no questions when the sizes agree).
    void setOriginals(const QImage& first, const QImage& second);
    void command(int id);
    // Clicks the up (+1) or down (−1) arrow of up-down control `id`.
    void step(int id, int delta);
    // The text a control shows (for an up-down control, its buddy's).
    QString text(int id) const;

    ScriptedDialogs dialogs;
    SettingsStore settings;

private:
    QTemporaryDir m_config;
    QTemporaryDir m_files;
    QTemporaryDir m_desktop;
    QByteArray m_oldTemp;
    std::unique_ptr<CSorvikDlg> m_window;
};

} // namespace corvane::test
