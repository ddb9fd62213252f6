#include "filter/Convolve.h"

#include "dialog/KernelDialog.h"
#include "filter/ConvolvePasses.h"
#include "filter/Kernel.h"
#include "host/JobRecord.h"
#include "host/ResultCodes.h"

namespace {

constexpr int32_t kSmallestSide = 15;

int16_t RunConvolution(ImageStore* backingStore, JobRecord* job, ParamList* list, bool suppressDialog,
                       bool sixteenBit) {
  auto* kernel = static_cast<ConvolutionKernel*>(NewClearedBlock(sizeof(ConvolutionKernel)));
  if (kernel == nullptr) return memFullErr;
  LoadKernel(job, list, kernel, sixteenBit);
  int16_t result = userCanceledErr;
  if (suppressDialog || RunKernelDialog(backingStore, job, kernel) == 0) {
    StoreKernel(job, list, kernel);
    // A smaller image is left alone, silently, with the settings stored.
    if (job->width >= kSmallestSide && job->height >= kSmallestSide && job->colourPlanes >= 1) {
      result = ConvolveStore(backingStore, job, kernel, sixteenBit);
    }
  }
  DisposeBlock(kernel);
  return result;
}

}  // namespace

int16_t Convolve8(ImageStore* backingStore, JobRecord* job, PluginHandle*, ParamList* list, bool suppressDialog) {
  return RunConvolution(backingStore, job, list, suppressDialog, false);
}

int16_t Convolve16(ImageStore* backingStore, JobRecord* job, PluginHandle*, ParamList* list, bool suppressDialog) {
  return RunConvolution(backingStore, job, list, suppressDialog, true);
}
