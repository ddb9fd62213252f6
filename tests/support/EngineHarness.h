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
#include "contract/PluginApi.h"
#include "store/ImageStore.h"
#include "tests/support/ConvolveReference.h"

struct HostCalls {
  std::vector<std::pair<int32_t, int32_t>> progress;
  int32_t abortCalls = 0;
  std::function<bool(int32_t call)> abortWhen;  // asked with the 1-based call number
};

extern HostCalls* currentHostCalls;

void TK_CDECL RecordProgress(int32_t done, int32_t total);

Boolean TK_CDECL AnswerAbort();

// An engine job of the image's size whose callbacks reach `calls`.
struct TestJob {
  EngineJob job{};

  explicit TestJob(const TestImage& image)
      : job{int16_t(image.width), int16_t(image.height), int16_t(image.planes), RecordProgress, AnswerAbort} {}
};

ImageStore* NewStoreWith(const TestImage& image);

std::vector<uint16_t> ReadStoreSamples(const ImageStore* store, const TestImage& image);

struct EngineResult {
  int16_t result = 0;
  std::vector<uint16_t> samples;
};

// The passes of one run on a store holding the image; kernel: 53 floats.
EngineResult RunEnginePasses(const TestImage& image, const float* kernelValues, HostCalls& calls);

EngineResult RunEnginePasses(const TestImage& image, const float* kernelValues);

// "" when equal, else where and how the first sample differs.
std::string FirstDifference(const TestImage& image, const std::vector<uint16_t>& got,
                            const std::vector<uint16_t>& want);
