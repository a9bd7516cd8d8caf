#include "platform/DeviceBitmap.h"

#include "platform/Pixel565.h"

#include <cassert>
#include <cstring>
#include <limits>
#include <utility>

namespace corvane {

int deviceRowStride(int width, int bitsPerPixel) {
    if (!isSupportedDepth(bitsPerPixel) || width <= 0) {
        return 0;
    }
    const long long bytes = static_cast<long long>(width) * (bitsPerPixel / 8);
    const long long padded = bitsPerPixel == 24 ? (bytes + 1) / 2 * 2 : bytes;
    return padded > std::numeric_limits<int>::max() ? 0 : static_cast<int>(padded);
}

DeviceBitmap DeviceBitmap::create(int width, int height, int bitsPerPixel) {
    DeviceBitmap bitmap;
    const int stride = deviceRowStride(width, bitsPerPixel);
    if (stride == 0 || height <= 0) {
        return bitmap;
    }
    bitmap.m_bits =
        allocateBuffer<std::uint8_t>(static_cast<std::size_t>(stride) * static_cast<std::size_t>(height),
                                     /*zeroed=*/true);
    if (bitmap.m_bits) {
        bitmap.m_geometry = {width, height, stride, bitsPerPixel};
    }
    return bitmap;
}

DeviceBitmap DeviceBitmap::adopt(Buffer<std::uint8_t> bits, int width, int height, int bitsPerPixel) {
    DeviceBitmap bitmap;
    const int stride = deviceRowStride(width, bitsPerPixel);
    if (!bits || stride == 0 || height <= 0) {
        return bitmap;
    }
    bitmap.m_bits = std::move(bits);
    bitmap.m_geometry = {width, height, stride, bitsPerPixel};
    return bitmap;
}

DeviceBitmap DeviceBitmap::fromArgb32(const std::uint8_t* pixels, int width, int height,
                                      std::ptrdiff_t stride, int bitsPerPixel) {
    DeviceBitmap bitmap = create(width, height, bitsPerPixel);
    if (bitmap.isNull() || pixels == nullptr) {
        return {};
    }
    bitmap.assignArgb32(pixels, stride, /*keepAlpha=*/true);
    return bitmap;
}

void DeviceBitmap::assignArgb32(const std::uint8_t* pixels, std::ptrdiff_t stride, bool keepAlpha) {
    const int w = width();
    const std::uint32_t alphaMask = keepAlpha ? 0xFFFFFFFFu : 0x00FFFFFFu;
    for (int y = 0; y < height(); ++y) {
        const std::uint8_t* in = pixels + y * stride;
        std::uint8_t* out = row(y);
        switch (bitsPixel()) {
        case 16:
            for (int x = 0; x < w; ++x, in += 4, out += 2) {
                const auto word =
                    static_cast<std::uint16_t>(((in[2] >> 3) << 11) | ((in[1] >> 2) << 5) | (in[0] >> 3));
                out[0] = static_cast<std::uint8_t>(word & 0xFF);
                out[1] = static_cast<std::uint8_t>(word >> 8);
            }
            break;
        case 24:
            for (int x = 0; x < w; ++x, in += 4, out += 3) {
                std::memcpy(out, in, 3);
            }
            break;
        default:
            for (int x = 0; x < w; ++x) {
                std::uint32_t pixel;
                std::memcpy(&pixel, in + 4 * x, 4);
                pixel &= alphaMask;
                std::memcpy(out + 4 * x, &pixel, 4);
            }
            break;
        }
    }
}

void DeviceBitmap::toArgb32(std::uint8_t* pixels, std::ptrdiff_t stride) const {
    for (int y = 0; y < height(); ++y) {
        const std::uint8_t* in = row(y);
        std::uint8_t* out = pixels + y * stride;
        switch (bitsPixel()) {
        case 16:
            for (int x = 0; x < width(); ++x, in += 2, out += 4) {
                const auto word = static_cast<std::uint16_t>(in[0] | (in[1] << 8));
                out[0] = Expand5(blue5Of(word));
                out[1] = Expand6(green6Of(word));
                out[2] = Expand5(red5Of(word));
                out[3] = 255;
            }
            break;
        case 24:
            for (int x = 0; x < width(); ++x, in += 3, out += 4) {
                std::memcpy(out, in, 3);
                out[3] = 255;
            }
            break;
        default:
            std::memcpy(out, in, static_cast<std::size_t>(width()) * 4);
            break;
        }
    }
}

DeviceBitmap::DeviceBitmap(DeviceBitmap&& other) noexcept
    : m_geometry(std::exchange(other.m_geometry, {})), m_bits(std::move(other.m_bits)) {}

DeviceBitmap& DeviceBitmap::operator=(DeviceBitmap&& other) noexcept {
    m_geometry = std::exchange(other.m_geometry, {});
    m_bits = std::move(other.m_bits);
    return *this;
}

DeviceBitmap DeviceBitmap::clone() const {
    DeviceBitmap copy;
    if (isNull()) {
        return copy;
    }
    copy.m_bits = allocateBuffer<std::uint8_t>(sizeBytes());
    if (copy.m_bits) {
        std::memcpy(copy.m_bits.get(), m_bits.get(), sizeBytes());
        copy.m_geometry = m_geometry;
    }
    return copy;
}

bool DeviceBitmap::getBits(std::span<std::uint8_t> out) const {
    if (isNull() || out.size() != sizeBytes()) {
        return false;
    }
    std::memcpy(out.data(), m_bits.get(), out.size());
    return true;
}

bool DeviceBitmap::setBits(std::span<const std::uint8_t> in) {
    if (isNull() || in.size() != sizeBytes()) {
        return false;
    }
    std::memmove(m_bits.get(), in.data(), in.size());
    return true;
}

ColorRef DeviceBitmap::pixel(int x, int y) const {
    assert(contains(x, y));
    const std::uint8_t* p = row(y) + static_cast<std::ptrdiff_t>(x) * bytesPerPixel();
    if (bitsPixel() == 16) {
        return colorFromWord(static_cast<std::uint16_t>(p[0] | (p[1] << 8)));
    }
    return makeColor(p[2], p[1], p[0]);
}

void DeviceBitmap::setPixel(int x, int y, ColorRef color) {
    assert(contains(x, y));
    std::uint8_t* p = row(y) + static_cast<std::ptrdiff_t>(x) * bytesPerPixel();
    if (bitsPixel() == 16) {
        const std::uint16_t word = wordFromColor(color);
        p[0] = static_cast<std::uint8_t>(word & 0xFF);
        p[1] = static_cast<std::uint8_t>(word >> 8);
        return;
    }
    p[0] = blueOf(color);
    p[1] = greenOf(color);
    p[2] = redOf(color);
}

} // namespace corvane
