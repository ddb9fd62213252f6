// The kernel dialog's state and its dialog procedure, written against the
// window-system port so that every platform runs the same logic.
#pragma once

#include <cstdint>

#include "dialog/KernelDialogPort.h"
#include "filter/Kernel.h"
#include "host/PluginApi.h"

struct ImageStore;
struct JobRecord;

constexpr int32_t kKernelDialogTemplate = 9550;

// Control ids of the template.
enum KernelDialogControl : int32_t {
  kOkButton = 1,
  kCancelButton = 2,
  kResetButton = 3,
  kLoadButton = 4,
  kSaveButton = 5,
  kPreviewFrame = 6,
  kVerticalBar = 7,
  kHorizontalBar = 8,
  kFirstCoefficientField = 9,  // 9 + 7 * row + column; field id - 9 is the kernel slot
  kScaleField = 58,
  kOffsetField = 59,
  kAutoscaleBox = 60,
};

// End codes of the dialog.
constexpr intptr_t kDialogAccepted = 1;
constexpr intptr_t kDialogCancelled = 2;

struct KernelDialogState {
  ConvolutionKernel workingKernel;
  ConvolutionKernel* callerKernel;  // receives slots 0..51 on OK
  JobRecord* job;
  ImageStore* backingStore;
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
