#include "cli/ProgressBar.h"

#include <unistd.h>

#include <cstdlib>

constexpr int32_t kBarWidth = 40;

ProgressBar NewProgressBar(const std::string& label, bool quiet, int descriptor) {
  ProgressBar bar;
  bar.enabled = !quiet && isatty(descriptor) == 1;
  if (const char* delay = std::getenv("TARKEL_PROGRESS_DELAY")) bar.delaySeconds = std::atof(delay);
  bar.start = std::chrono::steady_clock::now();
  bar.label = label;
  bar.descriptor = descriptor;
  return bar;
}

std::string FormatProgressBar(const std::string& label, int32_t percent) {
  int32_t filled = percent * kBarWidth / 100;
  std::string text = label;
  text.append(" [").append(size_t(filled), '#').append(size_t(kBarWidth - filled), '.');
  text.append("] ").append(std::to_string(percent)).append("%");
  return text;
}

// Starts with a carriage return, so that each drawing replaces the last.
static void Put(const ProgressBar& bar, const std::string& text) {
  std::string line = "\r";
  line.append(text);
  ssize_t ignored = write(bar.descriptor, line.data(), line.size());
  (void)ignored;
}

void UpdateProgressBar(ProgressBar& bar, int32_t done, int32_t total) {
  if (!bar.enabled || total <= 0) return;
  std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - bar.start;
  if (elapsed.count() < bar.delaySeconds) return;
  int64_t clamped = done < 0 ? 0 : (done > total ? total : done);
  int32_t percent = int32_t(clamped * 100 / total);
  if (percent == bar.shownPercent) return;
  bar.shownPercent = percent;
  Put(bar, FormatProgressBar(bar.label, percent));
}

void EndProgressBar(ProgressBar& bar) {
  if (bar.shownPercent < 0) return;
  // Blank the line so that the next message starts clean.
  std::string blank(FormatProgressBar(bar.label, 100).size(), ' ');
  Put(bar, blank.append("\r"));
  bar.shownPercent = -1;
}
