// The processor's limit for the engine's exact arithmetic: double multiplies
// each followed by a separately rounded add, and fused multiply-adds (the
// engine's own step, which rounds alike because its products are exact), on
// as many independent chains as keep every pipe busy. Reported as lanes per
// second; the engine needs 49 such lanes per output sample, so
// limit / 49 / planes is the pixel rate no 7 x 7 pass can beat.
#include <benchmark/benchmark.h>
#include <immintrin.h>

#include <cstdint>

#include "platform/CpuFeatures.h"

namespace {

constexpr int kChains = 12;
constexpr int64_t kSteps = 1 << 20;

// Fused: one rounding per step; otherwise the multiply and the add each round.
template <bool Fused>
__attribute__((target("avx2,fma"))) double MultiplyAddsAvx2(double factor) {
  __m256d sums[kChains];
  const __m256d scale = _mm256_set1_pd(factor);
  for (int c = 0; c < kChains; ++c) sums[c] = _mm256_set1_pd(double(c));
  for (int64_t step = 0; step < kSteps; ++step) {
    for (int c = 0; c < kChains; ++c) {
      sums[c] = Fused ? _mm256_fmadd_pd(sums[c], scale, sums[c]) : _mm256_add_pd(sums[c], _mm256_mul_pd(sums[c], scale));
    }
  }
  __m256d total = sums[0];
  for (int c = 1; c < kChains; ++c) total = _mm256_add_pd(total, sums[c]);
  return _mm256_cvtsd_f64(total);
}

template <bool Fused>
__attribute__((target("avx512f"))) double MultiplyAddsAvx512(double factor) {
  __m512d sums[kChains];
  const __m512d scale = _mm512_set1_pd(factor);
  for (int c = 0; c < kChains; ++c) sums[c] = _mm512_set1_pd(double(c));
  for (int64_t step = 0; step < kSteps; ++step) {
    for (int c = 0; c < kChains; ++c) {
      sums[c] = Fused ? _mm512_fmadd_pd(sums[c], scale, sums[c]) : _mm512_add_pd(sums[c], _mm512_mul_pd(sums[c], scale));
    }
  }
  __m512d total = sums[0];
  for (int c = 1; c < kChains; ++c) total = _mm512_add_pd(total, sums[c]);
  alignas(64) double lanes[8];
  _mm512_store_pd(lanes, total);
  return lanes[0] + lanes[7];
}

void MultiplyAddLimit(benchmark::State& state, double (*run)(double), int64_t lanes, bool available) {
  if (!available) {
    state.SkipWithError("this processor lacks the instruction set");
    return;
  }
  for (auto _ : state) benchmark::DoNotOptimize(run(1e-300));
  // Every thread's counter is summed and scaled by every thread's iterations.
  const auto flags = benchmark::Counter::Flags(benchmark::Counter::kIsIterationInvariantRate |
                                               benchmark::Counter::kAvgThreads);
  state.counters["Glanes/s"] = benchmark::Counter(double(kSteps * kChains * lanes) / 1e9, flags);
  state.counters["RgbMpx/s"] = benchmark::Counter(double(kSteps * kChains * lanes) / 49.0 / 3.0 / 1e6, flags);
}

BENCHMARK_CAPTURE(MultiplyAddLimit, Avx2, MultiplyAddsAvx2<false>, 4, CpuHasAvx2Fma())->UseRealTime();
BENCHMARK_CAPTURE(MultiplyAddLimit, Avx512, MultiplyAddsAvx512<false>, 8, CpuHasAvx512())->UseRealTime();
// On two threads as well: what the processors give two workers at once bounds
// the engine's scaling, on a shared machine whose cores may not be its own.
BENCHMARK_CAPTURE(MultiplyAddLimit, FusedAvx2, MultiplyAddsAvx2<true>, 4, CpuHasAvx2Fma())
    ->UseRealTime()->Threads(1)->Threads(2);
BENCHMARK_CAPTURE(MultiplyAddLimit, FusedAvx512, MultiplyAddsAvx512<true>, 8, CpuHasAvx512())
    ->UseRealTime()->Threads(1)->Threads(2);

}  // namespace
