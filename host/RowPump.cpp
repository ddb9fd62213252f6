#include "host/RowPump.h"

#include <cstring>

#include "host/FilterRun.h"
#include "host/ResultCodes.h"
#include "store/ImageStore.h"

PumpQuantities GetPumpQuantities(const FilterGlobals& globals) {
  const FilterRecord& record = *globals.filterRecord;
  const Rect16& filterRect = record.filterRect;
  PumpQuantities q{};
  q.bytesPerSample = globals.sampleDepth / 8;
  q.width = int32_t{filterRect.right} - filterRect.left;
  q.height = int32_t{filterRect.bottom} - filterRect.top;
  q.planes = record.planes;
  bool rgb = record.imageMode == plugInModeRGBColor || record.imageMode == plugInModeRGB48;
  q.colourPlanes = rgb ? 3 : 1;
  q.extraPlanes = q.planes - q.colourPlanes;
  q.row = int32_t{record.outRect.top} - filterRect.top;
  return q;
}

void DisposeRunStores(FilterGlobals& globals) {
  if (globals.backingStore != nullptr) DisposeBackingStore(globals.backingStore);
  if (globals.opacityStore != nullptr) DisposeOpacityStore(globals.opacityStore);
  if (globals.maskStore != nullptr) DisposeMaskStore(globals.maskStore);
  globals.backingStore = globals.opacityStore = globals.maskStore = nullptr;
}

static void RequestPumpRow(FilterRecord& record, int32_t row, bool withMask) {
  int32_t top = record.filterRect.top + row;
  RequestRow(record.inRect, record.filterRect, top);
  RequestRow(record.outRect, record.filterRect, top);
  if (withMask) RequestRow(record.maskRect, record.filterRect, top);
}

static void EndRun(FilterGlobals& globals) {
  DisposeRunStores(globals);
  globals.state = Done;
  EmptyRect(globals.filterRecord->inRect);
  EmptyRect(globals.filterRecord->outRect);
}

static void ReportPumpProgress(const FilterRecord& record, int32_t done, int32_t total) {
  if (record.progressProc != nullptr) record.progressProc(done, total);
}

// A record whose rectangle or planes the stores cannot hold (an empty or
// oversized rectangle, an RGB mode with fewer than three planes) is refused
// before any host row is read with a wrong length.
static bool IsPumpable(const PumpQuantities& q) {
  return q.width > 0 && q.width <= INT16_MAX && q.height > 0 && q.height <= INT16_MAX && q.extraPlanes >= 0 &&
         (q.bytesPerSample == 1 || q.bytesPerSample == 2) && q.bytesPerSample * q.planes <= INT16_MAX;
}

// Made on the first reading call. Any failure but the mask's ends the run at
// once: what was made is released and both rectangles emptied, so a host
// that keeps calling finds nothing half made.
static bool NewRunStores(FilterGlobals& globals, const PumpQuantities& q) {
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
  EndRun(globals);
  return false;
}

// Moves each pixel's extra samples, densely packed, into `extra`, then packs
// the colour samples to the front of the row, pixels in ascending order.
static void SplitExtraPlanes(uint8_t* row, uint8_t* extra, const PumpQuantities& q) {
  size_t colourBytes = size_t(q.bytesPerSample) * size_t(q.colourPlanes);
  size_t extraBytes = size_t(q.bytesPerSample) * size_t(q.extraPlanes);
  size_t pixelBytes = colourBytes + extraBytes;
  for (size_t x = 0; x < size_t(q.width); ++x) std::memcpy(extra + x * extraBytes, row + x * pixelBytes + colourBytes, extraBytes);
  for (size_t x = 0; x < size_t(q.width); ++x) std::memmove(row + x * colourBytes, row + x * pixelBytes, colourBytes);
}

// The reverse, from the last pixel down, so that no sample is overwritten
// before it has moved: a destination never lies below its source.
static void MergeExtraPlanes(uint8_t* row, const uint8_t* extra, const PumpQuantities& q) {
  size_t colourBytes = size_t(q.bytesPerSample) * size_t(q.colourPlanes);
  size_t extraBytes = size_t(q.bytesPerSample) * size_t(q.extraPlanes);
  size_t pixelBytes = colourBytes + extraBytes;
  for (size_t x = size_t(q.width); x-- > 0;) {
    std::memcpy(row + x * pixelBytes + colourBytes, extra + x * extraBytes, extraBytes);
    std::memmove(row + x * pixelBytes, row + x * colourBytes, colourBytes);
  }
}

static void StoreMaskRow(FilterGlobals& globals, const PumpQuantities& q) {
  const auto* mask = static_cast<const uint8_t*>(globals.filterRecord->maskData);
  if (mask == nullptr) return;
  WriteStoreRow(globals.maskStore, 0, q.row, q.width, mask);
  if (globals.maskAllSelected != 0xFF) return;  // one partly selected pixel settles it
  uint8_t all = 0xFF;
  for (int32_t x = 0; x < q.width; ++x) all &= mask[x];
  globals.maskAllSelected = all;
}

static void ReadPumpRow(FilterGlobals& globals, const PumpQuantities& q) {
  if (globals.backingStore == nullptr && !NewRunStores(globals, q)) return;
  FilterRecord& record = *globals.filterRecord;
  if (auto* in = static_cast<uint8_t*>(record.inData); in != nullptr) {
    if (q.extraPlanes > 0) {
      auto* extra = static_cast<uint8_t*>(globals.rowBuffer);
      SplitExtraPlanes(in, extra, q);
      WriteStoreRow(globals.opacityStore, 0, q.row, q.bytesPerSample * q.extraPlanes * q.width, extra);
    }
    WriteStoreRow(globals.backingStore, 0, q.row, q.bytesPerSample * q.colourPlanes * q.width, in);
  }
  if (globals.useMask) StoreMaskRow(globals, q);
  ReportPumpProgress(record, q.row, 6 * q.height);
  if (q.row + 1 < q.height) {
    RequestPumpRow(record, q.row + 1, globals.useMask);
  } else {
    globals.state = Filtering;
    RequestPumpRow(record, 0, globals.useMask);
  }
}

static void WritePumpRow(FilterGlobals& globals, const PumpQuantities& q) {
  FilterRecord& record = *globals.filterRecord;
  if (auto* out = static_cast<uint8_t*>(record.outData); out != nullptr) {
    ReadStoreRow(globals.backingStore, 0, q.row, q.bytesPerSample * q.colourPlanes * q.width, out);
    if (q.extraPlanes > 0) {
      auto* extra = static_cast<uint8_t*>(globals.rowBuffer);
      ReadStoreRow(globals.opacityStore, 0, q.row, q.bytesPerSample * q.extraPlanes * q.width, extra);
      MergeExtraPlanes(out, extra, q);
    }
  }
  ReportPumpProgress(record, 5 * q.height + q.row, 6 * q.height);
  if (q.row + 1 < q.height) {
    RequestPumpRow(record, q.row + 1, false);
  } else {
    globals.state = Done;
    EmptyRect(record.inRect);
    EmptyRect(record.outRect);
  }
}

void HandleContinue(FilterGlobals& globals) {
  PumpQuantities q = GetPumpQuantities(globals);
  globals.result = noErr;
  FilterRecord& record = *globals.filterRecord;
  switch (globals.state) {
    case Idle:
      EmptyRect(record.inRect);
      EmptyRect(record.outRect);
      break;
    case ReadingRows: ReadPumpRow(globals, q); break;
    case Filtering: RunFilterStep(globals); break;
    case WritingRows: WritePumpRow(globals, q); break;
    case Done:
      DisposeRunStores(globals);
      EmptyRect(record.inRect);
      EmptyRect(record.outRect);
      EmptyRect(record.maskRect);
      break;
    default: break;  // an unknown state is left alone
  }
}
