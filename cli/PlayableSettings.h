// A settings file is checked whole before any image is read: exactly the
// plug-in's kernel text, scale factor, add constant and Autoscale switch,
// each present, of its type and in its range. Anything missing would be
// filled in by the plug-in from whatever its preferences hold, so the same
// file would give different images after different earlier runs.
#pragma once

#include <string>

#include "cli/Failure.h"
#include "cli/SettingsFile.h"

// name is used in messages; every failure names the key and what it allows.
Failure CheckPlayable(const RecordedSettings& settings, const std::string& name);
