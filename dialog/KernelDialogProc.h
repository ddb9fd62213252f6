// The kernel dialog's state and its dialog procedure, written against the
// window-system port so that every platform runs the same logic.
#pragma once

#include <cstdint>

#include "dialog/KernelDialogPort.h"
#include "dialog/Preview.h"
#include "filter/Kernel.h"
#include "contract/PluginApi.h"
#include "resources/DialogTemplate.h"

constexpr int32_t kKernelDialogTemplate = kKernelDialogId;

// The template's control ids, as the dialog procedure names them.
enum KernelDialogControl : int32_t {
  kOkButton = kOkButtonId,
  kCancelButton = kCancelButtonId,
  kResetButton = kResetButtonId,
  kLoadButton = kLoadButtonId,
  kSaveButton = kSaveButtonId,
  kPreviewFrame = kPreviewFrameId,
  kVerticalBar = kVerticalScrollBarId,
  kHorizontalBar = kHorizontalScrollBarId,
  kFirstCoefficientField = kFirstKernelFieldId,  // 9 + 7 * row + column; field id - 9 is the kernel slot
  kScaleField = kScaleFieldId,
  kOffsetField = kAddConstantFieldId,
  kAutoscaleBox = kAutoscaleBoxId,
};
static_assert(kFirstKernelFieldId + 48 == kLastKernelFieldId, "one field per kernel slot");

// End codes of the dialog.
constexpr intptr_t kDialogAccepted = 1;
constexpr intptr_t kDialogCancelled = 2;

struct KernelDialogState {
  ConvolutionKernel workingKernel;
  ConvolutionKernel* callerKernel;  // receives slots 0..51 on OK
  PreviewImage image;
  int32_t imageWidth;
  int32_t imageHeight;
  Rect16 previewRect;  // the preview frame in dialog client pixels
  Rect16 visibleRect;  // top row, left column, bottom row, right column; bottom and right exclusive
  int32_t horizontalRange;
  int32_t verticalRange;
  uint8_t refreshFields;  // the next paint rewrites the fields from the working kernel
};

// Only one dialog exists at a time.
extern KernelDialogState kernelDialogState;

intptr_t KernelDialogProc(DialogWindow dialog, uint32_t message, uintptr_t wParam, intptr_t lParam);
