#include "watermark/WatermarkSettings.h"

#include "platform/Settings.h"

#include <QList>

#include <algorithm>

namespace corvane {

namespace {

const QString kSection = QStringLiteral("Obj");

QString nameOf(const char* value, int index) {
    return QString::fromLatin1(value) + QString::number(index);
}

// `text` with every character that code page 932 cannot hold replaced by "?".
QString withoutUnencodable(const QString& text) {
    const QString outside = charactersOutsideCp932(text);
    QString result;
    for (const uint codePoint : text.toUcs4()) {
        const QString character = QString::fromUcs4(reinterpret_cast<const char32_t*>(&codePoint), 1);
        result += outside.contains(character) ? QStringLiteral("?") : character;
    }
    return result;
}

} // namespace

int storedWatermarkCount(const SettingsStore& settings) {
    return settings.readInt(kSection, QStringLiteral("Max"), 0);
}

void saveWatermarks(SettingsStore& settings, std::span<const WatermarkText> texts) {
    if (texts.empty()) {
        return;
    }
    const SettingsBatch batch(settings);
    settings.writeInt(kSection, QStringLiteral("Max"), static_cast<int>(texts.size()));
    for (std::size_t k = 0; k < texts.size(); ++k) {
        const WatermarkText& text = texts[k];
        const int i = static_cast<int>(k);
        const auto write = [&](const char* name, std::int64_t value) {
            settings.writeInt(kSection, nameOf(name, i), static_cast<int>(value));
        };
        settings.writeString(kSection, nameOf("Text", i), text.textString());
        write("Col", text.color);
        settings.writeString(kSection, nameOf("FontName", i), text.faceName());
        write("L", text.left);
        write("T", text.top);
        write("R", text.right);
        write("B", text.bottom);
        write("Size", text.size);
        write("Bold", text.bold);
        write("Italic", text.italic);
        write("Del", text.strike);
        write("Under", text.underline);
        write("iKage", std::int64_t{text.shadow} + 100);
        write("refKage", text.shadowColor);
    }
}

std::vector<WatermarkText> loadWatermarks(const SettingsStore& settings, int count,
                                          QStringList& adjustments) {
    const SettingsBatch batch(settings);
    std::vector<WatermarkText> texts;
    texts.reserve(static_cast<std::size_t>(std::clamp(count, 0, 100)));
    for (int i = 0; i < count && i < 100; ++i) {
        const int number = i + 1;
        const auto read = [&](const char* name, int defaultValue) {
            return settings.readInt(kSection, nameOf(name, i), defaultValue);
        };
        WatermarkText text;
        text.reset();

        const QString string = settings.readString(kSection, nameOf("Text", i));
        FieldFit fit = text.setText(string);
        if (fit == FieldFit::Unencodable) {
            adjustments.push_back(QStringLiteral("透かし文字 %1 の使えない文字「%2」を「?」にしました")
                                      .arg(number)
                                      .arg(charactersOutsideCp932(string)));
            fit = text.setText(withoutUnencodable(string));
        }
        if (fit == FieldFit::Cut) {
            adjustments.push_back(QStringLiteral("透かし文字 %1 の長すぎる文字列を %2 バイトまでにしました")
                                      .arg(number)
                                      .arg(kWatermarkTextBytes - 1));
        }

        const QString face = settings.readString(kSection, nameOf("FontName", i));
        if (!face.isEmpty()) {
            const FieldFit faceFit = text.setFace(face);
            if (faceFit == FieldFit::Unencodable) {
                adjustments.push_back(QStringLiteral("透かし文字 %1 のフォント名「%2」を「%3」にしました")
                                          .arg(number)
                                          .arg(face, defaultWatermarkFace()));
            } else if (faceFit == FieldFit::Cut) {
                adjustments.push_back(QStringLiteral("透かし文字 %1 の長すぎるフォント名を「%2」にしました")
                                          .arg(number)
                                          .arg(text.faceName()));
            }
        }

        text.color = static_cast<ColorRef>(read("Col", static_cast<int>(kWatermarkDefaultColor)));
        text.left = read("L", 0);
        text.top = read("T", 0);
        text.right = read("R", 0);
        text.bottom = read("B", 0);
        const int size = read("Size", kWatermarkDefaultSize);
        text.size = std::clamp(size, kWatermarkMinSize, kWatermarkMaxSize);
        if (text.size != size) {
            adjustments.push_back(QStringLiteral("透かし文字 %1 の文字サイズ %2 を %3 にしました")
                                      .arg(number)
                                      .arg(size)
                                      .arg(text.size));
        }
        text.bold = read("Bold", 0) != 0 ? 1 : 0;
        text.italic = read("Italic", 0) != 0 ? 1 : 0;
        text.strike = read("Del", 0) != 0 ? 1 : 0;
        text.underline = read("Under", 0) != 0 ? 1 : 0;
        const std::int64_t shadow = std::int64_t{read("iKage", 100)} - 100;
        text.shadow = static_cast<std::int32_t>(
            std::clamp<std::int64_t>(shadow, kWatermarkMinShadow, kWatermarkMaxShadow));
        if (text.shadow != shadow) {
            adjustments.push_back(QStringLiteral("透かし文字 %1 の影の長さ %2 を %3 にしました")
                                      .arg(number)
                                      .arg(shadow)
                                      .arg(text.shadow));
        }
        text.shadowColor =
            static_cast<ColorRef>(read("refKage", static_cast<int>(kWatermarkDefaultShadowColor)));
        texts.push_back(text);
    }
    return texts;
}

} // namespace corvane
