#include "bench/BenchReport.h"

#include <cstdio>
#include <cstdlib>

namespace corvane::bench {

void RatioReporter::ReportRuns(const std::vector<Run>& runs) {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
        if (run.run_type != Run::RT_Iteration || run.error_occurred) {
            continue;
        }
        const std::string name = run.run_name.function_name;
        const double ms = run.GetAdjustedRealTime() * benchmark::GetTimeUnitMultiplier(run.time_unit) /
                          benchmark::GetTimeUnitMultiplier(benchmark::kMillisecond);
        if (!m_milliseconds.count(name)) {
            m_order.push_back(name);
        }
        m_milliseconds[name] = ms;
    }
}

void RatioReporter::Finalize() {
    ConsoleReporter::Finalize();
    std::printf(
        "\n| operation | time (ms) | floor (ms) | ratio | goal | exact |\n|---|---:|---:|---:|---|---|\n");
    for (const std::string& name : m_order) {
        const auto e = m_expectations.find(name);
        if (e == m_expectations.end()) {
            continue;
        }
        const double ms = m_milliseconds[name];
        const Expectation& x = e->second;
        const auto floor = m_milliseconds.find(x.floorName);
        const double floorMs = floor == m_milliseconds.end() ? 0 : floor->second;
        const double ratio = floorMs > 0 ? ms / floorMs : 0;
        char goal[64] = "";
        bool met = true;
        if (x.maxFloorRatio > 0) {
            met = ratio <= x.maxFloorRatio;
            std::snprintf(goal, sizeof goal, "≤ %.0f× floor %s", x.maxFloorRatio, met ? "met" : "MISSED");
        } else if (x.maxMilliseconds > 0) {
            met = ms <= x.maxMilliseconds;
            std::snprintf(goal, sizeof goal, "≤ %.0f ms %s", x.maxMilliseconds, met ? "met" : "MISSED");
        }
        m_allMet = m_allMet && met && (x.exactness.empty() || x.exactness == "yes");
        if (floorMs > 0) {
            std::printf("| %s | %.1f | %.1f | %.2f | %s | %s |\n", name.c_str(), ms, floorMs, ratio, goal,
                        x.exactness.c_str());
        } else {
            std::printf("| %s | %.1f | | | %s | %s |\n", name.c_str(), ms, goal, x.exactness.c_str());
        }
    }
    std::fflush(stdout);
}

int environmentInt(const char* name, int fallback) {
    const char* value = std::getenv(name);
    const int parsed = value != nullptr ? std::atoi(value) : 0;
    return parsed > 0 ? parsed : fallback;
}

} // namespace corvane::bench
