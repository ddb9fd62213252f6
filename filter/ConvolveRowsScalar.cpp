// The portable variant: one double, or one 32-bit integer sum, per lane, in
// plain C++. It does what the vector variants do lane by lane, so it is
// their yardstick as well as the fallback where no vector code runs.
#include <cstring>

#include "filter/ConvolveRows.h"

namespace {

struct ScalarLanes {
  using Vector = double;
  // A pair of 16-bit samples or coefficients as loaded, a 32-bit sum once added.
  using Integers = int32_t;
  static constexpr int32_t kLanes = 1;
  static constexpr int32_t kIntegerLanes = 1;
  static constexpr int32_t kDoubleBlock = 8;
  static constexpr int32_t kIntegerBlock = 8;
  static constexpr bool kShiftsVectors = false;
  static constexpr bool kPairsRows = false;
  static constexpr int32_t kPairBlock = 0;
  static constexpr int32_t kIntegerPairBlock = 0;
};

inline double ZeroOf(ScalarLanes) { return 0.0; }
inline double BroadcastOf(double value, ScalarLanes) { return value; }
inline double LoadOf(const double* source, ScalarLanes) { return *source; }
inline void StoreTo(double* target, double v) { *target = v; }
// The product is exact, so multiply-then-add rounds as a fused multiply-add.
inline double MulAdd(double a, double b, double sum) { return sum + a * b; }
inline double Add(double a, double b) { return a + b; }
inline double Sub(double a, double b) { return a - b; }
inline double Mul(double a, double b) { return a * b; }
inline double Div(double a, double b) { return a / b; }
// As the vector instructions: where v is NaN these give the second operand.
inline double MaxOf(double v, double other) { return v > other ? v : other; }
inline double MinOf(double v, double other) { return v < other ? v : other; }

// v has been kept within 0..top, so it fits the sample once truncated.
inline void StoreTruncated(uint8_t* out, double v) { *out = uint8_t(int32_t(v)); }
inline void StoreTruncated(uint16_t* out, double v) { *out = uint16_t(int32_t(v)); }

inline int32_t ZeroIntegersOf(ScalarLanes) { return 0; }
inline int32_t BroadcastPairOf(int32_t pair, ScalarLanes) { return pair; }
inline int32_t LoadPairsOf(const int16_t* source, ScalarLanes) {
  int32_t pair = 0;
  std::memcpy(&pair, source, sizeof pair);
  return pair;
}

inline int32_t LowHalf(int32_t pair) { return int16_t(uint32_t(pair) & 0xFFFF); }
inline int32_t HighHalf(int32_t pair) { return int16_t(uint32_t(pair) >> 16); }

// As a 16-bit multiply-add of pairs: the two products added, wrapping at 32 bits.
inline int32_t MultiplyAddPairs(int32_t sum, int32_t a, int32_t b, ScalarLanes) {
  const int64_t products = int64_t(LowHalf(a)) * LowHalf(b) + int64_t(HighHalf(a)) * HighHalf(b);
  return int32_t(uint32_t(sum) + uint32_t(products));
}

inline void StoreAsDoubles(double* out, int32_t sum, double bias, double unit) { *out = (double(sum) + bias) * unit; }

}  // namespace

#include "filter/ConvolveRowsTemplate.h"

const RowFunctionSet* ScalarRowFunctions() {
  static constexpr RowFunctionSet set = MakeRowFunctionSet<ScalarLanes>();
  return &set;
}
