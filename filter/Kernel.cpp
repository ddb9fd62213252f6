#include "filter/Kernel.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "filter/KernelText.h"
#include "host/JobRecord.h"
#include "host/PluginApi.h"
#include "params/ParamList.h"

// A symmetric smoothing kernel; its coefficients add up to about 0.99832.
const float DefaultKernel[kCoefficientCount] = {
    0.0f,     0.00307f, 0.00676f, 0.0086f,  0.00676f, 0.00307f, 0.0f,
    0.00307f, 0.01106f, 0.02355f, 0.02991f, 0.02355f, 0.01106f, 0.00307f,
    0.00676f, 0.02355f, 0.04937f, 0.0635f,  0.04937f, 0.02355f, 0.00676f,
    0.0086f,  0.02991f, 0.0635f,  0.08152f, 0.0635f,  0.02991f, 0.0086f,
    0.00676f, 0.02355f, 0.04937f, 0.0635f,  0.04937f, 0.02355f, 0.00676f,
    0.00307f, 0.01106f, 0.02355f, 0.02991f, 0.02355f, 0.01106f, 0.00307f,
    0.0f,     0.00307f, 0.00676f, 0.0086f,  0.00676f, 0.00307f, 0.0f,
};

namespace {

constexpr uint32_t kFilterSignature = FourCC("CsKr");
constexpr float kScaleLimit = 10000.0f;

// A float truncated toward zero is non-zero exactly when its magnitude
// reaches 1; asking that way keeps huge values and NaN out of an integer.
bool HasWholePart(float value) { return std::fabs(value) >= 1.0f; }

// No text, an all-zero text and a text with nothing readable all leave every
// coefficient 0: there is no kernel to run.
bool IsEmptyKernel(const float* coefficients) {
  return std::all_of(coefficients, coefficients + kCoefficientCount, [](float c) { return c == 0; });
}

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
  AddStringParam(list, FourCC("Krnl"), nullptr);
  AddFloatParam(list, FourCC("sCAL"), 0.0f, kScaleLimit, GetPreferenceFloat(job, kPrefScaleOffset));
  AddFloatParam(list, FourCC("oFST"), -kScaleLimit, kScaleLimit, GetPreferenceFloat(job, kPrefOffsetOffset));
  AddBoolParam(list, FourCC("AFlg"), HasWholePart(GetPreferenceFloat(job, kPrefAutoscaleOffset)));
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
