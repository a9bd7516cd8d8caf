#include "tests/imagefiles/CorruptFiles.h"

#include "tests/imagefiles/ByteFields.h"

#include <QBuffer>
#include <QImageWriter>

#include <zlib.h>

#include <algorithm>
#include <functional>
#include <utility>

namespace corvane::test {

namespace {

QByteArray with(QByteArray bytes, const std::function<void(QByteArray&)>& change) {
    change(bytes);
    return bytes;
}

// Truncations at a few fixed points and at every eighth of the file.
void addTruncations(std::vector<CorruptFile>& out, const QByteArray& valid, std::initializer_list<int> points,
                    int firstMayLoad) {
    std::vector<qsizetype> cuts(points.begin(), points.end());
    for (int eighth = 1; eighth < 8; ++eighth) {
        cuts.push_back(valid.size() * eighth / 8);
    }
    std::sort(cuts.begin(), cuts.end());
    cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
    for (const qsizetype cut : cuts) {
        if (cut < valid.size()) {
            out.push_back({"truncated at " + std::to_string(cut) + " of " + std::to_string(valid.size()),
                           valid.left(cut), firstMayLoad >= 0 && cut >= firstMayLoad});
        }
    }
}

// ---- PNG ----

// Offsets in a PNG made by makePng: IHDR data starts at 16.
constexpr int kIhdrData = 16;

void fixPngCrc(QByteArray& png, qsizetype chunkStart) {
    const qsizetype length = (static_cast<std::uint8_t>(png[chunkStart]) << 24) |
                             (static_cast<std::uint8_t>(png[chunkStart + 1]) << 16) |
                             (static_cast<std::uint8_t>(png[chunkStart + 2]) << 8) |
                             static_cast<std::uint8_t>(png[chunkStart + 3]);
    const auto* typeAndData = reinterpret_cast<const Bytef*>(png.constData() + chunkStart + 4);
    setBe32(png, chunkStart + 8 + length,
            static_cast<std::uint32_t>(crc32(0, typeAndData, static_cast<uInt>(length + 4))));
}

QByteArray ihdrChanged(const QByteArray& png, int offset, const QByteArray& value) {
    QByteArray out = png;
    out.replace(kIhdrData + offset, value.size(), value);
    fixPngCrc(out, 8);
    return out;
}

// The file with the data of its one IDAT chunk spread over chunks of `piece` bytes (the last one shorter),
// which a loader joins before inflating.
QByteArray splitImageData(const QByteArray& png, qsizetype piece) {
    const qsizetype idat = png.indexOf("IDAT") - 4;
    const qsizetype iend = png.indexOf("IEND") - 4;
    const QByteArray data = png.mid(idat + 8, iend - idat - 12);
    QByteArray out = png.left(idat);
    for (qsizetype at = 0; at < data.size(); at += piece) {
        out.append(pngChunk("IDAT", data.mid(at, piece)));
    }
    return out + png.mid(iend);
}

QByteArray be32Bytes(std::uint32_t v) {
    QByteArray out;
    putBe32(out, v);
    return out;
}

std::vector<CorruptFile> corruptPngs() {
    const QByteArray valid = validFile(QStringLiteral("png"));
    const qsizetype idat = valid.indexOf("IDAT") - 4;
    const qsizetype iend = valid.indexOf("IEND") - 4;
    std::vector<CorruptFile> out;
    // A file cut inside IEND still holds the whole image.
    addTruncations(out, valid, {4, 8, 12, 20, 33, 37, 41, static_cast<int>(iend), static_cast<int>(iend) + 8},
                   static_cast<int>(iend));
    out.push_back({"signature damaged", with(valid, [](QByteArray& b) { b[1] = 'Q'; })});
    out.push_back(
        {"IHDR CRC wrong", with(valid, [](QByteArray& b) { b[29] = static_cast<char>(b[29] ^ 1); })});
    out.push_back({"IDAT CRC wrong",
                   with(valid, [&](QByteArray& b) { b[iend - 1] = static_cast<char>(b[iend - 1] ^ 1); })});
    out.push_back({"IHDR length 12", with(valid, [](QByteArray& b) { setBe32(b, 8, 12); })});
    out.push_back({"IDAT length huge", with(valid, [&](QByteArray& b) { setBe32(b, idat, 0x7FFFFFF0u); })});
    out.push_back(
        {"IDAT length beyond the file", with(valid, [&](QByteArray& b) { setBe32(b, idat, 5000); })});
    out.push_back({"width 0", ihdrChanged(valid, 0, be32Bytes(0))});
    out.push_back({"height 0", ihdrChanged(valid, 4, be32Bytes(0))});
    out.push_back({"width 2^31", ihdrChanged(valid, 0, be32Bytes(0x80000000u))});
    out.push_back({"40000 x 30000", ihdrChanged(valid, 0, be32Bytes(40000) + be32Bytes(30000))});
    out.push_back({"bit depth 3", ihdrChanged(valid, 8, QByteArray(1, 3))});
    out.push_back({"colour type 5", ihdrChanged(valid, 9, QByteArray(1, 5))});
    out.push_back({"compression method 1", ihdrChanged(valid, 10, QByteArray(1, 1))});
    out.push_back({"filter method 1", ihdrChanged(valid, 11, QByteArray(1, 1))});
    out.push_back({"interlace method 2", ihdrChanged(valid, 12, QByteArray(1, 2))});
    out.push_back({"zlib header damaged", with(valid, [&](QByteArray& b) {
                       b[idat + 8] = 0;
                       fixPngCrc(b, idat);
                   })});
    out.push_back({"deflate data damaged", with(valid, [&](QByteArray& b) {
                       for (qsizetype i = idat + 10; i < idat + 30; ++i) {
                           b[i] = static_cast<char>(0xFF);
                       }
                       fixPngCrc(b, idat);
                   })});
    out.push_back({"no IDAT", valid.left(idat) + valid.mid(iend)});
    // A palette image whose PLTE is missing.
    out.push_back({"palette without PLTE", makePng(2, 2, 8, 3, QByteArray(4, 0))});
    // Rows for only half the image.
    {
        QByteArray half;
        const QImage image = patternImage(8, 6);
        QByteArray rows;
        for (int y = 0; y < 3; ++y) {
            rows.append('\0');
            for (int x = 0; x < 8; ++x) {
                const QRgb p = image.pixel(x, y);
                rows.append(static_cast<char>(qRed(p)));
                rows.append(static_cast<char>(qGreen(p)));
                rows.append(static_cast<char>(qBlue(p)));
                rows.append(static_cast<char>(qAlpha(p)));
            }
        }
        QByteArray compressed(static_cast<qsizetype>(compressBound(static_cast<uLong>(rows.size()))), '\0');
        uLongf length = static_cast<uLongf>(compressed.size());
        compress(reinterpret_cast<Bytef*>(compressed.data()), &length,
                 reinterpret_cast<const Bytef*>(rows.constData()), static_cast<uLong>(rows.size()));
        compressed.truncate(static_cast<qsizetype>(length));
        out.push_back({"image data for half the rows",
                       valid.left(idat) + pngChunk("IDAT", compressed) + valid.mid(iend)});
    }
    // The image's rows (RGBA, filter bytes included) compressed differently: too few, too many, a bad
    // filter type, a damaged checksum.
    {
        const QImage image = patternImage(8, 6);
        QByteArray rows;
        for (int y = 0; y < 6; ++y) {
            rows.append('\0');
            for (int x = 0; x < 8; ++x) {
                const QRgb p = image.pixel(x, y);
                for (const int v : {qRed(p), qGreen(p), qBlue(p), qAlpha(p)}) {
                    rows.append(static_cast<char>(v));
                }
            }
        }
        const auto withRows = [&](const QByteArray& data) {
            return valid.left(idat) + pngChunk("IDAT", qCompress(data).mid(4)) + valid.mid(iend);
        };
        QByteArray filter5 = rows;
        filter5[2 * 33] = 5;
        out.push_back({"filter type 5 in row 3", withRows(filter5)});
        out.push_back({"inflated data one byte short", withRows(rows.chopped(1))});
        // More data than the image holds: decoders show the image and ignore the rest.
        out.push_back({"inflated data one row too long", withRows(rows + rows.left(33)), true});
        out.push_back({"adler-32 of the stream wrong", with(withRows(rows), [&](QByteArray& b) {
                           const qsizetype end = b.indexOf("IEND") - 8 - 1;
                           b[end] = static_cast<char>(b[end] ^ 1);
                           fixPngCrc(b, idat);
                       })});
        // The same with the image data in chunks of 7 bytes, joined in the file's own bytes when the file
        // is read from disk: the judgement and the message are the same, and a file left to the general
        // decoder reaches it whole.
        out.push_back({"filter type 5 in row 3, image data in pieces", splitImageData(withRows(filter5), 7)});
        out.push_back({"inflated data one byte short, image data in pieces",
                       splitImageData(withRows(rows.chopped(1)), 7)});
        out.push_back({"inflated data one row too long, image data in pieces",
                       splitImageData(withRows(rows + rows.left(33)), 7), true});
        const QByteArray pieces = splitImageData(withRows(rows), 7);
        const qsizetype second = pieces.indexOf("IDAT", pieces.indexOf("IDAT") + 4) - 4;
        out.push_back({"second IDAT CRC wrong", with(pieces, [&](QByteArray& b) {
                           b[second + 8 + 7] = static_cast<char>(b[second + 8 + 7] ^ 1);
                       })});
        out.push_back({"second IDAT cut short", pieces.left(second + 8 + 3)});
        out.push_back({"second IDAT length beyond the file",
                       with(pieces, [&](QByteArray& b) { setBe32(b, second, 0x00100000u); })});
    }
    out.push_back({"IDAT truncated inside its data", valid.left(idat + 8 + 10)});
    out.push_back({"IEND CRC wrong", with(valid, [](QByteArray& b) { b[b.size() - 1] = 0; })});
    out.push_back({"IEND missing", valid.left(iend)});
    out.push_back({"IEND before the image data", valid.left(idat) + pngChunk("IEND", {}) + valid.mid(idat)});
    out.push_back({"unknown critical chunk", valid.left(idat) + pngChunk("CRIT", "x") + valid.mid(idat)});
    out.push_back({"chunk type with a digit", valid.left(idat) + pngChunk("te5t", "x") + valid.mid(idat)});
    out.push_back({"second IHDR", valid.left(idat) + valid.mid(8, 25) + valid.mid(idat)});
    out.push_back(
        {"chunk length over 2^31", with(valid, [&](QByteArray& b) { setBe32(b, idat, 0x80000010u); })});
    // A damaged ancillary chunk is skipped by the decoder.
    out.push_back(
        {"bKGD CRC wrong",
         with(valid.left(33) + pngChunk("bKGD", bkgdRgb(0, 0, 255)) + valid.mid(33),
              [](QByteArray& b) { b[33 + 12 + 6 - 1] = static_cast<char>(b[33 + 12 + 6 - 1] ^ 1); }),
         true});
    return out;
}

// ---- BMP ----

std::vector<CorruptFile> corruptBmps() {
    const QByteArray valid = validFile(QStringLiteral("bmp"));
    std::vector<CorruptFile> out;
    addTruncations(out, valid, {1, 2, 10, 14, 18, 30, 53, static_cast<int>(valid.size()) - 1}, -1);
    const auto field32 = [&](const char* what, int offset, std::uint32_t value, bool mayLoad = false) {
        out.push_back({what, with(valid, [&](QByteArray& b) { setLe32(b, offset, value); }), mayLoad});
    };
    const auto field16 = [&](const char* what, int offset, std::uint32_t value, bool mayLoad = false) {
        out.push_back({what, with(valid, [&](QByteArray& b) { setLe16(b, offset, value); }), mayLoad});
    };
    field32("pixel offset beyond the file", 10, 100000);
    field32("pixel offset inside the header", 10, 20);
    field32("header size 0", 14, 0);
    field32("header size 7", 14, 7);
    field32("header size 1000", 14, 1000);
    field32("width 0", 18, 0);
    field32("height 0", 22, 0);
    field32("width negative", 18, static_cast<std::uint32_t>(-8));
    field32("height most negative", 22, 0x80000000u);
    field32("width 40000", 18, 40000);
    out.push_back({"40000 x 30000", with(valid, [](QByteArray& b) {
                       setLe32(b, 18, 40000);
                       setLe32(b, 22, 30000);
                   })});
    field16("bit count 0", 28, 0);
    field16("bit count 7", 28, 7);
    field16("bit count 64", 28, 64);
    field32("compression 99", 30, 99);
    field32("run-length compression for 24 bits", 30, 1);
    field32("colours used huge", 46, 0xFFFFFFFFu, true);
    // An 8-bit image whose run-length data ends early: the reader keeps what it decoded.
    {
        QByteArray rle = valid.left(54);
        setLe16(rle, 28, 8);
        setLe32(rle, 30, 1);
        setLe32(rle, 10, 54 + 8);
        setLe32(rle, 46, 2);
        putLe32(rle, 0x00000000);
        putLe32(rle, 0x00FFFFFF);
        rle.append("\x08\x01\x08\x00", 4); // 8 pixels of index 1, then 8 of index 0, no end of line
        setLe32(rle, 2, static_cast<std::uint32_t>(rle.size()));
        out.push_back({"8-bit run-length data ending early", rle, true});
        QByteArray delta = rle;
        delta.append("\x00\x02\x7F\x7F", 4); // a move far outside the image
        out.push_back({"8-bit run-length move outside the image", delta, true});
    }
    return out;
}

// ---- GIF ----

// Offsets in a GIF made by makeGif with a 4-entry table and a graphic control extension.
constexpr int kGifScreen = 6;
constexpr int kGifFlags = 10;
constexpr int kGifControl = 13 + 12;
constexpr int kGifDescriptor = kGifControl + 8;
constexpr int kGifCodeSize = kGifDescriptor + 10;

std::vector<CorruptFile> corruptGifs() {
    const QByteArray valid = validFile(QStringLiteral("gif"));
    std::vector<CorruptFile> out;
    // Cut right before the trailer, the frame is complete.
    addTruncations(out, valid, {3, 6, 9, 12, 14, kGifControl + 4, kGifDescriptor + 5, kGifCodeSize + 1},
                   static_cast<int>(valid.size()) - 1);
    const auto change = [&](const char* what, const std::function<void(QByteArray&)>& f,
                            bool mayLoad = false) {
        out.push_back({what, with(valid, f), mayLoad});
    };
    change("signature GIF88a", [](QByteArray& b) { b[4] = '8'; });
    change("screen 0 x 0", [](QByteArray& b) { setLe32(b, kGifScreen, 0); });
    change("screen 40000 x 30000", [](QByteArray& b) {
        setLe16(b, kGifScreen, 40000);
        setLe16(b, kGifScreen + 2, 30000);
    });
    change("frame width 0", [](QByteArray& b) { setLe16(b, kGifDescriptor + 5, 0); });
    change("frame 65535 x 65535", [](QByteArray& b) { setLe32(b, kGifDescriptor + 5, 0xFFFFFFFFu); });
    change("no colour table", [](QByteArray& b) {
        b[kGifFlags] = 0;
        b.remove(13, 12);
    });
    change("code size 12", [](QByteArray& b) { b[kGifCodeSize] = 12; });
    change("unknown block", [](QByteArray& b) { b[kGifDescriptor] = static_cast<char>(0x99); });
    change("sub-block longer than the file",
           [](QByteArray& b) { b[kGifCodeSize + 1] = static_cast<char>(0xFF); });
    change("extension truncated inside", [](QByteArray& b) { b.truncate(kGifControl + 5); });
    change(
        "frame left beyond the screen", [](QByteArray& b) { setLe16(b, kGifDescriptor + 1, 60000); }, true);
    change(
        "transparent index beyond the table",
        [](QByteArray& b) { b[kGifControl + 6] = static_cast<char>(200); }, true);
    change(
        "graphic control of length 5",
        [](QByteArray& b) {
            b[kGifControl + 2] = 5;
            b.insert(kGifControl + 7, '\0');
        },
        true);
    change("only the trailer", [](QByteArray& b) {
        b.truncate(kGifControl);
        b.append(';');
    });
    change("end code before the last row", [](QByteArray& b) {
        setLe16(b, kGifScreen + 2, 12);
        setLe16(b, kGifDescriptor + 7, 12);
    });
    // Clear (4), a literal, then code 7 while the next free entry is 6.
    change("code beyond the table", [](QByteArray& b) {
        b.truncate(kGifCodeSize + 1);
        b.append(gifCodeBlocks({4, 0, 7, 7, 7, 5}, 3));
        b.append(';');
    });
    change("no image data", [](QByteArray& b) {
        b.truncate(kGifCodeSize + 1);
        b.append('\0');
        b.append(';');
    });
    return out;
}

// ---- TIFF ----

// The value field of the entry with `tag` in the first directory of a little-endian TIFF, or −1.
qsizetype tiffEntry(const QByteArray& tiff, int tag) {
    const qsizetype ifd = le32At(tiff, 4);
    const auto count = static_cast<int>(le16At(tiff, ifd));
    for (int i = 0; i < count; ++i) {
        const qsizetype entry = ifd + 2 + 12 * i;
        if (static_cast<int>(le16At(tiff, entry)) == tag) {
            return entry;
        }
    }
    return -1;
}

std::vector<CorruptFile> corruptTiffs() {
    const QByteArray valid = validFile(QStringLiteral("tiff"));
    std::vector<CorruptFile> out;
    // Only the last byte of the next-directory offset missing: the reader takes the image.
    addTruncations(out, valid, {2, 4, 8, 100, static_cast<int>(valid.size()) - 1},
                   static_cast<int>(valid.size()) - 1);
    const auto entry = [&](const char* what, int tag, std::uint32_t value, bool mayLoad = false) {
        out.push_back({what,
                       with(valid,
                            [&](QByteArray& b) {
                                const qsizetype at = tiffEntry(b, tag);
                                if (le16At(b, at + 2) == 3) {
                                    setLe16(b, at + 8, value);
                                } else {
                                    setLe32(b, at + 8, value);
                                }
                            }),
                       mayLoad});
    };
    out.push_back({"byte order II with magic 43", with(valid, [](QByteArray& b) { b[2] = 43; })});
    out.push_back({"directory beyond the file", with(valid, [](QByteArray& b) { setLe32(b, 4, 1000000); })});
    out.push_back({"directory at 0", with(valid, [](QByteArray& b) { setLe32(b, 4, 0); })});
    out.push_back(
        {"directory entry count huge", with(valid, [](QByteArray& b) { setLe16(b, le32At(b, 4), 0xFFFF); })});
    entry("width 0", 256, 0);
    entry("height 0", 257, 0);
    out.push_back({"40000 x 30000", with(valid, [](QByteArray& b) {
                       setLe16(b, tiffEntry(b, 256) + 8, 40000);
                       setLe16(b, tiffEntry(b, 257) + 8, 30000);
                   })});
    entry("strip offset beyond the file", 273, 1000000);
    entry("strip byte count beyond the file", 279, 1000000, true); // recomputed from the size
    entry("strip byte count 0", 279, 0, true);
    entry("samples per pixel 0", 277, 0);
    entry("compression 9999", 259, 9999);
    entry("photometric 99", 262, 99);
    entry("LZW compression of raw data", 259, 5, true);
    entry("rows per strip 0", 278, 0, true);
    out.push_back({"bits per sample 3", with(valid, [](QByteArray& b) {
                       const qsizetype values = le32At(b, tiffEntry(b, 258) + 8);
                       for (int i = 0; i < 3; ++i) {
                           setLe16(b, values + 2 * i, 3);
                       }
                   })});
    out.push_back(
        {"no strip offsets", with(valid, [](QByteArray& b) { setLe16(b, tiffEntry(b, 273), 999); })});
    out.push_back(
        {"width as text", with(valid, [](QByteArray& b) { setLe16(b, tiffEntry(b, 256) + 2, 2); }), true});
    out.push_back({"next directory is itself",
                   with(valid,
                        [](QByteArray& b) {
                            const qsizetype ifd = le32At(b, 4);
                            setLe32(b, ifd + 2 + 12 * le16At(b, ifd), static_cast<std::uint32_t>(ifd));
                        }),
                   true});
    return out;
}

// ---- JPEG ----

struct JpegSegment {
    int marker = 0;
    qsizetype at = 0; // offset of the 0xFF
    int length = 0;   // the length field (0 for markers without one)
};

// The segments from SOI to SOS (the entropy-coded data follows the last one).
std::vector<JpegSegment> jpegSegments(const QByteArray& jpeg) {
    std::vector<JpegSegment> out;
    qsizetype at = 2;
    while (at + 4 <= jpeg.size() && static_cast<std::uint8_t>(jpeg[at]) == 0xFF) {
        const int marker = static_cast<std::uint8_t>(jpeg[at + 1]);
        const int length = static_cast<int>(be16At(jpeg, at + 2));
        out.push_back({marker, at, length});
        if (marker == 0xDA) {
            break;
        }
        at += 2 + length;
    }
    return out;
}

const JpegSegment& segment(const std::vector<JpegSegment>& segments, int marker) {
    return *std::find_if(segments.begin(), segments.end(),
                         [&](const JpegSegment& s) { return s.marker == marker; });
}

std::vector<CorruptFile> corruptJpegs() {
    const QByteArray valid = validFile(QStringLiteral("jpeg"));
    const std::vector<JpegSegment> segments = jpegSegments(valid);
    const JpegSegment& sof = segment(segments, 0xC0);
    const JpegSegment& dqt = segment(segments, 0xDB);
    const JpegSegment& dht = segment(segments, 0xC4);
    const JpegSegment& sos = segment(segments, 0xDA);
    const qsizetype scan = sos.at + 2 + sos.length;
    std::vector<CorruptFile> out;
    // The JPEG decoder fills a picture whose entropy-coded data ends early and reports success.
    addTruncations(out, valid,
                   {2, 3, 4, 20, static_cast<int>(dqt.at) + 10, static_cast<int>(sof.at) + 6,
                    static_cast<int>(scan), static_cast<int>(scan) + 20, static_cast<int>(valid.size()) - 2},
                   static_cast<int>(scan));
    const auto change = [&](const char* what, const std::function<void(QByteArray&)>& f,
                            bool mayLoad = false) {
        out.push_back({what, with(valid, f), mayLoad});
    };
    change("height 0", [&](QByteArray& b) { setBe16(b, sof.at + 5, 0); });
    change("width 0", [&](QByteArray& b) { setBe16(b, sof.at + 7, 0); });
    change("40000 x 30000", [&](QByteArray& b) {
        setBe16(b, sof.at + 5, 30000);
        setBe16(b, sof.at + 7, 40000);
    });
    change("65535 x 65535", [&](QByteArray& b) { setBe32(b, sof.at + 5, 0xFFFFFFFFu); });
    change("0 components", [&](QByteArray& b) { b[sof.at + 9] = 0; });
    change("precision 13", [&](QByteArray& b) { b[sof.at + 4] = 13; });
    change("quantisation table 3 undefined", [&](QByteArray& b) { b[sof.at + 12] = 3; });
    // The decoder skips the bytes up to the next marker.
    change(
        "segment length 1", [&](QByteArray& b) { setBe16(b, segments.front().at + 2, 1); }, true);
    change("quantisation segment longer than the file",
           [&](QByteArray& b) { setBe16(b, dqt.at + 2, 0xFFFF); });
    change("Huffman counts over 256", [&](QByteArray& b) {
        for (int i = 0; i < 16; ++i) {
            b[dht.at + 5 + i] = static_cast<char>(0xFF);
        }
    });
    change("scan of a component not in the frame", [&](QByteArray& b) { b[sos.at + 5] = 9; });
    change("scan with Huffman table 5", [&](QByteArray& b) { b[sos.at + 6] = 0x55; });
    change("unknown marker before the frame", [&](QByteArray& b) { b[dqt.at + 1] = 0x02; });
    change("no scan", [&](QByteArray& b) { b = b.left(sos.at) + QByteArray("\xFF\xD9", 2); });
    change(
        "noise in the entropy-coded data",
        [&](QByteArray& b) {
            for (qsizetype i = scan + 4; i < std::min(scan + 40, b.size() - 2); i += 3) {
                b[i] = static_cast<char>(b[i] ^ 0x5A);
            }
        },
        true);
    change(
        "progressive frame marker on baseline data",
        [&](QByteArray& b) { b[sof.at + 1] = static_cast<char>(0xC2); }, true);
    change(
        "arithmetic-coding frame marker", [&](QByteArray& b) { b[sof.at + 1] = static_cast<char>(0xC9); },
        true);
    return out;
}

} // namespace

std::vector<CorruptFile> corruptFiles(const QString& format) {
    if (format == QLatin1String("png")) {
        return corruptPngs();
    }
    if (format == QLatin1String("bmp")) {
        return corruptBmps();
    }
    if (format == QLatin1String("gif")) {
        return corruptGifs();
    }
    if (format == QLatin1String("tiff")) {
        return corruptTiffs();
    }
    return corruptJpegs();
}

} // namespace corvane::test
