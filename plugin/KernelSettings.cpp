#include "plugin/KernelSettings.h"

#include <cmath>
#include <cstring>

#include "filter/Kernel.h"
#include "filter/KernelText.h"
#include "plugin/JobRecord.h"
#include "contract/Memory.h"
#include "contract/PluginApi.h"
#include "resources/Terminology.h"
#include "params/ParamList.h"

namespace {

constexpr uint32_t kFilterSignature = kEventCode;
constexpr float kScaleLimit = 10000.0f;

// A float truncated toward zero is non-zero exactly when its magnitude
// reaches 1; asking that way keeps huge values and NaN out of an integer.
bool HasWholePart(float value) { return std::fabs(value) >= 1.0f; }

// The default's recorded text brings back its exact values, which five
// digits do not carry.
bool IsDefaultKernelText(const char* text) {
  if (text == nullptr) return false;
  char defaultText[kTextBufferSize];
  FormatKernelText(DefaultKernel, kCoefficientCount, defaultText, kTextBufferSize);
  return std::strcmp(text, defaultText) == 0;
}

}  // namespace

int16_t DeclareFilterParameters(JobRecord* job, ParamList* list) {
  InitParamList(list, kFilterSignature, 0, 0);
  AddStringParam(list, kKernelKey, nullptr);
  AddFloatParam(list, kScaleKey, 0.0f, kScaleLimit, GetPreferenceFloat(job, kPrefScaleOffset));
  AddFloatParam(list, kOffsetKey, -kScaleLimit, kScaleLimit, GetPreferenceFloat(job, kPrefOffsetOffset));
  AddBoolParam(list, kAutoscaleKey, HasWholePart(GetPreferenceFloat(job, kPrefAutoscaleOffset)));
  return 0;
}

int16_t PrepareFilter(ImageStore*, JobRecord*, PluginHandle** filterHandle, ParamList*, bool) {
  *filterHandle = NewPluginHandle(2);
  return 0;
}

void LoadKernel(JobRecord* job, ParamList* list, ConvolutionKernel* kernel, bool sixteenBit) {
  float* values = kernel->values;
  values[kSixteenBitSlot] = sixteenBit ? 1.0f : 0.0f;
  const char* text = GetStringParam(list, kKernelParam);
  if (text == nullptr) text = GetSlotText(job, kKernelTextSlot);
  ParseKernelText(values, kCoefficientCount, text);
  float scale = GetFloatParam(list, kScaleParam);
  values[kScaleFactorSlot] = scale == 0 ? 1.0f : scale;
  values[kOffsetSlot] = GetFloatParam(list, kOffsetParam);
  values[kAutoscaleSlot] = GetBoolParam(list, kAutoscaleParam) ? 1.0f : 0.0f;
  if (IsEmptyKernel(values) || IsDefaultKernelText(text))
    for (int32_t i = 0; i < kCoefficientCount; ++i) values[i] = DefaultKernel[i];
}

void StoreKernel(JobRecord* job, ParamList* list, ConvolutionKernel* kernel) {
  const float* values = kernel->values;
  bool autoscale = values[kAutoscaleSlot] != 0;
  SetFloatParam(list, kScaleParam, values[kScaleFactorSlot]);
  SetFloatParam(list, kOffsetParam, values[kOffsetSlot]);
  SetBoolParam(list, kAutoscaleParam, autoscale);
  SetPreferenceFloat(job, kPrefScaleOffset, values[kScaleFactorSlot]);
  SetPreferenceFloat(job, kPrefOffsetOffset, values[kOffsetSlot]);
  SetPreferenceFloat(job, kPrefAutoscaleOffset, autoscale ? 1.0f : 0.0f);
  char text[kTextBufferSize];
  FormatKernelText(values, kCoefficientCount, text, kTextBufferSize);
  SetStringParam(list, kKernelParam, text);
  SetSlotText(job, kKernelTextSlot, text);
}
