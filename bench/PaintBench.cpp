// Speed of painting the four image areas of a 1920 × 1080 window (controls ending at 95) with two
// 20-megapixel originals and the results of a pixel comparison, on the offscreen platform:
//
// - PaintAreas: a repaint of the four areas from the kept scaled copies (goal ≤ 30 ms);
// - RemakeScaledCopies: a redraw request naming all four areas, which makes the four copies again and
//   paints;
// - peers measured in the same run, which scale the full images on every paint: QPainter::drawImage
//   into the picture rectangles with smooth transformation, and QImage::scaled (smooth) then drawImage.
//
// CORVANE_PAINT_BENCH_MP sets the originals' size in megapixels (default 20, 3 : 2 pictures);
// CORVANE_PAINT_BENCH_BITS the surface format (16, 24 or 32; default 32).

#include "app/ComparisonSession.h"
#include "app/window/AreaView.h"
#include "bench/AreaBenchHost.h"
#include "bench/BenchReport.h"
#include "imagefiles/ImageConversion.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>

using namespace corvane;

namespace {

constexpr int kWindowWidth = 1920;
constexpr int kWindowHeight = 1080;
constexpr int kControlsBottom = 95;

// The peer: draws the four full surfaces (as images, made once) scaled into the picture rectangles on
// every paint.
class ScalingPeer : public QWidget {
public:
    enum class Mode { DrawImageSmooth, ScaledSmooth };

    ScalingPeer(const ComparisonSession& session, Mode mode) : m_mode(mode) {
        setAttribute(Qt::WA_OpaquePaintEvent);
        for (int k = 0; k < 4; ++k) {
            m_images[static_cast<std::size_t>(k)] = toImage(session.surface(k));
        }
    }
    void setPictures(const std::array<QRect, 4>& pictures) { m_pictures = pictures; }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), palette().color(QPalette::Window));
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        for (std::size_t k = 0; k < 4; ++k) {
            if (m_mode == Mode::DrawImageSmooth) {
                painter.drawImage(m_pictures[k], m_images[k]);
            } else {
                painter.drawImage(m_pictures[k].topLeft(),
                                  m_images[k].scaled(m_pictures[k].size(), Qt::IgnoreAspectRatio,
                                                     Qt::SmoothTransformation));
            }
        }
    }

private:
    Mode m_mode;
    std::array<QImage, 4> m_images;
    std::array<QRect, 4> m_pictures;
};

struct Scene {
    QTemporaryDir folder;
    AreaBenchHost host{MessageButton::Yes};
    std::unique_ptr<ComparisonSession> session;
    std::unique_ptr<AreaView> view;
    std::unique_ptr<ScalingPeer> drawImagePeer;
    std::unique_ptr<ScalingPeer> scaledPeer;
    QSize imageSize;
    bool ready = false;
};

// Two similar pictures with gradients and a few differences.
QImage makePicture(QSize size, bool second) {
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            row[x] = qRgb((x * 255) / size.width(), (y * 255) / size.height(), ((x ^ y) >> 4) & 0xFF);
        }
    }
    if (second) {
        QPainter painter(&image);
        painter.fillRect(QRect(size.width() / 5, size.height() / 4, size.width() / 10, size.height() / 8),
                         Qt::yellow);
        painter.fillRect(QRect(size.width() / 2, size.height() / 2, 40, 40), Qt::black);
    }
    return image;
}

std::unique_ptr<Scene> makeScene() {
    auto out = std::make_unique<Scene>();
    const double megapixels = bench::environmentInt("CORVANE_PAINT_BENCH_MP", 20);
    const int width = static_cast<int>(std::sqrt(megapixels * 1e6 * 1.5));
    out->imageSize = QSize(width, width * 2 / 3);
    const QString first = QDir(out->folder.path()).filePath(QStringLiteral("first.bmp"));
    const QString second = QDir(out->folder.path()).filePath(QStringLiteral("second.bmp"));
    if (!makePicture(out->imageSize, false).save(first, "BMP") ||
        !makePicture(out->imageSize, true).save(second, "BMP")) {
        return out;
    }
    out->session =
        std::make_unique<ComparisonSession>(out->host, bench::environmentInt("CORVANE_PAINT_BENCH_BITS", 32));
    out->view = std::make_unique<AreaView>(*out->session, nullptr);
    out->host.view = out->view.get();
    out->view->resize(kWindowWidth, kWindowHeight - kControlsBottom);
    out->view->show();
    const bool loaded = out->session->setOriginalsFromFiles(first, second, false);
    QFile::remove(first);
    QFile::remove(second);
    if (!loaded || !out->session->prepareProcessing(command::kPixel) || !out->session->RunProcessing()) {
        return out;
    }
    out->drawImagePeer = std::make_unique<ScalingPeer>(*out->session, ScalingPeer::Mode::DrawImageSmooth);
    out->scaledPeer = std::make_unique<ScalingPeer>(*out->session, ScalingPeer::Mode::ScaledSmooth);
    for (ScalingPeer* peer : {out->drawImagePeer.get(), out->scaledPeer.get()}) {
        peer->setPictures(out->view->areaGeometry().pictures);
        peer->resize(out->view->size());
        peer->show();
    }
    QCoreApplication::processEvents();
    out->ready = true;
    return out;
}

// Made at the first benchmark, released before the application object.
std::unique_ptr<Scene> g_scene;

Scene& scene() {
    if (!g_scene) {
        g_scene = makeScene();
    }
    return *g_scene;
}

int copiesMade(const AreaView& view) {
    return view.scaledCopyCount(0) + view.scaledCopyCount(1) + view.scaledCopyCount(2) +
           view.scaledCopyCount(3);
}

void PaintAreas(benchmark::State& state) {
    Scene& s = scene();
    if (!s.ready) {
        state.SkipWithError("the scene could not be made");
        return;
    }
    s.view->repaint();
    const int before = copiesMade(*s.view);
    for (auto _ : state) {
        s.view->repaint();
    }
    // A paint from the kept copies makes none.
    state.counters["copies_made"] = copiesMade(*s.view) - before;
    state.counters["areas_with_image"] = s.view->areaShowsImage(0) + s.view->areaShowsImage(1) +
                                         s.view->areaShowsImage(2) + s.view->areaShowsImage(3);
}

void RemakeScaledCopies(benchmark::State& state) {
    Scene& s = scene();
    if (!s.ready) {
        state.SkipWithError("the scene could not be made");
        return;
    }
    for (auto _ : state) {
        s.view->redrawAreas(redraw::kAll, true);
    }
}

void PeerDrawImageScaledOnEveryPaint(benchmark::State& state) {
    Scene& s = scene();
    if (!s.ready) {
        state.SkipWithError("the scene could not be made");
        return;
    }
    for (auto _ : state) {
        s.drawImagePeer->repaint();
    }
}

void PeerSmoothScaledOnEveryPaint(benchmark::State& state) {
    Scene& s = scene();
    if (!s.ready) {
        state.SkipWithError("the scene could not be made");
        return;
    }
    for (auto _ : state) {
        s.scaledPeer->repaint();
    }
}

} // namespace

BENCHMARK(PaintAreas)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(RemakeScaledCopies)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(PeerDrawImageScaledOnEveryPaint)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(PeerSmoothScaledOnEveryPaint)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    bench::RatioReporter reporter({
        {"PaintAreas", {"", 0, 30, ""}},
        {"RemakeScaledCopies", {"PaintAreas", 0, 0, ""}},
        {"PeerDrawImageScaledOnEveryPaint", {"PaintAreas", 0, 0, ""}},
        {"PeerSmoothScaledOnEveryPaint", {"PaintAreas", 0, 0, ""}},
    });
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    const Scene& s = scene();
    std::printf("\n%d × %d originals (%.1f MP, %d-bit surfaces) in a %d × %d window; pictures %d × %d.\n",
                s.imageSize.width(), s.imageSize.height(),
                static_cast<double>(s.imageSize.width()) * s.imageSize.height() / 1e6,
                s.session ? s.session->displayBits() : 0, kWindowWidth, kWindowHeight,
                s.view ? s.view->areaGeometry().pictures[0].width() : 0,
                s.view ? s.view->areaGeometry().pictures[0].height() : 0);
    g_scene.reset();
    return reporter.allGoalsMet() ? 0 : 1;
}
