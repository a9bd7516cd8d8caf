#include "tests/support/ReferenceFilter.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <initializer_list>
#include <vector>

namespace corvane::reference {

namespace {

// The whole byte buffer of a bitmap, row padding included, with its geometry.
struct Image {
    BitmapGeometry geometry;
    std::vector<std::uint8_t> bytes;

    int width() const { return geometry.bmWidth; }
    int height() const { return geometry.bmHeight; }
    int bits() const { return geometry.bmBitsPixel; }
    bool contains(long long x, long long y) const { return x >= 0 && y >= 0 && x < width() && y < height(); }
    std::size_t offset(int x, int y) const {
        return static_cast<std::size_t>(y) * static_cast<std::size_t>(geometry.bmWidthBytes) +
               static_cast<std::size_t>(x) * static_cast<std::size_t>(geometry.bmBitsPixel / 8);
    }
};

Image fetch(const DeviceBitmap& bitmap) {
    Image image{bitmap.geometry(), std::vector<std::uint8_t>(bitmap.sizeBytes())};
    bitmap.getBits(image.bytes);
    return image;
}

void store(DeviceBitmap& bitmap, const Image& image) {
    bitmap.setBits(image.bytes);
}

// Every bitmap non-null, in one of the three formats, and all of the first one's geometry.
bool usable(std::initializer_list<const DeviceBitmap*> bitmaps) {
    const DeviceBitmap& first = **bitmaps.begin();
    for (const DeviceBitmap* bitmap : bitmaps) {
        if (bitmap->isNull() || !isSupportedDepth(bitmap->bitsPixel()) ||
            bitmap->geometry() != first.geometry()) {
            return false;
        }
    }
    return true;
}

struct Channels {
    int r = 0;
    int g = 0;
    int b = 0;
};

bool operator==(const Channels& a, const Channels& b) {
    return a.r == b.r && a.g == b.g && a.b == b.b;
}

int wordAt(const Image& image, int x, int y) {
    const std::size_t at = image.offset(x, y);
    return image.bytes[at] | (image.bytes[at + 1] << 8);
}

// The channels as stored: the 5-, 6- and 5-bit fields of a 16-bit word, or the bytes.
Channels rawAt(const Image& image, int x, int y) {
    if (image.bits() == 16) {
        const int word = wordAt(image, x, y);
        return {word >> 11, (word >> 5) & 63, word & 31};
    }
    const std::size_t at = image.offset(x, y);
    return {image.bytes[at + 2], image.bytes[at + 1], image.bytes[at]};
}

// The channels as 8-bit values: 16-bit fields are widened.
Channels rgbAt(const Image& image, int x, int y) {
    const Channels c = rawAt(image, x, y);
    if (image.bits() == 16) {
        return {Expand5(c.r), Expand6(c.g), Expand5(c.b)};
    }
    return c;
}

// Stores channels in their stored form (5-6-5 fields or bytes). Leaves the fourth byte alone.
void putRaw(Image& image, int x, int y, Channels c) {
    const std::size_t at = image.offset(x, y);
    if (image.bits() == 16) {
        const int word = (c.r << 11) | (c.g << 5) | c.b;
        image.bytes[at] = static_cast<std::uint8_t>(word & 0xFF);
        image.bytes[at + 1] = static_cast<std::uint8_t>(word >> 8);
        return;
    }
    image.bytes[at] = static_cast<std::uint8_t>(c.b);
    image.bytes[at + 1] = static_cast<std::uint8_t>(c.g);
    image.bytes[at + 2] = static_cast<std::uint8_t>(c.r);
}

// Stores 8-bit channels, narrowed to 5-6-5 in the 16-bit format.
void putRgb(Image& image, int x, int y, Channels c) {
    if (image.bits() == 16) {
        c = {Quantize5(c.r), Quantize6(c.g), Quantize5(c.b)};
    }
    putRaw(image, x, y, c);
}

// The stored channels of a constant colour: in 16 bits reduced to what the format can show first.
Channels constantColor(int bits, ColorRef color) {
    if (bits == 16) {
        const ColorRef shown = QuantizeColor16(color);
        return {Quantize5(redOf(shown)), Quantize6(greenOf(shown)), Quantize5(blueOf(shown))};
    }
    return {redOf(color), greenOf(color), blueOf(color)};
}

void setFourth(Image& image, int x, int y, std::uint8_t value) {
    if (image.bits() == 32) {
        image.bytes[image.offset(x, y) + 3] = value;
    }
}

void copyFourth(Image& image, const Image& from, int x, int y) {
    if (image.bits() == 32) {
        image.bytes[image.offset(x, y) + 3] = from.bytes[from.offset(x, y) + 3];
    }
}

// The largest value and the mid value of each stored channel in raw 5-6-5 terms (16 bits) or bytes.
struct ChannelRange {
    int max;
    int size;
    int half;
};

ChannelRange rangeOf(int bits, int channel) {
    if (bits != 16) {
        return {255, 256, 128};
    }
    return channel == 1 ? ChannelRange{63, 64, 31} : ChannelRange{31, 32, 15};
}

int& channelRef(Channels& c, int channel) {
    return channel == 0 ? c.r : channel == 1 ? c.g : c.b;
}
int channelOf(const Channels& c, int channel) {
    return channel == 0 ? c.r : channel == 1 ? c.g : c.b;
}

// The overlap of original 2 drawn at the shift with original 1: x in [x0, x1), y in [y0, y1).
struct Region {
    long long x0, x1, y0, y1;
    bool contains(int x, int y) const { return x >= x0 && x < x1 && y >= y0 && y < y1; }
};

Region overlapOf(int width, int height, int shiftH, int shiftV) {
    const long long h = shiftH;
    const long long v = shiftV;
    return {std::max(h, 0LL), width + std::min(h, 0LL), std::max(v, 0LL), height + std::min(v, 0LL)};
}

// "÷": single-precision division, truncated toward zero.
int floatDivide(int numerator, int denominator) {
    return static_cast<int>(static_cast<float>(numerator) / static_cast<float>(denominator));
}

int blendChannel(int mode, int B, int T, ChannelRange range) {
    const int m = range.max;
    const int n = range.size;
    const int h = range.half;
    const double bottom = B;
    const double top = T;
    const double full = m;
    int result = 0;
    switch (mode) {
    case 0: // overlay, in double, truncated once
        result = static_cast<int>(bottom / full * (bottom + 2.0 * top / full * (full - bottom)));
        break;
    case 1: // hard light
        result = T > h ? floatDivide(2 * B * T, n) : m - floatDivide(m + 2 * (m - B) * (h - T), n);
        break;
    case 2: { // soft light, in double, truncated once
        const double screen = full - (full - top) * (full - bottom) / full;
        result = static_cast<int>(bottom / full * ((full - bottom) * top / full + screen));
        break;
    }
    case 3:
        result = std::min(B + T, m);
        break;
    case 4:
        result = std::max(B - T, 0);
        break;
    case 5:
        result = floatDivide(B * T, m);
        break;
    case 6:
        result = floatDivide(B * n, T + 1);
        break;
    case 7:
        result = m - floatDivide((m - T) * (m - B), m);
        break;
    case 8:
        result = floatDivide(B * n, m - T + 1);
        break;
    case 9:
        result = m - floatDivide((m - B) * n, T + 1);
        break;
    case 10:
        result = B - T + h;
        break;
    case 11:
        result = B + T - h;
        break;
    case 12:
        result = std::abs(B - T);
        break;
    case 13:
        result = std::min(B, T);
        break;
    default:
        result = std::max(B, T);
        break;
    }
    return std::clamp(result, 0, m);
}

bool isBlack(const Image& image, int x, int y) {
    return rawAt(image, x, y) == constantColor(image.bits(), kBlack);
}
bool isRed(const Image& image, int x, int y) {
    return rawAt(image, x, y) == constantColor(image.bits(), kRed);
}

bool channelsMatch(const Channels& a, const Channels& b, ScanChannel channel) {
    switch (channel) {
    case ScanChannel::Red:
        return a.r == b.r;
    case ScanChannel::Green:
        return a.g == b.g;
    case ScanChannel::Blue:
        return a.b == b.b;
    default:
        return a == b;
    }
}

// Row and column match counts of two fetched images inside the overlap of the shift.
void scanImages(const Image& a, const Image& b, int shiftH, int shiftV, std::span<int> rowCounts,
                std::span<int> columnCounts, double& total, ScanChannel channel) {
    std::fill(rowCounts.begin(), rowCounts.end(), 0);
    std::fill(columnCounts.begin(), columnCounts.end(), 0);
    const Region region = overlapOf(a.width(), a.height(), shiftH, shiftV);
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            if (region.contains(x, y) && channelsMatch(rgbAt(a, x, y), rgbAt(b, x, y), channel)) {
                ++rowCounts[static_cast<std::size_t>(y)];
                total += 1;
            }
        }
    }
    for (int x = 0; x < a.width(); ++x) {
        for (int y = 0; y < a.height(); ++y) {
            if (region.contains(x, y) && channelsMatch(rgbAt(a, x, y), rgbAt(b, x, y), channel)) {
                ++columnCounts[static_cast<std::size_t>(x)];
            }
        }
    }
}

} // namespace

namespace {
int expandDefinition(int index, int top) {
    return static_cast<int>(std::floor(index * 255 / static_cast<double>(top) + 0.5));
}

// Narrowing as defined: scan the widening table upward to the first entry not below the value.
int quantizeDefinition(int value, int top, int slack) {
    for (int index = 0; index <= top; ++index) {
        const int entry = expandDefinition(index, top);
        if (entry < value) {
            continue;
        }
        if (entry == value) {
            return index;
        }
        return entry - value <= slack ? index - 1 : index;
    }
    return 0;
}

// The definitions above evaluated once for every input, so that the pixel loops stay affordable.
template <std::size_t Size, class F>
std::array<int, Size> tabulate(F f) {
    std::array<int, Size> table{};
    for (std::size_t i = 0; i < Size; ++i) {
        table[i] = f(static_cast<int>(i));
    }
    return table;
}

const std::array<int, 32> kExpand5 = tabulate<32>([](int i) { return expandDefinition(i, 31); });
const std::array<int, 64> kExpand6 = tabulate<64>([](int i) { return expandDefinition(i, 63); });
const std::array<int, 256> kQuantize5 = tabulate<256>([](int v) { return quantizeDefinition(v, 31, 2); });
const std::array<int, 256> kQuantize6 = tabulate<256>([](int v) { return quantizeDefinition(v, 63, 1); });
} // namespace

int Expand5(int index) {
    return kExpand5.at(static_cast<std::size_t>(index));
}
int Expand6(int index) {
    return kExpand6.at(static_cast<std::size_t>(index));
}
int Quantize5(int value) {
    return kQuantize5.at(static_cast<std::size_t>(value));
}
int Quantize6(int value) {
    return kQuantize6.at(static_cast<std::size_t>(value));
}

ColorRef QuantizeColor16(ColorRef color) {
    return makeColor(static_cast<std::uint8_t>(Expand5(Quantize5(redOf(color)))),
                     static_cast<std::uint8_t>(Expand6(Quantize6(greenOf(color)))),
                     static_cast<std::uint8_t>(Expand5(Quantize5(blueOf(color)))));
}

Hsv RgbToHsv(int red, int green, int blue) {
    const auto r = static_cast<float>(red);
    const auto g = static_cast<float>(green);
    const auto b = static_cast<float>(blue);
    const float max = std::max({r, g, b});
    const float min = std::min({r, g, b});
    Hsv hsv;
    hsv.value = max;
    if (max == 0) {
        return hsv;
    }
    hsv.saturation = (max - min) / max;
    if (hsv.saturation == 0) {
        return hsv;
    }
    const float d = max - min;
    const float rc = (max - r) / d;
    const float gc = (max - g) / d;
    const float bc = (max - b) / d;
    float h = 0;
    if (r == max) {
        h = bc - gc;
    } else if (g == max) {
        h = 2 + rc - bc;
    } else {
        h = 4 + gc - rc;
    }
    hsv.hue = h * 60;
    if (hsv.hue < 0) {
        hsv.hue += 360;
    }
    return hsv;
}

Hls RgbToHls(int red, int green, int blue) {
    const int max = std::max({red, green, blue});
    const int min = std::min({red, green, blue});
    Hls hls;
    hls.lightness = ((max + min) * 252 + 255) / 510;
    if (max == min) {
        hls.saturation = 0;
        hls.hue = 168;
        return hls;
    }
    const int d = max - min;
    if (hls.lightness <= 126) {
        hls.saturation = (d * 252 + (max + min) / 2) / (max + min);
    } else {
        hls.saturation = (d * 252 + (510 - max - min) / 2) / (510 - max - min);
    }
    const int rd = ((max - red) * 42 + d / 2) / d;
    const int gd = ((max - green) * 42 + d / 2) / d;
    const int bd = ((max - blue) * 42 + d / 2) / d;
    if (red == max) {
        hls.hue = bd - gd;
    } else if (green == max) {
        hls.hue = 84 + rd - bd;
    } else {
        hls.hue = 168 + gd - rd;
    }
    if (hls.hue < 0) {
        hls.hue += 252;
    }
    if (hls.hue > 252) {
        hls.hue -= 252;
    }
    return hls;
}

double ColorNormSquared(int red, int green, int blue, ColorSpace space) {
    if (space == ColorSpace::Hsv) {
        const Hsv c = RgbToHsv(red, green, blue);
        const float sum = c.hue * c.hue + c.saturation * c.saturation + c.value * c.value;
        return static_cast<double>(sum);
    }
    if (space == ColorSpace::Hls) {
        const Hls c = RgbToHls(red, green, blue);
        return static_cast<double>(c.hue) * c.hue + static_cast<double>(c.lightness) * c.lightness +
               static_cast<double>(c.saturation) * c.saturation;
    }
    return static_cast<double>(red) * red + static_cast<double>(green) * green +
           static_cast<double>(blue) * blue;
}

double ColorDistanceSquared(int red1, int green1, int blue1, int red2, int green2, int blue2,
                            ColorSpace space) {
    if (space == ColorSpace::Hsv) {
        const Hsv a = RgbToHsv(red1, green1, blue1);
        const Hsv b = RgbToHsv(red2, green2, blue2);
        const float dh = a.hue - b.hue;
        const float ds = a.saturation - b.saturation;
        const float dv = a.value - b.value;
        return static_cast<double>(dh * dh + ds * ds + dv * dv);
    }
    if (space == ColorSpace::Hls) {
        const Hls a = RgbToHls(red1, green1, blue1);
        const Hls b = RgbToHls(red2, green2, blue2);
        const double dh = a.hue - b.hue;
        const double dl = a.lightness - b.lightness;
        const double ds = a.saturation - b.saturation;
        return dh * dh + dl * dl + ds * ds;
    }
    const double dr = red1 - red2;
    const double dg = green1 - green2;
    const double db = blue1 - blue2;
    return dr * dr + dg * dg + db * db;
}

bool GreyscaleImage(const DeviceBitmap& source, DeviceBitmap& target, int factor) {
    if (!usable({&source, &target}) || factor < 0 || factor > 255) {
        return false;
    }
    const Image in = fetch(source);
    Image out = fetch(target);
    for (int y = 0; y < in.height(); ++y) {
        for (int x = 0; x < in.width(); ++x) {
            const int green = rgbAt(in, x, y).g;
            const float scaled = static_cast<float>(green) / 255.0f * static_cast<float>(factor);
            const int grey = std::clamp(static_cast<int>(scaled), 0, factor);
            if (in.bits() == 16) {
                const int level = Quantize5(grey);
                putRaw(out, x, y, {level, std::min(2 * level, 63), level});
            } else {
                putRaw(out, x, y, {grey, grey, grey});
                copyFourth(out, in, x, y);
            }
        }
    }
    store(target, out);
    return true;
}

bool BlurImage(const DeviceBitmap& source, DeviceBitmap& target, int windowSize) {
    if (!usable({&source, &target}) || windowSize < 1 || windowSize % 2 == 0) {
        return false;
    }
    const Image in = fetch(source);
    Image out = fetch(target);
    const long long radius = (windowSize - 1) / 2;
    for (int y = 0; y < in.height(); ++y) {
        for (int x = 0; x < in.width(); ++x) {
            long long sum[3] = {0, 0, 0};
            long long count = 0;
            // Window positions outside the image neither add to the sum nor count; the loop bounds skip
            // them wholesale so that a window far larger than the image stays cheap.
            for (long long wy = std::max(0LL, y - radius);
                 wy <= std::min<long long>(in.height() - 1, y + radius); ++wy) {
                for (long long wx = std::max(0LL, x - radius);
                     wx <= std::min<long long>(in.width() - 1, x + radius); ++wx) {
                    const Channels c = rawAt(in, static_cast<int>(wx), static_cast<int>(wy));
                    const int lift = in.bits() == 16 ? 1 : 0;
                    sum[0] += c.r + lift;
                    sum[1] += c.g + lift;
                    sum[2] += c.b + lift;
                    ++count;
                }
            }
            Channels result;
            for (int channel = 0; channel < 3; ++channel) {
                const double average = static_cast<double>(sum[channel]) / static_cast<double>(count);
                if (in.bits() == 16) {
                    int w = static_cast<int>(average) + 1;
                    if (w < 3) {
                        w = 1;
                    }
                    w = std::min(w, rangeOf(16, channel).size);
                    channelRef(result, channel) = w - 1;
                } else {
                    channelRef(result, channel) = std::clamp(static_cast<int>(average), 0, 255);
                }
            }
            putRaw(out, x, y, result);
            copyFourth(out, in, x, y);
        }
    }
    store(target, out);
    return true;
}

bool ReduceTo64Colors(const DeviceBitmap& source, DeviceBitmap& target) {
    if (!usable({&source, &target})) {
        return false;
    }
    static constexpr int kLevels[4] = {0, 85, 170, 255};
    const Image in = fetch(source);
    Image out = fetch(target);
    for (int y = 0; y < in.height(); ++y) {
        for (int x = 0; x < in.width(); ++x) {
            const Channels c = rgbAt(in, x, y);
            Channels result;
            if (in.bits() == 16) {
                const auto level = [](int v) {
                    return v < 64 ? 0 : v < 128 ? 85 : v < 196 ? 170 : 255;
                };
                result = {level(c.r), level(c.g), level(c.b)};
            } else {
                double best = -1;
                for (int k = 0; k < 64; ++k) {
                    const Channels entry{kLevels[k % 4], kLevels[(k / 4) % 4], kLevels[k / 16]};
                    const double dr = c.r - entry.r;
                    const double dg = c.g - entry.g;
                    const double db = c.b - entry.b;
                    const double distance = dr * dr + dg * dg + db * db;
                    if (best < 0 || distance < best) {
                        best = distance;
                        result = entry;
                    }
                }
            }
            putRgb(out, x, y, result);
            copyFourth(out, in, x, y);
        }
    }
    store(target, out);
    return true;
}

bool DetectEdges(const DeviceBitmap& source, DeviceBitmap& target) {
    if (!usable({&source, &target})) {
        return false;
    }
    static constexpr int kernel[3][3] = {{-1, 0, 1}, {-2, 0, 2}, {-1, 0, 1}};
    const Image in = fetch(source);
    Image out = fetch(target);
    const bool wholeImage = in.bits() == 16;
    for (int y = 0; y < in.height(); ++y) {
        for (int x = 0; x < in.width(); ++x) {
            copyFourth(out, in, x, y);
            if (!wholeImage && (x < 1 || x > in.width() - 2 || y < 1 || y > in.height() - 2)) {
                putRaw(out, x, y, {0, 0, 0});
                continue;
            }
            // Neighbours outside the image (only reached in the 16-bit format) count as 0.
            const auto sample = [&](int sx, int sy, int channel) {
                return in.contains(sx, sy) ? channelOf(rgbAt(in, sx, sy), channel) : 0;
            };
            Channels result;
            for (int channel = 0; channel < 3; ++channel) {
                int gx = 0;
                int gy = 0;
                for (int i = 0; i < 3; ++i) {
                    for (int j = 0; j < 3; ++j) {
                        gx += kernel[i][j] * sample(x - 1 + j, y - 1 + i, channel);
                        gy += kernel[i][j] * sample(x - 1 + i, y - 1 + j, channel);
                    }
                }
                const double value = (std::abs(gx) + std::abs(gy)) * 0.5;
                channelRef(result, channel) = value <= 0 ? 0 : value >= 255 ? 255 : static_cast<int>(value);
            }
            putRgb(out, x, y, result);
        }
    }
    store(target, out);
    return true;
}

bool ComparePixels(const DeviceBitmap& first, const DeviceBitmap& second, DeviceBitmap& target, int shiftH,
                   int shiftV, ColorRef mismatchColor) {
    if (!usable({&first, &second, &target})) {
        return false;
    }
    const Image a = fetch(first);
    const Image b = fetch(second);
    Image out = fetch(target);
    const Region region = overlapOf(a.width(), a.height(), shiftH, shiftV);
    const Channels match = constantColor(a.bits(), kRed);
    const Channels mismatch = constantColor(a.bits(), mismatchColor);
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const bool equal = region.contains(x, y) && rgbAt(a, x, y) == rgbAt(b, x, y);
            putRaw(out, x, y, equal ? match : mismatch);
            setFourth(out, x, y, 0);
        }
    }
    store(target, out);
    return true;
}

bool BlendImages(const DeviceBitmap& top, const DeviceBitmap& bottom, DeviceBitmap& target, int mode) {
    if (!usable({&top, &bottom, &target}) || mode < 0 || mode > 14) {
        return false;
    }
    const Image t = fetch(top);
    const Image b = fetch(bottom);
    Image out = fetch(target);
    for (int y = 0; y < t.height(); ++y) {
        for (int x = 0; x < t.width(); ++x) {
            const Channels upper = rawAt(t, x, y);
            const Channels lower = rawAt(b, x, y);
            Channels result;
            for (int channel = 0; channel < 3; ++channel) {
                channelRef(result, channel) = blendChannel(
                    mode, channelOf(lower, channel), channelOf(upper, channel), rangeOf(t.bits(), channel));
            }
            putRaw(out, x, y, result);
            copyFourth(out, t, x, y);
        }
    }
    store(target, out);
    return true;
}

bool Binarize(const DeviceBitmap& source, DeviceBitmap& target, int threshold, ColorSpace space) {
    if (!usable({&source, &target})) {
        return false;
    }
    const Image in = fetch(source);
    Image out = fetch(target);
    const double limit = 3.0 * threshold * threshold;
    for (int y = 0; y < in.height(); ++y) {
        for (int x = 0; x < in.width(); ++x) {
            const Channels c = rgbAt(in, x, y);
            const double norm = reference::ColorNormSquared(c.r, c.g, c.b, space);
            putRaw(out, x, y, constantColor(in.bits(), limit > norm ? kBlack : kWhite));
            copyFourth(out, in, x, y);
        }
    }
    store(target, out);
    return true;
}

bool GradationImage(const DeviceBitmap& image1, const DeviceBitmap& image2, DeviceBitmap& target,
                    ColorSpace space) {
    if (!usable({&image1, &image2, &target})) {
        return false;
    }
    const Image a = fetch(image1);
    const Image b = fetch(image2);
    Image out = fetch(target);
    const double maximum = space == ColorSpace::Hls ? 3.0 * 252 * 252 : 3.0 * 255 * 255;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const Channels p = rgbAt(a, x, y);
            const Channels q = rgbAt(b, x, y);
            const double distance = reference::ColorDistanceSquared(p.r, p.g, p.b, q.r, q.g, q.b, space);
            if (a.bits() == 16) {
                int g = static_cast<int>(distance / maximum * 31);
                g = g * g;
                const int level = std::clamp(g, 0, 31);
                putRaw(out, x, y, {level, std::clamp(2 * level, 0, 63), level});
            } else {
                int g = static_cast<int>(distance / maximum * 255);
                g = std::clamp(g * g, 0, 255);
                putRaw(out, x, y, {g, g, g});
            }
            copyFourth(out, a, x, y);
        }
    }
    store(target, out);
    return true;
}

bool DifferenceMask(const DeviceBitmap& image1, const DeviceBitmap& image2, DeviceBitmap& target,
                    ColorSpace space, int level) {
    if (!usable({&image1, &image2, &target})) {
        return false;
    }
    const Image a = fetch(image1);
    const Image b = fetch(image2);
    Image out = fetch(target);
    const long long scale = space == ColorSpace::Hsv ? 262 : space == ColorSpace::Hls ? 222 : 2;
    const auto threshold = static_cast<double>(scale * level);
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const Channels p = rgbAt(a, x, y);
            const Channels q = rgbAt(b, x, y);
            const double distance = reference::ColorDistanceSquared(p.r, p.g, p.b, q.r, q.g, q.b, space);
            putRaw(out, x, y, constantColor(a.bits(), distance >= threshold ? kRed : kBlack));
            copyFourth(out, a, x, y);
        }
    }
    store(target, out);
    return true;
}

bool EmbossImage(const DeviceBitmap& source, DeviceBitmap& target, int strength) {
    if (!usable({&source, &target}) || strength < 0) {
        return false;
    }
    const Image in = fetch(source);
    Image out = fetch(target);
    const long long k = strength / 7 + 1;
    const double gain = strength / 20.0;
    for (int y = 0; y < in.height(); ++y) {
        for (int x = 0; x < in.width(); ++x) {
            const bool aheadInside = in.contains(x + k, y + k);
            const bool behindInside = in.contains(x - k, y - k);
            const Channels ahead =
                aheadInside ? rawAt(in, static_cast<int>(x + k), static_cast<int>(y + k)) : Channels{};
            const Channels behind =
                behindInside ? rawAt(in, static_cast<int>(x - k), static_cast<int>(y - k)) : Channels{};
            Channels result;
            for (int channel = 0; channel < 3; ++channel) {
                const ChannelRange range = rangeOf(in.bits(), channel);
                const int neutral = range.half;
                const int p = aheadInside ? channelOf(ahead, channel) : neutral;
                const int q = behindInside ? -channelOf(behind, channel) : neutral;
                const int s = p + q + neutral;
                // Kept in double: with a large strength the gain term does not fit an int.
                double value = s;
                if (s > neutral) {
                    value = s + std::trunc(s * gain);
                } else if (s < neutral) {
                    value = s - std::trunc(s * gain);
                }
                channelRef(result, channel) =
                    static_cast<int>(std::clamp(value, 0.0, static_cast<double>(range.max)));
            }
            putRaw(out, x, y, result);
            copyFourth(out, in, x, y);
        }
    }
    store(target, out);
    return true;
}

bool BlackToRed(const DeviceBitmap& source, DeviceBitmap& target) {
    if (!usable({&source, &target})) {
        return false;
    }
    const Image in = fetch(source);
    Image out = fetch(target);
    for (int y = 0; y < in.height(); ++y) {
        for (int x = 0; x < in.width(); ++x) {
            putRaw(out, x, y, constantColor(in.bits(), isBlack(in, x, y) ? kRed : kBlack));
            copyFourth(out, in, x, y);
        }
    }
    store(target, out);
    return true;
}

bool RedToBlack(const DeviceBitmap& source, DeviceBitmap& target) {
    if (!usable({&source, &target})) {
        return false;
    }
    const Image in = fetch(source);
    Image out = fetch(target);
    for (int y = 0; y < in.height(); ++y) {
        for (int x = 0; x < in.width(); ++x) {
            putRaw(out, x, y, isRed(in, x, y) ? constantColor(in.bits(), kBlack) : rawAt(in, x, y));
            copyFourth(out, in, x, y);
        }
    }
    store(target, out);
    return true;
}

bool ComputeHistogram(const DeviceBitmap& bitmap, Histogram& histogram) {
    if (!usable({&bitmap})) {
        return false;
    }
    const Image in = fetch(bitmap);
    histogram.fill(0);
    double* red = histogram.data();
    double* green = red + 256;
    double* blue = green + 256;
    if (in.bits() == 16) {
        // 16-bit rows have no padding: the buffer is a plain run of words.
        const std::size_t words = (in.bytes.size() - 1) / 2 + 1;
        for (std::size_t i = 0; i < words; ++i) {
            const int word = in.bytes[2 * i] | (in.bytes[2 * i + 1] << 8);
            red[Expand5(word >> 11)] += 1;
            green[Expand6((word >> 5) & 63)] += 1;
            blue[Expand5(word & 31)] += 1;
        }
    } else {
        for (int y = 0; y < in.height(); ++y) {
            for (int x = 0; x < in.width(); ++x) {
                const Channels c = rgbAt(in, x, y);
                red[c.r] += 1;
                green[c.g] += 1;
                blue[c.b] += 1;
            }
        }
    }
    return true;
}

bool ScanMatch(const DeviceBitmap& imageA, const DeviceBitmap& imageB, int shiftH, int shiftV,
               std::span<int> rowCounts, std::span<int> columnCounts, double& total, ScanChannel channel) {
    if (!usable({&imageA, &imageB}) || rowCounts.size() < static_cast<std::size_t>(imageA.height()) ||
        columnCounts.size() < static_cast<std::size_t>(imageA.width())) {
        return false;
    }
    scanImages(fetch(imageA), fetch(imageB), shiftH, shiftV, rowCounts, columnCounts, total, channel);
    return true;
}

std::optional<ShiftMatch> SearchBestMatch(const DeviceBitmap& original1, const DeviceBitmap& original2) {
    if (!usable({&original1, &original2})) {
        return std::nullopt;
    }
    const Image first = fetch(original1);
    const Image second = fetch(original2);
    const int width = first.width();
    const int height = first.height();
    const int rangeX = std::min((width - 1) / 4, 20);
    const int rangeY = std::min((height - 1) / 4, 20);
    const int bpp = first.bits() / 8;
    std::vector<int> rows(static_cast<std::size_t>(height));
    std::vector<int> columns(static_cast<std::size_t>(width));
    ShiftMatch best;
    for (int dy = -rangeY; dy < rangeY; ++dy) {
        for (int dx = -rangeX; dx < rangeX; ++dx) {
            Image work{first.geometry, std::vector<std::uint8_t>(first.bytes.size(), 0)};
            for (int y = 0; y < height; ++y) {
                for (int x = 0; x < width; ++x) {
                    if (work.contains(x + dx, y + dy)) {
                        std::copy_n(
                            second.bytes.begin() + static_cast<std::ptrdiff_t>(second.offset(x, y)), bpp,
                            work.bytes.begin() + static_cast<std::ptrdiff_t>(work.offset(x + dx, y + dy)));
                    }
                }
            }
            double total = 0;
            scanImages(first, work, dx, dy, rows, columns, total, ScanChannel::Rgb);
            const double rate =
                total * 100 / ((width - std::abs(dx)) * static_cast<double>(height - std::abs(dy)));
            if (rate > best.rate) {
                best = {dx, dy, rate};
            }
        }
    }
    return best;
}

double matchRate(double total, int width, int height, int shiftH, int shiftV) {
    const Region region = overlapOf(width, height, shiftH, shiftV);
    const long long columns = region.x1 - region.x0;
    const long long rows = region.y1 - region.y0;
    if (columns <= 0 || rows <= 0) {
        return 0;
    }
    return total * 100 / (static_cast<double>(columns) * static_cast<double>(rows));
}

} // namespace corvane::reference
