#pragma once

// Little- and big-endian fields of the image files the tests make and damage: appended, overwritten in
// place and read back.

#include <QByteArray>

#include <cstdint>

namespace corvane::test {

inline void putBe32(QByteArray& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.append(static_cast<char>((v >> shift) & 0xFF));
    }
}
inline void putLe16(QByteArray& out, std::uint32_t v) {
    out.append(static_cast<char>(v & 0xFF));
    out.append(static_cast<char>((v >> 8) & 0xFF));
}
inline void putLe32(QByteArray& out, std::uint32_t v) {
    putLe16(out, v & 0xFFFF);
    putLe16(out, v >> 16);
}
inline void setLe16(QByteArray& b, qsizetype at, std::uint32_t v) {
    b[at] = static_cast<char>(v & 0xFF);
    b[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}
inline void setLe32(QByteArray& b, qsizetype at, std::uint32_t v) {
    setLe16(b, at, v & 0xFFFF);
    setLe16(b, at + 2, v >> 16);
}
inline void setBe16(QByteArray& b, qsizetype at, std::uint32_t v) {
    b[at] = static_cast<char>((v >> 8) & 0xFF);
    b[at + 1] = static_cast<char>(v & 0xFF);
}
inline void setBe32(QByteArray& b, qsizetype at, std::uint32_t v) {
    setBe16(b, at, v >> 16);
    setBe16(b, at + 2, v & 0xFFFF);
}
inline std::uint32_t le16At(const QByteArray& b, qsizetype at) {
    return std::uint32_t{static_cast<std::uint8_t>(b[at])} |
           (std::uint32_t{static_cast<std::uint8_t>(b[at + 1])} << 8);
}
inline std::uint32_t le32At(const QByteArray& b, qsizetype at) {
    return le16At(b, at) | (le16At(b, at + 2) << 16);
}
inline std::uint32_t be16At(const QByteArray& b, qsizetype at) {
    return (std::uint32_t{static_cast<std::uint8_t>(b[at])} << 8) | static_cast<std::uint8_t>(b[at + 1]);
}

} // namespace corvane::test
