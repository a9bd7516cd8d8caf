#pragma once

// PNG files made by the tests' own encoder, with every row filter, split image data and extra chunks, and
// the same files decoded by Qt's reader for comparison.

#include <QByteArray>
#include <QImage>
#include <QList>

#include <cstdint>
#include <vector>

namespace corvane::test {

// Samples of an 8-bit PNG per colour type: 0 grey, 2 RGB, 3 palette index, 4 grey and alpha, 6 RGBA.
int pngChannels(int colourType);

struct PngLayout {
    int width = 1;
    int height = 1;
    int colourType = 2;
    std::vector<std::uint8_t> samples; // height rows of width × channels bytes, without filter bytes
    std::vector<int> filters;          // the filter of each row, repeated when shorter; empty: none (0)
    QList<QByteArray> chunks;          // whole chunks between IHDR and the image data (PLTE, tRNS, …)
    std::vector<int> split;            // sizes of the first IDAT chunks, the rest in a last one
    bool lastByteAlone = false;        // the stream's last byte in an IDAT chunk of its own
};

// Filters each row as the layout says, compresses the rows with zlib and writes signature, IHDR, the
// chunks, the IDAT chunks and IEND.
QByteArray encodePng(const PngLayout& layout);

// Samples from a fixed pseudo-random sequence; `seed` picks the sequence.
std::vector<std::uint8_t> randomSamples(std::size_t count, std::uint32_t seed);

// Qt's reading of a PNG as Format_ARGB32, or a null image when Qt refuses it.
QImage decodeWithQt(const QByteArray& png);

} // namespace corvane::test
