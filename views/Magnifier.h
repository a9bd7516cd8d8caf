#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

namespace corvane {

// What the magnifier window shows: `source`, a rectangle of the target original in image pixels (it
// may reach outside the image), fitted into `target` of the client area with its aspect kept.
struct MagnifierLayout {
    QRect source;
    QRect target;
};

// The magnified part: the zoom frame (the whole working image when the frame is empty), read from
// original 2 at the frame moved by the shift; fitted to the client's full width and centred vertically
// when the client is relatively taller than the source, else to its full height and centred
// horizontally. Empty rectangles when there is nothing to show.
MagnifierLayout magnifierLayout(QSize client, QSize working, const QRect& frame, int target, int shiftH,
                                int shiftV);

// The saved placement of the magnifier ("LastPX", "LastPY", "LastSX", "LastSY"), as read.
struct SavedPlacement {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// Where the magnifier goes when the program starts: centred on `owner` when no position was saved
// (both 0); otherwise at the saved position with the saved size (the current size when no width was
// saved), kept within `desktop` (the screen's available area): a saved size larger than the desktop
// shrinks to it, and a position that would put any part of the window off the desktop is moved back
// until the window is inside.
QRect magnifierPlacement(const SavedPlacement& saved, QSize current, const QRect& owner,
                         const QRect& desktop);

// A window of `size` moved to `topLeft` but kept within `desktop`, as a dragged window is.
QPoint keptOnDesktop(QPoint topLeft, QSize size, const QRect& desktop);

} // namespace corvane
