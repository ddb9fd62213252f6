// What the host types into the kernel dialog for a run: a kernel file for
// the dialog's Load button, or the 49 numbers for its fields, and the scale
// factor, add constant and Autoscale switch. Nothing given: the dialog opens
// on the plug-in's last settings (its preferences) and OK is pressed.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cli/Arguments.h"
#include "cli/ForeignKernels.h"

struct KernelPlan {
  std::string loadFile;  // pressed Load with this file (.acf or .txt)
  std::optional<KernelGrid> grid;
  std::optional<float> scale;
  std::optional<float> offset;
  std::optional<bool> autoscale;
  std::string description;  // where the kernel comes from, for messages
};

// The options that choose the kernel, shared by the commands that filter.
std::vector<OptionSpec> KernelOptions();
// The --help paragraph on kernel sources and orientation.
std::string KernelOptionsDetails();
Failure KernelPlanFromArguments(const ParsedArguments& arguments, KernelPlan* plan);
