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

// Keeps one running sum per register: the compiler would otherwise regroup
// the integer additions into trees whose partial sums no longer fit the
// register file, or move the sums of a pair of rows out to the stack.
template <class Vector>
inline void KeepInRegister(Vector& v) {
  if constexpr (std::is_integral_v<Vector>) {
    __asm__("" : "+r"(v));
  } else {
    __asm__("" : "+v"(v));
  }
}

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

// AddShiftedColumn for result rows y and y + 1 at once: source slot s is
// kernel row s of the upper row and s - 1 of the lower, so each source
// vector, shifted or loaded whole, feeds both, and each row's sums still
// come in the one order.
template <class L, int32_t Planes, int32_t Column, bool Upper, bool Lower>
inline void AddShiftedSlot(const RowJob& job, int32_t start, int32_t slot, typename L::Vector* upper,
                           typename L::Vector* lower) {
  constexpr int kVectors = L::kPairBlock / L::kLanes;
  constexpr int32_t kSkip = Column * Planes / L::kLanes;
  constexpr int32_t kShift = Column * Planes % L::kLanes;
  const double* coefficients = job.plan->coefficients;
  const typename L::Vector upperCoefficient = BroadcastOf(Upper ? coefficients[7 * slot + Column] : 0.0, L{});
  const typename L::Vector lowerCoefficient = BroadcastOf(Lower ? coefficients[7 * (slot - 1) + Column] : 0.0, L{});
  const double* source = static_cast<const double*>(job.rows[slot]) + start + kSkip * L::kLanes;
  if constexpr (!L::kShiftsVectors) source += kShift;
  // Hidden from the compiler, which would otherwise keep the vectors that
  // columns load alike on the stack for one another.
  __asm__("" : "+r"(source));
  [[maybe_unused]] typename L::Vector low;
  if constexpr (L::kShiftsVectors) low = LoadAlignedOf(source, L{});
#pragma GCC unroll 32
  for (int i = 0; i < kVectors; ++i) {
    typename L::Vector value;
    if constexpr (!L::kShiftsVectors) {
      value = LoadOf(source + i * L::kLanes, L{});
    } else if constexpr (kShift == 0) {
      value = LoadAlignedOf(source + i * L::kLanes, L{});
    } else {
      const typename L::Vector high = LoadAlignedOf(source + (i + 1) * L::kLanes, L{});
      value = ShiftedOf<kShift>(low, high);
      low = high;
    }
    KeepInRegister(value);  // loaded once for both rows, not folded into each
    if constexpr (Upper) {
      upper[i] = MulAdd(value, upperCoefficient, upper[i]);
      KeepInRegister(upper[i]);
    }
    if constexpr (Lower) {
      lower[i] = MulAdd(value, lowerCoefficient, lower[i]);
      KeepInRegister(lower[i]);
    }
  }
}

template <class L, int32_t Planes, int32_t Column>
inline void AddShiftedColumnToPair(const RowJob& job, int32_t start, typename L::Vector* upper,
                                   typename L::Vector* lower) {
  AddShiftedSlot<L, Planes, Column, true, false>(job, start, 0, upper, lower);
#pragma GCC unroll 1
  for (int32_t slot = 1; slot < 7; ++slot) AddShiftedSlot<L, Planes, Column, true, true>(job, start, slot, upper, lower);
  AddShiftedSlot<L, Planes, Column, false, true>(job, start, 7, upper, lower);
}

template <class L, int32_t Planes, int32_t... Columns>
void ShiftedPairBlockSums(const RowJob& job, int32_t start, double* upperSums, double* lowerSums,
                          std::integer_sequence<int32_t, Columns...>) {
  constexpr int kVectors = L::kPairBlock / L::kLanes;
  static_assert(L::kPairBlock % L::kLanes == 0 && L::kPairBlock <= kRowSlackSamples, "a pair block does not fit");
  typename L::Vector upper[kVectors];
  typename L::Vector lower[kVectors];
#pragma GCC unroll 32
  for (int i = 0; i < kVectors; ++i) upper[i] = lower[i] = ZeroOf(L{});
  (AddShiftedColumnToPair<L, Planes, Columns>(job, start, upper, lower), ...);
#pragma GCC unroll 32
  for (int i = 0; i < kVectors; ++i) {
    StoreTo(upperSums + i * L::kLanes, upper[i]);
    StoreTo(lowerSums + i * L::kLanes, lower[i]);
  }
}

// Gray or RGB rows only (ChoosePairRowFunction).
template <class L>
void PairBlockSums(const RowJob& job, int32_t start, double* upperSums, double* lowerSums) {
  constexpr auto kColumns = std::make_integer_sequence<int32_t, 7>{};
  if (job.plan->planes == 1) return ShiftedPairBlockSums<L, 1>(job, start, upperSums, lowerSums, kColumns);
  ShiftedPairBlockSums<L, 3>(job, start, upperSums, lowerSums, kColumns);
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

// AddShiftedSlot for the integer sums: the column pair Pair of source slot
// s, for kernel row s of the upper result row and s - 1 of the lower.
template <class L, int32_t Planes, int32_t Pair, bool Upper, bool Lower>
inline void AddShiftedPairSlot(const RowJob& job, int32_t start, int32_t slot, typename L::Integers* upper,
                               typename L::Integers* lower) {
  constexpr int kVectors = L::kIntegerPairBlock / L::kIntegerLanes;
  constexpr int32_t kSkip = 2 * Pair * Planes / L::kIntegerLanes;
  constexpr int32_t kShift = 2 * Pair * Planes % L::kIntegerLanes;
  const int32_t* pairs = job.plan->integerPairs;
  const typename L::Integers upperCoefficients = BroadcastPairOf(Upper ? pairs[4 * slot + Pair] : 0, L{});
  const typename L::Integers lowerCoefficients = BroadcastPairOf(Lower ? pairs[4 * (slot - 1) + Pair] : 0, L{});
  const int16_t* source = static_cast<const int16_t*>(job.rows[slot]) + 2 * (start + kSkip * L::kIntegerLanes);
  if constexpr (!L::kShiftsVectors) source += 2 * kShift;
  __asm__("" : "+r"(source));
  [[maybe_unused]] typename L::Integers low;
  if constexpr (L::kShiftsVectors) low = LoadAlignedPairsOf(source, L{});
#pragma GCC unroll 32
  for (int i = 0; i < kVectors; ++i) {
    typename L::Integers value;
    if constexpr (!L::kShiftsVectors) {
      value = LoadPairsOf(source + 2 * i * L::kIntegerLanes, L{});
    } else if constexpr (kShift == 0) {
      value = LoadAlignedPairsOf(source + 2 * i * L::kIntegerLanes, L{});
    } else {
      const typename L::Integers high = LoadAlignedPairsOf(source + 2 * (i + 1) * L::kIntegerLanes, L{});
      value = ShiftedPairsOf<kShift>(low, high);
      low = high;
    }
    KeepInRegister(value);
    if constexpr (Upper) {
      upper[i] = MultiplyAddPairs(upper[i], value, upperCoefficients, L{});
      KeepInRegister(upper[i]);
    }
    if constexpr (Lower) {
      lower[i] = MultiplyAddPairs(lower[i], value, lowerCoefficients, L{});
      KeepInRegister(lower[i]);
    }
  }
}

// Spelled out like AddShiftedColumnToPair rather than through one shared
// slot walker: handing the sums to a shared callable kept them out of
// registers, at a third of the speed.
template <class L, int32_t Planes, int32_t Pair>
inline void AddShiftedPairsToPair(const RowJob& job, int32_t start, typename L::Integers* upper,
                                  typename L::Integers* lower) {
  AddShiftedPairSlot<L, Planes, Pair, true, false>(job, start, 0, upper, lower);
#pragma GCC unroll 1
  for (int32_t slot = 1; slot < 7; ++slot) AddShiftedPairSlot<L, Planes, Pair, true, true>(job, start, slot, upper, lower);
  AddShiftedPairSlot<L, Planes, Pair, false, true>(job, start, 7, upper, lower);
}

template <class L, int32_t Planes, int32_t... Pairs>
void ShiftedIntegerPairBlockSums(const RowJob& job, int32_t start, double* upperSums, double* lowerSums,
                                 std::integer_sequence<int32_t, Pairs...>) {
  constexpr int kVectors = L::kIntegerPairBlock / L::kIntegerLanes;
  static_assert(L::kIntegerPairBlock % L::kIntegerLanes == 0 && L::kIntegerPairBlock <= kRowSlackSamples,
                "a pair block does not fit");
  typename L::Integers upper[kVectors];
  typename L::Integers lower[kVectors];
#pragma GCC unroll 32
  for (int i = 0; i < kVectors; ++i) upper[i] = lower[i] = ZeroIntegersOf(L{});
  (AddShiftedPairsToPair<L, Planes, Pairs>(job, start, upper, lower), ...);
  const ConvolvePlan& plan = *job.plan;
#pragma GCC unroll 32
  for (int i = 0; i < kVectors; ++i) {
    StoreAsDoubles(upperSums + i * L::kIntegerLanes, upper[i], plan.integerBias, plan.integerUnit);
    StoreAsDoubles(lowerSums + i * L::kIntegerLanes, lower[i], plan.integerBias, plan.integerUnit);
  }
}

// Gray or RGB rows only (ChoosePairRowFunction).
template <class L>
void IntegerPairBlockSums(const RowJob& job, int32_t start, double* upperSums, double* lowerSums) {
  constexpr auto kPairs = std::make_integer_sequence<int32_t, 4>{};
  if (job.plan->planes == 1) return ShiftedIntegerPairBlockSums<L, 1>(job, start, upperSums, lowerSums, kPairs);
  ShiftedIntegerPairBlockSums<L, 3>(job, start, upperSums, lowerSums, kPairs);
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

// Calls use(v, row, index, count) for every vector of the sums of the Rows
// result rows (1, or 2 for a pair): the first count lanes of v (1..kLanes)
// are the sums of samples index onwards of result row y + row.
template <class L, bool Integer, int32_t Rows, class Use>
void ForEachSumVector(const RowJob& job, Use use) {
  constexpr int32_t kBlock = Rows == 1 ? BlockSamples<L, Integer>() : (Integer ? L::kIntegerPairBlock : L::kPairBlock);
  alignas(64) double sums[Rows][kBlock];
  const int32_t rowSamples = job.plan->rowSamples;
  for (int32_t start = 0; start < rowSamples; start += kBlock) {
    if constexpr (Rows == 2 && Integer) {
      IntegerPairBlockSums<L>(job, start, sums[0], sums[1]);
    } else if constexpr (Rows == 2) {
      PairBlockSums<L>(job, start, sums[0], sums[1]);
    } else {
      BlockSums<L, Integer>(job, start, sums[0]);
    }
    const int32_t count = rowSamples - start < kBlock ? rowSamples - start : kBlock;
    for (int32_t row = 0; row < Rows; ++row) {
      for (int32_t i = 0; i < count; i += L::kLanes) {
        use(LoadOf(sums[row] + i, L{}), row, start + i, count - i < L::kLanes ? count - i : L::kLanes);
      }
    }
  }
}

template <class Sample>
Sample* ResultRow(const RowJob& job, int32_t row) {
  return static_cast<Sample*>(row == 0 ? job.output : job.secondOutput);
}

// v = sum / scale + offset, kept within 0..top; a NaN gives 0.
template <class L, bool Integer, class Sample, int32_t Rows>
void PlainRow(RowJob* job) {
  const ConvolvePlan& plan = *job->plan;
  const bool divides = plan.divides != 0;
  const typename L::Vector divisor = BroadcastOf(divides ? plan.divisor : plan.reciprocal, L{});
  const typename L::Vector offset = BroadcastOf(plan.offsetTerm, L{});
  const typename L::Vector zero = ZeroOf(L{});
  const typename L::Vector top = BroadcastOf(plan.top, L{});
  ForEachSumVector<L, Integer, Rows>(*job, [&](typename L::Vector v, int32_t row, int32_t index, int32_t count) {
    v = divides ? Div(v, divisor) : Mul(v, divisor);
    v = MinOf(MaxOf(Add(v, offset), zero), top);
    StoreResults<L>(ResultRow<Sample>(*job, row) + index, v, count);
  });
}

// First autoscale pass: the range of every sum of the rows, NaNs left out.
template <class L, bool Integer, int32_t Rows>
void ScanRow(RowJob* job) {
  typename L::Vector lowest = BroadcastOf(job->minimum, L{});
  typename L::Vector highest = BroadcastOf(job->maximum, L{});
  ForEachSumVector<L, Integer, Rows>(*job, [&](typename L::Vector v, int32_t, int32_t, int32_t count) {
    if (count == L::kLanes) {
      highest = MaxOf(v, highest);
      lowest = MinOf(v, lowest);
      return;
    }
    alignas(64) double lanes[L::kLanes];
    StoreTo(lanes, v);
    for (int32_t lane = 0; lane < count; ++lane) {
      if (lanes[lane] > job->maximum) job->maximum = lanes[lane];
      if (lanes[lane] < job->minimum) job->minimum = lanes[lane];
    }
  });
  alignas(64) double lanes[2][L::kLanes];
  StoreTo(lanes[0], lowest);
  StoreTo(lanes[1], highest);
  for (int32_t lane = 0; lane < L::kLanes; ++lane) {
    if (lanes[1][lane] > job->maximum) job->maximum = lanes[1][lane];
    if (lanes[0][lane] < job->minimum) job->minimum = lanes[0][lane];
  }
}

// Second autoscale pass: (sum - minimum) * factor.
template <class L, bool Integer, class Sample, int32_t Rows>
void MapRow(RowJob* job) {
  const ConvolvePlan& plan = *job->plan;
  const typename L::Vector minimum = BroadcastOf(job->minimum, L{});
  const typename L::Vector factor = BroadcastOf(job->factor, L{});
  const typename L::Vector zero = ZeroOf(L{});
  const typename L::Vector top = BroadcastOf(plan.top, L{});
  ForEachSumVector<L, Integer, Rows>(*job, [&](typename L::Vector v, int32_t row, int32_t index, int32_t count) {
    v = Mul(Sub(v, minimum), factor);
    // Finite sums already lie in 0..top; this only tames infinities and NaNs.
    v = MinOf(MaxOf(v, zero), top);
    StoreResults<L>(ResultRow<Sample>(*job, row) + index, v, count);
  });
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

template <class L, bool Integer, int32_t Rows = 1>
constexpr RowFunction RowFunctions[3][2] = {
    {PlainRow<L, Integer, uint8_t, Rows>, PlainRow<L, Integer, uint16_t, Rows>},
    {ScanRow<L, Integer, Rows>, ScanRow<L, Integer, Rows>},
    {MapRow<L, Integer, uint8_t, Rows>, MapRow<L, Integer, uint16_t, Rows>},
};

template <class L>
constexpr RowFunctionSet MakeRowFunctionSet() {
  RowFunctionSet set{};
  for (int32_t pass = 0; pass < 3; ++pass) {
    for (int32_t depth = 0; depth < 2; ++depth) {
      set.rows[0][pass][depth] = RowFunctions<L, false>[pass][depth];
      set.rows[1][pass][depth] = RowFunctions<L, true>[pass][depth];
      if constexpr (L::kPairsRows) {
        set.pairRows[0][pass][depth] = RowFunctions<L, false, 2>[pass][depth];
        set.pairRows[1][pass][depth] = RowFunctions<L, true, 2>[pass][depth];
      }
    }
  }
  set.rowOuterSums = RowOuterBlockSums<L>;
  return set;
}

}  // namespace
