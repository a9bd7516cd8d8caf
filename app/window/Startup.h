#pragma once

#include "platform/Status.h"

#include <QString>
#include <QStringList>

#include <string>

namespace corvane {

class DialogProvider;

// What the program's command line asks for:
//   corvane [--bits-per-pixel 16|24|32] [--sample-pair FOLDER | ORIGINAL1 [ORIGINAL2]]
// "--" ends the options (the words after it are originals even when they begin with "-"); an original
// may also be given as a file: URL, as some file managers pass them.
struct StartupOptions {
    int forcedBits = 0;       // --bits-per-pixel (0: not given); any number is kept, the check refuses it
    QString samplePairFolder; // --sample-pair: write the generated pair there and open it
    QStringList originals;    // the images to open instead of those of the last run
    QString error;            // not empty: the arguments are wrong, and this says why
};

// `arguments` without the program's name (Qt's own options already removed).
StartupOptions parseStartupArguments(const QStringList& arguments);
// The usage lines printed after an argument error.
QString startupUsage();
// What `corvane --help` or `corvane --version` prints, when one of them is among the arguments (before any
// "--"); empty otherwise. Asked before the window's application exists, so that both work without a
// display and whatever Qt's own options stand beside them.
QString startupInformation(const QStringList& arguments);

// The surface format: the forced value, else the environment's, else the one for the screen's depth.
// When none is usable the user is told the depth in question (message 30149) and 0 is returned: the
// program then ends without its window.
int checkDisplayDepth(int forcedBits, const char* environmentValue, int screenDepth, DialogProvider& dialogs);

// Whether the window can be shown at all: a display server is named (DISPLAY or WAYLAND_DISPLAY) or a Qt
// platform is chosen (QT_QPA_PLATFORM, e.g. offscreen). Null or empty values count as unset.
bool displayAvailable(const char* display, const char* waylandDisplay, const char* platform);
// The one line printed instead of starting without a display: what is missing and how to run under a
// virtual display.
std::string noDisplayMessage(const char* program);

// Writes the generated sample pair into `folder` (made if missing) as sample1.png and sample2.png,
// keeping files already there, and gives their paths. A failure names the file and the reason.
Status writeSamplePair(const QString& folder, QStringList& paths);

} // namespace corvane
