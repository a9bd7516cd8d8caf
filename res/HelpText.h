#pragma once

#include <QStringList>

namespace corvane {

// The user guide shown in the help pane: 129 lines, the first and the last empty. Main headings start in
// column 0 ("4 比較処理"), sub-headings with one space (" (1) 目視比較"), body lines with five spaces. The
// help pane scrolls to a processing's section by line index, so a heading's index is part of the text's
// contract (see helpScrollLines in app/window/HelpPane.h).
inline constexpr int kHelpTextLineCount = 129;

// The lines without their line ends.
QStringList helpTextLines();

// The whole text with every line ended by CR LF, as it is handed out to other programs (copied or saved).
QString helpText();

} // namespace corvane
