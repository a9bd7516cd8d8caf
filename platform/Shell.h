#pragma once

#include <QString>

namespace corvane {

// Opens the folder holding `path` in the desktop's file manager. False when none could be started.
bool showFileLocation(const QString& path);

// The user's desktop folder (the home folder when the desktop has none).
QString desktopFolder();

} // namespace corvane
