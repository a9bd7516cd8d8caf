#include "watermark/WatermarkFile.h"

#include "platform/CodePage.h"
#include "platform/SafeFile.h"
#include "watermark/WatermarkList.h"

#include <QFile>

#include <algorithm>
#include <cstring>

namespace corvane {

namespace {

const std::uint8_t* byteData(const QByteArray& bytes) {
    return reinterpret_cast<const std::uint8_t*>(bytes.constData());
}

// Whether a string field ends inside itself and holds valid code page 932 before its end.
template <std::size_t N>
QString checkField(const std::array<char, N>& field, int number, const QString& what) {
    const auto end = std::find(field.begin(), field.end(), '\0');
    if (end == field.end()) {
        return QStringLiteral("の透かし文字 %1 の%2に終端がありません").arg(number).arg(what);
    }
    const QByteArray bytes(field.data(), static_cast<qsizetype>(end - field.begin()));
    if (!fromCp932(bytes)) {
        return QStringLiteral("の透かし文字 %1 の%2が正しいシフトJIS（コードページ932）ではありません")
            .arg(number)
            .arg(what);
    }
    return {};
}

// Brings `value` into low … high, noting the change.
void keepInRange(std::int32_t& value, int low, int high, int number, const QString& what,
                 QStringList& adjustments) {
    const std::int32_t kept = std::clamp(value, low, high);
    if (kept != value) {
        adjustments.push_back(QStringLiteral("透かし文字 %1 の%2 %3 を %4 にしました")
                                  .arg(number)
                                  .arg(what)
                                  .arg(value)
                                  .arg(kept));
        value = kept;
    }
}

void normaliseFlag(std::int32_t& flag) {
    flag = flag != 0 ? 1 : 0;
}

} // namespace

QByteArray encodeWatermarkFile(std::span<const WatermarkText> texts) {
    QByteArray bytes(static_cast<qsizetype>(4 + kWatermarkRecordBytes * texts.size()), '\0');
    auto* out = reinterpret_cast<std::uint8_t*>(bytes.data());
    const auto count = static_cast<std::uint32_t>(texts.size());
    out[0] = static_cast<std::uint8_t>(count >> 24);
    out[1] = static_cast<std::uint8_t>(count >> 16);
    out[2] = static_cast<std::uint8_t>(count >> 8);
    out[3] = static_cast<std::uint8_t>(count);
    for (std::size_t i = 0; i < texts.size(); ++i) {
        texts[i].encode(std::span<std::uint8_t, kWatermarkRecordBytes>(out + 4 + kWatermarkRecordBytes * i,
                                                                       kWatermarkRecordBytes));
    }
    return bytes;
}

WatermarkFileContents decodeWatermarkFile(const QByteArray& bytes, const QString& path) {
    WatermarkFileContents contents;
    contents.opened = true;
    const auto refuse = [&](const QString& reason) {
        contents.status = Status::failure(fileMessage(path, reason));
        contents.texts.clear();
        contents.adjustments.clear();
        return contents;
    };
    const qint64 length = bytes.size();
    if (length < 4) {
        return refuse(length == 0
                          ? QStringLiteral("は空です")
                          : QStringLiteral("は %1 バイトしかなく、透かし文字の数も読めません").arg(length));
    }
    const std::uint8_t* data = byteData(bytes);
    const std::uint32_t count = (std::uint32_t{data[0]} << 24) | (std::uint32_t{data[1]} << 16) |
                                (std::uint32_t{data[2]} << 8) | std::uint32_t{data[3]};
    if (count > static_cast<std::uint32_t>(kWatermarkCapacity)) {
        return refuse(QStringLiteral("の透かし文字の数 %1 は上限の %2 を超えています")
                          .arg(count)
                          .arg(kWatermarkCapacity));
    }
    const qint64 expected = 4 + static_cast<qint64>(kWatermarkRecordBytes) * count;
    if (length != expected) {
        return refuse(QStringLiteral("の長さ %1 バイトが透かし文字 %2 個分の %3 バイトと合いません")
                          .arg(length)
                          .arg(count)
                          .arg(expected));
    }
    contents.texts.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        const int number = static_cast<int>(i) + 1;
        WatermarkText text = WatermarkText::decode(std::span<const std::uint8_t, kWatermarkRecordBytes>(
            data + 4 + kWatermarkRecordBytes * i, kWatermarkRecordBytes));
        for (const QString& problem : {checkField(text.text, number, QStringLiteral("文字列")),
                                       checkField(text.face, number, QStringLiteral("フォント名"))}) {
            if (!problem.isEmpty()) {
                return refuse(problem);
            }
        }
        keepInRange(text.size, kWatermarkMinSize, kWatermarkMaxSize, number, QStringLiteral("文字サイズ"),
                    contents.adjustments);
        keepInRange(text.shadow, kWatermarkMinShadow, kWatermarkMaxShadow, number, QStringLiteral("影の長さ"),
                    contents.adjustments);
        for (std::int32_t* flag : {&text.bold, &text.italic, &text.strike, &text.underline, &text.selected}) {
            normaliseFlag(*flag);
        }
        contents.texts.push_back(text);
    }
    return contents;
}

WatermarkFileContents readWatermarkFile(const QString& path) {
    WatermarkFileContents contents;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        contents.status =
            Status::failure(fileMessage(path, QStringLiteral("を開けません（%1）").arg(file.errorString())));
        return contents;
    }
    // No layout is longer than 100 records: a longer file is refused without reading it.
    const QByteArray bytes = file.read(kWatermarkFileMaxBytes + 1);
    if (file.error() != QFileDevice::NoError) {
        contents.status =
            Status::failure(fileMessage(path, QStringLiteral("を読めません（%1）").arg(file.errorString())));
        return contents;
    }
    if (bytes.size() > kWatermarkFileMaxBytes) {
        contents.opened = true;
        contents.status = Status::failure(
            fileMessage(path, QStringLiteral("は透かし文字ファイルとしては大きすぎます（最大 %1 バイト）")
                                  .arg(kWatermarkFileMaxBytes)));
        return contents;
    }
    return decodeWatermarkFile(bytes, path);
}

Status writeWatermarkFile(const QString& path, std::span<const WatermarkText> texts) {
    return writeFileAtomically(path, encodeWatermarkFile(texts));
}

} // namespace corvane
