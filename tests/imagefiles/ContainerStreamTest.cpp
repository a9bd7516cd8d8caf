// The document container in memory: the stream layout, the carrier size, the alpha encoding and the
// reader's refusal of everything that is not a usable document.

#include "imagefiles/DocumentContainer.h"
#include "imagefiles/ImageConversion.h"
#include "tests/support/TestImages.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

using namespace corvane;

namespace {

QByteArray bigEndian(std::uint32_t v) {
    const char bytes[4] = {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
                           static_cast<char>(v)};
    return QByteArray(bytes, 4);
}

// A raw stream with any header values, for streams the writer refuses to make.
QByteArray rawStream(std::uint32_t nameLength, std::uint32_t documentLength, const QByteArray& payload) {
    return QByteArray("stg") + bigEndian(nameLength) + bigEndian(documentLength) + payload;
}

// Carries `stream` with a split of our own (the whole shortfall in the first of the ten values), so that
// the reader is checked against the decoding rule rather than against the writer.
QImage alphaCarrier(const QByteArray& stream, int width, int height) {
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(qRgba(10, 20, 30, 255));
    for (qsizetype n = 0; n < stream.size(); ++n) {
        const qint64 k = 10 * qint64{n};
        image.setPixel(static_cast<int>(k % width), static_cast<int>(k / width),
                       qRgba(10, 20, 30, 255 - static_cast<std::uint8_t>(stream[n])));
    }
    return image;
}

QByteArray sampleDocument(int size) {
    QByteArray out(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i) {
        out[i] = static_cast<char>((i * 131 + 7) & 0xFF);
    }
    return out;
}

const QByteArray kTenBytes = "0123456789";

class ContainerFormats : public ::testing::TestWithParam<int> {};

} // namespace

TEST(ContainerStream, Layout) {
    EXPECT_EQ(buildContainer(QStringLiteral("a.txt"), kTenBytes), rawStream(5, 10, "a.txt" + kTenBytes));
    // "表" is 0x95 0x5C in code page 932: two bytes of the name, and the 0x5C is no folder separator.
    const auto stream = buildContainer(QStringLiteral("表.txt"), "x");
    ASSERT_TRUE(stream);
    EXPECT_EQ(*stream, rawStream(6, 1, "\x95\x5C.txtx"));
}

TEST(ContainerStream, UnsafeOrOversizedNamesAreRefused) {
    const QString refused[] = {
        QString(), QStringLiteral(".."), QStringLiteral("a/b"), QStringLiteral("a\\b"), QStringLiteral("C:b"),
        QStringLiteral("a\nb"), QString(QChar(0x85)), QString(260, QLatin1Char('a')),
        // 130 double-byte characters are 260 bytes; an emoji has no code page 932 form.
        QString(130, QChar(0x8868)), QStringLiteral("\U0001F600")};
    for (const QString& name : refused) {
        EXPECT_FALSE(buildContainer(name, "x")) << name.toStdString();
    }
    EXPECT_TRUE(buildContainer(QString(129, QChar(0x8868)) + QLatin1Char('a'), "x"));
}

TEST(CarrierSize, CoversTheStreamWithLengthsIn64Bits) {
    EXPECT_EQ(carrierSize(QSize(100, 100), 26), QSize(100, 100));
    EXPECT_EQ(carrierSize(QSize(26, 10), 26), QSize(26, 10));
    EXPECT_EQ(carrierSize(QSize(100, 100), 1048596), QSize(3239, 3239));
    // 10 × 500 000 000 exceeds 2^32; wrapped, it would ask for a seventh of the area needed.
    EXPECT_EQ(carrierSize(QSize(100, 100), 500'000'000), QSize(70711, 70711));
    for (const QSize original : {QSize(1, 1), QSize(3, 7), QSize(1, 5000)}) {
        const QSize size = carrierSize(original, 4'294'967'306LL);
        EXPECT_GE(qint64{size.width()} * size.height(), 42'949'673'060LL) << original.width();
    }
    EXPECT_TRUE(carrierSize(QSize(), 26).isEmpty());
    EXPECT_TRUE(carrierSize(QSize(10, 10), -1).isEmpty());
}

TEST(ContainerEncoding, AlphaValuesOfSingleBytes) {
    const auto alphasOf = [](char byte) {
        const QImage image = EncodeContainerIntoImage(DeviceBitmap::create(10, 1, 32), QByteArray(1, byte));
        std::vector<int> alphas;
        for (int x = 0; x < 10; ++x) {
            alphas.push_back(qAlpha(image.pixel(x, 0)));
        }
        return alphas;
    };
    EXPECT_EQ(alphasOf(0), std::vector<int>(10, 255));
    EXPECT_EQ(alphasOf('\xFF'), (std::vector<int>{229, 229, 229, 229, 229, 230, 230, 230, 230, 230}));
    EXPECT_EQ(alphasOf(7), (std::vector<int>{254, 254, 254, 254, 254, 254, 254, 255, 255, 255}));
}

TEST(ContainerEncoding, StreamRepeatsToTheLastPixel) {
    const QByteArray stream = *buildContainer(QStringLiteral("a.txt"), kTenBytes);
    std::int64_t lastDone = 0;
    const QImage image = EncodeContainerIntoImage(test::randomBitmap(100, 100, 32, 3), stream,
                                                  [&](std::int64_t done, std::int64_t) { lastDone = done; });
    ASSERT_EQ(image.format(), QImage::Format_ARGB32);
    EXPECT_EQ(lastDone, 100);
    // 10 000 alpha values: 38 copies of the 26 bytes (9880 values), then 120 values (12 bytes) of a 39th.
    const auto* alphas = reinterpret_cast<const QRgb*>(image.constBits());
    for (int n = 0; n < 1000; ++n) {
        int shortfall = 0;
        for (int i = 0; i < 10; ++i) {
            ASSERT_GE(qAlpha(alphas[10 * n + i]), 229);
            shortfall += 255 - qAlpha(alphas[10 * n + i]);
        }
        ASSERT_EQ(shortfall, static_cast<std::uint8_t>(stream[n % 26])) << n;
    }
    // 26 bytes fit 260 pixels, not 259.
    EXPECT_FALSE(EncodeContainerIntoImage(DeviceBitmap::create(26, 10, 24), stream).isNull());
    EXPECT_TRUE(EncodeContainerIntoImage(DeviceBitmap::create(259, 1, 24), stream).isNull());
}

TEST_P(ContainerFormats, RoundTripKeepsColoursAndDocument) {
    const QString name = QStringLiteral("報告書 2024.pdf");
    const QByteArray document = sampleDocument(3000);
    const QByteArray stream = *buildContainer(name, document);
    const QSize size = carrierSize(QSize(40, 30), stream.size());
    const DeviceBitmap work = test::randomBitmap(size.width(), size.height(), GetParam(), 9);
    const QImage carrier = EncodeContainerIntoImage(work, stream);
    ASSERT_FALSE(carrier.isNull());
    // Colours exactly as the surface holds them (16 bits widened), neither premultiplied nor changed.
    const QImage opaque = toImage(work);
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            ASSERT_EQ(carrier.pixel(x, y) & 0xFFFFFFu, opaque.pixel(x, y) & 0xFFFFFFu) << x << "," << y;
        }
    }
    std::int64_t reported = 0;
    const auto read = readContainer(carrier, [&](std::int64_t done, std::int64_t) { reported = done; });
    ASSERT_TRUE(read);
    EXPECT_EQ(read->name, name);
    EXPECT_EQ(read->bytes, document);
    EXPECT_EQ(reported, document.size());
}

INSTANTIATE_TEST_SUITE_P(Depths, ContainerFormats, ::testing::Values(16, 24, 32),
                         [](const auto& p) { return "Bits" + std::to_string(p.param); });

TEST(ContainerReading, NoContainerOrLengthsBeyondTheCapacity) {
    QImage opaque(100, 100, QImage::Format_RGB32);
    opaque.fill(Qt::white);
    EXPECT_FALSE(readContainer(opaque));
    // "stg" present, but the image ends inside the header.
    EXPECT_FALSE(readContainer(alphaCarrier("stg", 10, 10)));

    const QByteArray payload = "a.txt" + kTenBytes;
    // 26 bytes need exactly 260 alpha values.
    EXPECT_TRUE(readContainer(alphaCarrier(rawStream(5, 10, payload), 26, 10)));
    EXPECT_FALSE(readContainer(alphaCarrier(rawStream(5, 10, payload), 259, 1)));
    EXPECT_FALSE(readContainer(alphaCarrier(rawStream(5, 11, payload), 26, 10)));
    // 11 + 5 + 0xFFFFFFF0 is 2^32: a 32-bit total wraps to 0 and passes any capacity check.
    EXPECT_FALSE(readContainer(alphaCarrier(rawStream(5, 0xFFFFFFF0u, payload), 26, 10)));
    EXPECT_FALSE(readContainer(alphaCarrier(rawStream(0xFFFFFFFFu, 0xFFFFFFFFu, payload), 26, 10)));

    // Ten alpha values of 0 fall short by 2550, 246 modulo 256: any split of a byte reads back.
    QImage wrapped = alphaCarrier(rawStream(1, 1, "ab"), 10, 13);
    for (int x = 0; x < 10; ++x) {
        wrapped.setPixel(x, 12, qRgba(0, 0, 0, 0));
    }
    const auto read = readContainer(wrapped);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->bytes, QByteArray(1, '\xF6'));
}

TEST(ContainerReading, UnusableNamesMeanNoDocument) {
    const auto withName = [](const QByteArray& name) {
        return readContainer(
            alphaCarrier(rawStream(static_cast<std::uint32_t>(name.size()), 1, name + "x"), 100, 100));
    };
    EXPECT_TRUE(withName("ok.txt"));
    EXPECT_TRUE(withName(QByteArray(259, 'n')));
    const QByteArray unsafe[] = {QByteArray(260, 'n'), QByteArray(), "../evil", "a/b", "a\\b", "..", "C:evil",
                                 "/etc/passwd", QByteArray("a\0b", 3),
                                 // A lead byte without a valid trail byte is no code page 932 text.
                                 "a\x81 ", "\x82"};
    for (const QByteArray& name : unsafe) {
        EXPECT_FALSE(withName(name)) << name.toStdString();
    }
}
