#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Timing of the application's launch. When the standard user default OLMeasureOutput holds a
// path (the application's preferences, or "-OLMeasureOutput path" on the command line), the
// launch notes its phases, waits for the first visible document window, writes one report line
// to that path and exits with status 0. Otherwise every call costs one test of a flag.
// Main thread only.
namespace EditorShell::LaunchMeasurement {

using Phases = std::vector<std::pair<std::string, double>>;

// The report path, read once on first use.
const std::optional<std::string>& outputPath();
bool isEnabled();

// Notes the phase with the milliseconds since the process started (when enabled).
void mark(std::string_view name);
const Phases& phases();

// When enabled: the first document window that becomes visible (a host window showing a
// document tab) schedules the report on the next turn of the event loop.
void start();

// Milliseconds since the process started; -1 when the kernel does not tell.
double millisecondsSinceLaunch();
// The resident set in MiB; -1 when the kernel does not tell.
double footprintMB();

// The pieces of those two, for tests: the start time (seconds since boot) from the text of
// /proc/<pid>/stat, and the resident set (MiB) from the text of /proc/<pid>/status.
std::optional<double> startSecondsFromStat(std::string_view stat, long ticksPerSecond);
std::optional<double> residentMBFromStatus(std::string_view status);

// "firstWindowMs=%.0f footprintMB=%.1f phases=name:ms,...\n"
std::string reportLine(double firstWindowMs, double footprintMB, const Phases& phases);

// Writes the report line to `path` (a failed write is ignored) and ends the process with 0.
[[noreturn]] void report(const std::string& path);

} // namespace EditorShell::LaunchMeasurement
