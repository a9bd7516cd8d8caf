#include "app/window/CSorvikDlg.h"

#include "app/window/AreaCaptions.h"
#include "app/window/AreaView.h"
#include "app/window/CNaviDlg.h"
#include "app/window/CPropDlg.h"
#include "app/window/DialogControls.h"
#include "app/window/HelpPane.h"
#include "app/window/Icons.h"
#include "app/window/WatermarkEditor.h"
#include "app/window/WatermarkStyleControls.h"
#include "imagefiles/ImageFormat.h"
#include "platform/AppInfo.h"
#include "res/Strings.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QFontComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QToolButton>
#include <QWheelEvent>

#include <algorithm>
#include <array>
#include <climits>
#include <functional>
#include <map>
#include <tuple>

namespace corvane {

namespace {

const QString kLast = QStringLiteral("Last");

// The drop-invitation frame of the document mode steps every 50 ms.
constexpr int kDocumentTimerMs = 50;

// Ids of the window's controls, as in its template.
namespace id {
constexpr int kExit = 2;
constexpr int kHelpSettings = 198;
constexpr int kInstruction = 343;
constexpr int kElapsed = 344;
constexpr int kDocumentName = 345;
constexpr int kClear = 1007;
constexpr int kShiftHEdit = 1008;
constexpr int kShiftH = 1009;
constexpr int kShiftVEdit = 1010;
constexpr int kShiftV = 1011;
constexpr int kWatermarkSizeEdit = 1012;
constexpr int kWatermarkSize = 1014;
constexpr int kAdjust1Edit = 1015;
constexpr int kAdjust1 = 1016;
constexpr int kWatermarkShadowEdit = 1017;
constexpr int kWatermarkShadow = 1018;
constexpr int kHelp = 1019;
constexpr int kVersion = 1020;
constexpr int kAdjust2Edit = 1021;
constexpr int kAdjust2 = 1022;
constexpr int kExtract = 1023;
constexpr int kColorSpace = 1028;
constexpr int kBlend = 1029;
constexpr int kOverlay = 1030;
constexpr int kNotation = 1031;
constexpr int kProgress = 1032;
constexpr int kProcessing = 1033;
constexpr int kGrid = 1034;
constexpr int kWatermarkFont = 1035;
constexpr int kWatermarkColor = 1036;
constexpr int kWatermarkShadowColor = 1037;
constexpr int kWatermarkBackground = 1038;
} // namespace id

// Commands of the grid, value-notation and accelerator menus that the window handles itself.
namespace cmd {
constexpr int kNotationFirst = 145; // 145 … 148: value notation 0 … 3
constexpr int kGridToggle = 149;
constexpr int kGridCentre = 151;
constexpr int kGridVisual = 155;
constexpr int kBold = 177;
constexpr int kDeleteWatermarks = 179;
constexpr int kItalic = 180;
constexpr int kStrike = 181;
constexpr int kUnderline = 182;
constexpr int kSelectAllWatermarks = 187;
constexpr int kHelpPane = 196;
constexpr int kZoomTarget = 197;
constexpr int kEndZoomFromNavi = 194;
} // namespace cmd

// (a × b) / c rounded, as dialog units are converted.
int mulDiv(int a, int b, int c) {
    const long long product = static_cast<long long>(a) * b;
    return static_cast<int>(product >= 0 ? (2 * product + c) / (2 * c) : -((-2 * product + c) / (2 * c)));
}

QString blendText(int mode) {
    static const char* const names[] = {
        "オーバーレイ(&1)", "ハードライト(&2)", "ソフトライト(&3)", "加算(&4)",     "減算(&5)",
        "乗算(&6)",         "除算(&7)",         "スクリーン(&8)",   "覆い焼き(&9)", "焼き込み(&A)",
        "微粒取り出し(&B)", "微粒結合(&C)",     "差の絶対値(&D)",   "暗色適用(&E)", "明色適用(&F)",
    };
    return QString::fromUtf8(names[mode]);
}

} // namespace

struct CSorvikDlg::Controls {
    bool built = false;
    int baseX = 6;
    int baseY = 13;

    QToolButton* processing = nullptr;
    QLabel* elapsed = nullptr;
    UpDownControl* adjust1 = nullptr;
    UpDownControl* adjust2 = nullptr;
    UpDownControl* shiftH = nullptr;
    UpDownControl* shiftV = nullptr;
    QToolButton* extract = nullptr;
    QToolButton* clear = nullptr;
    QToolButton* version = nullptr;
    QToolButton* help = nullptr;
    QToolButton* helpSettings = nullptr;
    QPushButton* exit = nullptr;
    QLineEdit* instruction = nullptr;
    QLineEdit* documentName = nullptr;
    QToolButton* colorSpace = nullptr;
    QToolButton* blend = nullptr;
    QToolButton* overlay = nullptr;
    QToolButton* notation = nullptr;
    QToolButton* grid = nullptr;
    std::vector<QWidget*> watermarkStyle; // hidden until the watermark mode uses them
    QLabel* watermarkBackgroundLabel = nullptr;
    ColorButton* watermarkColor = nullptr;
    ColorButton* watermarkShadowColor = nullptr;
    ColorButton* watermarkBackground = nullptr;
    QFontComboBox* watermarkFont = nullptr;
    UpDownControl* watermarkSize = nullptr;
    UpDownControl* watermarkShadow = nullptr;
    QProgressBar* progress = nullptr;

    std::array<QMenu*, 4> processingMenus{};
    std::map<int, QAction*> actions;
    std::map<int, QWidget*> byId;
    QTimer documentTimer;
    int waitCursors = 0;
};

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

void CSorvikDlg::createControls() {
    Controls& c = *m_controls;
    const auto place = [this](QWidget* widget, int x, int y, int w, int h) {
        widget->setGeometry(dialogUnitsX(x), dialogUnitsY(y), dialogUnitsX(w), dialogUnitsY(h));
    };
    const auto label = [&](const QString& text, int x, int y, int w, int h) {
        auto* widget = new QLabel(text, this);
        place(widget, x, y, w, h);
        return widget;
    };
    const auto register_ = [&](QWidget* widget, int controlId) {
        widget->setObjectName(QStringLiteral("control%1").arg(controlId));
        c.byId[controlId] = widget;
    };
    // An up-down control over its buddy's rectangle, its arrows taking the up-down's width at the right.
    const auto upDown = [&](int editId, int arrowsId, int x, int y, int w, int h, int arrowsWidth) {
        auto* control = new UpDownControl(dialogUnitsX(arrowsWidth), this);
        place(control, x, y, w, h);
        register_(control, arrowsId);
        c.byId[editId] = control;
        return control;
    };
    const auto pictureButton = [&](int controlId, const QIcon& icon, int x) {
        auto* button = new QToolButton(this);
        button->setIcon(icon);
        button->setIconSize(QSize(16, 16));
        button->setFocusPolicy(Qt::TabFocus);
        place(button, x, 2, 18, 16);
        register_(button, controlId);
        return button;
    };
    const auto menuButton = [&](int controlId, const QString& text, int x, int w, bool split) {
        auto* button = new QToolButton(this);
        button->setText(text);
        button->setPopupMode(split ? QToolButton::MenuButtonPopup : QToolButton::InstantPopup);
        button->setFocusPolicy(Qt::TabFocus);
        place(button, x, 35, w, 16);
        register_(button, controlId);
        return button;
    };

    // Row 1.
    label(QStringLiteral("処理："), 8, 7, 20, 8);
    c.processing = new QToolButton(this);
    c.processing->setPopupMode(QToolButton::InstantPopup);
    c.processing->setFocusPolicy(Qt::TabFocus);
    place(c.processing, 31, 3, 191, 14);
    register_(c.processing, id::kProcessing);
    c.elapsed = label(QStringLiteral("00:00.000"), 226, 6, 41, 11);
    c.elapsed->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    register_(c.elapsed, id::kElapsed);
    label(QStringLiteral("調整値①"), 276, 6, 32, 8);
    c.adjust1 = upDown(id::kAdjust1Edit, id::kAdjust1, 311, 4, 27, 12, 10);
    label(QStringLiteral("水平："), 343, 6, 20, 8);
    c.shiftH = upDown(id::kShiftHEdit, id::kShiftH, 365, 4, 27, 12, 10);
    c.extract = pictureButton(id::kExtract, extractDocumentIcon(), 398);
    c.clear = pictureButton(id::kClear, clearIcon(), 434);
    c.version = pictureButton(id::kVersion, versionIcon(), 452);
    c.help = pictureButton(id::kHelp, helpIcon(), 470);
    c.helpSettings = pictureButton(id::kHelpSettings, helpSettingsIcon(), 488);
    c.exit = new QPushButton(QStringLiteral("終了(&X)"), this);
    c.exit->setAutoDefault(false);
    place(c.exit, 507, 2, 40, 28);
    register_(c.exit, id::kExit);

    // Row 2.
    c.instruction = new QLineEdit(this);
    c.instruction->setReadOnly(true);
    place(c.instruction, 7, 19, 260, 12);
    register_(c.instruction, id::kInstruction);
    label(QStringLiteral("調整値②"), 276, 20, 32, 8);
    c.adjust2 = upDown(id::kAdjust2Edit, id::kAdjust2, 311, 18, 27, 12, 10);
    label(QStringLiteral("垂直："), 343, 20, 20, 8);
    c.shiftV = upDown(id::kShiftVEdit, id::kShiftV, 365, 18, 27, 12, 10);
    c.documentName = new QLineEdit(this);
    c.documentName->setReadOnly(true);
    place(c.documentName, 397, 18, 109, 12);
    register_(c.documentName, id::kDocumentName);

    // Row 3: the parameter menus and the watermark style.
    c.colorSpace = menuButton(id::kColorSpace, QStringLiteral("色空間"), 6, 38, false);
    c.blend = menuButton(id::kBlend, QStringLiteral("合成"), 45, 35, true);
    c.overlay = menuButton(id::kOverlay, QStringLiteral("原本被せ"), 81, 44, false);
    c.notation = menuButton(id::kNotation, QStringLiteral("値表記"), 126, 38, false);
    c.grid = menuButton(id::kGrid, QStringLiteral("グリッド"), 165, 39, true);
    c.grid->setCheckable(true);

    c.watermarkStyle.push_back(label(QStringLiteral("透かし文字："), 208, 38, 39, 8));
    c.watermarkColor = new ColorButton(this);
    place(c.watermarkColor, 249, 35, 23, 14);
    register_(c.watermarkColor, id::kWatermarkColor);
    c.watermarkFont = new QFontComboBox(this);
    c.watermarkFont->setGeometry(dialogUnitsX(274), dialogUnitsY(34), dialogUnitsX(86), dialogUnitsY(14));
    register_(c.watermarkFont, id::kWatermarkFont);
    c.watermarkStyle.push_back(label(QStringLiteral("サイズ："), 364, 38, 23, 8));
    c.watermarkSize = upDown(id::kWatermarkSizeEdit, id::kWatermarkSize, 389, 36, 27, 12, 10);
    c.watermarkSize->setRange(8, 100);
    c.watermarkStyle.push_back(label(QStringLiteral("影："), 424, 38, 12, 8));
    c.watermarkShadowColor = new ColorButton(this);
    place(c.watermarkShadowColor, 439, 35, 23, 14);
    register_(c.watermarkShadowColor, id::kWatermarkShadowColor);
    c.watermarkShadow = upDown(id::kWatermarkShadowEdit, id::kWatermarkShadow, 465, 36, 34, 12, 10);
    c.watermarkShadow->setRange(-100, 100);
    c.watermarkBackgroundLabel = label(QStringLiteral("背景："), 503, 38, 20, 8);
    c.watermarkBackground = new ColorButton(this);
    place(c.watermarkBackground, 525, 35, 23, 14);
    register_(c.watermarkBackground, id::kWatermarkBackground);
    for (QWidget* widget : std::initializer_list<QWidget*>{c.watermarkColor, c.watermarkFont, c.watermarkSize,
                                                           c.watermarkShadowColor, c.watermarkShadow}) {
        c.watermarkStyle.push_back(widget);
    }
    c.watermarkStyle.push_back(c.watermarkBackgroundLabel);
    c.watermarkStyle.push_back(c.watermarkBackground);
    for (QWidget* widget : c.watermarkStyle) {
        widget->hide();
    }

    // Row 4: the progress bar, hidden, always keeping its row; the areas begin below it.
    c.progress = new QProgressBar(this);
    c.progress->setTextVisible(false);
    c.progress->setRange(0, 1);
    place(c.progress, 4, 51, 544, 6);
    register_(c.progress, id::kProgress);
    c.progress->hide();

    // Parameters: the shift controls start at −100 … 100, the adjust controls at 128 of 0 … 255.
    for (UpDownControl* shift : {c.shiftH, c.shiftV}) {
        shift->setRange(-100, 100);
        shift->setPosition(0);
    }
    for (UpDownControl* adjust : {c.adjust1, c.adjust2}) {
        adjust->setRange(0, 255);
        adjust->setPosition(128);
        adjust->setArrowsEnabled(false);
    }
    c.shiftH->setStepHandler([this](int value) { m_session->stepShiftH(value); });
    c.shiftV->setStepHandler([this](int value) { m_session->stepShiftV(value); });
    c.adjust1->setStepHandler([this](int value) { m_session->stepAdjust1(value); });
    c.adjust2->setStepHandler([this](int value) { m_session->stepAdjust2(value); });
    // A number typed into an edit is taken as a step to it would be (it is already within the range).
    c.shiftH->setEditHandler([this](int value) { m_session->stepShiftH(value); });
    c.shiftV->setEditHandler([this](int value) { m_session->stepShiftV(value); });
    c.adjust1->setEditHandler([this](int value) { m_session->stepAdjust1(value); });
    c.adjust2->setEditHandler([this](int value) { m_session->stepAdjust2(value); });

    connect(c.exit, &QPushButton::clicked, this, &QWidget::close);
    connect(c.clear, &QToolButton::clicked, this, [this] { m_session->clearOriginals(); });
    connect(c.extract, &QToolButton::clicked, this, [this] { m_session->ExtractToDesktop(); });
    connect(c.version, &QToolButton::clicked, this, [this] { runCommand(id::kVersion); });
    connect(c.help, &QToolButton::clicked, this, [this] { runCommand(cmd::kHelpPane); });
    connect(c.helpSettings, &QToolButton::clicked, this, [this] { runCommand(id::kHelpSettings); });
    // The split buttons' own parts: the next blend mode; the grid on or off.
    connect(c.blend, &QToolButton::clicked, this, [this] {
        m_session->advanceBlendMode();
        applyCheckMarks();
    });
    connect(c.grid, &QToolButton::clicked, this, [this] { gridCommand(cmd::kGridToggle); });
}

void CSorvikDlg::createMenus() {
    Controls& c = *m_controls;
    const auto add = [&c](QMenu* menu, const QString& text, int commandId, const std::function<void()>& run) {
        QAction* action = menu->addAction(text);
        action->setData(commandId);
        QObject::connect(action, &QAction::triggered, menu, run);
        c.actions[commandId] = action;
        return action;
    };

    // The processing menu: the processings at position 0, the mode-ending items at 1 to 3.
    const auto select = [this](int commandId) {
        return [this, commandId] {
            runAfterRepaint(this, [this, commandId] { selectProcessing(commandId); });
        };
    };
    auto* processings = new QMenu(this);
    add(processings, QStringLiteral("目視比較(&D)"), command::kVisual, select(command::kVisual));
    add(processings, QStringLiteral("拡大比較(&Z)"), command::kZoom, select(command::kZoom));
    processings->addSeparator();
    QMenu* histograms = processings->addMenu(QStringLiteral("ヒストグラム比較(&H)"));
    static const char* const histogramItems[] = {
        "赤(&R)\t[全量表示]", "緑(&G)\t[全量表示]", "青(&B)\t[全量表示]", "RGB(&T)\t[全量表示]",
        "赤(&S)\t[極小拡大]", "緑(&H)\t[極小拡大]", "青(&C)\t[極小拡大]", "RGB(&U)\t[極小拡大]",
    };
    for (int variant = 0; variant < 8; ++variant) {
        if (variant == 4) {
            histograms->addSeparator();
        }
        const int commandId = command::kHistogramFirst + variant;
        add(histograms, QString::fromUtf8(histogramItems[variant]), commandId, select(commandId));
    }
    QMenu* scans = processings->addMenu(QStringLiteral("水平垂直比較(&V)"));
    add(scans, QStringLiteral("赤(&R)"), command::kScanRed, select(command::kScanRed));
    add(scans, QStringLiteral("緑(&G)"), command::kScanGreen, select(command::kScanGreen));
    add(scans, QStringLiteral("青(&B)"), command::kScanBlue, select(command::kScanBlue));
    add(scans, QStringLiteral("RGB(&T)"), command::kScanRgb, select(command::kScanRgb));
    scans->addSeparator();
    add(scans, QStringLiteral("最大合致位置調査(&A)\t[RGB]"), command::kBestMatch,
        select(command::kBestMatch));
    add(processings, QStringLiteral("プロパティ比較(&P)"), command::kProperties,
        select(command::kProperties));
    processings->addSeparator();
    add(processings, QStringLiteral("ピクセル比較(&X)"), command::kPixel, select(command::kPixel));
    add(processings, QStringLiteral("輪郭検出後、ピクセル比較(&E)"), command::kPixelAfterEdges,
        select(command::kPixelAfterEdges));
    add(processings, QStringLiteral("合成比較(&M)"), command::kComposite, select(command::kComposite));
    add(processings, QStringLiteral("合成後、２階調化比較(&G)"), command::kCompositeBinarized,
        select(command::kCompositeBinarized));
    add(processings, QStringLiteral("差分階調比較(&S)"), command::kGradation, select(command::kGradation));
    add(processings, QStringLiteral("輪郭検出後、差分階調比較(&R)"), command::kGradationAfterEdges,
        select(command::kGradationAfterEdges));
    add(processings, QStringLiteral("差分抽出(&T)"), command::kDifferenceExtraction,
        select(command::kDifferenceExtraction));
    processings->addSeparator();
    add(processings, QStringLiteral("透かし文字書き込み(&Y)"), command::kWatermark,
        select(command::kWatermark));
    add(processings, QStringLiteral("文書埋め込み(&N)"), command::kDocumentEmbedding,
        select(command::kDocumentEmbedding));
    c.processingMenus[0] = processings;
    const std::array<std::pair<const char*, int>, 3> endings = {{
        {"拡大比較モード終了(&X)", command::kEndZoom},
        {"透かし文字書き込みモード終了(&X)", command::kEndWatermark},
        {"文書埋め込みモード終了(&X)", command::kEndDocument},
    }};
    for (std::size_t i = 0; i < endings.size(); ++i) {
        auto* menu = new QMenu(this);
        add(menu, QString::fromUtf8(endings[i].first), endings[i].second, select(endings[i].second));
        c.processingMenus[i + 1] = menu;
    }
    c.processing->setMenu(processings);

    // The parameter menus; each item carries a check mark, one per menu.
    const auto radioMenu = [&](QToolButton* button, int first, const QStringList& texts,
                               const std::function<void(int)>& choose) {
        auto* menu = new QMenu(this);
        auto* group = new QActionGroup(menu);
        group->setExclusive(true);
        for (int i = 0; i < texts.size(); ++i) {
            QAction* action = add(menu, texts[i], first + i, [this, choose, i] {
                // The choice re-runs the processing: after the menu has gone from the screen.
                runAfterRepaint(this, [this, choose, i] {
                    choose(i);
                    applyCheckMarks();
                });
            });
            action->setCheckable(true);
            group->addAction(action);
        }
        button->setMenu(menu);
    };
    radioMenu(c.colorSpace, command::kColorSpaceFirst,
              {QStringLiteral("RGB(&R)"), QStringLiteral("HSV(&H)"), QStringLiteral("HLS(&L)")},
              [this](int space) { m_session->setColorSpace(space); });
    QStringList blends;
    for (int mode = 0; mode < 15; ++mode) {
        blends.push_back(blendText(mode));
    }
    radioMenu(c.blend, command::kBlendFirst, blends, [this](int mode) { m_session->setBlendMode(mode); });
    radioMenu(c.overlay, command::kOverlayFirst,
              {QStringLiteral("重ねない(&0)"), QStringLiteral("20%透過させて被せる(&1)"),
               QStringLiteral("40%透過させて被せる(&2)"), QStringLiteral("60%透過させて被せる(&3)"),
               QStringLiteral("80%透過させて被せる(&4)")},
              [this](int level) { m_session->setOverlayLevel(level); });
    radioMenu(c.notation, cmd::kNotationFirst,
              {QStringLiteral("カラー値を表示しない(&0)"), QStringLiteral("10進表記(&1)"),
               QStringLiteral("16進大文字表記(&2)"), QStringLiteral("16進小文字表記(&3)")},
              [this](int notation) {
                  // The tables are drawn while painting: only the results are redrawn, not the run.
                  m_session->setValueNotation(notation);
                  redrawAreas(redraw::kResults, false);
              });

    auto* grid = new QMenu(this);
    add(grid, QStringLiteral("グリッド表示/非表示(&G)"), cmd::kGridToggle, [this] {
        gridCommand(cmd::kGridToggle);
    })->setCheckable(true);
    add(grid, QStringLiteral("グリッドを中央に表示(&O)"), cmd::kGridCentre,
        [this] { gridCommand(cmd::kGridCentre); });
    add(grid, QStringLiteral("グリッドの交点を目視比較(&D)"), cmd::kGridVisual,
        [this] { gridCommand(cmd::kGridVisual); });
    c.grid->setMenu(grid);
}

void CSorvikDlg::setTooltips() {
    static const std::pair<int, const char*> tips[] = {
        {id::kInstruction, "処理の指示や説明を表示します"},
        {id::kElapsed, "処理に要した時間を表示します"},
        {id::kAdjust1Edit,
         "階調使用時のしきい値などを調整します\n※ 処理によっては使用できないことがあります"},
        {id::kAdjust2Edit, "差分検出強度などを調整します\n※ 処理によっては使用できないことがあります"},
        {id::kShiftHEdit, "原本2のセット位置を指定された数値分、水平方向へズラします"},
        {id::kShiftVEdit, "原本2のセット位置を指定された数値分、垂直方向へズラします"},
        {id::kExtract, "【文書取り出し】\n原本1にセットされている画像から埋め込み文書を取り出します\n"
                       "※ 埋め込み文書がないときは使用できません"},
        {id::kDocumentName, "原本1に埋め込み文書があるときは、そのファイル名がセットされます"},
        {id::kClear, "【クリア】\nセットされているすべての画像をクリアします"},
        {id::kVersion, "【バージョン】\nバージョンや著作権情報を表示します"},
        {id::kHelp, "【ヘルプ】\nヘルプの表示と非表示を切替えます(F1)"},
        {id::kHelpSettings, "【ヘルプ設定】\nヘルプ表示時のフォントやテキストの色を設定します"},
        {id::kWatermarkColor, "透かし文字の色を設定します"},
        {id::kWatermarkFont, "透かし文字のフォントを設定します"},
        {id::kWatermarkSizeEdit, "透かし文字のフォントサイズを設定します\n(8～100)"},
        {id::kWatermarkShadowEdit, "透かし文字の影の長さを設定します\n(-100～100)"},
        {id::kWatermarkShadowColor, "透かし文字の影の色を設定します"},
        {id::kWatermarkBackground, "透かし文字入力エリアの背景色を設定します"},
    };
    for (const auto& [controlId, text] : tips) {
        QWidget* widget = control(controlId);
        if (auto* upDown = qobject_cast<UpDownControl*>(widget)) {
            // The tip belongs to the buddy edit; the arrows show it too.
            widget = upDown->edit();
            upDown->upArrow()->setToolTip(QString::fromUtf8(text));
            upDown->downArrow()->setToolTip(QString::fromUtf8(text));
        }
        widget->setToolTip(QString::fromUtf8(text));
    }
    // Balloon-like tips: a rounded frame in the tooltip colours.
    setStyleSheet(QStringLiteral("QToolTip { border: 1px solid #767676; border-radius: 4px; padding: 3px; "
                                 "background-color: #ffffe1; color: black; }"));
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
        return;
    }
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

// --- Settings ------------------------------------------------------------------------------------------

void CSorvikDlg::restoreSession(const QStringList& originals) {
    Controls& c = *m_controls;
    ComparisonSession& s = *m_session;
    const SettingsBatch batch(m_settings);
    const auto last = [this](const char* name, int defaultValue) {
        return m_settings.readInt(kLast, QString::fromLatin1(name), defaultValue);
    };
    // Positions stored as position + 100 (any stored number, even a corrupt one, gives a position in range).
    const auto position = [&last](const char* name) {
        return static_cast<int>(std::clamp(static_cast<long long>(last(name, 100)) - 100, -100LL, 100LL));
    };

    s.setGridOn(last("Grid", 0) != 0);
    s.setBackground(static_cast<ColorRef>(last("Bk", 0x808080)));
    s.setWatermarkBackground(static_cast<ColorRef>(last("SukashiBk", 0xFFFFFF)));
    c.watermarkBackground->setColor(s.watermarkBackground());
    s.setParameters(last("ColorSpace", 0), last("MixedMode", 0), last("AlphaOrg", 0));
    s.setValueNotation(last("ColFormat", 1));
    applyCheckMarks();

    // The shift controls show the stored positions, but original 2 is drawn unshifted until a control is
    // stepped (and a restored original puts them back to 0).
    c.shiftH->setRange(-100, 100);
    c.shiftH->setPosition(position("ZureH"));
    c.shiftV->setRange(-100, 100);
    c.shiftV->setPosition(position("ZureV"));
    s.setShift(0, 0);

    c.watermarkColor->setColor(static_cast<ColorRef>(last("refText", 0x808080)));
    const int font = last("FontCombo", 0);
    c.watermarkFont->setCurrentIndex(font >= 0 && font < c.watermarkFont->count() ? font : 0);
    c.watermarkSize->setPosition(static_cast<std::int16_t>(last("Size", 36) & 0xFFFF));
    c.watermarkShadow->setPosition(position("iKage"));
    c.watermarkShadowColor->setColor(static_cast<ColorRef>(last("refKage", 0xC0C0C0)));

    restoreOriginals(originals);
    redrawAreas(redraw::kAll, true);
    restorePlacement();
    m_navi->restorePlacement();
    stateChanged();
}

void CSorvikDlg::restoreOriginals(const QStringList& originals) {
    ComparisonSession& s = *m_session;
    if (originals.isEmpty()) {
        for (int k = 0; k < 2; ++k) {
            const QString path = m_settings.readString(kLast, QStringLiteral("FilePath%1").arg(k));
            // A stored original that no longer loads stays unset (the loader says why).
            if (!path.isEmpty()) {
                s.setOriginalFromFile(k, path, false);
            }
        }
        return;
    }
    QStringList paths;
    for (const QString& original : originals) {
        paths.push_back(QFileInfo(original).absoluteFilePath());
    }
    const auto isImage = [](const QString& path) {
        return !ClassifyImageExtension(path).isEmpty();
    };
    if (paths.size() == 2 && isImage(paths[0]) && isImage(paths[1])) {
        // Both decoded at once.
        s.setOriginalsFromFiles(paths[0], paths[1], false);
        return;
    }
    for (int k = 0; k < paths.size() && k < 2; ++k) {
        if (!isImage(paths[k])) {
            showMessage(fileMessage(paths[k], QStringLiteral("は対応する画像ファイルではありません")) +
                            QLatin1Char('\n'),
                        kMsgReadFailed, MessageType::Stop);
        } else {
            s.setOriginalFromFile(k, paths[k], false);
        }
    }
}

void CSorvikDlg::restorePlacement() {
    const auto last = [this](const char* name, int defaultValue) {
        return m_settings.readInt(kLast, QString::fromLatin1(name), defaultValue);
    };
    const QScreen* screen = this->screen() != nullptr ? this->screen() : QGuiApplication::primaryScreen();
    const QRect desktop = screen != nullptr ? screen->virtualGeometry() : QRect(0, 0, 640, 480);
    const int px = std::max(0, last("PX", 0));
    const int py = std::max(0, last("PY", 0));
    // A position off the desktop keeps the initial placement and size.
    if (px < desktop.x() + desktop.width() && py < desktop.y() + desktop.height()) {
        // A size from a corrupt store (or a larger desktop) is kept within the desktop; the window's
        // minimum applies below.
        const int sx = last("SX", 640);
        const int sy = last("SY", 480);
        move(px, py);
        resize(sx > 0 ? std::min(sx, desktop.width()) : 640, sy > 0 ? std::min(sy, desktop.height()) : 480);
    }
    if (last("Zoomed", 0) == 1) {
        setWindowState(windowState() | Qt::WindowMaximized);
    }
}

void CSorvikDlg::saveSettings() {
    Controls& c = *m_controls;
    const ComparisonSession& s = *m_session;
    // Every value reaches the file in one write: written one by one, each would rewrite and sync the
    // whole file, which made closing the window take seconds.
    const SettingsBatch batch(m_settings);
    const auto write = [this](const QString& name, int value) {
        m_settings.writeInt(kLast, name, value);
    };
    for (int k = 0; k < 2; ++k) {
        m_settings.writeString(kLast, QStringLiteral("FilePath%1").arg(k), s.originalPath(k));
        m_settings.writeString(kLast, QStringLiteral("FileExt%1").arg(k), s.originalType(k));
    }
    write(QStringLiteral("ColorSpace"), s.colorSpace());
    write(QStringLiteral("MixedMode"), s.blendMode());
    write(QStringLiteral("AlphaOrg"), s.overlayLevel());
    write(QStringLiteral("ColFormat"), s.valueNotation());
    write(QStringLiteral("Grid"), s.gridOn() ? 1 : 0);
    write(QStringLiteral("Bk"), static_cast<int>(s.background()));
    write(QStringLiteral("SukashiBk"), static_cast<int>(s.watermarkBackground()));
    write(QStringLiteral("ZureH"), c.shiftH->position() + 100);
    write(QStringLiteral("ZureV"), c.shiftV->position() + 100);
    write(QStringLiteral("refText"), static_cast<int>(c.watermarkColor->color()));
    write(QStringLiteral("refKage"), static_cast<int>(c.watermarkShadowColor->color()));
    write(QStringLiteral("FontCombo"), std::max(0, c.watermarkFont->currentIndex()));
    write(QStringLiteral("Size"), c.watermarkSize->position());
    write(QStringLiteral("iKage"), c.watermarkShadow->position() + 100);

    const bool maximised = isMaximized();
    write(QStringLiteral("Zoomed"), maximised ? 1 : 0);
    // The normal rectangle, as the frame's position and the size inside it (what the restore sets).
    QRect placement(pos(), size());
    if (maximised) {
        const QRect normal = normalGeometry();
        const QPoint frame = geometry().topLeft() - pos();
        placement = QRect(normal.topLeft() - frame, normal.size());
    }
    write(QStringLiteral("PX"), std::max(0, placement.x()));
    write(QStringLiteral("PY"), std::max(0, placement.y()));
    write(QStringLiteral("SX"), placement.width());
    write(QStringLiteral("SY"), placement.height());
    m_navi->savePlacement();
}

void CSorvikDlg::stepHelpFontSize(int step) {
    // The help text's height in pixels; the help pane takes it from the settings when it sets its font.
    const QString name = QStringLiteral("fontRemSize");
    const int size = m_settings.readInt(kLast, name, 12);
    m_settings.writeInt(kLast, name, std::clamp(size + step, 8, 100));
    m_help->applySettings();
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
