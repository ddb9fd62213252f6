// A settings file is checked whole before any image is read: exactly the
// plug-in's kernel text, scale factor, add constant and Autoscale switch,
// each present, of its type and in its range. Anything missing would be
// filled in by the plug-in from whatever its preferences hold, so the same
// file would give different images after different earlier runs.
#pragma once

#include <string>

#include "cli/Failure.h"
#include "cli/ForeignKernels.h"
#include "cli/SettingsFile.h"

// name is used in messages; every failure names the key and what it allows.
Failure CheckPlayable(const RecordedSettings& settings, const std::string& name);

// A recording carries each tap in the kernel text's five digits, and the
// plug-in plays an all-zero text back as its default kernel. Cuts grid to
// what a recording plays back, so that the run and its playback give the
// same pixels; refuses a grid whose recording would lose a tap or the
// whole kernel.
Failure CutToRecording(KernelGrid* grid);
