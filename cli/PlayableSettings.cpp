#include "cli/PlayableSettings.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>

#include "cli/Values.h"
#include "filter/KernelText.h"
#include "filter/RecordedSettings.h"
#include "resources/Terminology.h"

namespace {

constexpr int kKernelValues = 49;
constexpr size_t kLongestKernelText = 513;  // the plug-in cuts the rest

// What the plug-in reads as the field says: an optional leading minus,
// digits and at most one point. Spaces, a plus sign or an exponent would
// be skipped or read as 0.
bool ReadsAsWritten(const std::string& field) {
  size_t digits = 0, points = 0;
  for (size_t i = 0; i < field.size(); ++i) {
    char c = field[i];
    if (c >= '0' && c <= '9') ++digits;
    else if (c == '.') ++points;
    else if (!(c == '-' && i == 0)) return false;
  }
  return digits > 0 && points <= 1;
}

const hostsim::DescriptorEntry* FindEntry(const RecordedSettings& settings, uint32_t key) {
  for (const hostsim::DescriptorEntry& entry : settings.descriptor)
    if (entry.key == key) return &entry;
  return nullptr;
}

// The plug-in's kernel text: 49 decimals, each followed by a comma.
Failure CheckKernelText(const std::string& text, const std::string& where) {
  if (text.size() > kLongestKernelText)
    return Fail(kExitKernel, where + ": the kernel text has " + std::to_string(text.size()) +
                                 " characters; the plug-in reads only the first 513");
  int count = 0;
  size_t start = 0;
  bool allZero = true;
  for (size_t comma = text.find(','); comma != std::string::npos; comma = text.find(',', start)) {
    std::string field = text.substr(start, comma - start);
    double value = 0;
    if (!ReadsAsWritten(field) || !ReadDecimal(field, &value))
      return ValueFailure(kExitKernel, where, field,
                          "the plug-in reads only digits, one point and a leading minus, and would take this "
                          "value as 0; write it as a plain decimal such as -0.25 or 100");
    allZero = allZero && value == 0;
    if (std::string problem = CoefficientProblem(value); !problem.empty())
      return ValueFailure(kExitKernel, where, field, problem);
    ++count;
    start = comma + 1;
  }
  if (count != kKernelValues || start != text.size())
    return Fail(kExitKernel, where + ": the kernel text must be 49 numbers, each followed by a comma");
  if (allZero)
    return Fail(kExitKernel, where + ": all 49 values are 0, which the plug-in plays back as its default kernel, "
                                     "not as the zeros it says");
  return {};
}

Failure CheckNumber(const hostsim::DescriptorEntry& entry, const std::string& where, const RecordedSetting& setting) {
  char text[40];
  std::snprintf(text, sizeof text, "%.17g", entry.number);
  if (!std::isfinite(entry.number)) return ValueFailure(kExitKernel, where, text, "");
  if (std::string problem = SettingProblem(setting, entry.number); !problem.empty())
    return ValueFailure(kExitKernel, where, text, problem);
  return {};
}

bool IsRecordedKey(uint32_t key) {
  return std::any_of(std::begin(kRecordedSettings), std::end(kRecordedSettings),
                     [key](const RecordedSetting& setting) { return setting.key == key; });
}

// "Krnl, sCAL, oFST and AFlg"
std::string RecordedKeys() {
  std::string keys;
  for (int32_t i = 0; i < kRecordedSettingCount; ++i)
    keys += (i == 0 ? "" : i + 1 == kRecordedSettingCount ? " and " : ", ") + hostsim::CodeText(kRecordedSettings[i].key);
  return keys;
}

}  // namespace

Failure CheckPlayable(const RecordedSettings& settings, const std::string& name) {
  if (settings.event != kEventCode)
    return Fail(kExitKernel, name + ": \"event\" must be \"CsKr\", the plug-in's own; record the file with tarkel filter --record");
  for (const hostsim::DescriptorEntry& entry : settings.descriptor) {
    if (&entry != FindEntry(settings, entry.key))
      return Fail(kExitKernel, name + ": the key \"" + hostsim::CodeText(entry.key) + "\" appears twice; keep one");
    if (!IsRecordedKey(entry.key))
      return Fail(kExitKernel, name + ": unknown key \"" + hostsim::CodeText(entry.key) + "\"; the plug-in takes " +
                                   RecordedKeys());
  }
  for (const RecordedSetting& setting : kRecordedSettings) {
    std::string where = name + " key \"" + hostsim::CodeText(setting.key) + "\"";
    const hostsim::DescriptorEntry* entry = FindEntry(settings, setting.key);
    if (entry == nullptr || entry->type != setting.type)
      return Fail(kExitKernel, where + ": " + (entry == nullptr ? "missing" : "of the wrong type") + "; it must hold " +
                                   setting.description + " (" + hostsim::CodeText(setting.type) +
                                   "), or the plug-in would take it from its last run");
    Failure failure;
    if (setting.kind == SettingKind::kernelText) failure = CheckKernelText(entry->text, where);
    if (setting.kind == SettingKind::number) failure = CheckNumber(*entry, where, setting);
    if (failure) return failure;
  }
  return {};
}

Failure CutToRecording(KernelGrid* grid) {
  if (std::all_of(grid->begin(), grid->end(), [](float tap) { return tap == 0; }))
    return Fail(kExitKernel, "--record: an all-zero kernel records as the plug-in's empty kernel text, which "
                             "plays back as its default kernel; filter without --record");
  char text[kLongestKernelText + 1];
  FormatKernelText(grid->data(), kKernelValues, text, sizeof text);
  KernelGrid recorded{};
  ParseKernelText(recorded.data(), kKernelValues, text);
  for (size_t i = 0; i < grid->size(); ++i)
    if ((*grid)[i] != 0 && recorded[i] == 0) {
      char tap[32];
      std::snprintf(tap, sizeof tap, "%.9g", double((*grid)[i]));
      return Fail(kExitKernel, "--record: the tap " + std::string(tap) + " at row " + std::to_string(i / 7 + 1) +
                                   ", column " + std::to_string(i % 7 + 1) +
                                   " records as 0 (a recording carries four decimals below 1), so playing it "
                                   "back would not give this run's pixels; multiply the taps and the scale "
                                   "factor alike, or filter without --record");
    }
  *grid = recorded;
  return {};
}
