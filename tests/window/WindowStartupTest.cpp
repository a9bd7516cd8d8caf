// Starting from a desktop: the originals a file manager passes, --help and --version, the window title
// that names the files, and the installed icon that is the window's own.

#include "app/window/Icons.h"
#include "app/window/Startup.h"
#include "platform/Version.h"
#include "tests/window/WindowTestSupport.h"

#include <QFile>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QUrl>
#include <QXmlStreamReader>

namespace corvane::test {
namespace {

TEST(StartupArguments, FileManagerUrlsAndDoubleDash) {
    StartupOptions options = parseStartupArguments(
        {QUrl::fromLocalFile(QStringLiteral("/tmp/a b.png")).toString(), QStringLiteral("/tmp/c.png")});
    EXPECT_TRUE(options.error.isEmpty());
    EXPECT_EQ(options.originals, QStringList({QStringLiteral("/tmp/a b.png"), QStringLiteral("/tmp/c.png")}));
    // After "--" every word is an original, even one that looks like an option.
    options =
        parseStartupArguments({QStringLiteral("--bits-per-pixel"), QStringLiteral("16"), QStringLiteral("--"),
                               QStringLiteral("-x.png"), QStringLiteral("--help")});
    EXPECT_TRUE(options.error.isEmpty()) << options.error.toStdString();
    EXPECT_EQ(options.forcedBits, 16);
    EXPECT_EQ(options.originals, QStringList({QStringLiteral("-x.png"), QStringLiteral("--help")}));
    // Three files from a file manager are still refused, with a reason to show.
    EXPECT_FALSE(
        parseStartupArguments({QStringLiteral("a.png"), QStringLiteral("b.png"), QStringLiteral("c.png")})
            .error.isEmpty());

    EXPECT_EQ(startupInformation({QStringLiteral("--version")}),
              QStringLiteral("corvane %1\n").arg(QLatin1String(kVersion)));
    for (const char* help : {"--help", "-h"}) {
        const QString text = startupInformation({QStringLiteral("a.png"), QString::fromLatin1(help)});
        EXPECT_TRUE(text.startsWith(startupUsage())) << help;
        EXPECT_TRUE(text.contains(QStringLiteral("--sample-pair")));
    }
    EXPECT_TRUE(startupInformation({QStringLiteral("a.png"), QStringLiteral("-platform")}).isEmpty());
    EXPECT_TRUE(startupInformation({QStringLiteral("--"), QStringLiteral("--version")}).isEmpty());
}

using WindowStartup = WindowFixture;

TEST_F(WindowStartup, TwoFilesOpenAsTheOriginalsAndNameTheWindow) {
    const QString first = writePng(QStringLiteral("left.png"), makePicture(40, 30, 1));
    const QString second = writePng(QStringLiteral("right.png"), makePicture(40, 30, 2));
    CSorvikDlg& w = makeWindow();
    w.restoreSession({first, second});
    EXPECT_EQ(session().originalPath(kOriginal1), first);
    EXPECT_EQ(session().originalPath(kOriginal2), second);
    EXPECT_EQ(w.windowTitle(), QStringLiteral("left.png ↔ right.png - Corvane"));

    session().swapOriginals();
    EXPECT_EQ(w.windowTitle(), QStringLiteral("right.png ↔ left.png - Corvane"));
    dialogs.answer(MessageButton::Yes);
    session().clearOriginals();
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Corvane"));
    session().dropFile(kOriginal2, second, false);
    EXPECT_EQ(w.windowTitle(), QStringLiteral("（未設定） ↔ right.png - Corvane"));
}

// The few SVG shapes the icon uses (rect, polygon, circle with fill, stroke and stroke-width), drawn
// with QPainter on the icon's 16-unit grid.
QImage drawSvgShapes(const QString& path, int size) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 16.0, size / 16.0);
    QXmlStreamReader xml(&file);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement) {
            continue;
        }
        const QXmlStreamAttributes a = xml.attributes();
        const auto number = [&a](const char* name) {
            return a.value(QLatin1String(name)).toDouble();
        };
        const QString stroke = a.value(QLatin1String("stroke")).toString();
        painter.setPen(stroke.isEmpty() ? QPen(Qt::NoPen) : QPen(QColor(stroke), number("stroke-width")));
        painter.setBrush(QColor(a.value(QLatin1String("fill")).toString()));
        if (xml.name() == QLatin1String("rect")) {
            painter.drawRect(QRectF(number("x"), number("y"), number("width"), number("height")));
        } else if (xml.name() == QLatin1String("circle")) {
            painter.drawEllipse(QPointF(number("cx"), number("cy")), number("r"), number("r"));
        } else if (xml.name() == QLatin1String("polygon")) {
            QPolygonF polygon;
            for (const QString& point : a.value(QLatin1String("points")).toString().split(QLatin1Char(' '))) {
                polygon << QPointF(point.section(QLatin1Char(','), 0, 0).toDouble(),
                                   point.section(QLatin1Char(','), 1, 1).toDouble());
            }
            QPainterPath outline;
            outline.addPolygon(polygon);
            outline.closeSubpath();
            painter.drawPath(outline);
        }
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    return image;
}

TEST(ApplicationIcon, TheInstalledPictureIsTheWindowsIcon) {
    for (const int size : {16, 48, 256}) {
        const QImage drawn = applicationIconImage(size);
        ASSERT_EQ(drawn.size(), QSize(size, size));
        const QImage svg =
            drawSvgShapes(QStringLiteral(CORVANE_SOURCE_DIR "/dist/linux/org.pellucora.corvane.svg"), size);
        int worst = 0;
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size; ++x) {
                const QRgb a = drawn.pixel(x, y);
                const QRgb b = svg.pixel(x, y);
                worst = std::max({worst, std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                                  std::abs(qBlue(a) - qBlue(b)), std::abs(qAlpha(a) - qAlpha(b))});
            }
        }
        // Rounding of the same shapes' edges differs by a few levels at most; a shape moved by a fraction
        // of a design unit, or a colour changed, differs by far more.
        EXPECT_LE(worst, 8) << size;
    }
    // The window's icon offers every installed size.
    const QList<QSize> sizes = applicationIcon().availableSizes();
    for (const int size : kApplicationIconSizes) {
        EXPECT_TRUE(sizes.contains(QSize(size, size))) << size;
    }
}

} // namespace
} // namespace corvane::test
