// Saving results through the save dialog's sixteen types, embedding and extracting documents, and the
// property comparison.

#include "imagefiles/DocumentContainer.h"
#include "res/Strings.h"
#include "tests/app/SessionTestSupport.h"

#include <QDir>
#include <QFile>
#include <QImageReader>

namespace corvane::test {
namespace {

class Files : public SessionFixture {
protected:
    QByteArray readAll(const QString& file) {
        QFile f(file);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << file.toStdString();
        return f.readAll();
    }
    void writeFile(const QString& file, const QByteArray& bytes) {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
};

INSTANTIATE_TEST_SUITE_P(AllDepths, Files, ::testing::Values(16, 24, 32),
                         [](const auto& suffix) { return "Bits" + std::to_string(suffix.param); });

TEST_P(Files, EverySaveTypeWritesAFileQtReads) {
    const QImage picture = makePicture(33, 21, 1);
    setOriginals(picture, withPatch(picture, QRect(3, 3, 5, 5), qRgb(255, 255, 255)));
    session->SelectProcessing(command::kPixel);
    const char* names[] = {"t1.bmp",  "t2.bmp",  "t3.bmp",  "t4.bmp",  "t5.bmp",  "t6.bmp",
                           "t7.bmp",  "t8.bmp",  "t9.jpeg", "t10.gif", "t11.png", "t12.tiff",
                           "t13.bmp", "t14.gif", "t15.png", "t16.tiff"};
    for (int index = 1; index <= 16; ++index) {
        SCOPED_TRACE(index);
        const QString file = path(QString::fromLatin1(names[index - 1]));
        host.clearRecords();
        host.answerSaveDialog(file, index);
        if (index == 9) {
            host.answerQuality(80);
        }
        host.answer(MessageButton::No); // "saved; show the folder?"
        session->SaveResultImage(kResult1);
        EXPECT_EQ(host.lastSaveFilterIndex, 11);
        EXPECT_EQ(host.lastSaveDefaultName, QStringLiteral("無題"));
        ASSERT_EQ(host.messageIds(), std::vector<int>{kMsgSaved});
        QImageReader reader(file);
        const QImage saved = reader.read();
        ASSERT_FALSE(saved.isNull()) << reader.errorString().toStdString();
        EXPECT_EQ(saved.size(), QSize(33, 21));
    }
    // The 4-bit BMP has its 104-byte info block (pixel offset 118) and 20-byte rows.
    const QByteArray bmp = readAll(path(QStringLiteral("t2.bmp")));
    ASSERT_GE(bmp.size(), 14);
    EXPECT_EQ(static_cast<unsigned char>(bmp[10]), 118);
    EXPECT_EQ(bmp.size(), 14 + 104 + 20 * 21);
    // Pure red (the match colour) came through the lossless types exactly; the transparent PNG made
    // only white transparent.
    const QImage png = QImage(path(QStringLiteral("t11.png"))).convertToFormat(QImage::Format_ARGB32);
    EXPECT_EQ(png.pixel(0, 0), qRgb(255, 0, 0));
    const QImage transparent = QImage(path(QStringLiteral("t15.png"))).convertToFormat(QImage::Format_ARGB32);
    EXPECT_EQ(qAlpha(transparent.pixel(0, 0)), 255);
}

TEST_P(Files, SavingAsksBeforeReplacingAndNeverDamagesTheOldFile) {
    setOriginals(makePicture(16, 16, 1), makePicture(16, 16, 2));
    session->SelectProcessing(command::kPixel);
    const QString file = path(QStringLiteral("result.png"));
    writeFile(file, "old contents");

    host.answerSaveDialog(file, 11);
    host.answer(MessageButton::No); // replace?
    session->SaveResultImage(kResult2);
    EXPECT_EQ(readAll(file), QByteArray("old contents"));

    // A name without an encoder (.jpg) fails with a message and leaves the file alone.
    const QString jpg = path(QStringLiteral("result.jpg"));
    writeFile(jpg, "old jpg");
    host.clearRecords();
    host.answerSaveDialog(jpg, 9);
    host.answerQuality(70);
    host.answer(MessageButton::Yes); // replace?
    session->SaveResultImage(kResult1);
    EXPECT_EQ(readAll(jpg), QByteArray("old jpg"));
    ASSERT_EQ(host.messageIds(), (std::vector<int>{kMsgConfirmOverwrite, kMsgSaveFailed}));
    EXPECT_TRUE(host.messages.back().prefix.contains(QStringLiteral("result.jpg")));

    // Cancelling the quality dialog saves nothing.
    host.clearRecords();
    host.answerSaveDialog(path(QStringLiteral("q.jpeg")), 9);
    host.answerQuality(std::nullopt);
    session->SaveResultImage(kResult1);
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("q.jpeg"))));
    EXPECT_TRUE(host.messages.empty());

    // Saving asks nothing for the originals' areas.
    session->SaveResultImage(kOriginal1);
    EXPECT_TRUE(host.messages.empty());
}

TEST_P(Files, ADocumentEmbeddedInOriginal1ComesBackOutAndGoesToTheDesktop) {
    setOriginals(makePicture(60, 40, 1), makePicture(60, 40, 2));
    const QString document = path(QStringLiteral("notes.txt"));
    writeFile(document, QByteArray("hidden words\n").repeated(5));
    const QString carrier = path(QStringLiteral("carrier.png"));

    session->SelectProcessing(command::kDocumentEmbedding);
    ASSERT_TRUE(session->documentModeOn());
    host.answerSaveDialog(carrier, 1);
    host.answer(MessageButton::Yes); // show the folder
    session->dropFile(kOriginal1, document, false);
    EXPECT_FALSE(session->documentModeOn());
    ASSERT_EQ(host.messageIds(), std::vector<int>{kMsgEmbedDone});
    EXPECT_EQ(host.lastSaveDefaultName, QStringLiteral("first"));
    EXPECT_EQ(host.shownLocations, std::vector<QString>{carrier});
    ASSERT_TRUE(QFile::exists(carrier));

    // Setting the carrier as original 1 finds the document.
    host.clearRecords();
    host.answer(MessageButton::No); // keep original 2
    ASSERT_TRUE(session->setOriginalFromFile(kOriginal1, carrier));
    EXPECT_EQ(session->embeddedDocumentName(), QStringLiteral("notes.txt"));
    EXPECT_EQ(readAll(session->embeddedDocumentPath()), readAll(document));

    // A second embedding is asked about first.
    host.answer(MessageButton::No);
    session->SelectProcessing(command::kDocumentEmbedding);
    EXPECT_FALSE(session->documentModeOn());

    const QString desktop = path(QStringLiteral("Desktop"));
    ASSERT_TRUE(QDir().mkpath(desktop));
    host.setDesktop(desktop);
    host.clearRecords();
    host.answer(MessageButton::Yes);
    session->ExtractToDesktop();
    EXPECT_EQ(readAll(QDir(desktop).filePath(QStringLiteral("notes.txt"))), readAll(document));
    EXPECT_EQ(host.messageIds(), (std::vector<int>{kMsgConfirmExtract, kMsgExtractedToDesktop}));

    // A file of that name on the desktop is kept when the user says No.
    writeFile(QDir(desktop).filePath(QStringLiteral("notes.txt")), "mine");
    host.clearRecords();
    host.answer(MessageButton::Yes);
    host.answer(MessageButton::No);
    session->ExtractToDesktop();
    EXPECT_EQ(readAll(QDir(desktop).filePath(QStringLiteral("notes.txt"))), QByteArray("mine"));
}

TEST_P(Files, OnlyFormatsThatKeepAlphaCarryADocumentAndNothingElseIsWritten) {
    setOriginals(makePicture(30, 30, 1), makePicture(30, 30, 2));
    const QString document = path(QStringLiteral("a.txt"));
    writeFile(document, "0123456789");
    for (const char* name : {"carrier.jpeg", "carrier.gif", "carrier.bmp", "carrier.jpg", "carrier.tif"}) {
        SCOPED_TRACE(name);
        const QString carrier = path(QString::fromLatin1(name));
        host.clearRecords();
        session->SelectProcessing(command::kDocumentEmbedding);
        host.answerSaveDialog(carrier, 1);
        session->dropFile(kOriginal1, document, false);
        EXPECT_EQ(host.messageIds(), std::vector<int>{kMsgEmbedFailed});
        ASSERT_FALSE(host.messages.empty());
        EXPECT_TRUE(host.messages.front().prefix.contains(QString::fromLatin1(name)));
        EXPECT_FALSE(QFile::exists(carrier));
    }
    // TIFF carries it and reads back.
    const QString tiff = path(QStringLiteral("carrier.tiff"));
    host.clearRecords();
    session->SelectProcessing(command::kDocumentEmbedding);
    host.answerSaveDialog(tiff, 1);
    host.answer(MessageButton::No);
    session->dropFile(kOriginal1, document, false);
    EXPECT_EQ(host.messageIds(), std::vector<int>{kMsgEmbedDone});
    EXPECT_FALSE(ExtractEmbeddedDocument(tiff).isEmpty());
}

TEST_P(Files, DocumentsAreCheckedBeforeTheyAreRead) {
    setOriginals(makePicture(30, 30, 1), makePicture(30, 30, 2));
    const QString carrier = path(QStringLiteral("carrier.png"));
    const auto embed = [&](const QString& document) {
        host.clearRecords();
        session->SelectProcessing(command::kDocumentEmbedding);
        host.answerSaveDialog(carrier, 1);
        session->dropFile(kOriginal1, document, false);
    };
    // A name that code page 932 cannot hold is refused for that reason, not for its length.
    const QString cafe = path(QStringLiteral("café.txt"));
    writeFile(cafe, "x");
    embed(cafe);
    ASSERT_EQ(host.messageIds(), std::vector<int>{kMsgEmbedFailed});
    EXPECT_TRUE(host.messages.front().prefix.contains(QStringLiteral("932")));
    EXPECT_FALSE(host.messages.front().prefix.contains(QStringLiteral("259")));

    // A document too large for any carrier the program could load is refused from its size alone (a
    // sparse file: reading it would take gigabytes).
    const QString huge = path(QStringLiteral("huge.bin"));
    {
        QFile file(huge);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_TRUE(file.resize(qint64{1536} << 20));
    }
    embed(huge);
    EXPECT_EQ(host.messageIds(), std::vector<int>{kMsgEmbedFailed});
    EXPECT_FALSE(QFile::exists(carrier));

    // The stream takes the size that was checked: a file that grew since is read no further, one that
    // shrank is a read failure.
    const QString small = path(QStringLiteral("small.txt"));
    writeFile(small, QByteArray(2000, 'x'));
    QByteArray stream;
    EXPECT_TRUE(buildContainerFromFile(small, 1000, stream));
    EXPECT_EQ(stream.size(), 11 + 9 + 1000);
    EXPECT_FALSE(buildContainerFromFile(small, 3000, stream));
    EXPECT_EQ(stream.size(), 11 + 9 + 1000);
}

TEST_P(Files, TakingADocumentOutMakesAMissingDesktopAndSaysWhereItWent) {
    setOriginals(makePicture(60, 40, 1), makePicture(60, 40, 2));
    const QString document = path(QStringLiteral("notes.txt"));
    writeFile(document, "hidden");
    const QString carrier = path(QStringLiteral("carrier.png"));
    session->SelectProcessing(command::kDocumentEmbedding);
    host.answerSaveDialog(carrier, 1);
    host.answer(MessageButton::No);
    session->dropFile(kOriginal1, document, false);
    host.answer(MessageButton::No);
    ASSERT_TRUE(session->setOriginalFromFile(kOriginal1, carrier));

    const QString desktop = path(QStringLiteral("home/Schreibtisch"));
    host.setDesktop(desktop);
    host.clearRecords();
    host.answer(MessageButton::Yes);
    session->ExtractToDesktop();
    const QString target = QDir(desktop).filePath(QStringLiteral("notes.txt"));
    EXPECT_EQ(readAll(target), QByteArray("hidden"));
    ASSERT_EQ(host.messageIds(), (std::vector<int>{kMsgConfirmExtract, kMsgExtractedToDesktop}));
    EXPECT_TRUE(host.messages.back().prefix.contains(QDir::toNativeSeparators(target)));
}

TEST_P(Files, EmbeddingOverAnExistingFileAsksFirst) {
    setOriginals(makePicture(30, 30, 1), makePicture(30, 30, 2));
    const QString document = path(QStringLiteral("a.txt"));
    writeFile(document, "0123456789");
    const QString first = session->originalPath(kOriginal1);
    const QByteArray originalBytes = readAll(first);
    session->SelectProcessing(command::kDocumentEmbedding);
    host.answerSaveDialog(first, 1);
    host.answer(MessageButton::No);
    session->dropFile(kOriginal1, document, false);
    EXPECT_EQ(readAll(first), originalBytes);
    EXPECT_EQ(host.messageIds(), std::vector<int>{kMsgConfirmOverwrite});
}

TEST_P(Files, PropertyComparisonOfTwoFilesWithTheSamePixels) {
    const QImage picture = makePicture(8, 8, 3);
    ASSERT_TRUE(session->setOriginalFromFile(kOriginal1, writePng(QStringLiteral("p1.png"), picture)));
    // The same pixels written with another compression level: another file.
    const QString second = path(QStringLiteral("p2.png"));
    ASSERT_TRUE(picture.save(second, "PNG", 0));
    ASSERT_TRUE(session->setOriginalFromFile(kOriginal2, second));
    session->SelectProcessing(command::kProperties);
    EXPECT_EQ(host.propertyComparisons, 1);
    EXPECT_EQ(session->currentProcessing(), ProcessingMode::None);
    const auto& rows = session->propertyRows();
    ASSERT_EQ(rows.size(), 15u);
    for (std::size_t row = 1; row < 12; ++row) {
        EXPECT_EQ(rows[row].result, QStringLiteral("合致")) << row;
    }
    for (std::size_t row = 12; row < 15; ++row) {
        EXPECT_EQ(rows[row].result, QStringLiteral("×")) << row;
    }
    EXPECT_EQ(rows[2].value1, QStringLiteral("64"));
}

} // namespace
} // namespace corvane::test
