#pragma once

#include "platform/Color.h"

#include <QByteArray>
#include <QRect>
#include <QString>

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace corvane {

// Sizes of the record and of its two string fields, in bytes.
inline constexpr std::size_t kWatermarkRecordBytes = 384;
inline constexpr std::size_t kWatermarkTextBytes = 300;
inline constexpr std::size_t kWatermarkFaceBytes = 32;

// Ranges of the size (points) and of the shadow offset (image pixels).
inline constexpr int kWatermarkMinSize = 8;
inline constexpr int kWatermarkMaxSize = 100;
inline constexpr int kWatermarkMinShadow = -100;
inline constexpr int kWatermarkMaxShadow = 100;

// The values a slot takes when it is reset.
inline constexpr ColorRef kWatermarkDefaultColor = 0x808080;
inline constexpr ColorRef kWatermarkDefaultShadowColor = 0xC0C0C0;
inline constexpr int kWatermarkDefaultSize = 36;
// The face of a text that names none, and of every new text.
QString defaultWatermarkFace();

// How a text's string went into its field.
enum class FieldFit {
    Whole,       // stored as it is
    Cut,         // longer than the field: stored up to the last whole character that fits
    Unencodable, // a character has no code in code page 932: nothing stored
};

// One watermark text: exactly the 384-byte record of the layout files, field by field. Strings are
// code page 932 and NUL-terminated; the box is in image pixels of the working image, (left, top)
// inclusive and (right, bottom) exclusive, and may be inverted in a record read from elsewhere.
struct WatermarkText {
    std::array<char, kWatermarkTextBytes> text{}; // line breaks are CR LF
    ColorRef color = kWatermarkDefaultColor;
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
    std::array<char, kWatermarkFaceBytes> face{};
    std::int32_t size = kWatermarkDefaultSize; // points
    std::int32_t bold = 0;
    std::int32_t italic = 0;
    std::int32_t strike = 0;
    std::int32_t underline = 0;
    std::int32_t shadow = 0; // offset of the shadow in image pixels, along both axes
    ColorRef shadowColor = kWatermarkDefaultShadowColor;
    std::int32_t selected = 0;

    // The slot's reset values: empty text, grey, "MS UI Gothic" at 36 points, no styles, no shadow, an
    // empty box at (0, 0), not selected.
    void reset();

    // The box as a rectangle; normalised when the record holds it inverted.
    QRect box() const;
    void setBox(const QRect& box);

    // The text up to its terminator. Bytes that are no valid code page 932 give an empty string (the
    // readers refuse such records, so only a record built by hand has them).
    QString textString() const;
    // Stores `text` (lines separated by "\n" or CR LF; stored with CR LF) cut to 299 bytes at a character
    // boundary. With Unencodable the field is left as it was.
    FieldFit setText(const QString& text);
    // The face up to its terminator; an empty face reads as defaultWatermarkFace().
    QString faceName() const;
    // Stores `face` cut to 31 bytes at a character boundary (left as it was with Unencodable).
    FieldFit setFace(const QString& face);

    // The record's bytes: integers little-endian, strings as they are (bytes after a terminator too).
    void encode(std::span<std::uint8_t, kWatermarkRecordBytes> out) const;
    static WatermarkText decode(std::span<const std::uint8_t, kWatermarkRecordBytes> in);

    friend bool operator==(const WatermarkText&, const WatermarkText&) = default;
};
static_assert(sizeof(WatermarkText) == kWatermarkRecordBytes, "the record is the file's layout");

// Code page 932 bytes of `text` cut to at most `limit` bytes without splitting a character (a double-byte
// character or a CR LF pair), and whether it was cut; empty when a character has no code there.
struct Cp932Field {
    QByteArray bytes;
    bool cut = false;
};
std::optional<Cp932Field> cp932Field(const QString& text, std::size_t limit);

// The characters of `text` that code page 932 cannot hold, each once, in order of appearance.
QString charactersOutsideCp932(const QString& text);

} // namespace corvane
