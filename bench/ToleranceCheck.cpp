// Writes generated image pairs as raw RGBA files with the number of differing pixels that the tolerant
// comparison counts for each, so that another program can count them on the same pixels
// (bench/pixelmatch-check.sh). A pair compared at a shift is written as the two images' overlap.
//
// corvane-tolerance-check FOLDER   writes FOLDER/N.a.rgba, FOLDER/N.b.rgba and FOLDER/pairs.txt, whose
// lines read "N width height threshold includeAA count description", and a last line for a 4000 × 3000
// pair that also gives the comparison's time in milliseconds.

#include "imaging/Tolerance.h"
#include "platform/Blit.h"
#include "tests/support/TestImages.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

using namespace corvane;

namespace {

// An opaque 8-bit image as the other program reads it: R, G, B, A per pixel, rows top to bottom.
struct Rgba {
    int width = 0, height = 0;
    std::vector<std::uint8_t> bytes;

    Rgba(int w, int h)
        : width(w), height(h), bytes(static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 4, 255) {}
    std::uint8_t* at(int x, int y) {
        return &bytes[(static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                       static_cast<std::size_t>(x)) *
                      4];
    }
    void set(int x, int y, double r, double g, double b) {
        std::uint8_t* p = at(x, y);
        const auto channel = [](double v) {
            return static_cast<std::uint8_t>(std::clamp(std::lround(v), 0L, 255L));
        };
        p[0] = channel(r);
        p[1] = channel(g);
        p[2] = channel(b);
    }
};

DeviceBitmap toBitmap(const Rgba& image, int bits) {
    // DeviceBitmap takes B, G, R, A words.
    std::vector<std::uint8_t> bgra(image.bytes);
    for (std::size_t i = 0; i < bgra.size(); i += 4) {
        std::swap(bgra[i], bgra[i + 2]);
    }
    return DeviceBitmap::fromArgb32(bgra.data(), image.width, image.height,
                                    static_cast<std::ptrdiff_t>(image.width) * 4, bits);
}

// The pixels of a region of a bitmap as RGBA (16-bit channels widened).
Rgba fromBitmap(const DeviceBitmap& bitmap, int x0, int y0, int width, int height) {
    std::vector<std::uint8_t> bgra(static_cast<std::size_t>(bitmap.width()) *
                                   static_cast<std::size_t>(bitmap.height()) * 4);
    bitmap.toArgb32(bgra.data(), static_cast<std::ptrdiff_t>(bitmap.width()) * 4);
    Rgba out(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const std::uint8_t* p =
                &bgra[(static_cast<std::size_t>(y0 + y) * static_cast<std::size_t>(bitmap.width()) +
                       static_cast<std::size_t>(x0 + x)) *
                      4];
            out.set(x, y, p[2], p[1], p[0]);
        }
    }
    return out;
}

// Discs drawn with anti-aliased edges (coverage by 4 × 4 subsamples) over a background gradient; `move`
// shifts every `movedEvery`-th disc by a fraction of a pixel, as a renderer's changed layout would.
Rgba discs(int width, int height, std::uint32_t seed, double move, int colours, int discCount = 25,
           unsigned maxRadius = 14, int movedEvery = 1) {
    std::mt19937 random(seed);
    Rgba image(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const double v = colours > 2 ? 40.0 + 150.0 * x / width : 255.0;
            image.set(x, y, v, v, colours > 2 ? 255.0 - 100.0 * y / height : 255.0);
        }
    }
    for (int d = 0; d < discCount; ++d) {
        const double moved = d % movedEvery == 0 ? move : 0;
        const double cx = random() % static_cast<unsigned>(width) + moved;
        const double cy = random() % static_cast<unsigned>(height) + moved / 2;
        const double radius = 2 + random() % maxRadius;
        const double r = colours > 2 ? random() % 256 : 0;
        const double g = colours > 2 ? random() % 256 : 0;
        const double b = colours > 2 ? random() % 256 : 0;
        for (int y = std::max(0, static_cast<int>(cy - radius - 1));
             y < std::min(height, static_cast<int>(cy + radius + 2)); ++y) {
            for (int x = std::max(0, static_cast<int>(cx - radius - 1));
                 x < std::min(width, static_cast<int>(cx + radius + 2)); ++x) {
                int covered = 0;
                for (int sy = 0; sy < 4; ++sy) {
                    for (int sx = 0; sx < 4; ++sx) {
                        const double dx = x + (sx + 0.5) / 4 - cx;
                        const double dy = y + (sy + 0.5) / 4 - cy;
                        covered += dx * dx + dy * dy <= radius * radius ? 1 : 0;
                    }
                }
                if (covered > 0) {
                    const double c = covered / 16.0;
                    std::uint8_t* p = image.at(x, y);
                    image.set(x, y, p[0] * (1 - c) + r * c, p[1] * (1 - c) + g * c, p[2] * (1 - c) + b * c);
                }
            }
        }
    }
    return image;
}

// Random pixels, and a copy of which `percent` % changed; or small changes everywhere when `nudge`.
Rgba noise(int width, int height, std::uint32_t seed) {
    std::mt19937 random(seed);
    Rgba image(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            image.set(x, y, random() % 256, random() % 256, random() % 256);
        }
    }
    return image;
}

Rgba changed(const Rgba& image, std::uint32_t seed, int percent, int nudge) {
    std::mt19937 random(seed);
    Rgba out = image;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            std::uint8_t* p = out.at(x, y);
            if (nudge > 0) {
                const auto step = [&] {
                    return static_cast<int>(random() % static_cast<unsigned>(2 * nudge + 1)) - nudge;
                };
                out.set(x, y, p[0] + step(), p[1] + step(), p[2] + step());
            } else if (static_cast<int>(random() % 100) < percent) {
                out.set(x, y, random() % 256, random() % 256, random() % 256);
            }
        }
    }
    return out;
}

bool writeRaw(const std::string& path, const Rgba& image) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        return false;
    }
    const bool ok = std::fwrite(image.bytes.data(), 1, image.bytes.size(), f) == image.bytes.size();
    return std::fclose(f) == 0 && ok;
}

struct Pair {
    std::string name;
    Rgba a, b;
};

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: corvane-tolerance-check FOLDER\n");
        return 2;
    }
    const std::string folder = argv[1];
    std::vector<Pair> pairs;
    pairs.push_back({"discs-grey", discs(320, 200, 1, 0, 2), discs(320, 200, 1, 0.4, 2)});
    pairs.push_back({"discs-colour", discs(320, 200, 2, 0, 3), discs(320, 200, 2, 0.3, 3)});
    pairs.push_back({"discs-moved", discs(256, 256, 3, 0, 3), discs(256, 256, 3, 1.0, 3)});
    const Rgba random = noise(200, 150, 4);
    pairs.push_back({"noise-5%", random, changed(random, 5, 5, 0)});
    const Rgba smooth = discs(240, 180, 6, 0, 3);
    pairs.push_back({"nudged-3", smooth, changed(smooth, 7, 0, 3)});
    pairs.push_back({"nudged-12", smooth, changed(smooth, 8, 0, 12)});
    pairs.push_back({"column", discs(1, 60, 9, 0, 3), changed(discs(1, 60, 9, 0, 3), 10, 30, 0)});
    pairs.push_back({"row", noise(50, 1, 11), changed(noise(50, 1, 11), 12, 30, 0)});
    pairs.push_back({"two-by-two", noise(2, 2, 13), changed(noise(2, 2, 13), 14, 60, 0)});

    std::FILE* manifest = std::fopen((folder + "/pairs.txt").c_str(), "w");
    if (!manifest) {
        std::fprintf(stderr, "cannot write %s/pairs.txt\n", folder.c_str());
        return 2;
    }
    int n = 0;
    for (const Pair& pair : pairs) {
        for (const int bits : {32, 24, 16}) {
            const DeviceBitmap a = toBitmap(pair.a, bits);
            const DeviceBitmap b = toBitmap(pair.b, bits);
            DeviceBitmap map = DeviceBitmap::create(a.width(), a.height(), bits);
            for (const auto& [h, v] : {std::pair{0, 0}, {3, -2}}) {
                const int w = a.width() - std::abs(h);
                const int ht = a.height() - std::abs(v);
                if (w <= 0 || ht <= 0) {
                    continue;
                }
                // Original 2 drawn at the shift, as the comparison takes it.
                DeviceBitmap drawn = DeviceBitmap::create(a.width(), a.height(), bits);
                bitBlt(drawn, h, v, b);
                const int x0 = std::max(h, 0);
                const int y0 = std::max(v, 0);
                if (!writeRaw(folder + "/" + std::to_string(n) + ".a.rgba", fromBitmap(a, x0, y0, w, ht)) ||
                    !writeRaw(folder + "/" + std::to_string(n) + ".b.rgba",
                              fromBitmap(drawn, x0, y0, w, ht))) {
                    std::fprintf(stderr, "cannot write the images of pair %d\n", n);
                    return 2;
                }
                for (const double threshold : {0.0, 0.05, 0.1, 0.2, 0.5, 1.0}) {
                    for (const bool includeAA : {false, true}) {
                        ToleranceOptions options;
                        options.threshold = threshold;
                        options.ignoreAntialiasing = !includeAA;
                        const auto count = compareWithTolerance(a, drawn, map, h, v, kBlack, options);
                        std::fprintf(manifest, "%d %d %d %g %d %lld %s/%d/shift%d,%d\n", n, w, ht, threshold,
                                     includeAA ? 1 : 0, count ? static_cast<long long>(*count) : -1LL,
                                     pair.name.c_str(), bits, h, v);
                    }
                }
                ++n;
            }
        }
    }
    // A large pair for the time of one comparison next to the other program's: a rendering in which one
    // disc in ten moved by a third of a pixel, compared with threshold 0.1 and anti-aliased pixels left
    // out; the best of five runs.
    const Rgba large1 = discs(4000, 3000, 21, 0, 3, 3000, 60, 10);
    const Rgba large2 = discs(4000, 3000, 21, 0.3, 3, 3000, 60, 10);
    const DeviceBitmap a = toBitmap(large1, 32);
    const DeviceBitmap b = toBitmap(large2, 32);
    DeviceBitmap map = DeviceBitmap::create(4000, 3000, 32);
    ToleranceOptions options;
    options.threshold = 0.1;
    options.ignoreAntialiasing = true;
    double best = 1e9;
    std::int64_t count = -1;
    for (int run = 0; run < 5; ++run) {
        const auto start = std::chrono::steady_clock::now();
        const auto c = compareWithTolerance(a, b, map, 0, 0, kBlack, options);
        const std::chrono::duration<double, std::milli> elapsed = std::chrono::steady_clock::now() - start;
        best = std::min(best, elapsed.count());
        count = c ? *c : -1;
    }
    const auto exactCount = compareWithTolerance(a, b, map, 0, 0, kBlack, {});
    std::printf(
        "large pair: %lld pixels differ, %lld counted with threshold 0.1 and anti-aliased pixels left out\n",
        exactCount ? static_cast<long long>(*exactCount) : -1LL, static_cast<long long>(count));
    if (!writeRaw(folder + "/large.a.rgba", large1) || !writeRaw(folder + "/large.b.rgba", large2)) {
        std::fprintf(stderr, "cannot write the large pair\n");
        return 2;
    }
    std::fprintf(manifest, "large 4000 3000 0.1 0 %lld rendering-4000x3000/32 %.2f\n",
                 static_cast<long long>(count), best);
    return std::fclose(manifest) == 0 ? 0 : 2;
}
