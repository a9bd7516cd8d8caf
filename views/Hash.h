#pragma once

#include "platform/Progress.h"

#include <QString>

namespace corvane {

// File digests: CRC-32 (zlib), MD5 and SHA-256 (libcrypto), computed in one streamed pass over the file
// (read in chunks, never whole; files of more than one chunk digest MD5 on a second thread, which changes
// no result). Safe to use from several threads at once.
class CHash {
public:
    // When set, the digest texts are lower case; upper case otherwise.
    void setLowerCase(bool lower) { m_lowerCase = lower; }

    // The three digests of the file as hexadecimal text: CRC-32 as 8 digits (most significant byte
    // first), MD5 as 32, SHA-256 as 64. False when the file cannot be opened or read to its end, or memory
    // runs out; the outputs are then left as they were.
    // `progress`, when given, is told (bytes digested, file size) after each chunk.
    bool HashFile(const QString& path, QString& crc, QString& md5, QString& sha256,
                  const ProgressFn& progress = {}) const;

private:
    bool m_lowerCase = false;
};

} // namespace corvane
