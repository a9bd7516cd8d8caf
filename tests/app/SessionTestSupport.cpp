#include "tests/app/SessionTestSupport.h"

#include <QPainter>

namespace corvane::test {

QImage makePicture(int width, int height, int seed) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            // Distinct enough colours that a shifted copy matches only at its own shift.
            const int r = (x * 7 + y * 3 + seed * 31) & 0xFF;
            const int g = (x * x + y * 11 + seed) & 0xFF;
            const int b = (x * 5 ^ y * 13) & 0xFF;
            row[x] = qRgb(r, g, b);
        }
    }
    return image;
}

QImage withPatch(const QImage& image, QRect patch, QRgb color) {
    QImage copy = image.copy();
    QPainter painter(&copy);
    painter.fillRect(patch, QColor::fromRgb(color));
    return copy;
}

QImage shifted(const QImage& image, int dx, int dy) {
    QImage moved(image.size(), QImage::Format_RGB32);
    moved.fill(Qt::black);
    QPainter painter(&moved);
    painter.drawImage(dx, dy, image);
    return moved;
}

void SessionFixture::SetUp() {
    m_folder = std::make_unique<QTemporaryDir>();
    ASSERT_TRUE(m_folder->isValid());
    m_oldTemp = qgetenv("TMPDIR");
    qputenv("TMPDIR", m_folder->path().toLocal8Bit());
    session = std::make_unique<ComparisonSession>(host, bits());
}

void SessionFixture::TearDown() {
    session.reset();
    if (m_oldTemp.isEmpty()) {
        qunsetenv("TMPDIR");
    } else {
        qputenv("TMPDIR", m_oldTemp);
    }
    EXPECT_EQ(host.unusedAnswers(), 0u) << "scripted answers left over";
}

QString SessionFixture::writePng(const QString& name, const QImage& image) {
    const QString file = path(name);
    EXPECT_TRUE(image.save(file, "PNG"));
    return file;
}

void SessionFixture::setOriginals(const QImage& first, const QImage& second) {
    ASSERT_TRUE(session->setOriginalFromFile(kOriginal1, writePng(QStringLiteral("first.png"), first)));
    if (second.size() != first.size()) {
        host.answer(MessageButton::Yes);
    }
    ASSERT_TRUE(session->setOriginalFromFile(kOriginal2, writePng(QStringLiteral("second.png"), second)));
}

} // namespace corvane::test
