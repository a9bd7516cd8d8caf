#include "app/window/Dialogs.h"

#include <QStringList>

namespace corvane {

MessageButton DialogProvider::message(QWidget*, const QString&, MessageType) {
    return MessageButton::No;
}
std::optional<QString> DialogProvider::openFile(QWidget*, const QString&, const QString&) {
    return std::nullopt;
}
std::optional<SaveChoice> DialogProvider::saveFile(QWidget*, const QString&, const QString&, const QString&,
                                                   const QString&, int) {
    return std::nullopt;
}
std::optional<int> DialogProvider::quality(QWidget*, int) {
    return std::nullopt;
}
bool DialogProvider::showFileLocation(const QString&) {
    return false;
}
QString DialogProvider::desktopFolder() {
    return {};
}
QStringList qtNameFilters(const QString&) {
    return {};
}

} // namespace corvane
