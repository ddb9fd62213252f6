#include "filter/ConvolveRows.h"

RowFunction ChooseRowFunction(const ConvolvePlan* plan, RowPass pass) {
  const RowFunctionSet* set = Sse2RowFunctions();
  if (plan->isa == ConvolveIsa::avx2) set = Avx2RowFunctions();
  if (plan->isa == ConvolveIsa::avx512) set = Avx512RowFunctions();
  if (plan->isa == ConvolveIsa::avx512vnni) set = Avx512VnniRowFunctions();
  return set->rows[plan->integerPath][pass][plan->sixteenBit];
}
