#pragma once

#include "rawreplay.h"

#include <benchmark/benchmark.h>
#include <string>

// The resident memory of the benchmark's process, from /proc/self.

// Starts measuring the peak again from what is resident now.
void resetPeakMemory();
// A figure of /proc/self/status ("VmHWM", "RssAnon", "RssFile"), in MB; -1 when absent.
double statusMB(const std::string &field);
// Runs the interaction once more, untimed, and reports the peak resident memory it reached as
// "peak_MB" (the ratio table shows it beside the interaction), with what is resident right after:
// the program's own memory ("anon_MB") and the files mapped into it ("file_MB": its libraries, and
// the pages of a database file a connection reads through a memory map).
void reportPeakMemory(benchmark::State &state, const Interaction &interaction);
