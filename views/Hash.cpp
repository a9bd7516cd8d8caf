#include "views/Hash.h"

#include "platform/Allocation.h"

#include <QFile>

#include <openssl/evp.h>
#include <zlib.h>

#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>

namespace corvane {

namespace {

// Large enough that handing a chunk to the other thread costs nothing measurable, small enough that a
// chunk is still in the shared cache when the second digest reads it.
constexpr qint64 kChunkBytes = qint64{1} << 20;

struct MdContextDeleter {
    void operator()(EVP_MD_CTX* context) const noexcept { EVP_MD_CTX_free(context); }
};
using MdContext = std::unique_ptr<EVP_MD_CTX, MdContextDeleter>;

MdContext startDigest(const EVP_MD* type) {
    MdContext context(EVP_MD_CTX_new());
    if (!context || EVP_DigestInit_ex(context.get(), type, nullptr) != 1) {
        return {};
    }
    return context;
}

bool updateDigest(EVP_MD_CTX* context, const unsigned char* data, std::size_t size) {
    return EVP_DigestUpdate(context, data, size) == 1;
}

// Feeds one digest, on a thread of its own, with the chunks it is handed one at a time. MD5 is the
// slowest of the three digests; computing it beside SHA-256 and CRC-32 nearly halves the time of a file.
class DigestThread {
public:
    explicit DigestThread(EVP_MD_CTX* context) : m_context(context) {}
    ~DigestThread() { stop(); }
    DigestThread(const DigestThread&) = delete;
    DigestThread& operator=(const DigestThread&) = delete;

    // False when no thread can be started; the caller then computes the digest itself.
    bool start() {
        try {
            m_thread = std::thread([this] { run(); });
        } catch (const std::exception&) {
            // No thread (system_error) or no memory for its state: the caller works alone.
            return false;
        }
        return true;
    }

    // Hands over a chunk that must stay unchanged until wait() returns.
    void post(const unsigned char* data, std::size_t size) {
        {
            const std::lock_guard lock(m_mutex);
            m_data = data;
            m_size = size;
            m_pending = true;
        }
        m_changed.notify_all();
    }

    // Waits until the chunk is digested; false when any update failed.
    bool wait() {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return !m_pending; });
        return m_ok;
    }

private:
    void run() {
        std::unique_lock lock(m_mutex);
        for (;;) {
            m_changed.wait(lock, [this] { return m_pending || m_stop; });
            if (!m_pending) {
                return;
            }
            const unsigned char* data = m_data;
            const std::size_t size = m_size;
            lock.unlock();
            const bool ok = updateDigest(m_context, data, size);
            lock.lock();
            m_ok = m_ok && ok;
            m_pending = false;
            m_changed.notify_all();
        }
    }

    void stop() {
        if (!m_thread.joinable()) {
            return;
        }
        {
            const std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_changed.notify_all();
        m_thread.join();
    }

    EVP_MD_CTX* m_context;
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    const unsigned char* m_data = nullptr;
    std::size_t m_size = 0;
    bool m_pending = false;
    bool m_stop = false;
    bool m_ok = true;
};

// Fills `out` with up to kChunkBytes of the file; fewer only at its end. -1 on a read error.
qint64 readChunk(QFile& file, unsigned char* out) {
    qint64 total = 0;
    while (total < kChunkBytes) {
        const qint64 got = file.read(reinterpret_cast<char*>(out) + total, kChunkBytes - total);
        if (got < 0) {
            return -1;
        }
        if (got == 0) {
            break;
        }
        total += got;
    }
    return total;
}

QString hexText(const unsigned char* bytes, std::size_t count, bool lowerCase) {
    const char* digits = lowerCase ? "0123456789abcdef" : "0123456789ABCDEF";
    QString text(static_cast<qsizetype>(2 * count), Qt::Uninitialized);
    QChar* out = text.data();
    for (std::size_t i = 0; i < count; ++i) {
        *out++ = QLatin1Char(digits[bytes[i] >> 4]);
        *out++ = QLatin1Char(digits[bytes[i] & 0x0F]);
    }
    return text;
}

} // namespace

bool CHash::HashFile(const QString& path, QString& crc, QString& md5, QString& sha256,
                     const ProgressFn& progress) const {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        return false;
    }
    const qint64 fileSize = file.size();
    qint64 digested = 0;
    auto buffer = allocateBuffer<unsigned char>(2 * static_cast<std::size_t>(kChunkBytes));
    const MdContext md5Context = startDigest(EVP_md5());
    const MdContext sha256Context = startDigest(EVP_sha256());
    if (!buffer || !md5Context || !sha256Context) {
        return false;
    }
    unsigned char* const chunks[2] = {buffer.get(), buffer.get() + kChunkBytes};
    uLong crcValue = crc32_z(0, nullptr, 0);

    qint64 size = readChunk(file, chunks[0]);
    // Declared after the contexts so that the thread is joined before they are freed. A file of one
    // chunk is done before a thread would have started.
    DigestThread md5Thread(md5Context.get());
    const bool parallel = size == kChunkBytes && std::thread::hardware_concurrency() > 1 && md5Thread.start();
    bool ok = size >= 0;
    int current = 0;
    while (ok && size > 0) {
        const unsigned char* data = chunks[current];
        const auto count = static_cast<std::size_t>(size);
        if (parallel) {
            md5Thread.post(data, count);
        } else {
            ok = updateDigest(md5Context.get(), data, count);
        }
        ok = updateDigest(sha256Context.get(), data, count) && ok;
        crcValue = crc32_z(crcValue, data, count);
        digested += size;
        if (progress) {
            // A file that grew while it is read reports its size so far.
            progress(digested, std::max(fileSize, digested));
        }
        // The other buffer is free: the MD5 thread finished with it before this chunk was posted.
        size = readChunk(file, chunks[1 - current]);
        if (parallel) {
            ok = md5Thread.wait() && ok;
        }
        ok = ok && size >= 0;
        current = 1 - current;
    }
    if (!ok) {
        return false;
    }

    unsigned char md5Bytes[EVP_MAX_MD_SIZE];
    unsigned char sha256Bytes[EVP_MAX_MD_SIZE];
    unsigned md5Length = 0;
    unsigned sha256Length = 0;
    if (EVP_DigestFinal_ex(md5Context.get(), md5Bytes, &md5Length) != 1 ||
        EVP_DigestFinal_ex(sha256Context.get(), sha256Bytes, &sha256Length) != 1) {
        return false;
    }
    const auto crc32Value = static_cast<std::uint32_t>(crcValue);
    const unsigned char crcBytes[4] = {
        static_cast<unsigned char>(crc32Value >> 24), static_cast<unsigned char>(crc32Value >> 16),
        static_cast<unsigned char>(crc32Value >> 8), static_cast<unsigned char>(crc32Value)};
    crc = hexText(crcBytes, sizeof crcBytes, m_lowerCase);
    md5 = hexText(md5Bytes, md5Length, m_lowerCase);
    sha256 = hexText(sha256Bytes, sha256Length, m_lowerCase);
    return true;
}

} // namespace corvane
