#include "tests/window/AreaTestSupport.h"

#include "tests/support/OffscreenApplication.h"

#include <QApplication>
#include <QPainter>
#include <QTest>

namespace corvane::test {

namespace {

[[maybe_unused]] const ::testing::Environment* const registered =
    ::testing::AddGlobalTestEnvironment(new OffscreenApplication<QApplication>("corvane-area-tests"));

} // namespace

void AreaViewFixture::SetUp() {
    folder = std::make_unique<QTemporaryDir>();
    ASSERT_TRUE(folder->isValid());
    session = std::make_unique<ComparisonSession>(host, bits());
    view = std::make_unique<AreaView>(*session, nullptr);
    host.view = view.get();
    view->resize(406, 206);
    view->show();
    // The session's redraws paint at once only on an exposed window.
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
}

void AreaViewFixture::TearDown() {
    host.view = nullptr;
    view.reset();
    session.reset();
    EXPECT_EQ(host.unexpectedQuestions, 0);
}

QString AreaViewFixture::writePng(const QString& name, const QImage& image) {
    const QString path = folder->filePath(name);
    EXPECT_TRUE(image.save(path, "PNG"));
    return path;
}

void AreaViewFixture::setOriginal(int k, const QImage& image, const QString& name) {
    if (!session->originalPath(1 - k).isEmpty() && image.size() != session->workingSize()) {
        host.answer(MessageButton::Yes);
    }
    ASSERT_TRUE(session->setOriginalFromFile(k, writePng(name, image)));
}

QImage AreaViewFixture::grabbed() {
    return view->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

QRgb AreaViewFixture::surfacePixel(int surface, int x, int y) const {
    const ColorRef c = session->surface(surface).pixel(x, y);
    return qRgb(redOf(c), greenOf(c), blueOf(c)) & 0xFFFFFFu;
}

QImage solidImage(QSize size, QRgb color) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(color);
    return image;
}

QImage halves(QSize size, QRgb left, QRgb right) {
    QImage image = solidImage(size, left);
    QPainter(&image).fillRect(QRect(size.width() / 2, 0, size.width(), size.height()), QColor(right));
    return image;
}

} // namespace corvane::test
