#include "watermark/WatermarkText.h"

#include "platform/CodePage.h"

#include <QList>

#include <algorithm>
#include <cstring>

namespace corvane {

namespace {

// Offsets of the fields in the record.
constexpr std::size_t kColorAt = 300;
constexpr std::size_t kBoxAt = 304;
constexpr std::size_t kFaceAt = 320;
constexpr std::size_t kSizeAt = 352;

void putLe32(std::uint8_t* out, std::uint32_t value) {
    out[0] = static_cast<std::uint8_t>(value);
    out[1] = static_cast<std::uint8_t>(value >> 8);
    out[2] = static_cast<std::uint8_t>(value >> 16);
    out[3] = static_cast<std::uint8_t>(value >> 24);
}

std::uint32_t getLe32(const std::uint8_t* in) {
    return std::uint32_t{in[0]} | (std::uint32_t{in[1]} << 8) | (std::uint32_t{in[2]} << 16) |
           (std::uint32_t{in[3]} << 24);
}

// First bytes of the double-byte characters of code page 932.
bool isLeadByte(std::uint8_t byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

// The bytes of a field up to its terminator (or the whole field when it has none).
template <std::size_t N>
QByteArray fieldBytes(const std::array<char, N>& field) {
    const auto end = std::find(field.begin(), field.end(), '\0');
    return QByteArray(field.data(), static_cast<qsizetype>(end - field.begin()));
}

// Stores `bytes` (shorter than the field) with its terminator; the rest of the field is cleared, so
// that a field never keeps the tail of an earlier, longer string.
template <std::size_t N>
void storeField(std::array<char, N>& field, const QByteArray& bytes) {
    field.fill('\0');
    std::memcpy(field.data(), bytes.constData(),
                std::min<std::size_t>(static_cast<std::size_t>(bytes.size()), N - 1));
}

template <std::size_t N>
FieldFit setField(std::array<char, N>& field, const QString& text) {
    const std::optional<Cp932Field> encoded = cp932Field(text, N - 1);
    if (!encoded) {
        return FieldFit::Unencodable;
    }
    storeField(field, encoded->bytes);
    return encoded->cut ? FieldFit::Cut : FieldFit::Whole;
}

} // namespace

QString defaultWatermarkFace() {
    return QStringLiteral("MS UI Gothic");
}

std::optional<Cp932Field> cp932Field(const QString& text, std::size_t limit) {
    const std::optional<QByteArray> encoded = toCp932(text);
    if (!encoded) {
        return std::nullopt;
    }
    Cp932Field field;
    field.bytes = *encoded;
    // A NUL ends the string where it stands.
    if (const qsizetype nul = field.bytes.indexOf('\0'); nul >= 0) {
        field.bytes.truncate(nul);
    }
    if (static_cast<std::size_t>(field.bytes.size()) <= limit) {
        return field;
    }
    // Walk whole characters (a lead byte with its trail byte, CR with its LF) while they fit.
    std::size_t kept = 0;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(field.bytes.constData());
    const auto total = static_cast<std::size_t>(field.bytes.size());
    while (kept < total) {
        std::size_t length = 1;
        if (isLeadByte(bytes[kept]) && kept + 1 < total) {
            length = 2;
        } else if (bytes[kept] == '\r' && kept + 1 < total && bytes[kept + 1] == '\n') {
            length = 2;
        }
        if (kept + length > limit) {
            break;
        }
        kept += length;
    }
    field.bytes.truncate(static_cast<qsizetype>(kept));
    field.cut = true;
    return field;
}

QString charactersOutsideCp932(const QString& text) {
    QString outside;
    const QList<uint> codePoints = text.toUcs4();
    for (const uint codePoint : codePoints) {
        const QString character = QString::fromUcs4(reinterpret_cast<const char32_t*>(&codePoint), 1);
        if (!toCp932(character) && !outside.contains(character)) {
            outside += character;
        }
    }
    return outside;
}

void WatermarkText::reset() {
    *this = WatermarkText{};
    setFace(defaultWatermarkFace());
}

QRect WatermarkText::box() const {
    // Coordinates of a record read from elsewhere may be anything; a rectangle is made only of values
    // whose sums stay far from the ends of int.
    static constexpr std::int32_t kLimit = 1 << 29;
    const auto bounded = [](std::int32_t value) {
        return std::clamp(value, -kLimit, kLimit);
    };
    const std::int32_t l = bounded(std::min(left, right));
    const std::int32_t t = bounded(std::min(top, bottom));
    return QRect(l, t, bounded(std::max(left, right)) - l, bounded(std::max(top, bottom)) - t);
}

void WatermarkText::setBox(const QRect& rect) {
    left = rect.x();
    top = rect.y();
    right = rect.x() + rect.width();
    bottom = rect.y() + rect.height();
}

QString WatermarkText::textString() const {
    return fromCp932(fieldBytes(text)).value_or(QString());
}

FieldFit WatermarkText::setText(const QString& value) {
    QString lines = value;
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    lines.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return setField(text, lines);
}

QString WatermarkText::faceName() const {
    const QString name = fromCp932(fieldBytes(face)).value_or(QString());
    return name.isEmpty() ? defaultWatermarkFace() : name;
}

FieldFit WatermarkText::setFace(const QString& value) {
    return setField(face, value);
}

void WatermarkText::encode(std::span<std::uint8_t, kWatermarkRecordBytes> out) const {
    std::uint8_t* bytes = out.data();
    std::memcpy(bytes, text.data(), text.size());
    putLe32(bytes + kColorAt, color);
    const std::int32_t box[] = {left, top, right, bottom};
    for (std::size_t i = 0; i < 4; ++i) {
        putLe32(bytes + kBoxAt + 4 * i, static_cast<std::uint32_t>(box[i]));
    }
    std::memcpy(bytes + kFaceAt, face.data(), face.size());
    const std::uint32_t tail[] = {static_cast<std::uint32_t>(size),
                                  static_cast<std::uint32_t>(bold),
                                  static_cast<std::uint32_t>(italic),
                                  static_cast<std::uint32_t>(strike),
                                  static_cast<std::uint32_t>(underline),
                                  static_cast<std::uint32_t>(shadow),
                                  shadowColor,
                                  static_cast<std::uint32_t>(selected)};
    for (std::size_t i = 0; i < std::size(tail); ++i) {
        putLe32(bytes + kSizeAt + 4 * i, tail[i]);
    }
}

WatermarkText WatermarkText::decode(std::span<const std::uint8_t, kWatermarkRecordBytes> in) {
    const std::uint8_t* bytes = in.data();
    const auto signedAt = [bytes](std::size_t offset) {
        return static_cast<std::int32_t>(getLe32(bytes + offset));
    };
    WatermarkText record;
    std::memcpy(record.text.data(), bytes, record.text.size());
    record.color = getLe32(bytes + kColorAt);
    record.left = signedAt(kBoxAt);
    record.top = signedAt(kBoxAt + 4);
    record.right = signedAt(kBoxAt + 8);
    record.bottom = signedAt(kBoxAt + 12);
    std::memcpy(record.face.data(), bytes + kFaceAt, record.face.size());
    record.size = signedAt(kSizeAt);
    record.bold = signedAt(kSizeAt + 4);
    record.italic = signedAt(kSizeAt + 8);
    record.strike = signedAt(kSizeAt + 12);
    record.underline = signedAt(kSizeAt + 16);
    record.shadow = signedAt(kSizeAt + 20);
    record.shadowColor = getLe32(bytes + kSizeAt + 24);
    record.selected = signedAt(kSizeAt + 28);
    return record;
}

} // namespace corvane
