#pragma once

#include <QRect>
#include <QSize>
#include <QString>

namespace corvane {

// The texts that tell a user where they are: the window title, what follows an original's area label,
// and the hint in an original's area without an image; and where a caption may go without covering the
// picture. Pure, so they are tested without a window.

// "NAME1 ↔ NAME2 - Corvane" with the file names of the originals (an unset one as "（未設定）"); two
// files of the same name are told apart by their folders' names. Just the program's name while neither
// original is set.
QString windowTitleFor(const QString& path1, const QString& path2);

// What follows an original's label: its file name and natural size, "a.png（640 × 480）"; the size alone,
// "640 × 480".
QString originalCaption(const QString& fileName, QSize naturalSize);
QString sizeCaption(QSize naturalSize);

// The lines shown in an original's area while it has no image: how to set one.
QString emptyOriginalHint();

// The part of the text line at (left, top) of `height` pixels, ending 2 pixels inside the frame's right
// edge, that neither covers `picture` nor comes within a pixel of it: the whole line when the picture
// lies below it, the part left of the picture when the picture reaches into the line, else empty (also
// when the line does not end 2 pixels above the frame's bottom).
QRect captionSpace(const QRect& frame, const QRect& picture, int left, int top, int height);

} // namespace corvane
