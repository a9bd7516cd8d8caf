#include "views/PropertyTable.h"

#include "views/Hash.h"

#include <QFile>

#include <iterator>
#include <utility>

namespace corvane {

namespace {

QString countText(std::uint64_t value) {
    return FormatThousands(QString::number(value));
}

PropertyRow makeRow(int number, const char* label, QString value1, QString value2) {
    PropertyRow row;
    row.number = QString::number(number);
    // The values are compared as the texts the table shows.
    row.result = value1 == value2 ? QStringLiteral("合致") : QStringLiteral("×");
    row.label = QString::fromUtf8(label);
    row.value1 = std::move(value1);
    row.value2 = std::move(value2);
    return row;
}

} // namespace

void readFileProperties(OriginalProperties& properties, const ProgressFn& progress) {
    QFile file(properties.path);
    properties.fileSize = file.open(QIODevice::ReadOnly) ? file.size() : 0;
    file.close();
    properties.crc.clear();
    properties.md5.clear();
    properties.sha256.clear();
    if (!CHash().HashFile(properties.path, properties.crc, properties.md5, properties.sha256, progress)) {
        properties.crc.clear();
        properties.md5.clear();
        properties.sha256.clear();
    }
}

std::vector<PropertyRow> buildPropertyRows(const OriginalProperties& original1,
                                           const OriginalProperties& original2) {
    const OriginalProperties* originals[2] = {&original1, &original2};
    const auto texts = [&](auto&& valueOf) {
        return std::pair{valueOf(*originals[0]), valueOf(*originals[1])};
    };
    struct Line {
        const char* label;
        std::pair<QString, QString> values;
    };
    const auto pureCount = [&](std::size_t colour) {
        return texts([colour](const OriginalProperties& p) { return countText(p.colorCounts[colour]); });
    };
    const Line lines[] = {
        {"ファイルサイズ(bytes)",
         texts([](const OriginalProperties& p) { return FormatThousands(QString::number(p.fileSize)); })},
        {"大きさ(横 × 縦 pixel)", texts([](const OriginalProperties& p) {
             return FormatThousands(QString::number(p.width)) + QStringLiteral(" × ") +
                    FormatThousands(QString::number(p.height));
         })},
        {"総ピクセル数", texts([](const OriginalProperties& p) {
             return FormatThousands(QString::number(std::int64_t{p.width} * p.height));
         })},
        {"総色数", texts([](const OriginalProperties& p) {
             return FormatThousands(QString::asprintf("%.0f", p.distinctColors));
         })},
        {"白色数 RGB(255,255,255)", pureCount(0)},
        {"黄色数 RGB(255,255,0)", pureCount(1)},
        {"紫色数 RGB(255,0,255)", pureCount(2)},
        {"赤色数 RGB(255,0,0)", pureCount(3)},
        {"緑色数 RGB(0,255,0)", pureCount(4)},
        {"水色数 RGB(0,255,255)", pureCount(5)},
        {"青色数 RGB(0,0,255)", pureCount(6)},
        {"黒色数 RGB(0,0,0)", pureCount(7)},
        {"SHA256", texts([](const OriginalProperties& p) { return p.sha256; })},
        {"MD5", texts([](const OriginalProperties& p) { return p.md5; })},
        {"CRC", texts([](const OriginalProperties& p) { return p.crc; })},
    };
    std::vector<PropertyRow> rows;
    rows.reserve(std::size(lines));
    int number = 1;
    for (const Line& line : lines) {
        rows.push_back(makeRow(number++, line.label, line.values.first, line.values.second));
    }
    return rows;
}

QString FormatThousands(const QString& text) {
    const qsizetype n = text.size();
    if (n <= 3 || n >= 10) {
        return text;
    }
    // The length decides the grouping (a minus sign counts as a character), but a comma never follows
    // a lone leading sign: "-123" stays "-123", not "-,123".
    QString out;
    out.reserve(n + 2);
    const qsizetype head = n % 3 == 0 ? 3 : n % 3;
    for (qsizetype i = 0; i < n; ++i) {
        const bool groupStart = i >= head && (i - head) % 3 == 0;
        const bool afterLoneSign = i == 1 && text[0] == QLatin1Char('-');
        if (groupStart && !afterLoneSign) {
            out += QLatin1Char(',');
        }
        out += text[i];
    }
    return out;
}

} // namespace corvane
