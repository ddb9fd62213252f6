#include "cli/RunTimings.h"

#include <sys/resource.h>

#include <cstdio>

namespace {

double mainCpuSeconds = 0;
std::chrono::steady_clock::time_point mainStart = std::chrono::steady_clock::now();

double Seconds(const timeval& time) { return double(time.tv_sec) + double(time.tv_usec) * 1e-6; }

}  // namespace

void MarkMainStarted() {
  mainStart = std::chrono::steady_clock::now();
  rusage usage{};
  if (getrusage(RUSAGE_SELF, &usage) == 0) mainCpuSeconds = Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
}

double SecondsBeforeMain() { return mainCpuSeconds; }

double SecondsSinceMain() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - mainStart).count();
}

void Lap(RunTimings* timings, const std::string& step) {
  auto now = std::chrono::steady_clock::now();
  AddStep(timings, step, std::chrono::duration<double>(now - timings->lap).count());
  timings->lap = now;
}

void AddStep(RunTimings* timings, const std::string& step, double seconds) {
  for (auto& [name, sum] : timings->steps)
    if (name == step) {
      sum += seconds;
      return;
    }
  timings->steps.emplace_back(step, seconds);
}

void PrintTimings(const std::string& input, const RunTimings& timings, double wallSeconds) {
  double accounted = 0;
  for (const auto& [name, seconds] : timings.steps) accounted += seconds;
  std::string text = input + ": " + std::to_string(wallSeconds).substr(0, 5) + " s wall\n";
  char line[160];
  for (const auto& [name, seconds] : timings.steps) {
    std::snprintf(line, sizeof line, "  %-46s %7.3f s\n", name.c_str(), seconds);
    text += line;
  }
  std::snprintf(line, sizeof line, "  %-46s %7.3f s (%.1f %% of the wall time)\n", "accounted for", accounted,
                wallSeconds > 0 ? 100 * accounted / wallSeconds : 100.0);
  text += line;
  std::snprintf(line, sizeof line, "  %-46s %7.3f s, beside the steps above\n", "decoding thread", timings.decodeSeconds);
  text += line;
  std::fputs(text.c_str(), stderr);
}
