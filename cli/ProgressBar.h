// A progress bar on standard error, fed by the plug-in's progress reports.
// It appears only when standard error is a terminal and the run has taken
// longer than a moment, so pipes, logs and quick runs stay clean.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

struct ProgressBar {
  bool enabled = false;
  double delaySeconds = 0.5;  // TARKEL_PROGRESS_DELAY overrides it
  std::chrono::steady_clock::time_point start;
  int32_t shownPercent = -1;  // -1: nothing drawn yet
  std::string label;
  int descriptor = 2;
};

// enabled when not quiet and descriptor is a terminal.
ProgressBar NewProgressBar(const std::string& label, bool quiet, int descriptor = 2);
void UpdateProgressBar(ProgressBar& bar, int32_t done, int32_t total);
// Clears the bar's line if it was drawn.
void EndProgressBar(ProgressBar& bar);
// The bar's text for a percentage, without the carriage return.
std::string FormatProgressBar(const std::string& label, int32_t percent);
