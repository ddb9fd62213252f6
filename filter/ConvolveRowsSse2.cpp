// The baseline variant: SSE2 doubles, which every target has, the 32-bit
// Windows module included.
#include <emmintrin.h>

#include <cstring>

#include "filter/ConvolveRows.h"

namespace {

constexpr bool kWideRegisterFile = sizeof(void*) == 8;  // 16 vector registers, else 8

struct Sse2Lanes {
  using Vector = __m128d;
  using Integers = __m128i;
  static constexpr int32_t kLanes = 2;
  static constexpr int32_t kIntegerLanes = 4;
  static constexpr int32_t kDoubleBlock = kWideRegisterFile ? 24 : 8;
  static constexpr int32_t kIntegerBlock = kWideRegisterFile ? 32 : 16;
  static constexpr bool kShiftsVectors = false;
  static constexpr bool kPairsRows = false;
  static constexpr int32_t kPairBlock = 0;
  static constexpr int32_t kIntegerPairBlock = 0;
};

inline __m128d ZeroOf(Sse2Lanes) { return _mm_setzero_pd(); }
inline __m128d BroadcastOf(double value, Sse2Lanes) { return _mm_set1_pd(value); }
inline __m128d LoadOf(const double* source, Sse2Lanes) { return _mm_loadu_pd(source); }
inline void StoreTo(double* target, __m128d v) { _mm_storeu_pd(target, v); }
// The product is exact, so multiply-then-add rounds as a fused multiply-add.
inline __m128d MulAdd(__m128d a, __m128d b, __m128d sum) { return _mm_add_pd(sum, _mm_mul_pd(a, b)); }
inline __m128d Add(__m128d a, __m128d b) { return _mm_add_pd(a, b); }
inline __m128d Sub(__m128d a, __m128d b) { return _mm_sub_pd(a, b); }
inline __m128d Mul(__m128d a, __m128d b) { return _mm_mul_pd(a, b); }
inline __m128d Div(__m128d a, __m128d b) { return _mm_div_pd(a, b); }
// Where a lane of v is NaN these give the second operand.
inline __m128d MaxOf(__m128d v, __m128d other) { return _mm_max_pd(v, other); }
inline __m128d MinOf(__m128d v, __m128d other) { return _mm_min_pd(v, other); }

inline void StoreTruncated(uint8_t* out, __m128d v) {
  __m128i values = _mm_cvttpd_epi32(v);
  values = _mm_packus_epi16(_mm_packs_epi32(values, values), values);
  const uint16_t two = uint16_t(_mm_cvtsi128_si32(values));
  std::memcpy(out, &two, sizeof two);
}

// 0..32768 does not fit the signed pack: shift it into the signed range and back.
inline void StoreTruncated(uint16_t* out, __m128d v) {
  __m128i values = _mm_sub_epi32(_mm_cvttpd_epi32(v), _mm_set1_epi32(32768));
  values = _mm_xor_si128(_mm_packs_epi32(values, values), _mm_set1_epi16(int16_t(0x8000)));
  const uint32_t two = uint32_t(_mm_cvtsi128_si32(values));
  std::memcpy(out, &two, sizeof two);
}

inline __m128i ZeroIntegersOf(Sse2Lanes) { return _mm_setzero_si128(); }
inline __m128i BroadcastPairOf(int32_t pair, Sse2Lanes) { return _mm_set1_epi32(pair); }
inline __m128i LoadPairsOf(const int16_t* source, Sse2Lanes) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(source));
}
inline __m128i MultiplyAddPairs(__m128i sum, __m128i a, __m128i b, Sse2Lanes) {
  return _mm_add_epi32(sum, _mm_madd_epi16(a, b));
}
inline void StoreAsDoubles(double* out, __m128i sums, double bias, double unit) {
  const __m128d biasVector = _mm_set1_pd(bias);
  const __m128d unitVector = _mm_set1_pd(unit);
  _mm_storeu_pd(out, _mm_mul_pd(_mm_add_pd(_mm_cvtepi32_pd(sums), biasVector), unitVector));
  _mm_storeu_pd(out + 2, _mm_mul_pd(_mm_add_pd(_mm_cvtepi32_pd(_mm_srli_si128(sums, 8)), biasVector), unitVector));
}

}  // namespace

#include "filter/ConvolveRowsTemplate.h"

const RowFunctionSet* Sse2RowFunctions() {
  static constexpr RowFunctionSet set = MakeRowFunctionSet<Sse2Lanes>();
  return &set;
}
