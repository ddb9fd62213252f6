#include "filter/ConvolveRows.h"

const RowFunctionSet* RowFunctionsFor(ConvolveIsa isa) {
  switch (isa) {
    case ConvolveIsa::scalar: return ScalarRowFunctions();
    case ConvolveIsa::sse2: return Sse2RowFunctions();
    case ConvolveIsa::avx2: return Avx2RowFunctions();
    case ConvolveIsa::avx512: return Avx512RowFunctions();
    case ConvolveIsa::avx512vnni: return Avx512VnniRowFunctions();
  }
  return ScalarRowFunctions();
}

RowFunction ChooseRowFunction(const ConvolvePlan* plan, RowPass pass) {
  return RowFunctionsFor(plan->isa)->rows[plan->integerPath][pass][plan->sixteenBit];
}

RowFunction ChoosePairRowFunction(const ConvolvePlan* plan, RowPass pass) {
  // The pairs shift gray and RGB rows only.
  if (plan->planes != 1 && plan->planes != 3) return nullptr;
  return RowFunctionsFor(plan->isa)->pairRows[plan->integerPath][pass][plan->sixteenBit];
}

RowOuterSums ChooseRowOuterSums() { return RowFunctionsFor(ChosenConvolveIsa())->rowOuterSums; }
