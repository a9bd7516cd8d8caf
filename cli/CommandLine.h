#pragma once

#include <QStringList>
#include <QTextStream>

namespace corvane {

// Exit codes of corvane-cli.
inline constexpr int kExitEqual = 0;     // done (comparisons: the compared pixels are all equal)
inline constexpr int kExitDifferent = 1; // done, and the compared pixels differ
inline constexpr int kExitError = 2;     // anything went wrong; one line on stderr says what

// Runs one corvane-cli command line (without the program name): parses it, runs the comparison session
// on it and writes results to `out` and the one error line to `err`. Returns the exit code.
int runCommandLine(const QStringList& arguments, QTextStream& out, QTextStream& err);

// The summary line of a comparison: "differ D of N pixels (R %)", D of the N compared pixels differing,
// the rate with three decimals (never rounded to 0 or 100 when that is not exactly so).
QString differenceSummary(long long differing, long long compared);

} // namespace corvane
