// One paint of the dialog's preview: a 196 x 183 frame over an RGB image,
// 8 and 16 bits, plain and autoscaled.
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

#include "dialog/Preview.h"
#include "filter/Kernel.h"
#include "contract/Memory.h"
#include "store/ImageStore.h"

namespace {

// A store over ordinary memory, filled with random samples.
struct BenchImage {
  std::vector<uint8_t> memory;
  ImageStore store{};
  PreviewImage preview{};

  BenchImage(int16_t width, int16_t height, int16_t planes, int16_t bytes) {
    store.rowBytes = width * planes * bytes;
    store.mapped = 1;
    store.bytesPerPixel = int16_t(planes * bytes);
    store.width = width;
    store.height = height;
    store.size = uint64_t(store.rowBytes) * uint64_t(height) + kStoreHeaderBytes;
    memory.resize(store.size);
    std::mt19937 random(7);
    for (size_t i = kStoreHeaderBytes; i + 1 < memory.size(); i += bytes) {
      uint16_t v = bytes == 2 ? uint16_t(random() % 32769) : uint16_t(random() % 256);
      std::memcpy(&memory[i], &v, size_t(bytes));
    }
    store.view = memory.data();
    preview.width = width;
    preview.height = height;
    preview.colourPlanes = planes;
    preview.store = &store;
  }
};

void PaintPreview(benchmark::State& state, int16_t bytes, bool autoscale) {
  BenchImage image(500, 400, 3, bytes);
  ConvolutionKernel kernel{};
  for (int32_t i = 0; i < kCoefficientCount; ++i) kernel.values[i] = 0.013f * float(i % 7) - 0.021f * float(i % 5);
  kernel.values[kScaleFactorSlot] = 0.9f;
  kernel.values[kOffsetSlot] = 4.0f;
  kernel.values[kAutoscaleSlot] = autoscale ? 1.0f : 0.0f;
  const Rect16 frame{20, 30, 203, 226};
  const Rect16 view{100, 150, 283, 346};
  for (auto _ : state) {
    PreviewBitmap bitmap = bytes == 2 ? ComputePreview16(frame, view, &image.preview, &kernel)
                                      : ComputePreview8(frame, view, &image.preview, &kernel);
    benchmark::DoNotOptimize(bitmap.pixels);
    DisposeBlock(bitmap.pixels);
  }
}

void BM_Preview8Plain(benchmark::State& state) { PaintPreview(state, 1, false); }
void BM_Preview8Autoscale(benchmark::State& state) { PaintPreview(state, 1, true); }
void BM_Preview16Plain(benchmark::State& state) { PaintPreview(state, 2, false); }
void BM_Preview16Autoscale(benchmark::State& state) { PaintPreview(state, 2, true); }

BENCHMARK(BM_Preview8Plain)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Preview8Autoscale)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Preview16Plain)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Preview16Autoscale)->Unit(benchmark::kMicrosecond);

}  // namespace
