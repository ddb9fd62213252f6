#include "filter/ConvolvePlan.h"

#include <bit>

#include "filter/Kernel.h"
#include "platform/CpuFeatures.h"

namespace {

bool isaForced = false;
ConvolveIsa forcedIsa = ConvolveIsa::sse2;
bool integerAllowed = true;

// A finite double as odd mantissa x 2^exponent (mantissa 0 for zero).
struct BinaryValue {
  bool finite;
  bool negative;
  uint64_t mantissa;
  int32_t exponent;
};

BinaryValue Decompose(double value) {
  const uint64_t bits = std::bit_cast<uint64_t>(value);
  const int32_t biased = int32_t((bits >> 52) & 0x7FF);
  const uint64_t fraction = bits & ((uint64_t(1) << 52) - 1);
  BinaryValue result{biased != 0x7FF, (bits >> 63) != 0, fraction, -1074};
  if (biased != 0) {
    result.mantissa = fraction | (uint64_t(1) << 52);
    result.exponent = biased - 1075;
  }
  if (result.mantissa != 0) {
    const int32_t zeros = std::countr_zero(result.mantissa);
    result.mantissa >>= zeros;
    result.exponent += zeros;
  }
  return result;
}

double PowerOfTwo(int32_t exponent) { return std::bit_cast<double>(uint64_t(exponent + 1023) << 52); }

bool IsPowerOfTwo(double value) {
  const BinaryValue binary = Decompose(value);
  return binary.finite && binary.mantissa == 1 && binary.exponent >= -1022 && binary.exponent <= 1022;
}

// The integer path is taken only when every coefficient is an integer
// multiple k x 2^q of one power of two with |k| < 2^15 and no partial sum can
// leave 32 bits: then the double sums are exact in any order and equal the
// integer sums scaled by 2^q.
bool PlanIntegerSums(ConvolvePlan* plan) {
  BinaryValue parts[kCoefficientCount];
  int32_t lowest = 0;
  bool anyNonzero = false;
  for (int32_t i = 0; i < kCoefficientCount; ++i) {
    parts[i] = Decompose(plan->coefficients[i]);
    if (!parts[i].finite) return false;
    if (parts[i].mantissa == 0) continue;
    lowest = anyNonzero && lowest < parts[i].exponent ? lowest : parts[i].exponent;
    anyNonzero = true;
  }
  int32_t integers[kCoefficientCount];
  int64_t magnitudes = 0;
  int64_t total = 0;
  for (int32_t i = 0; i < kCoefficientCount; ++i) {
    integers[i] = 0;
    if (parts[i].mantissa == 0) continue;
    const int32_t shift = parts[i].exponent - lowest;
    if (shift > 15 || (parts[i].mantissa << shift) > 32767) return false;
    const int32_t magnitude = int32_t(parts[i].mantissa << shift);
    integers[i] = parts[i].negative ? -magnitude : magnitude;
    magnitudes += magnitude;
    total += integers[i];
  }
  // 16-bit samples enter biased by -32768 so that they fit signed 16 bits.
  const int64_t largestSample = plan->sixteenBit ? 32768 : 255;
  if (magnitudes * largestSample > INT32_MAX) return false;
  for (int32_t row = 0; row < kKernelSide; ++row) {
    for (int32_t pair = 0; pair < 4; ++pair) {
      const int32_t column = 2 * pair;
      const uint32_t low = uint16_t(integers[kKernelSide * row + column]);
      const uint32_t high = column + 1 < kKernelSide ? uint16_t(integers[kKernelSide * row + column + 1]) : 0;
      plan->integerPairs[4 * row + pair] = int32_t(low | (high << 16));
    }
  }
  plan->integerUnit = PowerOfTwo(lowest);
  plan->integerBias = plan->sixteenBit ? 32768.0 * double(total) : 0.0;
  return true;
}

// The highest-ranked set the machine runs.
ConvolveIsa BestIsa() {
  int32_t isa = kConvolveIsaCount - 1;
  while (isa > 0 && !ConvolveIsaAvailable(ConvolveIsa(isa))) --isa;
  return ConvolveIsa(isa);
}

}  // namespace

void MakeConvolvePlan(const ConvolutionKernel* kernel, int32_t width, int32_t planes, bool sixteenBit,
                      ConvolvePlan* plan) {
  *plan = ConvolvePlan{};
  plan->width = width;
  plan->planes = planes;
  plan->rowSamples = width * planes;
  plan->paddedSamples = (width + 6) * planes;
  plan->sixteenBit = sixteenBit ? 1 : 0;
  plan->isa = ChosenConvolveIsa();
  for (int32_t i = 0; i < kCoefficientCount; ++i) plan->coefficients[i] = double(kernel->values[i]);
  plan->integerPath = integerAllowed && PlanIntegerSums(plan) ? 1 : 0;
  plan->divisor = double(kernel->values[kScaleFactorSlot]);
  // Dividing by a power of two and multiplying by its reciprocal round alike.
  plan->divides = IsPowerOfTwo(plan->divisor) ? 0 : 1;
  plan->reciprocal = plan->divides ? 0.0 : 1.0 / plan->divisor;
  const double offset = double(kernel->values[kOffsetSlot]);
  plan->offsetTerm = sixteenBit ? 128.5 * offset : offset;
  plan->top = sixteenBit ? 32768.0 : 255.0;
}

ConvolveIsa ChosenConvolveIsa() { return isaForced ? forcedIsa : BestIsa(); }

bool ConvolveIsaAvailable(ConvolveIsa isa) {
  static constexpr bool (*kDetections[])() = {
#define TARKEL_ISA(value, name, detection, rowFunctions, flags) detection,
#include "filter/InstructionSets.def"
#undef TARKEL_ISA
  };
  const int32_t index = int32_t(isa);
  return index >= 0 && index < kConvolveIsaCount && kDetections[index]();
}

bool ForceConvolveIsa(ConvolveIsa isa) {
  if (!ConvolveIsaAvailable(isa)) return false;
  isaForced = true;
  forcedIsa = isa;
  return true;
}

void AllowIntegerPath(bool allowed) { integerAllowed = allowed; }

void ResetConvolveChoices() {
  isaForced = false;
  integerAllowed = true;
}
