#include "host/FilterRun.h"

#include "filter/Convolve.h"
#include "filter/Kernel.h"
#include "host/JobRecord.h"
#include "host/Memory.h"
#include "host/ResultCodes.h"
#include "host/RowPump.h"
#include "params/ParamList.h"
#include "params/ScriptParams.h"
#include "store/StorePath.h"
#include "text/BoundedText.h"
#include "text/LogFile.h"

namespace {

void FillJobRecord(const FilterGlobals& globals, JobRecord& job) {
  PumpQuantities q = GetPumpQuantities(globals);
  job.width = static_cast<int16_t>(q.width);
  job.height = static_cast<int16_t>(q.height);
  job.colourPlanes = static_cast<int16_t>(q.colourPlanes);
  job.extraPlanes = q.extraPlanes;
  job.backingStore = nullptr;
  job.opacityStore = globals.opacityStore;
  job.hostRecord = globals.filterRecord;
  // A mask that selects everything changes nothing: the filter is not given it.
  job.maskStore = globals.useMask && globals.maskAllSelected != 0xFF ? globals.maskStore : nullptr;
  job.filterLeft = globals.filterLeft;
  job.filterTop = globals.filterTop;
}

int16_t RunFilter(FilterGlobals& globals, JobRecord* job, ParamList* list, bool suppressDialog) {
  int16_t code = PrepareFilter(globals.backingStore, job, &globals.filterHandle, list, suppressDialog);
  if (code != noErr) return code;
  auto convolve = GetPumpQuantities(globals).bytesPerSample == 1 ? Convolve8 : Convolve16;
  return convolve(globals.backingStore, job, globals.filterHandle, list, suppressDialog);
}

}  // namespace

void RunFilterStep(FilterGlobals& globals) {
  char* name = NewText(kTextBufferSize);
  auto* job = static_cast<JobRecord*>(NewClearedBlock(sizeof(JobRecord)));
  ParamList* list = NewParamList(kRunParamSlots);
  if (name == nullptr || job == nullptr || list == nullptr) {  // the run cannot go on without them
    DisposeText(name);
    DisposeBlock(job);
    if (list != nullptr) DisposeParamList(list);
    EndRun(globals, memFullErr);
    return;
  }
  CopyTextBounded("c:\\MORVpref.xxx", name, kTextBufferSize);
  ResolveStorePath(name);
  FillJobRecord(globals, *job);
  FileRef preferences = LoadPreferences(job, name);
  InitParamList(list, FourCC("udef"), 0, 0);
  DeclareFilterParameters(job, list);

  bool suppressDialog = ReadScriptParams(globals, list);
  int16_t code = RunFilter(globals, job, list, suppressDialog);
  if (code != noErr) {
    globals.state = Done;
    globals.result = code;
  }
  // Recorded and logged whether or not the filter ran.
  WriteScriptParams(globals, list);
  LogRun(globals, list);
  DisposeParamList(list);
  SavePreferences(job, name, preferences);
  DisposeBlock(job);
  DisposeText(name);

  // After a failure nothing is written back.
  if (globals.state == Filtering)
    globals.state = WritingRows;  // the rectangles still name row 0, which goes back next
  else
    EndRun(globals, globals.result);
}
