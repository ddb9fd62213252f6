// The AVX-512 variant for processors with AVX512_VNNI: each step of the
// integer sums is one fused pair multiply-add instead of two instructions.
#include "filter/ConvolveLanesAvx512.h"

namespace {

struct Avx512VnniLanes : Avx512Lanes {};

// The sums are exact in 32 bits, so the wrapping form adds as madd + add does.
inline __m512i MultiplyAddPairs(__m512i sum, __m512i a, __m512i b, Avx512VnniLanes) {
  return _mm512_dpwssd_epi32(sum, a, b);
}

}  // namespace

#include "filter/ConvolveRowsTemplate.h"

const RowFunctionSet* Avx512VnniRowFunctions() {
  static constexpr RowFunctionSet set = MakeRowFunctionSet<Avx512VnniLanes>();
  return &set;
}
