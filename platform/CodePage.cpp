#include "platform/CodePage.h"

#include <iconv.h>

#include <cerrno>
#include <vector>

namespace corvane {

namespace {

// Converts all of `input` with iconv from one encoding to another; empty on any invalid or
// unconvertible sequence.
std::optional<QByteArray> convert(const char* to, const char* from, const QByteArray& input) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return std::nullopt;
    }
    std::vector<char> out(static_cast<std::size_t>(input.size()) * 4 + 16);
    char* in = const_cast<char*>(input.constData());
    std::size_t inLeft = static_cast<std::size_t>(input.size());
    char* outPtr = out.data();
    std::size_t outLeft = out.size();
    const std::size_t result = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    const bool flushed = iconv(cd, nullptr, nullptr, &outPtr, &outLeft) != static_cast<std::size_t>(-1);
    iconv_close(cd);
    if (result == static_cast<std::size_t>(-1) || inLeft != 0 || !flushed) {
        return std::nullopt;
    }
    return QByteArray(out.data(), static_cast<qsizetype>(out.size() - outLeft));
}

} // namespace

std::optional<QByteArray> toCp932(const QString& text) {
    return convert("CP932", "UTF-8", text.toUtf8());
}

std::optional<QString> fromCp932(const QByteArray& bytes) {
    const auto utf8 = convert("UTF-8", "CP932", bytes);
    if (!utf8) {
        return std::nullopt;
    }
    return QString::fromUtf8(*utf8);
}

} // namespace corvane
