// The texts of a kernel: what the dialog pays to show 49 coefficients in
// the number format, a run to write and read its kernel text, and Load of a
// large kernel text file.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <string>

#include "dialog/KernelFiles.h"
#include "filter/Kernel.h"
#include "filter/KernelText.h"
#include "contract/Memory.h"
#include "text/NumberFormat.h"

namespace {

void NumberTexts(benchmark::State& state) {
  char text[14];
  for (auto _ : state)
    for (float value : DefaultKernel) {
      FormatNumberText(value * 1000.0f, text);
      benchmark::DoNotOptimize(text);
    }
  state.SetItemsProcessed(state.iterations() * kCoefficientCount);
}
BENCHMARK(NumberTexts);

void KernelTextOut(benchmark::State& state) {
  char text[kTextBufferSize];
  for (auto _ : state) {
    FormatKernelText(DefaultKernel, kCoefficientCount, text, kTextBufferSize);
    benchmark::DoNotOptimize(text);
  }
}
BENCHMARK(KernelTextOut);

void KernelTextIn(benchmark::State& state) {
  char text[kTextBufferSize];
  FormatKernelText(DefaultKernel, kCoefficientCount, text, kTextBufferSize);
  float values[kCoefficientCount];
  for (auto _ : state) {
    ParseKernelText(values, kCoefficientCount, text);
    benchmark::DoNotOptimize(values);
  }
}
BENCHMARK(KernelTextIn);

// A 2 MB kernel text file of 421 x 421 exponent-form values: Load measures
// it, then reads it again into the square.
void KernelFileLoad(benchmark::State& state) {
  const std::string path = "/tmp/tarkel-bench-kernel-" + std::to_string(::getpid()) + ".txt";
  constexpr int kSide = 421;
  std::string line;
  for (int column = 0; column < kSide; ++column) line += column + 1 < kSide ? "1.23450e+4\t" : "1.23450e+4\r\n";
  std::FILE* file = std::fopen(path.c_str(), "wb");
  for (int row = 0; row < kSide; ++row) std::fwrite(line.data(), 1, line.size(), file);
  std::fclose(file);
  for (auto _ : state) {
    LoadedKernel kernel{};
    if (ReadTextKernel(path.c_str(), &kernel) != 0 || kernel.size != kSide) state.SkipWithError("not loaded");
    DisposeBlock(kernel.coefficients);
  }
  state.SetBytesProcessed(state.iterations() * int64_t(line.size()) * kSide);
  std::remove(path.c_str());
}
BENCHMARK(KernelFileLoad)->Unit(benchmark::kMillisecond);

}  // namespace
