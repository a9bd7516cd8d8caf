#pragma once

#include <cstdint>

namespace corvane {

// A colour as the program stores it: red in the low byte, then green, then blue. All bits set means
// "no colour" (no key colour, no transparent colour, no pixel).
using ColorRef = std::uint32_t;

inline constexpr ColorRef kNoColor = 0xFFFFFFFFu;

constexpr ColorRef makeColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    return ColorRef{red} | (ColorRef{green} << 8) | (ColorRef{blue} << 16);
}
constexpr std::uint8_t redOf(ColorRef c) {
    return static_cast<std::uint8_t>(c & 0xFF);
}
constexpr std::uint8_t greenOf(ColorRef c) {
    return static_cast<std::uint8_t>((c >> 8) & 0xFF);
}
constexpr std::uint8_t blueOf(ColorRef c) {
    return static_cast<std::uint8_t>((c >> 16) & 0xFF);
}

inline constexpr ColorRef kBlack = makeColor(0, 0, 0);
inline constexpr ColorRef kWhite = makeColor(255, 255, 255);
inline constexpr ColorRef kRed = makeColor(255, 0, 0);

} // namespace corvane
