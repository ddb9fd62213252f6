// The images and kernels shared by the engine's benchmark and the OpenCV
// comparison beside it.
#pragma once

#include <cstdint>

#include "filter/Kernel.h"
#include "tests/support/ConvolveReference.h"

constexpr int32_t kBenchWidth = 4000;
constexpr int32_t kBenchHeight = 3000;

enum class ImageChoice : int32_t { gray8 = 0, rgb8 = 1, rgb16 = 2 };
enum class KernelChoice : int32_t { gaussian = 0, laplacian = 1 };

struct BenchKernel {
  float values[kKernelFloats];
};

BenchKernel MakeBenchKernel(KernelChoice choice, bool autoscale);
TestImage MakeBenchImage(ImageChoice choice);
