#pragma once

#include "platform/Color.h"
#include "platform/Host.h"

#include <QFont>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class QDialog;
class QFileDialog;
class QMessageBox;
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
    // Qt's font dialog, starting at `initial`; empty when cancelled.
    virtual std::optional<QFont> chooseFont(QWidget* parent, const QFont& initial, const QString& title);
    // Qt's colour dialog, starting at `initial`; empty when cancelled.
    virtual std::optional<ColorRef> chooseColor(QWidget* parent, ColorRef initial, const QString& title);
    // The About box (CAboutDlg), modal.
    virtual void about(QWidget* parent);
    // Runs a modal dialog of the window (the property comparison's) and returns its result code.
    virtual int runModal(QDialog& dialog);
};

// "text|patterns|…||" → Qt's "text (patterns)" name filters, in order. The text keeps its own wording
// (the dialogs hide the pattern part), patterns separated by ";" become space-separated.
QStringList qtNameFilters(const QString& filter);

// The message box that DialogProvider::message shows (not yet shown): caption "Corvane", the icon of the
// type and the buttons はい/いいえ/キャンセル or OK. Separate so that tests can inspect it.
std::unique_ptr<QMessageBox> createMessageBox(QWidget* parent, const QString& text, MessageType type);
// The answer a box of createMessageBox() gives for the button that closed it.
MessageButton messageAnswer(const QMessageBox& box);

// The save dialog that DialogProvider::saveFile shows (not yet shown): the filters converted, the type at
// `filterIndex` (1-based) preselected, `defaultName` proposed, the chosen type's extension (at first
// `defaultSuffix`) appended to a name without one, and no question about replacing a file.
std::unique_ptr<QFileDialog> createSaveDialog(QWidget* parent, const QString& title, const QString& filter,
                                              const QString& defaultName, const QString& defaultSuffix,
                                              int filterIndex);

// The font of the main window and its dialogs: "MS UI Gothic", 10 points. Where that family is not
// installed, the Japanese fonts registered by installFontSubstitutes() stand in for it.
QFont dialogFont();
// Registers installed Japanese fonts as substitutes for the Windows families the program asks for by
// name ("MS UI Gothic", "Meiryo UI"). Idempotent.
void installFontSubstitutes();

} // namespace corvane
