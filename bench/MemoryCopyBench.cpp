// What one pass over a 6000 x 4000 RGB 8-bit image costs in this machine's
// memory: a copy between two buffers already in memory, row by row as the
// row pump and the host copy, so that a whole run's cost beyond the engine
// can be read as a number of such passes.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

constexpr size_t kRowBytes = 6000 * 3;
constexpr size_t kRows = 4000;

void MemoryCopyPass(benchmark::State& state) {
  std::vector<uint8_t> from(kRowBytes * kRows, 1), to(kRowBytes * kRows, 2);
  for (auto _ : state) {
    for (size_t row = 0; row < kRows; ++row)
      std::memcpy(to.data() + row * kRowBytes, from.data() + row * kRowBytes, kRowBytes);
    benchmark::ClobberMemory();
  }
  state.counters["MB/s"] =
      benchmark::Counter(double(kRowBytes * kRows) / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}

BENCHMARK(MemoryCopyPass)->Name("MemoryCopyPass/Rgb8/6000x4000")->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
