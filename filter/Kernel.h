// The 7 x 7 kernel of a run with its scale factor, add constant and
// autoscale flag.
#pragma once

#include <cstdint>

constexpr int32_t kKernelSide = 7;
constexpr int32_t kCoefficientCount = 49;
constexpr int32_t kKernelFloats = 53;

// Indices of the kernel array beyond the coefficients (7 * row + column).
enum KernelSlot : int32_t {
  kScaleFactorSlot = 49,
  kOffsetSlot = 50,
  kAutoscaleSlot = 51,
  kSixteenBitSlot = 52,
};

// 53 floats: coefficients, scaleFactor, offset, autoscale, sixteenBit.
struct ConvolutionKernel {
  float values[kKernelFloats];
};

extern const float DefaultKernel[kCoefficientCount];

// No text, an all-zero text and a text with nothing readable all leave every
// coefficient 0: there is no kernel to run.
bool IsEmptyKernel(const float* coefficients);
