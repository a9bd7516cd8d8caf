#pragma once

#include <QIcon>

namespace corvane {

// The pictures of the main window's buttons and its window icon, drawn in code at 16 and 32 pixels.
QIcon extractDocumentIcon(); // a page leaving a picture frame: take the embedded document out
QIcon clearIcon();           // a picture frame crossed out: clear both originals
QIcon versionIcon();         // an "i" in a blue disc: version and copyright
QIcon helpIcon();            // a "?" in a green disc: show or hide the help
QIcon helpSettingsIcon();    // a letter with a colour bar: the help pane's font and colour
QIcon applicationIcon();     // two overlapping pictures

} // namespace corvane
