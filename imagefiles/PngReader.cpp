#include "imagefiles/PngReader.h"

#include "imagefiles/PngRows.h"

#include <libdeflate.h>

#include <QSize>

#include <array>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <vector>

namespace corvane {

namespace {

constexpr std::uint32_t chunkType(const char (&name)[5]) {
    return (std::uint32_t{static_cast<std::uint8_t>(name[0])} << 24) |
           (std::uint32_t{static_cast<std::uint8_t>(name[1])} << 16) |
           (std::uint32_t{static_cast<std::uint8_t>(name[2])} << 8) |
           std::uint32_t{static_cast<std::uint8_t>(name[3])};
}
constexpr std::uint32_t kIhdr = chunkType("IHDR");
constexpr std::uint32_t kPlte = chunkType("PLTE");
constexpr std::uint32_t kIdat = chunkType("IDAT");
constexpr std::uint32_t kIend = chunkType("IEND");
constexpr std::uint32_t kTrns = chunkType("tRNS");

constexpr std::size_t kSignatureBytes = 8;
// Lengths, widths and heights are four-byte integers below 2^31.
constexpr std::uint32_t kMaxPngInteger = 0x7FFFFFFFu;

std::uint32_t be32(const std::uint8_t* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}
std::uint32_t be16(const std::uint8_t* p) {
    return (std::uint32_t{p[0]} << 8) | p[1];
}

bool isLetter(std::uint8_t c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

QString typeName(const std::uint8_t* type) {
    return QString::fromLatin1(reinterpret_cast<const char*>(type), 4);
}

PngResult corrupt(const QString& reason) {
    return {PngOutcome::Corrupt, reason};
}
PngResult declined() {
    return {PngOutcome::Declined, {}};
}

struct Header {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint8_t bitDepth = 0;
    std::uint8_t colourType = 0;
    std::uint8_t compression = 0;
    std::uint8_t filter = 0;
    std::uint8_t interlace = 0;
};

// What the chunk walk gathers for decoding.
struct Chunks {
    Header header;
    std::vector<std::span<const std::uint8_t>> imageData; // the first run of consecutive IDAT chunks
    std::array<std::uint8_t, 768> palette{};
    std::size_t paletteEntries = 0;
    bool hasTransparency = false; // a tRNS chunk that applies
    std::array<std::uint8_t, 256> paletteAlpha{};
    std::size_t paletteAlphaEntries = 0;
    std::uint32_t greyKey = 0;
    std::array<std::uint32_t, 3> colourKey{};
};

constexpr bool isColourType(std::uint8_t type) {
    return type == 0 || type == 2 || type == 3 || type == 4 || type == 6;
}

// A tRNS chunk counts when it comes before the image data, is the first that counts, follows the palette
// of a palette image and has the length of its colour type; anything else is skipped, as the general
// decoder skips it with a warning.
void takeTransparency(Chunks& chunks, const std::uint8_t* data, std::uint32_t length, bool seenPalette) {
    switch (chunks.header.colourType) {
    case 0:
        if (length == 2) {
            chunks.hasTransparency = true;
            chunks.greyKey = be16(data);
        }
        return;
    case 2:
        if (length == 6) {
            chunks.hasTransparency = true;
            chunks.colourKey = {be16(data), be16(data + 2), be16(data + 4)};
        }
        return;
    case 3:
        if (seenPalette && length > 0 && length <= chunks.paletteEntries) {
            chunks.hasTransparency = true;
            chunks.paletteAlphaEntries = length;
            std::memcpy(chunks.paletteAlpha.data(), data, length);
        }
        return;
    default:
        return; // grey or colour with alpha: no tRNS
    }
}

// Validates the header; Decoded means "this reader takes the file".
PngResult checkHeader(const std::uint8_t* data, std::uint32_t length, qint64 maxPixels, Header& header,
                      PngImage& out) {
    if (length != 13) {
        return corrupt(QStringLiteral("IHDR チャンクの長さが正しくありません"));
    }
    header = {be32(data), be32(data + 4), data[8], data[9], data[10], data[11], data[12]};
    if (header.width == 0 || header.height == 0) {
        return corrupt(QStringLiteral("画像の幅または高さが 0 です"));
    }
    if (header.width > kMaxPngInteger || header.height > kMaxPngInteger) {
        return corrupt(QStringLiteral("画像の幅または高さが大きすぎます"));
    }
    const QSize size(static_cast<int>(header.width), static_cast<int>(header.height));
    if (!withinImageLimits(size, maxPixels)) {
        out.width = size.width();
        out.height = size.height();
        return {PngOutcome::TooLarge, {}};
    }
    if (header.bitDepth != 8 || !isColourType(header.colourType) || header.compression != 0 ||
        header.filter != 0 || header.interlace != 0) {
        return declined();
    }
    return {PngOutcome::Decoded, {}};
}

// Walks every chunk up to IEND. The general decoder refuses a file for a damaged critical chunk (CRC),
// an unknown critical chunk, a chunk type that is no four letters, a chunk reaching past the end of the
// file, a second IHDR or PLTE, a palette image without PLTE before its data, and IEND before any image
// data; so does this walk. Only the CRC of IEND may be missing at the very end of the file, which the
// general decoder accepts too.
PngResult walkChunks(std::span<const std::uint8_t> file, qint64 maxPixels, Chunks& chunks, PngImage& out) {
    const std::uint8_t* bytes = file.data();
    const std::size_t size = file.size();
    std::size_t at = kSignatureBytes;
    bool seenPalette = false;
    bool seenImageData = false;
    bool imageDataRun = false;
    for (bool first = true;; first = false) {
        if (at > size || size - at < 8) {
            return corrupt(QStringLiteral("IEND チャンクの前でファイルが終わっています"));
        }
        const std::uint32_t length = be32(bytes + at);
        const std::uint8_t* type = bytes + at + 4;
        const std::uint32_t name = be32(type);
        if (length > kMaxPngInteger) {
            return corrupt(QStringLiteral("チャンクの長さが正しくありません"));
        }
        if (!isLetter(type[0]) || !isLetter(type[1]) || !isLetter(type[2]) || !isLetter(type[3])) {
            return corrupt(QStringLiteral("チャンクの種類が正しくありません"));
        }
        const std::size_t dataAt = at + 8;
        if (size - dataAt < length) {
            return corrupt(QStringLiteral("%1 チャンクがファイルの終わりを越えています").arg(typeName(type)));
        }
        const std::uint8_t* data = bytes + dataAt;
        const std::size_t crcAt = dataAt + length;
        if (size - crcAt < 4) {
            if (name == kIend && length == 0 && seenImageData) {
                break;
            }
            return corrupt(QStringLiteral("%1 チャンクがファイルの終わりを越えています").arg(typeName(type)));
        }
        const bool crcOk = libdeflate_crc32(0, type, std::size_t{length} + 4) == be32(bytes + crcAt);
        const bool critical = (type[0] & 0x20) == 0;
        if (first && name != kIhdr) {
            return corrupt(QStringLiteral("最初のチャンクが IHDR ではありません"));
        }
        if (name != kIdat) {
            imageDataRun = false;
        }
        at = crcAt + 4;
        if (!critical) {
            if (crcOk && name == kTrns && !seenImageData && !chunks.hasTransparency) {
                takeTransparency(chunks, data, length, seenPalette);
            }
            continue;
        }
        if (!crcOk) {
            return corrupt(QStringLiteral("%1 チャンクの検査値（CRC）が合いません").arg(typeName(type)));
        }
        if (name == kIhdr) {
            if (!first) {
                return corrupt(QStringLiteral("IHDR チャンクが二つあります"));
            }
            if (PngResult checked = checkHeader(data, length, maxPixels, chunks.header, out);
                checked.outcome != PngOutcome::Decoded) {
                return checked;
            }
        } else if (name == kPlte) {
            if (seenPalette) {
                return corrupt(QStringLiteral("PLTE チャンクが二つあります"));
            }
            seenPalette = true;
            if (chunks.header.colourType != 3) {
                // A suggested palette changes no pixel of an image without one; after a tRNS chunk the
                // general decoder reads such an image differently, and it is left to that decoder.
                if (chunks.hasTransparency) {
                    return declined();
                }
                continue;
            }
            if (length == 0 || length % 3 != 0 || length > chunks.palette.size()) {
                return corrupt(QStringLiteral("PLTE チャンクの長さが正しくありません"));
            }
            std::memcpy(chunks.palette.data(), data, length);
            chunks.paletteEntries = length / 3;
        } else if (name == kIdat) {
            if (!seenImageData) {
                if (chunks.header.colourType == 3 && !seenPalette) {
                    return corrupt(QStringLiteral("画像データの前に PLTE チャンクがありません"));
                }
                seenImageData = true;
                imageDataRun = true;
            }
            // Image data after another chunk is past the image's end; the general decoder ignores it.
            if (imageDataRun && length > 0) {
                chunks.imageData.emplace_back(data, length);
            }
        } else if (name == kIend) {
            if (!seenImageData) {
                return corrupt(QStringLiteral("画像データ（IDAT チャンク）がありません"));
            }
            break;
        } else {
            return corrupt(QStringLiteral("扱えない必須チャンク %1 があります").arg(typeName(type)));
        }
    }
    return {PngOutcome::Decoded, {}};
}

png::RowLayout rowLayout(const Chunks& chunks) {
    png::RowLayout layout;
    layout.width = chunks.header.width;
    switch (chunks.header.colourType) {
    case 0:
        layout.samples = png::Samples::Grey;
        for (std::uint32_t g = 0; g < 256; ++g) {
            layout.table[g] = 0xFF000000u | (g * 0x010101u);
        }
        // A transparent grey level is a fully transparent black pixel; a level beyond 8 bits matches none.
        if (chunks.hasTransparency && chunks.greyKey < 256) {
            layout.table[chunks.greyKey] = 0;
        }
        break;
    case 2:
        layout.samples = png::Samples::Rgb;
        // Only the low byte of each 16-bit sample is compared with 8-bit samples.
        layout.hasKey = chunks.hasTransparency;
        layout.key = ((chunks.colourKey[0] & 0xFF) << 16) | ((chunks.colourKey[1] & 0xFF) << 8) |
                     (chunks.colourKey[2] & 0xFF);
        break;
    case 3: {
        layout.samples = png::Samples::Palette;
        for (std::size_t i = 0; i < chunks.paletteEntries; ++i) {
            const std::uint32_t alpha = i < chunks.paletteAlphaEntries ? chunks.paletteAlpha[i] : 0xFFu;
            layout.table[i] = (alpha << 24) | (std::uint32_t{chunks.palette[3 * i]} << 16) |
                              (std::uint32_t{chunks.palette[3 * i + 1]} << 8) | chunks.palette[3 * i + 2];
        }
        // An index beyond the palette shows the first entry.
        for (std::size_t i = chunks.paletteEntries; i < layout.table.size(); ++i) {
            layout.table[i] = layout.table[0];
        }
        break;
    }
    case 4:
        layout.samples = png::Samples::GreyAlpha;
        break;
    default:
        layout.samples = png::Samples::Rgba;
        break;
    }
    return layout;
}

// The two bytes that open the zlib stream: deflate with a window of at most 32 kB, no preset dictionary,
// and the check that makes them a multiple of 31.
PngResult checkZlibHeader(const std::vector<std::span<const std::uint8_t>>& parts) {
    std::array<std::uint32_t, 2> head{};
    std::size_t found = 0;
    for (const auto& part : parts) {
        for (std::size_t i = 0; i < part.size() && found < head.size(); ++i) {
            head[found++] = part[i];
        }
    }
    if (found < head.size()) {
        return corrupt(QStringLiteral("画像データが途中で終わっています"));
    }
    const bool deflate = (head[0] & 0x0F) == 8 && (head[0] >> 4) <= 7;
    if (!deflate || (head[0] * 256 + head[1]) % 31 != 0 || (head[1] & 0x20) != 0) {
        return corrupt(QStringLiteral("画像データの zlib ヘッダーが正しくありません"));
    }
    return {PngOutcome::Decoded, {}};
}

struct DecompressorFree {
    void operator()(libdeflate_decompressor* d) const noexcept { libdeflate_free_decompressor(d); }
};

// The zlib stream of several IDAT chunks, joined in a copy: the inflater takes it in one piece.
bool joinInCopy(const std::vector<std::span<const std::uint8_t>>& parts, Buffer<std::uint8_t>& joined,
                std::span<const std::uint8_t>& stream) {
    std::size_t total = 0;
    for (const auto& part : parts) {
        total += part.size();
    }
    joined = allocateBuffer<std::uint8_t>(total);
    if (!joined) {
        return false;
    }
    std::size_t at = 0;
    for (const auto& part : parts) {
        std::memcpy(joined.get() + at, part.data(), part.size());
        at += part.size();
    }
    stream = {joined.get(), total};
    return true;
}

// The zlib stream of several IDAT chunks, joined where it lies: each part moves down to follow the one
// before it, over the CRCs and chunk headers between them, which are kept aside. The file's bytes are put
// back as they were when this goes out of scope. This spares a copy of the stream: its memory, and the
// time of touching that memory for the first time.
class JoinedInPlace {
public:
    JoinedInPlace(std::uint8_t* file, const std::uint8_t* constFile,
                  const std::vector<std::span<const std::uint8_t>>& parts)
        : m_parts(parts.size()) {
        // Everything that may fail is allocated before the first byte moves.
        std::size_t gapBytes = static_cast<std::size_t>(parts.back().data() - parts.front().data());
        for (std::size_t k = 0; k + 1 < parts.size(); ++k) {
            gapBytes -= parts[k].size();
        }
        m_gaps.reserve(gapBytes);
        std::uint8_t* end = nullptr;
        for (std::size_t k = 0; k < parts.size(); ++k) {
            std::uint8_t* start = file + (parts[k].data() - constFile);
            if (k > 0) {
                std::uint8_t* gapStart = file + (parts[k - 1].data() - constFile) + parts[k - 1].size();
                m_gaps.insert(m_gaps.end(), gapStart, start);
            }
            m_parts[k] = {start, k == 0 ? start : end, parts[k].size()};
            std::memmove(m_parts[k].now, start, parts[k].size());
            end = m_parts[k].now + parts[k].size();
        }
        m_stream = {m_parts.front().now, static_cast<std::size_t>(end - m_parts.front().now)};
    }
    JoinedInPlace(const JoinedInPlace&) = delete;
    JoinedInPlace& operator=(const JoinedInPlace&) = delete;
    ~JoinedInPlace() {
        // From the last part down: each goes back up to where it was, then the bytes in front of it. Its
        // place never overlaps the parts below it, which still lie joined further down.
        std::size_t gapEnd = m_gaps.size();
        for (std::size_t k = m_parts.size(); k-- > 1;) {
            const Part& part = m_parts[k];
            std::memmove(part.was, part.now, part.size);
            const Part& below = m_parts[k - 1];
            const std::size_t gapBytes = static_cast<std::size_t>(part.was - (below.was + below.size));
            gapEnd -= gapBytes;
            std::memcpy(below.was + below.size, m_gaps.data() + gapEnd, gapBytes);
        }
    }

    std::span<const std::uint8_t> stream() const { return m_stream; }

private:
    struct Part {
        std::uint8_t* was = nullptr;
        std::uint8_t* now = nullptr;
        std::size_t size = 0;
    };
    std::vector<Part> m_parts;
    std::vector<std::uint8_t> m_gaps;
    std::span<const std::uint8_t> m_stream;
};

// readPng() and readPngInPlace(); `writable` (may be null) is `file` itself, which may then be used as
// working space.
PngResult decodePng(std::span<const std::uint8_t> file, std::uint8_t* writable, PngImage& out,
                    qint64 maxPixels) {
    static constexpr std::uint8_t kSignature[kSignatureBytes] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (file.size() < kSignatureBytes || std::memcmp(file.data(), kSignature, kSignatureBytes) != 0) {
        return corrupt(QStringLiteral("PNG の署名がありません"));
    }
    Chunks chunks;
    if (PngResult walked = walkChunks(file, maxPixels, chunks, out); walked.outcome != PngOutcome::Decoded) {
        return walked;
    }
    if (chunks.imageData.empty()) {
        return corrupt(QStringLiteral("画像データ（IDAT チャンク）が空です"));
    }

    if (PngResult checked = checkZlibHeader(chunks.imageData); checked.outcome != PngOutcome::Decoded) {
        return checked;
    }

    const png::RowLayout layout = rowLayout(chunks);
    const std::size_t width = chunks.header.width;
    const std::size_t height = chunks.header.height;
    const std::size_t rowBytes = width * png::bytesPerPixel(layout.samples);
    const std::size_t inflatedBytes = height * (1 + rowBytes);
    const std::size_t pixelBytes = 4 * width * height;

    // The inflated rows go to the end of the pixel buffer, which is `height` bytes longer than the pixels:
    // rows are then written out from the start without ever reaching a filtered byte not yet read (the
    // output of a row ends before the input of the next one begins).
    const std::size_t workBytes = pixelBytes + height;
    Buffer<std::uint8_t> pixels = allocateBuffer<std::uint8_t>(workBytes + png::kRowSlack);
    const std::size_t rowStride = rowBytes + png::kRowSlack;
    Buffer<std::uint8_t> rows = allocateBuffer<std::uint8_t>(3 * rowStride, true);
    const std::unique_ptr<libdeflate_decompressor, DecompressorFree> decompressor(
        libdeflate_alloc_decompressor());
    if (!pixels || !rows || !decompressor) {
        return {PngOutcome::OutOfMemory, {}};
    }
    std::memset(pixels.get() + workBytes, 0, png::kRowSlack);

    Buffer<std::uint8_t> joined;
    std::optional<JoinedInPlace> joinedInPlace;
    std::span<const std::uint8_t> stream = chunks.imageData.front();
    if (chunks.imageData.size() > 1) {
        if (writable != nullptr) {
            joinedInPlace.emplace(writable, file.data(), chunks.imageData);
            stream = joinedInPlace->stream();
        } else if (!joinInCopy(chunks.imageData, joined, stream)) {
            return {PngOutcome::OutOfMemory, {}};
        }
    }
    std::uint8_t* const inflated = pixels.get() + (workBytes - inflatedBytes);
    std::size_t consumed = 0;
    std::size_t produced = 0;
    const libdeflate_result result = libdeflate_zlib_decompress_ex(
        decompressor.get(), stream.data(), stream.size(), inflated, inflatedBytes, &consumed, &produced);
    joined.reset();
    joinedInPlace.reset();
    switch (result) {
    case LIBDEFLATE_SUCCESS:
        if (produced != inflatedBytes) {
            return corrupt(QStringLiteral("画像データが画像の大きさに足りません"));
        }
        break;
    default:
        // More data than the image holds, or damage in the stream: the general decoder shows the image
        // when its bytes all came out before the stream went wrong, and judges the damage by where it
        // lies, which only inflating piece by piece tells. Such files are left to it.
        return declined();
    }

    // Three rows of reconstructed bytes take turns: the prior row, and the one or two being made.
    std::uint8_t* prior = rows.get();
    std::uint8_t* raw = rows.get() + rowStride;
    std::uint8_t* next = rows.get() + 2 * rowStride;
    std::uint32_t alphaAnd = 0xFFFFFFFFu;
    const auto pixelRow = [&](std::size_t y) {
        return pixels.get() + 4 * width * y;
    };
    for (std::size_t y = 0; y < height;) {
        const std::uint8_t* filtered = inflated + y * (1 + rowBytes);
        if (y + 1 < height && png::decodeRowPair(layout, filtered, filtered + 1 + rowBytes, prior, raw, next,
                                                 pixelRow(y), pixelRow(y + 1), alphaAnd)) {
            std::swap(prior, next);
            y += 2;
            continue;
        }
        if (!png::decodeRow(layout, filtered, prior, raw, pixelRow(y), alphaAnd)) {
            return corrupt(QStringLiteral("%1 行目のフィルターの種類 %2 が正しくありません")
                               .arg(static_cast<qulonglong>(y + 1))
                               .arg(filtered[0]));
        }
        std::swap(prior, raw);
        ++y;
    }
    out.pixels = std::move(pixels);
    out.width = static_cast<int>(width);
    out.height = static_cast<int>(height);
    out.translucent = (alphaAnd >> 24) != 0xFFu;
    return {PngOutcome::Decoded, {}};
}

} // namespace

PngResult readPng(std::span<const std::uint8_t> file, PngImage& out, qint64 maxPixels) {
    try {
        return decodePng(file, nullptr, out, maxPixels);
    } catch (const std::bad_alloc&) {
        return {PngOutcome::OutOfMemory, {}};
    }
}

PngResult readPngInPlace(std::span<std::uint8_t> file, PngImage& out, qint64 maxPixels) {
    try {
        return decodePng(file, file.data(), out, maxPixels);
    } catch (const std::bad_alloc&) {
        return {PngOutcome::OutOfMemory, {}};
    }
}

} // namespace corvane
