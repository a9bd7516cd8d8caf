#pragma once

#include "platform/Color.h"
#include "platform/Pixel565.h"

#include <bit>
#include <cstdint>
#include <cstring>
#include <type_traits>

// Reading and writing single pixels of the three device formats. The per-format kernels of the blits
// and of the pixel engine are templates over `Depth`, chosen once per call with dispatchDepth().
namespace corvane {

template <int Bits>
using Depth = std::integral_constant<int, Bits>;

// Calls `f(Depth<16>{})`, `f(Depth<24>{})` or `f(Depth<32>{})`; returns false for other depths.
template <class F>
bool dispatchDepth(int bitsPerPixel, F&& f) {
    switch (bitsPerPixel) {
    case 16:
        f(Depth<16>{});
        return true;
    case 24:
        f(Depth<24>{});
        return true;
    case 32:
        f(Depth<32>{});
        return true;
    default:
        return false;
    }
}

// Little-endian 16-bit word access, independent of the host's byte order (a plain load on
// little-endian hosts, so that word loops vectorise).
inline std::uint16_t loadWord(const std::uint8_t* p) {
    if constexpr (std::endian::native == std::endian::little) {
        std::uint16_t word;
        std::memcpy(&word, p, 2);
        return word;
    } else {
        return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
    }
}
inline void storeWord(std::uint8_t* p, std::uint16_t word) {
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(p, &word, 2);
    } else {
        p[0] = static_cast<std::uint8_t>(word & 0xFF);
        p[1] = static_cast<std::uint8_t>(word >> 8);
    }
}

// A pixel as 8-bit channels (16-bit pixels widened).
struct Rgb8 {
    std::uint8_t r = 0, g = 0, b = 0;
    friend bool operator==(const Rgb8&, const Rgb8&) = default;
};

template <int Bits>
inline Rgb8 loadRgb(const std::uint8_t* p) {
    if constexpr (Bits == 16) {
        const std::uint16_t w = loadWord(p);
        return {Expand5(red5Of(w)), Expand6(green6Of(w)), Expand5(blue5Of(w))};
    } else {
        return {p[2], p[1], p[0]};
    }
}

// Stores 8-bit channels, narrowing them through Quantize5/Quantize6 in the 16-bit format. Leaves the
// fourth byte of a 32-bit pixel alone.
template <int Bits>
inline void storeRgb(std::uint8_t* p, Rgb8 c) {
    if constexpr (Bits == 16) {
        storeWord(p, pack565(Quantize5(c.r), Quantize6(c.g), Quantize5(c.b)));
    } else {
        p[0] = c.b;
        p[1] = c.g;
        p[2] = c.r;
    }
}

// The raw pixel value that a constant colour becomes in a format: the narrowed 5-6-5 word in 16 bits,
// 0x00RRGGBB (B, G, R, 0 in memory) in 24 and 32 bits.
template <int Bits>
constexpr std::uint32_t rawFromColor(ColorRef color) {
    if constexpr (Bits == 16) {
        return wordFromColor(color);
    } else {
        return (std::uint32_t{redOf(color)} << 16) | (std::uint32_t{greenOf(color)} << 8) | blueOf(color);
    }
}

// The raw colour bits of a pixel, without the fourth byte of a 32-bit pixel.
template <int Bits>
inline std::uint32_t loadRawColor(const std::uint8_t* p) {
    if constexpr (Bits == 16) {
        return loadWord(p);
    } else {
        return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16);
    }
}

// Writes a raw value from rawFromColor(); a 32-bit pixel gets the fourth byte `fourth`.
template <int Bits>
inline void storeRawColor(std::uint8_t* p, std::uint32_t raw, std::uint8_t fourth = 0) {
    if constexpr (Bits == 16) {
        storeWord(p, static_cast<std::uint16_t>(raw));
    } else {
        p[0] = static_cast<std::uint8_t>(raw & 0xFF);
        p[1] = static_cast<std::uint8_t>((raw >> 8) & 0xFF);
        p[2] = static_cast<std::uint8_t>((raw >> 16) & 0xFF);
        if constexpr (Bits == 32) {
            p[3] = fourth;
        }
    }
}

} // namespace corvane
