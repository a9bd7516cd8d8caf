#pragma once

// The words of a corvane-cli command line: the command, its files and its options, and the parsers of
// the option values that several commands share. A value that does not parse throws UsageError.

#include "app/ComparisonSession.h"
#include "cli/CommandTable.h"

#include <QString>
#include <QStringList>

#include <map>
#include <set>

namespace corvane {

// Thrown by the argument parsing and the command runner, caught in runCommandLine: the one error line.
struct UsageError {
    QString message;
};

// The parsed command line.
struct Arguments {
    const CommandEntry* entry = nullptr; // null: no command given (only --help or --version may stand alone)
    QString command;
    QStringList positional;
    std::map<QString, QString> values; // options with a value
    std::set<QString> flags;           // options without one

    // Every value of each option with values, in order (`values` keeps the last): repeatable options.
    std::map<QString, QStringList> lists;

    bool has(const QString& name) const { return flags.count(name) != 0 || values.count(name) != 0; }
    QString value(const QString& name) const {
        const auto it = values.find(name);
        return it == values.end() ? QString() : it->second;
    }
};

// Added to an error line about the words: where to read how the command line goes.
inline const QString kHelpHint = QStringLiteral("（使い方は corvane-cli --help）");

// Options may stand anywhere, also before the command; "--" ends them, so that the words after it are
// files even when they begin with "-". A value follows its option as the next word or after "=".
Arguments parse(const QStringList& list);

// The value of option `name` as an integer within low … high; `fallback` when the option is not given.
int parseInt(const Arguments& a, const QString& name, int low, int high, int fallback);
// --space: 0 rgb (default), 1 hsv, 2 hls.
int parseSpace(const Arguments& a);
// --background: the mismatch colour (white, black, checker or 0xRRGGBB; grey by default).
ColorRef parseBackground(const Arguments& a);
// --bmp-bits, --quality and --transparent.
SaveOptions parseSaveOptions(const Arguments& a);

} // namespace corvane
