#include "imagefiles/GifReader.h"

#include "platform/Allocation.h"

#include <gif_lib.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>

namespace corvane {

namespace {

struct MemoryInput {
    const GifByteType* data = nullptr;
    std::size_t size = 0;
    std::size_t position = 0;
};

// giflib's read callback: copies what is left of the bytes, fewer at the end (giflib treats a short
// read as an error).
int readFromMemory(GifFileType* gif, GifByteType* buffer, int length) {
    auto* input = static_cast<MemoryInput*>(gif->UserData);
    if (length <= 0) {
        return 0;
    }
    const std::size_t count = std::min(static_cast<std::size_t>(length), input->size - input->position);
    std::memcpy(buffer, input->data + input->position, count);
    input->position += count;
    return static_cast<int>(count);
}

struct GifCloser {
    void operator()(GifFileType* gif) const noexcept {
        int error = 0;
        DGifCloseFile(gif, &error);
    }
};
using GifHandle = std::unique_ptr<GifFileType, GifCloser>;

const QString kGif = QStringLiteral("gif");

Status corrupt(const QString& path, const QString& detail) {
    return corruptImageStatus(path, kGif, detail);
}

// Rows of an interlaced frame come in four passes: every 8th row from 0, every 8th from 4, every 4th
// from 2, every 2nd from 1.
constexpr int kPassStart[4] = {0, 4, 2, 1};
constexpr int kPassStep[4] = {8, 8, 4, 2};

} // namespace

Status decodeGif(const QByteArray& file, const QString& path, QImage& out, qint64 maxPixels) {
    MemoryInput input{reinterpret_cast<const GifByteType*>(file.constData()),
                      static_cast<std::size_t>(file.size()), 0};
    int error = 0;
    const GifHandle gif(DGifOpen(&input, readFromMemory, &error));
    if (!gif) {
        return corrupt(path, QStringLiteral("ヘッダーを読めません"));
    }
    const QSize screen(gif->SWidth, gif->SHeight);
    if (screen.width() <= 0 || screen.height() <= 0) {
        return corrupt(path, QStringLiteral("画面の幅または高さが 0 です"));
    }
    if (!withinImageLimits(screen, maxPixels)) {
        return imageTooLargeStatus(path, screen);
    }

    int transparentIndex = NO_TRANSPARENT_COLOR;
    for (;;) {
        GifRecordType record = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif.get(), &record) == GIF_ERROR) {
            return corrupt(path, QStringLiteral("ブロックを読めません"));
        }
        if (record == TERMINATE_RECORD_TYPE) {
            return corrupt(path, QStringLiteral("画像がありません"));
        }
        if (record == EXTENSION_RECORD_TYPE) {
            int code = 0;
            GifByteType* block = nullptr;
            if (DGifGetExtension(gif.get(), &code, &block) == GIF_ERROR) {
                return corrupt(path, QStringLiteral("拡張ブロックを読めません"));
            }
            if (code == GRAPHICS_EXT_FUNC_CODE && block != nullptr) {
                // Only the last graphic control block before the frame applies to it; one of the wrong
                // length carries no transparency.
                GraphicsControlBlock control;
                transparentIndex = DGifExtensionToGCB(block[0], block + 1, &control) == GIF_OK
                                       ? control.TransparentColor
                                       : NO_TRANSPARENT_COLOR;
            }
            while (block != nullptr) {
                if (DGifGetExtensionNext(gif.get(), &block) == GIF_ERROR) {
                    return corrupt(path, QStringLiteral("拡張ブロックを読めません"));
                }
            }
            continue;
        }
        if (record == IMAGE_DESC_RECORD_TYPE) {
            break;
        }
        return corrupt(path, QStringLiteral("不明なブロックがあります"));
    }

    if (DGifGetImageDesc(gif.get()) == GIF_ERROR) {
        return corrupt(path, QStringLiteral("画像の記述を読めません"));
    }
    const GifImageDesc& frame = gif->Image;
    const QSize frameSize(frame.Width, frame.Height);
    if (frameSize.width() <= 0 || frameSize.height() <= 0) {
        return corrupt(path, QStringLiteral("画像の幅または高さが 0 です"));
    }
    if (!withinImageLimits(frameSize, maxPixels)) {
        return imageTooLargeStatus(path, frameSize);
    }
    const ColorMapObject* colours = frame.ColorMap != nullptr ? frame.ColorMap : gif->SColorMap;
    if (colours == nullptr || colours->Colors == nullptr || colours->ColorCount <= 0) {
        return corrupt(path, QStringLiteral("カラーテーブルがありません"));
    }

    // Every entry as an ARGB value; indices beyond the table are opaque black.
    QRgb palette[256];
    for (int i = 0; i < 256; ++i) {
        palette[i] = qRgb(0, 0, 0);
    }
    for (int i = 0; i < std::min(colours->ColorCount, 256); ++i) {
        const GifColorType& c = colours->Colors[i];
        palette[i] = qRgb(c.Red, c.Green, c.Blue);
    }
    const bool hasTransparency = transparentIndex >= 0 && transparentIndex < 256;
    if (hasTransparency) {
        palette[transparentIndex] &= 0x00FFFFFFu;
    }

    QImage image(screen, QImage::Format_ARGB32);
    Buffer<GifPixelType> line = allocateBuffer<GifPixelType>(static_cast<std::size_t>(frame.Width));
    if (image.isNull() || !line) {
        return imageOutOfMemoryStatus(path);
    }
    // Outside the frame the screen is transparent, in the colour of the transparent index if there is one.
    image.fill(hasTransparency ? palette[transparentIndex] : QRgb{0});

    // Only the part of the frame inside the screen is drawn.
    const int visibleLeft = std::min(frame.Left, screen.width());
    const int visibleWidth = std::clamp(screen.width() - frame.Left, 0, frame.Width);
    const auto drawRow = [&](int row) {
        const int y = frame.Top + row;
        if (y < 0 || y >= screen.height() || visibleWidth == 0) {
            return;
        }
        auto* target = reinterpret_cast<QRgb*>(image.scanLine(y)) + visibleLeft;
        for (int x = 0; x < visibleWidth; ++x) {
            target[x] = palette[line[static_cast<std::size_t>(x)]];
        }
    };
    const auto readRow = [&](int row) {
        if (DGifGetLine(gif.get(), line.get(), frame.Width) == GIF_ERROR) {
            return false;
        }
        drawRow(row);
        return true;
    };

    if (frame.Interlace) {
        for (int pass = 0; pass < 4; ++pass) {
            for (int row = kPassStart[pass]; row < frame.Height; row += kPassStep[pass]) {
                if (!readRow(row)) {
                    return corrupt(path, QStringLiteral("画像データが壊れているか途中で終わっています"));
                }
            }
        }
    } else {
        for (int row = 0; row < frame.Height; ++row) {
            if (!readRow(row)) {
                return corrupt(path, QStringLiteral("画像データが壊れているか途中で終わっています"));
            }
        }
    }
    out = std::move(image);
    return Status::success();
}

} // namespace corvane
