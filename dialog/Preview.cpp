#include "dialog/Preview.h"

#include <algorithm>
#include <cstring>

#include "filter/ConvolveRows.h"
#include "filter/Kernel.h"
#include "contract/Memory.h"
#include "store/ImageStore.h"

namespace {

struct Depth8 {
  using Sample = uint8_t;
  static constexpr Sample kWhite = 255;
  static constexpr double kGainNumerator = 255.5;
  static uint16_t FiveBits(Sample v) { return static_cast<uint16_t>(v >> 3); }
};

struct Depth16 {
  using Sample = uint16_t;
  static constexpr Sample kWhite = 32768;
  static constexpr double kGainNumerator = 32768.0;
  static uint16_t FiveBits(Sample v) { return static_cast<uint16_t>(std::min(v >> 7, 255) >> 3); }
};

// Sizes of one paint.
struct PreviewLayout {
  int32_t width, height;  // of the bitmap
  int32_t planes;
  int32_t rowSamples;     // width * planes
  int32_t rows;           // output rows computed, 0 when the window does not fit
  int32_t sumCount;       // samples computed per output row
  int32_t paddedSums;     // sumCount rounded up to whole blocks
  int32_t windowDoubles;  // doubles per converted window row
  int32_t top, left;      // first source row and column in view
};

// The frame and the view, checked: false when there is nothing to draw or a
// buffer would pass 4 GiB. The computed part is clipped to the bitmap, so
// a view larger than the frame cannot write past it.
bool LayOutPreview(const Rect16& frame, const Rect16& view, int32_t planes, PreviewLayout* layout) {
  const int32_t frameWidth = int32_t{frame.right} - frame.left;
  layout->width = frameWidth + (frameWidth & 1);
  layout->height = int32_t{frame.bottom} - frame.top;
  if (layout->width <= 0 || layout->height <= 0 || planes < 1 || planes > 4) return false;
  if (uint64_t(layout->width) * uint64_t(layout->height) * 2 > UINT32_MAX) return false;
  layout->planes = planes;
  layout->rowSamples = layout->width * planes;
  const int32_t rows = std::min(int32_t{view.bottom} - view.top, layout->height) - 6;
  const int32_t columns = std::min(int32_t{view.right} - view.left, layout->width) - 6;
  layout->rows = rows > 0 && columns > 0 ? rows : 0;
  layout->sumCount = layout->rows > 0 ? columns * planes : 0;
  layout->paddedSums = (layout->sumCount + kRowOuterBlock - 1) / kRowOuterBlock * kRowOuterBlock;
  layout->windowDoubles = std::max(layout->rowSamples, layout->paddedSums + 6 * planes);
  layout->top = view.top;
  layout->left = view.left;
  return true;
}

// The numbers of the working kernel as the passes use them.
struct PreviewNumbers {
  double coefficients[kCoefficientCount];
  double scale;
  double offset;
};

PreviewNumbers TakePreviewNumbers(const ConvolutionKernel& kernel) {
  PreviewNumbers numbers{};
  for (int32_t i = 0; i < kCoefficientCount; ++i) numbers.coefficients[i] = kernel.values[i];
  numbers.scale = kernel.values[kScaleFactorSlot];
  numbers.offset = kernel.values[kOffsetSlot];
  return numbers;
}

// Smallest and largest sum and the gain, held in single precision.
struct AutoscaleRange {
  float smallest = 1e30f;
  float largest = -1e30f;
  float gain = 1.0f;
};

template <class Depth>
void SetAutoscaleGain(AutoscaleRange* range) {
  if (range->largest > range->smallest) {
    range->gain = static_cast<float>(Depth::kGainNumerator / (range->largest - range->smallest));
  }
}

// Working storage of one paint, in one zero-filled block: the seven-row
// window as samples and as doubles (rotated together), the sums of one row
// and the output row.
template <class Depth>
struct PreviewWork {
  using Sample = typename Depth::Sample;
  void* block;
  double* windowValues[7];
  Sample* windowSamples[7];
  double* sums;
  Sample* outputRow;
};

template <class Depth>
bool NewPreviewWork(const PreviewLayout& layout, PreviewWork<Depth>* work) {
  using Sample = typename Depth::Sample;
  const uint64_t doubles = 7 * uint64_t(layout.windowDoubles) + uint64_t(layout.paddedSums);
  const uint64_t samples = 8 * uint64_t(layout.rowSamples);
  const uint64_t bytes = doubles * sizeof(double) + samples * sizeof(Sample);
  if (bytes > UINT32_MAX) return false;
  work->block = NewClearedBlock(static_cast<uint32_t>(bytes));
  if (work->block == nullptr) return false;
  auto* values = static_cast<double*>(work->block);
  auto* sampleArea = reinterpret_cast<Sample*>(values + doubles);
  for (int32_t k = 0; k < 7; ++k) {
    work->windowValues[k] = values + size_t(k) * size_t(layout.windowDoubles);
    work->windowSamples[k] = sampleArea + size_t(k) * size_t(layout.rowSamples);
  }
  work->sums = values + 7 * size_t(layout.windowDoubles);
  work->outputRow = sampleArea + 7 * size_t(layout.rowSamples);
  std::fill(work->outputRow, work->outputRow + layout.rowSamples, Depth::kWhite);
  return true;
}

template <class Depth>
void ReadWindowRow(const PreviewLayout& layout, const ImageStore* store, int32_t row, PreviewWork<Depth>& work,
                   int32_t slot) {
  using Sample = typename Depth::Sample;
  constexpr int32_t kBytes = sizeof(Sample);
  Sample* samples = work.windowSamples[slot];
  ReadStoreRow(store, layout.left * layout.planes * kBytes, row, layout.rowSamples * kBytes, samples);
  double* values = work.windowValues[slot];
  for (int32_t i = 0; i < layout.rowSamples; ++i) values[i] = samples[i];
}

// Buffer 0 becomes buffer 6 for the next read; nothing is copied.
template <class Depth>
void RotateWindow(PreviewWork<Depth>& work) {
  std::rotate(work.windowValues, work.windowValues + 1, work.windowValues + 7);
  std::rotate(work.windowSamples, work.windowSamples + 1, work.windowSamples + 7);
}

// v limited to 0..white (not-a-number gives 0), truncated toward zero;
// written as selections so that the loops using it vectorise.
template <class Depth>
typename Depth::Sample ClampSample(double v) {
  v = v > Depth::kWhite ? double{Depth::kWhite} : v;
  v = v >= 0 ? v : 0.0;
  return static_cast<typename Depth::Sample>(static_cast<int32_t>(v));
}

template <class Depth>
void StorePlainRow(const double* sums, int32_t count, const PreviewNumbers& numbers, typename Depth::Sample* out) {
  for (int32_t q = 0; q < count; ++q) out[q] = ClampSample<Depth>(sums[q] / numbers.scale + numbers.offset);
}

// Clamped although the measured range bounds it: a smallest sum rounded up
// to single precision, or a not-a-number sum, would otherwise leave the
// sample range.
template <class Depth>
void StoreAutoscaledRow(const double* sums, int32_t count, float smallest, float gain, typename Depth::Sample* out) {
  for (int32_t q = 0; q < count; ++q) out[q] = ClampSample<Depth>((sums[q] - smallest) * gain);
}

// Rounding each new extreme to single precision as it is found ends in the
// single-precision value of the extreme of the whole pass, so the extremes
// are tracked in double precision over four independent lanes and rounded
// once. Sums that are not a number are passed over.
void TrackRange(const double* sums, int32_t count, double* lowest, double* highest) {
  constexpr int32_t kLanes = 4;
  double low[kLanes], high[kLanes];
  std::fill(low, low + kLanes, *lowest);
  std::fill(high, high + kLanes, *highest);
  int32_t q = 0;
  for (; q + kLanes <= count; q += kLanes) {
    for (int32_t j = 0; j < kLanes; ++j) {
      low[j] = sums[q + j] < low[j] ? sums[q + j] : low[j];
      high[j] = sums[q + j] > high[j] ? sums[q + j] : high[j];
    }
  }
  for (; q < count; ++q) {
    low[0] = sums[q] < low[0] ? sums[q] : low[0];
    high[0] = sums[q] > high[0] ? sums[q] : high[0];
  }
  for (int32_t j = 0; j < kLanes; ++j) {
    *lowest = low[j] < *lowest ? low[j] : *lowest;
    *highest = high[j] > *highest ? high[j] : *highest;
  }
}

template <class Depth>
void ConvertRow(const typename Depth::Sample* out, const PreviewLayout& layout, uint16_t* pixels) {
  for (int32_t x = 0; x < layout.width; ++x) {
    const typename Depth::Sample* p = out + size_t(x) * size_t(layout.planes);
    uint16_t red = Depth::FiveBits(p[0]), green = red, blue = red;
    if (layout.planes >= 3) {
      green = Depth::FiveBits(p[1]);
      blue = Depth::FiveBits(p[2]);
    }
    pixels[x] = static_cast<uint16_t>(red << 10 | green << 5 | blue);
  }
}

enum class PassKind { plain, measuring, autoscaled };

template <class Depth>
void RunPreviewPass(PassKind kind, const PreviewLayout& layout, const ImageStore* store,
                    const PreviewNumbers& numbers, AutoscaleRange* range, PreviewWork<Depth>& work,
                    uint16_t* pixels) {
  if (layout.rows == 0) return;
  // The engine's sums in the preview's order, on the engine's instruction set.
  const RowOuterSums sumRow = ChooseRowOuterSums();
  for (int32_t k = 0; k < 6; ++k) ReadWindowRow(layout, store, layout.top + k, work, k);
  double lowest = range->smallest, highest = range->largest;
  typename Depth::Sample* out = work.outputRow + 3 * layout.planes;
  for (int32_t i = 0; i < layout.rows; ++i) {
    ReadWindowRow(layout, store, layout.top + 6 + i, work, 6);
    sumRow(work.windowValues, numbers.coefficients, layout.planes, layout.sumCount, work.sums);
    if (kind == PassKind::measuring) {
      TrackRange(work.sums, layout.sumCount, &lowest, &highest);
    } else {
      if (kind == PassKind::plain) {
        StorePlainRow<Depth>(work.sums, layout.sumCount, numbers, out);
      } else {
        StoreAutoscaledRow<Depth>(work.sums, layout.sumCount, range->smallest, range->gain, out);
      }
      const int32_t displayRow = 3 + i;
      ConvertRow<Depth>(work.outputRow, layout, pixels + size_t(layout.height - 1 - displayRow) * size_t(layout.width));
    }
    RotateWindow(work);
  }
  if (kind == PassKind::measuring) {
    range->smallest = static_cast<float>(lowest);
    range->largest = static_cast<float>(highest);
    SetAutoscaleGain<Depth>(range);
  }
}

template <class Depth>
PreviewBitmap ComputePreview(const Rect16& frame, const Rect16& view, const PreviewImage* image,
                             const ConvolutionKernel* kernel) {
  PreviewLayout layout{};
  if (image == nullptr || kernel == nullptr || !LayOutPreview(frame, view, image->colourPlanes, &layout)) return {};
  const size_t pixelCount = size_t(layout.width) * size_t(layout.height);
  auto* pixels = static_cast<uint16_t*>(NewBlock(static_cast<uint32_t>(pixelCount * 2)));
  PreviewWork<Depth> work{};
  if (pixels == nullptr || !NewPreviewWork(layout, &work)) {
    DisposeBlock(pixels);
    return {};
  }
  std::fill(pixels, pixels + pixelCount, kPreviewWhite);
  const PreviewNumbers numbers = TakePreviewNumbers(*kernel);
  AutoscaleRange range;
  if (kernel->values[kAutoscaleSlot] == 0.0f) {
    RunPreviewPass(PassKind::plain, layout, image->store, numbers, &range, work, pixels);
  } else {
    RunPreviewPass(PassKind::measuring, layout, image->store, numbers, &range, work, pixels);
    RunPreviewPass(PassKind::autoscaled, layout, image->store, numbers, &range, work, pixels);
  }
  DisposeBlock(work.block);
  return {layout.width, layout.height, pixels};
}

}  // namespace

PreviewBitmap ComputePreview8(const Rect16& previewRect, const Rect16& visibleRect, const PreviewImage* image,
                              const ConvolutionKernel* kernel) {
  return ComputePreview<Depth8>(previewRect, visibleRect, image, kernel);
}

PreviewBitmap ComputePreview16(const Rect16& previewRect, const Rect16& visibleRect, const PreviewImage* image,
                               const ConvolutionKernel* kernel) {
  return ComputePreview<Depth16>(previewRect, visibleRect, image, kernel);
}
