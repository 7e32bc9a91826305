// Per-page timings with Google Benchmark: the module's endPageExit path
// against the direct libtiff writer, and pages with and without letterhead.
#pragma once

#include <map>
#include <string>

#include "BenchInputs.h"
#include "BenchSandbox.h"

namespace aro::bench {

// The median over the repetitions of every benchmark's counters, by
// "<benchmark>.<counter>".
using Timings = std::map<std::string, double>;

// Benchmarks: each prints the same page alternately through two writers.
inline const char* const kMonoModuleVsDirect = "mono_page/module_vs_direct_libtiff";
inline const char* const kColourModuleVsDirect = "colour_page/module_vs_direct_libtiff";
inline const char* const kMonoLetterhead = "mono_page/letterhead_vs_none";
inline const char* const kColourLetterhead = "colour_page/letterhead_vs_none";
inline const char* const kHiveRead = "settings/hive_read";

// Their counters: processor milliseconds a page for the first and the
// second writer, the ratio of their total processor times, and the ratio
// of their total wall times.
inline const char* const kValueMs = "first_ms";
inline const char* const kBaselineMs = "second_ms";
inline const char* const kRatio = "ratio";
inline const char* const kWallRatio = "wall_ratio";

// Loads the module instances, runs every page benchmark (command-line
// flags of Google Benchmark apply) and returns the medians. False with
// error set when an instance cannot be loaded or refuses a band.
bool RunPageBenchmarks(const BenchInputs& inputs, const std::string& modulePath,
                       const BenchSandbox& sandbox, Timings* timings, std::string* error);

}  // namespace aro::bench
