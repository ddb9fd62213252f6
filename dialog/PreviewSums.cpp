#include "dialog/PreviewSums.h"

#include "platform/CpuFeatures.h"

// Eight neighbouring sums at a time keep eight independent additions in
// flight, which the compiler turns into vector code.
void SumPreviewRowPortable(const double* const rows[7], const double coefficients[49], int32_t planes, int32_t count,
                           double* sums) {
  constexpr int32_t kLanes = 8;
  for (int32_t q = 0; q < count; q += kLanes) {
    double acc[kLanes] = {};
    for (int32_t k = 0; k < 7; ++k) {
      for (int32_t c = 0; c < 7; ++c) {
        const double* source = rows[k] + q + c * planes;
        const double weight = coefficients[7 * k + c];
        for (int32_t j = 0; j < kLanes; ++j) acc[j] += source[j] * weight;
      }
    }
    for (int32_t j = 0; j < kLanes; ++j) sums[q + j] = acc[j];
  }
}

void SumPreviewRow(const double* const rows[7], const double coefficients[49], int32_t planes, int32_t count,
                   double* sums) {
  if (CpuHasAvx2Fma()) {
    SumPreviewRowAvx2(rows, coefficients, planes, count, sums);
  } else {
    SumPreviewRowPortable(rows, coefficients, planes, count, sums);
  }
}
