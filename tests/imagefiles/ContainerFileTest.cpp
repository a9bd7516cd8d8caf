// The document container in files: carriers kept by PNG and TIFF, and documents written into the work
// folder (never outside it, replacing existing files only atomically).

#include "imagefiles/DocumentContainer.h"
#include "platform/WorkFolder.h"
#include "tests/support/TestImages.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QTemporaryDir>

#include <cstdlib>
#include <string>

using namespace corvane;

namespace {

QByteArray sampleDocument(int size, int seed) {
    QByteArray out(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i) {
        out[i] = static_cast<char>((i * 151 + seed) & 0xFF);
    }
    return out;
}

QImage makeCarrier(const QString& name, const QByteArray& document, int bits) {
    const QByteArray stream = *buildContainer(name, document);
    const QSize size = carrierSize(QSize(64, 48), stream.size());
    return EncodeContainerIntoImage(test::randomBitmap(size.width(), size.height(), bits, 21), stream);
}

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

// Points the system's temporary folder, and with it the work folder, at a folder of the test's own.
class WorkFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_root.isValid());
        m_hadTmp = qEnvironmentVariableIsSet("TMPDIR");
        m_savedTmp = qgetenv("TMPDIR");
        qputenv("TMPDIR", QFile::encodeName(m_root.path()));
        m_work = workFolder();
        ASSERT_FALSE(m_work.isEmpty());
    }
    void TearDown() override {
        if (m_hadTmp) {
            qputenv("TMPDIR", m_savedTmp);
        } else {
            qunsetenv("TMPDIR");
        }
    }
    QString rootPath(const QString& name) const { return QDir(m_root.path()).filePath(name); }
    QString workPath(const QString& name) const { return QDir(m_work).filePath(name); }

    QTemporaryDir m_root;
    QString m_work;
    QByteArray m_savedTmp;
    bool m_hadTmp = false;
};

class CarrierFiles : public ::testing::TestWithParam<const char*> {};

} // namespace

TEST_P(CarrierFiles, FormatKeepsTheAlphaExactly) {
    QTemporaryDir folder;
    const QByteArray format = GetParam();
    const QString path = folder.filePath(QStringLiteral("carrier.") + QString::fromLatin1(format));
    for (const int bits : {16, 32}) {
        const QString name = QStringLiteral("議事録_%1.docx").arg(bits);
        const QImage carrier = makeCarrier(name, sampleDocument(5000, bits), bits);
        ASSERT_TRUE(QImageWriter(path, format).write(carrier));
        const QImage read = QImageReader(path, format).read();
        const QImage argb = read.convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(argb.size(), carrier.size());
        // PNG keeps the colours exactly too; Qt's TIFF writer stores premultiplied (associated) alpha, so a
        // colour may come back one step off. The alpha, which carries the container, must be exact.
        const int tolerance = format == "png" ? 0 : 1;
        for (int y = 0; y < carrier.height(); ++y) {
            for (int x = 0; x < carrier.width(); ++x) {
                const QRgb got = argb.pixel(x, y);
                const QRgb want = carrier.pixel(x, y);
                ASSERT_EQ(qAlpha(got), qAlpha(want)) << bits << " bits at " << x << "," << y;
                ASSERT_LE(std::abs(qRed(got) - qRed(want)) + std::abs(qGreen(got) - qGreen(want)) +
                              std::abs(qBlue(got) - qBlue(want)),
                          3 * tolerance);
            }
        }
        const auto extracted = readContainer(read);
        ASSERT_TRUE(extracted);
        EXPECT_EQ(extracted->name, name);
        EXPECT_EQ(extracted->bytes, sampleDocument(5000, bits));
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, CarrierFiles, ::testing::Values("png", "tiff"),
                         [](const auto& p) { return std::string(p.param); });

TEST_F(WorkFolderTest, ExistingFileIsReplacedAtomically) {
    const QString target = workPath(QStringLiteral("doc.bin"));
    const QByteArray old = sampleDocument(10000, 2);
    writeFile(target, old);
    // A reader holding the old file keeps seeing it whole: the new file takes its place by a rename
    // instead of being written over it.
    QFile held(target);
    ASSERT_TRUE(held.open(QIODevice::ReadOnly));

    Status status = Status::failure(QStringLiteral("unset"));
    ASSERT_EQ(writeDocumentToWorkFolder({QStringLiteral("doc.bin"), "new"}, &status), target);
    EXPECT_TRUE(status.ok());
    EXPECT_EQ(fileBytes(target), QByteArray("new"));
    EXPECT_EQ(held.readAll(), old);
    EXPECT_EQ(QDir(m_work).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("doc.bin")});
}

TEST_F(WorkFolderTest, NothingIsWrittenOutsideTheWorkFolder) {
    // A symbolic link of the document's name is replaced, not followed.
    const QString outside = rootPath(QStringLiteral("outside.txt"));
    writeFile(outside, "keep me");
    ASSERT_TRUE(QFile::link(outside, workPath(QStringLiteral("doc.txt"))));
    const QString path = writeDocumentToWorkFolder({QStringLiteral("doc.txt"), "payload"});
    EXPECT_EQ(fileBytes(outside), QByteArray("keep me"));
    EXPECT_FALSE(QFileInfo(path).isSymLink());
    EXPECT_EQ(fileBytes(path), QByteArray("payload"));

    Status status;
    EXPECT_TRUE(writeDocumentToWorkFolder({QStringLiteral("../escape.txt"), "x"}, &status).isEmpty());
    EXPECT_FALSE(status.ok());
    EXPECT_FALSE(QFileInfo::exists(rootPath(QStringLiteral("escape.txt"))));
    // A folder of the document's name cannot be replaced; the failure names it.
    ASSERT_TRUE(QDir(m_work).mkdir(QStringLiteral("taken")));
    EXPECT_TRUE(writeDocumentToWorkFolder({QStringLiteral("taken"), "x"}, &status).isEmpty());
    EXPECT_TRUE(status.message().contains(QStringLiteral("taken")));
}

TEST_F(WorkFolderTest, ExtractionFromImageFiles) {
    Status status;
    EXPECT_TRUE(ExtractEmbeddedDocument(rootPath(QStringLiteral("missing.png")), {}, &status).isEmpty());
    EXPECT_FALSE(status.ok());

    const EmbeddedDocument document{QStringLiteral("memo.txt"), sampleDocument(777, 4)};
    writeFile(workPath(document.name), "older version");
    const QString pngPath = rootPath(QStringLiteral("carrier.png"));
    ASSERT_TRUE(makeCarrier(document.name, document.bytes, 32).save(pngPath, "png"));
    EXPECT_EQ(ExtractEmbeddedDocument(pngPath, {}, &status), workPath(document.name));
    EXPECT_TRUE(status.ok()) << status.message().toStdString();
    EXPECT_EQ(fileBytes(workPath(document.name)), document.bytes);

    const QString tiffPath = rootPath(QStringLiteral("carrier.tiff"));
    ASSERT_TRUE(makeCarrier(QStringLiteral("図面.dat"), sampleDocument(2000, 6), 24).save(tiffPath, "tiff"));
    EXPECT_EQ(fileBytes(ExtractEmbeddedDocument(tiffPath, {}, &status)), sampleDocument(2000, 6));

    // An ordinary opaque image: no document and no message.
    QImage plain(50, 50, QImage::Format_RGB32);
    plain.fill(Qt::white);
    ASSERT_TRUE(plain.save(rootPath(QStringLiteral("plain.png")), "png"));
    EXPECT_TRUE(ExtractEmbeddedDocument(rootPath(QStringLiteral("plain.png")), {}, &status).isEmpty());
    EXPECT_TRUE(status.ok());

    // A cropped carrier has lost part of its document: nothing is written, the existing file stays.
    const QImage full = makeCarrier(document.name, sampleDocument(5000, 5), 32);
    ASSERT_TRUE(
        full.copy(0, 0, full.width(), full.height() / 2).save(rootPath(QStringLiteral("cut.png")), "png"));
    EXPECT_TRUE(ExtractEmbeddedDocument(rootPath(QStringLiteral("cut.png")), {}, &status).isEmpty());
    EXPECT_EQ(fileBytes(workPath(document.name)), document.bytes);
}
