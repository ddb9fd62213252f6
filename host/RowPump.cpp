#include "host/RowPump.h"

#include <cstring>

#include "host/FilterRun.h"
#include "host/contract/ResultCodes.h"
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

// Disposes the stores that exist; the references become null.
static void DisposeRunStores(FilterGlobals& globals) {
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

static void ReportPumpProgress(const FilterRecord& record, int32_t done, int32_t total) {
  if (record.progressProc != nullptr) record.progressProc(done, total);
}

bool IsPumpable(const PumpQuantities& q) {
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
  EndRun(globals, globals.result);
  return false;
}

// Sample by sample, with the sample's width known to the compiler; the
// moves are alignment-safe since host rows need not be aligned.
template <size_t kSampleBytes>
static void MoveSample(uint8_t* to, const uint8_t* from) {
  uint8_t sample[kSampleBytes];
  std::memcpy(sample, from, kSampleBytes);
  std::memcpy(to, sample, kSampleBytes);
}

// Moves each pixel's extra samples, densely packed, into `extra`, then packs
// the colour samples to the front of the row, pixels in ascending order.
template <size_t kSampleBytes>
static void SplitExtraPlanes(uint8_t* row, uint8_t* extra, size_t width, size_t colourPlanes, size_t extraPlanes) {
  size_t planes = colourPlanes + extraPlanes;
  for (size_t x = 0; x < width; ++x)
    for (size_t p = 0; p < extraPlanes; ++p)
      MoveSample<kSampleBytes>(extra + (x * extraPlanes + p) * kSampleBytes,
                               row + (x * planes + colourPlanes + p) * kSampleBytes);
  for (size_t x = 0; x < width; ++x)
    for (size_t p = 0; p < colourPlanes; ++p)
      MoveSample<kSampleBytes>(row + (x * colourPlanes + p) * kSampleBytes, row + (x * planes + p) * kSampleBytes);
}

// The reverse, from the last pixel and its highest sample down, so that no
// sample is overwritten before it has moved: a destination never lies
// below its source.
template <size_t kSampleBytes>
static void MergeExtraPlanes(uint8_t* row, const uint8_t* extra, size_t width, size_t colourPlanes,
                             size_t extraPlanes) {
  size_t planes = colourPlanes + extraPlanes;
  for (size_t x = width; x-- > 0;) {
    for (size_t p = 0; p < extraPlanes; ++p)
      MoveSample<kSampleBytes>(row + (x * planes + colourPlanes + p) * kSampleBytes,
                               extra + (x * extraPlanes + p) * kSampleBytes);
    for (size_t p = colourPlanes; p-- > 0;)
      MoveSample<kSampleBytes>(row + (x * planes + p) * kSampleBytes, row + (x * colourPlanes + p) * kSampleBytes);
  }
}

static void SplitRow(uint8_t* row, uint8_t* extra, const PumpQuantities& q) {
  auto width = size_t(q.width), colour = size_t(q.colourPlanes), extraPlanes = size_t(q.extraPlanes);
  if (q.bytesPerSample == 2) SplitExtraPlanes<2>(row, extra, width, colour, extraPlanes);
  else SplitExtraPlanes<1>(row, extra, width, colour, extraPlanes);
}

static void MergeRow(uint8_t* row, const uint8_t* extra, const PumpQuantities& q) {
  auto width = size_t(q.width), colour = size_t(q.colourPlanes), extraPlanes = size_t(q.extraPlanes);
  if (q.bytesPerSample == 2) MergeExtraPlanes<2>(row, extra, width, colour, extraPlanes);
  else MergeExtraPlanes<1>(row, extra, width, colour, extraPlanes);
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

// A host row shorter than the pump would copy ends the run instead of being
// read or written past its end.
static bool HostRowsTooShort(FilterGlobals& globals, const PumpQuantities& q, bool reading) {
  const FilterRecord& record = *globals.filterRecord;
  int64_t rowLength = int64_t{q.bytesPerSample} * q.planes * q.width;
  bool tooShort = reading ? record.inData != nullptr && record.inRowBytes < rowLength
                          : record.outData != nullptr && record.outRowBytes < rowLength;
  if (reading && globals.useMask) tooShort = tooShort || (record.maskData != nullptr && record.maskRowBytes < q.width);
  if (!tooShort) return false;
  EndRun(globals, filterBadParameters);
  return true;
}

static void ReadPumpRow(FilterGlobals& globals, const PumpQuantities& q) {
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
    globals.state = Filtering;
    RequestPumpRow(record, 0, globals.useMask);
  }
}

static void WritePumpRow(FilterGlobals& globals, const PumpQuantities& q) {
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
    globals.state = Done;
    EmptyRect(record.inRect);
    EmptyRect(record.outRect);
  }
}

// The row buffer and the stores were sized from the record at start.
static bool RecordMatchesRun(const FilterGlobals& globals) {
  const FilterRecord& record = *globals.filterRecord;
  const Rect16& rect = record.filterRect;
  const Rect16& run = globals.runRect;
  return rect.top == run.top && rect.left == run.left && rect.bottom == run.bottom && rect.right == run.right &&
         record.planes == globals.runPlanes && record.imageMode == globals.runImageMode;
}

void HandleContinue(FilterGlobals& globals) {
  globals.result = noErr;
  FilterRecord& record = *globals.filterRecord;
  bool running = globals.state == ReadingRows || globals.state == Filtering || globals.state == WritingRows;
  if (running && !RecordMatchesRun(globals)) {
    EndRun(globals, filterBadParameters);
    return;
  }
  PumpQuantities q = GetPumpQuantities(globals);
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
