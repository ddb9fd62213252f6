// What a run decides once before touching a pixel: the widened
// coefficients, whether the exact integer sums may stand in for the double
// sums, the constants of the result mapping, and the instruction set.
#pragma once

#include <cstdint>

struct ConvolutionKernel;

// Samples one row block of the inner loops may reach beyond the padded row;
// every working row carries this much zeroed slack.
constexpr int32_t kRowSlackSamples = 256;

// The instruction sets of filter/InstructionSets.def, lowest rank first.
enum class ConvolveIsa : int32_t {
#define TARKEL_ISA(value, name, detection, rowFunctions, flags) value,
#include "filter/InstructionSets.def"
#undef TARKEL_ISA
};

// Their names as their variants' files spell them, for tests and benchmarks.
constexpr const char* kConvolveIsaNames[] = {
#define TARKEL_ISA(value, name, detection, rowFunctions, flags) #name,
#include "filter/InstructionSets.def"
#undef TARKEL_ISA
};
constexpr int32_t kConvolveIsaCount = int32_t(sizeof kConvolveIsaNames / sizeof kConvolveIsaNames[0]);

struct ConvolvePlan {
  int32_t width;
  int32_t planes;
  int32_t rowSamples;     // width * planes: the samples of a result row
  int32_t paddedSamples;  // (width + 6) * planes: the samples of a ring row
  uint8_t sixteenBit;
  uint8_t integerPath;    // sums in 32-bit integers; every partial sum is exact
  uint8_t divides;        // the scale factor is not a power of two
  ConvolveIsa isa;
  double coefficients[49];  // widened from float, index 7 * row + column
  // Integer path: coefficient = integerCoefficient * unit; pairs[4 * row + k]
  // holds the coefficients of columns 2k and 2k + 1 (column 7 is 0) as two
  // 16-bit halves, the lower one for the lower column.
  int32_t integerPairs[28];
  double integerUnit;   // a power of two
  double integerBias;   // added to each integer sum before scaling: undoes the 16-bit sample bias
  // Plain mapping: v = sum / divisor (or sum * reciprocal) + offsetTerm.
  double divisor;
  double reciprocal;
  double offsetTerm;
  double top;  // the largest result sample: 255 or 32768
};

// Fills the plan for a kernel on an image of width x planes samples.
void MakeConvolvePlan(const ConvolutionKernel* kernel, int32_t width, int32_t planes, bool sixteenBit,
                      ConvolvePlan* plan);

bool ConvolveIsaAvailable(ConvolveIsa isa);
// The forced instruction set, else the best the machine runs (never the
// scalar one, which only tests and benchmarks force).
ConvolveIsa ChosenConvolveIsa();
// For tests: run the engine on one instruction set (false when the machine
// lacks it, nothing changed) and allow or forbid the integer path.
bool ForceConvolveIsa(ConvolveIsa isa);
void AllowIntegerPath(bool allowed);
// Back to the best instruction set and the integer path where it is exact.
void ResetConvolveChoices();
