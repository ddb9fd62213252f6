// Where the wall time of a run goes, for --timings: each step the command
// takes in order, summed and set against the wall time they should fill.
#pragma once

#include <chrono>
#include <string>
#include <utility>
#include <vector>

// Called first in main: the process's time before it (the loader mapping
// and linking the libraries) is the processor time used so far.
void MarkMainStarted();
double SecondsBeforeMain();
double SecondsSinceMain();

struct RunTimings {
  std::vector<std::pair<std::string, double>> steps;
  double decodeSeconds = 0;  // the decoding thread's, beside the steps
  std::chrono::steady_clock::time_point lap = std::chrono::steady_clock::now();
};

// The time since the last lap, as the step named.
void Lap(RunTimings* timings, const std::string& step);
void AddStep(RunTimings* timings, const std::string& step, double seconds);
// wallSeconds: what the steps should add up to.
void PrintTimings(const std::string& input, const RunTimings& timings, double wallSeconds);
