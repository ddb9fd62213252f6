// The filter's recorded settings, each declared once: its scripting key and
// type, its index in the run's parameter list, its range, the value Reset
// gives it, its slot in the kernel record, its dialog control and where the
// preferences keep it. The job record, the parameters the host records and
// plays back, the preferences, the dialog and the command all take them
// from here.
#pragma once

#include <cstdint>
#include <iterator>

#include "contract/PluginApi.h"
#include "filter/Kernel.h"
#include "resources/DialogTemplate.h"
#include "resources/Terminology.h"

enum class SettingKind : uint8_t {
  kernelText,  // the 49 coefficients as one text, in a string slot of the preferences
  number,      // a float in the kernel record and the preference block
  flag,        // on when its float is non-zero; a check box in the dialog
};

struct RecordedSetting {
  const char* description;  // as messages name it
  uint32_t key;
  uint32_t type;  // in the host's descriptors
  SettingKind kind;
  float minimum;
  float maximum;
  float resetValue;
  bool zeroMeansReset;  // a recorded 0 reads as the reset value
  int32_t slot;         // the first of its floats in the kernel record
  uint16_t control;     // the dialog control of its first float
  uint32_t preference;  // the string slot of the text, else an offset in the preference block
};

inline constexpr RecordedSetting kRecordedSettings[] = {
    {"the kernel text", kKernelKey, kTextType, SettingKind::kernelText, -99999.0f, 99999.0f, 0.0f, false, 0,
     kFirstKernelFieldId, 3},
    {"the scale factor", kScaleKey, kDoubleType, SettingKind::number, 0.0f, 10000.0f, 1.0f, true, kScaleFactorSlot,
     kScaleFieldId, 580},
    {"the add constant", kOffsetKey, kDoubleType, SettingKind::number, -10000.0f, 10000.0f, 0.0f, false, kOffsetSlot,
     kAddConstantFieldId, 584},
    {"the Autoscale switch", kAutoscaleKey, kBooleanType, SettingKind::flag, 0.0f, 1.0f, 0.0f, false, kAutoscaleSlot,
     kAutoscaleBoxId, 576},
};
constexpr int32_t kRecordedSettingCount = int32_t(std::size(kRecordedSettings));

// A setting's index in the table is its index in the run's parameter list.
enum FilterParam : int32_t { kKernelParam = 0, kScaleParam = 1, kOffsetParam = 2, kAutoscaleParam = 3 };

constexpr int32_t SettingFloats(const RecordedSetting& setting) {
  return setting.kind == SettingKind::kernelText ? kCoefficientCount : 1;
}

// The setting whose float lies at a kernel slot, or null.
constexpr const RecordedSetting* SettingAtSlot(int32_t slot) {
  for (const RecordedSetting& setting : kRecordedSettings)
    if (slot >= setting.slot && slot < setting.slot + SettingFloats(setting)) return &setting;
  return nullptr;
}

// The setting a dialog control shows, or null.
constexpr const RecordedSetting* SettingOfControl(int32_t control) { return SettingAtSlot(control - kFirstKernelFieldId); }

constexpr const RecordedSetting& SettingOf(FilterParam param) { return kRecordedSettings[param]; }

// The slots the dialog edits and its OK hands back.
constexpr int32_t kSettingSlots = kRecordedSettings[kRecordedSettingCount - 1].slot + 1;

namespace recorded_settings_checks {
constexpr bool TerminologyAgrees(const RecordedSetting& setting) {
  for (const TerminologyParam& param : kTerminologyParams)
    if (param.key == setting.key) return param.type == setting.type;
  return false;
}
constexpr bool TableHolds() {
  int32_t nextSlot = 0;
  for (const RecordedSetting& setting : kRecordedSettings) {
    // The template numbers its fields and check box as the kernel record's slots.
    if (setting.slot != nextSlot || setting.control != kFirstKernelFieldId + setting.slot) return false;
    if (!TerminologyAgrees(setting)) return false;
    nextSlot = setting.slot + SettingFloats(setting);
  }
  return nextSlot == kSixteenBitSlot;
}
static_assert(TableHolds(), "the settings fill the kernel record up to its 16-bit flag, field by field");
static_assert(SettingOf(kKernelParam).key == kKernelKey && SettingOf(kScaleParam).key == kScaleKey &&
              SettingOf(kOffsetParam).key == kOffsetKey && SettingOf(kAutoscaleParam).key == kAutoscaleKey);
}  // namespace recorded_settings_checks
