#include "cli/PlayableSettings.h"

#include <cmath>
#include <cstdio>

#include "cli/Values.h"
#include "host/resources/Terminology.h"

namespace {

constexpr int kKernelValues = 49;

const hostsim::DescriptorEntry* FindEntry(const RecordedSettings& settings, uint32_t key) {
  for (const hostsim::DescriptorEntry& entry : settings.descriptor)
    if (entry.key == key) return &entry;
  return nullptr;
}

// The plug-in's kernel text: 49 decimals, each followed by a comma.
Failure CheckKernelText(const std::string& text, const std::string& where) {
  int count = 0;
  size_t start = 0;
  for (size_t comma = text.find(','); comma != std::string::npos; comma = text.find(',', start)) {
    std::string field = text.substr(start, comma - start);
    double value = 0;
    if (!ReadDecimal(field, &value)) return ValueFailure(kExitKernel, where, field, "");
    if (std::string problem = CoefficientProblem(value); !problem.empty())
      return ValueFailure(kExitKernel, where, field, problem);
    ++count;
    start = comma + 1;
  }
  if (count != kKernelValues || start != text.size())
    return Fail(kExitKernel, where + ": the kernel text must be 49 numbers, each followed by a comma");
  return {};
}

Failure CheckNumber(const hostsim::DescriptorEntry& entry, const std::string& where, std::string (*problemOf)(double)) {
  char text[40];
  std::snprintf(text, sizeof text, "%.17g", entry.number);
  if (!std::isfinite(entry.number)) return ValueFailure(kExitKernel, where, text, "");
  if (std::string problem = problemOf(entry.number); !problem.empty())
    return ValueFailure(kExitKernel, where, text, problem);
  return {};
}

}  // namespace

Failure CheckPlayable(const RecordedSettings& settings, const std::string& name) {
  if (settings.event != kEventCode)
    return Fail(kExitKernel, name + ": \"event\" must be \"CsKr\", the plug-in's own; record the file with tarkel filter --record");
  struct Expected {
    uint32_t key;
    uint32_t type;
    const char* what;
  };
  const Expected expected[] = {{kKernelKey, kTextType, "the kernel text (TEXT)"},
                               {kScaleKey, kDoubleType, "the scale factor (doub)"},
                               {kOffsetKey, kDoubleType, "the add constant (doub)"},
                               {kAutoscaleKey, kBooleanType, "the Autoscale switch (bool)"}};
  for (const hostsim::DescriptorEntry& entry : settings.descriptor) {
    if (&entry != FindEntry(settings, entry.key))
      return Fail(kExitKernel, name + ": the key \"" + hostsim::CodeText(entry.key) + "\" appears twice; keep one");
    bool known = false;
    for (const Expected& e : expected) known = known || e.key == entry.key;
    if (!known)
      return Fail(kExitKernel, name + ": unknown key \"" + hostsim::CodeText(entry.key) +
                                   "\"; the plug-in takes Krnl, sCAL, oFST and AFlg");
  }
  for (const Expected& e : expected) {
    std::string where = name + " key \"" + hostsim::CodeText(e.key) + "\"";
    const hostsim::DescriptorEntry* entry = FindEntry(settings, e.key);
    if (entry == nullptr || entry->type != e.type)
      return Fail(kExitKernel, where + ": " + (entry == nullptr ? "missing" : "of the wrong type") + "; it must hold " +
                                   e.what + ", or the plug-in would take it from its last run");
    Failure failure;
    if (e.key == kKernelKey) failure = CheckKernelText(entry->text, where);
    if (e.key == kScaleKey) failure = CheckNumber(*entry, where, ScaleProblem);
    if (e.key == kOffsetKey) failure = CheckNumber(*entry, where, OffsetProblem);
    if (failure) return failure;
  }
  return {};
}
