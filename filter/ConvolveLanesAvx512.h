// The AVX-512 lane record and its vector helpers, for the variants built
// with AVX-512 code: eight doubles per vector, 16-bit pair products over
// sixteen lanes.
#pragma once

// GCC 12's AVX-512 header initialises its undefined vectors from themselves.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wuninitialized"
#if !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <immintrin.h>
#pragma GCC diagnostic pop

#include <cstring>

#include "filter/ConvolveRows.h"

namespace {

constexpr bool kWideRegisterFile = sizeof(void*) == 8;  // 32 vector registers, else 8

struct Avx512Lanes {
  using Vector = __m512d;
  using Integers = __m512i;
  static constexpr int32_t kLanes = 8;
  static constexpr int32_t kIntegerLanes = 16;
  static constexpr int32_t kDoubleBlock = kWideRegisterFile ? 192 : 40;
  static constexpr int32_t kIntegerBlock = kWideRegisterFile ? 192 : 80;
  // Single rows (the narrow register file) are bound by their loads, so they
  // shift off-boundary vectors out of aligned ones; a pair of rows feeds each
  // vector to two multiply-adds, and then a load across two cache lines
  // costs less than the shift (2-7 % faster, every image and kernel kind).
  static constexpr bool kShiftsVectors = !kWideRegisterFile;
  // Pairs of rows keep two blocks of sums in the wide register file.
  static constexpr bool kPairsRows = kWideRegisterFile;
  static constexpr int32_t kPairBlock = 96;
  static constexpr int32_t kIntegerPairBlock = 128;  // measured faster than 160 and 192
};

inline __m512d ZeroOf(Avx512Lanes) { return _mm512_setzero_pd(); }
inline __m512d BroadcastOf(double value, Avx512Lanes) { return _mm512_set1_pd(value); }
inline __m512d LoadOf(const double* source, Avx512Lanes) { return _mm512_loadu_pd(source); }
inline __m512d LoadAlignedOf(const double* source, Avx512Lanes) { return _mm512_load_pd(source); }
// Lanes Shift..7 of low, then lanes 0..Shift-1 of high.
template <int32_t Shift>
inline __m512d ShiftedOf(__m512d low, __m512d high) {
  return _mm512_castsi512_pd(_mm512_alignr_epi64(_mm512_castpd_si512(high), _mm512_castpd_si512(low), Shift));
}
inline void StoreTo(double* target, __m512d v) { _mm512_storeu_pd(target, v); }
// Fused yet exact: a sample below 2^16 times a float's 24-bit significand
// needs at most 40 bits, so a * b is exact and fma(a, b, s) rounds as s + a * b.
inline __m512d MulAdd(__m512d a, __m512d b, __m512d sum) { return _mm512_fmadd_pd(a, b, sum); }
inline __m512d Add(__m512d a, __m512d b) { return _mm512_add_pd(a, b); }
inline __m512d Sub(__m512d a, __m512d b) { return _mm512_sub_pd(a, b); }
inline __m512d Mul(__m512d a, __m512d b) { return _mm512_mul_pd(a, b); }
inline __m512d Div(__m512d a, __m512d b) { return _mm512_div_pd(a, b); }
// Where a lane of v is NaN these give the second operand.
inline __m512d MaxOf(__m512d v, __m512d other) { return _mm512_max_pd(v, other); }
inline __m512d MinOf(__m512d v, __m512d other) { return _mm512_min_pd(v, other); }

inline void StoreTruncated(uint8_t* out, __m512d v) {
  const __m256i values = _mm512_cvttpd_epi32(v);
  const __m128i words = _mm_packs_epi32(_mm256_castsi256_si128(values), _mm256_extracti128_si256(values, 1));
  _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(words, words));
}

inline void StoreTruncated(uint16_t* out, __m512d v) {
  const __m256i values = _mm512_cvttpd_epi32(v);
  const __m128i words = _mm_packus_epi32(_mm256_castsi256_si128(values), _mm256_extracti128_si256(values, 1));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out), words);
}

inline __m512i ZeroIntegersOf(Avx512Lanes) { return _mm512_setzero_si512(); }
inline __m512i BroadcastPairOf(int32_t pair, Avx512Lanes) { return _mm512_set1_epi32(pair); }
inline __m512i LoadPairsOf(const int16_t* source, Avx512Lanes) { return _mm512_loadu_si512(source); }
inline __m512i LoadAlignedPairsOf(const int16_t* source, Avx512Lanes) { return _mm512_load_si512(source); }
// Pairs Shift..15 of low, then pairs 0..Shift-1 of high.
template <int32_t Shift>
inline __m512i ShiftedPairsOf(__m512i low, __m512i high) {
  return _mm512_alignr_epi32(high, low, Shift);
}
inline __m512i MultiplyAddPairs(__m512i sum, __m512i a, __m512i b, Avx512Lanes) {
  return _mm512_add_epi32(sum, _mm512_madd_epi16(a, b));
}
inline void StoreAsDoubles(double* out, __m512i sums, double bias, double unit) {
  const __m512d biasVector = _mm512_set1_pd(bias);
  const __m512d unitVector = _mm512_set1_pd(unit);
  const __m512d low = _mm512_cvtepi32_pd(_mm512_castsi512_si256(sums));
  const __m512d high = _mm512_cvtepi32_pd(_mm512_extracti64x4_epi64(sums, 1));
  _mm512_storeu_pd(out, _mm512_mul_pd(_mm512_add_pd(low, biasVector), unitVector));
  _mm512_storeu_pd(out + 8, _mm512_mul_pd(_mm512_add_pd(high, biasVector), unitVector));
}

}  // namespace
