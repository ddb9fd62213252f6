// The inner loops: one result row, or a pair, from the ring rows, in one variant
// per instruction set, sum form, pass and sample depth.
#pragma once

#include <cstdint>

#include "filter/ConvolvePlan.h"

// Ring rows hold doubles on the double path; on the integer path, for each
// padded sample index m, the pair (sample m, sample m + planes) as biased
// 16-bit integers.
struct RowJob {
  const ConvolvePlan* plan;
  const void* rows[8];  // ring slots 0..7: slot 7 only for a pair of rows
  void* output;         // the result row: 8- or 16-bit samples
  void* secondOutput;   // the next result row, for a pair
  double minimum;       // autoscale: running range of the sums, then the map
  double maximum;
  double factor;
};

enum RowPass : int32_t { kPlainPass = 0, kScanPass = 1, kMapPass = 2 };

using RowFunction = void (*)(RowJob* job);

// The preview's order of the same sums: sums[q], q < count rounded up to
// kRowOuterBlock, adds rows[k][q + c * planes] * coefficients[7 * k + c]
// with the kernel row outer and the column inner. Each row must hold that
// rounded count plus 6 * planes readable doubles.
constexpr int32_t kRowOuterBlock = 32;
using RowOuterSums = void (*)(const double* const rows[7], const double coefficients[49], int32_t planes,
                              int32_t count, double* sums);

// rows[integerPath][pass][sixteenBit]; pairRows, indexed alike, compute
// result rows y and y + 1 from slots 0..7 in one sweep, each source vector
// feeding both (null where the variant lacks them).
struct RowFunctionSet {
  RowFunction rows[2][3][2];
  RowFunction pairRows[2][3][2];
  RowOuterSums rowOuterSums;
};

// Each instruction set's variant, defined in filter/ConvolveRows<Name>.cpp.
#define TARKEL_ISA(value, name, detection, rowFunctions, flags) const RowFunctionSet* rowFunctions();
#include "filter/InstructionSets.def"
#undef TARKEL_ISA

const RowFunctionSet* RowFunctionsFor(ConvolveIsa isa);
RowFunction ChooseRowFunction(const ConvolvePlan* plan, RowPass pass);
// Null where the plan's rows are computed one at a time.
RowFunction ChoosePairRowFunction(const ConvolvePlan* plan, RowPass pass);
// The row-outer sums of the instruction set a plan made now would take.
RowOuterSums ChooseRowOuterSums();
