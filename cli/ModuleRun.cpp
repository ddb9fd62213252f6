#include "cli/ModuleRun.h"

#include "cli/PreferencesHome.h"

#include <chrono>

#include "cli/Interrupt.h"
#include "cli/ModulePath.h"
#include "cli/VipsStart.h"
#include "hostsim/Descriptor.h"

Failure OpenModule(const std::string& pathOrEmpty, hostsim::LoadedModule* module) {
  std::string path = pathOrEmpty.empty() ? DefaultModulePath() : pathOrEmpty;
  // Every command that runs the module reads images: libvips starts here,
  // before play forks any process. Not on a thread beside the module's
  // loading: it sets an environment variable, which nothing may read meanwhile.
  StartVips();
  *module = hostsim::LoadModule(path);
  if (module->entryPoint == nullptr)
    return Fail(kExitModule, module->error + "; build it with ./scripts/build native, or name one with --module");
  WarnIfPreferencesUnsaved();
  return {};
}

void ApplySelection(const hostsim::Image& original, hostsim::Image* filtered) {
  for (int32_t y = 0; y < original.height; ++y)
    for (int32_t x = 0; x < original.width; ++x) {
      uint32_t selected = original.mask[size_t(y) * original.width + x];
      if (selected == 255) continue;
      for (int32_t plane = 0; plane < original.planes; ++plane) {
        uint32_t mixed = (filtered->Sample(x, y, plane) * selected + original.Sample(x, y, plane) * (255 - selected) +
                          127) / 255;
        filtered->SetSample(x, y, plane, uint16_t(mixed));
      }
    }
}

Failure RunModule(const hostsim::LoadedModule& module, hostsim::Image image, const RunRequest& request,
                  ProgressBar* bar, RunOutcome* outcome, const ArrivingRows* arriving) {
  hostsim::HostOptions options;
  options.abortWhen = [](int32_t) { return InterruptRequested(); };
  // One copy of the image is enough unless the selection needs the original.
  options.writeInPlace = image.mask.empty();
  if (arriving != nullptr) options.awaitRows = arriving->await;
  if (bar != nullptr) options.onProgress = [bar](int32_t done, int32_t total) { UpdateProgressBar(*bar, done, total); };
  hostsim::Host host(module.entryPoint, std::move(image), options);
  // Rows still arriving land in the host's image: they stop before it goes.
  struct StopArriving {
    const ArrivingRows* rows;
    ~StopArriving() {
      if (rows != nullptr) rows->stop();
    }
  } stopArriving{arriving};
  hostsim::ScriptingHost scripting(host);
  if (request.playback)
    scripting.Play(request.playback->descriptor, plugInDialogDontDisplay);
  else
    scripting.PlayNothing(plugInDialogDisplay);
  if (request.dialog != nullptr)
    if (Failure failure = InstallDialogScript(module, request.dialog)) return failure;
  int16_t result = host.Run();
  outcome->clock = host.clock;
  if (request.dialog != nullptr) RemoveDialogScript(module);
  outcome->result = result;
  if (bar != nullptr) EndProgressBar(*bar);
  if (InterruptRequested()) return Fail(kExitInterrupted, "interrupted");
  if (request.dialog != nullptr && request.dialog->failure) return request.dialog->failure;
  if (request.dialog != nullptr && !request.dialog->opened && result == 0)
    return Fail(kExitModule, "the plug-in ran without showing its dialog, so the kernel was not set; use a module "
                             "whose filter run shows the dialog, or tarkel play");
  if (result != 0) return FilterResultFailure(result);
  if (!host.violations.empty())
    return Fail(kExitModule, "the module broke the host protocol: " + host.violations.front());
  bool selection = !host.input().mask.empty();  // then the input is a copy of its own
  outcome->output = host.TakeOutput();
  if (selection) ApplySelection(host.input(), &outcome->output);
  if (std::optional<hostsim::Descriptor> recorded = scripting.Recorded())
    outcome->recorded = RecordedSettings{FourCC("CsKr"), scripting.parameters().recordInfo, *recorded};
  return {};
}
