#include "app/window/Dialogs.h"

#include "app/window/CAboutDlg.h"
#include "app/window/CAssukuDlg.h"
#include "platform/AppInfo.h"
#include "platform/FontSubstitutes.h"
#include "platform/Shell.h"

#include <QColorDialog>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>

namespace corvane {

namespace {

// The extension of a name filter's first pattern ("text (*.jpeg)" → "jpeg"); empty for patterns such as
// "*.*".
QString firstPatternSuffix(const QString& nameFilter) {
    static const QRegularExpression pattern(QStringLiteral("\\(\\*\\.([A-Za-z0-9]+)[ )]"));
    const QRegularExpressionMatch match = pattern.match(nameFilter, nameFilter.lastIndexOf(QLatin1Char('(')));
    return match.hasMatch() ? match.captured(1) : QString();
}

// The index in `filters` (made by qtNameFilters) of the filter a dialog reports: the whole filter, or,
// with the details hidden, its text without the patterns. −1 when none.
qsizetype indexOfNameFilter(const QStringList& filters, const QString& reported) {
    for (qsizetype i = 0; i < filters.size(); ++i) {
        if (filters[i] == reported ||
            filters[i].left(filters[i].lastIndexOf(QStringLiteral(" ("))) == reported) {
            return i;
        }
    }
    return -1;
}

} // namespace

QStringList qtNameFilters(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString text = parts[i].trimmed();
        const QString patterns = parts[i + 1].trimmed();
        if (text.isEmpty() && patterns.isEmpty()) {
            break; // the closing "||"
        }
        filters.push_back(text + QStringLiteral(" (") +
                          QString(patterns).replace(QLatin1Char(';'), QLatin1Char(' ')) + QLatin1Char(')'));
    }
    return filters;
}

std::unique_ptr<QMessageBox> createMessageBox(QWidget* parent, const QString& text, MessageType type) {
    auto box = std::make_unique<QMessageBox>(parent);
    box->setWindowTitle(QString::fromLatin1(kApplicationName));
    box->setText(text);
    box->setTextFormat(Qt::PlainText);
    const auto add = [&box](QMessageBox::StandardButton button, const QString& caption) {
        box->addButton(button)->setText(caption);
    };
    switch (type) {
    case MessageType::Stop:
        box->setIcon(QMessageBox::Critical);
        add(QMessageBox::Ok, QStringLiteral("OK"));
        break;
    case MessageType::Information:
        box->setIcon(QMessageBox::Information);
        add(QMessageBox::Ok, QStringLiteral("OK"));
        break;
    case MessageType::YesNo:
        box->setIcon(QMessageBox::Question);
        add(QMessageBox::Yes, QStringLiteral("はい"));
        add(QMessageBox::No, QStringLiteral("いいえ"));
        box->setDefaultButton(QMessageBox::Yes);
        box->setEscapeButton(QMessageBox::No);
        break;
    case MessageType::YesNoCancel:
        box->setIcon(QMessageBox::Question);
        add(QMessageBox::Yes, QStringLiteral("はい"));
        add(QMessageBox::No, QStringLiteral("いいえ"));
        add(QMessageBox::Cancel, QStringLiteral("キャンセル"));
        box->setDefaultButton(QMessageBox::Yes);
        box->setEscapeButton(QMessageBox::Cancel);
        break;
    }
    return box;
}

MessageButton messageAnswer(const QMessageBox& box) {
    switch (box.standardButton(box.clickedButton())) {
    case QMessageBox::Yes:
        return MessageButton::Yes;
    case QMessageBox::No:
        return MessageButton::No;
    case QMessageBox::Ok:
        return MessageButton::Ok;
    default:
        return MessageButton::Cancel;
    }
}

std::unique_ptr<QFileDialog> createSaveDialog(QWidget* parent, const QString& title, const QString& filter,
                                              const QString& defaultName, const QString& defaultSuffix,
                                              int filterIndex) {
    auto dialog = std::make_unique<QFileDialog>(parent, title);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    // The session asks about replacing a file itself; the pattern part of each type stays hidden, so the
    // types read exactly as written; Qt's own dialog, whatever the desktop offers, so that the chosen
    // type's extension is appended.
    dialog->setOptions(QFileDialog::DontConfirmOverwrite | QFileDialog::HideNameFilterDetails |
                       QFileDialog::DontUseNativeDialog);
    const QStringList filters = qtNameFilters(filter);
    dialog->setNameFilters(filters);
    dialog->setDefaultSuffix(defaultSuffix);
    if (filterIndex >= 1 && filterIndex <= filters.size()) {
        const QString& selected = filters[filterIndex - 1];
        dialog->selectNameFilter(selected);
        if (const QString suffix = firstPatternSuffix(selected); !suffix.isEmpty()) {
            dialog->setDefaultSuffix(suffix);
        }
    }
    // A name typed without an extension gets the extension of the type chosen at that moment.
    QFileDialog* raw = dialog.get();
    QObject::connect(raw, &QFileDialog::filterSelected, raw, [raw, filters](const QString& chosen) {
        const qsizetype index = indexOfNameFilter(filters, chosen);
        if (const QString suffix = index < 0 ? QString() : firstPatternSuffix(filters[index]);
            !suffix.isEmpty()) {
            raw->setDefaultSuffix(suffix);
        }
    });
    dialog->selectFile(defaultName);
    return dialog;
}

MessageButton DialogProvider::message(QWidget* parent, const QString& text, MessageType type) {
    const std::unique_ptr<QMessageBox> box = createMessageBox(parent, text, type);
    box->exec();
    return messageAnswer(*box);
}

std::optional<QString> DialogProvider::openFile(QWidget* parent, const QString& title,
                                                const QString& filter) {
    QFileDialog dialog(parent, title);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setNameFilters(qtNameFilters(filter));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().front();
}

std::optional<SaveChoice> DialogProvider::saveFile(QWidget* parent, const QString& title,
                                                   const QString& filter, const QString& defaultName,
                                                   const QString& defaultSuffix, int filterIndex) {
    const std::unique_ptr<QFileDialog> dialog =
        createSaveDialog(parent, title, filter, defaultName, defaultSuffix, filterIndex);
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    const qsizetype chosen = indexOfNameFilter(dialog->nameFilters(), dialog->selectedNameFilter());
    return SaveChoice{dialog->selectedFiles().front(),
                      chosen < 0 ? filterIndex : static_cast<int>(chosen) + 1};
}

std::optional<int> DialogProvider::quality(QWidget* parent, int initial) {
    CAssukuDlg dialog(initial, parent);
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return dialog.quality();
}

bool DialogProvider::showFileLocation(const QString& path) {
    return corvane::showFileLocation(path);
}

QString DialogProvider::desktopFolder() {
    return corvane::desktopFolder();
}

std::optional<QFont> DialogProvider::chooseFont(QWidget* parent, const QFont& initial, const QString& title) {
    bool accepted = false;
    const QFont font = QFontDialog::getFont(&accepted, initial, parent, title);
    return accepted ? std::optional<QFont>(font) : std::nullopt;
}

std::optional<ColorRef> DialogProvider::chooseColor(QWidget* parent, ColorRef initial, const QString& title) {
    const QColor chosen =
        QColorDialog::getColor(QColor(redOf(initial), greenOf(initial), blueOf(initial)), parent, title);
    if (!chosen.isValid()) {
        return std::nullopt;
    }
    return makeColor(static_cast<std::uint8_t>(chosen.red()), static_cast<std::uint8_t>(chosen.green()),
                     static_cast<std::uint8_t>(chosen.blue()));
}

void DialogProvider::about(QWidget* parent) {
    CAboutDlg dialog(parent);
    dialog.exec();
}

QFont dialogFont() {
    installFontSubstitutes();
    QFont font(QStringLiteral("MS UI Gothic"));
    font.setPointSize(10);
    return font;
}

void installFontSubstitutes() {
    installJapaneseFontSubstitutes();
}

int DialogProvider::runModal(QDialog& dialog) {
    return dialog.exec();
}

} // namespace corvane
