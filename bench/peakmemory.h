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
// the program's own memory ("anon_MB") and the pages of the database file read through its memory
// map ("file_MB": the system's file cache, shared, given back under pressure).
void reportPeakMemory(benchmark::State &state, const Interaction &interaction);
