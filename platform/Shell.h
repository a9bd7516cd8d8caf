#pragma once

#include <QString>

namespace corvane {

// Opens the folder holding `path` in the desktop's file manager. False when none could be started.
bool showFileLocation(const QString& path);

// The user's desktop folder as the user's XDG settings name it ("XDG_DESKTOP_DIR" of user-dirs.dirs,
// else "Desktop" in the home folder). It may not exist yet: whoever writes there makes it first.
QString desktopFolder();

} // namespace corvane
