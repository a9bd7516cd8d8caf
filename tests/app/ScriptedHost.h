#pragma once

#include "platform/Host.h"

#include <QString>

#include <deque>
#include <optional>
#include <utility>
#include <vector>

namespace corvane::test {

// A host that answers the session's questions from a script and records what the session asked for.
class ScriptedHost : public Host {
public:
    struct Message {
        QString prefix;
        int id = 0;
        MessageType type = MessageType::Stop;
    };

    // Answers for the next questions, in order; a question without a scripted answer fails the test
    // (it is answered No).
    void answer(MessageButton button) { m_answers.push_back(button); }
    void answerSaveDialog(QString path, int filterIndex) {
        m_saveChoices.push_back(SaveChoice{std::move(path), filterIndex});
    }
    void answerOpenDialog(QString path) { m_openChoices.push_back(std::move(path)); }
    void answerQuality(std::optional<int> quality) { m_quality = quality; }
    void setDesktop(QString folder) { m_desktop = std::move(folder); }

    MessageButton showMessage(const QString& prefix, int id, MessageType type) override;
    void redrawAreas(int which, bool erase) override { areaRedraws.emplace_back(which, erase); }
    void redrawPictures(int which) override { pictureRedraws.push_back(which); }
    void setWaitCursor(bool on) override { waitCursorChanges.push_back(on); }
    void showProgress(std::int64_t position, std::int64_t maximum) override {
        progress.emplace_back(position, maximum);
    }
    std::optional<QString> chooseOpenFile(const QString& title, const QString& filter) override;
    std::optional<SaveChoice> chooseSaveFile(const QString& title, const QString& filter,
                                             const QString& defaultName, const QString& defaultSuffix,
                                             int filterIndex) override;
    std::optional<int> chooseQuality(int initial) override {
        qualityAskedWith = initial;
        return m_quality;
    }
    bool showFileLocation(const QString& path) override {
        shownLocations.push_back(path);
        return true;
    }
    QString desktopFolder() override { return m_desktop; }
    void resetShiftControls(int maxH, int maxV) override { shiftControlResets.emplace_back(maxH, maxV); }
    void showPropertyComparison() override { ++propertyComparisons; }

    // Ids of the messages shown so far, in order.
    std::vector<int> messageIds() const;
    // Scripted answers left unused.
    std::size_t unusedAnswers() const { return m_answers.size(); }
    void clearRecords();

    std::vector<Message> messages;
    std::vector<std::pair<int, bool>> areaRedraws;
    std::vector<int> pictureRedraws;
    std::vector<bool> waitCursorChanges;
    std::vector<std::pair<std::int64_t, std::int64_t>> progress;
    std::vector<QString> shownLocations;
    std::vector<std::pair<int, int>> shiftControlResets;
    int propertyComparisons = 0;
    int qualityAskedWith = 0;
    QString lastSaveFilter;
    QString lastSaveDefaultName;
    int lastSaveFilterIndex = 0;
    int unexpectedQuestions = 0;

private:
    std::deque<MessageButton> m_answers;
    std::deque<SaveChoice> m_saveChoices;
    std::deque<QString> m_openChoices;
    std::optional<int> m_quality;
    QString m_desktop;
};

} // namespace corvane::test
