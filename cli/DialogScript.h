// The user at the plug-in's kernel dialog: a script of what a person does
// for a run (Load a file, type the numbers, set Autoscale, scroll the
// preview) played through the Linux module's dialog driver.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cli/Failure.h"
#include "cli/KernelPlan.h"
#include "hostsim/ModuleLoader.h"

// The dialog's preview as the user saw it: 5-5-5 pixels, top row first.
struct PreviewPicture {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint16_t> pixels;
};

struct DialogScript {
  KernelPlan plan;
  // For a preview: the scroll positions (column, row) and the frame size
  // (0: the template's); then the dialog is cancelled instead of accepted.
  bool capturePreview = false;
  int32_t scrollLeft = 0;
  int32_t scrollTop = 0;
  int16_t frameWidth = 0;
  int16_t frameHeight = 0;
  // The run is recorded: the kernel is cut to what the recording plays back
  // before OK, or the dialog is cancelled when the recording cannot hold it.
  bool recording = false;

  // What happened at the dialog.
  bool opened = false;
  Failure failure;  // set when the script could not be carried out
  std::optional<PreviewPicture> preview;
};

// Installs the script as the module's dialog driver until RemoveDialogScript.
Failure InstallDialogScript(const hostsim::LoadedModule& module, DialogScript* script);
void RemoveDialogScript(const hostsim::LoadedModule& module);

// A field's text that the C library reads back as exactly this float.
std::string FieldText(float value);
