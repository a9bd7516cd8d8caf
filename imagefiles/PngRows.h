#pragma once

// Internal to the PNG reader: reconstructing the filtered rows of 8-bit samples and writing them out as
// 32-bit pixels in one step.

#include <array>
#include <cstddef>
#include <cstdint>

namespace corvane::png {

// The sample layouts of 8-bit rows, by colour type.
enum class Samples { Grey, GreyAlpha, Rgb, Rgba, Palette };

constexpr std::size_t bytesPerPixel(Samples samples) {
    switch (samples) {
    case Samples::Grey:
    case Samples::Palette:
        return 1;
    case Samples::GreyAlpha:
        return 2;
    case Samples::Rgb:
        return 3;
    case Samples::Rgba:
        return 4;
    }
    return 4;
}

// Bytes that must be readable after the end of every row handed to decodeRow() (the filtered row, the
// prior and the reconstructed row): the kernels load whole pixels and groups of pixels.
inline constexpr std::size_t kRowSlack = 16;

// How a row's samples become pixels.
struct RowLayout {
    Samples samples = Samples::Rgb;
    std::size_t width = 0;
    // Grey and palette rows: the pixel of each sample value.
    std::array<std::uint32_t, 256> table{};
    // RGB rows: pixels of exactly this colour (0x00RRGGBB) are fully transparent when `hasKey`.
    bool hasKey = false;
    std::uint32_t key = 0;
};

// Reconstructs one row and writes its pixels as 32-bit words 0xAARRGGBB (B, G, R, A in memory) to `out`.
// `filtered` is the filter type byte followed by the row's filtered bytes; `prior` holds the previous
// row's reconstructed bytes (zeros above the first row) and `raw` receives this row's. `raw` must not
// overlap the others; `out` may overlap the bytes of `filtered` that come after the pixel being written
// (each pixel is read before its output is stored, and the output never runs ahead of the input). The
// alpha bytes written are ANDed into `alphaAnd`'s top byte. False for a filter type above 4; `out` is
// then partly written.
bool decodeRow(const RowLayout& layout, const std::uint8_t* filtered, const std::uint8_t* prior,
               std::uint8_t* raw, std::uint8_t* out, std::uint32_t& alphaAnd);

// Reconstructs two consecutive rows at once when the second can follow the first pixel by pixel: both
// with a filter that chains each pixel to its left neighbour (sub, average or Paeth), RGB without a key
// colour or RGBA samples, and a processor with SSSE3; the two chains then run side by side. `raw0` and
// `raw1` receive the rows' reconstructed bytes (`raw1` is the prior of the row after them); the buffers
// follow decodeRow()'s rules, `out0` and `out1` being the rows' pixels. False, with nothing written, when
// the pair does not qualify: the caller then goes row by row.
bool decodeRowPair(const RowLayout& layout, const std::uint8_t* filtered0, const std::uint8_t* filtered1,
                   const std::uint8_t* prior, std::uint8_t* raw0, std::uint8_t* raw1, std::uint8_t* out0,
                   std::uint8_t* out1, std::uint32_t& alphaAnd);

} // namespace corvane::png
