#pragma once

#include <benchmark/benchmark.h>
#include <map>
#include <string>

// The console report, followed by a table that sets each whole interaction beside plain SQLite
// running the statements it needs: benchmarks named "whole/<interaction>" and "raw/<interaction>"
// are paired by <interaction>, and the table shows both times (the median of the repetitions when
// there are several) and their ratio. Counters named "peak_MB" are shown beside the interaction.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run> &reports) override;
    void Finalize() override;

private:
    struct Times {
        std::vector<double> whole, raw; // ms per iteration, one per repetition
        double peakMB = -1;
    };
    std::map<std::string, Times> m_times;
};
