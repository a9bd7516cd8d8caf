// Decoding PNG files: our reader against Qt's, each next to the floor of inflating the same image data
// with libdeflate into a buffer touched before; the whole loader path (decoding, key colour, the 32-bit
// surface); and the cost of first touching fresh memory with small and with 2 MB pages.
//
// corvane-png-bench [benchmark options] FILE.png...

#include "imagefiles/ImageLoader.h"
#include "imagefiles/PngReader.h"
#include "platform/Allocation.h"

#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>

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
        add("inflate floor", inflateFloor);
        add("our reader", ourReader);
        add("Qt's reader", qtReader);
        add("loader to surface", loaderPath);
    }
    benchmark::RegisterBenchmark("first touch 48 MB, 4 kB pages", firstTouchSmallPages)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("first touch 48 MB, 2 MB pages", firstTouchLargePages)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("touched again 48 MB", touchedAgain)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
