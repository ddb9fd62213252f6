#include "plugin/RowPump.h"

#include "plugin/FilterRun.h"
#include "plugin/PumpQuantities.h"
#include "plugin/RowPlanes.h"
#include "contract/Memory.h"
#include "contract/ResultCodes.h"
#include "store/ImageStore.h"

namespace {

void RequestRow(Rect16& rect, const Rect16& filterRect, int32_t top) {
  rect.left = filterRect.left;
  rect.right = filterRect.right;
  rect.top = static_cast<int16_t>(top);
  rect.bottom = static_cast<int16_t>(top + 1);
}

void EmptyRect(Rect16& rect) { rect = Rect16{0, 0, 0, 0}; }

void EmptyHostRects(FilterRecord& record) {
  EmptyRect(record.inRect);
  EmptyRect(record.outRect);
}

void RequestPumpRow(FilterRecord& record, int32_t row, bool withMask) {
  int32_t top = record.filterRect.top + row;
  RequestRow(record.inRect, record.filterRect, top);
  RequestRow(record.outRect, record.filterRect, top);
  if (withMask) RequestRow(record.maskRect, record.filterRect, top);
}

void ReportPumpProgress(const FilterRecord& record, int32_t done, int32_t total) {
  if (record.progressProc != nullptr) record.progressProc(done, total);
}

// Releases every block of the run that exists; the references become null,
// so that a second release, or one without a run, frees nothing twice.
void DisposeRun(FilterGlobals& globals) {
  if (globals.opacityStore != nullptr) DisposeOpacityStore(globals.opacityStore);
  if (globals.backingStore != nullptr) DisposeBackingStore(globals.backingStore);
  if (globals.maskStore != nullptr) DisposeMaskStore(globals.maskStore);
  if (globals.rowBuffer != nullptr) DisposeBlock(globals.rowBuffer);
  if (globals.filterHandle != nullptr) DisposePluginHandle(globals.filterHandle);
  globals.opacityStore = globals.backingStore = globals.maskStore = nullptr;
  globals.rowBuffer = nullptr;
  globals.filterHandle = nullptr;
}

// Every way a run ends but the last row written: everything the run holds is
// released and both rectangles emptied, which ends the host's row pump. A
// host whose start fails never calls finish, and with advanceState the whole
// run happens inside start: nothing may wait for finish.
void EndRun(FilterGlobals& globals, int16_t code) {
  DisposeRun(globals);
  globals.result = code;
  globals.state = PumpState::Done;
  EmptyHostRects(*globals.filterRecord);
}

// Made on the first reading call. Any failure but the mask's ends the run at
// once: what was made is released and both rectangles emptied, so a host
// that keeps calling finds nothing half made.
bool NewRunStores(FilterGlobals& globals, const PumpQuantities& q) {
  if (!IsPumpable(q)) {
    globals.result = filterBadParameters;
  } else {
    auto width = static_cast<int16_t>(q.width), height = static_cast<int16_t>(q.height);
    if (q.extraPlanes != 0)
      globals.result = NewOpacityStore(width, height, static_cast<int16_t>(q.bytesPerSample * q.extraPlanes),
                                       &globals.opacityStore);
    int16_t code = NewBackingStore(width, height, static_cast<int16_t>(q.bytesPerSample * q.colourPlanes),
                                   &globals.backingStore);
    if (code != noErr) {
      globals.result = code;
      globals.useMask = 0;
    } else if (globals.useMask && NewMaskStore(width, height, 1, &globals.maskStore) != noErr) {
      globals.useMask = 0;  // the run goes on without a mask
      DisposeMaskStore(globals.maskStore);
      globals.maskStore = nullptr;
    }
  }
  if (globals.result == noErr) return true;
  EndRun(globals, globals.result);
  return false;
}

void StoreMaskRow(FilterGlobals& globals, const PumpQuantities& q) {
  const auto* mask = static_cast<const uint8_t*>(globals.filterRecord->maskData);
  if (mask == nullptr) return;
  WriteStoreRow(globals.maskStore, 0, q.row, q.width, mask);
  if (globals.maskAllSelected != 0xFF) return;  // one partly selected pixel settles it
  uint8_t all = 0xFF;
  for (int32_t x = 0; x < q.width; ++x) all &= mask[x];
  globals.maskAllSelected = all;
}

// A host row shorter than the pump would copy ends the run instead of being
// read or written past its end.
bool HostRowsTooShort(FilterGlobals& globals, const PumpQuantities& q, bool reading) {
  const FilterRecord& record = *globals.filterRecord;
  int64_t rowLength = int64_t{q.bytesPerSample} * q.planes * q.width;
  bool tooShort = reading ? record.inData != nullptr && record.inRowBytes < rowLength
                          : record.outData != nullptr && record.outRowBytes < rowLength;
  if (reading && globals.useMask) tooShort = tooShort || (record.maskData != nullptr && record.maskRowBytes < q.width);
  if (!tooShort) return false;
  EndRun(globals, filterBadParameters);
  return true;
}

void ReadPumpRow(FilterGlobals& globals, const PumpQuantities& q) {
  if (HostRowsTooShort(globals, q, true)) return;
  if (globals.backingStore == nullptr && !NewRunStores(globals, q)) return;
  FilterRecord& record = *globals.filterRecord;
  if (auto* in = static_cast<uint8_t*>(record.inData); in != nullptr) {
    if (q.extraPlanes > 0) {
      auto* extra = static_cast<uint8_t*>(globals.rowBuffer);
      SplitRow(in, extra, q);
      WriteStoreRow(globals.opacityStore, 0, q.row, q.bytesPerSample * q.extraPlanes * q.width, extra);
    }
    WriteStoreRow(globals.backingStore, 0, q.row, q.bytesPerSample * q.colourPlanes * q.width, in);
  }
  if (globals.useMask) StoreMaskRow(globals, q);
  ReportPumpProgress(record, q.row, 6 * q.height);
  if (q.row + 1 < q.height) {
    RequestPumpRow(record, q.row + 1, globals.useMask);
  } else {
    globals.state = PumpState::Filtering;
    RequestPumpRow(record, 0, globals.useMask);
  }
}

void WritePumpRow(FilterGlobals& globals, const PumpQuantities& q) {
  if (HostRowsTooShort(globals, q, false)) return;
  FilterRecord& record = *globals.filterRecord;
  if (auto* out = static_cast<uint8_t*>(record.outData); out != nullptr) {
    ReadStoreRow(globals.backingStore, 0, q.row, q.bytesPerSample * q.colourPlanes * q.width, out);
    if (q.extraPlanes > 0) {
      auto* extra = static_cast<uint8_t*>(globals.rowBuffer);
      ReadStoreRow(globals.opacityStore, 0, q.row, q.bytesPerSample * q.extraPlanes * q.width, extra);
      MergeRow(out, extra, q);
    }
  }
  ReportPumpProgress(record, 5 * q.height + q.row, 6 * q.height);
  if (q.row + 1 < q.height) {
    RequestPumpRow(record, q.row + 1, false);
  } else {
    globals.state = PumpState::Done;
    EmptyHostRects(record);
  }
}

// The one continue call that filters: on success the rectangles still
// name row 0, which goes back next.
void FilterStep(FilterGlobals& globals) {
  int16_t code = RunFilterStep(globals);
  if (code == noErr)
    globals.state = PumpState::WritingRows;
  else
    EndRun(globals, code);
}

// The row buffer and the stores were sized from the record at start.
bool RecordMatchesRun(const FilterGlobals& globals) {
  const FilterRecord& record = *globals.filterRecord;
  const Rect16& rect = record.filterRect;
  const Rect16& run = globals.runRect;
  return rect.top == run.top && rect.left == run.left && rect.bottom == run.bottom && rect.right == run.right &&
         record.planes == globals.runPlanes && record.imageMode == globals.runImageMode;
}

int16_t CallAdvanceState(FilterGlobals& globals) {
  AdvanceStateProc advance = globals.filterRecord->advanceState;
  return advance == nullptr ? int16_t{userCanceledErr} : advance();
}

bool BothRectsEmpty(const FilterRecord& record) {
  const Rect16& in = record.inRect;
  const Rect16& out = record.outRect;
  return (in.top | in.left | in.bottom | in.right | out.top | out.left | out.bottom | out.right) == 0;
}

}  // namespace

void HandleStart(FilterGlobals& globals) {
  FilterRecord& record = *globals.filterRecord;
  // A run the host never finished leaves its stores and blocks behind.
  DisposeRun(globals);
  globals.sampleDepth = record.depth == 16 ? 16 : 8;
  globals.state = PumpState::ReadingRows;
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

void HandleContinue(FilterGlobals& globals) {
  globals.result = noErr;
  FilterRecord& record = *globals.filterRecord;
  bool running = globals.state == PumpState::ReadingRows || globals.state == PumpState::Filtering ||
                 globals.state == PumpState::WritingRows;
  if (running && !RecordMatchesRun(globals)) {
    EndRun(globals, filterBadParameters);
    return;
  }
  PumpQuantities q = GetPumpQuantities(globals);
  switch (globals.state) {
    case PumpState::Idle: EmptyHostRects(record); break;
    case PumpState::ReadingRows: ReadPumpRow(globals, q); break;
    case PumpState::Filtering: FilterStep(globals); break;
    case PumpState::WritingRows: WritePumpRow(globals, q); break;
    case PumpState::Done:
      DisposeRun(globals);
      EmptyHostRects(record);
      EmptyRect(record.maskRect);
      break;
    default: break;  // an unknown state is left alone
  }
}

void HandleFinish(FilterGlobals& globals) {
  // A continue after finish finds the run over, not half undone.
  DisposeRun(globals);
  globals.state = PumpState::Done;
}
