// The watermark layout reader on arbitrary bytes. Whatever it accepts must hold at most 100 texts with
// terminated, valid code page 932 strings and values in range, must encode back to a file that reads
// the same without any adjustment, and must fit into any image.

#include "watermark/WatermarkFile.h"
#include "watermark/WatermarkList.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace corvane;

namespace {

void check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const WatermarkFileContents read = decodeWatermarkFile(bytes, QStringLiteral("fuzz.wcd"));
    if (!read.status) {
        check(read.texts.empty() && !read.status.message().isEmpty());
        return 0;
    }
    check(read.texts.size() <= 100);
    check(static_cast<std::size_t>(bytes.size()) == 4 + 384 * read.texts.size());
    for (const WatermarkText& text : read.texts) {
        check(text.size >= 8 && text.size <= 100 && text.shadow >= -100 && text.shadow <= 100);
        check(text.bold <= 1 && text.italic <= 1 && text.strike <= 1 && text.underline <= 1);
        check(!text.faceName().isEmpty());
        static_cast<void>(text.textString());
    }

    const QByteArray again = encodeWatermarkFile(read.texts);
    const WatermarkFileContents reread = decodeWatermarkFile(again, QStringLiteral("fuzz.wcd"));
    check(reread.status && reread.adjustments.isEmpty() && reread.texts == read.texts);

    // Any box fits into a small image and into a large one.
    for (const QSize working : {QSize(1, 1), QSize(37, 5), QSize(4000, 3000)}) {
        WatermarkList list;
        list.assign(read.texts, working);
        for (const WatermarkText& text : list.texts()) {
            check(text.left <= text.right && text.top <= text.bottom);
            check(text.left >= 0 && text.top >= 0);
            check(text.right <= std::max(working.width(), 1) && text.bottom <= std::max(working.height(), 1));
        }
    }
    return 0;
}
