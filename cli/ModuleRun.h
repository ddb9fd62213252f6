// One run of the plug-in module through the simulated host: the image goes
// in row by row, the plug-in filters it (showing its dialog, driven by the
// host, or playing recorded settings back) and the rows come back.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "cli/Failure.h"
#include "cli/DialogScript.h"
#include "cli/ProgressBar.h"
#include "cli/SettingsFile.h"
#include "hostsim/Host.h"
#include "hostsim/ModuleLoader.h"

// pathOrEmpty empty: tarkel.so beside the program.
Failure OpenModule(const std::string& pathOrEmpty, hostsim::LoadedModule* module);

struct RunRequest {
  // Interactive style: the dialog is shown and the script plays the user.
  DialogScript* dialog = nullptr;
  // Batch style: these settings are played back without the dialog.
  std::optional<RecordedSettings> playback;
};

struct RunOutcome {
  hostsim::Image output;
  std::optional<RecordedSettings> recorded;  // what the plug-in handed to the host's scripting
  int16_t result = 0;  // the module's result code
  hostsim::RunClock clock;  // where the run's time went
};

// Editors apply the selection themselves: a filter that does not declare
// that it writes outside the selection has its result blended with the
// original by the mask (255 takes the result, 0 keeps the original).
void ApplySelection(const hostsim::Image& original, hostsim::Image* filtered);

// An image whose rows are still arriving while the plug-in runs.
struct ArrivingRows {
  std::function<bool(int32_t bottom)> await;  // false: rows [0, bottom) never arrive
  std::function<void()> stop;                 // no more rows, before the image goes away
};

Failure RunModule(const hostsim::LoadedModule& module, hostsim::Image image, const RunRequest& request,
                  ProgressBar* bar, RunOutcome* outcome, const ArrivingRows* arriving = nullptr);
