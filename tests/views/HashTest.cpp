// File digests against the standards' test vectors, and the streamed, two-thread path against one-shot
// digests of the same bytes.

#include "views/Hash.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <openssl/evp.h>
#include <zlib.h>

#include <cstdint>
#include <random>

using namespace corvane;

namespace {

struct Digests {
    QString crc;
    QString md5;
    QString sha256;
};

class HashTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_folder.isValid()); }

    QString write(const QByteArray& bytes) {
        const QString path = m_folder.filePath(QStringLiteral("file%1").arg(m_count++));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        EXPECT_EQ(file.write(bytes), bytes.size());
        return path;
    }

    Digests hash(const QByteArray& bytes, bool lowerCase = false) {
        CHash hasher;
        hasher.setLowerCase(lowerCase);
        Digests d;
        EXPECT_TRUE(hasher.HashFile(write(bytes), d.crc, d.md5, d.sha256));
        return d;
    }

    QTemporaryDir m_folder;
    int m_count = 0;
};

QString oneShot(const EVP_MD* type, const QByteArray& bytes) {
    unsigned char out[EVP_MAX_MD_SIZE];
    unsigned length = 0;
    EVP_Digest(bytes.constData(), static_cast<std::size_t>(bytes.size()), out, &length, type, nullptr);
    return QString::fromLatin1(
        QByteArray(reinterpret_cast<const char*>(out), static_cast<qsizetype>(length)).toHex().toUpper());
}

QString oneShotCrc(const QByteArray& bytes) {
    const uLong crc =
        crc32_z(0, reinterpret_cast<const Bytef*>(bytes.constData()), static_cast<std::size_t>(bytes.size()));
    return QStringLiteral("%1").arg(crc, 8, 16, QLatin1Char('0')).toUpper();
}

} // namespace

TEST_F(HashTest, StandardVectors) {
    const Digests empty = hash(QByteArray());
    EXPECT_EQ(empty.crc, QStringLiteral("00000000"));
    EXPECT_EQ(empty.md5, QStringLiteral("D41D8CD98F00B204E9800998ECF8427E"));
    EXPECT_EQ(empty.sha256,
              QStringLiteral("E3B0C44298FC1C149AFBF4C8996FB92427AE41E4649B934CA495991B7852B855"));
    const Digests abc = hash("abc");
    EXPECT_EQ(abc.crc, QStringLiteral("352441C2"));
    EXPECT_EQ(abc.sha256, QStringLiteral("BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD"));
    EXPECT_EQ(hash("abc", true).md5, QStringLiteral("900150983cd24fb0d6963f7d28e17f72"));
    EXPECT_EQ(hash("123456789").crc, QStringLiteral("CBF43926"));
    EXPECT_EQ(hash("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq").sha256,
              QStringLiteral("248D6A61D20638B8E5C026930C3E6039A33CE45964FF2167F6ECEDD419DB06C1"));
    const Digests million = hash(QByteArray(1'000'000, 'a'));
    EXPECT_EQ(million.sha256,
              QStringLiteral("CDC76E5C9914FB9281A1C7E284D73E67F1809A48A497200E046D39CCC7112CD0"));
    EXPECT_EQ(million.md5, QStringLiteral("7707D6AE4E027C70EEA2A935C2296F21"));

    // The MD5 suite of its defining document.
    const std::pair<const char*, const char*> md5Suite[] = {
        {"a", "0CC175B9C0F1B6A831C399E269772661"},
        {"abc", "900150983CD24FB0D6963F7D28E17F72"},
        {"message digest", "F96B697D7CB7938D525A2F31AAF161D0"},
        {"abcdefghijklmnopqrstuvwxyz", "C3FCD3D76192E4007DFB496CCA67E13B"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
         "D174AB98D277D9F5A5611C2C9F419D9F"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57EDF4A22BE3C955AC49DA2E2107B67A"},
    };
    for (const auto& [text, md5] : md5Suite) {
        EXPECT_EQ(hash(text).md5, QString::fromLatin1(md5)) << text;
    }
}

TEST_F(HashTest, FilesOfManyChunksMatchOneShotDigests) {
    std::mt19937 random(7);
    // Sizes around the chunk boundaries of the streamed reading: one chunk exactly, several exactly, and
    // a few bytes more or less.
    for (const int size : {(1 << 20) - 1, 1 << 20, (1 << 20) + 1, 2 << 20, (3 << 20) + 12345}) {
        QByteArray bytes(size, Qt::Uninitialized);
        for (char& c : bytes) {
            c = static_cast<char>(random() & 0xFF);
        }
        const Digests d = hash(bytes);
        EXPECT_EQ(d.crc, oneShotCrc(bytes)) << size;
        EXPECT_EQ(d.md5, oneShot(EVP_md5(), bytes)) << size;
        EXPECT_EQ(d.sha256, oneShot(EVP_sha256(), bytes)) << size;
    }
}

TEST_F(HashTest, UnreadableFilesLeaveTheOutputsAlone) {
    CHash hasher;
    QString crc = QStringLiteral("keep");
    QString md5 = QStringLiteral("keep");
    QString sha256 = QStringLiteral("keep");
    EXPECT_FALSE(hasher.HashFile(m_folder.filePath(QStringLiteral("missing")), crc, md5, sha256));
    EXPECT_FALSE(hasher.HashFile(m_folder.path(), crc, md5, sha256));
    EXPECT_EQ(crc, QStringLiteral("keep"));
    EXPECT_EQ(md5, QStringLiteral("keep"));
    EXPECT_EQ(sha256, QStringLiteral("keep"));
}
