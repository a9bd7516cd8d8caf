// Damaged files of every format are refused with a message naming the file and the reason (or, where
// the decoder legitimately recovers a picture, loaded without harm), and a valid file loads right after.

#include "imagefiles/ImageFormat.h"
#include "imagefiles/ImageLoader.h"
#include "tests/imagefiles/CorruptFiles.h"
#include "tests/imagefiles/LoadTestSupport.h"

#include <gtest/gtest.h>

#include <QtGlobal>

namespace corvane {
namespace {

class CorruptFilesTest : public ::testing::TestWithParam<const char*> {
protected:
    QString format() const { return QString::fromLatin1(GetParam()); }
};

INSTANTIATE_TEST_SUITE_P(AllFormats, CorruptFilesTest, ::testing::Values("png", "bmp", "gif", "tiff", "jpeg"),
                         [](const auto& param) { return std::string(param.param); });

TEST_P(CorruptFilesTest, AreRefusedWithAReasonAndAValidFileLoadsAfterThem) {
    const test::QuietWarnings quiet;
    const std::vector<test::CorruptFile> files = test::corruptFiles(format());
    EXPECT_GE(files.size(), 20u);
    test::TempFiles folder;
    const QString extension = format() == QLatin1String("jpeg") ? QStringLiteral("jpg") : format();
    int index = 0;
    for (const test::CorruptFile& file : files) {
        const QString name = QStringLiteral("damaged%1.%2").arg(index++).arg(extension);
        const QString path = folder.write(name, file.bytes);
        LoadedImage loaded;
        const Status status = LoadImageFile(path, ClassifyImageExtension(path), 32, loaded);
        QImage decoded;
        const Status decodeStatus = decodeImageFile(path, decoded);
        EXPECT_EQ(status.ok(), decodeStatus.ok()) << file.what;
        if (status.ok()) {
            EXPECT_TRUE(file.mayLoad) << file.what << " was loaded";
            EXPECT_TRUE(withinImageLimits(loaded.image.size())) << file.what;
            EXPECT_EQ(loaded.image.format(), QImage::Format_ARGB32) << file.what;
            continue;
        }
        // 「damagedN.png」 and a reason after it.
        const QString prefix = QStringLiteral("「%1」").arg(name);
        EXPECT_TRUE(status.message().startsWith(prefix))
            << file.what << ": " << status.message().toStdString();
        EXPECT_GT(status.message().size(), prefix.size() + 8) << file.what;
        EXPECT_TRUE(loaded.image.isNull()) << file.what;
    }

    const QString validPath = folder.write(QStringLiteral("valid.") + extension, test::validFile(format()));
    LoadedImage valid;
    const Status status = LoadImageFile(validPath, format(), 32, valid);
    ASSERT_TRUE(status.ok()) << status.message().toStdString();
    EXPECT_EQ(valid.image.size(), QSize(8, 6));
    if (format() != QLatin1String("jpeg") && format() != QLatin1String("gif")) {
        EXPECT_EQ(test::imageDifference(valid.image, test::patternImage(8, 6)), "");
    }
}

} // namespace
} // namespace corvane
