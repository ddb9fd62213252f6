// The preview's weighted sums of one output row, over a window of seven
// source rows converted to doubles. Each sum is accumulated window row by
// window row, left to right, so every variant gives the same bits.
#pragma once

#include <cstdint>

// Sums are computed in blocks of this many; the caller pads for them.
constexpr int32_t kPreviewSumBlock = 32;

// sums[q], q = pixel * planes + channel, for q in [0, count rounded up to
// kPreviewSumBlock): the sum over k, c of rows[k][q + c * planes] *
// coefficients[7 * k + c]. Each row must hold that rounded count plus
// 6 * planes readable doubles. Takes the fastest variant the processor runs.
void SumPreviewRow(const double* const rows[7], const double coefficients[49], int32_t planes, int32_t count,
                   double* sums);

// The variants: plain code that the compiler vectorises, and AVX2 with FMA
// (the products are exact in double precision, so a fused multiply-add
// rounds as the separate add does).
void SumPreviewRowPortable(const double* const rows[7], const double coefficients[49], int32_t planes, int32_t count,
                           double* sums);
void SumPreviewRowAvx2(const double* const rows[7], const double coefficients[49], int32_t planes, int32_t count,
                       double* sums);
