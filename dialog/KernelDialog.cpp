#include "dialog/KernelDialog.h"

#include "dialog/KernelDialogProc.h"

int16_t RunKernelDialog(const PreviewImage* image, void* ownerWindow, ConvolutionKernel* kernel) {
  if (image == nullptr || kernel == nullptr) return -1;
  KernelDialogState& state = kernelDialogState;
  state.image = *image;
  state.callerKernel = kernel;
  // Only OK accepts: a dialog that could not be made, or ended any other
  // way (an invalid owner makes the dialog manager answer 0), is a cancel.
  return ShowKernelDialog(ownerWindow) == kDialogAccepted ? 0 : -1;
}
