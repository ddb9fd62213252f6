// The engine against the literal reference, bit for bit: random kernels,
// sizes, scales, offsets and images, both depths, on every instruction set
// this machine has, with and without the exact integer sums, on one thread
// and on several.
#include <gtest/gtest.h>

#include <cmath>
#include <algorithm>
#include <random>
#include <utility>
#include <vector>
#include <string>

#include "filter/ConvolvePasses.h"
#include "filter/ConvolvePlan.h"
#include "filter/Kernel.h"
#include "tests/support/ConvolveReference.h"
#include "tests/support/EngineHarness.h"

namespace {

#ifdef _WIN32
constexpr int32_t kRandomCases = 12;  // under Wine: the same comparison on a smaller set
#else
constexpr int32_t kRandomCases = 60;
#endif

enum class KernelKind { floats, smallIntegers, dyadic, gaussian, wideIntegers, huge, count };

struct RandomCase {
  TestImage image;
  float kernel[kKernelFloats] = {};
  std::string description;
};

float RandomCoefficient(KernelKind kind, std::mt19937& random) {
  std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
  switch (kind) {
    case KernelKind::floats:
      return std::ldexp(unit(random), int(random() % 13) - 8);
    case KernelKind::smallIntegers:
      return float(int(random() % 41) - 20);
    case KernelKind::dyadic:
      return std::ldexp(float(int(random() % 601) - 300), -int(random() % 11));
    case KernelKind::wideIntegers:
      return float(int(random() % 65535) - 32767);
    case KernelKind::huge:
      return std::ldexp(unit(random), 100 + int(random() % 27));
    default:
      return 0.0f;
  }
}

void FillKernel(KernelKind kind, std::mt19937& random, float* kernel) {
  if (kind == KernelKind::gaussian) {
    const double sigma = 0.5 + (random() % 1000) / 400.0;
    double total = 0.0;
    for (int32_t i = 0; i < kCoefficientCount; ++i) total += std::exp(-((i / 7 - 3) * (i / 7 - 3) + (i % 7 - 3) * (i % 7 - 3)) / (2 * sigma * sigma));
    for (int32_t i = 0; i < kCoefficientCount; ++i) {
      kernel[i] = float(std::exp(-((i / 7 - 3) * (i / 7 - 3) + (i % 7 - 3) * (i % 7 - 3)) / (2 * sigma * sigma)) / total);
    }
    return;
  }
  const uint32_t zeroShare = random() % 4;  // quarters of the taps left at 0
  for (int32_t i = 0; i < kCoefficientCount; ++i) {
    kernel[i] = random() % 4 < zeroShare ? 0.0f : RandomCoefficient(kind, random);
  }
}

// Half the scales bring the sums near the sample range, so that few results clamp.
float RandomScale(std::mt19937& random, const float* kernel, bool sixteenBit) {
  double magnitude = 0.0;
  for (int32_t i = 0; i < kCoefficientCount; ++i) magnitude += std::fabs(double(kernel[i]));
  if (random() % 2 && magnitude > 0 && std::isfinite(magnitude)) {
    return float(magnitude * (sixteenBit ? 2.0 : 1.0) * (0.3 + (random() % 100) / 50.0));
  }
  switch (random() % 6) {
    case 0: return 1.0f;
    case 1: return std::ldexp(1.0f, int(random() % 17) - 8);
    case 2: return float(1 + random() % 200);
    case 3: return -float(1 + random() % 50);
    case 4: return std::ldexp(float(random() % 100000) + 1.0f, -int(random() % 20));
    default: return float(random() % 7000) / 7.0f + 0.01f;
  }
}

void FillImage(TestImage& image, std::mt19937& random) {
  const uint32_t range = image.sixteenBit ? (random() % 2 ? 65536 : 32769) : 256;
  const uint32_t style = random() % 4;
  uint16_t patches[4][8][3];  // flat patches: where rounding differences cross whole numbers
  for (auto& band : patches) {
    for (auto& patch : band) {
      for (uint16_t& value : patch) value = uint16_t(random() % range);
    }
  }
  for (size_t i = 0; i < image.samples.size(); ++i) {
    const size_t pixel = i / image.planes;
    const size_t x = pixel % image.width;
    const size_t y = pixel / image.width;
    if (style == 0) image.samples[i] = uint16_t(random() % range);
    if (style == 1) image.samples[i] = uint16_t(random() % 2 ? range - 1 : 0);  // extremes only
    if (style == 2) image.samples[i] = uint16_t((x * 37 + y * 11 + (random() % 9)) % range);
    if (style == 3) image.samples[i] = patches[(y / 9) % 4][(x / 13) % 8][i % image.planes];
  }
}

RandomCase MakeRandomCase(uint32_t seed, bool sixteenBit) {
  std::mt19937 random(seed);
  RandomCase c;
  const int32_t width = 15 + int32_t(random() % 286);
  const int32_t height = 15 + int32_t(random() % 16);
  const int32_t planes = random() % 2 ? 3 : 1;
  c.image = MakeTestImage(width, height, planes, sixteenBit);
  FillImage(c.image, random);
  const auto kind = KernelKind(random() % uint32_t(KernelKind::count));
  FillKernel(kind, random, c.kernel);
  c.kernel[kScaleFactorSlot] = RandomScale(random, c.kernel, sixteenBit);
  c.kernel[kOffsetSlot] = float(int(random() % 20001) - 10000) / 100.0f;
  c.kernel[kAutoscaleSlot] = random() % 3 == 0 ? 1.0f : 0.0f;
  c.kernel[kSixteenBitSlot] = sixteenBit ? 1.0f : 0.0f;
  c.description = "seed " + std::to_string(seed) + ", " + std::to_string(width) + " x " + std::to_string(height) +
                  " x " + std::to_string(planes) + ", kernel kind " + std::to_string(int(kind)) +
                  (c.kernel[kAutoscaleSlot] != 0 ? ", autoscale" : ", plain");
  return c;
}

struct PathChoice {
  ConvolveIsa isa;
  bool integerAllowed;
};

// Every instruction set, with the integer path allowed and without it.
std::vector<PathChoice> EveryPath() {
  std::vector<PathChoice> paths;
  for (int32_t isa = 0; isa < kConvolveIsaCount; ++isa) {
    for (bool integerAllowed : {true, false}) paths.push_back({ConvolveIsa(isa), integerAllowed});
  }
  return paths;
}

std::string PathLabel(const PathChoice& choice) {
  return std::string(kConvolveIsaNames[int(choice.isa)]) + (choice.integerAllowed ? "" : "DoublesOnly");
}

std::string PathName(const testing::TestParamInfo<PathChoice>& info) { return PathLabel(info.param); }

// The test listing prints the choice by name instead of its bytes, padding included.
void PrintTo(const PathChoice& choice, std::ostream* out) { *out << PathLabel(choice); }

class ConvolveMatchTest : public testing::TestWithParam<PathChoice> {
 protected:
  void SetUp() override {
    if (!ForceConvolveIsa(GetParam().isa)) GTEST_SKIP() << "this machine lacks the instruction set";
    AllowIntegerPath(GetParam().integerAllowed);
  }
  void TearDown() override {
    ResetConvolveChoices();
    SetConvolveWorkers(0);
  }

  void ExpectMatchesReference(const TestImage& image, const float* kernel, const std::string& what) {
    const EngineResult engine = RunEnginePasses(image, kernel);
    ASSERT_EQ(engine.result, 0) << what;
    EXPECT_EQ(FirstDifference(image, engine.samples, ReferenceConvolve(image, kernel)), "") << what;
  }
};

TEST_P(ConvolveMatchTest, RandomEightBitCasesMatchTheReference) {
  for (int32_t i = 0; i < kRandomCases; ++i) {
    const RandomCase c = MakeRandomCase(1000 + i, false);
    ExpectMatchesReference(c.image, c.kernel, c.description);
  }
}

TEST_P(ConvolveMatchTest, RandomSixteenBitCasesMatchTheReference) {
  for (int32_t i = 0; i < kRandomCases; ++i) {
    const RandomCase c = MakeRandomCase(5000 + i, true);
    ExpectMatchesReference(c.image, c.kernel, c.description);
  }
}

// Bands as short as one row, and bands shorter than the three rows a band
// reads beyond each of its edges.
TEST_P(ConvolveMatchTest, RandomCasesOnSeveralWorkersMatchTheReference) {
  std::mt19937 random(17);
  for (int32_t i = 0; i < kRandomCases; ++i) {
    const bool sixteenBit = i % 2 == 1;
    RandomCase c = MakeRandomCase(9000 + i, sixteenBit);
    if (i % 4 == 0) {  // taller, so that every worker has rows of its own
      c.image = MakeTestImage(c.image.width, 15 + int32_t(random() % 200), c.image.planes, sixteenBit);
      FillImage(c.image, random);
    }
    const int32_t workers = 2 + int32_t(random() % 15);
    SetConvolveWorkers(workers);
    ExpectMatchesReference(c.image, c.kernel, c.description + ", " + std::to_string(workers) + " workers");
  }
}

struct LimitKernel {
  const char* name;
  bool sixteenBit;
  bool integerPath;  // expected choice when the integer path is allowed
  std::vector<std::pair<int32_t, float>> taps;
};

// At and just beyond the largest kernels the 32-bit integer sums can hold.
std::vector<LimitKernel> LimitKernels() {
  std::vector<std::pair<int32_t, float>> full8;
  for (int32_t k = 0; k < kCoefficientCount; ++k) full8.emplace_back(k, k % 3 == 0 ? -32767.0f : 32767.0f);
  std::vector<std::pair<int32_t, float>> beyond8 = full8;
  for (int32_t k = 0; k < kCoefficientCount; ++k) full8[k].second *= 0.5f;  // halves: the unit is 1/2
  std::vector<std::pair<int32_t, float>> wide16;
  for (int32_t k = 0; k < kCoefficientCount; ++k) wide16.emplace_back(k, k % 2 ? 2001.0f : -2001.0f);
  return {
      {"8-bit, 49 taps of 16383.5", false, true, full8},
      {"8-bit, 49 taps of 32767", false, true, beyond8},
      {"8-bit, a tap of 32768", false, false, {{0, 32768.0f}, {24, -1.0f}}},
      {"8-bit, a tap of 40000", false, false, {{0, 40000.0f}, {30, 3.0f}}},
      {"8-bit, taps 2^16 apart", false, false, {{0, 65536.0f}, {30, 1.0f}}},
      {"16-bit, total 65535", true, true, {{0, 32767.0f}, {24, -32767.0f}, {48, 1.0f}}},
      {"16-bit, total 65536", true, false, {{0, 32767.0f}, {24, -32767.0f}, {48, 2.0f}}},
      {"16-bit, 49 taps of 2001", true, false, wide16},
  };
}

// An overflow, a lost bias or a wrapped 16-bit coefficient shows on images of
// extreme samples.
TEST_P(ConvolveMatchTest, KernelsAtTheLimitsOfTheIntegerSums) {
  for (const LimitKernel& limit : LimitKernels()) {
    float kernel[kKernelFloats] = {};
    for (const auto& [index, value] : limit.taps) kernel[index] = value;
    kernel[kScaleFactorSlot] = 977.0f;
    ConvolutionKernel record{};
    std::copy(kernel, kernel + kKernelFloats, record.values);
    ConvolvePlan plan;
    MakeConvolvePlan(&record, 40, 3, limit.sixteenBit, &plan);
    EXPECT_EQ(plan.integerPath != 0, limit.integerPath && GetParam().integerAllowed) << limit.name;
    for (int32_t planes : {1, 3}) {
      TestImage image = MakeTestImage(40, 17, planes, limit.sixteenBit);
      for (size_t i = 0; i < image.samples.size(); ++i) {
        image.samples[i] = uint16_t((i * 7919 / planes) % 3 == 0 ? 0 : (limit.sixteenBit ? 65535 : 255));
      }
      for (float autoscale : {0.0f, 1.0f}) {
        kernel[kAutoscaleSlot] = autoscale;
        ExpectMatchesReference(image, kernel, std::string(limit.name) + ", planes " + std::to_string(planes) +
                                                  (autoscale != 0 ? ", autoscale" : ", plain"));
      }
    }
  }
}

TEST_P(ConvolveMatchTest, NonFiniteSumsAndZeroScaleMatchTheReference) {
  TestImage image = MakeTestImage(23, 19, 3, false);
  std::mt19937 random(7);
  FillImage(image, random);
  float kernel[kKernelFloats] = {};
  for (int32_t k = 0; k < kCoefficientCount; ++k) kernel[k] = float(k % 5) - 2.0f;
  kernel[kScaleFactorSlot] = 0.0f;
  ExpectMatchesReference(image, kernel, "zero scale");
  kernel[3] = INFINITY;
  kernel[kScaleFactorSlot] = 1.0f;
  ExpectMatchesReference(image, kernel, "an infinite coefficient");
  kernel[kAutoscaleSlot] = 1.0f;
  ExpectMatchesReference(image, kernel, "an infinite coefficient, autoscale");
  kernel[3] = NAN;
  ExpectMatchesReference(image, kernel, "a NaN coefficient, autoscale");
}

INSTANTIATE_TEST_SUITE_P(Paths, ConvolveMatchTest, testing::ValuesIn(EveryPath()), PathName);

}  // namespace
