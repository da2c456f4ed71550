#pragma once
// Collects the runs while Google Benchmark prints them, then prints the
// summary: time, script throughput, the ratio against the literal algorithm
// and whether each target is met.
#include <benchmark/benchmark.h>

#include <map>
#include <ostream>
#include <string>

namespace quorvex::bench {

struct Measured {
    double seconds = 0;     // wall time per iteration (the median when repeated)
    double cpuSeconds = 0;  // processor time of this process per iteration
    double scriptBytes = 0;  // 0 when the case has no script
    std::string label;
    bool failed = false;
    std::map<std::string, double> counters;
};

class SummaryReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override;

    [[nodiscard]] const Measured* Find(const std::string& name) const;
    [[nodiscard]] int failures() const noexcept { return m_failures; }

private:
    std::map<std::string, Measured> m_results;
    int m_failures = 0;
};

void PrintSummary(const SummaryReporter& results, std::ostream& out, bool smoke);

}  // namespace quorvex::bench
