// OpenCV's filter2D on the engine's benchmark images and kernels, on as many
// threads as the engine's workers, edges replicated, a CV_32F kernel: the
// yardstick for the engine's speed.
#include <benchmark/benchmark.h>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <string>

#include "bench/ConvolveBench.h"
#include "platform/Platform.h"

namespace {

cv::Mat ToMat(const TestImage& image) {
  const int type = image.sixteenBit ? CV_16UC(image.planes) : CV_8UC(image.planes);
  cv::Mat mat(image.height, image.width, type);
  for (int32_t y = 0; y < image.height; ++y) {
    for (int32_t i = 0; i < image.width * image.planes; ++i) {
      const uint16_t sample = image.samples[size_t(y) * image.width * image.planes + i];
      if (image.sixteenBit) {
        mat.ptr<uint16_t>(y)[i] = sample;
      } else {
        mat.ptr<uint8_t>(y)[i] = uint8_t(sample);
      }
    }
  }
  return mat;
}

void RunFilter2D(benchmark::State& state, ImageChoice imageChoice, KernelChoice kernelChoice) {
  cv::setNumThreads(int(state.range(0)));
  const cv::Mat source = ToMat(MakeBenchImage(imageChoice));
  const BenchKernel bench = MakeBenchKernel(kernelChoice, false);
  cv::Mat kernel(7, 7, CV_32F);
  for (int32_t i = 0; i < kCoefficientCount; ++i) {
    kernel.at<float>(i / 7, i % 7) = bench.values[i] / bench.values[kScaleFactorSlot];
  }
  cv::Mat target;
  for (auto _ : state) {
    cv::filter2D(source, target, -1, kernel, cv::Point(-1, -1), 0, cv::BORDER_REPLICATE);
    benchmark::DoNotOptimize(target.data);
  }
  state.counters["Mpx/s"] =
      benchmark::Counter(double(kBenchWidth) * kBenchHeight / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}

const char* const kImageNames[] = {"Gray8", "Rgb8", "Rgb16"};
const char* const kKernelNames[] = {"Float", "Integer"};

[[maybe_unused]] const bool registered = [] {
  for (int32_t image = 0; image < 3; ++image) {
    for (int32_t kernel = 0; kernel < 2; ++kernel) {
      const std::string name = std::string("OpenCvFilter2D/") + kImageNames[image] + "/" + kKernelNames[kernel];
      benchmark::RegisterBenchmark(name.c_str(), RunFilter2D, ImageChoice(image), KernelChoice(kernel))
          ->ArgName("workers")
          ->Arg(1)
          ->Arg(PlatformProcessorCount())
          ->UseRealTime()
          ->Unit(benchmark::kMillisecond)
          ->MinTime(1.0);
    }
  }
  return true;
}();

}  // namespace
