#include "dialog/KernelDialog.h"

#include "dialog/KernelDialogProc.h"
#include "host/JobRecord.h"

// The host's main window, which owns the dialog; null when the host gave none.
static void* HostWindowOf(const JobRecord* job) {
  const FilterRecord* host = job->hostRecord;
  if (host == nullptr || host->platformData == nullptr) return nullptr;
  return host->platformData->hwnd;
}

int16_t RunKernelDialog(ImageStore* backingStore, JobRecord* job, ConvolutionKernel* kernel) {
  if (job == nullptr || kernel == nullptr) return -1;
  KernelDialogState& state = kernelDialogState;
  state.backingStore = backingStore;
  state.job = job;
  state.callerKernel = kernel;
  job->backingStore = backingStore;
  // Only OK accepts: a dialog that could not be made, or ended any other
  // way (an invalid owner makes the dialog manager answer 0), is a cancel.
  return ShowKernelDialog(HostWindowOf(job)) == kDialogAccepted ? 0 : -1;
}
