#pragma once

#include <QIcon>
#include <QImage>

namespace corvane {

// The pictures of the main window's buttons and its window icon, drawn in code at 16 and 32 pixels.
QIcon extractDocumentIcon(); // a page leaving a picture frame: take the embedded document out
QIcon clearIcon();           // a picture frame crossed out: clear both originals
QIcon versionIcon();         // an "i" in a blue disc: version and copyright
QIcon helpIcon();            // a "?" in a green disc: show or hide the help
QIcon helpSettingsIcon();    // a letter with a colour bar: the help pane's font and colour
QIcon applicationIcon();     // two overlapping pictures

// The application icon's picture at `size` × `size` pixels, drawn on the 16-pixel design grid and scaled:
// the window's icon and the installed icon theme's pictures. Needs no application object.
QImage applicationIconImage(int size);
inline constexpr int kApplicationIconSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};

} // namespace corvane
