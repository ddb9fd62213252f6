// The seven padded source rows around the result row being computed, held in
// the working form of the run's inner loops, and the output row.
#pragma once

#include <cstdint>

#include "filter/ConvolvePlan.h"

struct ImageStore;

// Working rows start on a 64-byte boundary, so that the inner loops' vectors
// at multiples of eight doubles or sixteen pairs sit within cache lines.
constexpr uintptr_t kRingRowAlignment = 64;

struct RowRing {
  void* slots[7];      // slot r holds source row y - 3 + r, clamped
  void* blocks[7];     // the allocations the working rows lie in
  uint8_t* outputRow;  // the result row; each source row passes through it into the ring
};

// 0, or -108 with nothing left allocated.
int16_t NewRowRing(const ConvolvePlan* plan, RowRing* ring);
void DisposeRowRing(RowRing* ring);

// Reads a source row into a slot, converted and padded: pixels -3..-1 repeat
// the first pixel, pixels width..width + 2 the last.
void FillRingRow(const ConvolvePlan* plan, const ImageStore* store, RowRing* ring, int32_t slot, int32_t row);
// Rows 0..2 into slots 3..5, and slot 3 copied into slots 0..2.
void StartRing(const ConvolvePlan* plan, const ImageStore* store, RowRing* ring);
// Slots 0..5 take the buffers of slots 1..6, slot 6 the buffer of slot 0.
void AdvanceRing(RowRing* ring);
