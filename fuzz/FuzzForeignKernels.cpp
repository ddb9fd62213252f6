// Any text as a libvips matrix file, an ImageMagick-style kernel string or
// a coefficient list: refused with a message, or read into finite numbers
// within the recordable range that land in the 7 x 7 grid or are refused
// with a message.
#include <cmath>
#include <string>

#include "cli/ForeignKernels.h"
#include "cli/Values.h"

static void CheckGrid(const KernelGrid& grid) {
  for (float value : grid)
    if (!std::isfinite(value) || std::fabs(value) > kCoefficientLimit) __builtin_trap();
}

static void CheckKernel(const ForeignKernel& kernel) {
  if (kernel.values.size() != size_t(kernel.width) * size_t(kernel.height)) __builtin_trap();
  if (!ScaleProblem(kernel.scale).empty() || !OffsetProblem(kernel.offset).empty()) __builtin_trap();
  KernelGrid grid{};
  Failure failure = PlaceForeignKernel(kernel, "fuzz", &grid);
  if (failure && failure.message.empty()) __builtin_trap();
  if (!failure) CheckGrid(grid);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
  ForeignKernel kernel;
  KernelGrid grid{};
  Failure failure;
  switch (data[0] % 3) {
    case 0:
      failure = ParseVipsMatrix(text, "fuzz.mat", &kernel);
      if (!failure) CheckKernel(kernel);
      break;
    case 1:
      failure = ParseMagickKernel(text, &kernel);
      if (!failure) CheckKernel(kernel);
      break;
    default:
      failure = ParseCoefficientList(text, &grid);
      if (!failure) CheckGrid(grid);
  }
  if (failure && failure.message.empty()) __builtin_trap();
  return 0;
}
