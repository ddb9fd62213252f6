// Runs the engine's passes on a backing store made from a test image, with
// an engine job whose host callbacks record progress and answer the abort
// test.
#pragma once

#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "filter/ConvolvePasses.h"
#include "filter/Kernel.h"
#include "host/contract/PluginApi.h"
#include "store/ImageStore.h"
#include "tests/ConvolveReference.h"

struct HostCalls {
  std::vector<std::pair<int32_t, int32_t>> progress;
  int32_t abortCalls = 0;
  std::function<bool(int32_t call)> abortWhen;  // asked with the 1-based call number
};

inline HostCalls* currentHostCalls = nullptr;

inline void TK_CDECL RecordProgress(int32_t done, int32_t total) {
  currentHostCalls->progress.emplace_back(done, total);
}

inline Boolean TK_CDECL AnswerAbort() {
  ++currentHostCalls->abortCalls;
  return currentHostCalls->abortWhen && currentHostCalls->abortWhen(currentHostCalls->abortCalls) ? 1 : 0;
}

// An engine job of the image's size whose callbacks reach `calls`.
struct TestJob {
  EngineJob job{};

  explicit TestJob(const TestImage& image)
      : job{int16_t(image.width), int16_t(image.height), int16_t(image.planes), RecordProgress, AnswerAbort} {}
};

inline ImageStore* NewStoreWith(const TestImage& image) {
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

inline std::vector<uint16_t> ReadStoreSamples(const ImageStore* store, const TestImage& image) {
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

struct EngineResult {
  int16_t result = 0;
  std::vector<uint16_t> samples;
};

// The passes of one run on a store holding the image; kernel: 53 floats.
inline EngineResult RunEnginePasses(const TestImage& image, const float* kernelValues, HostCalls& calls) {
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

inline EngineResult RunEnginePasses(const TestImage& image, const float* kernelValues) {
  HostCalls calls;
  return RunEnginePasses(image, kernelValues, calls);
}

// "" when equal, else where and how the first sample differs.
inline std::string FirstDifference(const TestImage& image, const std::vector<uint16_t>& got,
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
