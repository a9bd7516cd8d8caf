#include "views/Magnifier.h"

#include <algorithm>

namespace corvane {

MagnifierLayout magnifierLayout(QSize client, QSize working, const QRect& frame, int target, int shiftH,
                                int shiftV) {
    MagnifierLayout layout;
    QRect source = frame.isEmpty() ? QRect(QPoint(0, 0), working) : frame;
    if (target == 1) {
        source.translate(shiftH, shiftV);
    }
    if (source.isEmpty() || client.isEmpty()) {
        return layout;
    }
    layout.source = source;
    const double f = static_cast<double>(client.height()) / source.height();
    const double g = static_cast<double>(client.width()) / source.width();
    if (f > g) {
        const auto height = static_cast<int>(source.height() * g);
        layout.target = QRect(0, (client.height() - height) / 2, client.width(), height);
    } else {
        const auto width = static_cast<int>(source.width() * f);
        layout.target = QRect((client.width() - width) / 2, 0, width, client.height());
    }
    return layout;
}

QPoint keptOnDesktop(QPoint topLeft, QSize size, const QRect& desktop) {
    // The right and bottom limits first: a window larger than the desktop keeps its top-left corner on it.
    const int x = std::max(desktop.x(), std::min(topLeft.x(), desktop.x() + desktop.width() - size.width()));
    const int y =
        std::max(desktop.y(), std::min(topLeft.y(), desktop.y() + desktop.height() - size.height()));
    return {x, y};
}

QRect magnifierPlacement(const SavedPlacement& saved, QSize current, const QRect& owner,
                         const QRect& desktop) {
    if (saved.x == 0 && saved.y == 0) {
        QRect placed(QPoint(0, 0), current);
        placed.moveCenter(owner.center());
        return {keptOnDesktop(placed.topLeft(), current, desktop), current};
    }
    QSize size = saved.width != 0 ? QSize(saved.width, saved.height) : current;
    // A corrupt or foreign store may hold any numbers: the window keeps a usable size on this desktop.
    size = size.expandedTo(QSize(1, 1)).boundedTo(desktop.size().expandedTo(QSize(1, 1)));
    const QPoint position(std::max(0, saved.x), std::max(0, saved.y));
    return {keptOnDesktop(position, size, desktop), size};
}

} // namespace corvane
