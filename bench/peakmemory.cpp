#include "peakmemory.h"

#include <fstream>

void resetPeakMemory()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

double statusMB(const std::string &field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field + ":", 0) == 0)
            return std::stod(line.substr(field.size() + 1)) / 1024;
    }
    return -1;
}

void reportPeakMemory(benchmark::State &state, const Interaction &interaction)
{
    if (interaction.prepare)
        interaction.prepare();
    resetPeakMemory();
    if (const QString problem = interaction.act(); !problem.isEmpty()) {
        state.SkipWithError(problem.toStdString().c_str());
        return;
    }
    state.counters["peak_MB"] = statusMB("VmHWM");
    state.counters["anon_MB"] = statusMB("RssAnon");
    state.counters["file_MB"] = statusMB("RssFile");
}
