#pragma once

// Small image files made by the tests' own code: valid files of the five formats with the features the
// loader must handle (alpha, palettes with tRNS, bKGD, interlaced GIF frames, BMP fourth bytes), and a
// set of damaged variants of each format.

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QString>
#include <QtGlobal>

#include <cstdint>
#include <string>
#include <vector>

namespace corvane::test {

// While it lives, Qt's warnings are dropped: the decoders' libraries warn about every damaged file on
// stderr, and the tests check the statuses instead.
class QuietWarnings {
public:
    QuietWarnings()
        : m_previous(qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {})) {}
    ~QuietWarnings() { qInstallMessageHandler(m_previous); }
    QuietWarnings(const QuietWarnings&) = delete;
    QuietWarnings& operator=(const QuietWarnings&) = delete;

private:
    QtMessageHandler m_previous;
};

// ---- PNG ----

// One chunk: length, type, data and CRC.
QByteArray pngChunk(const char* type, const QByteArray& data);

// A PNG from raw scanlines (without filter bytes; filter 0 is added to each row). `extra` chunks go
// between IHDR and IDAT (PLTE, tRNS, bKGD, …).
QByteArray makePng(int width, int height, int bitDepth, int colourType, const QByteArray& rows,
                   const QList<QByteArray>& extra = {});

// An 8-bit RGBA PNG (colour type 6) of the image's non-premultiplied pixels.
QByteArray rgbaPng(const QImage& image, const QList<QByteArray>& extra = {});

// An 8-bit bKGD chunk of RGB samples (16-bit fields) or of a grey sample.
QByteArray bkgdRgb(int red, int green, int blue);
QByteArray bkgdGrey(int grey);

// ---- BMP ----

// A bottom-up BMP with a 40-byte header: 24 bits (alpha ignored) or 32 bits, whose fourth bytes are the
// image's alpha values (BI_RGB, so readers take them as unused).
QByteArray makeBmp(const QImage& image, int bits);

// ---- GIF ----

struct GifFrame {
    int screenWidth = 0;
    int screenHeight = 0;
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    QList<QRgb> palette;               // global colour table (2 … 256 entries, a power of two)
    std::vector<std::uint8_t> indices; // width × height, rows top to bottom
    int transparentIndex = -1;         // graphic control extension when ≥ 0
    bool interlaced = false;
};

// A GIF89a file of one frame. The LZW stream sends every pixel as a literal code and clears the table
// before the code size would grow, so each code has the same width.
QByteArray makeGif(const GifFrame& frame);

// Codes of `width` bits packed from the low bit up, in sub-blocks of at most 255 bytes, with the
// terminating empty block: the image data of a GIF frame after its code size.
QByteArray gifCodeBlocks(const std::vector<int>& codes, int width);

// ---- TIFF ----

// An uncompressed, single-strip TIFF (little-endian unless `bigEndian`) of the image: RGB, or RGBA with
// unassociated alpha when `alpha`.
QByteArray makeTiff(const QImage& image, bool alpha, bool bigEndian = false);

// ---- JPEG ----

// A baseline JPEG of the image, encoded by Qt's writer at quality 90.
QByteArray makeJpeg(const QImage& image);

// ---- Test pictures and damaged files ----

// A small picture with varied colours (w × h, opaque).
QImage patternImage(int width, int height);

// A valid 8 × 6 file of the canonical format ("jpeg", "gif", "bmp", "png", "tiff"): patternImage(8, 6)
// as RGBA PNG, 24-bit BMP, RGB TIFF and JPEG; a GIF of a 4-entry table with a transparent entry.
QByteArray validFile(const QString& format);

struct CorruptFile {
    std::string what; // the damage, for test names and failure messages
    QByteArray bytes;
    bool mayLoad = false; // the decoder may legitimately recover an image from it
};

// Damaged variants of validFile(format): truncations, flipped header fields, bad lengths, CRCs, codes and
// offsets, zero and huge dimensions. At least 20 per format.
std::vector<CorruptFile> corruptFiles(const QString& format);

} // namespace corvane::test
