#include "plugin/RowPlanes.h"

#include <cstring>

namespace {

// Sample by sample, with the sample's width known to the compiler; the
// moves are alignment-safe since host rows need not be aligned.
template <size_t kSampleBytes>
void MoveSample(uint8_t* to, const uint8_t* from) {
  uint8_t sample[kSampleBytes];
  std::memcpy(sample, from, kSampleBytes);
  std::memcpy(to, sample, kSampleBytes);
}

// Moves each pixel's extra samples, densely packed, into `extra`, then packs
// the colour samples to the front of the row, pixels in ascending order.
template <size_t kSampleBytes>
void SplitExtraPlanes(uint8_t* row, uint8_t* extra, size_t width, size_t colourPlanes, size_t extraPlanes) {
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
void MergeExtraPlanes(uint8_t* row, const uint8_t* extra, size_t width, size_t colourPlanes,
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

}  // namespace

void SplitRow(uint8_t* row, uint8_t* extra, const PumpQuantities& q) {
  auto width = size_t(q.width), colour = size_t(q.colourPlanes), extraPlanes = size_t(q.extraPlanes);
  if (q.bytesPerSample == 2) SplitExtraPlanes<2>(row, extra, width, colour, extraPlanes);
  else SplitExtraPlanes<1>(row, extra, width, colour, extraPlanes);
}

void MergeRow(uint8_t* row, const uint8_t* extra, const PumpQuantities& q) {
  auto width = size_t(q.width), colour = size_t(q.colourPlanes), extraPlanes = size_t(q.extraPlanes);
  if (q.bytesPerSample == 2) MergeExtraPlanes<2>(row, extra, width, colour, extraPlanes);
  else MergeExtraPlanes<1>(row, extra, width, colour, extraPlanes);
}
