#pragma once

#include <string_view>

// The pixel format of every surface, chosen once when the program starts: from the screen's depth,
// unless a command-line option or the environment forces 16, 24 or 32 bits.
namespace corvane {

inline constexpr const char* kBitsPerPixelVariable = "CORVANE_BITS_PER_PIXEL";

// 16, 24 or 32 from a text such as "24"; 0 for anything else.
int parseBitsPerPixel(std::string_view text);

// The surface format for a screen depth: 16 → 16, 24 or 32 → 32; 0 for a depth the program cannot run on.
int bitsForScreenDepth(int screenDepth);

// The surface format: `forced` (from the command line; 0 = not given) wins, then the environment value
// (null = not set), then the screen depth. 0 when none of them gives a usable format. A forced or
// environment value that is not 16, 24 or 32 counts as not usable, so a typo never silently picks a format.
int chooseDisplayBits(int forced, const char* environmentValue, int screenDepth);

} // namespace corvane
