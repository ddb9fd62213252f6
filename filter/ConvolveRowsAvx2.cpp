// The AVX2 variant: four doubles per vector, fused multiply-adds, 16-bit
// pair products over eight lanes.
#include <immintrin.h>

#include <cstring>

#include "filter/ConvolveRows.h"

namespace {

constexpr bool kWideRegisterFile = sizeof(void*) == 8;  // 16 vector registers, else 8

struct Avx2Lanes {
  using Vector = __m256d;
  using Integers = __m256i;
  static constexpr int32_t kLanes = 4;
  static constexpr int32_t kIntegerLanes = 8;
  static constexpr int32_t kDoubleBlock = kWideRegisterFile ? 48 : 16;
  static constexpr int32_t kIntegerBlock = kWideRegisterFile ? 64 : 32;
  static constexpr bool kShiftsVectors = false;
  // Two rows of six vectors of sums, two coefficients and a source vector
  // take fifteen of the sixteen registers.
  static constexpr bool kPairsRows = kWideRegisterFile;
  static constexpr int32_t kPairBlock = 24;
  static constexpr int32_t kIntegerPairBlock = 48;
};

inline __m256d ZeroOf(Avx2Lanes) { return _mm256_setzero_pd(); }
inline __m256d BroadcastOf(double value, Avx2Lanes) { return _mm256_set1_pd(value); }
inline __m256d LoadOf(const double* source, Avx2Lanes) { return _mm256_loadu_pd(source); }
inline void StoreTo(double* target, __m256d v) { _mm256_storeu_pd(target, v); }
// Fused yet exact: a sample below 2^16 times a float's 24-bit significand
// needs at most 40 bits, so a * b is exact and fma(a, b, s) rounds as s + a * b.
inline __m256d MulAdd(__m256d a, __m256d b, __m256d sum) { return _mm256_fmadd_pd(a, b, sum); }
inline __m256d Add(__m256d a, __m256d b) { return _mm256_add_pd(a, b); }
inline __m256d Sub(__m256d a, __m256d b) { return _mm256_sub_pd(a, b); }
inline __m256d Mul(__m256d a, __m256d b) { return _mm256_mul_pd(a, b); }
inline __m256d Div(__m256d a, __m256d b) { return _mm256_div_pd(a, b); }
// Where a lane of v is NaN these give the second operand.
inline __m256d MaxOf(__m256d v, __m256d other) { return _mm256_max_pd(v, other); }
inline __m256d MinOf(__m256d v, __m256d other) { return _mm256_min_pd(v, other); }

inline void StoreTruncated(uint8_t* out, __m256d v) {
  __m128i values = _mm256_cvttpd_epi32(v);
  values = _mm_packus_epi16(_mm_packs_epi32(values, values), values);
  const uint32_t four = uint32_t(_mm_cvtsi128_si32(values));
  std::memcpy(out, &four, sizeof four);
}

inline void StoreTruncated(uint16_t* out, __m256d v) {
  const __m128i values = _mm256_cvttpd_epi32(v);
  _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_packus_epi32(values, values));
}

inline __m256i ZeroIntegersOf(Avx2Lanes) { return _mm256_setzero_si256(); }
inline __m256i BroadcastPairOf(int32_t pair, Avx2Lanes) { return _mm256_set1_epi32(pair); }
inline __m256i LoadPairsOf(const int16_t* source, Avx2Lanes) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(source));
}
inline __m256i MultiplyAddPairs(__m256i sum, __m256i a, __m256i b, Avx2Lanes) {
  return _mm256_add_epi32(sum, _mm256_madd_epi16(a, b));
}
inline void StoreAsDoubles(double* out, __m256i sums, double bias, double unit) {
  const __m256d biasVector = _mm256_set1_pd(bias);
  const __m256d unitVector = _mm256_set1_pd(unit);
  const __m256d low = _mm256_cvtepi32_pd(_mm256_castsi256_si128(sums));
  const __m256d high = _mm256_cvtepi32_pd(_mm256_extracti128_si256(sums, 1));
  _mm256_storeu_pd(out, _mm256_mul_pd(_mm256_add_pd(low, biasVector), unitVector));
  _mm256_storeu_pd(out + 4, _mm256_mul_pd(_mm256_add_pd(high, biasVector), unitVector));
}

}  // namespace

#include "filter/ConvolveRowsTemplate.h"

const RowFunctionSet* Avx2RowFunctions() {
  static constexpr RowFunctionSet set = MakeRowFunctionSet<Avx2Lanes>();
  return &set;
}
