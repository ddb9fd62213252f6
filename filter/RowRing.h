// The padded source rows around the result rows being computed, held in
// the working form of the run's inner loops, and the output row.
#pragma once

#include <cstdint>

#include "filter/ConvolvePlan.h"

struct ImageStore;

// Working rows start on a 64-byte boundary, so that the inner loops' vectors
// at multiples of eight doubles or sixteen pairs sit within cache lines.
constexpr uintptr_t kRingRowAlignment = 64;

// Up to three rows below a band of the image, read ahead before any band
// writes: they belong to the next band, which overwrites them.
constexpr int32_t kMaxTailRows = 3;

// Before result row y: slots 0..5 hold source rows y - 3 .. y + 2, clamped;
// slot 6 then takes row y + 3, and slot 7 row y + 4 when rows y and y + 1
// are computed together.
constexpr int32_t kRingSlots = 8;

struct RowRing {
  void* slots[kRingSlots];
  // The working rows: one for each slot, then the tail rows read ahead
  // (when the ring has them), which join the slots at the band's end.
  void* rows[kRingSlots + kMaxTailRows];
  void* blocks[kRingSlots + kMaxTailRows];  // the allocations the working rows lie in
  uint8_t* outputRow;  // the result row; each source row passes through it into the ring
  uint8_t* secondOutputRow;  // the result row y + 1 of a pair
};

// 0, or -108 with nothing left allocated. tailRows: 0, or kMaxTailRows for a
// ring that works on a band above another.
int16_t NewRowRing(const ConvolvePlan* plan, RowRing* ring, int32_t tailRows = 0);
void DisposeRowRing(RowRing* ring);

// Reads a source row into a slot, converted and padded: pixels -3..-1 repeat
// the first pixel, pixels width..width + 2 the last.
void FillRingRow(const ConvolvePlan* plan, const ImageStore* store, RowRing* ring, int32_t slot, int32_t row);
// The slots back on their own rows, then rows first - 3 .. first + 2,
// clamped to the image's height rows, into slots 0..5; a slot that repeats
// the row before it is a copy of that slot.
void StartRing(const ConvolvePlan* plan, const ImageStore* store, RowRing* ring, int32_t first, int32_t height);
// Rows end .. end + 2 that the image has into the tail rows.
void ReadRingTail(const ConvolvePlan* plan, const ImageStore* store, RowRing* ring, int32_t end, int32_t height);
// The slot takes tail row k instead of a row read from the store.
void TakeRingTail(RowRing* ring, int32_t slot, int32_t k);
// The slots move down by `rows` (1 or 2), the buffers of the first slots
// going round to the last.
void AdvanceRing(RowRing* ring, int32_t rows);
