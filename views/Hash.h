#pragma once

#include <QString>

namespace corvane {

// File digests: CRC-32 (zlib), MD5 and SHA-256 (libcrypto), computed in one streamed pass over the file.
class CHash {
public:
    // When set, the digest texts are lower case; upper case otherwise.
    void setLowerCase(bool lower) { m_lowerCase = lower; }

    // The three digests of the file as hexadecimal text (CRC-32 most significant byte first). False when
    // the file cannot be read; the outputs are then left as they were.
    bool HashFile(const QString& path, QString& crc, QString& md5, QString& sha256) const;

private:
    bool m_lowerCase = false;
};

} // namespace corvane
