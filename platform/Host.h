#pragma once

#include <QRect>
#include <QString>

#include <cstdint>
#include <optional>

namespace corvane {

// What a message box asks or tells: a failure (stop icon, OK), a question with Yes and No, a question with
// Yes, No and Cancel, or a notice (OK).
enum class MessageType { Stop, YesNo, YesNoCancel, Information };

enum class MessageButton { Ok, Yes, No, Cancel };

// The choice made in a save dialog: the path and the 1-based index of the chosen file type.
struct SaveChoice {
    QString path;
    int filterIndex = 1;
};

// The services the comparison session asks of whoever shows it: the main window, the command line, or
// a test script. The session never includes a widget header; everything it shows or asks goes through
// here. All calls come from the session's thread.
class Host {
public:
    virtual ~Host() = default;

    // Shows string `id` of the string table preceded by `prefix` (usually empty, else a detail such as a
    // file name and "\n"), with the application's name as caption, and returns the button pressed.
    virtual MessageButton showMessage(const QString& prefix, int id, MessageType type) = 0;

    // Redraw requests by area (which = 0 … 3 one area, 10 all four, 11 the originals, 12 the results,
    // 13 areas 1 to 3): the area frames, erased first or not, or the picture rectangles only.
    virtual void redrawAreas(int which, bool erase) = 0;
    virtual void redrawPictures(int which) = 0;
    // The picture rectangles of `which` when their images changed only inside `changed` (image
    // coordinates), so that a view keeping copies of them can redo only that part.
    virtual void redrawChangedPictures(int which, const QRect& /*changed*/) { redrawPictures(which); }

    // The wait cursor while a long operation runs.
    virtual void setWaitCursor(bool on) = 0;

    // The progress bar: shown with the range 0 … maximum at `position`; hidden when maximum is 0.
    virtual void showProgress(std::int64_t position, std::int64_t maximum) = 0;

    // An image file to open; empty when cancelled.
    virtual std::optional<QString> chooseOpenFile(const QString& title, const QString& filter) = 0;

    // A file to save: `filter` in the "text|patterns|…||" form, the type at `filterIndex` preselected,
    // `defaultName` proposed and `defaultSuffix` appended when the name has none. Empty when cancelled.
    virtual std::optional<SaveChoice> chooseSaveFile(const QString& title, const QString& filter,
                                                     const QString& defaultName, const QString& defaultSuffix,
                                                     int filterIndex) = 0;

    // The JPEG quality 10 … 100, starting at `initial`; empty when cancelled.
    virtual std::optional<int> chooseQuality(int initial) = 0;

    // Shows the folder of `path` in the desktop's file manager; false when that fails.
    virtual bool showFileLocation(const QString& path) = 0;

    // The user's desktop folder.
    virtual QString desktopFolder() = 0;

    // The shift controls go back to position 0 with the range −maxH … maxH and −maxV … maxV (a new
    // original was set; the session's shift itself is kept until a control is stepped).
    virtual void resetShiftControls(int maxH, int maxV) {
        static_cast<void>(maxH);
        static_cast<void>(maxV);
    }

    // The main window takes the keyboard focus (the visual comparison and the zoom comparison read the
    // arrow keys there).
    virtual void focusMainWindow() {}

    // The property comparison's table is ready (ComparisonSession::propertyRows()).
    virtual void showPropertyComparison() {}

    // The session's state that the window shows (captions, instruction line, elapsed time, enabled
    // controls) changed.
    virtual void stateChanged() {}

    // Watermark text `index` is to be edited in place (the watermark mode started with a new text).
    virtual void startWatermarkEdit(int index) { static_cast<void>(index); }
    // The text being edited in place, if any, is to be stored and its edit box closed, before the session
    // saves, replaces or leaves the watermark texts.
    virtual void finishWatermarkEdit() {}
};

} // namespace corvane
