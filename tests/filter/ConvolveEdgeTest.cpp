// The engine's passes on the cases whose results are known by hand: edges,
// offsets and clamps, autoscale, progress, abort, allocation failures, a zero
// scale factor and a host's own floating-point settings.
#include <gtest/gtest.h>

#include <xmmintrin.h>

#include <cmath>
#include <random>

#include "filter/Kernel.h"
#include "contract/ResultCodes.h"
#include "platform/Platform.h"
#include "tests/support/ConvolveReference.h"
#include "tests/support/EngineHarness.h"

namespace {

struct KernelValues {
  float values[kKernelFloats] = {};
};

KernelValues SingleTap(int32_t index, float coefficient, float scale = 1.0f, float offset = 0.0f) {
  KernelValues kernel;
  kernel.values[index] = coefficient;
  kernel.values[kScaleFactorSlot] = scale;
  kernel.values[kOffsetSlot] = offset;
  return kernel;
}

KernelValues Autoscaled(KernelValues kernel) {
  kernel.values[kAutoscaleSlot] = 1.0f;
  return kernel;
}

TestImage RandomImage(int32_t width, int32_t height, int32_t planes, bool sixteenBit, uint32_t top, uint32_t seed) {
  TestImage image = MakeTestImage(width, height, planes, sixteenBit);
  std::mt19937 random(seed);
  for (uint16_t& sample : image.samples) sample = uint16_t(random() % (top + 1));
  return image;
}

TestImage FlatImage(int32_t width, int32_t height, int32_t planes, bool sixteenBit, std::vector<uint16_t> pixel) {
  TestImage image = MakeTestImage(width, height, planes, sixteenBit);
  for (size_t i = 0; i < image.samples.size(); ++i) image.samples[i] = pixel[i % planes];
  return image;
}

// Every sample of the result of a flat single-sample image.
uint16_t FlatResult(uint16_t sample, const KernelValues& kernel, bool sixteenBit) {
  const EngineResult engine = RunEnginePasses(FlatImage(16, 15, 1, sixteenBit, {sample}), kernel.values);
  EXPECT_EQ(engine.result, 0);
  for (uint16_t value : engine.samples) EXPECT_EQ(value, engine.samples[0]);
  return engine.samples[0];
}

TEST(ConvolveEdgeTest, IdentityKernelLeavesEverySampleUnchanged) {
  for (bool sixteenBit : {false, true}) {
    for (int32_t planes : {1, 3}) {
      const TestImage image = RandomImage(21, 17, planes, sixteenBit, sixteenBit ? 32768 : 255, 3);
      const EngineResult engine = RunEnginePasses(image, SingleTap(24, 1.0f).values);
      EXPECT_EQ(engine.result, 0);
      EXPECT_EQ(FirstDifference(image, engine.samples, image.samples), "") << sixteenBit << " " << planes;
    }
  }
}

TEST(ConvolveEdgeTest, CornerTapMovesTheImageThreeRightAndThreeDown) {
  for (bool sixteenBit : {false, true}) {
    const TestImage image = RandomImage(19, 16, 3, sixteenBit, sixteenBit ? 32768 : 255, 4);
    const EngineResult engine = RunEnginePasses(image, SingleTap(0, 1.0f).values);
    TestImage moved = image;
    for (int32_t y = 0; y < image.height; ++y) {
      for (int32_t x = 0; x < image.width; ++x) {
        for (int32_t plane = 0; plane < 3; ++plane) {
          moved.samples[(size_t(y) * image.width + x) * 3 + plane] =
              image.At(x < 3 ? 0 : x - 3, y < 3 ? 0 : y - 3, plane);
        }
      }
    }
    EXPECT_EQ(FirstDifference(image, engine.samples, moved.samples), "");
  }
}

TEST(ConvolveEdgeTest, PlainPassOffsetsClampsAndTruncatesEightBitResults) {
  EXPECT_EQ(FlatResult(100, SingleTap(24, 1.0f, 1.0f, 10.0f), false), 110);
  EXPECT_EQ(FlatResult(3, SingleTap(24, -1.0f), false), 0);    // -3
  EXPECT_EQ(FlatResult(150, SingleTap(24, 2.0f), false), 255);  // 300
  EXPECT_EQ(FlatResult(99, SingleTap(24, 101.0f, 100.0f), false), 99);  // 99.99
  EXPECT_EQ(FlatResult(255, SingleTap(24, 0.9996f), false), 254);        // 254.9
}

TEST(ConvolveEdgeTest, PlainPassOnSixteenBitsTakesTheOffsetInEightBitUnits) {
  EXPECT_EQ(FlatResult(1000, SingleTap(24, 1.0f, 1.0f, 10.0f), true), 2285);
  EXPECT_EQ(FlatResult(65535, SingleTap(24, 1.0f), true), 32768);
  EXPECT_EQ(FlatResult(32000, SingleTap(24, 1.0f, 1.0f, 10.0f), true), 32768);
  EXPECT_EQ(FlatResult(0, SingleTap(24, 1.0f, 1.0f, 0.5f), true), 64);  // 64.25
}

// The division by a zero scale factor from the dialog follows IEEE: an
// infinity clamps, a NaN (0 / 0) gives 0.
TEST(ConvolveEdgeTest, ZeroScaleFactorGivesClampedInfinitiesAndZeroForNaN) {
  EXPECT_EQ(FlatResult(7, SingleTap(24, 1.0f, 0.0f), false), 255);
  EXPECT_EQ(FlatResult(7, SingleTap(24, -1.0f, 0.0f), false), 0);
  EXPECT_EQ(FlatResult(0, SingleTap(24, 1.0f, 0.0f, 50.0f), false), 0);
  EXPECT_EQ(FlatResult(7, SingleTap(24, 1.0f, 0.0f), true), 32768);
  EXPECT_EQ(FlatResult(0, SingleTap(24, 1.0f, -0.0f, 50.0f), true), 0);
}

TEST(ConvolveEdgeTest, AutoscaleOfAFlatImageIsBlack) {
  for (bool sixteenBit : {false, true}) {
    KernelValues kernel = Autoscaled(SingleTap(10, 3.5f, 7.0f, 20.0f));
    kernel.values[30] = -1.25f;
    EXPECT_EQ(FlatResult(77, kernel, sixteenBit), 0);
  }
}

TEST(ConvolveEdgeTest, AutoscaleMapsAllChannelsWithOneRange) {
  // A range of 128, so that the factor 255 / 128 is exact and the largest sum gives 255.
  TestImage image = FlatImage(16, 15, 3, false, {10, 20, 138});
  image.samples[3 * 40 + 1] = 74;  // one green sample in the middle of the range
  for (float scale : {1.0f, 9.0f}) {
    KernelValues kernel = Autoscaled(SingleTap(24, 1.0f, scale, scale * 3));
    const EngineResult engine = RunEnginePasses(image, kernel.values);
    EXPECT_EQ(engine.samples[0], 0);
    EXPECT_EQ(engine.samples[1], 19);  // (20 - 10) * 255 / 128
    EXPECT_EQ(engine.samples[2], 255);
    EXPECT_EQ(engine.samples[3 * 40 + 1], 127);  // 127.5
  }
}

TEST(ConvolveEdgeTest, AutoscaleTurnsTheMostNegativeSumBlack) {
  for (bool sixteenBit : {false, true}) {
    TestImage image = FlatImage(16, 15, 1, sixteenBit, {40});
    image.samples[5] = 200;
    const EngineResult engine = RunEnginePasses(image, Autoscaled(SingleTap(24, -2.0f)).values);
    EXPECT_EQ(engine.samples[5], 0);
    EXPECT_EQ(engine.samples[0], sixteenBit ? 32768 : 255);
  }
}

TEST(ConvolveEdgeTest, ProgressRunsFromOneSixthToFiveSixthsWithAnAbortTestAfterEachReport) {
  const TestImage image = RandomImage(15, 20, 1, false, 255, 5);
  for (bool autoscale : {false, true}) {
    KernelValues kernel = SingleTap(24, 1.0f);
    kernel.values[kAutoscaleSlot] = autoscale ? 1.0f : 0.0f;
    HostCalls calls;
    RunEnginePasses(image, kernel.values, calls);
    const int32_t rows = autoscale ? 40 : 20;
    ASSERT_EQ(int32_t(calls.progress.size()), rows);
    for (int32_t n = 0; n < rows; ++n) EXPECT_EQ(calls.progress[n], std::make_pair(rows + 4 * n, 6 * rows));
    EXPECT_EQ(calls.abortCalls, rows);
  }
}

TEST(ConvolveEdgeTest, AbortDuringTheFirstAutoscalePassLeavesTheImageUnchanged) {
  const TestImage image = RandomImage(17, 20, 3, true, 65535, 6);
  HostCalls calls;
  calls.abortWhen = [](int32_t call) { return call == 12; };
  const EngineResult engine = RunEnginePasses(image, Autoscaled(SingleTap(3, 2.0f)).values, calls);
  EXPECT_EQ(engine.result, userCanceledErr);
  EXPECT_EQ(calls.abortCalls, 12);
  EXPECT_EQ(FirstDifference(image, engine.samples, image.samples), "");
}

TEST(ConvolveEdgeTest, AbortDuringThePlainPassKeepsTheRowsAlreadyFiltered) {
  const TestImage image = RandomImage(17, 20, 1, false, 255, 7);
  const KernelValues kernel = SingleTap(0, 1.0f);
  const std::vector<uint16_t> filtered = ReferenceConvolve(image, kernel.values);
  HostCalls calls;
  calls.abortWhen = [](int32_t call) { return call == 9; };  // before row 8
  const EngineResult engine = RunEnginePasses(image, kernel.values, calls);
  EXPECT_EQ(engine.result, userCanceledErr);
  const size_t split = size_t(8) * image.width;
  EXPECT_TRUE(std::equal(filtered.begin(), filtered.begin() + split, engine.samples.begin()));
  EXPECT_TRUE(std::equal(image.samples.begin() + split, image.samples.end(), engine.samples.begin() + split));
}

// Eight ring rows, then the two output rows: any of them missing stops the
// run before a row is read or written.
TEST(ConvolveEdgeTest, FailedBufferAllocationReportsMemoryFullAndLeavesTheImage) {
  const TestImage image = RandomImage(30, 16, 3, false, 255, 8);
  const KernelValues kernel = SingleTap(5, 1.0f);
  for (int32_t failing = 0; failing < 10; ++failing) {
    KernelValues copy = kernel;
    ConvolutionKernel record{};
    std::copy(copy.values, copy.values + kKernelFloats, record.values);
    TestJob test(image);
    ImageStore* store = NewStoreWith(image);
    HostCalls calls;
    currentHostCalls = &calls;
    PlatformFailAfter(PlatformService::allocBlock, failing);
    EXPECT_EQ(ConvolveStore(store, &test.job, &record, false), memFullErr) << failing;
    PlatformFailAfter(PlatformService::allocBlock, -1);
    currentHostCalls = nullptr;
    EXPECT_TRUE(calls.progress.empty());
    EXPECT_EQ(ReadStoreSamples(store, image), image.samples) << failing;
    DisposeBackingStore(store);
  }
}

uint32_t hostControlSeenByCallbacks = 0;

void TK_CDECL RecordControlWord(int32_t, int32_t) { hostControlSeenByCallbacks = _mm_getcsr(); }

// A host that unmasks the divide-by-zero trap, flushes denormals to zero and
// rounds upward: the engine neither traps nor changes its bits, gives the
// host its settings back in the callbacks and on return.
TEST(ConvolveEdgeTest, HostFloatingPointSettingsChangeNothing) {
  TestImage image = RandomImage(18, 15, 1, false, 255, 9);
  KernelValues kernel = SingleTap(24, 1e-40f, 1e-38f);  // a denormal coefficient
  kernel.values[10] = 0.1f;
  kernel.values[11] = 1.0f / 3.0f;
  const std::vector<uint16_t> expected = ReferenceConvolve(image, kernel.values);
  const uint32_t hostControl = (0x1F80 & ~0x0200u) | 0x8040u | 0x4000u;  // divide trap, FTZ, DAZ, round up
  for (float scale : {1e-38f, 0.0f}) {
    kernel.values[kScaleFactorSlot] = scale;
    const std::vector<uint16_t> want = scale == 0.0f ? ReferenceConvolve(image, kernel.values) : expected;
    ConvolutionKernel record{};
    std::copy(kernel.values, kernel.values + kKernelFloats, record.values);
    TestJob test(image);
    test.job.progress = RecordControlWord;
    ImageStore* store = NewStoreWith(image);
    HostCalls calls;
    currentHostCalls = &calls;
    const uint32_t saved = _mm_getcsr();
    _mm_setcsr(hostControl);
    const int16_t result = ConvolveStore(store, &test.job, &record, false);
    const uint32_t afterwards = _mm_getcsr();
    _mm_setcsr(saved);
    currentHostCalls = nullptr;
    EXPECT_EQ(result, 0);
    EXPECT_EQ(afterwards & ~0x3Fu, hostControl);
    EXPECT_EQ(hostControlSeenByCallbacks & ~0x3Fu, hostControl);
    EXPECT_EQ(FirstDifference(image, ReadStoreSamples(store, image), want), "") << scale;
    DisposeBackingStore(store);
  }
}

}  // namespace
