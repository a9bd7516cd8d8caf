#include "cli/CommandArguments.h"

namespace corvane {

Arguments parse(const QStringList& list) {
    Arguments a;
    bool optionsEnded = false;
    for (qsizetype i = 0; i < list.size(); ++i) {
        const QString& word = list[i];
        if (optionsEnded || !word.startsWith(QLatin1Char('-')) || word == QLatin1String("-")) {
            if (a.entry == nullptr) {
                a.command = word;
                a.entry = findCommand(word);
                if (a.entry == nullptr) {
                    throw UsageError{QStringLiteral("知らないコマンドです: %1").arg(word) + kHelpHint};
                }
            } else {
                a.positional.push_back(word);
            }
            continue;
        }
        if (word == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        const qsizetype equals = word.startsWith(QLatin1String("--")) ? word.indexOf(QLatin1Char('=')) : -1;
        const QString name = equals < 0 ? word : word.left(equals);
        const QString canonical = name == QLatin1String("-h") ? QStringLiteral("--help") : name;
        if (canonical == QLatin1String("--version")) {
            a.flags.insert(canonical);
            continue;
        }
        const OptionEntry* option = findOption(canonical);
        if (option == nullptr) {
            throw UsageError{QStringLiteral("知らないオプションです: %1").arg(name) + kHelpHint};
        }
        if (option->value == nullptr) {
            if (equals >= 0) {
                throw UsageError{QStringLiteral("%1 は値をとりません").arg(name)};
            }
            a.flags.insert(canonical);
            continue;
        }
        if (equals >= 0 && equals + 1 < word.size()) {
            a.values[canonical] = word.mid(equals + 1);
            a.lists[canonical].push_back(a.values[canonical]);
            continue;
        }
        // A missing value is not taken from the next option.
        if (equals >= 0 || i + 1 >= list.size() ||
            (list[i + 1].startsWith(QLatin1String("--")) &&
             findOption(list[i + 1].section(QLatin1Char('='), 0, 0)))) {
            throw UsageError{QStringLiteral("%1 に値がありません").arg(name)};
        }
        a.values[canonical] = list[++i];
        a.lists[canonical].push_back(list[i]);
    }
    if (a.entry == nullptr) {
        return a;
    }
    const auto check = [&a](const QString& name) {
        const OptionEntry* option = findOption(name);
        if (option != nullptr && !commandTakesOption(*a.entry, *option)) {
            throw UsageError{QStringLiteral("%1 は %2 には使えません").arg(name, a.command)};
        }
    };
    for (const auto& [name, value] : a.values) {
        check(name);
    }
    for (const QString& name : a.flags) {
        check(name);
    }
    return a;
}

int parseInt(const Arguments& a, const QString& name, int low, int high, int fallback) {
    if (!a.has(name)) {
        return fallback;
    }
    bool ok = false;
    const int value = a.value(name).toInt(&ok);
    if (!ok || value < low || value > high) {
        throw UsageError{QStringLiteral("%1 は %2 から %3 までの整数です").arg(name).arg(low).arg(high)};
    }
    return value;
}

int parseSpace(const Arguments& a) {
    const QString space = a.value(QStringLiteral("--space"));
    if (space.isEmpty() || space == QLatin1String("rgb")) {
        return 0;
    }
    if (space == QLatin1String("hsv")) {
        return 1;
    }
    if (space == QLatin1String("hls")) {
        return 2;
    }
    throw UsageError{QStringLiteral("--space は rgb, hsv, hls のどれかです")};
}

ColorRef parseBackground(const Arguments& a) {
    const QString text = a.value(QStringLiteral("--background"));
    if (text.isEmpty()) {
        return kBackgroundDefault;
    }
    if (text == QLatin1String("white")) {
        return kBackgroundWhite;
    }
    if (text == QLatin1String("black")) {
        return kBackgroundBlack;
    }
    if (text == QLatin1String("checker")) {
        return kBackgroundChecker;
    }
    bool ok = false;
    const uint rgb =
        text.startsWith(QLatin1String("0x")) && text.size() == 8 ? text.mid(2).toUInt(&ok, 16) : 0;
    if (!ok) {
        throw UsageError{QStringLiteral("--background は white, black, checker, 0xRRGGBB のどれかです")};
    }
    return makeColor(static_cast<std::uint8_t>(rgb >> 16), static_cast<std::uint8_t>(rgb >> 8),
                     static_cast<std::uint8_t>(rgb));
}

SaveOptions parseSaveOptions(const Arguments& a) {
    SaveOptions options;
    const QString bits = a.value(QStringLiteral("--bmp-bits"));
    if (!bits.isEmpty()) {
        static const std::map<QString, std::pair<int, bool>> kinds = {
            {QStringLiteral("1"), {1, false}},   {QStringLiteral("4"), {4, false}},
            {QStringLiteral("4rle"), {4, true}}, {QStringLiteral("8"), {8, false}},
            {QStringLiteral("8rle"), {8, true}}, {QStringLiteral("16"), {16, false}},
            {QStringLiteral("24"), {24, false}}, {QStringLiteral("32"), {32, false}},
        };
        const auto kind = kinds.find(bits);
        if (kind == kinds.end()) {
            throw UsageError{QStringLiteral("--bmp-bits は 1, 4, 4rle, 8, 8rle, 16, 24, 32 のどれかです")};
        }
        options.bmpBits = kind->second.first;
        options.rle = kind->second.second;
    }
    options.quality = parseInt(a, QStringLiteral("--quality"), 10, 100, 100);
    options.transparent = a.has(QStringLiteral("--transparent"));
    if (options.bmpBits != 0 && options.transparent) {
        throw UsageError{QStringLiteral("--bmp-bits と --transparent は一緒に使えません")};
    }
    return options;
}

} // namespace corvane
