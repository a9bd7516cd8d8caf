#include "views/ColorStatistics.h"

#include "platform/Allocation.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace corvane {

namespace {

// Slot of a pure colour by its red, green and blue bits (4, 2, 1); slot 8 counts every other pixel.
constexpr std::size_t kSlotOfBits[8] = {7, 6, 4, 5, 3, 2, 1, 0};
constexpr std::size_t kOtherSlot = 8;

// 24-bit pixel value B | G << 8 | R << 16 → slot. A value is pure when every byte is 0 or 255, i.e. the
// eight bits of each byte are equal: bit i and bit i + 1 of the same byte never differ.
inline std::size_t slotOf24(std::uint32_t v) {
    if (((v ^ (v >> 1)) & 0x7F7F7Fu) != 0) {
        return kOtherSlot;
    }
    return kSlotOfBits[((v >> 14) & 4u) | ((v >> 7) & 2u) | (v & 1u)];
}

// 16-bit 5-6-5 word → slot: each channel must be at 0 or at its maximum (31, 63, 31).
inline std::size_t slotOf16(std::uint16_t w) {
    const unsigned red = w >> 11;
    const unsigned green = (w >> 5) & 63u;
    const unsigned blue = w & 31u;
    if ((red != 0 && red != 31) || (green != 0 && green != 63) || (blue != 0 && blue != 31)) {
        return kOtherSlot;
    }
    return kSlotOfBits[((red & 1u) << 2) | ((green & 1u) << 1) | (blue & 1u)];
}

inline std::uint32_t load24(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16);
}

inline std::uint16_t load16(const std::uint8_t* p) {
    std::uint16_t w;
    std::memcpy(&w, p, sizeof w);
    return w;
}

// Calls f(value) for every pixel's colour value: the 16-bit word, or the 24-bit B, G, R value.
template <class F>
void forEachColor(const DeviceBitmap& bitmap, F&& f) {
    const int width = bitmap.width();
    const int bytesPerPixel = bitmap.bytesPerPixel();
    for (int y = 0; y < bitmap.height(); ++y) {
        const std::uint8_t* p = bitmap.row(y);
        if (bytesPerPixel == 2) {
            for (int x = 0; x < width; ++x, p += 2) {
                f(std::uint32_t{load16(p)});
            }
        } else {
            for (int x = 0; x < width; ++x, p += bytesPerPixel) {
                f(load24(p));
            }
        }
    }
}

} // namespace

PureColorCounts countPureColors(const DeviceBitmap& bitmap) {
    PureColorCounts counts{};
    if (bitmap.isNull() || !isSupportedDepth(bitmap.bitsPixel())) {
        return counts;
    }
    std::uint64_t slots[9] = {};
    if (bitmap.bitsPixel() == 16) {
        forEachColor(bitmap, [&](std::uint32_t v) { ++slots[slotOf16(static_cast<std::uint16_t>(v))]; });
    } else {
        forEachColor(bitmap, [&](std::uint32_t v) { ++slots[slotOf24(v)]; });
    }
    for (std::size_t i = 0; i < counts.size(); ++i) {
        counts[i] = slots[i];
    }
    return counts;
}

double countDistinctColors(const DeviceBitmap& bitmap) {
    if (bitmap.isNull() || !isSupportedDepth(bitmap.bitsPixel())) {
        return 0;
    }
    std::uint64_t distinct = 0;
    if (bitmap.bitsPixel() == 16) {
        auto seen = allocateBuffer<std::uint8_t>(std::size_t{1} << 16, true);
        if (!seen) {
            return 0;
        }
        forEachColor(bitmap, [&](std::uint32_t v) {
            distinct += seen[v] ^ 1u;
            seen[v] = 1;
        });
    } else {
        // One bit per 24-bit colour: 2 MB.
        auto seen = allocateBuffer<std::uint64_t>(std::size_t{1} << 18, true);
        if (!seen) {
            return 0;
        }
        forEachColor(bitmap, [&](std::uint32_t v) {
            std::uint64_t& word = seen[v >> 6];
            const std::uint64_t bit = std::uint64_t{1} << (v & 63u);
            distinct += (word & bit) == 0 ? 1u : 0u;
            word |= bit;
        });
    }
    return static_cast<double>(distinct);
}

} // namespace corvane
