#include "app/window/CSorvikDlgPrivate.h"

#include "app/window/AreaCaptions.h"
#include "app/window/AreaView.h"
#include "app/window/CNaviDlg.h"
#include "app/window/CPropDlg.h"
#include "app/window/DialogControls.h"
#include "app/window/FlipView.h"
#include "app/window/HelpPane.h"
#include "app/window/Icons.h"
#include "app/window/WatermarkEditor.h"
#include "app/window/WatermarkStyleControls.h"
#include "platform/AppInfo.h"
#include "res/Strings.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QWheelEvent>

#include <algorithm>
#include <array>
#include <climits>
#include <map>
#include <tuple>

namespace corvane {

namespace {

// The drop-invitation frame of the document mode steps every 50 ms.
constexpr int kDocumentTimerMs = 50;

// (a × b) / c rounded, as dialog units are converted.
int mulDiv(int a, int b, int c) {
    const long long product = static_cast<long long>(a) * b;
    return static_cast<int>(product >= 0 ? (2 * product + c) / (2 * c) : -((-2 * product + c) / (2 * c)));
}

} // namespace

CSorvikDlg::CSorvikDlg(int displayBits, SettingsStore& settings, DialogProvider& dialogs, QWidget* parent)
    : QWidget(parent), m_controls(std::make_unique<Controls>()), m_displayBits(displayBits),
      m_settings(settings), m_dialogs(dialogs),
      m_session(std::make_unique<ComparisonSession>(*this, displayBits, &settings)) {
    setWindowTitle(QString::fromLatin1(kApplicationName));
    setWindowIcon(applicationIcon());
    setFont(dialogFont());
    setFocusPolicy(Qt::ClickFocus);

    // Dialog base units of the font: the average width of the Latin letters and the line height.
    const QFontMetrics metrics(font());
    const int letters =
        metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    m_controls->baseX = std::max(1, (letters / 26 + 1) / 2);
    m_controls->baseY = std::max(1, metrics.height());

    createControls();
    createMenus();
    setTooltips();

    m_areas = new AreaView(*m_session, this);
    m_areas->lower();
    // The help pane over the results, hidden; its font and colour come from the settings.
    m_help = new HelpPane(m_settings, this);
    connect(m_areas, &AreaView::helpPaneDismissed, this, [this] { setHelpPaneShown(false); });
    connectWatermarkStyle();
    // The magnifier, hidden until the zoom comparison starts; it follows what the areas paint.
    m_navi = new CNaviDlg(*m_session, *m_areas, m_settings, QSize(dialogUnitsX(103), dialogUnitsY(78)), this);
    connect(m_areas, &AreaView::painted, m_navi, &CNaviDlg::refresh);
    connect(m_navi, &CNaviDlg::command, this, &CSorvikDlg::runCommand);
    // Holding Space shows each original in the other's area.
    new FlipView(*m_session, *m_areas, *this);

    m_controls->documentTimer.setInterval(kDocumentTimerMs);
    connect(&m_controls->documentTimer, &QTimer::timeout, this, &CSorvikDlg::documentTimerTick);

    // The window's template size is its initial and smallest size.
    const QSize initial(dialogUnitsX(550), dialogUnitsY(274));
    setMinimumSize(initial);
    resize(initial);

    m_controls->built = true;
    stateChanged();
    // Keys are looked at before any control of the window gets them (accelerators, arrow keys, Esc).
    qApp->installEventFilter(this);
}

CSorvikDlg::~CSorvikDlg() {
    qApp->removeEventFilter(this);
    m_controls->documentTimer.stop();
    while (m_controls->waitCursors > 0) {
        setWaitCursor(false);
    }
    // The areas read the session while they exist; they go first, and no state is shown any more.
    m_controls->built = false;
    delete m_navi;
    m_navi = nullptr;
    delete m_areas;
    m_areas = nullptr;
}

int CSorvikDlg::dialogUnitsX(int units) const {
    return mulDiv(units, m_controls->baseX, 4);
}

int CSorvikDlg::dialogUnitsY(int units) const {
    return mulDiv(units, m_controls->baseY, 8);
}

int CSorvikDlg::areasTop() const {
    return m_controls->progress->geometry().bottom() + 1;
}

QWidget* CSorvikDlg::control(int controlId) const {
    const auto found = m_controls->byId.find(controlId);
    return found == m_controls->byId.end() ? nullptr : found->second;
}

QAction* CSorvikDlg::commandAction(int commandId) const {
    const auto found = m_controls->actions.find(commandId);
    return found == m_controls->actions.end() ? nullptr : found->second;
}

QMenu* CSorvikDlg::processingMenu(int position) const {
    return position >= 0 && position < 4 ? m_controls->processingMenus[static_cast<std::size_t>(position)]
                                         : nullptr;
}

void CSorvikDlg::applyCheckMarks() {
    const auto check = [this](int commandId, bool on) {
        if (QAction* action = commandAction(commandId)) {
            action->setChecked(on);
        }
    };
    for (int i = 0; i < 3; ++i) {
        check(command::kColorSpaceFirst + i, m_session->colorSpace() == i);
    }
    for (int i = 0; i < 15; ++i) {
        check(command::kBlendFirst + i, m_session->blendMode() == i);
    }
    for (int i = 0; i < 5; ++i) {
        check(command::kOverlayFirst + i, m_session->overlayLevel() == i);
    }
    for (int i = 0; i < 4; ++i) {
        check(cmd::kNotationFirst + i, m_session->valueNotation() == i);
    }
    check(cmd::kGridToggle, m_session->gridOn());
    m_controls->grid->setChecked(m_session->gridOn());
}

void CSorvikDlg::gridCommand(int commandId) {
    ComparisonSession& s = *m_session;
    const QSize size = s.workingSize();
    if (commandId == cmd::kGridToggle) {
        s.setGridOn(!s.gridOn());
        redrawPictures(redraw::kAll);
    } else if (commandId == cmd::kGridCentre) {
        s.setGridOn(true);
        s.setGridPosition({size.width() / 2, size.height() / 2});
        redrawPictures(redraw::kAll);
    } else if (commandId == cmd::kGridVisual) {
        // The visual comparison at the grid's intersection, without a run of its own.
        s.setGridOn(true);
        s.setVisualPoint(s.gridPosition());
        if (s.currentProcessing() != ProcessingMode::Visual) {
            s.ResetProcessing();
            s.prepareProcessing(command::kVisual);
            s.clearInstruction();
        }
        redrawAreas(redraw::kAll, true);
    }
    applyCheckMarks();
}

void CSorvikDlg::selectProcessing(int commandId) {
    m_session->SelectProcessing(commandId);
    // The best-match search moves original 2: the shift controls show where it now lies.
    if (commandId == command::kBestMatch && !m_session->workingSize().isEmpty()) {
        m_controls->shiftH->setPosition(m_session->shiftH());
        m_controls->shiftV->setPosition(m_session->shiftV());
    }
}

void CSorvikDlg::runCommand(int commandId) {
    if (commandId == cmd::kZoomTarget) {
        m_areas->switchZoomTarget();
    } else if (commandId == cmd::kHelpPane) {
        setHelpPaneShown(!m_session->helpPaneShown());
    } else if (commandId == id::kHelpSettings) {
        m_help->chooseSettings(m_dialogs, this);
    } else if (commandId == id::kVersion) {
        m_dialogs.about(this);
    } else if (commandId == cmd::kEndZoomFromNavi) {
        m_session->SelectProcessing(command::kEndZoom);
    }
    m_areas->watermarkEditor().runCommand(commandId);
    emit commandIssued(commandId);
}

void CSorvikDlg::setHelpPaneShown(bool shown) {
    m_session->setHelpPaneShown(shown);
    m_controls->processing->setEnabled(!shown);
    if (shown) {
        m_help->showOver(helpRegion(), helpScrollLines(m_session->currentProcessing()));
    } else {
        m_help->hide();
    }
    // The results are drawn again without the pane, or their backgrounds give way to it.
    m_areas->repaint(helpRegion().translated(-m_areas->pos()));
}

QRect CSorvikDlg::helpRegion() const {
    return helpPaneRegion(m_areas->size()).translated(m_areas->pos());
}

// --- Session state -----------------------------------------------------------------------------------

void CSorvikDlg::stateChanged() {
    Controls& c = *m_controls;
    if (!c.built) {
        return;
    }
    const ComparisonSession& s = *m_session;
    setWindowTitle(windowTitleFor(s.originalPath(kOriginal1), s.originalPath(kOriginal2)));
    c.processing->setText(s.processingCaption());
    QMenu* menu = processingMenu(s.processingMenuPosition());
    if (menu != nullptr && c.processing->menu() != menu) {
        c.processing->setMenu(menu);
    }
    if (c.instruction->text() != s.instructionText()) {
        c.instruction->setText(s.instructionText());
        c.instruction->setCursorPosition(0);
    }
    c.elapsed->setText(s.elapsedText());
    const ProcessingControls enabled = s.controls();
    c.adjust1->setArrowsEnabled(enabled.adjust1);
    c.adjust2->setArrowsEnabled(enabled.adjust2);
    // The adjust edits show the values the processing runs with (a selection sets its own).
    for (const auto& [control, value, used] : {std::tuple{c.adjust1, s.adjust1(), enabled.adjust1},
                                               std::tuple{c.adjust2, s.adjust2(), enabled.adjust2}}) {
        if (used && control->committedPosition() != value) {
            control->setPosition(value);
        }
    }
    c.colorSpace->setEnabled(enabled.colorSpace);
    c.blend->setEnabled(enabled.blendMode);
    c.overlay->setEnabled(enabled.overlay);
    c.notation->setEnabled(enabled.valueNotation);
    applyCheckMarks();
    m_watermarkStyle->sessionChanged();
    m_areas->watermarkEditor().sessionChanged();
    // The magnifier is shown while the zoom comparison runs; a reset or its end hides it.
    if (s.zoomModeOn() != m_navi->isVisible()) {
        m_navi->setVisible(s.zoomModeOn());
    }
    c.differenceCount->refresh(s, c.progress->isVisible());
    c.documentName->setText(s.documentFieldText());
    c.extract->setEnabled(!s.documentFieldText().isEmpty() && !s.embeddedDocumentPath().isEmpty());

    // The drop-invitation frame cycles while the document mode waits for a drop. However the mode ends
    // (its menu item, a drop, a clear or a new original), the timer stops and the last frame is removed.
    if (s.documentModeOn() && !c.documentTimer.isActive()) {
        c.documentTimer.start();
    } else if (!s.documentModeOn() && c.documentTimer.isActive()) {
        c.documentTimer.stop();
        m_areas->redrawPictures(kOriginal1);
    }
}

void CSorvikDlg::connectWatermarkStyle() {
    Controls& c = *m_controls;
    WatermarkStyleWidgets widgets;
    for (QWidget* widget : c.watermarkStyle) {
        if (qobject_cast<QLabel*>(widget) != nullptr && widget != c.watermarkBackgroundLabel) {
            widgets.labels.push_back(widget);
        }
    }
    widgets.color = c.watermarkColor;
    widgets.face = c.watermarkFont;
    widgets.size = c.watermarkSize;
    widgets.shadow = c.watermarkShadow;
    widgets.shadowColor = c.watermarkShadowColor;
    widgets.backgroundLabel = c.watermarkBackgroundLabel;
    widgets.background = c.watermarkBackground;
    m_watermarkStyle = new WatermarkStyleControls(*m_session, m_areas->watermarkEditor(), widgets, this);
}

void CSorvikDlg::startWatermarkEdit(int index) {
    m_areas->watermarkEditor().startEdit(index, m_areas->mapFromGlobal(QCursor::pos()));
}

void CSorvikDlg::finishWatermarkEdit() {
    m_areas->watermarkEditor().commitEdit(true);
}

void CSorvikDlg::documentTimerTick() {
    if (!m_session->documentModeOn()) {
        m_controls->documentTimer.stop();
        return;
    }
    // The areas advance the session's phase and repaint original 1's picture with the frame.
    m_areas->documentFrameTick();
}

// --- Host ----------------------------------------------------------------------------------------------

MessageButton CSorvikDlg::showMessage(const QString& prefix, int stringId, MessageType type) {
    return m_dialogs.message(this, prefix + stringText(stringId), type);
}

void CSorvikDlg::focusMainWindow() {
    setFocus(Qt::OtherFocusReason);
}

void CSorvikDlg::redrawAreas(int which, bool erase) {
    m_areas->redrawAreas(which, erase);
}

void CSorvikDlg::redrawPictures(int which) {
    m_areas->redrawPictures(which);
}

void CSorvikDlg::redrawChangedPictures(int which, const QRect& changed) {
    m_areas->redrawPictures(which, changed);
}

void CSorvikDlg::setWaitCursor(bool on) {
    // Counted, so that nested long operations restore exactly the cursors they set.
    if (on) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        ++m_controls->waitCursors;
    } else if (m_controls->waitCursors > 0) {
        QApplication::restoreOverrideCursor();
        --m_controls->waitCursors;
    }
}

void CSorvikDlg::showProgress(std::int64_t position, std::int64_t maximum) {
    Controls& c = *m_controls;
    if (maximum <= 0) {
        c.progress->reset();
        c.progress->hide();
        c.differenceCount->refresh(*m_session, false);
        return;
    }
    c.differenceCount->hide();
    // The bar counts in int: large ranges are counted in coarser steps.
    const std::int64_t divisor = maximum / INT_MAX + 1;
    const int top = static_cast<int>(maximum / divisor);
    if (c.progress->maximum() != top) {
        c.progress->setRange(0, top);
    }
    c.progress->setValue(static_cast<int>(std::clamp<std::int64_t>(position, 0, maximum) / divisor));
    if (!c.progress->isVisible()) {
        c.progress->show();
    }
}

std::optional<QString> CSorvikDlg::chooseOpenFile(const QString& title, const QString& filter) {
    return m_dialogs.openFile(this, title, filter);
}

std::optional<SaveChoice> CSorvikDlg::chooseSaveFile(const QString& title, const QString& filter,
                                                     const QString& defaultName, const QString& defaultSuffix,
                                                     int filterIndex) {
    return m_dialogs.saveFile(this, title, filter, defaultName, defaultSuffix, filterIndex);
}

std::optional<int> CSorvikDlg::chooseQuality(int initial) {
    return m_dialogs.quality(this, initial);
}

bool CSorvikDlg::showFileLocation(const QString& path) {
    return m_dialogs.showFileLocation(path);
}

QString CSorvikDlg::desktopFolder() {
    return m_dialogs.desktopFolder();
}

void CSorvikDlg::showPropertyComparison() {
    const ComparisonSession& s = *m_session;
    CPropDlg dialog(
        s.propertyRows(), {s.originalPath(kOriginal1), s.originalPath(kOriginal2)},
        [this](int k) { m_session->openOriginalLocation(k); }, this);
    m_dialogs.runModal(dialog);
}

void CSorvikDlg::resetShiftControls(int maxH, int maxV) {
    m_controls->shiftH->setRange(-maxH, maxH);
    m_controls->shiftH->setPosition(0);
    m_controls->shiftV->setRange(-maxV, maxV);
    m_controls->shiftV->setPosition(0);
}

// --- Events --------------------------------------------------------------------------------------------

void CSorvikDlg::closeEvent(QCloseEvent* event) {
    // The document mode's timer ends with the window; the settings are written at every close.
    m_controls->documentTimer.stop();
    m_session->watermarkWindowClosing();
    saveSettings();
    event->accept();
}

void CSorvikDlg::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const int top = areasTop();
    m_areas->setGeometry(0, top, width(), std::max(0, height() - top));
    if (m_session->helpPaneShown()) {
        m_help->placeOver(helpRegion());
    }
}

bool CSorvikDlg::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Wheel && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->window() == this && m_session->helpPaneShown()) {
        // While the help pane is shown, Ctrl+wheel sizes its text wherever it turns; the areas ignore the
        // plain wheel.
        const auto* wheel = static_cast<QWheelEvent*>(event);
        const int delta = wheel->angleDelta().y();
        const bool control = (wheel->modifiers() & Qt::ControlModifier) != 0;
        if (control && delta != 0) {
            stepHelpFontSize(delta > 0 ? -1 : 1);
        }
        // Over the pane itself the plain wheel scrolls the guide, as in any text.
        return control || !(watched == m_help || m_help->isAncestorOf(static_cast<QWidget*>(watched)));
    }
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType()) {
        return false;
    }
    // A key press travels from the focus widget up to its parents; it is looked at once, at its first
    // receiver, and only when it belongs to this window (not to a menu or a dialog over it).
    auto* widget = static_cast<QWidget*>(watched);
    QWidget* focus = QApplication::focusWidget();
    if (widget->window() != this || widget != (focus != nullptr ? focus : this)) {
        return false;
    }
    return handleKey(static_cast<QKeyEvent*>(event));
}

bool CSorvikDlg::handleKey(QKeyEvent* event) {
    const Qt::KeyboardModifiers modifiers =
        event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    const int key = event->key();
    // The accelerators: their keys do nothing else.
    static const std::array<std::tuple<int, Qt::KeyboardModifiers, int>, 8> accelerators = {{
        {Qt::Key_A, Qt::ControlModifier, cmd::kSelectAllWatermarks},
        {Qt::Key_Tab, Qt::NoModifier, cmd::kZoomTarget},
        {Qt::Key_Delete, Qt::NoModifier, cmd::kDeleteWatermarks},
        {Qt::Key_F1, Qt::NoModifier, cmd::kHelpPane},
        {Qt::Key_B, Qt::ControlModifier, cmd::kBold},
        {Qt::Key_D, Qt::ControlModifier, cmd::kStrike},
        {Qt::Key_I, Qt::ControlModifier, cmd::kItalic},
        {Qt::Key_U, Qt::ControlModifier, cmd::kUnderline},
    }};
    // While a watermark text is edited in place, its keys (Delete, Ctrl+A, …) belong to the edit box.
    const bool acceleratorsOn = !m_areas->watermarkEditor().isEditing();
    for (const auto& [acceleratorKey, acceleratorModifiers, commandId] : accelerators) {
        if (acceleratorsOn && key == acceleratorKey && modifiers == acceleratorModifiers) {
            runCommand(commandId);
            return true;
        }
    }
    if (key == Qt::Key_Escape && modifiers == Qt::NoModifier) {
        close();
        return true;
    }
    if (key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Up || key == Qt::Key_Down) {
        const int step = (modifiers & Qt::ControlModifier) != 0                     ? 1
                         : m_session->currentProcessing() == ProcessingMode::Visual ? 5
                                                                                    : 10;
        const int dx = key == Qt::Key_Left ? -step : key == Qt::Key_Right ? step : 0;
        const int dy = key == Qt::Key_Up ? -step : key == Qt::Key_Down ? step : 0;
        m_areas->arrowKey(dx, dy);
        // The key goes on to the focused control (an up-down control steps).
        return false;
    }
    return false;
}

} // namespace corvane
