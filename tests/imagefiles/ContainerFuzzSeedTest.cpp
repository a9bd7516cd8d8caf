// The seed corpus of the fuzz target fuzz_container is made here: the test checks that the checked-in
// seeds are the ones this code makes, and writes them afresh into the folder named by the environment
// variable CORVANE_WRITE_CONTAINER_SEEDS when it is set.

#include "imagefiles/DocumentContainer.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <cstdint>
#include <map>
#include <string>

using namespace corvane;

namespace {

// The fuzz input: a control byte (bit 0: 1 = the payload is a stream, 0 = alpha values; bits 1-7: the
// width minus 1), then the payload.
QByteArray fuzzInput(bool stream, int width, const QByteArray& payload) {
    const int control = ((width - 1) << 1) | (stream ? 1 : 0);
    return QByteArray(1, static_cast<char>(control)) + payload;
}

QByteArray header(std::uint32_t nameLength, std::uint32_t documentLength) {
    QByteArray out("stg");
    for (const std::uint32_t v : {nameLength, documentLength}) {
        for (int shift = 24; shift >= 0; shift -= 8) {
            out.append(static_cast<char>((v >> shift) & 0xFF));
        }
    }
    return out;
}

QByteArray alphaValues(const QImage& image, int count) {
    QByteArray out;
    for (int k = 0; k < count; ++k) {
        out.append(static_cast<char>(qAlpha(image.pixel(k % image.width(), k / image.width()))));
    }
    return out;
}

std::map<std::string, QByteArray> seeds() {
    const QByteArray small = *buildContainer(QStringLiteral("a.txt"), "0123456789");
    const QByteArray japanese = *buildContainer(QStringLiteral("表計算.xlsx"), QByteArray(40, '\x5C'));
    const QImage carrier = EncodeContainerIntoImage(DeviceBitmap::create(26, 10, 32), small);
    return {
        {"stream_small", fuzzInput(true, 10, small)},
        {"stream_japanese", fuzzInput(true, 33, japanese)},
        {"stream_long_name", fuzzInput(true, 16, header(260, 1) + QByteArray(260, 'n') + "x")},
        {"stream_wrapping_lengths", fuzzInput(true, 7, header(5, 0xFFFFFFF0u) + "a.txt0123")},
        {"stream_traversal", fuzzInput(true, 12, header(7, 1) + "../evil" + "x")},
        {"stream_empty_name", fuzzInput(true, 12, header(0, 3) + "abc")},
        {"alpha_small", fuzzInput(false, 26, alphaValues(carrier, 260))},
        {"alpha_truncated", fuzzInput(false, 26, alphaValues(carrier, 150))},
    };
}

} // namespace

TEST(ContainerFuzzSeeds, CheckedInSeedsAreCurrent) {
    const QByteArray outFolder = qgetenv("CORVANE_WRITE_CONTAINER_SEEDS");
    for (const auto& [name, bytes] : seeds()) {
        if (!outFolder.isEmpty()) {
            QFile out(QDir(QString::fromLocal8Bit(outFolder)).filePath(QString::fromStdString(name)));
            ASSERT_TRUE(out.open(QIODevice::WriteOnly));
            ASSERT_EQ(out.write(bytes), bytes.size());
        }
        QFile in(QDir(QStringLiteral(CORVANE_CONTAINER_CORPUS)).filePath(QString::fromStdString(name)));
        ASSERT_TRUE(in.open(QIODevice::ReadOnly)) << name;
        EXPECT_EQ(in.readAll(), bytes) << name;
    }
}
