// The engine on a 4000 x 3000 image: 8-bit gray, 8-bit RGB and 16-bit RGB,
// plain and autoscale, with a float kernel (a normalised Gaussian, sigma 1.3)
// and an integer kernel (a sharpening Laplacian with a scale factor), on
// each instruction set the machine has, on one worker and on one per
// processor; beside it the literal reference.
// The counter Mpx/s is megapixels per second of one whole run.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <random>

#include "bench/ConvolveBench.h"
#include "filter/ConvolvePasses.h"
#include "filter/ConvolvePlan.h"
#include "platform/Platform.h"
#include "tests/support/ConvolveReference.h"
#include "tests/support/EngineHarness.h"

BenchKernel MakeBenchKernel(KernelChoice choice, bool autoscale) {
  BenchKernel kernel{};
  if (choice == KernelChoice::gaussian) {
    double weights[kCoefficientCount];
    double total = 0.0;
    for (int32_t i = 0; i < kCoefficientCount; ++i) {
      const int32_t dy = i / 7 - 3;
      const int32_t dx = i % 7 - 3;
      weights[i] = std::exp(-(dx * dx + dy * dy) / (2.0 * 1.3 * 1.3));
      total += weights[i];
    }
    for (int32_t i = 0; i < kCoefficientCount; ++i) kernel.values[i] = float(weights[i] / total);
    kernel.values[kScaleFactorSlot] = 1.0f;
  } else {
    for (int32_t i = 0; i < kCoefficientCount; ++i) kernel.values[i] = -1.0f;
    kernel.values[24] = 60.0f;  // coefficients add up to 12
    kernel.values[kScaleFactorSlot] = 12.0f;
  }
  kernel.values[kAutoscaleSlot] = autoscale ? 1.0f : 0.0f;
  return kernel;
}

TestImage MakeBenchImage(ImageChoice choice) {
  const bool sixteenBit = choice == ImageChoice::rgb16;
  TestImage image = MakeTestImage(kBenchWidth, kBenchHeight, choice == ImageChoice::gray8 ? 1 : 3, sixteenBit);
  std::mt19937 random(11);
  const uint32_t top = sixteenBit ? 32768 : 255;
  for (size_t i = 0; i < image.samples.size(); ++i) {
    const size_t pixel = i / image.planes;
    const uint32_t ramp = uint32_t((pixel % kBenchWidth) * 7 + (pixel / kBenchWidth) * 3) % (top / 2);
    image.samples[i] = uint16_t(ramp + random() % (top / 2));
  }
  return image;
}

namespace {

const TestImage& CachedImage(ImageChoice choice) {
  static std::unique_ptr<TestImage> images[3];
  auto& slot = images[int(choice)];
  if (!slot) slot = std::make_unique<TestImage>(MakeBenchImage(choice));
  return *slot;
}

void SetRate(benchmark::State& state) {
  state.counters["Mpx/s"] =
      benchmark::Counter(double(kBenchWidth) * kBenchHeight / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}

void RunEngine(benchmark::State& state, ImageChoice imageChoice, KernelChoice kernelChoice, bool autoscale,
               ConvolveIsa isa) {
  if (!ForceConvolveIsa(isa)) {
    state.SkipWithError("this machine lacks the instruction set");
    return;
  }
  SetConvolveWorkers(int32_t(state.range(0)));
  const TestImage& image = CachedImage(imageChoice);
  ConvolutionKernel kernel{};
  std::memcpy(kernel.values, MakeBenchKernel(kernelChoice, autoscale).values, sizeof kernel.values);
  TestJob test(image);
  ImageStore* store = NewStoreWith(image);
  HostCalls calls;
  currentHostCalls = &calls;
  for (auto _ : state) {
    // Filtering in place: the image changes from run to run, the work does not.
    const int16_t result = ConvolveStore(store, &test.job, &kernel, image.sixteenBit);
    benchmark::DoNotOptimize(result);
    calls.progress.clear();
  }
  currentHostCalls = nullptr;
  DisposeBackingStore(store);
  ResetConvolveChoices();
  SetConvolveWorkers(0);
  SetRate(state);
}

void RunReference(benchmark::State& state, ImageChoice imageChoice) {
  const TestImage& image = CachedImage(imageChoice);
  const BenchKernel kernel = MakeBenchKernel(KernelChoice::gaussian, false);
  for (auto _ : state) {
    std::vector<uint16_t> result = ReferenceConvolve(image, kernel.values);
    benchmark::DoNotOptimize(result.data());
  }
  SetRate(state);
}

const char* const kImageNames[] = {"Gray8", "Rgb8", "Rgb16"};
const char* const kKernelNames[] = {"Float", "Integer"};

[[maybe_unused]] const bool registered = [] {
  for (int32_t isa = kConvolveIsaCount - 1; isa >= 0; --isa) {
    for (int32_t image = 0; image < 3; ++image) {
      for (int32_t kernel = 0; kernel < 2; ++kernel) {
        for (bool autoscale : {false, true}) {
          const std::string name = std::string("Engine/") + kImageNames[image] + "/" + kKernelNames[kernel] + "/" +
                                   (autoscale ? "Autoscale" : "Plain") + "/" + kConvolveIsaNames[isa];
          benchmark::RegisterBenchmark(name.c_str(), RunEngine, ImageChoice(image), KernelChoice(kernel),
                                       autoscale, ConvolveIsa(isa))
              ->ArgName("workers")
              ->Arg(1)
              ->Arg(PlatformProcessorCount())
              ->UseRealTime()
              ->Unit(benchmark::kMillisecond)
              ->MinTime(1.0);
        }
      }
    }
  }
  for (int32_t image = 0; image < 3; ++image) {
    benchmark::RegisterBenchmark((std::string("Reference/") + kImageNames[image]).c_str(), RunReference,
                                 ImageChoice(image))
        ->Unit(benchmark::kMillisecond)
        ->Iterations(1);
  }
  return true;
}();

}  // namespace
