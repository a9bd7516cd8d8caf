// Speed of the file digests of the property comparison: each digest alone on bytes in memory (fed in the
// chunks HashFile reads), the three one after the other on one thread, and CHash::HashFile on a file in
// the page cache. Ends with a table in GB/s (10^9 bytes per second) and the SHA-256 goal.
//
// CORVANE_HASH_BENCH_MB sets the size of the data (default 256 MB).

#include "views/Hash.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <openssl/evp.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

using namespace corvane;

namespace {

constexpr std::size_t kChunk = std::size_t{1} << 20;
constexpr double kSha256GoalGBps = 1.5;

std::size_t dataBytes() {
    const char* mb = std::getenv("CORVANE_HASH_BENCH_MB");
    const long value = mb != nullptr ? std::atol(mb) : 256;
    return static_cast<std::size_t>(value > 0 ? value : 256) * 1'000'000;
}

const std::vector<unsigned char>& data() {
    static const std::vector<unsigned char> bytes = [] {
        std::vector<unsigned char> out(dataBytes());
        std::mt19937_64 random(1);
        for (std::size_t i = 0; i + 8 <= out.size(); i += 8) {
            const std::uint64_t v = random();
            for (int b = 0; b < 8; ++b) {
                out[i + static_cast<std::size_t>(b)] = static_cast<unsigned char>(v >> (8 * b));
            }
        }
        return out;
    }();
    return bytes;
}

// The data as a file, written once; removed when the program ends.
const QString& dataFile() {
    static QTemporaryDir folder;
    static const QString path = [] {
        const QString p = QDir(folder.path()).filePath(QStringLiteral("hash-bench.bin"));
        QFile file(p);
        if (!file.open(QIODevice::WriteOnly) ||
            file.write(reinterpret_cast<const char*>(data().data()), static_cast<qint64>(data().size())) !=
                static_cast<qint64>(data().size())) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(p));
            std::exit(2);
        }
        return p;
    }();
    return path;
}

void digestInChunks(EVP_MD_CTX* context, const EVP_MD* type) {
    const auto& bytes = data();
    EVP_DigestInit_ex(context, type, nullptr);
    for (std::size_t at = 0; at < bytes.size(); at += kChunk) {
        EVP_DigestUpdate(context, bytes.data() + at, std::min(kChunk, bytes.size() - at));
    }
    unsigned char out[EVP_MAX_MD_SIZE];
    unsigned length = 0;
    EVP_DigestFinal_ex(context, out, &length);
    benchmark::DoNotOptimize(out);
}

uLong crcInChunks() {
    const auto& bytes = data();
    uLong crc = crc32_z(0, nullptr, 0);
    for (std::size_t at = 0; at < bytes.size(); at += kChunk) {
        crc = crc32_z(crc, bytes.data() + at, std::min(kChunk, bytes.size() - at));
    }
    return crc;
}

struct ContextDeleter {
    void operator()(EVP_MD_CTX* c) const { EVP_MD_CTX_free(c); }
};

void runDigest(benchmark::State& state, const EVP_MD* type) {
    data(); // made outside the timed loop
    const std::unique_ptr<EVP_MD_CTX, ContextDeleter> context(EVP_MD_CTX_new());
    for (auto _ : state) {
        digestInChunks(context.get(), type);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * data().size()));
}

void Sha256(benchmark::State& state) {
    runDigest(state, EVP_sha256());
}
void Md5(benchmark::State& state) {
    runDigest(state, EVP_md5());
}
void Crc32(benchmark::State& state) {
    data(); // made outside the timed loop
    for (auto _ : state) {
        benchmark::DoNotOptimize(crcInChunks());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * data().size()));
}

// What HashFile would cost without its second thread: the three digests one after the other.
void ThreeDigestsOneThread(benchmark::State& state) {
    const std::unique_ptr<EVP_MD_CTX, ContextDeleter> context(EVP_MD_CTX_new());
    for (auto _ : state) {
        digestInChunks(context.get(), EVP_md5());
        digestInChunks(context.get(), EVP_sha256());
        benchmark::DoNotOptimize(crcInChunks());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * data().size()));
}

void HashFile(benchmark::State& state) {
    const QString& path = dataFile();
    const CHash hash;
    for (auto _ : state) {
        QString crc;
        QString md5;
        QString sha256;
        if (!hash.HashFile(path, crc, md5, sha256)) {
            state.SkipWithError("HashFile failed");
            break;
        }
        benchmark::DoNotOptimize(sha256);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * data().size()));
}

// Prints Google Benchmark's lines, then the rates in GB/s and whether SHA-256 meets its goal.
class RateReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred) {
                continue;
            }
            const auto rate = run.counters.find("bytes_per_second");
            if (rate == run.counters.end()) {
                continue;
            }
            const std::string name = run.run_name.function_name;
            if (!m_rates.count(name)) {
                m_order.push_back(name);
            }
            m_rates[name] = rate->second.value / 1e9;
        }
    }

    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("\n| operation (%zu MB) | GB/s | goal |\n|---|---:|---|\n", data().size() / 1'000'000);
        for (const std::string& name : m_order) {
            char goal[64] = "";
            if (name == "Sha256") {
                m_goalMet = m_rates[name] >= kSha256GoalGBps;
                std::snprintf(goal, sizeof goal, "≥ %.1f GB/s %s", kSha256GoalGBps,
                              m_goalMet ? "met" : "MISSED");
            }
            std::printf("| %s | %.2f | %s |\n", name.c_str(), m_rates[name], goal);
        }
    }

    bool goalMet() const { return m_goalMet; }

private:
    std::map<std::string, double> m_rates;
    std::vector<std::string> m_order;
    bool m_goalMet = true;
};

} // namespace

BENCHMARK(Sha256)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Md5)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Crc32)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(ThreeDigestsOneThread)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(HashFile)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 2;
    }
    RateReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return reporter.goalMet() ? 0 : 1;
}
