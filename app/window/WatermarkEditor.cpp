#include "app/window/WatermarkEditor.h"

#include "app/ComparisonSession.h"
#include "app/window/AreaGeometry.h"
#include "app/window/AreaView.h"
#include "app/window/CMyEdit.h"
#include "watermark/WatermarkCompositor.h"

#include <QAction>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>

namespace corvane {

namespace {

const QColor kOutlineRed(255, 0, 0);

// The font size of a text on the screen: its size in points times the display scale, truncated.
int screenPoints(const WatermarkText& text, float scale) {
    return static_cast<int>(static_cast<float>(text.size) * scale);
}

} // namespace

WatermarkEditor::WatermarkEditor(ComparisonSession& session, AreaView& view)
    : QObject(&view), m_session(session), m_view(view) {
    // Double clicks and resizes of the areas reach the editor before the view.
    view.installEventFilter(this);
}

WatermarkEditor::~WatermarkEditor() = default;

WatermarkView WatermarkEditor::watermarkView() const {
    const AreaGeometry& geometry = m_view.areaGeometry();
    return {geometry.pictures[kOriginal2], geometry.scale};
}

WatermarkList& WatermarkEditor::list() {
    return m_session.watermarks();
}

const WatermarkList& WatermarkEditor::list() const {
    return m_session.watermarks();
}

// --- Pointer ---

bool WatermarkEditor::press(QPoint point, bool exactlyCtrl, bool exactlyShift) {
    if (!m_session.watermarkModeOn()) {
        return false;
    }
    WatermarkList& texts = list();
    const WatermarkView view = watermarkView();
    // Every handle drag starts without an outline: a release before any accepted outline changes nothing.
    m_pending.reset();
    if (m_edit) {
        const int handle = hitTestHandle(m_editRect, point);
        if (handle >= 0) {
            m_gesture = Gesture::Handle;
            m_handle = handle;
        } else {
            commitEdit(false);
        }
        return true;
    }
    if (texts.isValidIndex(texts.current())) {
        const int handle = hitTestHandle(view.toScreen(texts.text(texts.current()).box()), point);
        if (handle >= 0) {
            m_gesture = Gesture::Handle;
            m_handle = handle;
            return true;
        }
    }
    const int hit = texts.hitTest(view, point);
    if (hit >= 0) {
        m_view.setFocus(Qt::MouseFocusReason);
        texts.pressOn(hit, exactlyCtrl, exactlyShift);
        m_view.redrawPictures(kOriginal2);
        if (texts.isValidIndex(texts.current())) {
            emit styleShown(texts.current());
        }
        // A text that a Shift click has just unselected is not dragged.
        if (texts.text(hit).selected != 0) {
            m_gesture = Gesture::Drag;
            m_dragStart = point;
            m_startBoxes = texts.boxes();
        }
        return true;
    }
    // The band starts in original 2's picture, unless the grid takes the click.
    const bool onGrid =
        m_session.gridOn() && hitTestGrid(m_view.areaGeometry(), m_session.gridPosition(), point).kind >= 0;
    if (!view.isValid() || !view.picture.contains(point) || onGrid) {
        return false;
    }
    texts.clearSelection();
    texts.setCurrent(-1);
    emit styleHidden();
    m_view.redrawPictures(kOriginal2);
    m_gesture = Gesture::Band;
    m_dragStart = point;
    return true;
}

bool WatermarkEditor::move(QPoint point) {
    if (!m_session.watermarkModeOn()) {
        return false;
    }
    WatermarkList& texts = list();
    const WatermarkView view = watermarkView();
    switch (m_gesture) {
    case Gesture::Handle: {
        const int index = m_edit ? texts.editing() : texts.current();
        if (!texts.isValidIndex(index)) {
            return true;
        }
        const QRect box = m_edit ? m_editRect : view.toScreen(texts.text(index).box());
        if (const std::optional<QRect> outline = watermarkResizeOutline(view, box, m_handle, point)) {
            m_pending = outline;
            m_view.setOutline(AreaOutline{*outline, true, false});
        }
        return true;
    }
    case Gesture::Drag:
        if (texts.dragSelected(view, m_startBoxes, point - m_dragStart)) {
            m_session.recomposeAndRedrawWatermarks();
        }
        return true;
    case Gesture::Band:
        m_view.setOutline(AreaOutline{normalisedRect(m_dragStart, point), false, false});
        return true;
    case Gesture::None:
        break;
    }
    return false;
}

bool WatermarkEditor::release(QPoint point) {
    if (!m_session.watermarkModeOn()) {
        return false;
    }
    WatermarkList& texts = list();
    const WatermarkView view = watermarkView();
    const Gesture gesture = m_gesture;
    m_gesture = Gesture::None;
    switch (gesture) {
    case Gesture::Handle: {
        m_view.setOutline(std::nullopt);
        const std::optional<QRect> pending = m_pending;
        m_pending.reset();
        const int index = m_edit ? texts.editing() : texts.current();
        if (!pending || !texts.isValidIndex(index)) {
            return true;
        }
        if (m_edit) {
            m_edit->hide();
        }
        texts.text(index).setBox(view.toImage(*pending));
        m_session.recomposeAndRedrawWatermarks();
        if (m_edit) {
            m_editRect = *pending;
            m_edit->setGeometry(m_editRect);
            m_edit->show();
            m_edit->setFocus(Qt::OtherFocusReason);
        }
        return true;
    }
    case Gesture::Drag:
        return true;
    case Gesture::Band:
        m_view.setOutline(std::nullopt);
        texts.selectInBand(view, normalisedRect(m_dragStart, point));
        m_view.redrawPictures(kOriginal2);
        return true;
    case Gesture::None:
        break;
    }
    return false;
}

bool WatermarkEditor::doubleClick(QPoint point) {
    if (!m_session.watermarkModeOn() || m_session.helpPaneShown()) {
        return false;
    }
    WatermarkList& texts = list();
    const int hit = texts.hitTest(watermarkView(), point);
    if (hit < 0) {
        return false;
    }
    texts.clearSelection();
    texts.text(hit).selected = 1;
    texts.setCurrent(hit);
    startEdit(hit, point);
    return true;
}

std::optional<QCursor> WatermarkEditor::hoverCursor(QPoint point) const {
    if (!m_session.watermarkModeOn()) {
        return std::nullopt;
    }
    const WatermarkList& texts = list();
    const WatermarkView view = watermarkView();
    QRect handles;
    if (m_edit) {
        handles = m_editRect;
    } else if (texts.isValidIndex(texts.current())) {
        handles = view.toScreen(texts.text(texts.current()).box());
    }
    if (!handles.isNull()) {
        if (const int handle = hitTestHandle(handles, point); handle >= 0) {
            return QCursor(handleCursor(handle));
        }
    }
    if (!m_edit && texts.hitTest(view, point) >= 0) {
        return QCursor(Qt::SizeAllCursor);
    }
    return std::nullopt;
}

void WatermarkEditor::arrowKey(int dx, int dy) {
    if (!m_session.watermarkModeOn() || m_edit) {
        return;
    }
    const WatermarkView view = watermarkView();
    const QPoint step(view.lengthToImage(dx), view.lengthToImage(dy));
    if (list().moveSelectedBy(step, m_session.workingSize())) {
        m_session.recomposeAndRedrawWatermarks();
    }
}

// --- Painting ---

void WatermarkEditor::paint(QPainter& painter) const {
    const WatermarkList& texts = list();
    const WatermarkView view = watermarkView();
    if (!m_session.watermarkModeOn() || !view.isValid() || texts.count() == 0) {
        return;
    }
    painter.save();
    // Texts and outlines stay on the picture: a redraw of the picture must be able to take them away.
    painter.setClipRect(view.picture, Qt::IntersectClip);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.setBackgroundMode(Qt::TransparentMode);
    for (int i = 0; i < texts.count(); ++i) {
        if (i == texts.editing()) {
            continue;
        }
        const WatermarkText& text = texts.text(i);
        painter.setFont(watermarkFont(text, screenPoints(text, view.scale)));
        painter.setPen(QColor(redOf(text.color), greenOf(text.color), blueOf(text.color)));
        drawWatermarkString(painter, text.textString(), view.toScreen(text.box()));
    }
    for (int i = 0; i < texts.count(); ++i) {
        const WatermarkText& text = texts.text(i);
        if (text.selected == 0) {
            continue;
        }
        const QRect box = view.toScreen(text.box());
        paintOutline(painter, AreaOutline{box.adjusted(-2, -2, 2, 2), false, false});
        if (i != texts.current()) {
            continue;
        }
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setPen(QPen(kOutlineRed, 0));
        painter.setBrush(kOutlineRed);
        const std::array<QRect, 8> marks = handleMarks(box);
        for (std::size_t k = 0; k < marks.size(); ++k) {
            const QRect mark = marks[k].adjusted(0, 0, -1, -1);
            if (k < 4) {
                painter.drawRect(mark);
            } else {
                painter.drawEllipse(mark);
            }
        }
    }
    painter.restore();
}

// --- In-place editing ---

void WatermarkEditor::startEdit(int index, QPoint pointer) {
    WatermarkList& texts = list();
    if (!m_session.watermarkModeOn() || !texts.isValidIndex(index)) {
        return;
    }
    // An edit already open keeps what was typed into it.
    if (m_edit && !commitEdit(false)) {
        return;
    }
    const WatermarkView view = watermarkView();
    const WatermarkText& text = texts.text(index);
    m_editRect = view.toScreen(text.box());
    texts.setEditing(index);
    m_view.redrawPictures(kOriginal2);

    auto* edit = new CMyEdit(&m_view);
    edit->setGeometry(m_editRect);
    // The edit box shows neither strike-out nor underline.
    QFont font = watermarkFont(text, screenPoints(text, view.scale));
    font.setStrikeOut(false);
    font.setUnderline(false);
    edit->setTextStyle(font, text.color);
    edit->setTextWithCrLf(text.textString());
    edit->show();
    edit->placeCaretAt(edit->mapFrom(&m_view, pointer));
    edit->setFocus(Qt::OtherFocusReason);
    m_edit = edit;
}

bool WatermarkEditor::commitEdit(bool force) {
    if (!m_edit) {
        list().setEditing(-1);
        return true;
    }
    if (!m_session.storeEditedWatermarkText(list().editing(), m_edit->textWithCrLf(), force)) {
        m_edit->setFocus(Qt::OtherFocusReason);
        return false;
    }
    closeEditBox();
    return true;
}

void WatermarkEditor::closeEditBox() {
    list().setEditing(-1);
    if (m_edit) {
        m_edit->hide();
        m_edit->deleteLater();
        m_edit = nullptr;
        m_view.update(m_editRect);
    }
    m_editRect = QRect();
}

void WatermarkEditor::placeEditBox() {
    // After a resize the edited text lies elsewhere on the screen.
    if (m_edit && list().isValidIndex(list().editing())) {
        m_editRect = watermarkView().toScreen(list().text(list().editing()).box());
        m_edit->setGeometry(m_editRect);
    }
}

void WatermarkEditor::endGestures() {
    if (m_gesture == Gesture::Handle || m_gesture == Gesture::Band) {
        m_view.setOutline(std::nullopt);
    }
    m_gesture = Gesture::None;
    m_pending.reset();
    m_startBoxes.clear();
}

void WatermarkEditor::sessionChanged() {
    if (m_session.watermarkModeOn()) {
        return;
    }
    if (m_edit) {
        commitEdit(true);
    }
    endGestures();
}

bool WatermarkEditor::eventFilter(QObject* watched, QEvent* event) {
    if (watched != &m_view) {
        return false;
    }
    if (event->type() == QEvent::MouseButtonPress) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const Qt::KeyboardModifiers keys = mouse->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier |
                                                                 Qt::AltModifier | Qt::MetaModifier);
        const bool leftAlone = mouse->buttons() == Qt::LeftButton;
        m_exactlyCtrl = leftAlone && keys == Qt::ControlModifier;
        m_exactlyShift = leftAlone && keys == Qt::ShiftModifier;
        return false;
    }
    if (event->type() == QEvent::MouseButtonDblClick) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        return mouse->button() == Qt::LeftButton && doubleClick(mouse->position().toPoint());
    }
    if (event->type() == QEvent::Resize && m_edit) {
        // A resize ends the edit; a refused text stays open and follows its text once the areas are laid
        // out again.
        if (!commitEdit(false)) {
            QMetaObject::invokeMethod(this, &WatermarkEditor::placeEditBox, Qt::QueuedConnection);
        }
    }
    return false;
}

// --- Menus and commands ---

std::unique_ptr<QMenu> WatermarkEditor::contextMenu(QPoint point, int clickedArea) {
    if (!m_session.watermarkModeOn()) {
        return nullptr;
    }
    WatermarkList& texts = list();
    const int hit = texts.hitTest(watermarkView(), point);
    if (hit >= 0) {
        texts.selectForMenu(hit);
        m_view.redrawPictures(kOriginal2);
        return textMenu(point);
    }
    if (clickedArea == kOriginal2) {
        return viewMenu(point);
    }
    return nullptr;
}

std::unique_ptr<QMenu> WatermarkEditor::textMenu(QPoint point) {
    auto menu = std::make_unique<QMenu>();
    menu->setTitle(QStringLiteral("透かし文字"));
    const auto add = [&](const QString& text, int command) {
        QAction* action = menu->addAction(text);
        action->setData(command);
        connect(action, &QAction::triggered, this, [this, command, point] { runCommand(command, point); });
        return action;
    };
    const auto style = [&](const QString& text, int command, WatermarkList::Style which) {
        QAction* action = add(text, command);
        action->setCheckable(true);
        action->setChecked(list().currentHas(which));
    };
    add(QStringLiteral("テキストの編集(&E)\tWClick"), watermarkcmd::kEditText);
    menu->addSeparator();
    style(QStringLiteral("太字(&B)"), watermarkcmd::kBold, WatermarkList::Style::Bold);
    style(QStringLiteral("斜体(&I)"), watermarkcmd::kItalic, WatermarkList::Style::Italic);
    style(QStringLiteral("字消し(&D)"), watermarkcmd::kStrike, WatermarkList::Style::Strike);
    style(QStringLiteral("下線(&U)"), watermarkcmd::kUnderline, WatermarkList::Style::Underline);
    menu->addSeparator();
    add(QStringLiteral("透かし文字を削除(&D)"), watermarkcmd::kDelete);
    return menu;
}

std::unique_ptr<QMenu> WatermarkEditor::viewMenu(QPoint point) {
    auto menu = std::make_unique<QMenu>();
    menu->setTitle(QStringLiteral("透かしモードのビュー"));
    const auto add = [&](const QString& text, int command) {
        QAction* action = menu->addAction(text);
        action->setData(command);
        connect(action, &QAction::triggered, this, [this, command, point] { runCommand(command, point); });
    };
    add(QStringLiteral("透かし文字を追加(&N)"), watermarkcmd::kAdd);
    menu->addSeparator();
    add(QStringLiteral("名前を付けて保存(&S)"), watermarkcmd::kSaveFile);
    add(QStringLiteral("保存先から読込む(&L)"), watermarkcmd::kLoadFile);
    menu->addSeparator();
    add(QStringLiteral("透かし文字書き込みモード終了(&X)"), watermarkcmd::kEndMode);
    return menu;
}

bool WatermarkEditor::runCommand(int command, QPoint point) {
    switch (command) {
    case watermarkcmd::kEndMode:
        m_session.SelectProcessing(command::kEndWatermark);
        return true;
    case watermarkcmd::kEditText:
        if (list().isValidIndex(list().current())) {
            startEdit(list().current(), m_view.mapFromGlobal(QCursor::pos()));
        }
        return true;
    case watermarkcmd::kBold:
        m_session.toggleWatermarkStyle(WatermarkList::Style::Bold);
        return true;
    case watermarkcmd::kItalic:
        m_session.toggleWatermarkStyle(WatermarkList::Style::Italic);
        return true;
    case watermarkcmd::kStrike:
        m_session.toggleWatermarkStyle(WatermarkList::Style::Strike);
        return true;
    case watermarkcmd::kUnderline:
        m_session.toggleWatermarkStyle(WatermarkList::Style::Underline);
        return true;
    case watermarkcmd::kAdd:
        if (m_session.watermarkModeOn()) {
            m_session.addWatermarkText(watermarkView().toImage(point));
        }
        return true;
    case watermarkcmd::kDelete:
        m_session.deleteWatermarks();
        return true;
    case watermarkcmd::kSelectAll:
        m_session.selectAllWatermarks();
        return true;
    case watermarkcmd::kSaveFile:
        m_session.saveWatermarkFile();
        return true;
    case watermarkcmd::kLoadFile:
        m_session.loadWatermarkFile();
        return true;
    default:
        return false;
    }
}

} // namespace corvane
