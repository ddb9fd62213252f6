#include <immintrin.h>

#include "dialog/PreviewSums.h"

// 32 sums per block in eight registers; 32-bit code has only eight vector
// registers, so it keeps four.
#if defined(__x86_64__)
constexpr int32_t kVectors = 8;
#else
constexpr int32_t kVectors = 4;
#endif
static_assert(kPreviewSumBlock % (4 * kVectors) == 0);

void SumPreviewRowAvx2(const double* const rows[7], const double coefficients[49], int32_t planes, int32_t count,
                       double* sums) {
  for (int32_t q = 0; q < count; q += 4 * kVectors) {
    __m256d acc[kVectors];
    for (int32_t j = 0; j < kVectors; ++j) acc[j] = _mm256_setzero_pd();
    for (int32_t k = 0; k < 7; ++k) {
      for (int32_t c = 0; c < 7; ++c) {
        const double* source = rows[k] + q + c * planes;
        const __m256d weight = _mm256_broadcast_sd(coefficients + 7 * k + c);
        for (int32_t j = 0; j < kVectors; ++j) acc[j] = _mm256_fmadd_pd(_mm256_loadu_pd(source + 4 * j), weight, acc[j]);
      }
    }
    for (int32_t j = 0; j < kVectors; ++j) _mm256_storeu_pd(sums + q + 4 * j, acc[j]);
  }
}
