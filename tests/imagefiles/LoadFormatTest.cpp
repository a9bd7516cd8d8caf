// Recognising image files: by extension, by content and by size, and how LoadImageFile refuses files it
// cannot read.

#include "imagefiles/ImageFormat.h"
#include "imagefiles/ImageLoader.h"
#include "tests/imagefiles/CorruptFiles.h"
#include "tests/imagefiles/LoadTestSupport.h"

#include <gtest/gtest.h>

#include <QFile>

namespace corvane {
namespace {

using test::TempFiles;
using test::validFile;

TEST(ImageFormat, ExtensionsClassifyCaseInsensitively) {
    EXPECT_EQ(ClassifyImageExtension(QStringLiteral("photo.JPG")), QStringLiteral("jpeg"));
    EXPECT_EQ(ClassifyImageExtension(QStringLiteral("photo.jpeg")), QStringLiteral("jpeg"));
    EXPECT_EQ(ClassifyImageExtension(QStringLiteral("scan.Tif")), QStringLiteral("tiff"));
    EXPECT_EQ(ClassifyImageExtension(QStringLiteral("scan.TIFF")), QStringLiteral("tiff"));
    EXPECT_EQ(ClassifyImageExtension(QStringLiteral("/a/b/anim.gif")), QStringLiteral("gif"));
    EXPECT_EQ(ClassifyImageExtension(QStringLiteral("x.Bmp")), QStringLiteral("bmp"));
    EXPECT_EQ(ClassifyImageExtension(QStringLiteral("x.png")), QStringLiteral("png"));
    EXPECT_EQ(ClassifyImageExtension(QStringLiteral("archive.tar.gz")), QString());
    EXPECT_EQ(ClassifyImageExtension(QStringLiteral("README")), QString());
    EXPECT_EQ(ClassifyImageExtension(QStringLiteral("/photos.png/README")), QString());
    EXPECT_EQ(ClassifyImageExtension(QStringLiteral("photo.")), QString());
    EXPECT_EQ(ClassifyImageExtension(QStringLiteral("photo.webp")), QString());
}

TEST(ImageFormat, ContentIsRecognisedBySignatureOnly) {
    for (const char* format : {"jpeg", "gif", "bmp", "png", "tiff"}) {
        EXPECT_EQ(formatFromContent(validFile(QString::fromLatin1(format))), QString::fromLatin1(format));
    }
    EXPECT_EQ(formatFromContent(QByteArray("MM\0*", 4)), QStringLiteral("tiff"));
    EXPECT_EQ(formatFromContent("GIF87a"), QStringLiteral("gif"));
    EXPECT_EQ(formatFromContent("GIF88a"), QString());
    EXPECT_EQ(formatFromContent(QByteArray("II+\0", 4)), QString()); // BigTIFF is not read
    EXPECT_EQ(formatFromContent("\x89PNG\r\n"), QString());          // cut signature
    EXPECT_EQ(formatFromContent("RIFF....WEBP"), QString());
    EXPECT_EQ(formatFromContent("\xFF\xD8"), QString());
    EXPECT_EQ(formatFromContent({}), QString());
}

TEST(ImageFormat, LimitsAreOneHundredMegapixelsAnd32767PerSide) {
    EXPECT_TRUE(withinImageLimits({1, 1}));
    EXPECT_TRUE(withinImageLimits({32767, 3051}));  // 99.97 megapixels
    EXPECT_TRUE(withinImageLimits({10000, 10000})); // exactly the limit
    EXPECT_FALSE(withinImageLimits({10000, 10001}));
    EXPECT_FALSE(withinImageLimits({32768, 1}));
    EXPECT_FALSE(withinImageLimits({1, 32768}));
    EXPECT_FALSE(withinImageLimits({0, 10}));
    EXPECT_FALSE(withinImageLimits({10, -1}));
    EXPECT_FALSE(withinImageLimits({32767, 32767}));
    EXPECT_FALSE(withinImageLimits({100, 100}, 9999));
}

TEST(LoadImageFile, ContentDecidesTheDecoderNotTheExtension) {
    TempFiles files;
    const QString path = files.write(QStringLiteral("really-a-png.jpg"), validFile(QStringLiteral("png")));
    LoadedImage out;
    const Status status = LoadImageFile(path, ClassifyImageExtension(path), 32, out);
    ASSERT_TRUE(status.ok()) << status.message().toStdString();
    EXPECT_EQ(out.image.size(), QSize(8, 6));
    EXPECT_EQ(test::imageDifference(out.image, test::patternImage(8, 6)), "");
}

TEST(LoadImageFile, RefusalsNameTheFileAndTheReason) {
    TempFiles files;
    LoadedImage out;
    out.keyColor = 1234;
    const auto refused = [&](const QString& path, const QString& format, const char* reasonPart) {
        const Status status = LoadImageFile(path, format, 32, out);
        EXPECT_FALSE(status.ok());
        EXPECT_TRUE(status.message().startsWith(QStringLiteral("「%1」").arg(QFileInfo(path).fileName())))
            << status.message().toStdString();
        EXPECT_TRUE(status.message().contains(QString::fromUtf8(reasonPart)))
            << status.message().toStdString();
    };
    refused(files.write(QStringLiteral("notes.png"), "just some text\n"), QStringLiteral("png"),
            "どの画像でもない");
    refused(files.write(QStringLiteral("empty.bmp"), {}), QStringLiteral("bmp"), "空のファイル");
    refused(files.path(QStringLiteral("missing.png")), QStringLiteral("png"), "開けません");
    refused(files.write(QStringLiteral("pic.webp"), validFile(QStringLiteral("png"))), QString(),
            "画像ファイルではありません");
    refused(files.write(QStringLiteral("broken.gif"), validFile(QStringLiteral("gif")).left(20)),
            QStringLiteral("gif"), "GIF ファイルとして壊れている");

    // A file over the size limit is refused before it is read (the file is sparse, nothing is written).
    const QString huge = files.path(QStringLiteral("huge.tif"));
    QFile file(huge);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_TRUE(file.write("II*\0", 4) == 4 && file.resize(kMaxImageFileBytes + 1));
    file.close();
    refused(huge, QStringLiteral("tiff"), "大きすぎて");
    EXPECT_TRUE(out.image.isNull());
    EXPECT_EQ(out.keyColor, 1234u); // untouched by the failures
}

} // namespace
} // namespace corvane
