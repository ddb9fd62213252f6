#include "filter/RowRing.h"

#include <algorithm>
#include <cstring>

#include "contract/Memory.h"
#include "contract/ResultCodes.h"
#include "store/ImageStore.h"

namespace {

int32_t BytesPerSample(const ConvolvePlan* plan) { return plan->sixteenBit ? 2 : 1; }

// Doubles, or a pair of 16-bit integers, per padded sample.
uint32_t WorkingSampleBytes(const ConvolvePlan* plan) { return plan->integerPath ? 4 : 8; }

uint32_t WorkingRowBytes(const ConvolvePlan* plan) {
  return (uint32_t(plan->width + 20) * uint32_t(plan->planes) + kRowSlackSamples) * WorkingSampleBytes(plan);
}

inline int16_t Biased(uint8_t sample) { return int16_t(sample); }
inline int16_t Biased(uint16_t sample) { return int16_t(int32_t(sample) - 32768); }

template <class Sample>
void ConvertToDoubles(const ConvolvePlan* plan, const Sample* source, double* row) {
  const int32_t planes = plan->planes;
  const int32_t lead = 3 * planes;
  for (int32_t m = 0; m < plan->rowSamples; ++m) row[lead + m] = double(source[m]);
  const int32_t last = (plan->width + 2) * planes;
  for (int32_t pad = 0; pad < lead; ++pad) {
    row[pad] = row[lead + pad % planes];
    row[last + planes + pad] = row[last + pad % planes];
  }
}

// Pair m holds padded samples m and m + planes; indices beyond the padded
// row repeat the last pixel.
template <class Sample>
void ConvertToPairs(const ConvolvePlan* plan, const Sample* source, int16_t* pairs) {
  const int32_t planes = plan->planes;
  const int32_t width = plan->width;
  const int32_t lead = 3 * planes;
  const int32_t interiorEnd = (width + 2) * planes;
  for (int32_t m = lead; m < interiorEnd; ++m) {
    pairs[2 * m] = Biased(source[m - lead]);
    pairs[2 * m + 1] = Biased(source[m - lead + planes]);
  }
  auto padded = [&](int32_t m) {
    int32_t pixel = m / planes - 3;
    pixel = pixel < 0 ? 0 : (pixel >= width ? width - 1 : pixel);
    return Biased(source[pixel * planes + m % planes]);
  };
  auto fillEdge = [&](int32_t from, int32_t to) {
    for (int32_t m = from; m < to; ++m) {
      pairs[2 * m] = padded(m);
      pairs[2 * m + 1] = padded(m + planes);
    }
  };
  fillEdge(0, lead);
  fillEdge(interiorEnd, plan->paddedSamples);
}

}  // namespace

int16_t NewRowRing(const ConvolvePlan* plan, RowRing* ring, int32_t tailRows) {
  *ring = RowRing{};
  const uint32_t rowBytes = WorkingRowBytes(plan) + uint32_t(kRingRowAlignment - 1);
  for (int32_t block = 0; block < kRingSlots + tailRows; ++block) {
    ring->blocks[block] = NewClearedBlock(rowBytes);
    if (ring->blocks[block] == nullptr) {
      DisposeRowRing(ring);
      return memFullErr;
    }
    const uintptr_t address = reinterpret_cast<uintptr_t>(ring->blocks[block]);
    ring->rows[block] = reinterpret_cast<void*>((address + kRingRowAlignment - 1) & ~(kRingRowAlignment - 1));
  }
  std::copy(ring->rows, ring->rows + kRingSlots, ring->slots);
  const uint32_t outputBytes = uint32_t(plan->width + 20) * uint32_t(plan->planes) * BytesPerSample(plan);
  ring->outputRow = static_cast<uint8_t*>(NewClearedBlock(outputBytes));
  ring->secondOutputRow = static_cast<uint8_t*>(NewClearedBlock(outputBytes));
  if (ring->outputRow == nullptr || ring->secondOutputRow == nullptr) {
    DisposeRowRing(ring);
    return memFullErr;
  }
  return noErr;
}

void DisposeRowRing(RowRing* ring) {
  for (void* block : ring->blocks) DisposeBlock(block);
  DisposeBlock(ring->outputRow);
  DisposeBlock(ring->secondOutputRow);
  *ring = RowRing{};
}

// The store row passes through the output row into its working form.
static void ReadWorkingRow(const ConvolvePlan* plan, const ImageStore* store, RowRing* ring, void* target, int32_t row) {
  ReadStoreRow(store, 0, row, plan->rowSamples * BytesPerSample(plan), ring->outputRow);
  if (plan->integerPath) {
    if (plan->sixteenBit) {
      ConvertToPairs(plan, reinterpret_cast<const uint16_t*>(ring->outputRow), static_cast<int16_t*>(target));
    } else {
      ConvertToPairs(plan, ring->outputRow, static_cast<int16_t*>(target));
    }
  } else if (plan->sixteenBit) {
    ConvertToDoubles(plan, reinterpret_cast<const uint16_t*>(ring->outputRow), static_cast<double*>(target));
  } else {
    ConvertToDoubles(plan, ring->outputRow, static_cast<double*>(target));
  }
}

void FillRingRow(const ConvolvePlan* plan, const ImageStore* store, RowRing* ring, int32_t slot, int32_t row) {
  ReadWorkingRow(plan, store, ring, ring->slots[slot], row);
}

static int32_t ClampedRow(int32_t row, int32_t height) { return row < 0 ? 0 : (row >= height ? height - 1 : row); }

void StartRing(const ConvolvePlan* plan, const ImageStore* store, RowRing* ring, int32_t first, int32_t height) {
  std::copy(ring->rows, ring->rows + kRingSlots, ring->slots);
  const size_t bytes = size_t(plan->paddedSamples) * WorkingSampleBytes(plan);
  for (int32_t slot = 0; slot < 6; ++slot) {
    const int32_t row = ClampedRow(first - 3 + slot, height);
    if (slot > 0 && row == ClampedRow(first - 4 + slot, height)) {
      std::memcpy(ring->slots[slot], ring->slots[slot - 1], bytes);
    } else {
      FillRingRow(plan, store, ring, slot, row);
    }
  }
}

void ReadRingTail(const ConvolvePlan* plan, const ImageStore* store, RowRing* ring, int32_t end, int32_t height) {
  for (int32_t row = end; row < end + kMaxTailRows && row < height; ++row)
    ReadWorkingRow(plan, store, ring, ring->rows[kRingSlots + row - end], row);
}

void TakeRingTail(RowRing* ring, int32_t slot, int32_t k) { ring->slots[slot] = ring->rows[kRingSlots + k]; }

void AdvanceRing(RowRing* ring, int32_t rows) {
  std::rotate(ring->slots, ring->slots + rows, ring->slots + kRingSlots);
}
