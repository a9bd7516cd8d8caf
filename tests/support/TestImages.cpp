#include "tests/support/TestImages.h"

#include <cstring>
#include <random>
#include <sstream>

namespace corvane::test {

DeviceBitmap randomBitmap(int width, int height, int bitsPerPixel, std::uint32_t seed) {
    DeviceBitmap bitmap = DeviceBitmap::create(width, height, bitsPerPixel);
    std::mt19937 random(seed);
    const std::size_t rowBytes = static_cast<std::size_t>(width) * static_cast<std::size_t>(bitsPerPixel / 8);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = bitmap.row(y);
        for (std::size_t i = 0; i < rowBytes; ++i) {
            row[i] = static_cast<std::uint8_t>(random() & 0xFF);
        }
    }
    return bitmap;
}

DeviceBitmap perturbedCopy(const DeviceBitmap& image, int percent, std::uint32_t seed) {
    DeviceBitmap copy = image.clone();
    std::mt19937 random(seed);
    const int bpp = image.bytesPerPixel();
    for (int y = 0; y < image.height(); ++y) {
        std::uint8_t* row = copy.row(y);
        for (int x = 0; x < image.width(); ++x) {
            if (static_cast<int>(random() % 100) < percent) {
                for (int i = 0; i < bpp; ++i) {
                    row[x * bpp + i] = static_cast<std::uint8_t>(random() & 0xFF);
                }
            }
        }
    }
    return copy;
}

DeviceBitmap solidBitmap(int width, int height, int bitsPerPixel, std::uint32_t rawColor,
                         std::uint8_t fourth) {
    DeviceBitmap bitmap = DeviceBitmap::create(width, height, bitsPerPixel);
    const int bpp = bitsPerPixel / 8;
    for (int y = 0; y < height; ++y) {
        std::uint8_t* p = bitmap.row(y);
        for (int x = 0; x < width; ++x, p += bpp) {
            p[0] = static_cast<std::uint8_t>(rawColor & 0xFF);
            p[1] = static_cast<std::uint8_t>((rawColor >> 8) & 0xFF);
            if (bpp >= 3) {
                p[2] = static_cast<std::uint8_t>((rawColor >> 16) & 0xFF);
            }
            if (bpp == 4) {
                p[3] = fourth;
            }
        }
    }
    return bitmap;
}

std::string firstDifference(const DeviceBitmap& a, const DeviceBitmap& b) {
    if (a.geometry() != b.geometry()) {
        return "different geometry";
    }
    const int bpp = a.bytesPerPixel();
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            if (std::memcmp(a.row(y) + x * bpp, b.row(y) + x * bpp, static_cast<std::size_t>(bpp)) != 0) {
                std::ostringstream s;
                s << "pixel (" << x << ", " << y << "):";
                for (int i = 0; i < bpp; ++i) {
                    s << ' ' << int{a.row(y)[x * bpp + i]};
                }
                s << " vs";
                for (int i = 0; i < bpp; ++i) {
                    s << ' ' << int{b.row(y)[x * bpp + i]};
                }
                return s.str();
            }
        }
    }
    return {};
}

bool samePixels(const DeviceBitmap& a, const DeviceBitmap& b) {
    return firstDifference(a, b).empty();
}

} // namespace corvane::test
