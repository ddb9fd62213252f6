// The inner loops, written once for every instruction set. An instruction-set
// file defines its lane record L (vector types, lane counts, block sizes) and
// the vector helpers for L's types, then includes this file and instantiates
// MakeRowFunctionSet<L>. Everything here has internal linkage, so variants
// compiled for different instruction sets never replace one another.
//
// Vectors run across neighbouring result samples; each lane sums its own 49
// products in the one order (column offset outer, row offset inner), and a
// sample times a widened float coefficient is exact, so every lane rounds
// exactly as a scalar loop would.
#pragma once

#include <cstring>
#include <type_traits>
#include <utility>

#include "filter/ConvolveRows.h"
#include "filter/RowRing.h"

namespace {

// Adds one kernel column's products to a block's sums from aligned loads: a
// vector at an offset that is not a multiple of the lane count is shifted
// out of its two aligned neighbours, where loading it would straddle two
// cache lines. The ring rows and every block start on a vector boundary.
template <class L, int32_t Planes, int32_t Column>
inline void AddShiftedColumn(const RowJob& job, int32_t start, typename L::Vector* sum) {
  constexpr int kVectors = L::kDoubleBlock / L::kLanes;
  static_assert(kRingRowAlignment % sizeof(typename L::Vector) == 0 && L::kDoubleBlock % L::kLanes == 0,
                "blocks start off a vector boundary");
  constexpr int32_t kSkip = Column * Planes / L::kLanes;
  constexpr int32_t kShift = Column * Planes % L::kLanes;
  for (int32_t row = 0; row < 7; ++row) {
    const typename L::Vector coefficient = BroadcastOf(job.plan->coefficients[7 * row + Column], L{});
    const double* source = static_cast<const double*>(job.rows[row]) + start + kSkip * L::kLanes;
    typename L::Vector low = LoadAlignedOf(source, L{});
#pragma GCC unroll 32
    for (int i = 0; i < kVectors; ++i) {
      if constexpr (kShift == 0) {
        sum[i] = MulAdd(LoadAlignedOf(source + i * L::kLanes, L{}), coefficient, sum[i]);
      } else {
        const typename L::Vector high = LoadAlignedOf(source + (i + 1) * L::kLanes, L{});
        sum[i] = MulAdd(ShiftedOf<kShift>(low, high), coefficient, sum[i]);
        low = high;
      }
    }
  }
}

template <class L, int32_t Planes, int32_t... Columns>
void ShiftedDoubleBlockSums(const RowJob& job, int32_t start, double* sums,
                            std::integer_sequence<int32_t, Columns...>) {
  constexpr int kVectors = L::kDoubleBlock / L::kLanes;
  typename L::Vector sum[kVectors];
#pragma GCC unroll 32
  for (int i = 0; i < kVectors; ++i) sum[i] = ZeroOf(L{});
  (AddShiftedColumn<L, Planes, Columns>(job, start, sum), ...);
#pragma GCC unroll 32
  for (int i = 0; i < kVectors; ++i) StoreTo(sums + i * L::kLanes, sum[i]);
}

// Gray and RGB rows, the only plane counts a host hands over, take the
// shifted vectors where the lane record has them.
template <class L>
void DoubleBlockSums(const RowJob& job, int32_t start, double* sums) {
  if constexpr (L::kShiftsVectors) {
    constexpr auto kColumns = std::make_integer_sequence<int32_t, 7>{};
    if (job.plan->planes == 1) return ShiftedDoubleBlockSums<L, 1>(job, start, sums, kColumns);
    if (job.plan->planes == 3) return ShiftedDoubleBlockSums<L, 3>(job, start, sums, kColumns);
  }
  constexpr int kVectors = L::kDoubleBlock / L::kLanes;
  const ConvolvePlan& plan = *job.plan;
  const int32_t planes = plan.planes;
  typename L::Vector sum[kVectors];
#pragma GCC unroll 32
  for (int i = 0; i < kVectors; ++i) sum[i] = ZeroOf(L{});
  for (int32_t column = 0; column < 7; ++column) {
    for (int32_t row = 0; row < 7; ++row) {
      const typename L::Vector coefficient = BroadcastOf(plan.coefficients[7 * row + column], L{});
      const double* source = static_cast<const double*>(job.rows[row]) + start + column * planes;
#pragma GCC unroll 32
      for (int i = 0; i < kVectors; ++i) sum[i] = MulAdd(LoadOf(source + i * L::kLanes, L{}), coefficient, sum[i]);
    }
  }
#pragma GCC unroll 32
  for (int i = 0; i < kVectors; ++i) StoreTo(sums + i * L::kLanes, sum[i]);
}

// Keeps one running sum per register: the compiler would otherwise regroup
// the integer additions into trees whose partial sums no longer fit the
// register file.
template <class Vector>
inline void KeepInRegister(Vector& v) {
  if constexpr (std::is_integral_v<Vector>) {
    __asm__("" : "+r"(v));
  } else {
    __asm__("" : "+v"(v));
  }
}

// The integer sums' counterpart of AddShiftedColumn: the pairs of columns
// 2 * Pair and 2 * Pair + 1 of every kernel row.
template <class L, int32_t Planes, int32_t Pair>
inline void AddShiftedPairs(const RowJob& job, int32_t start, typename L::Integers* sum) {
  constexpr int kVectors = L::kIntegerBlock / L::kIntegerLanes;
  static_assert(kRingRowAlignment % sizeof(typename L::Integers) == 0 && L::kIntegerBlock % L::kIntegerLanes == 0,
                "blocks start off a vector boundary");
  constexpr int32_t kSkip = 2 * Pair * Planes / L::kIntegerLanes;
  constexpr int32_t kShift = 2 * Pair * Planes % L::kIntegerLanes;
  for (int32_t row = 0; row < 7; ++row) {
    const typename L::Integers coefficients = BroadcastPairOf(job.plan->integerPairs[4 * row + Pair], L{});
    const int16_t* source = static_cast<const int16_t*>(job.rows[row]) + 2 * (start + kSkip * L::kIntegerLanes);
    typename L::Integers low = LoadAlignedPairsOf(source, L{});
#pragma GCC unroll 32
    for (int i = 0; i < kVectors; ++i) {
      if constexpr (kShift == 0) {
        const typename L::Integers pairs = LoadAlignedPairsOf(source + 2 * i * L::kIntegerLanes, L{});
        sum[i] = MultiplyAddPairs(sum[i], pairs, coefficients, L{});
      } else {
        const typename L::Integers high = LoadAlignedPairsOf(source + 2 * (i + 1) * L::kIntegerLanes, L{});
        sum[i] = MultiplyAddPairs(sum[i], ShiftedPairsOf<kShift>(low, high), coefficients, L{});
        low = high;
      }
      KeepInRegister(sum[i]);
    }
  }
}

template <class L, int32_t Planes, int32_t... Pairs>
void ShiftedIntegerBlockSums(const RowJob& job, int32_t start, double* sums,
                             std::integer_sequence<int32_t, Pairs...>) {
  constexpr int kVectors = L::kIntegerBlock / L::kIntegerLanes;
  typename L::Integers sum[kVectors];
#pragma GCC unroll 32
  for (int i = 0; i < kVectors; ++i) sum[i] = ZeroIntegersOf(L{});
  (AddShiftedPairs<L, Planes, Pairs>(job, start, sum), ...);
#pragma GCC unroll 32
  for (int i = 0; i < kVectors; ++i) {
    StoreAsDoubles(sums + i * L::kIntegerLanes, sum[i], job.plan->integerBias, job.plan->integerUnit);
  }
}

// Exact integer sums: each 32-bit lane adds the products of two taps at a time.
template <class L>
void IntegerBlockSums(const RowJob& job, int32_t start, double* sums) {
  if constexpr (L::kShiftsVectors) {
    constexpr auto kPairs = std::make_integer_sequence<int32_t, 4>{};
    if (job.plan->planes == 1) return ShiftedIntegerBlockSums<L, 1>(job, start, sums, kPairs);
    if (job.plan->planes == 3) return ShiftedIntegerBlockSums<L, 3>(job, start, sums, kPairs);
  }
  constexpr int kVectors = L::kIntegerBlock / L::kIntegerLanes;
  const ConvolvePlan& plan = *job.plan;
  const int32_t planes = plan.planes;
  // One pointer per step, taken from a table: the compiler would otherwise
  // keep every step's addresses live at once.
  const int16_t* sources[28];
  for (int32_t row = 0; row < 7; ++row) {
    for (int32_t pair = 0; pair < 4; ++pair) {
      sources[4 * row + pair] = static_cast<const int16_t*>(job.rows[row]) + 2 * (start + 2 * pair * planes);
    }
  }
  typename L::Integers sum[kVectors];
#pragma GCC unroll 32
  for (int i = 0; i < kVectors; ++i) sum[i] = ZeroIntegersOf(L{});
#pragma GCC unroll 1
  for (int32_t step = 0; step < 28; ++step) {
    const typename L::Integers coefficients = BroadcastPairOf(plan.integerPairs[step], L{});
    const int16_t* source = sources[step];
#pragma GCC unroll 32
    for (int i = 0; i < kVectors; ++i) {
      sum[i] = MultiplyAddPairs(sum[i], LoadPairsOf(source + 2 * i * L::kIntegerLanes, L{}), coefficients, L{});
      KeepInRegister(sum[i]);
    }
  }
#pragma GCC unroll 32
  for (int i = 0; i < kVectors; ++i) {
    StoreAsDoubles(sums + i * L::kIntegerLanes, sum[i], plan.integerBias, plan.integerUnit);
  }
}

template <class L, bool Integer>
constexpr int32_t BlockSamples() {
  return Integer ? L::kIntegerBlock : L::kDoubleBlock;
}

template <class L, bool Integer>
void BlockSums(const RowJob& job, int32_t start, double* sums) {
  static_assert(BlockSamples<L, Integer>() <= kRowSlackSamples, "a block reads past the row's slack");
  if constexpr (Integer) {
    IntegerBlockSums<L>(job, start, sums);
  } else {
    DoubleBlockSums<L>(job, start, sums);
  }
}

// Truncates the lanes of v toward zero and stores the first count of them.
template <class L, class Sample>
void StoreResults(Sample* out, typename L::Vector v, int32_t count) {
  if (count >= L::kLanes) {
    StoreTruncated(out, v);
    return;
  }
  if constexpr (L::kLanes > 1) {  // one lane always stores whole
    Sample tail[L::kLanes];
    StoreTruncated(tail, v);
    std::memcpy(out, tail, size_t(count) * sizeof(Sample));
  }
}

// v = sum / scale + offset, kept within 0..top; a NaN gives 0.
template <class L, bool Integer, class Sample>
void PlainRow(RowJob* job) {
  const ConvolvePlan& plan = *job->plan;
  constexpr int32_t kBlock = BlockSamples<L, Integer>();
  alignas(64) double sums[kBlock];
  Sample* out = static_cast<Sample*>(job->output);
  const bool divides = plan.divides != 0;
  const typename L::Vector divisor = BroadcastOf(divides ? plan.divisor : plan.reciprocal, L{});
  const typename L::Vector offset = BroadcastOf(plan.offsetTerm, L{});
  const typename L::Vector zero = ZeroOf(L{});
  const typename L::Vector top = BroadcastOf(plan.top, L{});
  for (int32_t start = 0; start < plan.rowSamples; start += kBlock) {
    BlockSums<L, Integer>(*job, start, sums);
    const int32_t count = plan.rowSamples - start < kBlock ? plan.rowSamples - start : kBlock;
    for (int32_t i = 0; i < count; i += L::kLanes) {
      typename L::Vector v = LoadOf(sums + i, L{});
      v = divides ? Div(v, divisor) : Mul(v, divisor);
      v = MinOf(MaxOf(Add(v, offset), zero), top);
      StoreResults<L>(out + start + i, v, count - i);
    }
  }
}

// First autoscale pass: the range of every sum of the row, NaNs left out.
template <class L, bool Integer>
void ScanRow(RowJob* job) {
  const ConvolvePlan& plan = *job->plan;
  constexpr int32_t kBlock = BlockSamples<L, Integer>();
  alignas(64) double sums[kBlock];
  typename L::Vector lowest = BroadcastOf(job->minimum, L{});
  typename L::Vector highest = BroadcastOf(job->maximum, L{});
  for (int32_t start = 0; start < plan.rowSamples; start += kBlock) {
    BlockSums<L, Integer>(*job, start, sums);
    const int32_t count = plan.rowSamples - start < kBlock ? plan.rowSamples - start : kBlock;
    int32_t i = 0;
    for (; i + L::kLanes <= count; i += L::kLanes) {
      const typename L::Vector v = LoadOf(sums + i, L{});
      highest = MaxOf(v, highest);
      lowest = MinOf(v, lowest);
    }
    for (; i < count; ++i) {
      if (sums[i] > job->maximum) job->maximum = sums[i];
      if (sums[i] < job->minimum) job->minimum = sums[i];
    }
  }
  alignas(64) double lanes[2][L::kLanes];
  StoreTo(lanes[0], lowest);
  StoreTo(lanes[1], highest);
  for (int32_t lane = 0; lane < L::kLanes; ++lane) {
    if (lanes[1][lane] > job->maximum) job->maximum = lanes[1][lane];
    if (lanes[0][lane] < job->minimum) job->minimum = lanes[0][lane];
  }
}

// Second autoscale pass: (sum - minimum) * factor.
template <class L, bool Integer, class Sample>
void MapRow(RowJob* job) {
  const ConvolvePlan& plan = *job->plan;
  constexpr int32_t kBlock = BlockSamples<L, Integer>();
  alignas(64) double sums[kBlock];
  Sample* out = static_cast<Sample*>(job->output);
  const typename L::Vector minimum = BroadcastOf(job->minimum, L{});
  const typename L::Vector factor = BroadcastOf(job->factor, L{});
  const typename L::Vector zero = ZeroOf(L{});
  const typename L::Vector top = BroadcastOf(plan.top, L{});
  for (int32_t start = 0; start < plan.rowSamples; start += kBlock) {
    BlockSums<L, Integer>(*job, start, sums);
    const int32_t count = plan.rowSamples - start < kBlock ? plan.rowSamples - start : kBlock;
    for (int32_t i = 0; i < count; i += L::kLanes) {
      typename L::Vector v = Mul(Sub(LoadOf(sums + i, L{}), minimum), factor);
      // Finite sums already lie in 0..top; this only tames infinities and NaNs.
      v = MinOf(MaxOf(v, zero), top);
      StoreResults<L>(out + start + i, v, count - i);
    }
  }
}

// The preview's sums, kernel row outer: chunks of as many sums as the lane
// record's blocks hold, each lane adding its 49 products in the one order.
template <class L>
void RowOuterBlockSums(const double* const rows[7], const double coefficients[49], int32_t planes, int32_t count,
                       double* sums) {
  constexpr int32_t kChunk = L::kDoubleBlock >= 32 ? 32 : (L::kDoubleBlock >= 16 ? 16 : 8);
  constexpr int kVectors = kChunk / L::kLanes;
  static_assert(kRowOuterBlock % kChunk == 0 && kChunk % L::kLanes == 0 && kChunk <= L::kDoubleBlock,
                "a chunk of sums does not fit the lane record's blocks");
  for (int32_t q = 0; q < count; q += kChunk) {
    typename L::Vector sum[kVectors];
#pragma GCC unroll 32
    for (int i = 0; i < kVectors; ++i) sum[i] = ZeroOf(L{});
    for (int32_t row = 0; row < 7; ++row) {
      for (int32_t column = 0; column < 7; ++column) {
        const typename L::Vector coefficient = BroadcastOf(coefficients[7 * row + column], L{});
        const double* source = rows[row] + q + column * planes;
#pragma GCC unroll 32
        for (int i = 0; i < kVectors; ++i) sum[i] = MulAdd(LoadOf(source + i * L::kLanes, L{}), coefficient, sum[i]);
      }
    }
#pragma GCC unroll 32
    for (int i = 0; i < kVectors; ++i) StoreTo(sums + q + i * L::kLanes, sum[i]);
  }
}

template <class L, bool Integer>
constexpr RowFunction RowFunctions[3][2] = {
    {PlainRow<L, Integer, uint8_t>, PlainRow<L, Integer, uint16_t>},
    {ScanRow<L, Integer>, ScanRow<L, Integer>},
    {MapRow<L, Integer, uint8_t>, MapRow<L, Integer, uint16_t>},
};

template <class L>
constexpr RowFunctionSet MakeRowFunctionSet() {
  RowFunctionSet set{};
  for (int32_t pass = 0; pass < 3; ++pass) {
    for (int32_t depth = 0; depth < 2; ++depth) {
      set.rows[0][pass][depth] = RowFunctions<L, false>[pass][depth];
      set.rows[1][pass][depth] = RowFunctions<L, true>[pass][depth];
    }
  }
  set.rowOuterSums = RowOuterBlockSums<L>;
  return set;
}

}  // namespace
