// The PNG key-colour reader on arbitrary bytes: its byte scans and the positions derived from their hits
// must never lead outside them.

#include "imagefiles/KeyColour.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    corvane::ColorRef key = corvane::kNoColor;
    corvane::CPNGSub::ReadPngKeyColour(bytes, key);
    return 0;
}
