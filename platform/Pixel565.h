#pragma once

#include "platform/Color.h"

#include <array>
#include <cstdint>

// Widening and narrowing of the channels of 16-bit 5-6-5 pixels. Every 16-bit operation of the program
// goes through these tables, so a 16-bit surface round-trips through 8-bit values without drifting.
namespace corvane {

namespace detail {
template <int Bits>
constexpr std::array<std::uint8_t, (1 << Bits)> makeExpandTable() {
    constexpr int top = (1 << Bits) - 1;
    std::array<std::uint8_t, (1 << Bits)> table{};
    for (int i = 0; i <= top; ++i) {
        // floor(i * 255 / top + 0.5), computed exactly in integers.
        table[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>((i * 255 * 2 + top) / (2 * top));
    }
    return table;
}

// Narrowing: the first entry not below v; if it equals v, its index; if it exceeds v by at most
// `slack`, the index below it; else its own index.
template <int Bits, int Slack>
constexpr std::array<std::uint8_t, 256> makeQuantizeTable() {
    constexpr auto expand = makeExpandTable<Bits>();
    std::array<std::uint8_t, 256> table{};
    for (int v = 0; v < 256; ++v) {
        int index = 0;
        while (expand[static_cast<std::size_t>(index)] < v) {
            ++index;
        }
        const int entry = expand[static_cast<std::size_t>(index)];
        if (entry != v && entry - v <= Slack) {
            --index;
        }
        table[static_cast<std::size_t>(v)] = static_cast<std::uint8_t>(index);
    }
    return table;
}
} // namespace detail

inline constexpr std::array<std::uint8_t, 32> kExpand5 = detail::makeExpandTable<5>();
inline constexpr std::array<std::uint8_t, 64> kExpand6 = detail::makeExpandTable<6>();
inline constexpr std::array<std::uint8_t, 256> kQuantize5 = detail::makeQuantizeTable<5, 2>();
inline constexpr std::array<std::uint8_t, 256> kQuantize6 = detail::makeQuantizeTable<6, 1>();

// 5- or 6-bit channel index to its 8-bit value, floor(i × 255 / top + 0.5): the tables' entries, computed
// with integer arithmetic so that pixel loops vectorise. The index is masked, so any value is safe.
constexpr std::uint8_t Expand5(unsigned index) {
    return static_cast<std::uint8_t>(((index & 31u) * 510u + 31u) / 62u);
}
constexpr std::uint8_t Expand6(unsigned index) {
    return static_cast<std::uint8_t>(((index & 63u) * 510u + 63u) / 126u);
}
static_assert(
    [] {
        for (unsigned i = 0; i < 64; ++i) {
            if ((i < 32 && Expand5(i) != kExpand5[i]) || Expand6(i) != kExpand6[i]) {
                return false;
            }
        }
        return true;
    }(),
    "Expand5 and Expand6 must give the table entries");

// 8-bit value (masked to 0..255) to its 5- or 6-bit channel index.
constexpr std::uint8_t Quantize5(unsigned value) {
    return kQuantize5[value & 255u];
}
constexpr std::uint8_t Quantize6(unsigned value) {
    return kQuantize6[value & 255u];
}

constexpr std::uint16_t pack565(unsigned red5, unsigned green6, unsigned blue5) {
    return static_cast<std::uint16_t>(((red5 & 31u) << 11) | ((green6 & 63u) << 5) | (blue5 & 31u));
}
constexpr unsigned red5Of(std::uint16_t word) {
    return word >> 11;
}
constexpr unsigned green6Of(std::uint16_t word) {
    return (word >> 5) & 63u;
}
constexpr unsigned blue5Of(std::uint16_t word) {
    return word & 31u;
}

// A colour as the 16-bit format shows it: each channel narrowed and widened again.
constexpr ColorRef QuantizeColor16(ColorRef color) {
    return makeColor(Expand5(Quantize5(redOf(color))), Expand6(Quantize6(greenOf(color))),
                     Expand5(Quantize5(blueOf(color))));
}

// The 16-bit word that stands for a constant colour (narrowed through the tables above).
constexpr std::uint16_t wordFromColor(ColorRef color) {
    return pack565(Quantize5(redOf(color)), Quantize6(greenOf(color)), Quantize5(blueOf(color)));
}

// The widened colour of a 16-bit word.
constexpr ColorRef colorFromWord(std::uint16_t word) {
    return makeColor(Expand5(red5Of(word)), Expand6(green6Of(word)), Expand5(blue5Of(word)));
}

} // namespace corvane
