// The 7 x 7 kernel of a run with its scale factor, add constant and
// autoscale flag, the filter's four parameters, and the steps that build
// the kernel before the dialog and store it after.
#pragma once

#include <cstdint>

#include "host/Memory.h"

struct JobRecord;
struct ParamList;
struct ImageStore;

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

// Parameter indices in the run's list.
enum FilterParam : int32_t { kKernelParam = 0, kScaleParam = 1, kOffsetParam = 2, kAutoscaleParam = 3 };

extern const float DefaultKernel[kCoefficientCount];

int16_t DeclareFilterParameters(JobRecord* job, ParamList* list);
int16_t PrepareFilter(ImageStore* backingStore, JobRecord* job, PluginHandle** filterHandle, ParamList* list,
                      bool suppressDialog);
void LoadKernel(JobRecord* job, ParamList* list, ConvolutionKernel* kernel, bool sixteenBit);
void StoreKernel(JobRecord* job, ParamList* list, ConvolutionKernel* kernel);
