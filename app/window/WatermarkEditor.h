#pragma once

#include "app/window/CMyEdit.h"
#include "watermark/WatermarkList.h"

#include <QCursor>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QRect>

#include <memory>
#include <optional>
#include <vector>

class QMenu;
class QPainter;

namespace corvane {

class AreaView;
class ComparisonSession;

// Command ids of the watermark view's context menus and of the accelerators for the texts.
namespace watermarkcmd {
inline constexpr int kEndMode = 175;
inline constexpr int kEditText = 176;
inline constexpr int kBold = 177;
inline constexpr int kAdd = 178;
inline constexpr int kDelete = 179;
inline constexpr int kItalic = 180;
inline constexpr int kStrike = 181;
inline constexpr int kUnderline = 182;
inline constexpr int kSelectAll = 187;
inline constexpr int kSaveFile = 190;
inline constexpr int kLoadFile = 191;
} // namespace watermarkcmd

// The editing of the watermark texts in original 2's area while the watermark mode is on: selecting,
// dragging, resizing by the handles, the selection band, the arrow keys, the context menus, the in-place
// editor (CMyEdit) and the texts painted in the view. Owned by the area view, whose pointer hooks call it;
// the text list and the compositing belong to the session. Points are in the area view's coordinates.
class WatermarkEditor : public QObject {
    Q_OBJECT
public:
    WatermarkEditor(ComparisonSession& session, AreaView& view);
    ~WatermarkEditor() override;

    // The pointer; each returns whether it took the event. `exactlyCtrl` and `exactlyShift` tell that
    // only that key was held with the left button alone.
    bool press(QPoint point, bool exactlyCtrl, bool exactlyShift);
    // A press the view received, with the keys and buttons that were held with it.
    bool pressFromView(QPoint point) { return press(point, m_exactlyCtrl, m_exactlyShift); }
    bool move(QPoint point);
    bool release(QPoint point);
    // A double click on a text edits it alone.
    bool doubleClick(QPoint point);
    // The cursor over a handle of the edited or current text, or over a text; none elsewhere.
    std::optional<QCursor> hoverCursor(QPoint point) const;
    // The menu of a right click at `point` in frame `clickedArea`: the text menu over a text (which gets
    // selected), the view's menu elsewhere in original 2's frame; null elsewhere.
    std::unique_ptr<QMenu> contextMenu(QPoint point, int clickedArea);
    // The texts of the view (all but the edited one) and the outlines of the selected ones.
    void paint(QPainter& painter) const;
    // An arrow key's step in screen pixels: the selected texts move (not while a text is edited).
    void arrowKey(int dx, int dy);
    // Runs a command of the menus or accelerators (ids in watermarkcmd; `point` is where the menu was
    // opened); false for an id that is not one of them.
    bool runCommand(int command, QPoint point = {});

    // In-place editing of text `index`, the caret at `pointer`. An edit already open is stored first.
    void startEdit(int index, QPoint pointer);
    // Stores the edited text and closes the edit box. A text with characters that the files cannot hold
    // is refused with a message and stays open, unless `force`: then those characters are replaced and
    // the edit box closes. True when no edit is left open.
    bool commitEdit(bool force);
    bool isEditing() const { return m_edit != nullptr; }
    CMyEdit* editBox() const { return m_edit; }
    QRect editRect() const { return m_editRect; }

    // The session's state changed: outside the watermark mode no edit box and no gesture remain.
    void sessionChanged();

signals:
    // The style controls show text `index` / are hidden.
    void styleShown(int index);
    void styleHidden();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class Gesture { None, Drag, Handle, Band };

    WatermarkView watermarkView() const;
    WatermarkList& list();
    const WatermarkList& list() const;
    void closeEditBox();
    void endGestures();
    void placeEditBox();
    std::unique_ptr<QMenu> textMenu(QPoint point);
    std::unique_ptr<QMenu> viewMenu(QPoint point);

    ComparisonSession& m_session;
    AreaView& m_view;
    QPointer<CMyEdit> m_edit;
    QRect m_editRect;
    Gesture m_gesture = Gesture::None;
    int m_handle = -1;
    // The outline a handle drag last accepted (screen); none until one was.
    std::optional<QRect> m_pending;
    QPoint m_dragStart;
    std::vector<QRect> m_startBoxes;
    // Keys of the last press the view received: exactly Ctrl, or exactly Shift, with the left button alone.
    bool m_exactlyCtrl = false;
    bool m_exactlyShift = false;
};

} // namespace corvane
