#pragma once

#include "app/ComparisonSession.h"
#include "app/window/AreaView.h"
#include "tests/app/ScriptedHost.h"

#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace corvane::test {

// A scripted host that also hands the session's redraw requests to the view, as the main window does.
class ViewHost : public ScriptedHost {
public:
    void redrawAreas(int which, bool erase) override {
        ScriptedHost::redrawAreas(which, erase);
        if (view != nullptr) {
            view->redrawAreas(which, erase);
        }
    }
    void redrawPictures(int which) override {
        ScriptedHost::redrawPictures(which);
        if (view != nullptr) {
            view->redrawPictures(which);
        }
    }

    AreaView* view = nullptr;
};

// A shown area view (offscreen) of 406 × 206 pixels on a session of `bits()` bits: frames of 200 × 100
// at (2, 0), (204, 0), (2, 102) and (204, 102), where a 200 × 100 image is drawn at scale 1.
class AreaViewFixture : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override;
    void TearDown() override;

    virtual int bits() const { return GetParam(); }
    QString writePng(const QString& name, const QImage& image);
    // Sets original k from an image (answering a size question with Yes).
    void setOriginal(int k, const QImage& image, const QString& name);
    // What the view shows, as 0xRRGGBB.
    QImage grabbed();
    QRgb pixelAt(QPoint point) { return grabbed().pixel(point) & 0xFFFFFFu; }
    QRgb surfacePixel(int surface, int x, int y) const;
    QRgb windowColour() const { return view->palette().color(QPalette::Window).rgb() & 0xFFFFFFu; }
    const AreaGeometry& geometry() const { return view->areaGeometry(); }
    QPoint pictureOrigin(int area) const {
        return geometry().pictures[static_cast<std::size_t>(area)].topLeft();
    }

    std::unique_ptr<QTemporaryDir> folder;
    ViewHost host;
    std::unique_ptr<ComparisonSession> session;
    std::unique_ptr<AreaView> view;
};

class AreaView32Fixture : public AreaViewFixture {
protected:
    int bits() const override { return 32; }
};

QImage solidImage(QSize size, QRgb color);
// Two halves of different colours.
QImage halves(QSize size, QRgb left, QRgb right);

} // namespace corvane::test
