#include "plugin/KernelSettings.h"

#include <cmath>
#include <cstring>

#include "filter/Kernel.h"
#include "filter/KernelText.h"
#include "filter/RecordedSettings.h"
#include "plugin/JobRecord.h"
#include "contract/Memory.h"
#include "contract/PluginApi.h"
#include "resources/Terminology.h"
#include "params/ParamList.h"

namespace {

constexpr uint32_t kFilterSignature = kEventCode;

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
  for (const RecordedSetting& setting : kRecordedSettings) {
    switch (setting.kind) {
      case SettingKind::kernelText: AddStringParam(list, setting.key, nullptr); break;
      case SettingKind::number:
        AddFloatParam(list, setting.key, setting.minimum, setting.maximum, GetPreferenceFloat(job, setting.preference));
        break;
      case SettingKind::flag:
        AddBoolParam(list, setting.key, HasWholePart(GetPreferenceFloat(job, setting.preference)));
        break;
    }
  }
  return 0;
}

int16_t PrepareFilter(ImageStore*, JobRecord*, PluginHandle** filterHandle, ParamList*, bool) {
  *filterHandle = NewPluginHandle(2);
  return 0;
}

void LoadKernel(JobRecord* job, ParamList* list, ConvolutionKernel* kernel, bool sixteenBit) {
  float* values = kernel->values;
  values[kSixteenBitSlot] = sixteenBit ? 1.0f : 0.0f;
  const char* text = nullptr;
  for (int32_t param = 0; param < kRecordedSettingCount; ++param) {
    const RecordedSetting& setting = kRecordedSettings[param];
    switch (setting.kind) {
      case SettingKind::kernelText:
        text = GetStringParam(list, param);
        if (text == nullptr) text = GetSlotText(job, int32_t(setting.preference));
        ParseKernelText(values + setting.slot, kCoefficientCount, text);
        break;
      case SettingKind::number: {
        float value = GetFloatParam(list, param);
        values[setting.slot] = value == 0 && setting.zeroMeansReset ? setting.resetValue : value;
        break;
      }
      case SettingKind::flag: values[setting.slot] = GetBoolParam(list, param) ? 1.0f : 0.0f; break;
    }
  }
  if (IsEmptyKernel(values) || IsDefaultKernelText(text))
    for (int32_t i = 0; i < kCoefficientCount; ++i) values[i] = DefaultKernel[i];
}

void StoreKernel(JobRecord* job, ParamList* list, ConvolutionKernel* kernel) {
  const float* values = kernel->values;
  for (int32_t param = 0; param < kRecordedSettingCount; ++param) {
    const RecordedSetting& setting = kRecordedSettings[param];
    switch (setting.kind) {
      case SettingKind::kernelText: {
        char text[kTextBufferSize];
        FormatKernelText(values + setting.slot, kCoefficientCount, text, kTextBufferSize);
        SetStringParam(list, param, text);
        SetSlotText(job, int32_t(setting.preference), text);
        break;
      }
      case SettingKind::number:
        SetFloatParam(list, param, values[setting.slot]);
        SetPreferenceFloat(job, setting.preference, values[setting.slot]);
        break;
      case SettingKind::flag: {
        bool on = values[setting.slot] != 0;
        SetBoolParam(list, param, on);
        SetPreferenceFloat(job, setting.preference, on ? 1.0f : 0.0f);
        break;
      }
    }
  }
}
