// Decoding image files. PNG: our reader against Qt's, each next to the floor of inflating the same image
// data with libdeflate into a buffer touched before, and the whole loader path (decoding, key colour, the
// 32-bit surface). JPEG: Qt's reader, which the loader uses, against libjpeg-turbo called directly with
// the surface's byte order. And the cost of first touching fresh memory with small and with 2 MB pages.
//
// corvane-png-bench [benchmark options] FILE.png|FILE.jpg...

#include "imagefiles/ImageConversion.h"
#include "imagefiles/ImageLoader.h"
#include "imagefiles/PngReader.h"
#include "platform/Allocation.h"

#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include <jpeglib.h>
#include <libdeflate.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#if defined(__linux__)
#include <sys/mman.h>
#endif

using namespace corvane;

namespace {

std::uint32_t be32(const std::uint8_t* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

// The joined zlib stream of a PNG's IDAT chunks and the size it inflates to (8-bit, not interlaced).
struct Stream {
    std::vector<std::uint8_t> data;
    std::size_t inflatedBytes = 0;
};

Stream streamOf(const QByteArray& file) {
    Stream out;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(file.constData());
    const auto size = static_cast<std::size_t>(file.size());
    for (std::size_t at = 8; at + 12 <= size;) {
        const std::size_t length = be32(bytes + at);
        if (at + 12 + length > size) {
            break;
        }
        if (std::memcmp(bytes + at + 4, "IHDR", 4) == 0) {
            const std::size_t width = be32(bytes + at + 8);
            const std::size_t height = be32(bytes + at + 12);
            static constexpr std::size_t kChannels[7] = {1, 0, 3, 1, 2, 0, 4};
            out.inflatedBytes = height * (1 + width * kChannels[bytes[at + 17] % 7]);
        } else if (std::memcmp(bytes + at + 4, "IDAT", 4) == 0) {
            out.data.insert(out.data.end(), bytes + at + 8, bytes + at + 8 + length);
        }
        at += 12 + length;
    }
    return out;
}

void inflateFloor(benchmark::State& state, const QByteArray& file) {
    const Stream stream = streamOf(file);
    std::vector<std::uint8_t> out(stream.inflatedBytes, 1);
    libdeflate_decompressor* d = libdeflate_alloc_decompressor();
    for (auto _ : state) {
        std::size_t produced = 0;
        if (libdeflate_zlib_decompress(d, stream.data.data(), stream.data.size(), out.data(), out.size(),
                                       &produced) != LIBDEFLATE_SUCCESS) {
            state.SkipWithError("inflate failed");
            break;
        }
        benchmark::DoNotOptimize(out.data());
    }
    libdeflate_free_decompressor(d);
}

void ourReader(benchmark::State& state, const QByteArray& file) {
    for (auto _ : state) {
        PngImage image;
        if (readPng({reinterpret_cast<const std::uint8_t*>(file.constData()),
                     static_cast<std::size_t>(file.size())},
                    image)
                .outcome != PngOutcome::Decoded) {
            state.SkipWithError("not decoded by our reader");
            break;
        }
        benchmark::DoNotOptimize(image.pixels.get());
    }
}

void qtReader(benchmark::State& state, const QByteArray& file) {
    QImageReader::setAllocationLimit(1024);
    for (auto _ : state) {
        QBuffer buffer;
        buffer.setData(file);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer, "png");
        QImage image;
        if (!reader.read(&image)) {
            state.SkipWithError("Qt's reader failed");
            break;
        }
        image.convertTo(QImage::Format_ARGB32);
        benchmark::DoNotOptimize(image.constBits());
    }
}

void loaderPath(benchmark::State& state, const QByteArray& file) {
    for (auto _ : state) {
        LoadedImage loaded;
        if (!loadImageBytes(file, QStringLiteral("bench.png"), 32, loaded)) {
            state.SkipWithError("not loaded");
            break;
        }
        const DeviceBitmap surface = takeSurface(loaded, 32);
        benchmark::DoNotOptimize(surface.bits().data());
    }
}

// As the loader reads JPEG files: Qt's reader writing into a buffer of ours.
void qtJpegReader(benchmark::State& state, const QByteArray& file) {
    QImageReader::setAllocationLimit(1024);
    for (auto _ : state) {
        QBuffer buffer;
        buffer.setData(file);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer, "jpeg");
        Buffer<std::uint8_t> storage;
        QImage image = imageOnNewBuffer(reader.size(), QImage::Format_RGB32, storage);
        if (!reader.read(&image) || image.constBits() != storage.get()) {
            state.SkipWithError("Qt's reader failed or wrote elsewhere");
            break;
        }
        benchmark::DoNotOptimize(image.constBits());
    }
}

// libjpeg-turbo writing B, G, R, A straight into a buffer of ours, a few rows per call: the most a decoder of
// our own on its API could gain.
void directJpeg(benchmark::State& state, const QByteArray& file) {
    for (auto _ : state) {
        jpeg_decompress_struct info{};
        jpeg_error_mgr errors{};
        info.err = jpeg_std_error(&errors);
        jpeg_create_decompress(&info);
        jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(file.constData()),
                     static_cast<unsigned long>(file.size()));
        jpeg_read_header(&info, TRUE);
        info.out_color_space = JCS_EXT_BGRA;
        jpeg_start_decompress(&info);
        const std::size_t stride = std::size_t{4} * info.output_width;
        Buffer<std::uint8_t> pixels = allocateBuffer<std::uint8_t>(stride * info.output_height);
        while (info.output_scanline < info.output_height) {
            JSAMPROW rows[8];
            JDIMENSION count = 0;
            for (; count < 8 && info.output_scanline + count < info.output_height; ++count) {
                rows[count] = pixels.get() + stride * (info.output_scanline + count);
            }
            jpeg_read_scanlines(&info, rows, count);
        }
        jpeg_finish_decompress(&info);
        jpeg_destroy_decompress(&info);
        benchmark::DoNotOptimize(pixels.get());
    }
}

// Touching every page of a fresh 48 MB buffer (one 12-megapixel 32-bit surface).
constexpr std::size_t kTouchBytes = std::size_t{48} << 20;

void firstTouchSmallPages(benchmark::State& state) {
    for (auto _ : state) {
        void* block = std::malloc(kTouchBytes);
#if defined(__linux__) && defined(MADV_NOHUGEPAGE)
        madvise(
            reinterpret_cast<void*>((reinterpret_cast<std::uintptr_t>(block) + 4095) & ~std::uintptr_t{4095}),
            kTouchBytes - 4096, MADV_NOHUGEPAGE);
#endif
        std::memset(block, 1, kTouchBytes);
        benchmark::DoNotOptimize(block);
        std::free(block);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kTouchBytes));
}

void firstTouchLargePages(benchmark::State& state) {
    for (auto _ : state) {
        Buffer<std::uint8_t> block = allocateBuffer<std::uint8_t>(kTouchBytes);
        std::memset(block.get(), 1, kTouchBytes);
        benchmark::DoNotOptimize(block.get());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kTouchBytes));
}

void touchedAgain(benchmark::State& state) {
    Buffer<std::uint8_t> block = allocateBuffer<std::uint8_t>(kTouchBytes);
    std::memset(block.get(), 1, kTouchBytes);
    for (auto _ : state) {
        std::memset(block.get(), 2, kTouchBytes);
        benchmark::DoNotOptimize(block.get());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kTouchBytes));
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    std::vector<QByteArray> files;
    files.reserve(static_cast<std::size_t>(argc));
    for (int i = 1; i < argc; ++i) {
        QFile file(QString::fromLocal8Bit(argv[i]));
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "cannot read %s\n", argv[i]);
            return 2;
        }
        files.push_back(file.readAll());
        const std::string name = QFileInfo(file.fileName()).fileName().toStdString();
        const QByteArray& bytes = files.back();
        const auto add = [&](const char* what, void (*f)(benchmark::State&, const QByteArray&)) {
            benchmark::RegisterBenchmark((std::string(what) + "/" + name).c_str(), f, bytes)
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime();
        };
        if (bytes.startsWith("\xFF\xD8")) {
            add("Qt's JPEG reader", qtJpegReader);
            add("libjpeg-turbo direct", directJpeg);
            continue;
        }
        add("inflate floor", inflateFloor);
        add("our reader", ourReader);
        add("Qt's reader", qtReader);
        add("loader to surface", loaderPath);
    }
    benchmark::RegisterBenchmark("first touch 48 MB with 4 kB pages", firstTouchSmallPages)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("first touch 48 MB with 2 MB pages", firstTouchLargePages)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("touched again 48 MB", touchedAgain)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
