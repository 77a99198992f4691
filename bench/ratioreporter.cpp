#include "ratioreporter.h"

#include <algorithm>
#include <cstdio>

namespace {

double median(std::vector<double> values)
{
    if (values.empty())
        return -1;
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double milliseconds(const benchmark::BenchmarkReporter::Run &run)
{
    // In the run's time unit.
    return run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit) * 1000;
}

} // namespace

void RatioReporter::ReportRuns(const std::vector<Run> &reports)
{
    ConsoleReporter::ReportRuns(reports);
    for (const Run &run : reports) {
        if (run.run_type != Run::RT_Iteration || run.error_occurred)
            continue;
        const std::string name = run.run_name.function_name;
        const bool whole = name.rfind("whole/", 0) == 0;
        const bool raw = name.rfind("raw/", 0) == 0;
        if (!whole && !raw)
            continue;
        Times &times = m_times[name.substr(name.find('/') + 1)];
        (whole ? times.whole : times.raw).push_back(milliseconds(run));
        if (const auto peak = run.counters.find("peak_MB"); peak != run.counters.end())
            times.peakMB = std::max(times.peakMB, double(peak->second));
    }
}

void RatioReporter::Finalize()
{
    ConsoleReporter::Finalize();
    if (m_times.empty())
        return;
    std::FILE *out = stdout;
    std::fprintf(out, "\n%-44s %12s %12s %8s %9s\n", "interaction (median)", "whole ms", "raw SQL ms", "ratio",
                 "peak MB");
    for (const auto &[name, times] : m_times) {
        const double whole = median(times.whole), raw = median(times.raw);
        std::fprintf(out, "%-44s ", name.c_str());
        whole >= 0 ? std::fprintf(out, "%12.2f ", whole) : std::fprintf(out, "%12s ", "-");
        raw >= 0 ? std::fprintf(out, "%12.2f ", raw) : std::fprintf(out, "%12s ", "-");
        // An interaction that ran no statement (all it needed was in memory) has no ratio.
        whole >= 0 && raw >= 0.01 ? std::fprintf(out, "%8.2f ", whole / raw) : std::fprintf(out, "%8s ", "-");
        times.peakMB >= 0 ? std::fprintf(out, "%9.0f\n", times.peakMB) : std::fprintf(out, "%9s\n", "");
    }
    std::fflush(out);
}
