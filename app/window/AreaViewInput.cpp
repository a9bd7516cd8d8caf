// The image areas: pointer, context menus, dropped files and the arrow keys.

#include "app/window/AreaView.h"

#include "app/ComparisonSession.h"
#include "app/window/AreaViewPrivate.h"
#include "app/window/DialogControls.h"
#include "app/window/WatermarkEditor.h"

#include <QActionGroup>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QUrl>

#include <algorithm>

namespace corvane {

namespace {

// Command ids of the areas' context menus.
namespace menu {
constexpr int kSetOriginal = 101;
constexpr int kSaveResult = 102;
constexpr int kReload = 118;
constexpr int kColors256 = 119;
constexpr int kColors64 = 120;
constexpr int kBlurWeak = 156;
constexpr int kBlurMedium = 157;
constexpr int kBlurStrong = 158;
constexpr int kGreyscale = 164;
constexpr int kSwapOriginals = 203;
constexpr int kOpenLocation = 204;
constexpr int kCheckerBackground = 205;
constexpr int kWhiteBackground = 206;
constexpr int kBlackBackground = 207;
} // namespace menu

// The results are drawn with this colour transparent while the visual comparison's point is chosen.
constexpr ColorRef kVisualTransparent = 0xFFF7FF;

// The path of the first dragged item when it is a local file or folder; empty otherwise.
QString firstLocalPath(const QMimeData* data) {
    if (data == nullptr || !data->hasUrls()) {
        return {};
    }
    const QList<QUrl> urls = data->urls();
    if (urls.isEmpty() || !urls.first().isLocalFile()) {
        return {};
    }
    return urls.first().toLocalFile();
}

} // namespace

GridHit AreaView::gridHit(QPoint point) const {
    // No grid before the first original has made the surfaces.
    if (m_session.surface(kOriginal1).isNull()) {
        return {};
    }
    return hitTestGrid(m_geometry, m_session.gridPosition(), point);
}

void AreaView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    if (!hasFocus()) {
        setFocus(Qt::MouseFocusReason);
    }
    if (m_session.helpPaneShown()) {
        return;
    }
    const QPoint point = event->position().toPoint();
    if (m_session.watermarkModeOn() && watermarkPointer(PointerPhase::Press, point)) {
        return;
    }
    if (m_session.gridOn()) {
        const GridHit hit = gridHit(point);
        if (hit.kind >= 0) {
            m_private->gridDragKind = hit.kind;
            m_private->gridDragArea = hit.area;
            return;
        }
    }
    if (m_session.zoomModeOn() && zoomPress(point)) {
        return;
    }
    const bool visual = m_session.currentProcessing() == ProcessingMode::Visual;
    if (visual && m_geometry.originalAt(point) >= 0) {
        m_private->visualDrag = true;
        visualPointFromPointer(point);
    } else if (!visual && m_session.zoomModeOn()) {
        startZoomBand(point);
    }
}

void AreaView::mouseMoveEvent(QMouseEvent* event) {
    if (m_session.helpPaneShown()) {
        return;
    }
    const QPoint point = event->position().toPoint();
    if (m_session.watermarkModeOn() && watermarkPointer(PointerPhase::Move, point)) {
        return;
    }
    if (m_session.zoomModeOn() && zoomDrag(point)) {
        return;
    }
    if (m_private->visualDrag) {
        visualPointFromPointer(point);
        return;
    }
    if (m_session.gridOn()) {
        if (m_private->gridDragKind >= 0) {
            moveGrid(point);
            return;
        }
        const GridHit hit = gridHit(point);
        if (hit.kind >= 0) {
            setCursor(hit.kind == 0   ? Qt::SizeAllCursor
                      : hit.kind == 1 ? Qt::SizeVerCursor
                                      : Qt::SizeHorCursor);
            return;
        }
    }
    if (m_private->zoomBand) {
        zoomBandTo(point);
        return;
    }
    std::optional<QCursor> cursor = m_session.zoomModeOn()        ? zoomHoverCursor(point)
                                    : m_session.watermarkModeOn() ? watermarkHoverCursor(point)
                                                                  : std::nullopt;
    if (!cursor && m_session.currentProcessing() == ProcessingMode::Visual &&
        m_geometry.originalAt(point) >= 0) {
        cursor = loupeCursor();
    }
    if (cursor) {
        setCursor(*cursor);
    } else {
        unsetCursor();
    }
}

void AreaView::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint point = event->position().toPoint();
    if (event->button() == Qt::RightButton) {
        // Context menus open when the right button comes up, as on every platform.
        if (!m_session.helpPaneShown()) {
            openContextMenu(point, event->globalPosition().toPoint());
        }
        return;
    }
    if (event->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    if (m_session.helpPaneShown()) {
        // A click on an original's area takes the help pane away.
        const int frame = m_geometry.frameAt(point);
        if (frame == kOriginal1 || frame == kOriginal2) {
            m_session.setHelpPaneShown(false);
            repaintNamed(redraw::kAll, false);
            emit helpPaneDismissed();
        }
        return;
    }
    if (m_session.watermarkModeOn() && watermarkPointer(PointerPhase::Release, point)) {
        return;
    }
    m_private->gridDragKind = -1;
    m_private->gridDragArea = -1;
    if (m_private->visualDrag) {
        m_private->visualDrag = false;
        return;
    }
    if (m_session.zoomModeOn()) {
        zoomRelease(point);
    }
}

void AreaView::moveGrid(QPoint point) {
    const int area = m_private->gridDragArea;
    if (area < 0 || !m_geometry.hasPictures()) {
        return;
    }
    // The position is taken in the area where the drag began and shown on all of them; it is not kept
    // inside the image (the lines then stay on the pictures' edges while the label shows the position).
    const QPoint image = m_geometry.screenToImage(area, point);
    QPoint grid = m_session.gridPosition();
    if (m_private->gridDragKind != 1) {
        grid.setX(image.x());
    }
    if (m_private->gridDragKind != 2) {
        grid.setY(image.y());
    }
    m_session.setGridPosition(grid);
    // The whole frames are repainted, not only the pictures: a label next to a picture's edge may reach
    // past it. The results show no grid while they hold the visual comparison's tables or the histogram.
    const ProcessingMode mode = m_session.currentProcessing();
    const bool resultsShowGrid = mode != ProcessingMode::Visual && mode != ProcessingMode::Histogram;
    repaintNamed(resultsShowGrid ? redraw::kAll : redraw::kOriginals, false);
}

const QCursor& AreaView::loupeCursor() {
    if (!m_private->loupe) {
        // A magnifying glass whose lens centre is the hot spot.
        QPixmap pixmap(32, 32);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(Qt::black, 4, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(QPointF(14, 14), QPointF(24, 24));
        painter.setPen(QPen(Qt::white, 3));
        painter.setBrush(QColor(255, 255, 255, 96));
        painter.drawEllipse(QPointF(9, 9), 6.5, 6.5);
        painter.setPen(QPen(Qt::black, 1.5));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(QPointF(9, 9), 7, 7);
        painter.end();
        m_private->loupe = QCursor(pixmap, 9, 9);
    }
    return *m_private->loupe;
}

void AreaView::arrowKey(int dx, int dy) {
    if (m_session.currentProcessing() == ProcessingMode::Visual) {
        // The point stays where its 5 × 5 neighbourhood lies inside the image.
        const QSize working = m_session.workingSize();
        const QPoint point = m_session.visualPoint() + QPoint(dx, dy);
        if (point.x() < 2 || point.x() >= working.width() - 2 || point.y() < 2 ||
            point.y() >= working.height() - 2) {
            return;
        }
        m_session.setVisualPoint(point);
        repaintNamed(redraw::kAll, false);
    } else if (m_session.zoomModeOn()) {
        moveZoomFrameBy(dx, dy);
    } else if (m_session.watermarkModeOn()) {
        watermarkEditor().arrowKey(dx, dy);
    }
}

void AreaView::visualPointFromPointer(QPoint point) {
    const int original = m_geometry.originalAt(point);
    if (original < 0 || !m_geometry.hasPictures()) {
        return;
    }
    // Kept where the point's 5 × 5 neighbourhood lies inside the image.
    const QSize working = m_session.workingSize();
    const auto keep = [](int value, int size) {
        value = std::max(value, 2);
        return value >= size - 2 ? size - 3 : value;
    };
    const QPoint image = m_geometry.screenToImage(original, point);
    m_session.setVisualPoint({keep(image.x(), working.width()), keep(image.y(), working.height())});
    m_session.setResultTransparentColors(kVisualTransparent);
    repaintNamed(redraw::kAll, false);
}

// --- Context menus ---

std::unique_ptr<QMenu> AreaView::makeContextMenu(QPoint point) {
    m_clickedArea = m_geometry.frameAt(point);
    m_private->lastRightClick = point;
    // In the watermark mode the originals cannot be changed: original 2's area is the watermark view
    // with its own menus, and every other place offers the results' menu.
    const bool watermark = m_session.watermarkModeOn();
    if (watermark) {
        std::unique_ptr<QMenu> menu = watermarkContextMenu(point);
        if (menu || m_clickedArea == kOriginal2) {
            return menu;
        }
    }
    auto menu = std::make_unique<QMenu>();
    const auto add = [this](QMenu* target, const QString& text, int command) {
        QAction* action = target->addAction(text);
        action->setData(command);
        // Preprocessing a large original takes a while: it starts once the menu has left the screen.
        connect(action, &QAction::triggered, this,
                [this, command] { runAfterRepaint(this, [this, command] { runCommand(command); }); });
        return action;
    };
    if (watermark || m_clickedArea == kResult1 || m_clickedArea == kResult2) {
        menu->setTitle(QStringLiteral("結果34"));
        add(menu.get(), QStringLiteral("名前を付けて結果画像を保存(&S)"), menu::kSaveResult)
            ->setEnabled(areaShowsImage(m_clickedArea));
        menu->addSeparator();
        auto* backgrounds = new QActionGroup(menu.get());
        const ColorRef background = m_session.background();
        const std::array<std::pair<int, bool>, 3> items = {
            std::pair{menu::kCheckerBackground,
                      background != kBackgroundWhite && background != kBackgroundBlack},
            std::pair{menu::kWhiteBackground, background == kBackgroundWhite},
            std::pair{menu::kBlackBackground, background == kBackgroundBlack}};
        const std::array<QString, 3> texts = {QStringLiteral("チェッカー(&C)"), QStringLiteral("白色(&W)"),
                                              QStringLiteral("黒色(&B)")};
        for (std::size_t i = 0; i < items.size(); ++i) {
            QAction* action = add(menu.get(), texts[i], items[i].first);
            action->setCheckable(true);
            action->setChecked(items[i].second);
            backgrounds->addAction(action);
        }
        return menu;
    }
    menu->setTitle(QStringLiteral("原本12"));
    add(menu.get(), QStringLiteral("ここに原本をセット(&L)"), menu::kSetOriginal);
    menu->addSeparator();
    add(menu.get(), QStringLiteral("グレースケール(&G)"), menu::kGreyscale);
    QMenu* reduce = menu->addMenu(QStringLiteral("減色(&D)"));
    add(reduce, QStringLiteral("256色(&K)"), menu::kColors256);
    add(reduce, QStringLiteral("64色(&H)"), menu::kColors64);
    QMenu* blur = menu->addMenu(QStringLiteral("ぼかし(&A)"));
    add(blur, QStringLiteral("弱(&1)"), menu::kBlurWeak);
    add(blur, QStringLiteral("中(&2)"), menu::kBlurMedium);
    add(blur, QStringLiteral("強(&3)"), menu::kBlurStrong);
    menu->addSeparator();
    add(menu.get(), QStringLiteral("再読込み(&R)"), menu::kReload);
    add(menu.get(), QStringLiteral("保存場所を開く(&F)"), menu::kOpenLocation);
    menu->addSeparator();
    add(menu.get(), QStringLiteral("原本画像左右交換(&S)"), menu::kSwapOriginals)
        ->setEnabled(!m_session.originalPath(kOriginal1).isEmpty() &&
                     !m_session.originalPath(kOriginal2).isEmpty());
    return menu;
}

void AreaView::runCommand(int command) {
    const int area = m_clickedArea;
    const auto preprocess = [&](Preprocessing operation) {
        if (area == kOriginal1 || area == kOriginal2) {
            m_session.preprocessOriginal(area, operation, areaShowsImage(1 - area));
        }
    };
    const auto setBackground = [&](ColorRef background) {
        m_session.setBackground(background);
        repaintNamed(redraw::kResults, false);
    };
    switch (command) {
    case menu::kSetOriginal:
        m_session.chooseOriginal(area);
        break;
    case menu::kGreyscale:
        preprocess(Preprocessing::Greyscale);
        break;
    case menu::kColors256:
        preprocess(Preprocessing::Colors256);
        break;
    case menu::kColors64:
        preprocess(Preprocessing::Colors64);
        break;
    case menu::kBlurWeak:
        preprocess(Preprocessing::Blur3);
        break;
    case menu::kBlurMedium:
        preprocess(Preprocessing::Blur7);
        break;
    case menu::kBlurStrong:
        preprocess(Preprocessing::Blur11);
        break;
    case menu::kReload:
        preprocess(Preprocessing::Reload);
        break;
    case menu::kOpenLocation:
        m_session.openOriginalLocation(area);
        break;
    case menu::kSwapOriginals:
        m_session.swapOriginals();
        break;
    case menu::kSaveResult:
        m_session.SaveResultImage(area);
        break;
    case menu::kCheckerBackground:
        setBackground(kBackgroundChecker);
        break;
    case menu::kWhiteBackground:
        setBackground(kBackgroundWhite);
        break;
    case menu::kBlackBackground:
        setBackground(kBackgroundBlack);
        break;
    default:
        break;
    }
}

void AreaView::openContextMenu(QPoint point, QPoint globalPoint) {
    std::unique_ptr<QMenu> menu = makeContextMenu(point);
    if (menu) {
        // Centred horizontally on the pointer.
        menu->exec(globalPoint - QPoint(menu->sizeHint().width() / 2, 0));
    }
}

void AreaView::contextMenuEvent(QContextMenuEvent* event) {
    // The mouse's menus open on the right button's release; the keyboard's menu key opens them here.
    if (event->reason() != QContextMenuEvent::Mouse && !m_session.helpPaneShown()) {
        openContextMenu(event->pos(), event->globalPos());
    }
}

// --- Dropped files ---

void AreaView::dragEnterEvent(QDragEnterEvent* event) {
    if (firstLocalPath(event->mimeData()).isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
}

void AreaView::dropEvent(QDropEvent* event) {
    const QString path = firstLocalPath(event->mimeData());
    if (path.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    const int area = m_geometry.frameAt(event->position().toPoint());
    const bool isDirectory = QFileInfo(path).isDir();
    // The file is taken after the drop has finished: setting it may ask questions, and a dialog opened
    // inside the drop would keep the file manager waiting for the drop's end.
    QMetaObject::invokeMethod(
        this, [this, area, path, isDirectory] { m_session.dropFile(area, path, isDirectory); },
        Qt::QueuedConnection);
}

} // namespace corvane
