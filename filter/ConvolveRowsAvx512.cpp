// The AVX-512 variant.
#include "filter/ConvolveLanesAvx512.h"
#include "filter/ConvolveRowsTemplate.h"

const RowFunctionSet* Avx512RowFunctions() {
  static constexpr RowFunctionSet set = MakeRowFunctionSet<Avx512Lanes>();
  return &set;
}
