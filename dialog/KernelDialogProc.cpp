#include "dialog/KernelDialogProc.h"

#include <algorithm>
#include <cstring>

#include "dialog/DialogMessages.h"
#include "dialog/FieldNumber.h"
#include "dialog/KernelFileActions.h"
#include "dialog/Preview.h"
#include "filter/RecordedSettings.h"
#include "text/NumberFormat.h"

KernelDialogState kernelDialogState;

constexpr int32_t kCentreSlot = 3 * kKernelSide + 3;
constexpr int32_t kPageStep = 25;
// Holds FormatNumberText's longest text; reads keep at most 31 characters.
constexpr int32_t kFieldTextSize = 32;

static int32_t FrameWidth(const Rect16& frame) { return frame.right - frame.left; }
static int32_t FrameHeight(const Rect16& frame) { return frame.bottom - frame.top; }

static void InvalidatePreview(DialogWindow dialog) { InvalidateDialogArea(dialog, kernelDialogState.previewRect); }

static void SetUpBar(DialogWindow dialog, int32_t bar, int32_t range) {
  if (range > 0)
    SetBarRange(dialog, bar, range);
  else
    ShowBarDisabled(dialog, bar);
}

static void InitKernelDialog(DialogWindow dialog) {
  KernelDialogState& state = kernelDialogState;
  state.workingKernel = *state.callerKernel;
  state.imageWidth = state.image.width;
  state.imageHeight = state.image.height;
  state.previewRect = GetControlRect(dialog, kPreviewFrame);
  int32_t viewWidth = FrameWidth(state.previewRect);
  int32_t viewHeight = FrameHeight(state.previewRect);
  state.visibleRect = Rect16{0, 0, int16_t(std::min(state.imageHeight, viewHeight)),
                             int16_t(std::min(state.imageWidth, viewWidth))};
  // The vertical range lacks the + 1, so the view stops one row short of the bottom.
  state.horizontalRange = std::max(state.imageWidth - viewWidth + 1, 0);
  state.verticalRange = std::max(state.imageHeight - viewHeight, 0);
  SetUpBar(dialog, kHorizontalBar, state.horizontalRange);
  SetUpBar(dialog, kVerticalBar, state.verticalRange);
  state.refreshFields = 1;
  InvalidatePreview(dialog);
}

static void RefreshFields(DialogWindow dialog) {
  const float* values = kernelDialogState.workingKernel.values;
  char text[kFieldTextSize];
  for (const RecordedSetting& setting : kRecordedSettings) {
    if (setting.kind == SettingKind::flag) {
      SetCheckBox(dialog, setting.control, values[setting.slot] != 0.0f);
      continue;
    }
    for (int32_t i = 0; i < SettingFloats(setting); ++i) {
      FormatNumberText(values[setting.slot + i], text);
      SetFieldText(dialog, setting.control + i, text);
    }
  }
  kernelDialogState.refreshFields = 0;
}

static void DrawKernelDialog(DialogWindow dialog, void* deviceContext) {
  KernelDialogState& state = kernelDialogState;
  if (state.refreshFields != 0) RefreshFields(dialog);
  if (state.workingKernel.values[kSixteenBitSlot] == 0.0f)
    DrawPreview8(deviceContext, state.previewRect, state.visibleRect, &state.image, &state.workingKernel);
  else
    DrawPreview16(deviceContext, state.previewRect, state.visibleRect, &state.image, &state.workingKernel);
}

// Fields, check box and preview follow the working kernel at the next paint.
static void ShowWorkingKernel(DialogWindow dialog) {
  kernelDialogState.refreshFields = 1;
  InvalidatePreview(dialog);
}

static void ResetWorkingKernel() {
  float* values = kernelDialogState.workingKernel.values;
  for (const RecordedSetting& setting : kRecordedSettings)
    std::fill(values + setting.slot, values + setting.slot + SettingFloats(setting), setting.resetValue);
  values[kCentreSlot] = 1.0f;  // the identity kernel
}

static void ReadField(DialogWindow dialog, int32_t id) {
  char text[kFieldTextSize];
  GetFieldText(dialog, id, text, kFieldTextSize);
  kernelDialogState.workingKernel.values[id - kFirstCoefficientField] = ConvertFieldText(text);
  InvalidatePreview(dialog);
}

// A setting's field takes what is typed; its check box toggles.
static intptr_t CommandSettingControl(DialogWindow dialog, int32_t id, uint16_t notification) {
  const RecordedSetting* setting = SettingOfControl(id);
  if (setting == nullptr) return FALSE;
  if (setting->kind == SettingKind::flag) {
    float& value = kernelDialogState.workingKernel.values[setting->slot];
    value = value != 0.0f ? 0.0f : 1.0f;
    ShowWorkingKernel(dialog);
  } else if (notification == EN_CHANGE) {
    ReadField(dialog, id);
  }
  return FALSE;
}

static intptr_t CommandKernelDialog(DialogWindow dialog, int32_t id, uint16_t notification) {
  KernelDialogState& state = kernelDialogState;
  // Swallows the change notices of the paint's own field updates, and any
  // click between a Reset, Load or Autoscale and the paint that shows it.
  if (state.refreshFields != 0) return TRUE;
  float* values = state.workingKernel.values;
  switch (id) {
    case kOkButton:
      std::memcpy(state.callerKernel->values, values, kSettingSlots * sizeof(float));
      EndKernelDialog(dialog, kDialogAccepted);
      return TRUE;
    case kCancelButton: EndKernelDialog(dialog, kDialogCancelled); return TRUE;
    case kResetButton:
      ResetWorkingKernel();
      ShowWorkingKernel(dialog);
      return FALSE;
    case kLoadButton:
      LoadKernelFileAction(values);
      ShowWorkingKernel(dialog);
      return TRUE;
    case kSaveButton: SaveKernelFileAction(values); return TRUE;
    default: return CommandSettingControl(dialog, id, notification);
  }
}

// The bar position a scroll code asks for; false for codes that move nothing.
static bool ScrollTarget(int32_t code, int32_t thumb, int32_t range, int32_t* position) {
  switch (code) {
    case SB_LINEUP: *position -= 1; return true;
    case SB_LINEDOWN: *position += 1; return true;
    case SB_PAGEUP: *position -= kPageStep; return true;
    case SB_PAGEDOWN: *position += kPageStep; return true;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: *position = thumb; return true;
    case SB_TOP: *position = 0; return true;
    case SB_BOTTOM: *position = range; return true;
    default: return false;
  }
}

static intptr_t ScrollKernelDialog(DialogWindow dialog, bool horizontal, uintptr_t wParam) {
  KernelDialogState& state = kernelDialogState;
  int32_t bar = horizontal ? kHorizontalBar : kVerticalBar;
  int32_t range = horizontal ? state.horizontalRange : state.verticalRange;
  int32_t position = GetBarPosition(dialog, bar);
  if (!ScrollTarget(LowWord(wParam), HighWord(wParam), range, &position)) return FALSE;
  if (range < 1) return TRUE;
  position = std::clamp(position, 0, range - 1);
  SetBarPosition(dialog, bar, position);
  Rect16& visible = state.visibleRect;
  if (horizontal) {
    visible.left = int16_t(position);
    visible.right = int16_t(position + FrameWidth(state.previewRect));
  } else {
    visible.top = int16_t(position);
    visible.bottom = int16_t(position + FrameHeight(state.previewRect));
  }
  InvalidatePreview(dialog);
  return TRUE;
}

intptr_t KernelDialogProc(DialogWindow dialog, uint32_t message, uintptr_t wParam, intptr_t) {
  switch (message) {
    case WM_INITDIALOG: InitKernelDialog(dialog); return FALSE;
    case WM_PAINT: PaintKernelDialog(dialog, DrawKernelDialog); return 0;
    case WM_COMMAND: return CommandKernelDialog(dialog, LowWord(wParam), HighWord(wParam));
    case WM_HSCROLL: return ScrollKernelDialog(dialog, true, wParam);
    case WM_VSCROLL: return ScrollKernelDialog(dialog, false, wParam);
    default: return FALSE;
  }
}
