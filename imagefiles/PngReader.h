#pragma once

#include "imagefiles/ImageFormat.h"
#include "platform/Allocation.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <span>

namespace corvane {

// What readPng() made of a file.
enum class PngOutcome {
    Decoded,     // the image is in the PngImage
    Declined,    // a file this reader leaves to the general PNG decoder: 16-bit or sub-byte samples,
                 // interlacing, a suggested palette after tRNS, image data longer than the image or
                 // damaged inside its compressed stream; nothing is decoded
    Corrupt,     // refused; the reason says why
    TooLarge,    // the IHDR size is over the limits (the PngImage has the size)
    OutOfMemory, // a buffer could not be allocated
};

struct PngResult {
    PngOutcome outcome = PngOutcome::Declined;
    QString reason; // for Corrupt: what is wrong, in the interface's language
};

// A decoded 8-bit PNG: width × height pixels as Format_ARGB32 words (B, G, R, A in memory, not
// premultiplied), rows of 4 × width bytes top to bottom from the start of `pixels`. The buffer is a little
// longer than the rows (the reader's working space) and comes from allocateBuffer(), so a 32-bit surface
// can take it over.
struct PngImage {
    Buffer<std::uint8_t> pixels;
    int width = 0;
    int height = 0;
    bool translucent = false; // some pixel has alpha below 255
};

// Reads a whole PNG file (signature included) with 8-bit samples of colour type 0, 2, 3, 4 or 6, not
// interlaced. The chunks are walked with their CRCs checked and every length held against the file; the
// image data is inflated in one call into a buffer of exactly the size that the header gives, and each
// row is reconstructed and written out as pixels in one step. Files are judged as the general decoder
// judges them: a damaged critical chunk, a missing palette, a bad zlib header, image data that inflates
// short or a bad row filter refuse the file; a damaged ancillary chunk is skipped; a tRNS chunk gives the
// transparent grey level, colour or palette alphas. Images over `maxPixels` or kMaxImageSide are refused
// before anything is allocated. Never reads outside `file`.
PngResult readPng(std::span<const std::uint8_t> file, PngImage& out, qint64 maxPixels = kMaxImagePixels);

// The same on a file whose bytes may be moved about meanwhile: the image data of several IDAT chunks is
// joined where it lies rather than in a copy (sparing the memory of one), and every byte is back in its
// place when the function returns.
PngResult readPngInPlace(std::span<std::uint8_t> file, PngImage& out, qint64 maxPixels = kMaxImagePixels);

} // namespace corvane
