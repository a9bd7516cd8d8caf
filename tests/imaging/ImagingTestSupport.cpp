#include "tests/imaging/ImagingTestSupport.h"

#include "platform/PixelAccess.h"

#include <algorithm>
#include <random>
#include <sstream>

namespace corvane::test {

std::string depthName(int bitsPerPixel) {
    return "Bits" + std::to_string(bitsPerPixel);
}

DeviceBitmap rawBitmap(int width, int height, int bitsPerPixel, std::initializer_list<std::uint32_t> raw,
                       std::uint8_t fourth) {
    DeviceBitmap bitmap = DeviceBitmap::create(width, height, bitsPerPixel);
    const auto* value = raw.begin();
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width && value != raw.end(); ++x, ++value) {
            std::uint8_t* p = bitmap.row(y) + x * bitmap.bytesPerPixel();
            if (bitsPerPixel == 16) {
                storeWord(p, static_cast<std::uint16_t>(*value));
            } else {
                p[0] = static_cast<std::uint8_t>(*value & 0xFF);
                p[1] = static_cast<std::uint8_t>((*value >> 8) & 0xFF);
                p[2] = static_cast<std::uint8_t>((*value >> 16) & 0xFF);
                if (bitsPerPixel == 32) {
                    p[3] = fourth;
                }
            }
        }
    }
    return bitmap;
}

std::uint32_t rawAt(const DeviceBitmap& bitmap, int x, int y) {
    const std::uint8_t* p = bitmap.row(y) + x * bitmap.bytesPerPixel();
    if (bitmap.bitsPixel() == 16) {
        return loadWord(p);
    }
    return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16);
}

std::vector<std::uint32_t> rawPixels(const DeviceBitmap& bitmap) {
    std::vector<std::uint32_t> pixels;
    for (int y = 0; y < bitmap.height(); ++y) {
        for (int x = 0; x < bitmap.width(); ++x) {
            pixels.push_back(rawAt(bitmap, x, y));
        }
    }
    return pixels;
}

std::uint8_t fourthAt(const DeviceBitmap& bitmap, int x, int y) {
    return bitmap.row(y)[x * 4 + 3];
}

void markPadding(DeviceBitmap& bitmap, std::uint8_t value) {
    const int used = bitmap.width() * bitmap.bytesPerPixel();
    for (int y = 0; y < bitmap.height(); ++y) {
        std::fill(bitmap.row(y) + used, bitmap.row(y) + bitmap.widthBytes(), value);
    }
}

DeviceBitmap randomMarked(int width, int height, int bitsPerPixel, std::uint32_t seed,
                          std::uint8_t paddingMark) {
    DeviceBitmap bitmap = randomBitmap(width, height, bitsPerPixel, seed);
    markPadding(bitmap, paddingMark);
    return bitmap;
}

DeviceBitmap nudgedCopy(const DeviceBitmap& image, int maxStep, std::uint32_t seed) {
    DeviceBitmap copy = image.clone();
    std::mt19937 random(seed);
    const auto step = [&](int value, int top) {
        const int delta = static_cast<int>(random() % static_cast<unsigned>(2 * maxStep + 1)) - maxStep;
        return std::clamp(value + delta, 0, top);
    };
    for (int y = 0; y < copy.height(); ++y) {
        for (int x = 0; x < copy.width(); ++x) {
            std::uint8_t* p = copy.row(y) + x * copy.bytesPerPixel();
            if (copy.bitsPixel() == 16) {
                const std::uint16_t w = loadWord(p);
                storeWord(p, pack565(static_cast<unsigned>(step(static_cast<int>(red5Of(w)), 31)),
                                     static_cast<unsigned>(step(static_cast<int>(green6Of(w)), 63)),
                                     static_cast<unsigned>(step(static_cast<int>(blue5Of(w)), 31))));
            } else {
                for (int i = 0; i < 3; ++i) {
                    p[i] = static_cast<std::uint8_t>(step(p[i], 255));
                }
            }
        }
    }
    return copy;
}

std::string byteDifference(const DeviceBitmap& expected, const DeviceBitmap& actual) {
    std::string pixels = firstDifference(expected, actual);
    if (!pixels.empty()) {
        return pixels;
    }
    const auto a = expected.bits();
    const auto b = actual.bits();
    const auto mismatch = std::mismatch(a.begin(), a.end(), b.begin());
    if (mismatch.first == a.end()) {
        return {};
    }
    std::ostringstream s;
    s << "padding byte at offset " << (mismatch.first - a.begin()) << ": " << int{*mismatch.first} << " vs "
      << int{*mismatch.second};
    return s.str();
}

} // namespace corvane::test
