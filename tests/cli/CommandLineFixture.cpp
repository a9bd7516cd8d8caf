#include "tests/cli/CommandLineFixture.h"

#include <QTextStream>

namespace corvane::test {

QImage picture(int width, int height, int seed) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            image.setPixel(x, y, qRgb((x * 9 + seed) & 0xFF, (y * 7 + x * x) & 0xFF, (x ^ y * 5) & 0xFF));
        }
    }
    return image;
}

void CommandLine::SetUp() {
    ASSERT_TRUE(m_folder.isValid());
    m_oldTemp = qgetenv("TMPDIR");
    qputenv("TMPDIR", m_folder.path().toLocal8Bit());
    const QImage base = picture(48, 32, 1);
    ASSERT_TRUE(base.save(path("a.png")));
    ASSERT_TRUE(base.save(path("same.png")));
    QImage changed = base.copy();
    changed.setPixel(10, 10, qRgb(1, 2, 3));
    ASSERT_TRUE(changed.save(path("b.png")));
    ASSERT_TRUE(picture(20, 10, 2).save(path("small.png")));
}

void CommandLine::TearDown() {
    if (m_oldTemp.isEmpty()) {
        qunsetenv("TMPDIR");
    } else {
        qputenv("TMPDIR", m_oldTemp);
    }
}

int CommandLine::run(const QStringList& words) {
    QStringList arguments;
    for (const QString& word : words) {
        arguments.push_back(word.startsWith(QLatin1Char('@')) ? path(word.mid(1).toUtf8().constData())
                                                              : word);
    }
    out.clear();
    err.clear();
    QTextStream outStream(&out);
    QTextStream errStream(&err);
    return runCommandLine(arguments, outStream, errStream);
}

} // namespace corvane::test
