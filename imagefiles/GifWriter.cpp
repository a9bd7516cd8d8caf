#include "imagefiles/GifWriter.h"

#include "platform/SafeFile.h"

#include <gif_lib.h>
#include <libimagequant.h>

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <memory>
#include <new>

namespace corvane {

namespace {

// libimagequant's speed (1 slowest … 10 fastest): its default. From 8 on the library posterises its
// input, which shows on smooth gradients.
constexpr int kQuantizerSpeed = 4;

// Large images build the palette from a sample of their pixels: those with (x − 2y) mod 5 = 0, one in
// five. Every row, every column and both diagonals of this lattice are hit every five pixels, so a thin
// line of its own colour (a difference mark) still reaches the palette, unlike with a plain grid. On a
// 12-megapixel photograph this more than halves the time spent on the palette and raises the mean
// squared error by about 3 %.
constexpr std::int64_t kSampleAbovePixels = 2'000'000;
constexpr int kSampleStep = 5;

// From this size on, remapping remembers the entry found for each colour.
constexpr std::int64_t kRemapTableAbovePixels = 1 << 16;

// A small open-addressing table from 24-bit colours to palette indices, used to find out whether an
// image has few enough colours to keep them exactly. 1024 slots keep it at most a quarter full.
class ExactPalette {
public:
    explicit ExactPalette(int limit) : m_limit(limit) {}

    // The index of the colour, added when new; -1 once more than `limit` colours were seen.
    int indexOf(QRgb rgb) {
        const std::uint32_t key = (rgb & 0xFFFFFFu) | 0x1000000u; // 0 marks an empty slot
        std::uint32_t slot = (key * 2654435761u) >> 22;
        while (m_keys[slot] != 0) {
            if (m_keys[slot] == key) {
                return m_values[slot];
            }
            slot = (slot + 1) & (kSlots - 1);
        }
        if (m_count == m_limit) {
            return -1;
        }
        m_keys[slot] = key;
        m_values[slot] = static_cast<std::uint8_t>(m_count);
        m_colors[static_cast<std::size_t>(m_count)] = rgb | 0xFF000000u;
        return m_count++;
    }

    int count() const { return m_count; }
    QRgb color(int index) const { return m_colors[static_cast<std::size_t>(index)]; }

private:
    static constexpr std::uint32_t kSlots = 1024;
    int m_limit;
    int m_count = 0;
    std::array<std::uint32_t, kSlots> m_keys{};
    std::array<std::uint8_t, kSlots> m_values{};
    std::array<QRgb, 256> m_colors{};
};

// Appends the transparent entry (colour 0, alpha 0) and gives it to every pixel with alpha 0.
void addTransparentEntry(const QImage& image, PalettedImage& out) {
    out.transparentIndex = out.colorCount++;
    out.palette[static_cast<std::size_t>(out.transparentIndex)] = 0;
    for (int y = 0; y < image.height(); ++y) {
        const auto* src = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        std::uint8_t* dst =
            out.indices.get() + static_cast<std::size_t>(y) * static_cast<std::size_t>(out.width);
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(src[x]) == 0) {
                dst[x] = static_cast<std::uint8_t>(out.transparentIndex);
            }
        }
    }
}

// Fills the indices when the image has at most `limit` opaque colours; false otherwise.
bool mapExactColors(const QImage& image, bool keepTransparency, int limit, PalettedImage& out) {
    ExactPalette table(limit);
    bool anyTransparent = false;
    for (int y = 0; y < image.height(); ++y) {
        const auto* src = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        std::uint8_t* dst =
            out.indices.get() + static_cast<std::size_t>(y) * static_cast<std::size_t>(out.width);
        for (int x = 0; x < image.width(); ++x) {
            if (keepTransparency && qAlpha(src[x]) == 0) {
                anyTransparent = true;
                dst[x] = 0; // set by addTransparentEntry()
                continue;
            }
            const int index = table.indexOf(src[x]);
            if (index < 0) {
                return false;
            }
            dst[x] = static_cast<std::uint8_t>(index);
        }
    }
    out.colorCount = table.count();
    for (int i = 0; i < table.count(); ++i) {
        out.palette[static_cast<std::size_t>(i)] = table.color(i);
    }
    if (anyTransparent) {
        addTransparentEntry(image, out);
    }
    return true;
}

struct LiqAttrDeleter {
    void operator()(liq_attr* p) const { liq_attr_destroy(p); }
};
struct LiqImageDeleter {
    void operator()(liq_image* p) const { liq_image_destroy(p); }
};
struct LiqResultDeleter {
    void operator()(liq_result* p) const { liq_result_destroy(p); }
};

// What libimagequant reads through its row callbacks: the image's pixels, all opaque, either whole or
// the sample lattice. A transparent pixel takes the colour of the opaque pixel before it, so that it
// adds no colour of its own; its weight in the palette is zero through the importance map anyway.
struct RowSource {
    const QImage* image;
    bool keepTransparency;
    bool sampled;
};

liq_color toLiq(QRgb pixel) {
    return liq_color{static_cast<unsigned char>(qRed(pixel)), static_cast<unsigned char>(qGreen(pixel)),
                     static_cast<unsigned char>(qBlue(pixel)), 255};
}

// Column of the k-th sample of row y.
int sampleColumn(int y, int k, int imageWidth) {
    return std::min((2 * y) % kSampleStep + kSampleStep * k, imageWidth - 1);
}

void readRow(liq_color rowOut[], int y, int width, void* user) {
    const auto* source = static_cast<const RowSource*>(user);
    const auto* src = reinterpret_cast<const QRgb*>(source->image->constScanLine(y));
    const int imageWidth = source->image->width();
    QRgb last = 0;
    for (int k = 0; k < width; ++k) {
        QRgb pixel = src[source->sampled ? sampleColumn(y, k, imageWidth) : k];
        if (source->keepTransparency && qAlpha(pixel) == 0) {
            pixel = last;
        }
        last = pixel;
        rowOut[k] = toLiq(pixel);
    }
}

// Zero weight for transparent pixels of the (sampled) image.
bool setImportance(liq_image* liqImage, const QImage& image, bool sampled, int width) {
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(image.height());
    Buffer<unsigned char> importance = allocateBuffer<unsigned char>(count);
    if (!importance) {
        return false;
    }
    for (int y = 0; y < image.height(); ++y) {
        const auto* src = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        unsigned char* dst = importance.get() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
        for (int k = 0; k < width; ++k) {
            dst[k] = qAlpha(src[sampled ? sampleColumn(y, k, image.width()) : k]) == 0 ? 0 : 255;
        }
    }
    return liq_image_set_importance_map(liqImage, importance.get(), count, LIQ_COPY_PIXELS) == LIQ_OK;
}

// Nearest palette entry by squared RGB distance, first entry on ties. The entries are searched outward
// from the nearest red, and a direction stops once the red difference alone exceeds the best distance,
// so that a search looks at a few entries rather than all 256.
class NearestPalette {
public:
    explicit NearestPalette(const PalettedImage& palette) : m_count(palette.colorCount) {
        std::array<int, 256> order{};
        for (int i = 0; i < m_count; ++i) {
            order[static_cast<std::size_t>(i)] = i;
        }
        const auto red = [&](int i) {
            return qRed(palette.palette[static_cast<std::size_t>(i)]);
        };
        std::stable_sort(order.begin(), order.begin() + m_count,
                         [&](int a, int b) { return red(a) < red(b); });
        for (int k = 0; k < m_count; ++k) {
            const QRgb c = palette.palette[static_cast<std::size_t>(order[static_cast<std::size_t>(k)])];
            m_entries[static_cast<std::size_t>(k)] =
                Entry{qRed(c), qGreen(c), qBlue(c), order[static_cast<std::size_t>(k)]};
        }
    }

    int nearest(QRgb color) const {
        const int r = qRed(color), g = qGreen(color), b = qBlue(color);
        int high = static_cast<int>(std::lower_bound(m_entries.begin(), m_entries.begin() + m_count, r,
                                                     [](const Entry& e, int value) { return e.r < value; }) -
                                    m_entries.begin());
        int low = high - 1;
        int best = std::numeric_limits<int>::max();
        int bestIndex = 0;
        const auto consider = [&](const Entry& e) {
            const int distance = (e.r - r) * (e.r - r) + (e.g - g) * (e.g - g) + (e.b - b) * (e.b - b);
            if (distance < best || (distance == best && e.index < bestIndex)) {
                best = distance;
                bestIndex = e.index;
            }
        };
        while (low >= 0 || high < m_count) {
            if (high < m_count) {
                const Entry& e = m_entries[static_cast<std::size_t>(high)];
                if ((e.r - r) * (e.r - r) <= best) {
                    consider(e);
                    ++high;
                } else {
                    high = m_count;
                }
            }
            if (low >= 0) {
                const Entry& e = m_entries[static_cast<std::size_t>(low)];
                if ((r - e.r) * (r - e.r) <= best) {
                    consider(e);
                    --low;
                } else {
                    low = -1;
                }
            }
        }
        return bestIndex;
    }

private:
    struct Entry {
        int r, g, b, index;
    };
    int m_count;
    std::array<Entry, 256> m_entries{};
};

// Every pixel to its nearest entry of out.palette, without dithering: dithering would scatter noise over
// flat areas, which a comparison tool must not invent, and make the files larger. This is faster than
// libimagequant's own remapping and exact for colours that are in the palette. In large images each
// distinct colour is searched once: the answers are kept in a table over all 2^24 colours, allocated
// zeroed so that only the pages in use are touched. Transparent pixels (with `keepTransparency`) are left
// for the caller.
bool remapNearest(const QImage& image, bool keepTransparency, PalettedImage& out) {
    const NearestPalette palette(out);
    Buffer<std::uint16_t> known;
    if (std::int64_t{image.width()} * image.height() >= kRemapTableAbovePixels) {
        known = allocateBuffer<std::uint16_t>(std::size_t{1} << 24, true);
        if (!known) {
            return false;
        }
    }
    for (int y = 0; y < image.height(); ++y) {
        const auto* src = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        std::uint8_t* dst =
            out.indices.get() + static_cast<std::size_t>(y) * static_cast<std::size_t>(out.width);
        for (int x = 0; x < image.width(); ++x) {
            if (keepTransparency && qAlpha(src[x]) == 0) {
                continue;
            }
            if (!known) {
                dst[x] = static_cast<std::uint8_t>(palette.nearest(src[x]));
                continue;
            }
            std::uint16_t& slot = known[src[x] & 0xFFFFFFu];
            if (slot == 0) {
                slot = static_cast<std::uint16_t>(palette.nearest(src[x]) + 1);
            }
            dst[x] = static_cast<std::uint8_t>(slot - 1);
        }
    }
    return true;
}

struct LiqHistogramDeleter {
    void operator()(liq_histogram* p) const { liq_histogram_destroy(p); }
};

bool mapWithQuantizer(const QImage& image, bool keepTransparency, bool anyTransparent, int limit,
                      PalettedImage& out) {
    std::unique_ptr<liq_attr, LiqAttrDeleter> attr(liq_attr_create());
    if (!attr || liq_set_max_colors(attr.get(), limit) != LIQ_OK ||
        liq_set_speed(attr.get(), kQuantizerSpeed) != LIQ_OK) {
        return false;
    }
    const bool sampled = std::int64_t{image.width()} * image.height() > kSampleAbovePixels;
    const int sampleWidth = sampled ? (image.width() + kSampleStep - 1) / kSampleStep : image.width();
    RowSource sampleSource{&image, keepTransparency, sampled};
    std::unique_ptr<liq_image, LiqImageDeleter> sample(
        liq_image_create_custom(attr.get(), readRow, &sampleSource, sampleWidth, image.height(), 0.0));
    std::unique_ptr<liq_histogram, LiqHistogramDeleter> histogram(liq_histogram_create(attr.get()));
    if (!sample || !histogram ||
        (anyTransparent && !setImportance(sample.get(), image, sampled, sampleWidth)) ||
        liq_histogram_add_image(histogram.get(), attr.get(), sample.get()) != LIQ_OK) {
        return false;
    }
    sample.reset();
    liq_result* rawResult = nullptr;
    if (liq_histogram_quantize(histogram.get(), attr.get(), &rawResult) != LIQ_OK || !rawResult) {
        return false;
    }
    std::unique_ptr<liq_result, LiqResultDeleter> result(rawResult);
    const liq_palette* palette = liq_get_palette(result.get());
    if (!palette || palette->count == 0 || palette->count > static_cast<unsigned>(limit)) {
        return false;
    }
    out.colorCount = static_cast<int>(palette->count);
    for (int i = 0; i < out.colorCount; ++i) {
        const liq_color& c = palette->entries[i];
        out.palette[static_cast<std::size_t>(i)] = qRgb(c.r, c.g, c.b);
    }
    if (!remapNearest(image, keepTransparency, out)) {
        return false;
    }
    if (anyTransparent) {
        addTransparentEntry(image, out);
    }
    return true;
}

bool hasTransparentPixel(const QImage& image) {
    if (!image.hasAlphaChannel()) {
        return false;
    }
    for (int y = 0; y < image.height(); ++y) {
        const auto* src = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(src[x]) == 0) {
                return true;
            }
        }
    }
    return false;
}

// giflib's output callback: appends to the QByteArray in UserData. A failed allocation becomes a short
// write, which giflib reports as an error, instead of an exception unwinding through C code.
int appendOutput(GifFileType* gif, const GifByteType* data, int length) {
    try {
        static_cast<QByteArray*>(gif->UserData)->append(reinterpret_cast<const char*>(data), length);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    return length;
}

struct GifCloser {
    void operator()(GifFileType* gif) const {
        int error = 0;
        EGifCloseFile(gif, &error);
    }
};
struct ColorMapDeleter {
    void operator()(ColorMapObject* map) const { GifFreeMapObject(map); }
};

QByteArray writeGif(PalettedImage& image) {
    int bits = 1;
    while ((1 << bits) < image.colorCount) {
        ++bits;
    }
    std::array<GifColorType, 256> colors{};
    for (int i = 0; i < image.colorCount; ++i) {
        const QRgb c = image.palette[static_cast<std::size_t>(i)];
        colors[static_cast<std::size_t>(i)] =
            GifColorType{static_cast<GifByteType>(qRed(c)), static_cast<GifByteType>(qGreen(c)),
                         static_cast<GifByteType>(qBlue(c))};
    }
    std::unique_ptr<ColorMapObject, ColorMapDeleter> colorMap(GifMakeMapObject(1 << bits, colors.data()));
    if (!colorMap) {
        return {};
    }

    QByteArray bytes;
    int error = 0;
    std::unique_ptr<GifFileType, GifCloser> gif(EGifOpen(&bytes, appendOutput, &error));
    if (!gif) {
        return {};
    }
    // The graphic control extension needs GIF89a.
    EGifSetGifVersion(gif.get(), true);
    if (EGifPutScreenDesc(gif.get(), image.width, image.height, bits, 0, colorMap.get()) == GIF_ERROR) {
        return {};
    }
    // Written in every file, transparent or not, right after the global colour table: the transparent
    // colour can then be set later by patching two bytes of it.
    GraphicsControlBlock control{};
    control.DisposalMode = DISPOSAL_UNSPECIFIED;
    control.UserInputFlag = false;
    control.DelayTime = 0;
    control.TransparentColor = image.transparentIndex >= 0 ? image.transparentIndex : NO_TRANSPARENT_COLOR;
    GifByteType extension[4];
    const std::size_t extensionLength = EGifGCBToExtension(&control, extension);
    if (EGifPutExtension(gif.get(), GRAPHICS_EXT_FUNC_CODE, static_cast<int>(extensionLength), extension) ==
            GIF_ERROR ||
        EGifPutImageDesc(gif.get(), 0, 0, image.width, image.height, false, nullptr) == GIF_ERROR) {
        return {};
    }
    for (int y = 0; y < image.height; ++y) {
        std::uint8_t* row =
            image.indices.get() + static_cast<std::size_t>(y) * static_cast<std::size_t>(image.width);
        if (EGifPutLine(gif.get(), row, image.width) == GIF_ERROR) {
            return {};
        }
    }
    GifFileType* finished = gif.release();
    if (EGifCloseFile(finished, &error) == GIF_ERROR) {
        return {};
    }
    return bytes;
}

} // namespace

PalettedImage quantizeImage(const QImage& source, int maxColors, bool keepTransparency) {
    if (source.isNull() || maxColors < 2 || maxColors > 256) {
        return {};
    }
    const QImage::Format format = source.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32;
    const QImage image = source.format() == format ? source : source.convertToFormat(format);
    if (image.isNull()) {
        return {};
    }
    keepTransparency = keepTransparency && image.hasAlphaChannel();

    PalettedImage out;
    out.width = image.width();
    out.height = image.height();
    out.indices = allocateBuffer<std::uint8_t>(static_cast<std::size_t>(out.width) *
                                               static_cast<std::size_t>(out.height));
    if (!out.indices) {
        return {};
    }
    const bool anyTransparent = keepTransparency && hasTransparentPixel(image);
    const int limit = anyTransparent ? maxColors - 1 : maxColors;
    if (mapExactColors(image, keepTransparency, limit, out)) {
        return out;
    }
    out.transparentIndex = -1;
    out.colorCount = 0;
    out.palette.fill(0);
    if (limit < 2 || !mapWithQuantizer(image, keepTransparency, anyTransparent, limit, out)) {
        return {};
    }
    return out;
}

QByteArray encodeGif(const QImage& image) {
    if (image.isNull() || image.width() > 65535 || image.height() > 65535) {
        return {};
    }
    PalettedImage paletted = quantizeImage(image, 256, true);
    if (paletted.isNull()) {
        return {};
    }
    return writeGif(paletted);
}

QImage quantizeTo256Colors(const QImage& image) {
    const PalettedImage paletted = quantizeImage(image, 256, false);
    if (paletted.isNull()) {
        return {};
    }
    QImage out(paletted.width, paletted.height, QImage::Format_RGB32);
    if (out.isNull()) {
        return {};
    }
    for (int y = 0; y < out.height(); ++y) {
        auto* dst = reinterpret_cast<QRgb*>(out.scanLine(y));
        const std::uint8_t* src = paletted.row(y);
        for (int x = 0; x < out.width(); ++x) {
            dst[x] = paletted.palette[src[x]] | 0xFF000000u;
        }
    }
    return out;
}

bool CGIFSub::markGifTransparent(QByteArray& file) {
    const qsizetype size = file.size();
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(file.constData());
    // Header "GIF87a"/"GIF89a" and the logical screen descriptor (offsets 6 … 12).
    if (size < 13 || bytes[0] != 'G' || bytes[1] != 'I' || bytes[2] != 'F' || bytes[3] != '8') {
        return false;
    }
    const std::uint8_t screenPacked = bytes[10];
    qsizetype tableOffset = 0;
    qsizetype entries = 0;
    qsizetype extension = 0;
    if (screenPacked & 0x80) {
        entries = qsizetype{2} << (screenPacked & 7);
        tableOffset = 13;
        extension = 13 + 3 * entries;
    } else {
        // No global table: the first image's local table, when an 8-byte extension at 13 is followed by
        // the image descriptor at 21 whose packed byte is at 30.
        if (size < 31 || bytes[21] != 0x2C || !(bytes[30] & 0x80)) {
            return false;
        }
        entries = qsizetype{2} << (bytes[30] & 7);
        tableOffset = 31;
        extension = 13;
    }
    if (tableOffset + 3 * entries > size || extension + 6 >= size) {
        return false;
    }
    // Introducer, label and block size of a graphic control extension; anything else is not patched.
    if (bytes[extension] != 0x21 || bytes[extension + 1] != 0xF9 || bytes[extension + 2] != 4) {
        return false;
    }
    int best = 0;
    int bestDistance = 1 << 30;
    for (qsizetype i = 0; i < entries; ++i) {
        const std::uint8_t* rgb = bytes + tableOffset + 3 * i;
        const int distance = std::abs(rgb[0] - 255) + std::abs(rgb[1] - 247) + std::abs(rgb[2] - 255);
        if (distance < bestDistance) {
            bestDistance = distance;
            best = static_cast<int>(i);
        }
    }
    const auto packed = static_cast<char>(bytes[extension + 3] | 1);
    char* data = file.data(); // may detach: `bytes` is not used after this
    data[extension + 3] = packed;
    data[extension + 6] = static_cast<char>(best);
    return true;
}

Status CGIFSub::MarkGifTransparent(const QString& path) {
    QByteArray file;
    if (Status read = readWholeFile(path, file); !read) {
        return read;
    }
    if (!markGifTransparent(file)) {
        return Status::failure(
            fileMessage(path, QStringLiteral("は透過色を設定できる GIF ファイルではありません")));
    }
    return writeFileAtomically(path, file);
}

} // namespace corvane
