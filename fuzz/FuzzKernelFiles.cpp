// Any file loads as a text kernel and as Adobe Custom Filter data without
// leaving its buffers; a grid placed from it saves and loads back as 7 x 7,
// every finite coefficient as its written text says.
#include <cmath>
#include <cstdlib>

#include "dialog/KernelFiles.h"
#include "filter/Kernel.h"
#include "fuzz/PrivateHome.h"
#include "contract/Memory.h"
#include "text/NumberFormat.h"

static void CheckLoaded(const LoadedKernel& kernel) {
  if ((kernel.coefficients == nullptr) != (kernel.size == 0)) __builtin_trap();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  UsePrivateHome();
  WriteFixedFile("c:\\TkFuzzKernel", data, size);
  float grid[kCoefficientCount] = {};
  LoadedKernel kernel{};
  if (ReadAcfKernel("c:\\TkFuzzKernel", &kernel) == 0 && size < 54) __builtin_trap();
  CheckLoaded(kernel);
  DisposeBlock(kernel.coefficients);
  if (ReadTextKernel("c:\\TkFuzzKernel", &kernel) != 0 || (kernel.size != 0 && kernel.size % 2 == 0)) __builtin_trap();
  CheckLoaded(kernel);
  PlaceKernel(kernel, grid);
  DisposeBlock(kernel.coefficients);

  bool finite = true;
  for (float value : grid) finite = finite && std::isfinite(value);
  WriteTextKernel("c:\\TkFuzzSaved.txt", grid, kKernelSide);
  if (ReadTextKernel("c:\\TkFuzzSaved.txt", &kernel) != 0 || (finite && kernel.size != kKernelSide)) __builtin_trap();
  if (finite)
    for (int32_t i = 0; i < kCoefficientCount; ++i) {
      char text[16];
      FormatNumberText(grid[i], text);
      if (kernel.coefficients[i] != std::strtof(text, nullptr)) __builtin_trap();
    }
  DisposeBlock(kernel.coefficients);
  return 0;
}
