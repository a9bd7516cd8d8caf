#include "app/window/AreaGeometry.h"

namespace corvane {

QPoint AreaGeometry::imageToScreen(int, QPoint image) const {
    return image;
}
QRect AreaGeometry::imageToScreen(int, const QRect& image) const {
    return image;
}
QPoint AreaGeometry::screenToImage(int, QPoint screen) const {
    return screen;
}
int AreaGeometry::screenLengthToImage(int length) const {
    return length;
}
int AreaGeometry::frameAt(QPoint) const {
    return -1;
}
AreaGeometry computeAreaGeometry(const QRect&, int, QSize) {
    return {};
}
GridHit hitTestGrid(const AreaGeometry&, QPoint, QPoint) {
    return {};
}

} // namespace corvane
