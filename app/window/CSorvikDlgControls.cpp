// The main window's controls, laid out in dialog units as in its template, and its menus.

#include "app/window/CSorvikDlgPrivate.h"
#include "app/window/Icons.h"

#include <QActionGroup>

#include <functional>

namespace corvane {

namespace {

QString blendText(int mode) {
    static const char* const names[] = {
        "オーバーレイ(&1)", "ハードライト(&2)", "ソフトライト(&3)", "加算(&4)",     "減算(&5)",
        "乗算(&6)",         "除算(&7)",         "スクリーン(&8)",   "覆い焼き(&9)", "焼き込み(&A)",
        "微粒取り出し(&B)", "微粒結合(&C)",     "差の絶対値(&D)",   "暗色適用(&E)", "明色適用(&F)",
    };
    return QString::fromUtf8(names[mode]);
}

} // namespace

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
    c.differenceCount = new DifferenceCountLabel(this);
    place(c.differenceCount, 4, 51, 544, 6);

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

} // namespace corvane
