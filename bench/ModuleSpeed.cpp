// The built module's speed on this system, as an editor meets it: a 6000 x
// 4000 RGB 8-bit image through the host simulator, a 7 x 7 Gaussian with
// integer taps and the same with halved (fractional) taps played back
// without the dialog, best of three runs each. A plain program, so that the
// same source runs the Windows modules under Wine: bench/module-speed.sh
// compares them with the native one.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

#include "hostsim/Descriptor.h"
#include "hostsim/Host.h"
#include "hostsim/ModuleLoader.h"
#include "resources/Terminology.h"

namespace {

constexpr int32_t kWidth = 6000;
constexpr int32_t kHeight = 4000;
constexpr int kRuns = 3;

hostsim::Descriptor Gaussian(double factor) {
  const int taps[7] = {1, 6, 15, 20, 15, 6, 1};
  std::string text;
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 7; ++x) {
      char field[32];
      std::snprintf(field, sizeof field, "%g,", taps[y] * taps[x] * factor);
      text += field;
    }
  return {hostsim::TextEntry(kKernelKey, text), hostsim::DoubleEntry(kScaleKey, 4096.0 * factor),
          hostsim::DoubleEntry(kOffsetKey, 0.0), hostsim::BooleanEntry(kAutoscaleKey, false)};
}

// Milliseconds of the fastest whole run, or a negative value when one failed.
double BestRunMs(const hostsim::LoadedModule& module, const hostsim::Image& image, double factor) {
  double best = 1e30;
  for (int run = 0; run < kRuns; ++run) {
    hostsim::HostOptions options;
    options.writeInPlace = true;
    hostsim::Host host(module.entryPoint, image, options);
    hostsim::ScriptingHost scripting(host);
    scripting.Play(Gaussian(factor), plugInDialogDontDisplay);
    auto start = std::chrono::steady_clock::now();
    if (host.Run() != 0) return -1;
    best = std::min(best, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
  }
  return best;
}

}  // namespace

int main() {
  hostsim::LoadedModule module = hostsim::LoadModule(hostsim::ModuleBesideProgram());
  if (module.entryPoint == nullptr) {
    std::fprintf(stderr, "%s\n", module.error.c_str());
    return 1;
  }
  hostsim::Image image = hostsim::MakeImage(kWidth, kHeight, 3, 8);
  for (size_t i = 0; i < image.samples.size(); ++i) image.samples[i] = uint8_t((i * 2654435761u) >> 13);
  for (const auto& [name, factor] : {std::pair<const char*, double>{"integer", 1.0}, {"float", 0.5}}) {
    double ms = BestRunMs(module, image, factor);
    if (ms < 0) {
      std::fprintf(stderr, "the %s run failed\n", name);
      return 1;
    }
    std::printf("%s %.1f ms %.1f Mpx/s\n", name, ms, double(kWidth) * kHeight / ms / 1000.0);
  }
  return 0;
}
