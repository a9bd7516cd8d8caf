#pragma once

#include "platform/Allocation.h"
#include "platform/Color.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace corvane {

// The geometry of a device bitmap, with the field names every pixel operation reads.
struct BitmapGeometry {
    int bmWidth = 0;      // pixels per row
    int bmHeight = 0;     // rows, top to bottom
    int bmWidthBytes = 0; // bytes from one row to the next
    int bmBitsPixel = 0;  // 16 (5-6-5), 24 (B, G, R) or 32 (B, G, R, fourth byte)

    friend bool operator==(const BitmapGeometry&, const BitmapGeometry&) = default;
};

// True for the three pixel formats the program works in: 16, 24 and 32 bits.
constexpr bool isSupportedDepth(int bitsPerPixel) {
    return bitsPerPixel == 16 || bitsPerPixel == 24 || bitsPerPixel == 32;
}

// Row stride of a device bitmap: 16- and 32-bit rows are unpadded, 24-bit rows are padded to an even
// byte count. Returns 0 for an unsupported depth or a width whose stride would not fit in an int.
int deviceRowStride(int width, int bitsPerPixel);

// An image in the display's pixel format: the stand-in for a device-dependent bitmap. Owns its bytes;
// moves but does not copy implicitly (images are large: copy with clone()). Padding bytes at the end of
// 24-bit rows are zero when the bitmap is created and carry no meaning; pixel operations never write them.
class DeviceBitmap {
public:
    DeviceBitmap() = default;

    // A black bitmap; null when the size or depth is unusable or memory runs out.
    static DeviceBitmap create(int width, int height, int bitsPerPixel);

    // A bitmap that takes over `bits`, which must hold height rows of the device stride for width pixels
    // at `bitsPerPixel`. Null (and `bits` freed) when the size or depth is unusable.
    static DeviceBitmap adopt(Buffer<std::uint8_t> bits, int width, int height, int bitsPerPixel);

    // A bitmap from 8-bit pixels given as 32-bit words 0xAARRGGBB (B, G, R, A in memory). The 16-bit
    // format keeps the top 5, 6 and 5 bits of red, green and blue; the 32-bit format stores alpha as its
    // fourth byte. Null on a bad size or when memory runs out.
    static DeviceBitmap fromArgb32(const std::uint8_t* pixels, int width, int height, std::ptrdiff_t stride,
                                   int bitsPerPixel);

    // Overwrites the whole bitmap with 8-bit pixels of its own size, converted as fromArgb32() does; the
    // fourth byte of 32-bit pixels is alpha when `keepAlpha`, else 0 (a surface carries no alpha).
    void assignArgb32(const std::uint8_t* pixels, std::ptrdiff_t stride, bool keepAlpha);

    // Writes the image as 32-bit words 0xAARRGGBB into `pixels` (width × height, `stride` bytes per row).
    // 16-bit channels are widened through Expand5/Expand6, so fromArgb32(toArgb32(x)) == x. Alpha is the
    // fourth byte in the 32-bit format and 255 otherwise.
    void toArgb32(std::uint8_t* pixels, std::ptrdiff_t stride) const;

    // A moved-from bitmap is null with an empty geometry.
    DeviceBitmap(DeviceBitmap&& other) noexcept;
    DeviceBitmap& operator=(DeviceBitmap&& other) noexcept;
    DeviceBitmap(const DeviceBitmap&) = delete;
    DeviceBitmap& operator=(const DeviceBitmap&) = delete;
    ~DeviceBitmap() = default;

    // A copy of the bytes; null when memory runs out.
    DeviceBitmap clone() const;

    bool isNull() const { return !m_bits; }
    const BitmapGeometry& geometry() const { return m_geometry; }
    int width() const { return m_geometry.bmWidth; }
    int height() const { return m_geometry.bmHeight; }
    int widthBytes() const { return m_geometry.bmWidthBytes; }
    int bitsPixel() const { return m_geometry.bmBitsPixel; }
    int bytesPerPixel() const { return m_geometry.bmBitsPixel / 8; }
    std::size_t sizeBytes() const {
        return static_cast<std::size_t>(m_geometry.bmWidthBytes) *
               static_cast<std::size_t>(m_geometry.bmHeight);
    }

    std::uint8_t* row(int y) { return m_bits.get() + static_cast<std::size_t>(y) * stride(); }
    const std::uint8_t* row(int y) const { return m_bits.get() + static_cast<std::size_t>(y) * stride(); }
    std::span<std::uint8_t> bits() { return {m_bits.get(), sizeBytes()}; }
    std::span<const std::uint8_t> bits() const { return {m_bits.get(), sizeBytes()}; }

    // Whole-buffer reads and writes of bmWidthBytes × bmHeight bytes, padding included. False (and
    // nothing copied) unless the span has exactly that size.
    bool getBits(std::span<std::uint8_t> out) const;
    bool setBits(std::span<const std::uint8_t> in);

    // One pixel as an 8-bit colour (16-bit channels widened). No bounds check beyond a debug assertion.
    ColorRef pixel(int x, int y) const;
    // Sets one pixel's colour; a 16-bit pixel takes the colour narrowed as every constant colour is.
    // The fourth byte of a 32-bit pixel is kept.
    void setPixel(int x, int y, ColorRef color);

    bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < width() && y < height(); }

private:
    std::size_t stride() const { return static_cast<std::size_t>(m_geometry.bmWidthBytes); }

    BitmapGeometry m_geometry;
    Buffer<std::uint8_t> m_bits;
};

} // namespace corvane
