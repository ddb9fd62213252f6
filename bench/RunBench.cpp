// Whole runs of a 6000 x 4000 image through the host simulator, the settings
// played back without the dialog and the rows pumped by advanceState, beside
// the engine alone on the same image and worker count. The counter
// run/engine is what the whole run costs over the engine. The module's code
// is linked in, so that the worker count can be set as for the engine.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <string>

#include "bench/ConvolveBench.h"
#include "filter/ConvolvePasses.h"
#include "hostsim/Descriptor.h"
#include "resources/Terminology.h"
#include "hostsim/Host.h"
#include "contract/PluginApi.h"
#include "platform/Platform.h"
#include "tests/support/EngineHarness.h"
#include "text/NumberFormat.h"

extern "C" void TK_CDECL ENTRYPOINT(int16_t selector, FilterRecord* filterRecord, intptr_t* data, int16_t* result);

namespace {

constexpr int32_t kRunWidth = 6000;
constexpr int32_t kRunHeight = 4000;

hostsim::Image HostImage(const TestImage& image) {
  hostsim::Image host = hostsim::MakeImage(image.width, image.height, image.planes, image.sixteenBit ? 16 : 8);
  for (int32_t y = 0; y < image.height; ++y)
    for (int32_t x = 0; x < image.width; ++x)
      for (int32_t p = 0; p < image.planes; ++p)
        host.SetSample(x, y, p, image.samples[(size_t(y) * image.width + x) * image.planes + p]);
  return host;
}

TestImage RunImage(ImageChoice choice) {
  const bool sixteenBit = choice == ImageChoice::rgb16;
  TestImage image = MakeTestImage(kRunWidth, kRunHeight, choice == ImageChoice::gray8 ? 1 : 3, sixteenBit);
  const uint32_t top = sixteenBit ? 32768 : 255;
  for (size_t i = 0; i < image.samples.size(); ++i) image.samples[i] = uint16_t((i * 2654435761u >> 7) % (top + 1));
  return image;
}

// The kernel as the host's scripting carries it: five-digit texts.
hostsim::Descriptor Played(const BenchKernel& kernel) {
  std::string text;
  for (int32_t i = 0; i < kCoefficientCount; ++i) {
    char field[16];
    FormatNumberText(kernel.values[i], field);
    text += std::string(field) + ",";
  }
  return {hostsim::TextEntry(kKernelKey, text),
          hostsim::DoubleEntry(kScaleKey, kernel.values[kScaleFactorSlot]),
          hostsim::DoubleEntry(kOffsetKey, 0.0), hostsim::BooleanEntry(kAutoscaleKey, false)};
}

double EngineSeconds(const TestImage& image, const BenchKernel& bench) {
  ConvolutionKernel kernel{};
  std::memcpy(kernel.values, bench.values, sizeof kernel.values);
  TestJob test(image);
  ImageStore* store = NewStoreWith(image);
  HostCalls calls;
  currentHostCalls = &calls;
  const auto start = std::chrono::steady_clock::now();
  ConvolveStore(store, &test.job, &kernel, image.sixteenBit);
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  currentHostCalls = nullptr;
  DisposeBackingStore(store);
  return took.count();
}

void RunWhole(benchmark::State& state, ImageChoice imageChoice, KernelChoice kernelChoice) {
  SetConvolveWorkers(int32_t(state.range(0)));
  const TestImage image = RunImage(imageChoice);
  const BenchKernel kernel = MakeBenchKernel(kernelChoice, false);
  hostsim::HostOptions options;
  options.writeInPlace = true;
  hostsim::Host host(ENTRYPOINT, HostImage(image), options);
  hostsim::ScriptingHost scripting(host);
  double engine = 0.0, whole = 0.0;
  for (auto _ : state) {
    state.PauseTiming();
    engine += EngineSeconds(image, kernel);
    host.progress.clear();
    scripting.Play(Played(kernel), plugInDialogDontDisplay);
    state.ResumeTiming();
    const auto start = std::chrono::steady_clock::now();
    const int16_t result = host.Run();
    whole += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (result != 0) {
      state.SkipWithError(("the run failed with " + std::to_string(result)).c_str());
      break;
    }
  }
  state.counters["Mpx/s"] =
      benchmark::Counter(double(kRunWidth) * kRunHeight / 1e6, benchmark::Counter::kIsIterationInvariantRate);
  state.counters["engine_ms"] = 1000.0 * engine / double(state.iterations());
  state.counters["run/engine"] = engine > 0 ? whole / engine : 0.0;
  SetConvolveWorkers(0);
}

const char* const kImageNames[] = {"Gray8", "Rgb8", "Rgb16"};
const char* const kKernelNames[] = {"Float", "Integer"};

[[maybe_unused]] const bool registered = [] {
  for (int32_t image = 0; image < 3; ++image) {
    for (int32_t kernel = 0; kernel < 2; ++kernel) {
      const std::string name = std::string("Run/") + kImageNames[image] + "/" + kKernelNames[kernel];
      benchmark::RegisterBenchmark(name.c_str(), RunWhole, ImageChoice(image), KernelChoice(kernel))
          ->ArgName("workers")
          ->Arg(1)
          ->Arg(PlatformProcessorCount())
          ->UseRealTime()
          ->Unit(benchmark::kMillisecond)
          ->Iterations(3);
    }
  }
  return true;
}();

}  // namespace
