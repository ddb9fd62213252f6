#include "filter/ConvolveRows.h"

const RowFunctionSet* RowFunctionsFor(ConvolveIsa isa) {
  static constexpr const RowFunctionSet* (*kVariants[])() = {
#define TARKEL_ISA(value, name, detection, rowFunctions, flags) rowFunctions,
#include "filter/InstructionSets.def"
#undef TARKEL_ISA
  };
  return kVariants[int32_t(isa)]();
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
