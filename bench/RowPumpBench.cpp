// Whole images pumped through the native module by a row-by-row host, the
// filter applying the identity kernel that the host's scripting plays back
// without the dialog: an 8000 x 6000 RGB image with one transparency plane
// at 16 bits, and a 20000 x 20000 8-bit RGB image. Each reports rows per
// second and its peak resident memory, which must stay within the stores
// (the image once), the host's copy and 32 MiB.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <fstream>
#include <string>

#include "hostsim/Descriptor.h"
#include "hostsim/Host.h"
#include "hostsim/ModuleLoader.h"
#include "resources/Terminology.h"

namespace {

constexpr double kMiB = 1024.0 * 1024.0;

struct Shape {
  int32_t width, height, planes, depth;
};

// VmHWM, which ResetPeakResident starts again from the current size, so
// each benchmark of this program measures its own peak.
double PeakResidentBytes() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmHWM:", 0) == 0) return std::stod(line.substr(6)) * 1024.0;  // in kB
  return 0;
}

void ResetPeakResident() { std::ofstream("/proc/self/clear_refs") << "5"; }

uint64_t Checksum(const hostsim::Image& image) {
  uint64_t sum = 0;
  for (size_t i = 0; i < image.samples.size(); i += 8) sum = sum * 31 + image.samples[i] + (uint64_t(i) << 8);
  return sum;
}

void PumpIdentity(benchmark::State& state, Shape shape) {
  hostsim::LoadedModule module = hostsim::LoadModule(hostsim::ModuleBesideProgram());
  if (module.entryPoint == nullptr) {
    state.SkipWithError(module.error.c_str());
    return;
  }
  ResetPeakResident();
  hostsim::Image image = hostsim::MakeImage(shape.width, shape.height, shape.planes, shape.depth);
  // Little-endian samples within the host's 16-bit range, which the identity keeps.
  for (size_t i = 0; i < image.samples.size(); ++i) image.samples[i] = uint8_t((i * 7 + i / 4099) & (i % 2 ? 0x7F : 0xFF));
  const double imageBytes = double(image.samples.size());
  uint64_t before = Checksum(image);

  hostsim::HostOptions options;
  options.advanceState = state.range(0) != 0;
  options.writeInPlace = true;  // the host holds the image once
  hostsim::Host host(module.entryPoint, std::move(image), options);
  std::string identity;
  for (int i = 0; i < 49; ++i) identity += i == 24 ? "1," : "0,";
  hostsim::ScriptingHost scripting(host);
  for (auto _ : state) {
    host.progress.clear();
    scripting.Play({hostsim::TextEntry(kKernelKey, identity), hostsim::DoubleEntry(kScaleKey, 1.0),
                    hostsim::DoubleEntry(kOffsetKey, 0.0), hostsim::BooleanEntry(kAutoscaleKey, false)},
                   plugInDialogDontDisplay);
    if (int16_t result = host.Run(); result != 0) {
      state.SkipWithError(("the run failed with " + std::to_string(result)).c_str());
      break;
    }
  }
  if (Checksum(host.output()) != before) state.SkipWithError("the image did not come back unchanged");
  if (!host.violations.empty()) state.SkipWithError(host.violations.front().c_str());

  double peak = PeakResidentBytes();
  double budget = imageBytes + imageBytes + 32 * kMiB;  // the stores, the host's copy, and a little
  state.counters["rows/s"] =
      benchmark::Counter(double(shape.height) * double(state.iterations()), benchmark::Counter::kIsRate);
  state.counters["peak_MiB"] = peak / kMiB;
  state.counters["budget_MiB"] = budget / kMiB;
  if (peak > budget) state.SkipWithError("peak resident memory above the budget");
}

void BM_PumpRgbaSixteenBits(benchmark::State& state) { PumpIdentity(state, {8000, 6000, 4, 16}); }
void BM_PumpHugeRgbEightBits(benchmark::State& state) { PumpIdentity(state, {20000, 20000, 3, 8}); }

BENCHMARK(BM_PumpRgbaSixteenBits)->ArgName("advanceState")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_PumpHugeRgbEightBits)->ArgName("advanceState")->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
