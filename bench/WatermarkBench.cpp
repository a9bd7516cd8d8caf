// Speed of the watermark mode on a 12-megapixel original 1 (4000 × 3000) with ten texts, on the offscreen
// platform:
//
// - Recompose: one whole recomposition, the text layer at image resolution and both blends (goal ≤ 50 ms);
// - DragRecompose: the recomposition of one move step of a text drag, which redoes only the part of the
//   image where the dragged text was and is;
// - DragStep: one move step of a text drag as the window makes it: the texts moved, recomposed, and the
//   watermark view and both results repainted;
// - RepaintDuringDrag: the repaint of that step alone, which makes the results' scaled copies again where
//   the step changed them (goal ≤ 16 ms);
// - FullImageCopy: the peer measured in the same run, a plain copy of one full surface (bitBlt).
//
// CORVANE_WATERMARK_BENCH_BITS sets the surface format (16, 24 or 32; default 32).

#include "app/ComparisonSession.h"
#include "app/window/AreaView.h"
#include "bench/AreaBenchHost.h"
#include "bench/BenchReport.h"
#include "platform/Blit.h"
#include "watermark/WatermarkCompositor.h"
#include "watermark/WatermarkList.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <memory>

using namespace corvane;

namespace {

constexpr int kWindowWidth = 1920;
constexpr int kWindowHeight = 1080;
constexpr int kControlsBottom = 95;
const QSize kImageSize(4000, 3000);

int surfaceBits() {
    const char* value = std::getenv("CORVANE_WATERMARK_BENCH_BITS");
    const int bits = value != nullptr ? std::atoi(value) : 32;
    return bits == 16 || bits == 24 ? bits : 32;
}

struct Scene {
    QTemporaryDir folder;
    AreaBenchHost host{MessageButton::No}; // No: no stored set of texts is restored
    std::unique_ptr<ComparisonSession> session;
    std::unique_ptr<AreaView> view;
    DeviceBitmap copyTarget;
    // The layer and the results of the whole recompositions, apart from the session's.
    DeviceBitmap layer;
    DeviceBitmap result1;
    DeviceBitmap result2;
    std::vector<QRect> dragStart;
    int dragStep = 0;
    bool ready = false;
};

QImage makePicture(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            row[x] = qRgb((x * 255) / size.width(), (y * 255) / size.height(), ((x ^ y) >> 4) & 0xFF);
        }
    }
    return image;
}

std::unique_ptr<Scene> makeScene() {
    auto out = std::make_unique<Scene>();
    const QString file = QDir(out->folder.path()).filePath(QStringLiteral("original.bmp"));
    if (!makePicture(kImageSize).save(file, "BMP")) {
        return out;
    }
    out->session = std::make_unique<ComparisonSession>(out->host, surfaceBits());
    out->view = std::make_unique<AreaView>(*out->session, nullptr);
    out->host.view = out->view.get();
    out->view->resize(kWindowWidth, kWindowHeight - kControlsBottom);
    out->view->show();
    const bool loaded = out->session->setOriginalsFromFiles(file, file, false);
    QFile::remove(file);
    if (!loaded) {
        return out;
    }
    out->session->SelectProcessing(command::kWatermark);
    if (!out->session->watermarkModeOn()) {
        return out;
    }
    // Ten texts of several sizes and styles, with shadows, over the picture; the first is dragged.
    WatermarkList& texts = out->session->watermarks();
    for (int i = 1; i < 10; ++i) {
        out->session->addWatermarkText(QPoint(400 * i, 300 * i));
    }
    for (int i = 0; i < texts.count(); ++i) {
        WatermarkText& text = texts.text(i);
        text.setText(QStringLiteral("社外秘 CONFIDENTIAL %1\n複製禁止").arg(i));
        text.size = 24 + 8 * i;
        text.bold = i % 2;
        text.italic = i % 3 == 0 ? 1 : 0;
        text.shadow = i % 2 == 0 ? 3 : -5;
        text.setBox(QRect(QPoint(350 * i, 280 * i), QSize(1200, 300)));
        text.selected = 0;
    }
    texts.text(0).selected = 1;
    texts.setCurrent(0);
    out->session->recomposeWatermarks();
    out->copyTarget = DeviceBitmap::create(kImageSize.width(), kImageSize.height(), surfaceBits());
    out->layer = DeviceBitmap::create(kImageSize.width(), kImageSize.height(), surfaceBits());
    out->result1 = DeviceBitmap::create(kImageSize.width(), kImageSize.height(), surfaceBits());
    out->result2 = DeviceBitmap::create(kImageSize.width(), kImageSize.height(), surfaceBits());
    out->dragStart = texts.boxes();
    QCoreApplication::processEvents();
    out->view->repaint();
    out->ready =
        !out->copyTarget.isNull() && !out->layer.isNull() && !out->result1.isNull() && !out->result2.isNull();
    return out;
}

std::unique_ptr<Scene> g_scene;

Scene& scene() {
    if (!g_scene) {
        g_scene = makeScene();
    }
    return *g_scene;
}

// The watermark view as the drag sees it.
WatermarkView viewOf(const AreaView& view) {
    const AreaGeometry& geometry = view.areaGeometry();
    return {geometry.pictures[kOriginal2], geometry.scale};
}

// The next pointer position of a drag that goes right and back by one screen pixel at a time.
QPoint nextDragDisplacement(Scene& s) {
    s.dragStep = (s.dragStep + 1) % 200;
    return {s.dragStep < 100 ? s.dragStep : 200 - s.dragStep, 0};
}

void Recompose(benchmark::State& state) {
    Scene& s = scene();
    if (!s.ready) {
        state.SkipWithError("the scene could not be made");
        return;
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(composeWatermarks(s.session->watermarks(), s.session->watermarkBackground(),
                                                   s.session->surface(kWork1), s.layer, s.result1,
                                                   s.result2));
    }
    state.counters["texts"] = s.session->watermarks().count();
}

void DragRecompose(benchmark::State& state) {
    Scene& s = scene();
    if (!s.ready) {
        state.SkipWithError("the scene could not be made");
        return;
    }
    double pixels = 0;
    for (auto _ : state) {
        state.PauseTiming();
        s.session->watermarks().dragSelected(viewOf(*s.view), s.dragStart, nextDragDisplacement(s));
        state.ResumeTiming();
        benchmark::DoNotOptimize(s.session->recomposeWatermarks());
        const QRect changed = s.session->lastWatermarkChange();
        pixels += static_cast<double>(changed.width()) * changed.height();
    }
    state.counters["changed_MP"] = pixels / 1e6 / static_cast<double>(state.iterations());
}

void DragStep(benchmark::State& state) {
    Scene& s = scene();
    if (!s.ready) {
        state.SkipWithError("the scene could not be made");
        return;
    }
    for (auto _ : state) {
        s.session->watermarks().dragSelected(viewOf(*s.view), s.dragStart, nextDragDisplacement(s));
        s.session->recomposeAndRedrawWatermarks();
    }
}

void RepaintDuringDrag(benchmark::State& state) {
    Scene& s = scene();
    if (!s.ready) {
        state.SkipWithError("the scene could not be made");
        return;
    }
    for (auto _ : state) {
        state.PauseTiming();
        s.session->watermarks().dragSelected(viewOf(*s.view), s.dragStart, nextDragDisplacement(s));
        s.session->recomposeWatermarks();
        state.ResumeTiming();
        s.view->redrawPictures(redraw::kAreas1To3, s.session->lastWatermarkChange());
    }
}

void FullImageCopy(benchmark::State& state) {
    Scene& s = scene();
    if (!s.ready) {
        state.SkipWithError("the scene could not be made");
        return;
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(bitBlt(s.copyTarget, 0, 0, s.session->surface(kOriginal1)));
    }
}

} // namespace

BENCHMARK(FullImageCopy)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Recompose)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(DragRecompose)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(DragStep)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(RepaintDuringDrag)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    bench::RatioReporter reporter({
        {"FullImageCopy", {"", 0, 0, ""}},
        {"Recompose", {"FullImageCopy", 0, 50, ""}},
        {"DragRecompose", {"FullImageCopy", 0, 0, ""}},
        {"DragStep", {"FullImageCopy", 0, 0, ""}},
        {"RepaintDuringDrag", {"FullImageCopy", 0, 16, ""}},
    });
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    const Scene& s = scene();
    std::printf("\n%d × %d original (%.1f MP, %d-bit surfaces), %d texts, in a %d × %d window.\n",
                kImageSize.width(), kImageSize.height(),
                static_cast<double>(kImageSize.width()) * kImageSize.height() / 1e6,
                s.session ? s.session->displayBits() : 0, s.session ? s.session->watermarks().count() : 0,
                kWindowWidth, kWindowHeight);
    g_scene.reset();
    return reporter.allGoalsMet() ? 0 : 1;
}
