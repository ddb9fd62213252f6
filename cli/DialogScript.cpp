#include "cli/DialogScript.h"

#include <cstdio>
#include <cstdlib>

#include "cli/PlayableSettings.h"
#include "cli/Values.h"
#include "contract/DialogDriver.h"
#include "dialog/FieldNumber.h"
#include "resources/DialogTemplate.h"

namespace {

constexpr int32_t kThumbPosition = 4;
// A scale no kernel file can bring (an .acf scale is a whole number, a text
// file's is 1): still there after Load means that Load loaded nothing.
constexpr float kUnloadedScale = 0.5f;

std::string FieldContents(const TarkelDialogControls& c, int32_t id) {
  char text[64] = {};
  c.getText(c.dialog, id, text, sizeof text);
  return text;
}

bool LoadKernelFile(const TarkelDialogControls& c, const std::string& path) {
  c.setText(c.dialog, kScaleFieldId, FieldText(kUnloadedScale).c_str());
  c.chooseFile(c.dialog, path.c_str());
  c.click(c.dialog, kLoadButtonId);
  return std::strtof(FieldContents(c, kScaleFieldId).c_str(), nullptr) != kUnloadedScale;
}

// Fields filled as one paste would fill them: the preview is drawn once for
// all of them, not once for each. Only plain field changes go between the
// hold and its release; a click may wait for the paint that follows it.
class PaintHold {
 public:
  explicit PaintHold(const TarkelDialogControls& c) : c_(c) { c_.holdPaint(c_.dialog, 1); }
  ~PaintHold() { c_.holdPaint(c_.dialog, 0); }
  PaintHold(const PaintHold&) = delete;
  PaintHold& operator=(const PaintHold&) = delete;

 private:
  const TarkelDialogControls& c_;
};

void TypeFields(const TarkelDialogControls& c, const KernelPlan& plan) {
  PaintHold hold(c);
  if (plan.grid)
    for (int32_t i = 0; i < 49; ++i) c.setText(c.dialog, kFirstKernelFieldId + i, FieldText((*plan.grid)[size_t(i)]).c_str());
  if (plan.scale) c.setText(c.dialog, kScaleFieldId, FieldText(*plan.scale).c_str());
  if (plan.offset) c.setText(c.dialog, kAddConstantFieldId, FieldText(*plan.offset).c_str());
}

void TypePlan(const TarkelDialogControls& c, const KernelPlan& plan) {
  TypeFields(c, plan);
  if (plan.autoscale && (c.isChecked(c.dialog, kAutoscaleBoxId) != 0) != *plan.autoscale)
    c.click(c.dialog, kAutoscaleBoxId);
}

// The kernel the dialog will use on OK, as it reads its fields.
KernelGrid FieldKernel(const TarkelDialogControls& c) {
  KernelGrid grid{};
  for (int32_t i = 0; i < 49; ++i) grid[size_t(i)] = ConvertFieldText(FieldContents(c, kFirstKernelFieldId + i).c_str());
  return grid;
}

Failure CutFieldsToRecording(const TarkelDialogControls& c) {
  KernelGrid grid = FieldKernel(c);
  if (Failure failure = CutToRecording(&grid)) return failure;
  PaintHold hold(c);
  for (int32_t i = 0; i < 49; ++i) c.setText(c.dialog, kFirstKernelFieldId + i, FieldText(grid[size_t(i)]).c_str());
  return {};
}

PreviewPicture CapturePreview(const TarkelDialogControls& c) {
  PreviewPicture picture;
  TarkelPreview preview{};
  if (c.getPreview(c.dialog, &preview) == 0 || preview.pixels == nullptr) return picture;
  picture.width = preview.width;
  picture.height = preview.height;
  picture.pixels.resize(size_t(preview.width) * preview.height);
  for (int32_t y = 0; y < preview.height; ++y)  // the bitmap is stored bottom row first
    for (int32_t x = 0; x < preview.width; ++x)
      picture.pixels[size_t(y) * preview.width + x] = preview.pixels[size_t(preview.height - 1 - y) * preview.width + x];
  return picture;
}

void Drive(void* context, const TarkelDialogControls* controls) {
  auto* script = static_cast<DialogScript*>(context);
  const TarkelDialogControls& c = *controls;
  script->opened = true;
  if (!script->plan.loadFile.empty() && !LoadKernelFile(c, script->plan.loadFile)) {
    script->failure = Fail(kExitKernel, script->plan.loadFile + ": the dialog's Load found no kernel in it; a .txt "
                                                                "file needs lines of two or more numbers, an .acf "
                                                                "file 54 bytes");
    c.click(c.dialog, kCancelButtonId);
    return;
  }
  TypePlan(c, script->plan);
  // A kernel file can bring a scale factor of 0, which the command refuses wherever it comes from.
  std::string scale = FieldContents(c, kScaleFieldId);
  if (std::strtod(scale.c_str(), nullptr) == 0) {
    script->failure = ValueFailure(kExitKernel, script->plan.description + " scale", scale, ScaleProblem(0));
    c.click(c.dialog, kCancelButtonId);
    return;
  }
  if (script->recording)
    if ((script->failure = CutFieldsToRecording(c))) {
      c.click(c.dialog, kCancelButtonId);
      return;
    }
  if (!script->capturePreview) {
    c.click(c.dialog, kOkButtonId);
    return;
  }
  c.scroll(c.dialog, kHorizontalScrollBarId, kThumbPosition, script->scrollLeft);
  c.scroll(c.dialog, kVerticalScrollBarId, kThumbPosition, script->scrollTop);
  script->preview = CapturePreview(c);
  c.click(c.dialog, kCancelButtonId);
}

}  // namespace

std::string FieldText(float value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.9g", double(value));
  return text;
}

Failure InstallDialogScript(const hostsim::LoadedModule& module, DialogScript* script) {
  hostsim::SetDialogDriverProc install = hostsim::FindDialogDriverHook(module);
  if (install == nullptr)
    return Fail(kExitModule, "the module has no dialog driver (TarkelSetDialogDriver), so its dialog cannot be "
                             "shown here; use the Linux module tarkel.so, or tarkel play");
  TarkelDialogDriver driver{TARKEL_DIALOG_DRIVER_VERSION, script->frameWidth, script->frameHeight, script, Drive};
  if (install(&driver) != 0) return Fail(kExitModule, "the module refused the dialog driver; it is of another version");
  return {};
}

void RemoveDialogScript(const hostsim::LoadedModule& module) {
  if (hostsim::SetDialogDriverProc install = hostsim::FindDialogDriverHook(module)) install(nullptr);
}
