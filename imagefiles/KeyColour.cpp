#include "imagefiles/KeyColour.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>

namespace corvane {

namespace {

// The file as bytes with bounds-checked reads: every offset is checked against the size, so a header
// field or a search hit near the end can never lead outside the buffer.
class Bytes {
public:
    explicit Bytes(const QByteArray& file)
        : m_data(reinterpret_cast<const std::uint8_t*>(file.constData())),
          m_size(static_cast<std::size_t>(file.size())) {}

    std::size_t size() const { return m_size; }

    std::optional<std::uint8_t> at(std::size_t offset) const {
        if (offset >= m_size) {
            return std::nullopt;
        }
        return m_data[offset];
    }
    std::optional<std::uint32_t> le16(std::size_t offset) const {
        if (offset > m_size || m_size - offset < 2) {
            return std::nullopt;
        }
        return std::uint32_t{m_data[offset]} | (std::uint32_t{m_data[offset + 1]} << 8);
    }
    std::optional<std::uint32_t> le32(std::size_t offset) const {
        if (offset > m_size || m_size - offset < 4) {
            return std::nullopt;
        }
        return std::uint32_t{m_data[offset]} | (std::uint32_t{m_data[offset + 1]} << 8) |
               (std::uint32_t{m_data[offset + 2]} << 16) | (std::uint32_t{m_data[offset + 3]} << 24);
    }

    // The first position p ≥ `from` with p < `limit` where the four bytes of `tag` start. Positions are
    // those of a plain byte scan, not of a chunk walk: a chunk type may be found inside other data.
    std::optional<std::size_t> find(const char (&tag)[5], std::size_t from, std::size_t limit) const {
        for (std::size_t p = from; p < limit && p + 4 <= m_size; ++p) {
            if (std::memcmp(m_data + p, tag, 4) == 0) {
                return p;
            }
        }
        return std::nullopt;
    }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
};

} // namespace

bool ReadBmpKeyColour(const QByteArray& file, ColorRef& key) {
    const Bytes bytes(file);
    if (bytes.size() < 2 || file[0] != 'B' || file[1] != 'M') {
        return false;
    }
    const auto bitCount = bytes.le16(28);
    const auto pixelOffset = bytes.le32(10);
    const auto imageSize = bytes.le32(34);
    if (!bitCount || *bitCount != 32 || !pixelOffset || !imageSize) {
        return false;
    }
    // The image-size field may claim more pixels than the file holds: the walk stops at its end.
    const std::size_t count = *imageSize / 4;
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t offset = std::size_t{*pixelOffset} + 4 * i;
        const auto fourth = bytes.at(offset + 3);
        if (!fourth) {
            return false;
        }
        if (*fourth == 0 || *fourth == 237) {
            key = makeColor(*bytes.at(offset + 2), *bytes.at(offset + 1), *bytes.at(offset));
            return true;
        }
    }
    return false;
}

bool CPNGSub::ReadPngKeyColour(const QByteArray& file, ColorRef& key) {
    static const char signature[8] = {'\x89', 'P', 'N', 'G', '\r', '\n', '\x1A', '\n'};
    const Bytes bytes(file);
    if (bytes.size() < 8 || std::memcmp(file.constData(), signature, 8) != 0) {
        return false;
    }
    const std::size_t limit = bytes.size() - 4;
    const auto ihdr = bytes.find("IHDR", 8, limit);
    const auto colourType = ihdr ? bytes.at(*ihdr + 13) : std::nullopt;
    if (!colourType) {
        return false;
    }
    key = kNoColor;

    if (*colourType == 4 || *colourType == 6) {
        // Grey or RGB with alpha: the background colour stands for the transparent pixels; without
        // one, white. The low bytes of the 16-bit samples are taken.
        key = kWhite;
        if (const auto bkgd = bytes.find("bKGD", 8, limit)) {
            if (*colourType == 4) {
                if (const auto grey = bytes.at(*bkgd + 5)) {
                    key = makeColor(*grey, *grey, *grey);
                }
            } else {
                const auto red = bytes.at(*bkgd + 5);
                const auto green = bytes.at(*bkgd + 7);
                const auto blue = bytes.at(*bkgd + 9);
                if (red && green && blue) {
                    key = makeColor(*red, *green, *blue);
                }
            }
        }
        return true;
    }

    if (*colourType != 3) {
        return true;
    }
    const auto trns = bytes.find("tRNS", 8, limit);
    if (!trns) {
        return true;
    }
    // The entry count is the low byte of the chunk length, which precedes the chunk type.
    const auto entries = bytes.at(*trns - 1);
    if (!entries) {
        return true;
    }
    for (std::size_t m = 0; m < *entries; ++m) {
        const auto alpha = bytes.at(*trns + 4 + m);
        if (!alpha) {
            return true;
        }
        if (*alpha == 255) {
            continue;
        }
        const auto plte = bytes.find("PLTE", 8, limit);
        if (!plte) {
            return true;
        }
        const auto red = bytes.at(*plte + 4 + 3 * m);
        const auto green = bytes.at(*plte + 5 + 3 * m);
        const auto blue = bytes.at(*plte + 6 + 3 * m);
        if (red && green && blue) {
            key = makeColor(*red, *green, *blue);
        }
        return true;
    }
    return true;
}

} // namespace corvane
