#include "platform/DisplayFormat.h"

#include <string>

namespace corvane {

int parseBitsPerPixel(std::string_view text) {
    if (text == "16") {
        return 16;
    }
    if (text == "24") {
        return 24;
    }
    if (text == "32") {
        return 32;
    }
    return 0;
}

int bitsForScreenDepth(int screenDepth) {
    if (screenDepth == 16) {
        return 16;
    }
    if (screenDepth == 24 || screenDepth == 32) {
        return 32;
    }
    return 0;
}

int chooseDisplayBits(int forced, const char* environmentValue, int screenDepth) {
    if (forced != 0) {
        return parseBitsPerPixel(std::to_string(forced));
    }
    if (environmentValue != nullptr && *environmentValue != '\0') {
        return parseBitsPerPixel(environmentValue);
    }
    return bitsForScreenDepth(screenDepth);
}

} // namespace corvane
