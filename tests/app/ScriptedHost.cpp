#include "tests/app/ScriptedHost.h"

#include <gtest/gtest.h>

namespace corvane::test {

MessageButton ScriptedHost::showMessage(const QString& prefix, int id, MessageType type) {
    messages.push_back({prefix, id, type});
    if (type == MessageType::Stop || type == MessageType::Information) {
        return MessageButton::Ok;
    }
    if (m_answers.empty()) {
        ++unexpectedQuestions;
        ADD_FAILURE() << "unexpected question " << id;
        return MessageButton::No;
    }
    const MessageButton button = m_answers.front();
    m_answers.pop_front();
    return button;
}

std::optional<QString> ScriptedHost::chooseOpenFile(const QString&, const QString&) {
    if (m_openChoices.empty()) {
        return std::nullopt;
    }
    QString path = m_openChoices.front();
    m_openChoices.pop_front();
    return path;
}

std::optional<SaveChoice> ScriptedHost::chooseSaveFile(const QString&, const QString& filter,
                                                       const QString& defaultName, const QString&,
                                                       int filterIndex) {
    lastSaveFilter = filter;
    lastSaveDefaultName = defaultName;
    lastSaveFilterIndex = filterIndex;
    if (m_saveChoices.empty()) {
        return std::nullopt;
    }
    SaveChoice choice = m_saveChoices.front();
    m_saveChoices.pop_front();
    return choice;
}

std::vector<int> ScriptedHost::messageIds() const {
    std::vector<int> ids;
    for (const Message& m : messages) {
        ids.push_back(m.id);
    }
    return ids;
}

void ScriptedHost::clearRecords() {
    messages.clear();
    areaRedraws.clear();
    pictureRedraws.clear();
    waitCursorChanges.clear();
    progress.clear();
    shownLocations.clear();
    shiftControlResets.clear();
}

} // namespace corvane::test
