#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

namespace corvane::bench {

// What one timed operation is compared with: the memory floor of the bytes it must read and write,
// and the goal as a multiple of that floor (0 = no goal), or as an absolute time in milliseconds.
struct Expectation {
    std::string floorName;
    double maxFloorRatio = 0;
    double maxMilliseconds = 0;
    std::string exactness; // outcome of the one check against the plain definition
};

// Prints Google Benchmark's console lines, then a table of every operation next to its floor.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    explicit RatioReporter(std::map<std::string, Expectation> expectations)
        : ConsoleReporter(OO_Tabular), m_expectations(std::move(expectations)) {}

    void ReportRuns(const std::vector<Run>& runs) override;
    void Finalize() override;
    bool allGoalsMet() const { return m_allMet; }

private:
    std::map<std::string, Expectation> m_expectations;
    std::map<std::string, double> m_milliseconds;
    std::vector<std::string> m_order;
    bool m_allMet = true;
};

// A positive whole number from the environment variable `name`, else `fallback`.
int environmentInt(const char* name, int fallback);

} // namespace corvane::bench
