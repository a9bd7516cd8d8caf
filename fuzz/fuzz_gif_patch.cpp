// Patches arbitrary bytes as a GIF file: the patch must never touch bytes outside the array, must keep
// its size, and may change only the packed byte and the index of one graphic control extension.

#include "imagefiles/GifWriter.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray before(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QByteArray bytes = before;
    const bool patched = corvane::CGIFSub::markGifTransparent(bytes);
    if (bytes.size() != before.size()) {
        std::abort();
    }
    int changed = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        changed += bytes[i] != before[i] ? 1 : 0;
    }
    if ((!patched && changed != 0) || changed > 2) {
        std::abort();
    }
    return 0;
}
