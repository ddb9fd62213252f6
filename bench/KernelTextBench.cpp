// The texts of a kernel: what the dialog pays to show 49 coefficients in
// the number format, and a run to write and read its kernel text.
#include <benchmark/benchmark.h>

#include "filter/Kernel.h"
#include "filter/KernelText.h"
#include "host/contract/Memory.h"
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

}  // namespace
