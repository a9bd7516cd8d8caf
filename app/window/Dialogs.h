#pragma once

#include "platform/Host.h"

#include <QString>

#include <optional>

class QWidget;

namespace corvane {

// The dialogs and desktop services the main window uses for the session's questions and choices. The
// default implementation shows Qt's message boxes and file dialogs, the quality dialog and the desktop's
// file manager; tests give the window a scripted subclass.
class DialogProvider {
public:
    virtual ~DialogProvider() = default;

    // A message box with the application's name as caption and Japanese button texts.
    virtual MessageButton message(QWidget* parent, const QString& text, MessageType type);
    // `filter` is in the "text|patterns|text|patterns||" form of the program's filters.
    virtual std::optional<QString> openFile(QWidget* parent, const QString& title, const QString& filter);
    // Saving never asks about replacing a file itself: the session asks its own question.
    virtual std::optional<SaveChoice> saveFile(QWidget* parent, const QString& title, const QString& filter,
                                               const QString& defaultName, const QString& defaultSuffix,
                                               int filterIndex);
    // The quality dialog (CAssukuDlg), starting at `initial`.
    virtual std::optional<int> quality(QWidget* parent, int initial);
    virtual bool showFileLocation(const QString& path);
    virtual QString desktopFolder();
};

// "text|patterns|…||" → Qt's "text (patterns);;…" name filters, in order.
QStringList qtNameFilters(const QString& filter);

} // namespace corvane
