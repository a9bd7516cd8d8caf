// The BMP key-colour reader on arbitrary bytes: it must never read outside them.

#include "imagefiles/KeyColour.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    corvane::ColorRef key = corvane::kNoColor;
    corvane::ReadBmpKeyColour(bytes, key);
    return 0;
}
