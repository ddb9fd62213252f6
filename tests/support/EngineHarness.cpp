#include "tests/support/EngineHarness.h"

HostCalls* currentHostCalls = nullptr;

void TK_CDECL RecordProgress(int32_t done, int32_t total) {
  currentHostCalls->progress.emplace_back(done, total);
}

Boolean TK_CDECL AnswerAbort() {
  ++currentHostCalls->abortCalls;
  return currentHostCalls->abortWhen && currentHostCalls->abortWhen(currentHostCalls->abortCalls) ? 1 : 0;
}

ImageStore* NewStoreWith(const TestImage& image) {
  ImageStore* store = nullptr;
  const int16_t bytesPerPixel = int16_t(image.planes * (image.sixteenBit ? 2 : 1));
  if (NewBackingStore(int16_t(image.width), int16_t(image.height), bytesPerPixel, &store) != 0) return store;
  std::vector<uint8_t> row(size_t(store->rowBytes));
  const size_t rowSamples = size_t(image.width) * image.planes;
  for (int32_t y = 0; y < image.height; ++y) {
    for (size_t i = 0; i < rowSamples; ++i) {
      const uint16_t sample = image.samples[y * rowSamples + i];
      if (image.sixteenBit) {
        row[2 * i] = uint8_t(sample);
        row[2 * i + 1] = uint8_t(sample >> 8);
      } else {
        row[i] = uint8_t(sample);
      }
    }
    WriteStoreRow(store, 0, y, store->rowBytes, row.data());
  }
  return store;
}

std::vector<uint16_t> ReadStoreSamples(const ImageStore* store, const TestImage& image) {
  std::vector<uint16_t> samples(image.samples.size());
  std::vector<uint8_t> row(size_t(store->rowBytes));
  const size_t rowSamples = size_t(image.width) * image.planes;
  for (int32_t y = 0; y < image.height; ++y) {
    ReadStoreRow(store, 0, y, store->rowBytes, row.data());
    for (size_t i = 0; i < rowSamples; ++i) {
      samples[y * rowSamples + i] = image.sixteenBit ? uint16_t(row[2 * i] | (row[2 * i + 1] << 8)) : row[i];
    }
  }
  return samples;
}

EngineResult RunEnginePasses(const TestImage& image, const float* kernelValues, HostCalls& calls) {
  EngineResult out;
  ConvolutionKernel kernel{};
  std::memcpy(kernel.values, kernelValues, sizeof kernel.values);
  TestJob test(image);
  ImageStore* store = NewStoreWith(image);
  currentHostCalls = &calls;
  out.result = ConvolveStore(store, &test.job, &kernel, image.sixteenBit);
  currentHostCalls = nullptr;
  out.samples = ReadStoreSamples(store, image);
  DisposeBackingStore(store);
  return out;
}

EngineResult RunEnginePasses(const TestImage& image, const float* kernelValues) {
  HostCalls calls;
  return RunEnginePasses(image, kernelValues, calls);
}

std::string FirstDifference(const TestImage& image, const std::vector<uint16_t>& got,
                            const std::vector<uint16_t>& want) {
  for (size_t i = 0; i < want.size(); ++i) {
    if (got[i] == want[i]) continue;
    const size_t pixel = i / image.planes;
    return "sample (" + std::to_string(pixel % image.width) + ", " + std::to_string(pixel / image.width) +
           ", plane " + std::to_string(i % image.planes) + "): " + std::to_string(got[i]) + " instead of " +
           std::to_string(want[i]);
  }
  return got.size() == want.size() ? "" : "sizes differ";
}
