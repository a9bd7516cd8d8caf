#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace corvane {

// How a command's run ends: comparisons exit 0 or 1 by whether the compared pixels are equal and print
// the summary line; the other commands write files and exit 0 when done.
enum class CommandKind { Comparison, File };

// Which options an option's help is listed with.
enum class OptionGroup {
    Own,        // belongs to the commands that name it
    Comparison, // the comparisons' parameters (shift, overlay, mismatch colour)
    Output,     // where results go and how they are encoded
    General,    // every command
};

// One option of the command line. Options with a value take it as the next word or after "=".
struct OptionEntry {
    const char* name;
    const char* value; // the value's placeholder in the help; null for a flag
    OptionGroup group;
    const char* help;
};

// One command: the first word of a command line. `options` are the options its help lists: its own ones
// and the grouped ones that matter to it; every command also takes every grouped option. A new command is one
// more row of the table in CommandTable.cpp and one more case of the runner.
struct CommandEntry {
    const char* name;
    const char* arguments; // what follows the name in the usage line
    const char* summary;   // one line of the program's help
    const char* help;      // the command's own help: what it does, reads and prints
    QStringList options;
    CommandKind kind;
};

const std::vector<CommandEntry>& commandTable();
const std::vector<OptionEntry>& optionTable();
// Null for a name not in the table.
const CommandEntry* findCommand(const QString& name);
const OptionEntry* findOption(const QString& name);
// Whether `command` takes option `option` (its own ones and every grouped one).
bool commandTakesOption(const CommandEntry& command, const OptionEntry& option);

// `corvane-cli --help` and `corvane-cli COMMAND --help`.
QString programHelp();
QString commandHelp(const CommandEntry& command);
// `corvane-cli --version`.
QString versionLine();

} // namespace corvane
