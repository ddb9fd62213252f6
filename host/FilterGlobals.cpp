#include "host/FilterGlobals.h"

#include <cstring>

#include "host/RowPump.h"
#include "host/contract/ResultCodes.h"
#include "store/ImageStore.h"

void InitGlobals(FilterGlobals& globals) {
  std::memset(&globals, 0, sizeof globals);
  globals.state = Idle;
  globals.maskAllSelected = 0xFF;
}

void RequestRow(Rect16& rect, const Rect16& filterRect, int32_t top) {
  rect.left = filterRect.left;
  rect.right = filterRect.right;
  rect.top = static_cast<int16_t>(top);
  rect.bottom = static_cast<int16_t>(top + 1);
}

void EmptyRect(Rect16& rect) { rect = Rect16{0, 0, 0, 0}; }

void HandleParameters(FilterGlobals& globals) {
  FilterRecord& record = *globals.filterRecord;
  if (record.parameters == nullptr) {
    PluginHandle* block = NewPluginHandle(4);
    if (block == nullptr) {
      globals.result = memFullErr;
      return;
    }
    record.parameters = reinterpret_cast<Handle>(block);
    static_cast<int16_t*>(block->data)[0] = 50;
  }
  // A host's handle without data has nowhere to take the word.
  if (*record.parameters != nullptr) reinterpret_cast<int16_t*>(*record.parameters)[1] = 1;
  globals.parametersRequested = 1;
}

void HandlePrepare(FilterGlobals& globals) { globals.filterRecord->bufferSpace = 8192; }

int16_t CallAdvanceState(FilterGlobals& globals) {
  AdvanceStateProc advance = globals.filterRecord->advanceState;
  return advance == nullptr ? int16_t{userCanceledErr} : advance();
}

static bool BothRectsEmpty(const FilterRecord& record) {
  const Rect16& in = record.inRect;
  const Rect16& out = record.outRect;
  return (in.top | in.left | in.bottom | in.right | out.top | out.left | out.bottom | out.right) == 0;
}

void EndRun(FilterGlobals& globals, int16_t code) {
  // A host whose start fails never calls finish, and with advanceState the
  // whole run happens inside start: nothing may wait for finish.
  HandleFinish(globals);
  globals.result = code;
  globals.state = Done;
  EmptyRect(globals.filterRecord->inRect);
  EmptyRect(globals.filterRecord->outRect);
}

void HandleStart(FilterGlobals& globals) {
  FilterRecord& record = *globals.filterRecord;
  // A run the host never finished leaves its stores and blocks behind;
  // finish clears its references, so only such leftovers are released here.
  HandleFinish(globals);
  globals.sampleDepth = record.depth == 16 ? 16 : 8;
  globals.state = ReadingRows;
  globals.backingStore = nullptr;
  globals.filterHandle = nullptr;
  globals.opacityStore = nullptr;
  globals.maskStore = nullptr;
  globals.useMask = 0;
  globals.maskAllSelected = 0xFF;
  globals.rowBuffer = nullptr;
  // Nothing to filter is a clean pass; a record the pump cannot serve, or
  // samples wider than 16 bits, are refused before any row is asked for.
  PumpQuantities q = GetPumpQuantities(globals);
  if (q.width == 0 || q.height == 0) {
    EndRun(globals, noErr);
    return;
  }
  if (!IsPumpable(q) || (record.depth != 0 && record.depth != 8 && record.depth != 16)) {
    EndRun(globals, filterBadParameters);
    return;
  }

  const Rect16& filterRect = record.filterRect;
  int32_t width = int32_t{filterRect.right} - filterRect.left;
  int64_t rowBytes = int64_t{globals.sampleDepth / 8} * width * record.planes;
  globals.rowBuffer = rowBytes > 0 && rowBytes <= UINT32_MAX ? NewBlock(static_cast<uint32_t>(rowBytes)) : nullptr;
  if (rowBytes > 0 && globals.rowBuffer == nullptr) {
    EndRun(globals, memFullErr);
    return;
  }
  globals.filterLeft = filterRect.left;
  globals.filterTop = filterRect.top;
  globals.runRect = filterRect;
  globals.runPlanes = record.planes;
  globals.runImageMode = record.imageMode;
  globals.useMask = record.haveMask != 0;

  RequestRow(record.inRect, filterRect, filterRect.top);
  RequestRow(record.outRect, filterRect, filterRect.top);
  if (globals.useMask) RequestRow(record.maskRect, filterRect, filterRect.top);
  record.inLoPlane = record.outLoPlane = 0;
  record.inHiPlane = record.outHiPlane = static_cast<int16_t>(record.planes - 1);

  if (record.advanceState == nullptr) return;
  for (;;) {
    if (CallAdvanceState(globals) != noErr) break;
    HandleContinue(globals);
    if (globals.result != noErr || BothRectsEmpty(record)) break;
  }
}

void HandleFinish(FilterGlobals& globals) {
  if (globals.opacityStore != nullptr) DisposeOpacityStore(globals.opacityStore);
  if (globals.backingStore != nullptr) DisposeBackingStore(globals.backingStore);
  if (globals.maskStore != nullptr) DisposeMaskStore(globals.maskStore);
  if (globals.rowBuffer != nullptr) DisposeBlock(globals.rowBuffer);
  if (globals.filterHandle != nullptr) DisposePluginHandle(globals.filterHandle);
  // Cleared so that a second finish, or one without a start, frees nothing
  // twice; a continue after finish finds the run over, not half undone.
  globals.opacityStore = globals.backingStore = globals.maskStore = nullptr;
  globals.rowBuffer = nullptr;
  globals.filterHandle = nullptr;
  globals.state = Done;
}
