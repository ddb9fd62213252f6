#include "plugin/FilterRun.h"

#include "dialog/KernelDialog.h"
#include "dialog/Preview.h"
#include "filter/ConvolvePasses.h"
#include "filter/Kernel.h"
#include "plugin/JobRecord.h"
#include "plugin/KernelSettings.h"
#include "plugin/PumpQuantities.h"
#include "contract/BoundedText.h"
#include "contract/Memory.h"
#include "contract/ResultCodes.h"
#include "params/ParamList.h"
#include "params/ScriptParams.h"
#include "store/FixedNames.h"
#include "store/StorePath.h"
#include "text/LogFile.h"

namespace {

constexpr int32_t kSmallestSide = 15;

void FillJobRecord(const FilterGlobals& globals, JobRecord& job) {
  PumpQuantities q = GetPumpQuantities(globals);
  job.width = static_cast<int16_t>(q.width);
  job.height = static_cast<int16_t>(q.height);
  job.colourPlanes = static_cast<int16_t>(q.colourPlanes);
  job.extraPlanes = q.extraPlanes;
  job.opacityStore = globals.opacityStore;
  job.hostRecord = globals.filterRecord;
  // A mask that selects everything changes nothing: the filter is not given it.
  job.maskStore = globals.useMask && globals.maskAllSelected != 0xFF ? globals.maskStore : nullptr;
  job.filterLeft = globals.filterLeft;
  job.filterTop = globals.filterTop;
}

// The host's main window, which owns the dialog; null when the host gave none.
void* HostWindowOf(const FilterRecord* host) {
  if (host == nullptr || host->platformData == nullptr) return nullptr;
  return host->platformData->hwnd;
}

EngineJob EngineJobOf(const JobRecord& job) {
  const FilterRecord* host = job.hostRecord;
  return {job.width, job.height, job.colourPlanes, host != nullptr ? host->progressProc : nullptr,
          host != nullptr ? host->abortProc : nullptr};
}

int16_t RunFilter(FilterGlobals& globals, JobRecord* job, ParamList* list, bool suppressDialog) {
  int16_t code = PrepareFilter(globals.backingStore, job, &globals.filterHandle, list, suppressDialog);
  if (code != noErr) return code;
  return RunConvolution(globals.backingStore, job, list, suppressDialog, globals.sampleDepth == 16);
}

}  // namespace

int16_t RunConvolution(ImageStore* backingStore, JobRecord* job, ParamList* list, bool suppressDialog,
                       bool sixteenBit) {
  auto* kernel = static_cast<ConvolutionKernel*>(NewClearedBlock(sizeof(ConvolutionKernel)));
  if (kernel == nullptr) return memFullErr;
  LoadKernel(job, list, kernel, sixteenBit);
  int16_t result = userCanceledErr;
  const PreviewImage image{backingStore, job->width, job->height, job->colourPlanes};
  if (suppressDialog || RunKernelDialog(&image, HostWindowOf(job->hostRecord), kernel) == 0) {
    StoreKernel(job, list, kernel);
    // A smaller image is left alone, silently, with the settings stored.
    if (job->width >= kSmallestSide && job->height >= kSmallestSide && job->colourPlanes >= 1) {
      const EngineJob engine = EngineJobOf(*job);
      result = ConvolveStore(backingStore, &engine, kernel, sixteenBit);
    }
  }
  DisposeBlock(kernel);
  return result;
}

int16_t RunFilterStep(FilterGlobals& globals) {
  char* name = NewText(kTextBufferSize);
  auto* job = static_cast<JobRecord*>(NewClearedBlock(sizeof(JobRecord)));
  ParamList* list = NewParamList(kRunParamSlots);
  if (name == nullptr || job == nullptr || list == nullptr) {  // the run cannot go on without them
    DisposeText(name);
    DisposeBlock(job);
    if (list != nullptr) DisposeParamList(list);
    return memFullErr;
  }
  CopyTextBounded(kPreferencesFileName, name, kTextBufferSize);
  ResolveStorePath(name);
  FillJobRecord(globals, *job);
  FileRef preferences = LoadPreferences(job, name);
  InitParamList(list, FourCC("udef"), 0, 0);
  DeclareFilterParameters(job, list);

  bool suppressDialog = ReadScriptParams(globals.filterRecord, list);
  int16_t code = RunFilter(globals, job, list, suppressDialog);
  // Recorded and logged whether or not the filter ran.
  WriteScriptParams(globals.filterRecord, list);
  LogRun(code, list);
  DisposeParamList(list);
  SavePreferences(job, name, preferences);
  DisposeBlock(job);
  DisposeText(name);
  return code;
}
